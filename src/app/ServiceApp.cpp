#include "app/ServiceApp.h"

#include "app/MainDlg.h"

#include <commctrl.h>

BOOL CServiceApp::InitInstance()
{
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    CMainDlg dialog(nullptr);
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    // No message loop of the application's own: the process ends here.
    return FALSE;
}
