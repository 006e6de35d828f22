// Quick configuration: one of the five profiles for every installed service
// of the knowledge base.
#pragma once

#include "knowledge/ConfigurationHost.h"
#include "ui/Controls.h"
#include "skin/SkinButton.h"
#include "skin/SkinDialog.h"


class CQuickConfigDlg : public CSkinDialog
{
public:
    explicit CQuickConfigDlg(IConfigurationHost* pHost);
    ~CQuickConfigDlg() override;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    const MessageMapEntry* GetMessageMap() const override;

    void OnCancelButton();

private:
    IConfigurationHost* m_pHost;
    CSkinButton m_btnCancel;
    CSkinButton m_btnApply;
    // Set while the backup or the application runs over this window.
    bool m_bApplying = false;
};
