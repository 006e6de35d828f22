#include "services/StartTypeApplier.h"

#include "changes/JournalFile.h"
#include "common/AsciiText.h"
#include "config/ServiceConfigFile.h"
#include "config/ServiceConfigStore.h"
#include "knowledge/ServiceAdvice.h"
#include "knowledge/ServiceKnowledgeBase.h"
#include "services/ServiceTexts.h"

#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace
{
// Opened once to read what a service has and once to change it.
constexpr DWORD kAccessChangeAndRead = SERVICE_CHANGE_CONFIG | SERVICE_QUERY_CONFIG;

// Adds a target, or gives one already there the later value, so each
// service is changed once, to what its last record says.
class CTargetList
{
public:
    explicit CTargetList(StartTypePlan* pPlan) : m_pPlan(pPlan) {}
    void Add(const std::string& strName, DWORD dwStartType)
    {
        auto inserted = m_index.emplace(AsciiLower(strName), m_pPlan->targets.size());
        if (inserted.second)
            m_pPlan->targets.push_back({strName, dwStartType});
        else
            m_pPlan->targets[inserted.first->second].dwStartType = dwStartType;
    }
    void Missing(const std::string& strName)
    {
        if (m_missingKeys.insert(AsciiLower(strName)).second)
            m_missing.push_back(strName);
    }
    // Names not listed as Win32 services, each once, as first written.
    const std::vector<std::string>& MissingNames() const { return m_missing; }

private:
    StartTypePlan* m_pPlan;
    std::unordered_map<std::string, size_t> m_index;
    std::unordered_set<std::string> m_missingKeys;
    std::vector<std::string> m_missing;
};
} // namespace

CStartTypeApplier::CStartTypeApplier(CServiceControl& service, FailureReport reportFailure,
                                     EnumServicesFunction enumerate)
    : m_service(service), m_reportFailure(std::move(reportFailure)), m_enumerate(std::move(enumerate))
{
}

CStartTypeApplier::Outcome CStartTypeApplier::Plan(const ApplyRequest& request, StartTypePlan* pPlan)
{
    *pPlan = StartTypePlan();
    std::string strData = request.strText;
    if (request.mode == kApplyFile && !request.bTextGiven && !ReadServiceConfigFile(request.strPath, &strData))
        return Outcome::Unreadable;
    // Only what the manager lists as a Win32 service now: a line naming a
    // driver is skipped, and counted apart from names nobody knows.
    std::vector<EnumeratedServiceA> services;
    if (DWORD dwError = EnumerateWin32Services(m_service.ManagerHandle(), &services, m_enumerate))
    {
        m_reportFailure(std::string(), dwError);
        return Outcome::NotListed;
    }
    std::unordered_set<std::string> listed;
    for (const EnumeratedServiceA& service : services)
        listed.insert(AsciiLower(service.strName));
    pPlan->services = std::move(services);
    CTargetList targets(pPlan);
    auto add = [&](const std::string& strName, DWORD dwStartType) {
        if (listed.count(AsciiLower(strName)) != 0)
            targets.Add(strName, dwStartType);
        else
            targets.Missing(strName);
    };
    if (request.mode == kApplyProfile)
    {
        for (int nId = ServiceKnowledgeBase::kFirstEntryId; nId <= ServiceKnowledgeBase::kLastEntryId; ++nId)
        {
            ServiceAdvice advice(ServiceKnowledgeBase::Entry(nId));
            add(advice.ServiceName(), static_cast<DWORD>(advice.StartTypeCodeFor(request.nValue)));
        }
    }
    else if (request.mode == kApplyFile)
    {
        std::vector<ServiceConfigFile::Record> records = ServiceConfigFile::ParseRecords(strData);
        for (const ServiceConfigFile::Record& record : records)
        {
            if (ServiceConfigFile::IsApplicable(record))
                add(record.strName, static_cast<DWORD>(ServiceTexts::StartTypeFromWord(record.strWord)));
        }
        pPlan->file = ServiceConfigFile::Examine(strData, records);
    }
    ClassifyMissing(targets.MissingNames(), pPlan);
    return Outcome::Applied;
}

