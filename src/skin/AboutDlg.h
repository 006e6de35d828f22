// The About window: icon, name, edition and credits.
#pragma once

#include "skin/SkinButton.h"
#include "skin/SkinDialog.h"

class CAboutDlg : public CSkinDialog
{
public:
    explicit CAboutDlg(CWnd* pParent = nullptr);
    ~CAboutDlg() override;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;

private:
    CSkinButton m_btnClose;
};
