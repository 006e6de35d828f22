// What quick configuration and the wizard need of the window that opens
// them, and no more: a preview, a backup, an application, a service's
// display name.
#pragma once

#include "config/ServiceConfigStore.h"
#include "services/ApplyRequest.h"

#include <windows.h>

#include <string>

class CWnd;

class IConfigurationHost
{
public:
    virtual ~IConfigurationHost() = default;

    // The window the dialogs belong to.
    virtual CWnd* HostWindow() = 0;
    // Asks for a file and writes the backup there; every window it opens
    // is modal to hOwner.
    virtual ExportOutcome ExportBackup(HWND hOwner) = 0;
    // Shows what the request would change, modal to hOwner; true when the
    // user chose to apply it. A file request carries its text on from here.
    virtual bool Preview(ApplyRequest* pRequest, HWND hOwner) = 0;
    // Runs the request behind the please-wait window, modal to hOwner.
    virtual void Apply(const ApplyRequest& request, HWND hOwner) = 0;
    // The name a service is shown by; its own name when that cannot be read.
    virtual std::string ServiceDisplayName(const std::string& strName) = 0;
};
