#include "support/TickBoxes.h"

#include "support/Input.h"

std::vector<bool> TicksOf(HWND hList)
{
    std::vector<bool> ticks;
    int nCount = static_cast<int>(SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < nCount; ++i)
        ticks.push_back((SendMessageA(hList, LVM_GETITEMSTATE, i, LVIS_STATEIMAGEMASK) >> 12) == 2);
    return ticks;
}

testing::AssertionResult ClickTickBox(HWND hList, int nRow)
{
    SendMessageA(hList, LVM_ENSUREVISIBLE, nRow, FALSE);
    RECT bounds = {LVIR_BOUNDS, 0, 0, 0};
    SendMessageA(hList, LVM_GETITEMRECT, nRow, reinterpret_cast<LPARAM>(&bounds));
    // A few pixels into the box, from the row's left edge.
    LVHITTESTINFO hit = {};
    hit.pt.y = (bounds.top + bounds.bottom) / 2;
    for (hit.pt.x = bounds.left; hit.pt.x < bounds.left + 40; ++hit.pt.x)
    {
        if (SendMessageA(hList, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)) == nRow &&
            (hit.flags & LVHT_ONITEMSTATEICON))
        {
            POINT point = {hit.pt.x + 4, hit.pt.y};
            ClientToScreen(hList, &point);
            ClickAt(point);
            return testing::AssertionSuccess();
        }
    }
    return testing::AssertionFailure() << "row " << nRow << " shows no tick box";
}
