#include "services/StartTypeApplier.h"

#include "changes/JournalFile.h"
#include "common/GbkText.h"
#include "common/WideText.h"
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
} // namespace

CStartTypeApplier::CStartTypeApplier(IServiceSession& session, FailureReport reportFailure)
    : m_session(session), m_reportFailure(std::move(reportFailure))
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
    std::vector<EnumeratedService> services;
    if (DWORD dwError = m_session.Enumerate(SERVICE_WIN32, &services))
    {
        m_reportFailure(std::wstring(), dwError);
        return Outcome::NotListed;
    }
    // Each target by the name the manager lists it under.
    std::unordered_map<std::wstring, std::wstring> listed;
    for (const EnumeratedService& service : services)
        listed.emplace(WideAsciiLower(service.wstrName), service.wstrName);
    pPlan->services = std::move(services);
    CTargetList targets(pPlan);
    // Names from the knowledge base and from files are GBK.
    auto add = [&](const std::string& strName, DWORD dwStartType) {
        std::wstring wstrName = GbkText::ToWide(strName);
        auto found = listed.find(WideAsciiLower(wstrName));
        if (found != listed.end())
            targets.Add(found->second, dwStartType);
        else
            targets.Missing(wstrName);
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
            std::uint32_t dwStartType = 0;
            if (ServiceConfigFile::IsApplicable(record) && ServiceTexts::StartTypeFromWord(record.strWord, &dwStartType))
                add(record.strName, dwStartType);
        }
        pPlan->file = ServiceConfigFile::Examine(strData, records);
    }
    ClassifyMissing(targets.MissingNames(), pPlan);
    return Outcome::Applied;
}

void CStartTypeApplier::ClassifyMissing(const std::vector<std::wstring>& missing, StartTypePlan* pPlan)
{
    // One listing of the drivers, and only when a name was not a Win32
    // service; one that fails leaves every such name not installed.
    std::unordered_set<std::wstring> drivers;
    std::vector<EnumeratedService> listed;
    if (!missing.empty() && m_session.Enumerate(SERVICE_DRIVER, &listed) == 0)
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

CStartTypeApplier::Outcome CStartTypeApplier::Apply(const std::vector<StartTypeTarget>& targets, Reporting reporting,
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
    bool bJournalled = m_pJournal != nullptr && !entry.startTypes.empty();
    if (bJournalled && !m_pJournal->Begin(&entry))
        return Outcome::JournalFailed;

    auto fail = [&](const std::wstring& wstrName, DWORD dwError, bool bOpen) {
        bool bTell = reporting == Reporting::Everything || (reporting == Reporting::ChangesOnly && !bOpen);
        if (bTell)
            m_reportFailure(wstrName, dwError);
    };
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
                if (bJournalled && service.QueryStartType(&dwTook) == 0)
                    m_pJournal->RecordStartTypeTook(target.wstrName, dwTook);
            }
        }
        if (dwError != 0)
            fail(target.wstrName, dwError, bOpen);
        if (onDone)
            onDone(target.wstrName, dwError);
    }
    if (bJournalled)
        m_pJournal->End();
    return Outcome::Applied;
}

DWORD CStartTypeApplier::ApplyToService(const std::wstring& wstrName, DWORD dwStartType)
{
    DWORD dwResult = 0;
    if (Apply({{wstrName, dwStartType}}, Reporting::Everything,
              [&](const std::wstring&, DWORD dwError) { dwResult = dwError; }) == Outcome::JournalFailed)
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
