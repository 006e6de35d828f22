// The main window's two layouts, in pixels of its client area.
#pragma once

#include "res/resource.h"

#include <vector>

namespace MainLayout
{
struct Placement
{
    int nId;       // control id; 0 for the window itself
    int x, y, cx, cy;
    bool bHidden;  // hidden instead of moved
    bool bWidthOnly; // only cx applies; position and height stay
};

constexpr int kWindowId = 0;
// Places in the image list the list and both trees share (the start types
// come first, as ServiceTexts::StartTypeIndex numbers them).
constexpr int kImageRoot = 3;
constexpr int kImageFolder = 4;

// The compact layout is for a screen exactly 800 pixels wide.
bool IsCompact(int nScreenWidth);
const std::vector<Placement>& PlacementsFor(bool bCompact);
// Width of the service-name column.
int ServiceNameColumnWidth(bool bCompact);

// The pictures each skinned button of the main window wears (0: none).
struct ButtonArt
{
    int nId;
    unsigned nNormal, nHover, nPressed, nFocus, nDisabled;
    bool bStretch; // stretched to the button's size
    bool bShift;   // the picture moves when pressed
};

constexpr ButtonArt kButtonArt[] = {
    {IDC_BTN_CLOSE, IDB_CLOSE_NORMAL, IDB_CLOSE_HOVER, IDB_CLOSE_PRESSED, IDB_CLOSE_NORMAL, 0, false, true},
    {IDC_BTN_MINIMIZE, IDB_MINIMIZE_NORMAL, IDB_MINIMIZE_HOVER, IDB_MINIMIZE_PRESSED, IDB_MINIMIZE_NORMAL, 0, false,
     true},
    {IDC_BTN_ABOUT, IDB_ABOUT_NORMAL, IDB_ABOUT_HOVER, IDB_ABOUT_PRESSED, IDB_ABOUT_NORMAL, 0, false, true},
    {IDC_BTN_EXPORT, IDB_EXPORT_NORMAL, IDB_EXPORT_HOVER, IDB_EXPORT_NORMAL, IDB_EXPORT_NORMAL, 0, true, true},
    {IDC_BTN_IMPORT, IDB_IMPORT_NORMAL, IDB_IMPORT_HOVER, IDB_IMPORT_NORMAL, IDB_IMPORT_NORMAL, 0, true, true},
    {IDC_BTN_AUTO, IDB_TOOL_NORMAL, IDB_TOOL_HOVER, IDB_TOOL_PRESSED, IDB_TOOL_NORMAL, 0, true, true},
    {IDC_BTN_MANUAL, IDB_TOOL_NORMAL, IDB_TOOL_HOVER, IDB_TOOL_PRESSED, IDB_TOOL_NORMAL, 0, true, true},
    {IDC_BTN_DISABLED, IDB_TOOL_NORMAL, IDB_TOOL_HOVER, IDB_TOOL_PRESSED, IDB_TOOL_NORMAL, 0, true, true},
    {IDC_TOOL_STRIP, 0, 0, 0, 0, IDB_TOOL_NORMAL, true, true},
    {IDC_BTN_START, IDB_START_NORMAL, IDB_START_HOVER, IDB_START_NORMAL, IDB_START_NORMAL, IDB_START_DISABLED, true,
     false},
    {IDC_BTN_STOP, IDB_STOP_NORMAL, IDB_STOP_HOVER, IDB_STOP_NORMAL, IDB_STOP_NORMAL, IDB_STOP_DISABLED, true, false},
    {IDC_BTN_PAUSE, IDB_PAUSE_NORMAL, IDB_PAUSE_HOVER, IDB_PAUSE_NORMAL, IDB_PAUSE_NORMAL, IDB_PAUSE_DISABLED, true,
     false},
    {IDC_BTN_TOOLS, IDB_MENU_NORMAL, IDB_MENU_HOVER, IDB_MENU_PRESSED, IDB_MENU_NORMAL, 0, true, false},
    {IDC_BTN_CONFIGURE, IDB_MENU_NORMAL, IDB_MENU_HOVER, IDB_MENU_PRESSED, IDB_MENU_NORMAL, 0, true, false},
    {IDC_BTN_WIZARD, IDB_MENU_NORMAL, IDB_MENU_HOVER, IDB_MENU_PRESSED, IDB_MENU_NORMAL, 0, true, false},
    {IDC_BTN_HELP, IDB_MENU_NORMAL, IDB_MENU_HOVER, IDB_MENU_PRESSED, IDB_MENU_NORMAL, 0, true, false},
    {IDC_MENU_STRIP, IDB_MENU_NORMAL, IDB_MENU_HOVER, IDB_MENU_PRESSED, IDB_MENU_NORMAL, IDB_MENU_NORMAL, true, false},
};
constexpr int kButtonCount = static_cast<int>(sizeof(kButtonArt) / sizeof(kButtonArt[0]));
} // namespace MainLayout
