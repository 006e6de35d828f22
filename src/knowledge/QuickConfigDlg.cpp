#include "knowledge/QuickConfigDlg.h"

#include "knowledge/ProfileRequest.h"
#include "res/resource.h"
#include "ui/WinApp.h"

namespace
{
const char* const kChooseProfile = "请选择配置!";
} // namespace

CQuickConfigDlg::CQuickConfigDlg(IConfigurationHost* pHost)
    : CSkinDialog(IDD_QUICK_CONFIG, pHost->HostWindow(), Title::Fixed, "快速配置", true), m_pHost(pHost)
{
}

CQuickConfigDlg::~CQuickConfigDlg() = default;

const MessageMapEntry* CQuickConfigDlg::GetMessageMap() const
{
    static const MessageMapEntry s_map[] = {
        QM_ON_COMMAND(IDC_BTN_CANCEL, CQuickConfigDlg, OnCancelButton),
        QM_END_MESSAGE_MAP,
    };
    return s_map;
}

void CQuickConfigDlg::DoDataExchange()
{
    DDX_Control(IDC_BTN_CANCEL, m_btnCancel);
    DDX_Control(IDOK, m_btnApply);
}

BOOL CQuickConfigDlg::OnInitDialog()
{
    CSkinDialog::OnInitDialog();
    SetDialogButtonBitmaps(m_btnCancel);
    SetDialogButtonBitmaps(m_btnApply);
    return TRUE;
}

void CQuickConfigDlg::OnOK()
{
    // The windows opened from here are modal to it; a click that reaches it
    // all the same must not start a second application.
    if (m_bApplying)
        return;
    int nProfile = 0;
    for (int nId = IDC_CHOICE_1; nId <= IDC_CHOICE_5 && nProfile == 0; ++nId)
    {
        if (IsDlgButtonChecked(m_hWnd, nId) == BST_CHECKED)
            nProfile = nId - IDC_CHOICE_1 + 1;
    }
    if (nProfile == 0)
    {
        m_pReporter->Report(ReportKind::Warning, kChooseProfile);
        return;
    }
    // The user sees what the profile would change first; cancelled, the
    // window stays open for another choice.
    m_bApplying = true;
    bool bApplied = m_pHost->PreviewBackupApply(ProfileRequest(nProfile), m_hWnd);
    m_bApplying = false;
    if (bApplied)
        CSkinDialog::OnOK();
}

void CQuickConfigDlg::OnCancelButton()
{
    if (m_bApplying)
        return;
    EndDialog(IDCANCEL);
}
