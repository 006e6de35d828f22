// Quick configuration: one of the five profiles for every installed service
// of the knowledge base.
#pragma once

#include "ui/Controls.h"
#include "ui/Dialog.h"

class CMainDlg;

class CQuickConfigDlg : public CDialog
{
public:
    explicit CQuickConfigDlg(CMainDlg* pMainDlg);
    ~CQuickConfigDlg() override;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    const MessageMapEntry* GetMessageMap() const override;

    INT_PTR OnCancelButton(WPARAM wParam, LPARAM lParam);

private:
    CMainDlg* m_pMainDlg;
    CButton m_btnCancel;
    CButton m_btnApply;
    CBitmap m_bmpFrame;
    HICON m_hIcon = nullptr;
};
