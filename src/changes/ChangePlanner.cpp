#include "changes/ChangePlanner.h"

#include "changes/StartTypePreview.h"
#include "common/GbkText.h"
#include "common/WideText.h"
#include "services/ServicePoller.h"
#include "services/ServiceRegistry.h"
#include "startup/RunValues.h"

#include <unordered_map>
#include <unordered_set>

namespace
{
// What the store holds of the services a preview asks about: each key is
// opened once and kept open while the preview is made, however many of
// its values are read.
class CStoredServices
{
public:
    explicit CStoredServices(HKEY hRoot) : m_services(hRoot) {}

    bool StartType(const std::wstring& wstrName, DWORD* pdwStartType)
    {
        HKEY hKey = Key(wstrName);
        return hKey != nullptr && CServicesKey::ReadStartValue(hKey, pdwStartType) == ERROR_SUCCESS;
    }
    bool ErrorControl(const std::wstring& wstrName, DWORD* pdwErrorControl)
    {
        HKEY hKey = Key(wstrName);
        return hKey != nullptr && CServicesKey::ReadNumberValue(hKey, L"ErrorControl", pdwErrorControl) == ERROR_SUCCESS;
    }
    // DependOnService; false when the key cannot be read.
    bool Dependencies(const std::wstring& wstrName, std::vector<std::wstring>* pDependencies)
    {
        HKEY hKey = Key(wstrName);
        *pDependencies = hKey != nullptr ? CServicesKey::ReadListValue(hKey, L"DependOnService")
                                         : std::vector<std::wstring>();
        return hKey != nullptr;
    }

private:
    HKEY Key(const std::wstring& wstrName)
    {
        auto opened = m_keys.try_emplace(WideAsciiLower(wstrName));
        if (opened.second && m_services.IsOpen())
            opened.first->second.Open(m_services.Get(), wstrName.c_str(), KEY_QUERY_VALUE);
        return opened.first->second.Get();
    }

    CServicesKey m_services;
    std::unordered_map<std::wstring, CRegKey> m_keys; // by ASCII-lowercased name; closed for none
};

// The services (not the groups, which stop nothing) a service depends on:
// the manager's store answers at once (and is right where the manager
// itself answers with none, as Wine's always does); the manager is asked
// only for a service whose key cannot be read.
std::vector<std::wstring> DependenciesOf(IServiceSession& session, CStoredServices& stored,
                                         const std::wstring& wstrName)
{
    std::vector<std::wstring> dependencies;
    if (!stored.Dependencies(wstrName, &dependencies))
    {
        CService service;
        ServiceConfig config;
        if (session.Open(wstrName, SERVICE_QUERY_CONFIG, &service) == 0 && service.QueryConfig(&config) == 0)
            dependencies = config.dependencies;
    }
    return dependencies;
}

// The poller's start type, else the stored one, else the manager's.
bool CurrentStartType(IServiceSession& session, CStoredServices& stored, CServicePoller* pPoller,
                      const std::wstring& wstrName, DWORD* pdwCurrent)
{
    if ((pPoller != nullptr && pPoller->StartTypeOf(wstrName, pdwCurrent)) || stored.StartType(wstrName, pdwCurrent))
        return true;
    CService service;
    return session.Open(wstrName, SERVICE_QUERY_CONFIG, &service) == 0 && service.QueryStartType(pdwCurrent) == 0;
}

// What the tick rule asks of a service whose change disables it or takes it
// off automatic. The services Windows needs to start are found at the
// first such question, from the store; the manager is asked only about
// one it lists (most of them are missing on most computers, and asking
// the manager about a missing one costs as much as a whole listing).
class CStartFactsReader
{
public:
    using Listed = std::function<bool(const std::wstring& wstrName)>;
    CStartFactsReader(IServiceSession& session, CStoredServices& stored, Listed listed)
        : m_session(session), m_stored(stored), m_listed(std::move(listed))
    {
    }
    TickRule::StartFacts Of(const std::wstring& wstrName, bool bCurrentKnown, DWORD dwCurrent, DWORD dwNew)
    {
        TickRule::StartFacts facts;
        if (!TickRule::NeedsFacts(bCurrentKnown, dwCurrent, dwNew))
            return facts;
        if (!m_bNeededRead)
        {
            m_needed = TickRule::NeededToStart([this](const std::wstring& wstrService) {
                std::vector<std::wstring> dependencies;
                if (!m_stored.Dependencies(wstrService, &dependencies) && m_listed(wstrService))
                    dependencies = DependenciesOf(m_session, m_stored, wstrService);
                return dependencies;
            });
            m_bNeededRead = true;
        }
        facts.bNeededToStart = m_needed.count(WideAsciiLower(wstrName)) != 0;
        DWORD dwErrorControl = 0;
        if (TickRule::TakesOffAutomatic(bCurrentKnown, dwCurrent, dwNew))
            facts.bErrorControlKnown = m_stored.ErrorControl(wstrName, &dwErrorControl);
        facts.dwErrorControl = dwErrorControl;
        return facts;
    }

private:
    IServiceSession& m_session;
    CStoredServices& m_stored;
    Listed m_listed;
    bool m_bNeededRead = false;
    std::unordered_set<std::wstring> m_needed;
};

// What shows a listed service: its display name, or its name.
std::string ShownName(const EnumeratedService& service)
{
    return GbkText::FromWide(service.wstrDisplayName.empty() ? service.wstrName : service.wstrDisplayName);
}

bool Disables(const PlannedService& planned)
{
    return planned.dwNew == SERVICE_DISABLED && !(planned.bCurrentKnown && planned.dwCurrent == SERVICE_DISABLED);
}
} // namespace

