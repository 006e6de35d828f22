// The please-wait window: shown while start types are applied, it runs the
// work once, on its first timer tick, so that its text is painted first.
#pragma once

#include "ui/Controls.h"
#include "skin/SkinDialog.h"

#include <functional>

class CProgressDlg : public CSkinDialog
{
public:
    static constexpr UINT_PTR kWorkTimer = 1;
    static constexpr UINT kWorkDelayMs = 200;

    // The work gets this window's handle, the owner of anything it shows.
    using Work = std::function<void(HWND hProgress)>;

    // Modal to pOwner, the window the user asked from.
    CProgressDlg(CWnd* pOwner, Work work);
    ~CProgressDlg() override;

protected:
    const MessageMapEntry* GetMessageMap() const override;
    void DoDataExchange() override {}
    BOOL OnInitDialog() override;
    void OnOK() override;

    INT_PTR OnTimer(WPARAM wParam, LPARAM lParam);

private:
    Work m_work;
    bool m_bWorkDone = false;
};
