// Quick configuration: one of the five profiles for every installed service
// of the knowledge base.
#pragma once

#include "common/Reporter.h"
#include "knowledge/ConfigurationHost.h"
#include "ui/Controls.h"
#include "skin/SkinButton.h"
#include "skin/SkinDialog.h"
#include "ui/WindowReporter.h"


class CQuickConfigDlg : public CSkinDialog
{
public:
    explicit CQuickConfigDlg(IConfigurationHost* pHost);
    ~CQuickConfigDlg() override;

    // In place of the boxes this window raises by default.
    void SetReporter(IReporter& reporter) { m_pReporter = &reporter; }

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    const MessageMapEntry* GetMessageMap() const override;

    void OnCancelButton();

private:
    IConfigurationHost* m_pHost;
    CWindowReporter m_ownReporter{[this] { return m_hWnd; }};
    IReporter* m_pReporter = &m_ownReporter;
    CSkinButton m_btnCancel;
    CSkinButton m_btnApply;
    // Set while the backup or the application runs over this window.
    bool m_bApplying = false;
};
