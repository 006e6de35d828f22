// What quick configuration and the wizard need of the window that opens
// them, and no more: the preview, backup and application of what they
// ask for, and a service's display name.
#pragma once

#include "changes/StartTypeRequest.h"

#include <windows.h>

#include <string>

class CWnd;

class IConfigurationHost
{
public:
    virtual ~IConfigurationHost() = default;

    // The window the dialogs belong to.
    virtual CWnd* HostWindow() = 0;
    // Shows what the request would change, offers a backup and applies
    // exactly what was shown behind the please-wait window; each window
    // modal to hOwner. False when nothing was applied (the preview was
    // cancelled, or a backup that was asked for failed).
    virtual bool PreviewBackupApply(const StartTypeRequest& request, HWND hOwner) = 0;
    // The name a service is shown by; its own name when that cannot be read.
    virtual std::string ServiceDisplayName(const std::string& strName) = 0;
};
