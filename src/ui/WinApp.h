// The application object: one per program, reached through AfxGetApp.
#pragma once

#include "ui/Wnd.h"

class CWinApp
{
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Returns whether to run a message loop afterwards; the program's
    // windows are all modal, so it returns FALSE and the process ends.
    virtual BOOL InitInstance() { return FALSE; }

    HINSTANCE m_hInstance = nullptr;
    CWnd* m_pMainWnd = nullptr;
};

CWinApp* AfxGetApp();
// The module whose resources the windows load: the program's own, also
// when the application object is a test's.
HINSTANCE AfxGetInstanceHandle();
