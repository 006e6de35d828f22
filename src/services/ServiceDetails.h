// What the details pane shows of one service, read through the one door to
// the manager.
#pragma once

#include "services/ServiceControl.h"
#include "services/ServiceEnumeration.h"

#include <functional>
#include <string>
#include <vector>

struct ServiceDetails
{
    DWORD dwAccepted = 0;
    std::string strDescription;
    std::string strBinaryPath; // empty when it could not be read
    std::vector<std::string> dependencies; // names, and groups with their '+'
    std::vector<std::string> dependents;
};

// Opens the service once and reads its details. A service that no longer
// exists is answered with 1060 at once, with nothing further asked of it;
// every other failure goes to report and the rest is read as far as it goes.
DWORD ReadServiceDetails(CServiceControl& service, const std::string& strName, ServiceDetails* pDetails,
                         const std::function<void(DWORD dwError)>& report,
                         const EnumDependentsFunction& enumerateDependents = EnumDependentServicesA);

// The display name of a service, or its own name when that cannot be read.
std::string DisplayNameOf(CServiceControl& service, const std::string& strName);
