#include "support/Pixels.h"

#include <algorithm>
#include <cstdlib>

COLORREF ScreenPixel(int x, int y)
{
    HDC hScreen = GetDC(nullptr);
    COLORREF crPixel = GetPixel(hScreen, x, y);
    ReleaseDC(nullptr, hScreen);
    return crPixel;
}

std::vector<COLORREF> DrawnPixels(int cx, int cy, const std::function<void(HDC hMemory)>& draw)
{
    HDC hScreen = GetDC(nullptr);
    HDC hMemory = CreateCompatibleDC(hScreen);
    HBITMAP hBitmap = CreateCompatibleBitmap(hScreen, cx, cy);
    HGDIOBJ hOld = SelectObject(hMemory, hBitmap);
    draw(hMemory);
    // GetDIBits wants the bitmap out of every device context.
    SelectObject(hMemory, hOld);

    BITMAPINFOHEADER info = {};
    info.biSize = sizeof(info);
    info.biWidth = cx;
    info.biHeight = -cy; // top row first
    info.biPlanes = 1;
    info.biBitCount = 32;
    info.biCompression = BI_RGB;
    std::vector<DWORD> bgrx(static_cast<size_t>(cx) * cy);
    GetDIBits(hMemory, hBitmap, 0, cy, bgrx.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteObject(hBitmap);
    DeleteDC(hMemory);
    ReleaseDC(nullptr, hScreen);

    std::vector<COLORREF> pixels;
    pixels.reserve(bgrx.size());
    for (DWORD dwPixel : bgrx)
        pixels.push_back(RGB((dwPixel >> 16) & 0xFF, (dwPixel >> 8) & 0xFF, dwPixel & 0xFF));
    return pixels;
}

std::vector<COLORREF> ScreenPixels(const RECT& rect)
{
    return DrawnPixels(rect.right - rect.left, rect.bottom - rect.top, [&rect](HDC hMemory) {
        HDC hScreen = GetDC(nullptr);
        BitBlt(hMemory, 0, 0, rect.right - rect.left, rect.bottom - rect.top, hScreen, rect.left, rect.top,
               SRCCOPY);
        ReleaseDC(nullptr, hScreen);
    });
}

std::vector<COLORREF> ImageListPixels(HIMAGELIST hImages, int nIndex)
{
    int cx = 0, cy = 0;
    ImageList_GetIconSize(hImages, &cx, &cy);
    return DrawnPixels(cx, cy, [&](HDC hMemory) {
        RECT rect = {0, 0, cx, cy};
        FillRect(hMemory, &rect, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        ImageList_Draw(hImages, nIndex, hMemory, 0, 0, ILD_NORMAL);
    });
}

RECT ScreenRectOf(HWND hWnd)
{
    RECT rect = {};
    GetWindowRect(hWnd, &rect);
    return rect;
}

POINT CentreOf(HWND hWnd)
{
    RECT rect = ScreenRectOf(hWnd);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

int CountOf(const std::vector<COLORREF>& pixels, COLORREF crWanted)
{
    return static_cast<int>(std::count(pixels.begin(), pixels.end(), crWanted));
}

int Distance(COLORREF crLeft, COLORREF crRight)
{
    return std::abs(GetRValue(crLeft) - GetRValue(crRight)) + std::abs(GetGValue(crLeft) - GetGValue(crRight)) +
           std::abs(GetBValue(crLeft) - GetBValue(crRight));
}
