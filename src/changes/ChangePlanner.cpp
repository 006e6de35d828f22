#include "changes/ChangePlanner.h"

#include "changes/StartTypePreview.h"
#include "common/GbkText.h"
#include "common/WideText.h"
#include "services/ServicePoller.h"
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
std::vector<std::wstring> DependenciesOf(IServiceSession& session, const CServicesKey& key,
                                         const std::wstring& wstrName)
{
    bool bKeyRead = false;
    std::vector<std::wstring> dependencies = key.ReadDependencies(wstrName, &bKeyRead, false);
    if (!bKeyRead)
    {
        CService service;
        ServiceConfig config;
        if (session.Open(wstrName, SERVICE_QUERY_CONFIG, &service) == 0 && service.QueryConfig(&config) == 0)
            dependencies = config.dependencies;
    }
    return dependencies;
}

// The stored start type, or the manager's where the store has none.
bool CurrentStartType(IServiceSession& session, const CServicesKey& key, const std::wstring& wstrName,
                      DWORD* pdwCurrent)
{
    if (key.ReadStartType(wstrName, pdwCurrent))
        return true;
    CService service;
    return session.Open(wstrName, SERVICE_QUERY_CONFIG, &service) == 0 && service.QueryStartType(pdwCurrent) == 0;
}

// What shows a listed service: its display name, or its name.
std::string ShownName(const EnumeratedService& service)
{
    return GbkText::FromWide(service.wstrDisplayName.empty() ? service.wstrName : service.wstrDisplayName);
}
} // namespace

PreviewContent PreviewStartTypePlan(IServiceSession& session, const StartTypePlan& plan, const std::string& strTitle)
{
    std::unordered_map<std::wstring, const EnumeratedService*> listed;
    for (const EnumeratedService& entry : plan.services)
        listed.emplace(WideAsciiLower(entry.wstrName), &entry);
    CServicesKey key(session.RegistryRoot());

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
                running.AddRunning(entry.wstrName, ShownName(entry), DependenciesOf(session, key, entry.wstrName));
        }
    }

    std::vector<PlannedService> services;
    for (const StartTypeTarget& target : plan.targets)
    {
        PlannedService planned;
        planned.strName = GbkText::FromWide(target.wstrName);
        planned.dwNew = target.dwStartType;
        auto found = listed.find(WideAsciiLower(target.wstrName));
        if (found != listed.end())
            planned.strDisplayName = GbkText::FromWide(found->second->wstrDisplayName);
        DWORD dwCurrent = 0;
        planned.bCurrentKnown = CurrentStartType(session, key, target.wstrName, &dwCurrent);
        planned.dwCurrent = dwCurrent;
        // Only a change that disables can stop what needs the service; one
        // already disabled stops nothing new.
        if (target.dwStartType == SERVICE_DISABLED && !(planned.bCurrentKnown && dwCurrent == SERVICE_DISABLED))
            planned.runningDependents = running.Of(target.wstrName);
        services.push_back(std::move(planned));
    }
    return StartTypePreview::Build(strTitle, services, {plan.nNotInstalled, plan.drivers, plan.file});
}

DWORD ReadUndoFacts(IServiceSession& session, const ChangeJournal::Entry& entry, UndoPlan::Facts* pFacts,
                    CServicePoller* pPoller)
{
    *pFacts = UndoPlan::Facts();
    // One look at the manager answers for every service the entry names:
    // an entry may name thousands, most of them long gone.
    std::vector<EnumeratedService> services;
    if (!entry.startTypes.empty() || !entry.services.empty())
    {
        if (DWORD dwError = session.Enumerate(SERVICE_WIN32, &services))
            return dwError;
    }
    std::unordered_map<std::wstring, const EnumeratedService*> listed;
    for (const EnumeratedService& listedService : services)
        listed.emplace(WideAsciiLower(listedService.wstrName), &listedService);
    auto find = [&listed](const std::wstring& wstrName) -> const EnumeratedService* {
        auto found = listed.find(WideAsciiLower(wstrName));
        return found != listed.end() ? found->second : nullptr;
    };

    CServicesKey key(session.RegistryRoot());
    // The poller keeps what it read unless the store has changed since.
    if (pPoller != nullptr)
    {
        pPoller->UseRoot(session.RegistryRoot());
        pPoller->CheckStartTypes();
    }
    for (const ChangeJournal::StartTypeRecord& record : entry.startTypes)
    {
        UndoPlan::CurrentStartType current;
        if (const EnumeratedService* pListed = find(record.wstrName))
        {
            current.bInstalled = true;
            current.strDisplayName = GbkText::FromWide(pListed->wstrDisplayName);
            DWORD dwCurrent = 0;
            current.bKnown = (pPoller != nullptr && pPoller->StartTypeOf(pListed->wstrName, &dwCurrent)) ||
                             CurrentStartType(session, key, pListed->wstrName, &dwCurrent);
            current.dwCurrent = dwCurrent;
        }
        pFacts->startTypes.push_back(current);
    }
    for (const ChangeJournal::RunValueRecord& record : entry.runValues)
    {
        UndoPlan::CurrentRunValue current;
        DWORD dwType = 0;
        RunValues::Place place;
        bool bPlaced = RunValues::PlaceFromToken(record.strRoot, session.RegistryRoot(), &place);
        current.bPresent = bPlaced && RunValues::Read(place, record.strKey, record.wstrName, &dwType,
                                                      &current.data) == ERROR_SUCCESS;
        current.dwType = dwType;
        pFacts->runValues.push_back(current);
    }
    for (const ChangeJournal::ServiceRecord& record : entry.services)
    {
        bool bPresent = find(record.wstrName) != nullptr;
        // The list holds Win32 services only; a driver is asked for by name.
        if (!bPresent && (record.dwServiceType & SERVICE_WIN32) == 0)
        {
            CService service;
            bPresent = session.Open(record.wstrName, SERVICE_QUERY_STATUS, &service) != ERROR_SERVICE_DOES_NOT_EXIST;
        }
        pFacts->services.push_back({bPresent});
    }
    return 0;
}

bool SpellInGbk(std::uint32_t nCodePoint, std::string* pstrGbk)
{
    std::wstring wstrUnits(1, static_cast<wchar_t>(nCodePoint));
    if (nCodePoint >= 0x10000)
    {
        wstrUnits = {static_cast<wchar_t>(0xD800 + ((nCodePoint - 0x10000) >> 10)),
                     static_cast<wchar_t>(0xDC00 + ((nCodePoint - 0x10000) & 0x3FF))};
    }
    // Only the code page's own spelling: a look-alike (an accented letter
    // as its bare one) or a "?" would show another command than the one
    // that runs.
    return GbkText::FromWideExactly(wstrUnits, pstrGbk);
}
