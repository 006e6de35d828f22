#include "services/ProgressDlg.h"

#include "res/resource.h"

#include <utility>

CProgressDlg::CProgressDlg(CWnd* pOwner, Work work)
    : CSkinDialog(IDD_PROGRESS, pOwner, Title::None, nullptr, false), m_work(std::move(work))
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
    m_work(m_hWnd);
    CSkinDialog::OnOK();
}
