#include "support/MessageBoxWatcher.h"

CMessageBoxWatcher* CMessageBoxWatcher::s_pActive = nullptr;

namespace
{
constexpr int kMessageTextId = 0xFFFF;

std::string WindowTextOf(HWND hWnd)
{
    int nLength = GetWindowTextLengthA(hWnd);
    std::string text(nLength + 1, '\0');
    GetWindowTextA(hWnd, &text[0], nLength + 1);
    text.resize(lstrlenA(text.c_str()));
    return text;
}
} // namespace

CMessageBoxWatcher::CMessageBoxWatcher(int nAnswer) : m_nAnswer(nAnswer)
{
    s_pActive = this;
    m_hHook = SetWindowsHookExA(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
}

CMessageBoxWatcher::~CMessageBoxWatcher()
{
    if (m_hHook != nullptr)
        UnhookWindowsHookEx(m_hHook);
    s_pActive = nullptr;
}

std::vector<std::string> CMessageBoxWatcher::Texts() const
{
    std::vector<std::string> texts;
    for (const Box& box : m_boxes)
        texts.push_back(box.strText);
    return texts;
}

LRESULT CALLBACK CMessageBoxWatcher::CbtProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode == HCBT_ACTIVATE && s_pActive != nullptr)
    {
        HWND hWnd = reinterpret_cast<HWND>(wParam);
        char szClass[16] = {};
        GetClassNameA(hWnd, szClass, sizeof(szClass));
        HWND hText = GetDlgItem(hWnd, kMessageTextId);
        // Each box activates more than once; answer it only the first time.
        if (lstrcmpA(szClass, "#32770") == 0 && hText != nullptr && GetPropA(hWnd, "QmAnswered") == nullptr)
        {
            SetPropA(hWnd, "QmAnswered", reinterpret_cast<HANDLE>(1));
            std::string strText = WindowTextOf(hText);
            s_pActive->m_boxes.push_back({WindowTextOf(hWnd), strText, GetWindow(hWnd, GW_OWNER)});
            if (s_pActive->m_action)
                s_pActive->m_action(hWnd, strText);
            PostMessageA(hWnd, WM_COMMAND, s_pActive->m_nAnswer, 0);
        }
    }
    return CallNextHookEx(nullptr, nCode, wParam, lParam);
}
