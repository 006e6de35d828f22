#include "support/DialogDriver.h"

CDialogDriver* CDialogDriver::s_pActive = nullptr;

CDialogDriver::CDialogDriver()
{
    s_pActive = this;
    m_hHook = SetWindowsHookExA(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
}

CDialogDriver::~CDialogDriver()
{
    if (m_hHook != nullptr)
        UnhookWindowsHookEx(m_hHook);
    s_pActive = nullptr;
}

void CDialogDriver::Click(HWND hDialog, int nId)
{
    PostMessageA(hDialog, WM_COMMAND, MAKEWPARAM(nId, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hDialog, nId)));
}

LRESULT CALLBACK CDialogDriver::CbtProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode == HCBT_ACTIVATE && s_pActive != nullptr)
    {
        HWND hWnd = reinterpret_cast<HWND>(wParam);
        auto& steps = s_pActive->m_steps;
        for (auto it = steps.begin(); it != steps.end(); ++it)
        {
            if (!it->match(hWnd))
                continue;
            // Activation comes before the dialog takes input, so actions post
            // what they do and the dialog's own loop handles it.
            Action action = std::move(it->action);
            steps.erase(it);
            action(hWnd);
            break;
        }
    }
    return CallNextHookEx(nullptr, nCode, wParam, lParam);
}
