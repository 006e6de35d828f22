#include "ui/Dialog.h"

#include "ui/WinApp.h"

#include <commctrl.h>

CDialog::CDialog(UINT nTemplateId, CWnd* pParent) : m_nTemplateId(nTemplateId), m_pParent(pParent)
{
}

CDialog::~CDialog()
{
    if (!m_bModal && m_hWnd != nullptr && IsWindow(m_hWnd))
        DestroyWindow(m_hWnd);
}

INT_PTR CDialog::DoModal()
{
    m_bModal = true;
    HWND hParent = m_pParent != nullptr ? m_pParent->GetSafeHwnd() : nullptr;
    INT_PTR nResult = DialogBoxParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(m_nTemplateId), hParent,
                                      DialogProc, reinterpret_cast<LPARAM>(this));
    m_hWnd = nullptr;
    return nResult;
}

BOOL CDialog::Create()
{
    m_bModal = false;
    HWND hParent = m_pParent != nullptr ? m_pParent->GetSafeHwnd() : nullptr;
    HWND hWnd = CreateDialogParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(m_nTemplateId), hParent, DialogProc,
                                   reinterpret_cast<LPARAM>(this));
    return hWnd != nullptr;
}

void CDialog::EndDialog(INT_PTR nResult)
{
    if (m_bModal)
        ::EndDialog(m_hWnd, nResult);
    else
        DestroyWindow(m_hWnd);
}

BOOL CDialog::OnInitDialog()
{
    DoDataExchange();
    return TRUE;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    // Nothing may unwind through the system's frames above this one: a
    // handler that throws leaves its message unhandled and the window as it
    // was, and the next message is dispatched as usual.
    try
    {
        return Route(hWnd, uMsg, wParam, lParam);
    }
    catch (...)
    {
        return FALSE;
    }
}

INT_PTR CDialog::Route(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_INITDIALOG)
    {
        auto* pDialog = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
        pDialog->m_hWnd = hWnd;
        return pDialog->OnInitDialog();
    }
    auto* pDialog = reinterpret_cast<CDialog*>(GetWindowLongPtrA(hWnd, DWLP_USER));
    if (pDialog == nullptr)
        return FALSE;
    if (uMsg == WM_NCDESTROY)
    {
        SetWindowLongPtrA(hWnd, DWLP_USER, 0);
        pDialog->m_hWnd = nullptr;
        return FALSE;
    }
    return pDialog->Dispatch(uMsg, wParam, lParam);
}

INT_PTR CDialog::Dispatch(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    INT_PTR nBaseResult = 0;
    if (PreDispatch(uMsg, wParam, lParam, &nBaseResult))
        return nBaseResult;
    const MessageMapEntry* pEntry = GetMessageMap();
    for (; pEntry != nullptr && pEntry->pfnThunk != nullptr; ++pEntry)
    {
        if (pEntry->nMessage != uMsg)
            continue;
        if (uMsg == WM_COMMAND)
        {
            if (pEntry->nId != LOWORD(wParam) || pEntry->nCode != HIWORD(wParam))
                continue;
            pEntry->pfnThunk(this, wParam, lParam);
            return TRUE;
        }
        if (uMsg == WM_NOTIFY)
        {
            const auto* pHeader = reinterpret_cast<const NMHDR*>(lParam);
            if (pEntry->nId != pHeader->idFrom || pEntry->nCode != pHeader->code)
                continue;
            // The result of a notification travels in DWLP_MSGRESULT.
            INT_PTR nResult = pEntry->pfnThunk(this, wParam, lParam);
            SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, nResult);
            return TRUE;
        }
        return pEntry->pfnThunk(this, wParam, lParam);
    }
    if (uMsg == WM_DRAWITEM)
    {
        // Owner-drawn buttons draw themselves.
        const auto* pItem = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (pItem->CtlType == ODT_BUTTON)
            return ::SendMessageA(pItem->hwndItem, kReflectedDrawItem, wParam, lParam);
    }
    if (uMsg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED)
    {
        if (LOWORD(wParam) == IDOK)
        {
            OnOK();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL)
        {
            OnCancel();
            return TRUE;
        }
    }
    return FALSE;
}
