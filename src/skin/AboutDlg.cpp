#include "skin/AboutDlg.h"

#include "res/resource.h"

CAboutDlg::CAboutDlg(CWnd* pParent) : CSkinDialog(IDD_ABOUT, pParent, Title::Fixed, "关于", false)
{
}

CAboutDlg::~CAboutDlg() = default;

void CAboutDlg::DoDataExchange()
{
    DDX_Control(IDOK, m_btnClose);
}

BOOL CAboutDlg::OnInitDialog()
{
    CSkinDialog::OnInitDialog();
    SetDialogButtonBitmaps(m_btnClose);
    return TRUE;
}
