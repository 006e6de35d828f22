// The main window's two layouts, in pixels of its client area.
#pragma once

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

// The compact layout is for a screen exactly 800 pixels wide.
bool IsCompact(int nScreenWidth);
const std::vector<Placement>& PlacementsFor(bool bCompact);
// Width of the service-name column.
int ServiceNameColumnWidth(bool bCompact);
} // namespace MainLayout