void CStartTypeApplier::ClassifyMissing(const std::vector<std::string>& missing, StartTypePlan* pPlan)
{
    // One listing of the drivers, and only when a name was not a Win32
    // service; one that fails leaves every such name not installed.
    std::unordered_set<std::string> drivers;
    std::vector<EnumeratedServiceA> listed;
    if (!missing.empty() && EnumerateServices(m_service.ManagerHandle(), SERVICE_DRIVER, &listed, m_enumerate) == 0)
    {
        for (const EnumeratedServiceA& driver : listed)
            drivers.insert(AsciiLower(driver.strName));
    }
    for (const std::string& strName : missing)
    {
        if (drivers.count(AsciiLower(strName)) != 0)
            pPlan->drivers.push_back(strName);
        else
            ++pPlan->nNotInstalled;
    }
}

CStartTypeApplier::Outcome CStartTypeApplier::Apply(const std::vector<StartTypeTarget>& targets, Reporting reporting,
                                                    const std::function<void(const std::string&, DWORD)>& onDone)
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
        CServiceControl::COpenService open(m_service, targets[i].strName, kAccessChangeAndRead);
        reads[i].dwError = open.Error();
        reads[i].bOpenFailed = reads[i].dwError != 0;
        if (reads[i].dwError == 0)
            reads[i].dwError = m_service.QueryStartType(&dwBefore);
        if (reads[i].dwError == 0)
            entry.startTypes.push_back({targets[i].strName, dwBefore, targets[i].dwStartType, false, 0});
    }
    bool bJournalled = m_pJournal != nullptr && !entry.startTypes.empty();
    if (bJournalled && !m_pJournal->Begin(&entry))
        return Outcome::JournalFailed;

    auto fail = [&](const std::string& strName, DWORD dwError, bool bOpen) {
        bool bTell = reporting == Reporting::Everything || (reporting == Reporting::ChangesOnly && !bOpen);
        if (bTell)
            m_reportFailure(strName, dwError);
    };
    for (size_t i = 0; i < targets.size(); ++i)
    {
        const StartTypeTarget& target = targets[i];
        DWORD dwError = reads[i].dwError;
        bool bOpen = reads[i].bOpenFailed;
        if (dwError == 0)
        {
            CServiceControl::COpenService open(m_service, target.strName, kAccessChangeAndRead);
            dwError = open.Error();
            bOpen = dwError != 0;
            if (dwError == 0)
            {
                dwError = m_service.ChangeStartType(target.dwStartType);
                DWORD dwTook = 0;
                if (bJournalled && m_service.QueryStartType(&dwTook) == 0)
                    m_pJournal->RecordStartTypeTook(target.strName, dwTook);
            }
        }
        if (dwError != 0)
            fail(target.strName, dwError, bOpen);
        if (onDone)
            onDone(target.strName, dwError);
    }
    if (bJournalled)
        m_pJournal->End();
    return Outcome::Applied;
}

DWORD CStartTypeApplier::ApplyToService(const std::string& strName, DWORD dwStartType)
{
    DWORD dwResult = 0;
    if (Apply({{strName, dwStartType}}, Reporting::Everything,
              [&](const std::string&, DWORD dwError) { dwResult = dwError; }) == Outcome::JournalFailed)
        return ERROR_WRITE_FAULT;
    return dwResult;
}

CStartTypeApplier::Outcome CStartTypeApplier::ApplyProfile(int nProfile)
{
    ApplyRequest request;
    request.mode = kApplyProfile;
    request.nValue = nProfile;
    StartTypePlan plan;
    Outcome outcome = Plan(request, &plan);
    return outcome != Outcome::Applied ? outcome : Apply(plan.targets, Reporting::ChangesOnly);
}

CStartTypeApplier::Outcome CStartTypeApplier::ApplyFile(const ApplyRequest& request)
{
    StartTypePlan plan;
    Outcome outcome = Plan(request, &plan);
    return outcome != Outcome::Applied ? outcome : Apply(plan.targets, Reporting::Nothing);
}
