// The optimisation wizard: starts from the game profile, asks the questions
// that apply to the running system and applies the result.
#pragma once

#include "common/FileHandle.h"
#include "common/Reporter.h"
#include "knowledge/ConfigurationHost.h"
#include "ui/Controls.h"
#include "skin/SkinButton.h"
#include "skin/SkinDialog.h"
#include "ui/WindowReporter.h"

#include <string>


class CWizardDlg : public CSkinDialog
{
public:
    static constexpr const char* kTempFileFailed = "无法创建临时配置文件c:\\temp.svc,优化向导不能运行!";

    // Writes the starting configuration into the working file at once.
    explicit CWizardDlg(IConfigurationHost* pHost);
    ~CWizardDlg() override;

    // In place of the boxes this window raises by default.
    void SetReporter(IReporter& reporter) { m_pReporter = &reporter; }

    // False when the working file could not be written: do not run it.
    bool IsReady() const { return m_bReady; }
    int CurrentQuestion() const { return m_nQuestion; }
    const std::string& OsMarker() const { return m_strOsMarker; }

    void ShowQuestion(int nQuestion);
    // False when the working file could not take them.
    bool RecordAnswers(int nQuestion);

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    void OnCancel() override;
    const MessageMapEntry* GetMessageMap() const override;

    void OnNext();
    void OnPrev();
    void OnExit();

private:
    void Finish();
    void DiscardTempFile();
    bool WriteRecord(const std::string& strName, const std::string& strWord);
    // Ends the wizard, changing nothing, after a write that failed.
    void GiveUpAfterWriteFailure();

    IConfigurationHost* m_pHost;
    CWindowReporter m_ownReporter{[this] { return m_hWnd; }};
    IReporter* m_pReporter = &m_ownReporter;
    CSkinButton m_btnExit;
    CSkinButton m_btnNext;
    CSkinButton m_btnPrev;
    CFileHandle m_fileTemp;
    std::string m_strOsMarker;
    std::string m_strTempPath;
    // Every byte written to the working file; this, not what the path holds
    // later, is what gets applied.
    std::string m_strWritten;
    bool m_bFinishing = false;
    int m_nQuestion;
    bool m_bReady = false;
};
