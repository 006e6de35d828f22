// Pixels as the screen or a drawing shows them, for tests that look.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <vector>

// What the screen shows at a point, through the screen's own device context.
COLORREF ScreenPixel(int x, int y);
// Every pixel of a screen rectangle, in rows from the top.
std::vector<COLORREF> ScreenPixels(const RECT& rect);
// Every pixel of a cx by cy bitmap like the screen's after draw has painted
// into it, in rows from the top.
std::vector<COLORREF> DrawnPixels(int cx, int cy, const std::function<void(HDC hMemory)>& draw);
// One image of an image list drawn on white.
std::vector<COLORREF> ImageListPixels(HIMAGELIST hImages, int nIndex);

// A window's rectangle on the screen, and its centre.
RECT ScreenRectOf(HWND hWnd);
POINT CentreOf(HWND hWnd);
// How many of the pixels have that colour.
int CountOf(const std::vector<COLORREF>& pixels, COLORREF crWanted);
// The sum of the differences of the three channels.
int Distance(COLORREF crLeft, COLORREF crRight);
