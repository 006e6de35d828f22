#include "skin/SkinRules.h"

namespace SkinRules
{
BitmapChoice ChooseBitmap(const ButtonBitmaps& bitmaps, const ButtonState& state)
{
    if (state.bDisabled)
        return {bitmaps.nDisabled, false};
    if (state.bFocused)
    {
        // Pressed shows only with the pointer on the button as well.
        if (state.bHover)
            return {state.bSelected ? bitmaps.nPressed : bitmaps.nHover, false};
        return {bitmaps.nFocus, true};
    }
    return {state.bHover ? bitmaps.nHover : bitmaps.nNormal, false};
}

std::array<FramePiece, 9> FramePieces(int nWidth, int nHeight, int nBitmapWidth, int nBitmapHeight)
{
    const int W = nWidth, H = nHeight, BW = nBitmapWidth, BH = nBitmapHeight;
    return {{
        {{0, 0, 25, 25}, {0, 0, 25, 25}, false},
        {{W - 26, 0, 25, 25}, {BW - 25, 0, 25, 25}, false},
        {{0, H - 26, 25, 25}, {0, BH - 25, 25, 25}, false},
        {{W - 26, H - 26, 25, 25}, {BW - 25, BH - 25, 25, 25}, false},
        {{25, 0, W - 50, 25}, {26, 0, 1, 25}, true},
        {{25, H - 26, W - 50, 25}, {26, BH - 25, 1, 25}, true},
        {{0, 25, 25, H - 50}, {0, 26, 25, 1}, true},
        {{W - 26, 25, 25, H - 50}, {BW - 25, 26, 25, 1}, true},
        {{25, 25, W - 50, H - 50}, {26, 26, 1, 1}, true},
    }};
}
} // namespace SkinRules
