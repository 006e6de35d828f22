#include "knowledge/WizardDlg.h"

#include "config/ServiceConfigFile.h"
#include "knowledge/ServiceAdvice.h"
#include "knowledge/ServiceKnowledgeBase.h"
#include "knowledge/WizardQuestion.h"
#include "knowledge/WizardSteps.h"
#include "res/resource.h"
#include "ui/WinApp.h"

namespace
{
constexpr int kGameProfile = 4;
} // namespace

CWizardDlg::CWizardDlg(IConfigurationHost* pHost)
    : CSkinDialog(IDD_WIZARD, pHost->HostWindow(), Title::Fixed, "优化向导", true), m_pHost(pHost), m_strTempPath(ServiceConfigFile::kTempConfigPath),
      m_nQuestion(ServiceKnowledgeBase::kFirstQuestionId)
{
    m_bReady = m_fileTemp.CreateFresh(m_strTempPath);
    for (int nId = ServiceKnowledgeBase::kFirstEntryId; nId <= ServiceKnowledgeBase::kLastEntryId && m_bReady; ++nId)
    {
        ServiceAdvice advice(ServiceKnowledgeBase::Entry(nId));
        m_bReady = WriteRecord(advice.ServiceName(), advice.StartTypeFor(kGameProfile));
    }
    if (!m_bReady)
        DiscardTempFile();

    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (GetVersionExA(&version))
        m_strOsMarker = WizardSteps::OsMarkerFor(version.dwMajorVersion, version.dwMinorVersion);
}

CWizardDlg::~CWizardDlg()
{
    DiscardTempFile();
}

bool CWizardDlg::WriteRecord(const std::string& strName, const std::string& strWord)
{
    std::string strRecord = ServiceConfigFile::FormatRecord(strName, strWord);
    if (!m_fileTemp.Write(strRecord))
        return false;
    m_strWritten += strRecord;
    return true;
}

void CWizardDlg::GiveUpAfterWriteFailure()
{
    DiscardTempFile();
    m_pReporter->Report(ReportKind::Warning, kTempFileFailed);
    EndDialog(IDCANCEL);
}

void CWizardDlg::DiscardTempFile()
{
    if (!m_fileTemp.IsOpen())
        return;
    m_fileTemp.Close();
    DeleteFileA(m_strTempPath.c_str());
}

const MessageMapEntry* CWizardDlg::GetMessageMap() const
{
    static const MessageMapEntry s_map[] = {
        QM_ON_COMMAND(IDC_BTN_NEXT, CWizardDlg, OnNext),
        QM_ON_COMMAND(IDC_BTN_PREV, CWizardDlg, OnPrev),
        QM_ON_COMMAND(IDC_BTN_EXIT, CWizardDlg, OnExit),
        QM_END_MESSAGE_MAP,
    };
    return s_map;
}

void CWizardDlg::DoDataExchange()
{
    DDX_Control(IDC_BTN_EXIT, m_btnExit);
    DDX_Control(IDC_BTN_NEXT, m_btnNext);
    DDX_Control(IDC_BTN_PREV, m_btnPrev);
}

BOOL CWizardDlg::OnInitDialog()
{
    CSkinDialog::OnInitDialog();
    for (CSkinButton* pButton : {&m_btnExit, &m_btnNext, &m_btnPrev})
        SetDialogButtonBitmaps(*pButton);
    CheckRadioButton(m_hWnd, IDC_CHOICE_1, IDC_CHOICE_3, IDC_CHOICE_1);
    ShowQuestion(m_nQuestion);
    return TRUE;
}

void CWizardDlg::ShowQuestion(int nQuestion)
{
    WizardQuestion question(ServiceKnowledgeBase::Entry(nQuestion));
    SetDlgItemText(IDC_QUESTION, question.Text());
    std::string strNames;
    for (const std::string& strName : question.Services())
    {
        // A service that is not installed is shown by its own name.
        if (!strNames.empty())
            strNames += ",";
        strNames += m_pHost->ServiceDisplayName(strName);
    }
    SetDlgItemText(IDC_QUESTION_SERVICES, strNames);
}

bool CWizardDlg::RecordAnswers(int nQuestion)
{
    WizardSteps::Answer answer = WizardSteps::kAnswerNo;
    if (IsDlgButtonChecked(m_hWnd, IDC_CHOICE_1) == BST_CHECKED)
        answer = WizardSteps::kAnswerYes;
    else if (IsDlgButtonChecked(m_hWnd, IDC_CHOICE_3) == BST_CHECKED)
        answer = WizardSteps::kAnswerLater;
    WizardQuestion question(ServiceKnowledgeBase::Entry(nQuestion));
    for (const std::string& strName : question.Services())
    {
        if (!WriteRecord(strName, WizardSteps::WordFor(answer)))
            return false;
    }
    return true;
}

void CWizardDlg::OnNext()
{
    // The windows of the ending are modal to this one; a click that reaches
    // it all the same is dropped.
    if (m_bFinishing)
        return;
    if (!RecordAnswers(m_nQuestion))
    {
        GiveUpAfterWriteFailure();
        return;
    }
    int nNext = WizardSteps::NextQuestion(m_nQuestion, m_strOsMarker);
    if (nNext != 0)
    {
        m_nQuestion = nNext;
        ShowQuestion(m_nQuestion);
        return;
    }
    Finish();
}

void CWizardDlg::OnPrev()
{
    if (m_bFinishing)
        return;
    if (m_nQuestion <= ServiceKnowledgeBase::kFirstQuestionId)
        return;
    m_nQuestion = WizardSteps::PreviousQuestion(m_nQuestion, m_strOsMarker);
    ShowQuestion(m_nQuestion);
}

void CWizardDlg::Finish()
{
    // The working file stays open, and so cannot be rewritten, until the
    // end; what is applied is the wizard's own record of what it wrote.
    m_bFinishing = true;
    // Cancelled at the preview, or a backup asked for failed: nothing
    // changed and the answers stay.
    if (!m_pHost->PreviewBackupApply(ServiceConfigRequest(m_strWritten), m_hWnd))
    {
        m_bFinishing = false;
        return;
    }
    DiscardTempFile();
    EndDialog(IDCANCEL);
}

void CWizardDlg::OnExit()
{
    if (m_bFinishing)
        return;
    DiscardTempFile();
    EndDialog(IDCANCEL);
}

void CWizardDlg::OnCancel()
{
    // Esc and the window's close end the wizard the way "退出" does.
    if (m_bFinishing)
        return;
    DiscardTempFile();
    CSkinDialog::OnCancel();
}
