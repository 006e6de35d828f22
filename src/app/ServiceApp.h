// The application object: runs the main window modally and ends.
#pragma once

#include "ui/WinApp.h"

class CServiceApp : public CWinApp
{
public:
    BOOL InitInstance() override;
};
