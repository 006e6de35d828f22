#include "changes/ChangePlanner.h"

#include "changes/StartTypePreview.h"
#include "common/AsciiText.h"
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
    std::unordered_map<std::string, const EnumeratedServiceA*> listed;
    for (const EnumeratedServiceA& entry : plan.services)
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
        for (const EnumeratedServiceA& entry : plan.services)
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

DWORD ReadUndoFacts(CServiceControl& service, const ChangeJournal::Entry& entry, UndoPlan::Facts* pFacts,
                    const EnumServicesFunction& enumerate, CServicePoller* pPoller)
{
    *pFacts = UndoPlan::Facts();
    // One look at the manager answers for every service the entry names:
    // an entry may name thousands, most of them long gone.
    std::vector<EnumeratedServiceA> services;
    if (!entry.startTypes.empty() || !entry.services.empty())
    {
        if (DWORD dwError = EnumerateWin32Services(service.ManagerHandle(), &services, enumerate))
            return dwError;
    }
    std::unordered_map<std::string, const EnumeratedServiceA*> listed;
    for (const EnumeratedServiceA& listedService : services)
        listed.emplace(AsciiLower(listedService.strName), &listedService);
    auto find = [&listed](const std::string& strName) -> const EnumeratedServiceA* {
        auto found = listed.find(AsciiLower(strName));
        return found != listed.end() ? found->second : nullptr;
    };

    CServicesKey key;
    // The poller keeps what it read unless the store has changed since.
    if (pPoller != nullptr)
        pPoller->CheckStartTypes();
    for (const ChangeJournal::StartTypeRecord& record : entry.startTypes)
    {
        UndoPlan::CurrentStartType current;
        if (const EnumeratedServiceA* pListed = find(record.strName))
        {
            current.bInstalled = true;
            current.strDisplayName = pListed->strDisplayName;
            DWORD dwCurrent = 0;
            current.bKnown = (pPoller != nullptr && pPoller->StartTypeOf(pListed->strName, &dwCurrent)) ||
                             CurrentStartType(service, key, pListed->strName, &dwCurrent);
            current.dwCurrent = dwCurrent;
        }
        pFacts->startTypes.push_back(current);
    }
    for (const ChangeJournal::RunValueRecord& record : entry.runValues)
    {
        UndoPlan::CurrentRunValue current;
        DWORD dwType = 0;
        HKEY hRoot = RunValues::RootFromToken(record.strRoot);
        current.bPresent = hRoot != nullptr && RunValues::Read(hRoot, record.strKey, record.strName, &dwType,
                                                               &current.data) == ERROR_SUCCESS;
        current.dwType = dwType;
        pFacts->runValues.push_back(current);
    }
    for (const ChangeJournal::ServiceRecord& record : entry.services)
    {
        bool bPresent = find(record.strName) != nullptr;
        // The list holds Win32 services only; a driver is asked for by name.
        if (!bPresent && (record.dwServiceType & SERVICE_WIN32) == 0)
        {
            CServiceControl::COpenService open(service, record.strName, SERVICE_QUERY_STATUS);
            bPresent = open.Error() != ERROR_SERVICE_DOES_NOT_EXIST;
        }
        pFacts->services.push_back({bPresent});
    }
    return 0;
}

bool SpellInGbk(std::uint32_t nCodePoint, std::string* pstrGbk)
{
    constexpr UINT kGbkCodePage = 936;
    wchar_t units[2] = {static_cast<wchar_t>(nCodePoint), 0};
    int nUnits = 1;
    if (nCodePoint >= 0x10000)
    {
        units[0] = static_cast<wchar_t>(0xD800 + ((nCodePoint - 0x10000) >> 10));
        units[1] = static_cast<wchar_t>(0xDC00 + ((nCodePoint - 0x10000) & 0x3FF));
        nUnits = 2;
    }
    char szGbk[8];
    BOOL bDefaultUsed = FALSE;
    // No best fit: a character shown as a look-alike ("À" as "A") would
    // show another command than the one that runs.
    int nBytes = WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, units, nUnits, szGbk, sizeof(szGbk),
                                     nullptr, &bDefaultUsed);
    if (nBytes <= 0 || bDefaultUsed)
        return false;
    pstrGbk->assign(szGbk, static_cast<size_t>(nBytes));
    return true;
}
