#include "changes/StartTypeApplier.h"

#include "changes/JournalledChange.h"
#include "common/GbkText.h"
#include "common/WideText.h"

#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace
{
// Adds a target, or gives one already there the later value, so each
// service is changed once, to what its last record says.
class CTargetList
{
public:
    explicit CTargetList(StartTypePlan* pPlan) : m_pPlan(pPlan) {}
    void Add(const std::wstring& wstrName, DWORD dwStartType)
    {
        auto inserted = m_index.emplace(WideAsciiLower(wstrName), m_pPlan->targets.size());
        if (inserted.second)
            m_pPlan->targets.push_back({wstrName, dwStartType});
        else
            m_pPlan->targets[inserted.first->second].dwStartType = dwStartType;
    }
    void Missing(const std::wstring& wstrName)
    {
        if (m_missingKeys.insert(WideAsciiLower(wstrName)).second)
            m_missing.push_back(wstrName);
    }
    // Names not listed as Win32 services, each once, as first written.
    const std::vector<std::wstring>& MissingNames() const { return m_missing; }

private:
    StartTypePlan* m_pPlan;
    std::unordered_map<std::wstring, size_t> m_index;
    std::unordered_set<std::wstring> m_missingKeys;
    std::vector<std::wstring> m_missing;
};

// Counts the names not listed as Win32 services: drivers, or not installed.
// One listing of the drivers, and only when a name was not a Win32
// service; one that fails leaves every such name not installed.
void ClassifyMissing(IServiceSession& session, const std::vector<std::wstring>& missing, StartTypePlan* pPlan)
{
    std::unordered_set<std::wstring> drivers;
    std::vector<EnumeratedService> listed;
    if (!missing.empty() && session.Enumerate(SERVICE_DRIVER, &listed) == 0)
    {
        for (const EnumeratedService& driver : listed)
            drivers.insert(WideAsciiLower(driver.wstrName));
    }
    for (const std::wstring& wstrName : missing)
    {
        if (drivers.count(WideAsciiLower(wstrName)) != 0)
            pPlan->drivers.push_back(GbkText::FromWide(wstrName));
        else
            ++pPlan->nNotInstalled;
    }
}
} // namespace


DWORD PlanStartTypes(IServiceSession& session, const StartTypeRequest& request, StartTypePlan* pPlan)
{
    *pPlan = StartTypePlan();
    pPlan->file = request.file;
    pPlan->bFromFile = request.bFromFile;
    // Only what the manager lists as a Win32 service now: a name that is a
    // driver is skipped, and counted apart from names nobody knows.
    std::vector<EnumeratedService> services;
    if (DWORD dwError = session.Enumerate(SERVICE_WIN32, &services))
        return dwError;
    // Each target by the name the manager lists it under.
    std::unordered_map<std::wstring, std::wstring> listed;
    for (const EnumeratedService& service : services)
        listed.emplace(WideAsciiLower(service.wstrName), service.wstrName);
    pPlan->services = std::move(services);
    CTargetList targets(pPlan);
    // Names from the knowledge base and from files are GBK.
    for (const NamedStartType& named : request.targets)
    {
        std::wstring wstrName = GbkText::ToWide(named.strName);
        auto found = listed.find(WideAsciiLower(wstrName));
        if (found != listed.end())
            targets.Add(found->second, named.dwStartType);
        else
            targets.Missing(wstrName);
    }
    ClassifyMissing(session, targets.MissingNames(), pPlan);
    return 0;
}

CStartTypeApplier::CStartTypeApplier(IServiceSession& session, CJournalFile* pJournal, IReporter& reporter,
                                     FailureReport reportFailure)
    : m_session(session), m_pJournal(pJournal), m_reporter(reporter), m_reportFailure(std::move(reportFailure))
{
}

bool CStartTypeApplier::Apply(const std::vector<StartTypeTarget>& targets, Reporting reporting,
                              const std::function<void(const std::wstring&, DWORD)>& onDone)
{
    // What each service has now, before anything is changed; a service
    // that cannot be read is not changed, since it could not be put back.
    struct Read
    {
        DWORD dwError = 0;
        bool bOpenFailed = false;
    };
    std::vector<Read> reads(targets.size());
    ChangeJournal::Entry entry;
    entry.kind = ChangeJournal::Kind::StartTypes;
    for (size_t i = 0; i < targets.size(); ++i)
    {
        DWORD dwBefore = 0;
        CService service;
        reads[i].dwError = m_session.Open(targets[i].wstrName, IServiceSession::kAccessChangeAndRead, &service);
        reads[i].bOpenFailed = reads[i].dwError != 0;
        if (reads[i].dwError == 0)
            reads[i].dwError = service.QueryStartType(&dwBefore);
        if (reads[i].dwError == 0)
            entry.startTypes.push_back({targets[i].wstrName, dwBefore, targets[i].dwStartType, false, 0});
    }
    CJournalledChange change(m_pJournal, m_reporter);
    if (!change.Begin(&entry))
        return false;

    for (size_t i = 0; i < targets.size(); ++i)
    {
        const StartTypeTarget& target = targets[i];
        DWORD dwError = reads[i].dwError;
        bool bOpen = reads[i].bOpenFailed;
        if (dwError == 0)
        {
            CService service;
            dwError = m_session.Open(target.wstrName, IServiceSession::kAccessChangeAndRead, &service);
            bOpen = dwError != 0;
            if (dwError == 0)
            {
                dwError = service.ChangeStartType(target.dwStartType);
                DWORD dwTook = 0;
                if (service.QueryStartType(&dwTook) == 0)
                    change.RecordStartTypeTook(target.wstrName, dwTook);
            }
        }
        bool bTell = reporting == Reporting::Everything || (reporting == Reporting::ChangesOnly && !bOpen);
        if (dwError != 0 && bTell)
            m_reportFailure(target.wstrName, dwError);
        if (onDone)
            onDone(target.wstrName, dwError);
    }
    return true;
}
