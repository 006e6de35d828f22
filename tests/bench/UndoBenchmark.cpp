// Times the planning of an undo of one journal entry of 10,000 start-type
// records beside a bare enumeration in the same run: the 300 registered
// test-bed services, each with a value this program could have set, and
// 9,700 services no longer installed, as a huge or forged entry holds. The
// plan is read as the undo command reads it (the facts, start types kept by
// a poller as the window's passes keep them, then the plan and its
// preview's texts); apart from that, with every start type read from the
// registry; the preview window it opens is timed as well, and once the way
// the facts were read before, with an open of every named service.
#include "bench/BenchSupport.h"
#include "common/GbkText.h"
#include "changes/ChangePlanner.h"
#include "changes/PreviewDlg.h"
#include "services/ServiceSession.h"
#include "services/ServicePoller.h"
#include "support/MessageBoxWatcher.h"
#include "support/Waiting.h"

#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace
{
using namespace Bench;

constexpr int kRounds = 10;
constexpr int kWindowRounds = 3;
constexpr int kRecords = 10000;
constexpr double kGoalRatio = 5.0;
const char* const kStem = "QmUndoBench";

ChangeJournal::Entry HugeEntry(const ServiceBed& services)
{
    ChangeJournal::Entry entry;
    entry.kind = ChangeJournal::Kind::StartTypes;
    entry.bComplete = true;
    for (const auto& pService : services)
    {
        // What it has now is what this program set: each one goes back.
        DWORD dwNow = pService->ConfiguredStartType();
        DWORD dwBefore = dwNow == SERVICE_DEMAND_START ? SERVICE_AUTO_START : SERVICE_DEMAND_START;
        entry.startTypes.push_back({GbkText::ToWide(pService->Name()), dwBefore, dwNow, true, dwNow});
    }
    std::string strGone = UniqueServiceName("QmUndoGone") + "_";
    for (int i = static_cast<int>(entry.startTypes.size()); i < kRecords; ++i)
        entry.startTypes.push_back({GbkText::ToWide(strGone + std::to_string(i)), SERVICE_AUTO_START,
                                    SERVICE_DISABLED, true, SERVICE_DISABLED});
    return entry;
}

// How the facts were read before: every named service opened in turn.
void ReadByOpening(CBenchManager& control, const ChangeJournal::Entry& entry)
{
    for (const ChangeJournal::StartTypeRecord& record : entry.startTypes)
    {
        CService service;
        DWORD dwCurrent = 0;
        if (control.Session().Open(record.wstrName, SERVICE_QUERY_CONFIG, &service) == 0)
            service.QueryStartType(&dwCurrent);
    }
}

// The facts and the plan, timed together.
double TimePlan(CBenchManager& control, const ChangeJournal::Entry& entry, CServicePoller* pPoller,
                UndoPlan::Plan* pPlan)
{
    LONGLONG llPlan = Ticks();
    UndoPlan::Facts facts;
    if (DWORD dwError = ReadUndoFacts(control.Session(), entry, &facts, pPoller))
    {
        std::printf("error: the enumeration failed: %lu\n", dwError);
        return -1;
    }
    *pPlan = UndoPlan::Make(entry, facts, "撤销上次配置", SpellInGbk);
    return MsSince(llPlan);
}

// Up and drawn, as the user first sees it.
double TimeWindow(const PreviewContent& content)
{
    LONGLONG llWindow = Ticks();
    CPreviewDlg preview(nullptr, content);
    if (!preview.Create())
        return -1;
    ShowWindow(preview.GetSafeHwnd(), SW_SHOW);
    UpdateWindow(preview.GetSafeHwnd());
    PumpMessages();
    return MsSince(llWindow);
}

int Run(ServiceBed& services)
{
    CMessageBoxWatcher watcher;
    CBenchManager control;
    std::vector<BYTE> buffer;
    DWORD dwEnumerated = 0;
    if (!WarmUpEnumeration(control, &buffer, &dwEnumerated))
        return 1;
    ChangeJournal::Entry entry = HugeEntry(services);
    // The window's passes keep the poller's start types as they go.
    CServicePoller poller;
    if (poller.Refresh(control.Session()) != 0)
        return 1;

    Samples planning, fromRegistry, enumeration, window, rowsOnly, notesOnly;
    UndoPlan::Plan plan;
    for (int nRound = 0; nRound < kRounds; ++nRound)
    {
        if (Interrupted())
            return 1;
        std::vector<EnumeratedService> listed;
        LONGLONG llEnum = Ticks();
        DWORD dwError = control.Session().Enumerate(SERVICE_WIN32, &listed);
        enumeration.ms.push_back(MsSince(llEnum));
        planning.ms.push_back(TimePlan(control, entry, &poller, &plan));
        fromRegistry.ms.push_back(TimePlan(control, entry, nullptr, &plan));
        if (dwError != 0 || planning.Min() < 0 || fromRegistry.Min() < 0)
            return 1;
    }
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    PreviewContent rows = plan.preview, notes = plan.preview;
    rows.notes.clear();
    notes.rows.clear();
    // The first window of a process pays for loading what every window uses.
    TimeWindow(PreviewContent());
    for (int nRound = 0; nRound < kWindowRounds; ++nRound)
    {
        window.ms.push_back(TimeWindow(plan.preview));
        rowsOnly.ms.push_back(TimeWindow(rows));
        notesOnly.ms.push_back(TimeWindow(notes));
    }
    LONGLONG llOpening = Ticks();
    ReadByOpening(control, entry);
    double dOpening = MsSince(llOpening);

    PrintSamples("undo plan of 10,000 records", planning);
    PrintSamples("part, the plan with every start type read from the registry", fromRegistry);
    PrintSamples("enumeration", enumeration);
    PrintSamples("the preview window up and drawn", window);
    PrintSamples("part, its 300 rows alone", rowsOnly);
    PrintSamples("part, its 9,700 notes alone", notesOnly);
    std::printf("before, an open of every named service: %.0f ms (once)\n", dOpening);
    double dRatio = planning.Median() / enumeration.Median();
    std::printf("plan/enumeration: %.2f (from the registry: %.2f)\n", dRatio,
                fromRegistry.Median() / enumeration.Median());
    std::printf("plan: %zu rows, %zu notes; %s\n", plan.preview.rows.size(), plan.preview.notes.size(),
                plan.preview.strSummary.c_str());
    std::printf("services enumerated: %lu (%d registered here)\n", dwEnumerated, static_cast<int>(services.size()));
    bool bValid = plan.preview.rows.size() == services.size() &&
                  plan.preview.notes.size() == static_cast<size_t>(kRecords) - services.size() &&
                  window.Min() >= 0;
    if (!bValid)
        std::printf("error: the plan should restore every registered service and note every other record\n");
    bValid = ReportMessageBoxes(watcher) && bValid;
    return ReportAgainstEnumerations(bValid, "undo plan", planning.Median(), dRatio, kGoalRatio);
}
} // namespace

int main()
{
    return RunWithServices(kStem, Run);
}
