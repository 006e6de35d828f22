#include "services/ProgressDlg.h"

#include "app/MainDlg.h"
#include "res/resource.h"

CProgressDlg::CProgressDlg(CMainDlg* pMainDlg)
    : CSkinDialog(IDD_PROGRESS, pMainDlg, Title::None, nullptr, false), m_pMainDlg(pMainDlg)
{
}

CProgressDlg::~CProgressDlg() = default;

const MessageMapEntry* CProgressDlg::GetMessageMap() const
{
    static const MessageMapEntry s_map[] = {
        QM_ON_MESSAGE(WM_TIMER, CProgressDlg, OnTimer),
        QM_END_MESSAGE_MAP,
    };
    return s_map;
}

BOOL CProgressDlg::OnInitDialog()
{
    CSkinDialog::OnInitDialog();
    SetTimer(kWorkTimer, kWorkDelayMs);
    return TRUE;
}

INT_PTR CProgressDlg::OnTimer(WPARAM, LPARAM)
{
    OnOK();
    return FALSE;
}

void CProgressDlg::OnOK()
{
    // Enter and the tick both lead here; the work runs once per request.
    if (m_bWorkDone)
        return;
    m_bWorkDone = true;
    KillTimer(kWorkTimer);
    m_pMainDlg->ApplyStartTypes();
    CSkinDialog::OnOK();
}
