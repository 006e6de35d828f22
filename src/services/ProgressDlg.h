// The please-wait window: shown while start types are applied, it runs the
// work once, on its first timer tick, so that its text is painted first.
#pragma once

#include "ui/Controls.h"
#include "skin/SkinDialog.h"

class CMainDlg;

class CProgressDlg : public CSkinDialog
{
public:
    static constexpr UINT_PTR kWorkTimer = 1;
    static constexpr UINT kWorkDelayMs = 200;

    // The main window does the work and owns this window.
    explicit CProgressDlg(CMainDlg* pMainDlg);
    ~CProgressDlg() override;

protected:
    const MessageMapEntry* GetMessageMap() const override;
    void DoDataExchange() override {}
    BOOL OnInitDialog() override;
    void OnOK() override;

    INT_PTR OnTimer(WPARAM wParam, LPARAM lParam);

private:
    CMainDlg* m_pMainDlg;
    bool m_bWorkDone = false;
};
