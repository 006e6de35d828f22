// The tick boxes of a list view, read and clicked as a user sees them.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <vector>

inline bool HasTickBoxes(HWND hList)
{
    return (SendMessageA(hList, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_CHECKBOXES) != 0;
}
std::vector<bool> TicksOf(HWND hList);
// Scrolls the row into view and clicks its tick box with the mouse.
testing::AssertionResult ClickTickBox(HWND hList, int nRow);
