#include "support/TickBoxes.h"

#include "support/Input.h"

#include <commctrl.h>

bool HasTickBoxes(HWND hList)
{
    return (SendMessageA(hList, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_CHECKBOXES) != 0;
}

std::vector<bool> TicksOf(HWND hList)
{
    std::vector<bool> ticks;
    int nCount = static_cast<int>(SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < nCount; ++i)
        ticks.push_back((SendMessageA(hList, LVM_GETITEMSTATE, i, LVIS_STATEIMAGEMASK) >> 12) == 2);
    return ticks;
}

namespace
{
// The first point of the row, from its left edge, that the list itself
// places on the tick box.
testing::AssertionResult FindTickBox(HWND hList, int nRow, POINT* pPoint)
{
    SendMessageA(hList, LVM_ENSUREVISIBLE, nRow, FALSE);
    RECT bounds = {LVIR_BOUNDS, 0, 0, 0};
    if (!SendMessageA(hList, LVM_GETITEMRECT, nRow, reinterpret_cast<LPARAM>(&bounds)))
        return testing::AssertionFailure() << "row " << nRow << " has no rectangle";
    for (int x = bounds.left; x < bounds.left + 200; ++x)
    {
        LVHITTESTINFO hit = {};
        hit.pt = {x, (bounds.top + bounds.bottom) / 2};
        if (SendMessageA(hList, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)) == nRow &&
            (hit.flags & LVHT_ONITEMSTATEICON))
        {
            // A few pixels in, off the box's edge.
            pPoint->x = x + 4;
            pPoint->y = hit.pt.y;
            ClientToScreen(hList, pPoint);
            return testing::AssertionSuccess();
        }
    }
    return testing::AssertionFailure() << "row " << nRow << " shows no tick box";
}
} // namespace

testing::AssertionResult ClickTickBox(HWND hList, int nRow)
{
    POINT point;
    testing::AssertionResult found = FindTickBox(hList, nRow, &point);
    if (found)
        ClickAt(point);
    return found;
}

testing::AssertionResult ClickRowText(HWND hList, int nRow)
{
    SendMessageA(hList, LVM_ENSUREVISIBLE, nRow, FALSE);
    RECT label = {LVIR_LABEL, 0, 0, 0};
    if (!SendMessageA(hList, LVM_GETITEMRECT, nRow, reinterpret_cast<LPARAM>(&label)))
        return testing::AssertionFailure() << "row " << nRow << " has no text";
    POINT point = {label.left + 8, (label.top + label.bottom) / 2};
    ClientToScreen(hList, &point);
    ClickAt(point);
    return testing::AssertionSuccess();
}
