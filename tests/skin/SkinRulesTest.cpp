#include "skin/SkinRules.h"

#include <gtest/gtest.h>

namespace
{
using SkinRules::ButtonState;

TEST(SkinRulesTest, ButtonStatesChooseTheirBitmaps)
{
    const SkinRules::ButtonBitmaps bitmaps = {131, 132, 130, 133, 159};
    struct Case
    {
        ButtonState state; // disabled, focused, hover, selected
        unsigned nBitmap;
        bool bReset;
    };
    const Case cases[] = {
        {{true, true, true, true}, 159, false},
        {{true, false, false, false}, 159, false},
        {{false, true, true, true}, 130, false},
        {{false, true, true, false}, 132, false},
        // Pressed from the keyboard with the pointer elsewhere: focus.
        {{false, true, false, true}, 133, true},
        {{false, true, false, false}, 133, true},
        // Held down without the focus never shows pressed.
        {{false, false, true, true}, 132, false},
        {{false, false, true, false}, 132, false},
        {{false, false, false, true}, 131, false},
        {{false, false, false, false}, 131, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << c.state.bDisabled << c.state.bFocused << c.state.bHover
                                          << c.state.bSelected);
        SkinRules::BitmapChoice choice = SkinRules::ChooseBitmap(bitmaps, c.state);
        EXPECT_EQ(c.nBitmap, choice.nBitmap);
        EXPECT_EQ(c.bReset, choice.bResetTracking);
    }
    // No disabled bitmap means nothing is drawn.
    EXPECT_EQ(0u, SkinRules::ChooseBitmap({131, 132, 130, 133, 0}, {true, false, false, false}).nBitmap);
}

// The pieces cover the window but for its last column and row, for any
// size (the right and bottom pieces overlap the edges by one pixel).
TEST(SkinRulesTest, FramePiecesCoverTheWindowOnce)
{
    for (auto size : {std::pair<int, int>{883, 678}, {800, 570}, {354, 117}, {60, 60}})
    {
        const int W = size.first, H = size.second;
        SCOPED_TRACE(::testing::Message() << W << "x" << H);
        std::vector<int> covered(static_cast<size_t>(W) * H, 0);
        for (const auto& piece : SkinRules::FramePieces(W, H, 65, 50))
        {
            const auto& d = piece.destination;
            ASSERT_GE(d.cx, 0);
            ASSERT_GE(d.cy, 0);
            for (int y = d.y; y < d.y + d.cy; ++y)
                for (int x = d.x; x < d.x + d.cx; ++x)
                    ++covered[static_cast<size_t>(y) * W + x];
            // Sources stay inside the 65 x 50 bitmap.
            const auto& s = piece.source;
            EXPECT_GE(s.x, 0);
            EXPECT_LE(s.x + s.cx, 65);
            EXPECT_LE(s.y + s.cy, 50);
        }
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
            {
                bool bLastLine = x == W - 1 || y == H - 1;
                int nTimes = covered[static_cast<size_t>(y) * W + x];
                ASSERT_TRUE(bLastLine ? nTimes == 0 : nTimes >= 1) << x << "," << y << ": " << nTimes;
            }
    }
}
TEST(SkinRulesTest, TitleStripIsRightOfZeroAndDownTo25)
{
    EXPECT_TRUE(SkinRules::InTitleStrip(1, 25));
    EXPECT_TRUE(SkinRules::InTitleStrip(500, 0));
    EXPECT_FALSE(SkinRules::InTitleStrip(1, 26));
    EXPECT_FALSE(SkinRules::InTitleStrip(0, 10));
}
} // namespace
