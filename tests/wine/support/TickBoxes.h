// The tick boxes of a list view, read and clicked as a user sees them.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

bool HasTickBoxes(HWND hList);
// Each row's tick, as the list draws it.
std::vector<bool> TicksOf(HWND hList);
// Scrolls the row into view and clicks its tick box with the mouse.
testing::AssertionResult ClickTickBox(HWND hList, int nRow);
// Clicks the row's text, which selects it and gives the list the focus.
testing::AssertionResult ClickRowText(HWND hList, int nRow);
