#include "changes/ChangePlanner.h"

#include "changes/StartTypePreview.h"
#include "common/AsciiText.h"
#include "services/ServiceRegistry.h"
#include "startup/RunValues.h"

#include <unordered_map>

namespace
{
// The services (not the groups, which stop nothing) a running service
// depends on: the manager's store answers at once
// (and is right where the manager itself answers with none, as Wine's
// always does); the manager is asked only for a service whose key cannot
// be read.
std::vector<std::string> DependenciesOf(CServiceControl& service, const CServicesKey& key, const std::string& strName)
{
    bool bKeyRead = false;
    std::vector<std::string> dependencies = key.ReadDependencies(strName, &bKeyRead, false);
    if (!bKeyRead)
    {
        CServiceControl::COpenService open(service, strName, SERVICE_QUERY_CONFIG);
        if (open.Error() == 0)
            service.QueryDependencies(&dependencies);
    }
    return dependencies;
}

// The stored start type, or the manager's where the store has none.
bool CurrentStartType(CServiceControl& service, const CServicesKey& key, const std::string& strName,
                      DWORD* pdwCurrent)
{
    if (key.ReadStartType(strName, pdwCurrent))
        return true;
    CServiceControl::COpenService open(service, strName, SERVICE_QUERY_CONFIG);
    return open.Error() == 0 && service.QueryStartType(pdwCurrent) == 0;
}
} // namespace

PreviewContent PreviewStartTypePlan(CServiceControl& service, const StartTypePlan& plan, const std::string& strTitle)
{
    std::unordered_map<std::string, const EnumeratedService*> listed;
    for (const EnumeratedService& entry : plan.services)
        listed.emplace(AsciiLower(entry.strName), &entry);
    CServicesKey key;

    // Only running services can be stopped by a change, so only their
    // dependencies are read, and only when something would be disabled.
    CRunningDependents running;
    bool bDisables = false;
    for (const StartTypeTarget& target : plan.targets)
        bDisables = bDisables || target.dwStartType == SERVICE_DISABLED;
    if (bDisables)
    {
        for (const EnumeratedService& entry : plan.services)
        {
            if (entry.status.dwCurrentState != SERVICE_STOPPED)
                running.AddRunning(entry.strName, entry.strDisplayName, DependenciesOf(service, key, entry.strName));
        }
    }

    std::vector<PlannedService> services;
    for (const StartTypeTarget& target : plan.targets)
    {
        PlannedService planned;
        planned.strName = target.strName;
        planned.dwNew = target.dwStartType;
        auto found = listed.find(AsciiLower(target.strName));
        if (found != listed.end())
        {
            planned.strName = found->second->strName;
            planned.strDisplayName = found->second->strDisplayName;
        }
        DWORD dwCurrent = 0;
        planned.bCurrentKnown = CurrentStartType(service, key, planned.strName, &dwCurrent);
        planned.dwCurrent = dwCurrent;
        // Only a change that disables can stop what needs the service; one
        // already disabled stops nothing new.
        if (target.dwStartType == SERVICE_DISABLED && !(planned.bCurrentKnown && dwCurrent == SERVICE_DISABLED))
            planned.runningDependents = running.Of(planned.strName);
        services.push_back(std::move(planned));
    }
    return StartTypePreview::Build(strTitle, services, {plan.nNotInstalled, plan.drivers, plan.file});
}

UndoPlan::Facts ReadUndoFacts(CServiceControl& service, const ChangeJournal::Entry& entry)
{
    UndoPlan::Facts facts;
    CServicesKey key;
    for (const ChangeJournal::StartTypeRecord& record : entry.startTypes)
    {
        UndoPlan::CurrentStartType current;
        // As the manager reports it, the same way the application read it.
        CServiceControl::COpenService open(service, record.strName, SERVICE_QUERY_CONFIG);
        current.bInstalled = open.Error() != ERROR_SERVICE_DOES_NOT_EXIST;
        DWORD dwCurrent = 0;
        current.bKnown = open.Error() == 0 && service.QueryStartType(&dwCurrent) == 0;
        current.dwCurrent = dwCurrent;
        if (current.bKnown)
            service.QueryConfig(nullptr, nullptr, nullptr, &current.strDisplayName, nullptr);
        facts.startTypes.push_back(current);
    }
    for (const ChangeJournal::RunValueRecord& record : entry.runValues)
    {
        UndoPlan::CurrentRunValue current;
        DWORD dwType = 0;
        HKEY hRoot = RunValues::RootFromToken(record.strRoot);
        current.bPresent = hRoot != nullptr && RunValues::Read(hRoot, record.strKey, record.strName, &dwType,
                                                               &current.data) == ERROR_SUCCESS;
        current.dwType = dwType;
        facts.runValues.push_back(current);
    }
    for (const ChangeJournal::ServiceRecord& record : entry.services)
    {
        CServiceControl::COpenService open(service, record.strName, SERVICE_QUERY_STATUS);
        facts.services.push_back({open.Error() != ERROR_SERVICE_DOES_NOT_EXIST});
    }
    return facts;
}
