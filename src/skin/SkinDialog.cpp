#include "skin/SkinDialog.h"

#include "res/resource.h"
#include "skin/SkinButton.h"
#include "skin/SkinRules.h"
#include "ui/WinApp.h"

#include <windowsx.h>

CSkinDialog::CSkinDialog(UINT nTemplateId, CWnd* pParent, Title title, const char* pszTitle, bool bDraggable)
    : CDialog(nTemplateId, pParent), m_title(title), m_strTitle(pszTitle != nullptr ? pszTitle : ""),
      m_bDraggable(bDraggable)
{
    m_brushStatic.Reset(CreateSolidBrush(kStaticBack));
    if (m_title == Title::None)
        return;
    m_hIcon = LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDI_APP));
    m_fontTitle.Reset(CreateFontA(-12, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_MODERN | DEFAULT_PITCH, "宋体_GB2312"));
}

CSkinDialog::~CSkinDialog() = default;

BOOL CSkinDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_bmpFrame.LoadBitmap(IDB_FRAME);
    return TRUE;
}

void CSkinDialog::DDX_Control(int nId, CSkinButton& button) const
{
    button.Subclass(GetDlgItem(nId));
}

void CSkinDialog::SetDialogButtonBitmaps(CSkinButton& button)
{
    // There is no picture of its own for a disabled button: the normal one,
    // under the grey caption.
    button.SetBitmaps(IDB_BUTTON_NORMAL, IDB_BUTTON_HOVER, IDB_BUTTON_PRESSED, IDB_BUTTON_FOCUS, IDB_BUTTON_NORMAL,
                      TRUE, CSkinButton::kRedKey, TRUE);
}

bool CSkinDialog::PreDispatch(UINT uMsg, WPARAM wParam, LPARAM lParam, INT_PTR* pnResult)
{
    switch (uMsg)
    {
    case WM_PAINT:
        Paint();
        *pnResult = TRUE;
        return true;
    case WM_ERASEBKGND:
        // The paint covers the whole client area itself.
        *pnResult = TRUE;
        return true;
    case WM_CTLCOLORSTATIC:
        SetTextColor(reinterpret_cast<HDC>(wParam), kStaticText);
        SetBkColor(reinterpret_cast<HDC>(wParam), kStaticBack);
        *pnResult = reinterpret_cast<INT_PTR>(m_brushStatic.Get());
        return true;
    case WM_LBUTTONDOWN:
        if (m_bDraggable && SkinRules::InTitleStrip(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)))
            PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, lParam);
        return false;
    default:
        return false;
    }
}

void CSkinDialog::Paint()
{
    PAINTSTRUCT paint;
    HDC hDC = BeginPaint(m_hWnd, &paint);
    RECT client;
    GetClientRect(m_hWnd, &client);
    const int W = client.right, H = client.bottom;

    if (m_title == Title::WindowText && IsIconic(m_hWnd))
    {
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(hDC));
        int cxIcon = GetSystemMetrics(SM_CXICON), cyIcon = GetSystemMetrics(SM_CYICON);
        DrawIcon(hDC, (W - cxIcon + 1) / 2, (H - cyIcon + 1) / 2, m_hIcon);
        EndPaint(m_hWnd, &paint);
        return;
    }

    // The window takes the region over; a new one only for a new size.
    if (m_sizeRegion.cx != W || m_sizeRegion.cy != H)
    {
        CRgn region(CreateRoundRectRgn(0, 0, W, H, SkinRules::kCornerEllipse, SkinRules::kCornerEllipse));
        if (SetWindowRgn(m_hWnd, region.Get(), TRUE))
        {
            region.Release();
            m_sizeRegion = {W, H};
        }
    }
    if (m_bmpFrame.GetSafeHandle() != nullptr)
    {
        BITMAP info = {};
        GetObjectA(m_bmpFrame.GetSafeHandle(), sizeof(info), &info);
        HDC hFrame = CreateCompatibleDC(hDC);
        HGDIOBJ hOld = SelectObject(hFrame, m_bmpFrame.GetSafeHandle());
        for (const SkinRules::FramePiece& piece : SkinRules::FramePieces(W, H, info.bmWidth, info.bmHeight))
        {
            const SkinRules::Rect& d = piece.destination;
            const SkinRules::Rect& s = piece.source;
            if (piece.bStretched)
                StretchBlt(hDC, d.x, d.y, d.cx, d.cy, hFrame, s.x, s.y, s.cx, s.cy, SRCCOPY);
            else
                BitBlt(hDC, d.x, d.y, d.cx, d.cy, hFrame, s.x, s.y, SRCCOPY);
        }
        SelectObject(hFrame, hOld);
        DeleteDC(hFrame);
    }
    if (m_title != Title::None)
    {
        DrawIconEx(hDC, SkinRules::kIconX, SkinRules::kIconY, m_hIcon, 16, 16, 0, nullptr, DI_NORMAL);
        HGDIOBJ hOldFont = SelectObject(hDC, m_fontTitle.Get());
        SetBkMode(hDC, TRANSPARENT);
        SetTextColor(hDC, kTitleText);
        std::string strTitle = m_title == Title::WindowText ? GetWindowText() : m_strTitle;
        TextOutA(hDC, SkinRules::kTitleX, SkinRules::kTitleY, strTitle.c_str(), static_cast<int>(strTitle.size()));
        SelectObject(hDC, hOldFont);
    }
    EndPaint(m_hWnd, &paint);
}
