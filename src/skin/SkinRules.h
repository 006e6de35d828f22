// Decisions of the skin that need no drawing: which bitmap a button shows
// and where the nine pieces of the frame go.
#pragma once

#include <array>

namespace SkinRules
{
struct ButtonBitmaps
{
    unsigned nNormal;
    unsigned nHover;
    unsigned nPressed;
    unsigned nFocus;
    unsigned nDisabled; // 0: none
};

struct ButtonState
{
    bool bDisabled;
    bool bFocused;
    bool bHover;
    bool bSelected;
};

struct BitmapChoice
{
    unsigned nBitmap;
    // Focused without the pointer: the next move over the button asks for
    // tracking again.
    bool bResetTracking;
};

BitmapChoice ChooseBitmap(const ButtonBitmaps& bitmaps, const ButtonState& state);

// The painted title strip every skinned window is dragged by.
constexpr int kTitleStripHeight = 25;
// Whether a point of the client area lies in the title strip.
inline bool InTitleStrip(int x, int y)
{
    return x > 0 && y <= kTitleStripHeight;
}

struct Rect
{
    int x, y, cx, cy;
};

struct FramePiece
{
    Rect destination;
    Rect source;
    bool bStretched;
};

// Corners, edges and client area of a W x H window from a BW x BH frame
// bitmap; the right and bottom pieces start one pixel in from the edge.
std::array<FramePiece, 9> FramePieces(int nWidth, int nHeight, int nBitmapWidth, int nBitmapHeight);

// Where the window's icon and title go in the strip.
constexpr int kIconX = 6;
constexpr int kIconY = 5;
constexpr int kTitleX = 25;
constexpr int kTitleY = 7;
constexpr int kCornerEllipse = 11;
} // namespace SkinRules
