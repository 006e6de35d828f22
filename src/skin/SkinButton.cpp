#include "skin/SkinButton.h"

#include "skin/SkinRules.h"
#include "ui/Dialog.h"
#include "ui/WinApp.h"

namespace
{
constexpr UINT_PTR kSubclassId = 1;
// BS_OWNERDRAW with BS_ICON: whatever push-button type the template gave
// becomes owner-drawn.
constexpr LONG_PTR kOwnerDrawBits = 0x4B;
} // namespace

CSkinButton::~CSkinButton()
{
    if (m_hWnd != nullptr && IsWindow(m_hWnd))
        RemoveWindowSubclass(m_hWnd, SubclassProc, kSubclassId);
}

void CSkinButton::Subclass(HWND hWnd)
{
    Attach(hWnd);
    if (hWnd == nullptr)
        return;
    PreSubclassWindow();
    SetWindowSubclass(hWnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

void CSkinButton::PreSubclassWindow()
{
    ModifyStyle(0, kOwnerDrawBits);
}

void CSkinButton::SetBitmaps(UINT nNormal, UINT nHover, UINT nPressed, UINT nFocus, UINT nDisabled, BOOL bStretch,
                             COLORREF crKey, BOOL bShiftText)
{
    m_nIdNormal = nNormal;
    m_nIdHover = nHover;
    m_nIdPressed = nPressed;
    m_nIdFocus = nFocus;
    m_nIdDisabled = nDisabled;
    m_bStretch = bStretch;
    m_crKey = crKey;
    m_bShiftText = bShiftText;
}

LRESULT CALLBACK CSkinButton::SubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR dwRefData)
{
    auto* pButton = reinterpret_cast<CSkinButton*>(dwRefData);
    switch (uMsg)
    {
    case WM_MOUSEMOVE:
        if (!pButton->m_bTracking)
        {
            TRACKMOUSEEVENT track = {sizeof(track), TME_HOVER | TME_LEAVE, hWnd, 1};
            pButton->m_bTracking = _TrackMouseEvent(&track);
        }
        break;
    case WM_MOUSEHOVER:
        pButton->m_bHover = TRUE;
        InvalidateRect(hWnd, nullptr, FALSE);
        return 0;
    case WM_MOUSELEAVE:
        pButton->m_bHover = FALSE;
        pButton->m_bTracking = FALSE;
        InvalidateRect(hWnd, nullptr, FALSE);
        return 0;
    case WM_ERASEBKGND:
        // The keyed corners show what the dialog painted beneath.
        return TRUE;
    case kReflectedDrawItem:
        pButton->DrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hWnd, SubclassProc, kSubclassId);
        pButton->Attach(nullptr);
        break;
    default:
        break;
    }
    return DefSubclassProc(hWnd, uMsg, wParam, lParam);
}

void CSkinButton::DrawItem(const DRAWITEMSTRUCT* pItem)
{
    RECT rect = pItem->rcItem;
    SkinRules::ButtonState state = {(pItem->itemState & ODS_DISABLED) != 0, (pItem->itemState & ODS_FOCUS) != 0,
                                    m_bHover != FALSE, (pItem->itemState & ODS_SELECTED) != 0};
    SkinRules::BitmapChoice choice =
        SkinRules::ChooseBitmap({m_nIdNormal, m_nIdHover, m_nIdPressed, m_nIdFocus, m_nIdDisabled}, state);
    if (choice.bResetTracking)
        m_bTracking = FALSE;
    DrawBitmap(pItem->hDC, choice.nBitmap, rect, m_crKey, m_bStretch);

    std::string strCaption = GetWindowText();
    if (strCaption.empty())
        return;
    int nOldMode = SetBkMode(pItem->hDC, TRANSPARENT);
    COLORREF crOld = SetTextColor(pItem->hDC, state.bDisabled ? kDisabledCaptionColour : kCaptionColour);
    if (m_bShiftText && state.bSelected)
        OffsetRect(&rect, 1, 1);
    DrawTextA(pItem->hDC, strCaption.c_str(), -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SetTextColor(pItem->hDC, crOld);
    SetBkMode(pItem->hDC, nOldMode);
}

void CSkinButton::DrawBitmap(HDC hDC, UINT nBitmapId, const RECT& rect, COLORREF crKey, BOOL bStretch)
{
    if (nBitmapId == 0)
        return;
    HBITMAP hBitmap = static_cast<HBITMAP>(
        LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(LOWORD(nBitmapId)), IMAGE_BITMAP, 0, 0, 0));
    if (hBitmap == nullptr)
        return;
    BITMAP info = {};
    GetObjectA(hBitmap, sizeof(info), &info);
    const int W = info.bmWidth, H = info.bmHeight;
    const int cx = rect.right - rect.left, cy = rect.bottom - rect.top;

    HDC hImage = CreateCompatibleDC(hDC);
    HGDIOBJ hOldImage = SelectObject(hImage, hBitmap);
    auto copy = [&](HDC hSource, DWORD dwRop) {
        if (bStretch)
            StretchBlt(hDC, rect.left, rect.top, cx, cy, hSource, 0, 0, W, H, dwRop);
        else
            BitBlt(hDC, rect.left, rect.top, cx, cy, hSource, 0, 0, dwRop);
    };
    if (crKey == 0)
    {
        copy(hImage, SRCCOPY);
    }
    else
    {
        // White in the mask where the key colour is; the image is drawn
        // through it and the target keeps its pixels there.
        HBITMAP hMask = CreateBitmap(W, H, 1, 1, nullptr);
        HDC hMaskDC = CreateCompatibleDC(hDC);
        HGDIOBJ hOldMask = SelectObject(hMaskDC, hMask);
        COLORREF crOldBack = SetBkColor(hImage, crKey);
        BitBlt(hMaskDC, 0, 0, W, H, hImage, 0, 0, SRCCOPY);
        COLORREF crOldTargetBack = SetBkColor(hDC, RGB(255, 255, 255));
        COLORREF crOldTargetText = SetTextColor(hDC, RGB(0, 0, 0));
        copy(hImage, SRCINVERT);
        copy(hMaskDC, SRCAND);
        copy(hImage, SRCINVERT);
        SetTextColor(hDC, crOldTargetText);
        SetBkColor(hDC, crOldTargetBack);
        SetBkColor(hImage, crOldBack);
        SelectObject(hMaskDC, hOldMask);
        DeleteDC(hMaskDC);
        DeleteObject(hMask);
    }
    SelectObject(hImage, hOldImage);
    DeleteDC(hImage);
    DeleteObject(hBitmap);
}
