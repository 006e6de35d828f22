// Acts on the dialogs the current thread opens: when a dialog holding a
// given control is activated, its action runs once with the dialog's
// handle. Actions post their clicks, so the dialog's own loop handles them.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

class CDialogDriver
{
public:
    using Action = std::function<void(HWND hDialog)>;
    using Match = std::function<bool(HWND hDialog)>;

    CDialogDriver();
    ~CDialogDriver();
    CDialogDriver(const CDialogDriver&) = delete;
    CDialogDriver& operator=(const CDialogDriver&) = delete;

    // Runs the action the next time a dialog with that control appears.
    void When(int nControlId, Action action)
    {
        m_steps.push_back({[nControlId](HWND hWnd) { return GetDlgItem(hWnd, nControlId) != nullptr; },
                           std::move(action)});
    }
    // The same for the first window the match accepts.
    void WhenWindow(Match match, Action action) { m_steps.push_back({std::move(match), std::move(action)}); }
    bool AllDone() const { return m_steps.empty(); }

    // Helpers for actions.
    static void Click(HWND hDialog, int nId);

private:
    struct Step
    {
        Match match;
        Action action;
    };
    static LRESULT CALLBACK CbtProc(int nCode, WPARAM wParam, LPARAM lParam);
    static CDialogDriver* s_pActive;

    HHOOK m_hHook = nullptr;
    std::vector<Step> m_steps;
};
