#include "ui/Wnd.h"

std::string CWnd::GetWindowText() const
{
    int nLength = ::GetWindowTextLengthA(m_hWnd);
    std::string strText(nLength + 1, '\0');
    int nCopied = ::GetWindowTextA(m_hWnd, &strText[0], nLength + 1);
    strText.resize(nCopied);
    return strText;
}

void CWnd::ModifyStyle(LONG_PTR nRemove, LONG_PTR nAdd, UINT nFlags) const
{
    LONG_PTR nStyle = GetStyle();
    SetWindowLongPtrA(m_hWnd, GWL_STYLE, (nStyle & ~nRemove) | nAdd);
    if (nFlags != 0)
        SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
}
