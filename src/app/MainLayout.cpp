#include "app/MainLayout.h"

#include "res/resource.h"

namespace MainLayout
{
bool IsCompact(int nScreenWidth)
{
    return nScreenWidth == 800;
}

const std::vector<Placement>& PlacementsFor(bool bCompact)
{
    static const std::vector<Placement> compact = {
        {kWindowId, 0, 0, 800, 570, false, false},
        {IDC_BTN_CLOSE, 776, 5, 16, 16, false, false},
        {IDC_BTN_ABOUT, 758, 5, 16, 16, false, false},
        {IDC_BTN_MINIMIZE, 740, 5, 16, 16, false, false},
        {IDC_WORK_FRAME, 9, 69, 781, 447, false, false},
        {IDC_STATUS_FRAME, 9, 512, 781, 45, false, false},
        {IDC_DEPENDS_RULE, 0, 0, 0, 0, true, false},
        {IDC_DEPENDS_LABEL, 14, 340, 120, 12, false, false},
        {IDC_SUMMARY, 637, 84, 150, 350, false, false},
        {IDC_STATUS_ICON, 12, 523, 32, 32, false, false},
        {IDC_STATUS_LINE, 46, 532, 740, 12, false, false},
        {IDC_MENU_STRIP, 0, 0, 568, 0, false, true},
        {IDC_TOOL_STRIP, 0, 0, 520, 0, false, true},
        {IDC_CATEGORY_TREE, 12, 78, 141, 260, false, false},
        {IDC_DEPENDS_TREE, 12, 353, 141, 160, false, false},
        {IDC_SERVICE_LIST, 153, 78, 480, 435, false, false},
    };
    static const std::vector<Placement> standard = {
        {kWindowId, 0, 0, 883, 678, false, false},
        {IDC_BTN_CLOSE, 860, 5, 16, 16, false, false},
        {IDC_BTN_ABOUT, 842, 5, 16, 16, false, false},
        {IDC_BTN_MINIMIZE, 824, 5, 16, 16, false, false},
        {IDC_WORK_FRAME, 9, 69, 864, 543, false, false},
        {IDC_STATUS_FRAME, 9, 608, 864, 56, false, false},
        {IDC_DEPENDS_RULE, 699, 366, 174, 15, false, false},
        {IDC_DEPENDS_LABEL, 705, 384, 165, 15, false, false},
        {IDC_SUMMARY, 705, 84, 165, 288, false, false},
        {IDC_STATUS_ICON, 12, 621, 32, 32, false, false},
        {IDC_CATEGORY_TREE, 12, 78, 145, 531, false, false},
        {IDC_DEPENDS_TREE, 699, 399, 173, 210, false, false},
        {IDC_SERVICE_LIST, 157, 78, 542, 531, false, false},
    };
    return bCompact ? compact : standard;
}

int ServiceNameColumnWidth(bool bCompact)
{
    return bCompact ? 90 : 150;
}
} // namespace MainLayout