PreviewContent PreviewStartTypePlan(IServiceSession& session, const StartTypePlan& plan, const std::string& strTitle,
                                    CServicePoller* pPoller)
{
    std::unordered_map<std::wstring, const EnumeratedService*> listed;
    for (const EnumeratedService& entry : plan.services)
        listed.emplace(WideAsciiLower(entry.wstrName), &entry);
    CStoredServices stored(session.RegistryRoot());
    // The poller keeps what it read unless the store has changed since.
    if (pPoller != nullptr)
    {
        pPoller->UseRoot(session.RegistryRoot());
        pPoller->CheckStartTypes();
    }

    std::vector<PlannedService> services;
    std::unordered_map<std::wstring, DWORD> newStartTypes;
    bool bDisables = false;
    for (const StartTypeTarget& target : plan.targets)
    {
        PlannedService planned;
        planned.strName = GbkText::FromWide(target.wstrName);
        planned.dwNew = target.dwStartType;
        auto found = listed.find(WideAsciiLower(target.wstrName));
        if (found != listed.end())
            planned.strDisplayName = GbkText::FromWide(found->second->wstrDisplayName);
        DWORD dwCurrent = 0;
        planned.bCurrentKnown = CurrentStartType(session, stored, pPoller, target.wstrName, &dwCurrent);
        planned.dwCurrent = dwCurrent;
        bDisables = bDisables || Disables(planned);
        newStartTypes[WideAsciiLower(target.wstrName)] = target.dwStartType;
        services.push_back(std::move(planned));
    }

    // Only running services can be stopped by a change, and only automatic
    // ones (as the change leaves them) fail at the next start, so only
    // their dependencies are read, and only when something is disabled.
    CRunningDependents running, failing;
    if (bDisables)
    {
        for (const EnumeratedService& entry : plan.services)
        {
            bool bRunning = entry.status.dwCurrentState != SERVICE_STOPPED;
            auto changed = newStartTypes.find(WideAsciiLower(entry.wstrName));
            DWORD dwStartType = 0;
            bool bAutomatic = changed != newStartTypes.end()
                                  ? changed->second == SERVICE_AUTO_START
                                  : CurrentStartType(session, stored, pPoller, entry.wstrName, &dwStartType) &&
                                        dwStartType == SERVICE_AUTO_START;
            if (!bRunning && !bAutomatic)
                continue;
            std::vector<std::wstring> dependencies = DependenciesOf(session, stored, entry.wstrName);
            if (bRunning)
                running.AddRunning(entry.wstrName, ShownName(entry), dependencies);
            if (bAutomatic)
                failing.AddRunning(entry.wstrName, ShownName(entry), dependencies);
        }
    }

    CStartFactsReader facts(session, stored, [&listed](const std::wstring& wstrName) {
        return listed.count(WideAsciiLower(wstrName)) != 0;
    });
    for (size_t i = 0; i < services.size(); ++i)
    {
        PlannedService& planned = services[i];
        const std::wstring& wstrName = plan.targets[i].wstrName;
        planned.start = facts.Of(wstrName, planned.bCurrentKnown, planned.dwCurrent, planned.dwNew);
        // Only a change that disables can stop what needs the service; one
        // already disabled stops nothing new.
        if (Disables(planned))
        {
            planned.runningDependents = running.Of(wstrName);
            planned.failingAtStart = failing.Of(wstrName);
        }
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

    CStoredServices stored(session.RegistryRoot());
    CStartFactsReader facts(session, stored,
                            [&find](const std::wstring& wstrName) { return find(wstrName) != nullptr; });
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
            current.bKnown = CurrentStartType(session, stored, pPoller, pListed->wstrName, &dwCurrent);
            current.dwCurrent = dwCurrent;
            current.start = facts.Of(pListed->wstrName, current.bKnown, dwCurrent, record.dwBefore);
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
