// Times the preview of the fifth profile with 300 registered test-bed
// services, beside a bare enumeration in the same run. The knowledge
// base's services are registered under their own names as well (those the
// prefix lacks), some running, and the running test-bed services depend on
// services the profile disables, as do some automatic ones, so the preview
// has real work: every service's current start type (from the main window's
// table, as the program takes them), the running dependents of each one it
// would disable, the automatic services that would then fail at the next
// start, and what the tick rule reads of the services Windows needs.
#include "bench/BenchSupport.h"
#include "common/GbkText.h"
#include "changes/ChangePlanner.h"
#include "knowledge/ServiceAdvice.h"
#include "knowledge/ServiceKnowledgeBase.h"
#include "knowledge/ProfileRequest.h"
#include "services/ServicePoller.h"
#include "services/ServiceSession.h"
#include "support/MessageBoxWatcher.h"
#include "support/TestServices.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace
{
using namespace Bench;

constexpr int kRounds = 20;
constexpr double kGoalRatio = 5.0;
constexpr int kProfile = 5;
constexpr int kRunningKnown = 10;
constexpr int kAutomaticCount = 20;
const char* const kStem = "QmPreview";

int Run(ServiceBed& services)
{
    // The knowledge base's services the prefix does not have, each once.
    ServiceBed known;
    std::vector<std::string> disabledByProfile;
    for (int nId = ServiceKnowledgeBase::kFirstEntryId; nId <= ServiceKnowledgeBase::kLastEntryId; ++nId)
    {
        ServiceAdvice advice(ServiceKnowledgeBase::Entry(nId));
        if (advice.StartTypeCodeFor(kProfile) == SERVICE_DISABLED)
            disabledByProfile.push_back(advice.ServiceName());
        SC_HANDLE hManager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
        SC_HANDLE hService = OpenServiceA(hManager, advice.ServiceName().c_str(), SERVICE_QUERY_STATUS);
        bool bPresent = hService != nullptr;
        if (hService != nullptr)
            CloseServiceHandle(hService);
        CloseServiceHandle(hManager);
        if (bPresent)
            continue;
        TestServiceSpec spec = TestBed("unused", "--accept=stop");
        spec.strName = advice.ServiceName();
        known.emplace_back(new CTestService(spec));
        if (!known.back()->Created())
        {
            std::printf("error: %s could not be registered\n", spec.strName.c_str());
            return 1;
        }
    }
    int nStarted = 0;
    for (auto& pService : known)
    {
        if (nStarted < kRunningKnown && pService->StartAndWaitRunning())
            ++nStarted;
    }
    // The running test-bed services need services the profile disables, as
    // do some stopped automatic ones (which would fail at the next start);
    // the store says so, as it does wherever the manager answers with none.
    const int nAutomaticFrom = kRunningCount + kDisabledCount;
    for (int i = 0; i < nAutomaticFrom + kAutomaticCount && !disabledByProfile.empty(); ++i)
    {
        bool bAutomatic = i >= nAutomaticFrom;
        if (i >= kRunningCount && !bAutomatic)
            continue; // the disabled ones
        std::string strNeeds = disabledByProfile[i % disabledByProfile.size()];
        strNeeds.append(2, '\0');
        if (!services[i]->SetStoredValue("DependOnService", REG_MULTI_SZ, strNeeds) ||
            (bAutomatic && !services[i]->SetStoredDword("Start", SERVICE_AUTO_START)))
            return 1;
    }
    std::printf("knowledge base services registered: %zu (%d of them running)\n", known.size(), nStarted);

    CMessageBoxWatcher watcher;
    CBenchManager control;
    std::vector<BYTE> buffer;
    DWORD dwEnumerated = 0;
    if (!WarmUpEnumeration(control, &buffer, &dwEnumerated))
        return 1;

    // The main window's table, filled as at its start: the preview takes
    // the start types it holds.
    CServicePoller poller;
    if (poller.Fill(control.Session(), [](DWORD) {}) != 0)
        return 1;

    Samples preview, enumeration, planning;
    PreviewContent content;
    for (int nRound = 0; nRound < kRounds; ++nRound)
    {
        if (Interrupted())
            return 1;
        std::vector<EnumeratedService> listed;
        LONGLONG llEnum = Ticks();
        DWORD dwError = control.Session().Enumerate(SERVICE_WIN32, &listed);
        enumeration.ms.push_back(MsSince(llEnum));
        if (dwError != 0)
        {
            std::printf("error: the enumeration failed: %lu\n", dwError);
            return 1;
        }
        LONGLONG llPreview = Ticks();
        StartTypePlan plan;
        if (DWORD dwPlanError = PlanStartTypes(control.Session(), ProfileRequest(kProfile), &plan))
        {
            std::printf("error: the plan failed: %lu\n", dwPlanError);
            return 1;
        }
        planning.ms.push_back(MsSince(llPreview));
        content = PreviewStartTypePlan(control.Session(), plan, "配置预览", &poller);
        preview.ms.push_back(MsSince(llPreview));
        dwEnumerated = static_cast<DWORD>(listed.size());
    }
    PrintSamples("preview of profile 5", preview);
    PrintSamples("part, the plan (its enumeration included)", planning);
    PrintSamples("enumeration", enumeration);
    double dRatio = preview.Median() / enumeration.Median();
    std::printf("preview/enumeration: %.2f\n", dRatio);

    int nMarked = 0, nHeld = 0, nFailing = 0;
    for (const PreviewRow& row : content.rows)
    {
        nMarked += row.bMarked ? 1 : 0;
        nHeld += row.bTicked ? 0 : 1;
        nFailing += row.failingAtStart.empty() ? 0 : 1;
    }
    std::printf("preview: %zu rows, %d marked, %d unticked, %d with automatic services failing at start; %s\n",
                content.rows.size(), nMarked, nHeld, nFailing, content.strSummary.c_str());
    bool bValid = nMarked > 0 && !content.rows.empty();
    if (nMarked == 0)
        std::printf("error: no row shows the running dependents it would stop\n");
    if (nFailing == 0)
        std::printf("error: no row names the automatic services that would fail at the next start\n");
    bValid = bValid && nFailing > 0;
    bValid = ReportMessageBoxes(watcher) && bValid;
    std::printf("services enumerated: %lu (%d registered here)\n", dwEnumerated,
                kServiceCount + static_cast<int>(known.size()));
    return ReportAgainstEnumerations(bValid, "preview", preview.Median(), dRatio, kGoalRatio);
}
} // namespace

int main()
{
    return RunWithServices(kStem, Run);
}
