// What the details pane shows of one service, read through its computer's
// session.
#pragma once

#include "services/ServiceSession.h"

#include <functional>
#include <string>
#include <vector>

struct ServiceDetails
{
    DWORD dwAccepted = 0;
    std::string strDescription; // GBK, for display
    std::string strBinaryPath;  // GBK, for display; empty when it could not be read
    std::vector<std::wstring> dependencies; // names, and groups with their '+'
    std::vector<std::wstring> dependents;
};

// Opens the service once and reads its details. A service that no longer
// exists is answered with 1060 at once, with nothing further asked of it;
// every other failure goes to report and the rest is read as far as it goes.
DWORD ReadServiceDetails(IServiceSession& session, const std::wstring& wstrName, ServiceDetails* pDetails,
                         const std::function<void(DWORD dwError)>& report);

// The display name of a service (GBK, for display), or its own name when
// that cannot be read.
std::string DisplayNameOf(IServiceSession& session, const std::wstring& wstrName);
