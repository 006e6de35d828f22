// A window handle that is not owned: the window belongs to the system or to
// its dialog. Thin forwards only.
#pragma once

#include <windows.h>

#include <string>

class CWnd
{
public:
    CWnd() = default;
    explicit CWnd(HWND hWnd) : m_hWnd(hWnd) {}

    HWND GetSafeHwnd() const { return m_hWnd; }
    void Attach(HWND hWnd) { m_hWnd = hWnd; }

    LRESULT SendMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageA(m_hWnd, uMsg, wParam, lParam);
    }
    BOOL PostMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::PostMessageA(m_hWnd, uMsg, wParam, lParam);
    }
    HWND GetDlgItem(int nId) const { return ::GetDlgItem(m_hWnd, nId); }
    BOOL SetDlgItemText(int nId, const std::string& strText) const
    {
        return ::SetDlgItemTextA(m_hWnd, nId, strText.c_str());
    }
    BOOL SetWindowText(const std::string& strText) const { return ::SetWindowTextA(m_hWnd, strText.c_str()); }
    std::string GetWindowText() const;
    BOOL MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE) const
    {
        return ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
    }
    BOOL ShowWindow(int nCmdShow) const { return ::ShowWindow(m_hWnd, nCmdShow); }
    BOOL EnableWindow(BOOL bEnable) const { return ::EnableWindow(m_hWnd, bEnable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    UINT_PTR SetTimer(UINT_PTR nId, UINT nElapse) const { return ::SetTimer(m_hWnd, nId, nElapse, nullptr); }
    BOOL KillTimer(UINT_PTR nId) const { return ::KillTimer(m_hWnd, nId); }
    LONG_PTR GetStyle() const { return GetWindowLongPtrA(m_hWnd, GWL_STYLE); }
    // Changes the style bits and lets the frame be recomputed.
    void ModifyStyle(LONG_PTR nRemove, LONG_PTR nAdd, UINT nFlags = 0) const;

protected:
    HWND m_hWnd = nullptr;
};
