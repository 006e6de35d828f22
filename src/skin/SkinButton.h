// The push button of every skinned window: drawn from one bitmap per state,
// optionally stretched and colour-keyed, with its caption in dark blue (grey
// while disabled).
#pragma once

#include "ui/Controls.h"

class CSkinButton : public CWnd
{
public:
    static constexpr COLORREF kCaptionColour = RGB(30, 62, 147);
    static constexpr COLORREF kDisabledCaptionColour = RGB(128, 128, 128);
    static constexpr COLORREF kRedKey = RGB(255, 0, 0);

    CSkinButton() = default;
    ~CSkinButton();
    CSkinButton(const CSkinButton&) = delete;
    CSkinButton& operator=(const CSkinButton&) = delete;

    // Takes over the dialog's control: owner-drawn from now on.
    void Subclass(HWND hWnd);
    // In this order: normal, hover, pressed, focus, disabled (0: none).
    void SetBitmaps(UINT nNormal, UINT nHover, UINT nPressed, UINT nFocus, UINT nDisabled, BOOL bStretch,
                    COLORREF crKey, BOOL bShiftText);
    void DrawItem(const DRAWITEMSTRUCT* pItem);

    // Draws a bitmap resource into the rectangle; a key of 0 copies opaque.
    static void DrawBitmap(HDC hDC, UINT nBitmapId, const RECT& rect, COLORREF crKey, BOOL bStretch);

private:
    void PreSubclassWindow();
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, UINT_PTR nId,
                                         DWORD_PTR dwRefData);

    BOOL m_bHover = FALSE;
    BOOL m_bTracking = FALSE;
    UINT m_nIdNormal = 0;
    UINT m_nIdFocus = 0;
    UINT m_nIdHover = 0;
    UINT m_nIdPressed = 0;
    UINT m_nIdDisabled = 0;
    BOOL m_bStretch = FALSE;
    COLORREF m_crKey = 0;
    BOOL m_bShiftText = FALSE;
};
