#include "app/MainLayout.h"
#include "res/resource.h"

#include <gtest/gtest.h>

namespace
{
TEST(MainLayoutTest, OnlyExactly800PixelsIsCompact)
{
    const std::pair<int, bool> cases[] = {{800, true}, {799, false}, {801, false}, {1024, false}, {640, false}};
    for (const auto& c : cases)
        EXPECT_EQ(c.second, MainLayout::IsCompact(c.first)) << c.first;
}


// Every control the layouts move appears once, and both layouts keep the
// list and the trees inside the window.
TEST(MainLayoutTest, LayoutsPlaceEachControlOnceInsideTheWindow)
{
    for (bool bCompact : {true, false})
    {
        SCOPED_TRACE(bCompact ? "compact" : "standard");
        const auto& placements = MainLayout::PlacementsFor(bCompact);
        ASSERT_EQ(MainLayout::kWindowId, placements.front().nId);
        int nWidth = placements.front().cx, nHeight = placements.front().cy;
        for (std::size_t i = 1; i < placements.size(); ++i)
        {
            const auto& p = placements[i];
            for (std::size_t j = i + 1; j < placements.size(); ++j)
                EXPECT_NE(p.nId, placements[j].nId);
            if (p.bHidden || p.bWidthOnly)
                continue;
            EXPECT_LE(p.x + p.cx, nWidth) << p.nId;
            EXPECT_LE(p.y + p.cy, nHeight) << p.nId;
        }
    }
    EXPECT_EQ(90, MainLayout::ServiceNameColumnWidth(true));
    EXPECT_EQ(150, MainLayout::ServiceNameColumnWidth(false));
}
} // namespace
