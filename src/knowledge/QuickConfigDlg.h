// Quick configuration: one of the five profiles for every installed service
// of the knowledge base.
#pragma once

#include "ui/Controls.h"
#include "skin/SkinButton.h"
#include "skin/SkinDialog.h"

class CMainDlg;

class CQuickConfigDlg : public CSkinDialog
{
public:
    explicit CQuickConfigDlg(CMainDlg* pMainDlg);
    ~CQuickConfigDlg() override;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    const MessageMapEntry* GetMessageMap() const override;

    void OnCancelButton();

private:
    CMainDlg* m_pMainDlg;
    CSkinButton m_btnCancel;
    CSkinButton m_btnApply;
    // Set while the backup or the application runs over this window.
    bool m_bApplying = false;
};
