// Runs start-type requests against the service manager: one service, a
// profile of the knowledge base, or a configuration file's records.
#pragma once

#include "services/ApplyRequest.h"
#include "services/ServiceControl.h"
#include "services/ServiceEnumeration.h"

#include <functional>
#include <string>
#include <vector>

class CStartTypeApplier
{
public:
    // Told of each failure that is not silent, with the service's name.
    using FailureReport = std::function<void(const std::string& strName, DWORD dwError)>;

    CStartTypeApplier(CServiceControl& service, FailureReport reportFailure,
                      EnumServicesFunction enumerate = EnumServicesStatusA);

    // One service to a start type code; 0 or the error, already reported.
    DWORD ApplyToService(const std::string& strName, DWORD dwStartType);
    // The profile's start type for every installed service of the
    // knowledge base; one not installed is skipped without a word.
    void ApplyProfile(int nProfile);

    enum class FileOutcome
    {
        Applied,
        Unreadable, // not a file that can be read, or far too large
        NotListed,  // the manager's list could not be had (reported)
    };
    // The request's file or text: later records override earlier ones,
    // only Win32 services the manager lists now are changed (as export
    // writes them), and failures of single records are silent.
    FileOutcome ApplyFile(const ApplyRequest& request);

private:
    CServiceControl& m_service;
    FailureReport m_reportFailure;
    EnumServicesFunction m_enumerate;
};
