#include "changes/ChangePlanner.h"

#include "changes/StartTypePreview.h"
#include "common/AsciiText.h"
#include "services/ServiceRegistry.h"
#include "startup/RunValues.h"

#include <unordered_map>

namespace
{
// The running services that need one service, by display name: the
// manager's own answer, or where it has none (Wine always answers none)
// what the store's DependOnService values of the running services say.
class CRunningDependentsOf
{
public:
    CRunningDependentsOf(CServiceControl& service, const CServicesKey& key,
                         const std::vector<EnumeratedService>& services)
        : m_service(service), m_key(key), m_services(services)
    {
        for (const EnumeratedService& entry : services)
            m_listed.emplace(AsciiLower(entry.strName), &entry);
    }

    std::vector<std::string> Of(const std::string& strName)
    {
        std::vector<std::string> names;
        {
            CServiceControl::COpenService open(m_service, strName, SERVICE_ENUMERATE_DEPENDENTS);
            if (open.Error() == 0)
                EnumerateDependentServices(m_service.ServiceHandle(), &names);
        }
        std::vector<std::string> running;
        for (const std::string& strDependent : names)
        {
            auto found = m_listed.find(AsciiLower(strDependent));
            if (found != m_listed.end() && found->second->status.dwCurrentState != SERVICE_STOPPED)
                running.push_back(found->second->strDisplayName.empty() ? found->second->strName
                                                                        : found->second->strDisplayName);
        }
        if (!running.empty())
            return running;
        return FromStore().Of(strName);
    }

private:
    // Read once, on the first service the manager had nothing for.
    const CRunningDependents& FromStore()
    {
        if (!m_bStoreRead)
        {
            m_bStoreRead = true;
            for (const EnumeratedService& entry : m_services)
            {
                if (entry.status.dwCurrentState != SERVICE_STOPPED)
                    m_fromStore.AddRunning(entry.strName, entry.strDisplayName,
                                           m_key.ReadDependencies(entry.strName));
            }
        }
        return m_fromStore;
    }

    CServiceControl& m_service;
    const CServicesKey& m_key;
    const std::vector<EnumeratedService>& m_services;
    std::unordered_map<std::string, const EnumeratedService*> m_listed;
    bool m_bStoreRead = false;
    CRunningDependents m_fromStore;
};

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

    CRunningDependentsOf running(service, key, plan.services);

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
    return StartTypePreview::Build(strTitle, services, plan.nNotInstalled);
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
