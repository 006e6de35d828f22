#include "knowledge/QuickConfigDlg.h"

#include "res/resource.h"
#include "ui/WinApp.h"

namespace
{
const char* const kChooseProfile = "请选择配置!";
const char* const kBackupAdvice = "建议您在使用此配置前，备份您的当前服务配置！";
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
    m_bApplying = true;
    ApplyRequest request;
    request.mode = kApplyProfile;
    request.nValue = nProfile;
    // The user sees what the profile would change first; cancelled, the
    // window stays open for another choice.
    if (!m_pHost->Preview(&request, m_hWnd))
    {
        m_bApplying = false;
        return;
    }
    // A backup that was asked for and failed stops the change; one the user
    // declined or cancelled does not.
    if (m_pReporter->Report(ReportKind::Question, kBackupAdvice) == ReportAnswer::Yes &&
        m_pHost->ExportBackup(m_hWnd) == ExportOutcome::Failed)
    {
        m_bApplying = false;
        return;
    }
    m_pHost->Apply(request, m_hWnd);
    m_bApplying = false;
    CSkinDialog::OnOK();
}

void CQuickConfigDlg::OnCancelButton()
{
    if (m_bApplying)
        return;
    EndDialog(IDCANCEL);
}
