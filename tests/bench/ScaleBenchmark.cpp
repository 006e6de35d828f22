// How the service list's cost grows with the number of services: the
// test bed is grown from 100 to 300, 1,000 and 2,000 registered services
// under one open main window, and at each size the fill, an idle polling
// pass, a pass right after a start type changed elsewhere and the CPU the
// window's own timer costs per second are measured, each beside bare
// enumerations taken in the same rounds, then the CPU of a pass against
// that of an enumeration, and a click on a category leaf (from a small leaf
// to "全部"), which shows the table's services without asking the manager:
// the window's session counts the calls that reach it. The list is held to the manager's answers at
// every size, so that a fast figure is also a right one. At the smallest
// and the largest size the fill and the pass are also taken apart.
#include "app/MainDlg.h"
#include "app/ServiceListRules.h"
#include "bench/BenchSupport.h"
#include "common/GbkText.h"
#include "services/ServiceSession.h"
#include "services/ServicePoller.h"
#include "services/ServiceTexts.h"
#include "support/MainWindowHarness.h"
#include "support/MessageBoxWatcher.h"
#include "support/CountingSession.h"
#include "support/ServicesKeyWatch.h"
#include "support/TestServices.h"

#include <algorithm>
#include <iterator>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace
{
using namespace Bench;

// Wine counts process time in 10 ms steps: the idle runs of the small
// lists, a few milliseconds per second, are longer so that those show.
constexpr struct
{
    int nServices;
    DWORD dwIdleRunMs;
} kSizes[] = {{100, 12000}, {300, 12000}, {1000, 6000}, {2000, 6000}};
// Runs of back-to-back calls for the CPU per call, in turns.
constexpr int kCpuTurns = 5;
constexpr double kCpuTurnMs = 400;
constexpr int kFillRounds = 10;
constexpr int kIdleRounds = 30;
constexpr int kChangeRounds = 8;
constexpr int kPartRounds = 10;
constexpr int kLeafRounds = 10;
constexpr DWORD kNoticeTimeoutMs = 2000;
constexpr double kPassGoal = 1.5;
constexpr double kFillGoal = 4.0;
const char* const kStem = "QmScale";

struct SizeFigures
{
    int nRegistered = 0;
    int nListed = 0;
    Samples enumeration; // every bare enumeration at this size
    Samples fill, fillEnumeration;
    Samples pass, passEnumeration;
    Samples changePass, changeEnumeration;
    Samples leafClick, leafEnumeration;
    int nLeafManagerCalls = 0;
    double dIdleCpuPerSecond = 0;
    double dPassCpuMs = 0;
    double dEnumerationCpuMs = 0;
    double dFillRatio() const { return fill.Median() / fillEnumeration.Median(); }
    double dPassRatio() const { return pass.Median() / passEnumeration.Median(); }
    double dChangeRatio() const { return changePass.Median() / changeEnumeration.Median(); }
    double dLeafRatio() const { return leafClick.Median() / leafEnumeration.Median(); }
};

// The window's session, counting every call that reaches the manager.
CCountingSession::Counts g_managerCalls;

// One bare enumeration, timed into both sample sets; false, said, when it
// fails.
bool TimeEnumeration(SC_HANDLE hManager, Samples* pBeside, Samples* pAll)
{
    std::vector<BYTE> buffer;
    DWORD dwCount = 0;
    LONGLONG llStart = Ticks();
    DWORD dwError = EnumerateServicesInto(hManager, &buffer, &dwCount);
    double dMs = MsSince(llStart);
    if (dwError != 0)
    {
        std::printf("error: EnumServicesStatusA failed: %lu\n", dwError);
        return false;
    }
    pBeside->ms.push_back(dMs);
    pAll->ms.push_back(dMs);
    return true;
}

// Rounds of the timed call beside an enumeration, in turns first so that
// a warm cache or a slow spell of the machine falls on both; the turns
// go on from nFirstRound.
template <typename Call>
bool TimeInterleaved(int nRounds, SC_HANDLE hManager, SizeFigures* pFigures, Samples* pSamples,
                     Samples* pEnumeration, Call call, int nFirstRound = 0)
{
    for (int nRound = nFirstRound; nRound < nFirstRound + nRounds; ++nRound)
    {
        if (Interrupted())
            return false;
        for (int nTurn = 0; nTurn < 2; ++nTurn)
        {
            if ((nTurn == 0) == (nRound % 2 == 0))
            {
                if (!TimeEnumeration(hManager, pEnumeration, &pFigures->enumeration))
                    return false;
            }
            else
            {
                LONGLONG llStart = Ticks();
                call();
                pSamples->ms.push_back(MsSince(llStart));
            }
        }
        // What the call asked to repaint is painted here, outside the
        // timing, as in the program's own message loop.
        PumpMessages();
    }
    return true;
}

// The CPU per second of the window left open with its status timer; false,
// said, when the timer hardly ticked or the passes had to read every start
// type.
bool MeasureIdleCpu(CMainDlg& dialog, CServicesKeyWatch& watch, DWORD dwIdleRunMs, SizeFigures* pFigures)
{
    dialog.RefreshServiceStates();
    if (!watch.Arm())
    {
        std::printf("error: the services key cannot be watched\n");
        return false;
    }
    dialog.SetTimer(CMainDlg::kStatusTimer, CMainDlg::kStatusTimerPeriodMs);
    IdleRun idle = PumpFor(dialog.GetSafeHwnd(), dwIdleRunMs);
    dialog.KillTimer(CMainDlg::kStatusTimer);
    if (Interrupted())
        return false;
    pFigures->dIdleCpuPerSecond = idle.dCpuMs / idle.dSeconds;
    std::printf("idle: %d timer passes in %.1f s, CPU %.0f ms = %.1f ms per s\n", idle.nTimerPasses, idle.dSeconds,
                idle.dCpuMs, pFigures->dIdleCpuPerSecond);
    int nExpectedPasses = static_cast<int>(dwIdleRunMs / CMainDlg::kStatusTimerPeriodMs);
    if (idle.nTimerPasses < nExpectedPasses / 2)
    {
        std::printf("error: the status timer ticked %d times in %.1f s\n", idle.nTimerPasses, idle.dSeconds);
        return false;
    }
    if (watch.WaitChanged(0))
    {
        std::printf("error: the manager's store reported a change while the idle CPU was measured\n");
        return false;
    }
    return true;
}

// The CPU of one idle pass and of one bare enumeration, each taken over
// runs of calls long enough for Wine's 10 ms steps of process time not to
// matter, in turns.
void MeasureCallCpu(CMainDlg& dialog, SC_HANDLE hManager, SizeFigures* pFigures)
{
    std::vector<BYTE> buffer;
    DWORD dwCount = 0;
    ULONGLONG ullCpu[2] = {0, 0};
    int nCalls[2] = {0, 0};
    for (int nTurn = 0; nTurn < 2 * kCpuTurns && !Interrupted(); ++nTurn)
    {
        int nKind = nTurn % 2;
        ULONGLONG ullStart = ProcessCpuTime();
        LONGLONG llStart = Ticks();
        while (MsSince(llStart) < kCpuTurnMs)
        {
            if (nKind == 0)
                dialog.RefreshServiceStates();
            else
                EnumerateServicesInto(hManager, &buffer, &dwCount);
            ++nCalls[nKind];
        }
        ullCpu[nKind] += ProcessCpuTime() - ullStart;
        PumpMessages();
    }
    pFigures->dPassCpuMs = nCalls[0] > 0 ? static_cast<double>(ullCpu[0]) / 10000.0 / nCalls[0] : 0;
    pFigures->dEnumerationCpuMs = nCalls[1] > 0 ? static_cast<double>(ullCpu[1]) / 10000.0 / nCalls[1] : 0;
    std::printf("CPU per call: idle pass %.2f ms (%d calls), enumeration %.2f ms (%d calls)\n", pFigures->dPassCpuMs,
                nCalls[0], pFigures->dEnumerationCpuMs, nCalls[1]);
}

// Passes right after a start type changed behind the window's back: the
// store's notice makes each of them read every start type again. Each must
// show the new start type.
bool TimeChangePasses(CMainDlg& dialog, CTestService& changed, CServicesKeyWatch& watch, SC_HANDLE hManager,
                      SizeFigures* pFigures)
{
    const CListCtrl& list = dialog.ServiceList();
    int nRow = RowOf(list, changed.Name());
    if (nRow < 0)
    {
        std::printf("error: %s is not listed\n", changed.Name().c_str());
        return false;
    }
    int nUnseen = 0;
    // An even count leaves the service as it was registered.
    for (int nRound = 0; nRound < kChangeRounds; ++nRound)
    {
        if (Interrupted())
            return false;
        DWORD dwStartType = nRound % 2 == 0 ? SERVICE_DISABLED : SERVICE_DEMAND_START;
        if (!watch.Arm())
        {
            std::printf("error: the services key cannot be watched\n");
            return false;
        }
        testing::AssertionResult changedType = changed.ChangeStartType(dwStartType);
        if (!changedType)
        {
            std::printf("error: %s\n", changedType.message());
            return false;
        }
        if (!watch.WaitChanged(kNoticeTimeoutMs))
        {
            std::printf("error: no change notice within %lu ms of the start type change\n", kNoticeTimeoutMs);
            return false;
        }
        if (!TimeInterleaved(1, hManager, pFigures, &pFigures->changePass, &pFigures->changeEnumeration,
                             [&dialog] { dialog.RefreshServiceStates(); }, nRound))
            return false;
        bool bDisabled = dwStartType == SERVICE_DISABLED;
        if (list.GetItemText(nRow, 1) != changed.Name() ||
            list.GetItemText(nRow, 3) != (bDisabled ? ServiceTexts::kDisabled : ServiceTexts::kManual) ||
            list.GetItemImage(nRow) != (bDisabled ? 2 : 1))
            ++nUnseen;
    }
    if (nUnseen != 0)
    {
        std::printf("error: %d of %d passes after a change did not show the new start type\n", nUnseen,
                    kChangeRounds);
        return false;
    }
    return true;
}

// Everything measured at the bed's present size; false, said, when a
// figure cannot be trusted.
bool MeasureSize(CMainDlg& dialog, ServiceBed& services, DWORD dwIdleRunMs, SizeFigures* pFigures)
{
    CBenchManager control;
    SC_HANDLE hManager = control.ManagerHandle();
    pFigures->nRegistered = static_cast<int>(services.size());

    // One of each first, unmeasured: the list's storage and the manager's
    // caches warm up, and the first pass reads every start type again
    // after the registrations, which the idle passes find kept.
    std::vector<BYTE> buffer;
    DWORD dwEnumerated = 0;
    if (!WarmUpEnumeration(control, &buffer, &dwEnumerated))
        return false;
    // The timer's passes would land between a change and the pass timed
    // after it; it runs only in the idle CPU's turns.
    dialog.KillTimer(CMainDlg::kStatusTimer);
    dialog.FillServiceList(ServiceListRules::AllServices());
    dialog.RefreshServiceStates();
    dialog.RefreshServiceStates();
    PumpMessages();

    if (!TimeInterleaved(kFillRounds, hManager, pFigures, &pFigures->fill, &pFigures->fillEnumeration,
                         [&dialog] { dialog.FillServiceList(ServiceListRules::AllServices()); }))
        return false;
    dialog.RefreshServiceStates();

    CServicesKeyWatch watch;
    if (!watch.Arm())
    {
        std::printf("error: the services key cannot be watched\n");
        return false;
    }
    if (!TimeInterleaved(kIdleRounds, hManager, pFigures, &pFigures->pass, &pFigures->passEnumeration,
                         [&dialog] { dialog.RefreshServiceStates(); }))
        return false;
    // A notice here would have made the passes read every start type, and
    // the figures would not be those of an idle list.
    if (watch.WaitChanged(0))
    {
        std::printf("error: the manager's store reported a change during the idle passes\n");
        return false;
    }

    if (!TimeChangePasses(dialog, *services[kRunningCount + kDisabledCount], watch, hManager, pFigures))
        return false;

    // A click on "已暂停", which keeps few services if any, then the one
    // timed: on "全部", which shows every service of the table.
    const ServiceListRules::Category smallLeaf = ServiceListRules::CategoryFor("已暂停");
    int nCallsBefore = g_managerCalls.Total();
    for (int nRound = 0; nRound < kLeafRounds; ++nRound)
    {
        dialog.ShowCategory(smallLeaf);
        PumpMessages();
        if (!TimeInterleaved(1, hManager, pFigures, &pFigures->leafClick, &pFigures->leafEnumeration,
                             [&dialog] { dialog.ShowCategory(ServiceListRules::AllServices()); }, nRound))
            return false;
    }
    pFigures->nLeafManagerCalls = g_managerCalls.Total() - nCallsBefore;

    if (!MeasureIdleCpu(dialog, watch, dwIdleRunMs, pFigures))
        return false;
    if (!watch.Arm())
        return false;
    MeasureCallCpu(dialog, hManager, pFigures);
    if (watch.WaitChanged(0))
    {
        std::printf("error: the manager's store reported a change while the CPU per call was measured\n");
        return false;
    }

    // Checked after the timing; the services did not change meanwhile but
    // for the start type, which the passes showed back as it was.
    std::vector<ManagerRow> managerRows;
    int nLoopFailures = RunPerServiceLoop(control, &managerRows);
    if (nLoopFailures != 0)
    {
        std::printf("error: the per-service loop failed on %d services\n", nLoopFailures);
        return false;
    }
    std::set<std::string> registered;
    for (const auto& pService : services)
        registered.insert(pService->Name());
    int nRegisteredListed = 0;
    if (CompareListWithManager(dialog, managerRows, registered, &nRegisteredListed) != 0)
        return false;
    pFigures->nListed = dialog.ServiceList().GetItemCount();

    std::printf("fill: median %.1f ms beside an enumeration of %.2f ms = %.2f\n", pFigures->fill.Median(),
                pFigures->fillEnumeration.Median(), pFigures->dFillRatio());
    std::printf("idle pass: median %.2f ms, max %.2f ms, beside an enumeration of %.2f ms = %.2f\n",
                pFigures->pass.Median(), pFigures->pass.Max(), pFigures->passEnumeration.Median(),
                pFigures->dPassRatio());
    std::printf("change pass: median %.2f ms beside an enumeration of %.2f ms = %.2f\n",
                pFigures->changePass.Median(), pFigures->changeEnumeration.Median(), pFigures->dChangeRatio());
    std::printf("leaf click (small leaf, then 全部): median %.2f ms beside an enumeration of %.2f ms = %.2f; "
                "%d calls to the manager in %d pairs of clicks\n",
                pFigures->leafClick.Median(), pFigures->leafEnumeration.Median(), pFigures->dLeafRatio(),
                pFigures->nLeafManagerCalls, kLeafRounds);
    std::printf("services listed: %d, as the manager answers (%d registered here)\n", pFigures->nListed,
                nRegisteredListed);
    return true;
}

void PrintFineSamples(const char* pszName, const Samples& samples)
{
    std::printf("  %s: median %.2f ms, min %.2f ms (n=%d)\n", pszName, samples.Median(), samples.Min(),
                static_cast<int>(samples.ms.size()));
}

// Where the time of a fill and of an idle pass goes, part by part, each
// part timed in the same rounds as a fill, a pass and a bare enumeration:
// the list's own enumeration, the rebuilding of the list control (on the
// window's own list, with its notifications to the window; a fill puts the
// rows back before anything reads them) and turning its redraw back on,
// which updates its scroll bar; for the pass, a poller's look at the
// manager, the one list read per row and the lookups by name.
void MeasureParts(CMainDlg& dialog, CBenchManager& control, int nRegistered)
{
    SC_HANDLE hManager = control.ManagerHandle();
    IServiceSession& session = control.Session();
    const CListCtrl& list = dialog.ServiceList();
    HWND hList = list.GetSafeHwnd();
    int nRows = list.GetItemCount();
    std::vector<std::string> texts[4];
    for (int i = 0; i < nRows; ++i)
    {
        for (int nColumn = 0; nColumn < 4; ++nColumn)
            texts[nColumn].push_back(list.GetItemText(i, nColumn));
    }
    std::vector<std::wstring> names;
    for (const std::string& strName : texts[1])
        names.push_back(GbkText::ToWide(strName));
    CServicePoller poller;
    poller.Refresh(session);

    Samples enumeration, fill, pass, listEnumeration, deleteAll, inserts, subitemTexts, redrawOn, refresh, reads,
        lookups;
    auto time = [](Samples* pSamples, auto call) {
        LONGLONG llStart = Ticks();
        call();
        pSamples->ms.push_back(MsSince(llStart));
    };
    SizeFigures unused;
    for (int nRound = 0; nRound < kPartRounds && !Interrupted(); ++nRound)
    {
        TimeEnumeration(hManager, &enumeration, &unused.enumeration);
        time(&fill, [&dialog] { dialog.FillServiceList(ServiceListRules::AllServices()); });
        PumpMessages();
        time(&pass, [&dialog] { dialog.RefreshServiceStates(); });
        time(&listEnumeration, [&session] {
            std::vector<EnumeratedService> services;
            session.Enumerate(SERVICE_WIN32, &services);
        });

        // In the fill's order: redraw off first.
        ::SendMessageA(hList, WM_SETREDRAW, FALSE, 0);
        time(&deleteAll, [&list] { list.DeleteAllItems(); });
        time(&inserts, [&] {
            for (int i = 0; i < nRows; ++i)
                list.InsertItem(i, texts[0][i], 1, 0);
        });
        time(&subitemTexts, [&] {
            for (int i = 0; i < nRows; ++i)
            {
                for (int nColumn = 1; nColumn < 4; ++nColumn)
                    list.SetItemText(i, nColumn, texts[nColumn][i]);
            }
        });
        time(&redrawOn, [hList] { ::SendMessageA(hList, WM_SETREDRAW, TRUE, 0); });
        dialog.FillServiceList(ServiceListRules::AllServices());
        PumpMessages();

        time(&refresh, [&] { poller.Refresh(session); });
        time(&reads, [&] {
            for (int i = 0; i < nRows; ++i)
                list.GetItemData(i);
        });
        time(&lookups, [&] {
            for (const std::wstring& wstrName : names)
                poller.Find(wstrName);
        });
    }
    if (enumeration.ms.empty())
        return;
    std::printf("parts at %d services (%d rows), beside a bare enumeration of %.2f ms:\n", nRegistered, nRows,
                enumeration.Median());
    PrintFineSamples("the fill", fill);
    PrintFineSamples("  the list's own enumeration", listEnumeration);
    PrintFineSamples("  list control: delete every row", deleteAll);
    PrintFineSamples("  list control: insert every row (redraw off)", inserts);
    PrintFineSamples("  list control: three sub-item texts per row", subitemTexts);
    PrintFineSamples("  list control: redraw on again (its scroll bar redone)", redrawOn);
    std::printf("    the fill beyond these: %.2f ms\n",
                fill.Median() - listEnumeration.Median() - deleteAll.Median() - inserts.Median() -
                    subitemTexts.Median() - redrawOn.Median());
    PrintFineSamples("the idle pass", pass);
    PrintFineSamples("  a poller's look at the manager", refresh);
    PrintFineSamples("  one list read per row", reads);
    PrintFineSamples("  lookups by name", lookups);
    std::printf("    the idle pass beyond these: %.2f ms\n",
                pass.Median() - refresh.Median() - reads.Median() - lookups.Median());
}

void PrintTable(const std::vector<SizeFigures>& sizes)
{
    const SizeFigures& base = sizes.front();
    std::printf("\n%6s | %6s | %8s | %15s | %15s | %15s | %14s | %6s | %14s | %14s\n", "size", "listed", "enum ms",
                "fill ms (x)", "pass ms (x)", "change ms (x)", "idle CPU ms/s", "enum", "pass CPU ms", "enum CPU ms");
    for (const SizeFigures& size : sizes)
    {
        std::printf("%6d | %6d | %8.2f | %6.1f (%5.2f) | %6.2f (%5.2f) | %6.2f (%5.2f) | %6.1f (%5.2f) | %6.2f | "
                    "%5.2f (%6.2f) | %5.2f (%6.2f)\n",
                    size.nRegistered, size.nListed, size.enumeration.Median(), size.fill.Median(), size.dFillRatio(),
                    size.pass.Median(), size.dPassRatio(), size.changePass.Median(), size.dChangeRatio(),
                    size.dIdleCpuPerSecond, size.dIdleCpuPerSecond / base.dIdleCpuPerSecond,
                    size.enumeration.Median() / base.enumeration.Median(), size.dPassCpuMs,
                    size.dPassCpuMs / base.dPassCpuMs, size.dEnumerationCpuMs,
                    size.dEnumerationCpuMs / base.dEnumerationCpuMs);
    }
    std::printf("(x: median against the median of the enumerations interleaved with it; in the CPU columns, growth "
                "relative to %d services, and \"enum\" the growth of the enumeration's median)\n\n",
                base.nRegistered);
}

// One line per goal, with the worst size.
void PrintGoals(const std::vector<SizeFigures>& sizes)
{
    auto worst = [&sizes](double (SizeFigures::*pfnRatio)() const) {
        const SizeFigures* pWorst = &sizes.front();
        for (const SizeFigures& size : sizes)
        {
            if ((size.*pfnRatio)() > (pWorst->*pfnRatio)())
                pWorst = &size;
        }
        return pWorst;
    };
    const SizeFigures* pPass = worst(&SizeFigures::dPassRatio);
    std::printf("%s: idle pass within %.1f enumerations at every size (worst %.2f at %d)\n",
                pPass->dPassRatio() <= kPassGoal ? "PASS" : "MISS", kPassGoal, pPass->dPassRatio(),
                pPass->nRegistered);
    const SizeFigures* pChange = worst(&SizeFigures::dChangeRatio);
    std::printf("%s: pass after a change within %.1f enumerations at every size (worst %.2f at %d)\n",
                pChange->dChangeRatio() <= kPassGoal ? "PASS" : "MISS", kPassGoal, pChange->dChangeRatio(),
                pChange->nRegistered);
    const SizeFigures& largest = sizes.back();
    std::printf("%s: leaf click at %d services (small leaf -> 全部) below one enumeration (%.2f ms beside %.2f ms = "
                "%.2f)\n",
                largest.dLeafRatio() < 1.0 ? "PASS" : "MISS", largest.nRegistered, largest.leafClick.Median(),
                largest.leafEnumeration.Median(), largest.dLeafRatio());
    int nLeafCalls = 0;
    for (const SizeFigures& size : sizes)
        nLeafCalls += size.nLeafManagerCalls;
    std::printf("%s: a leaf click makes no call to the service manager (%d calls at all sizes)\n",
                nLeafCalls == 0 ? "PASS" : "MISS", nLeafCalls);
    const SizeFigures* pFill = worst(&SizeFigures::dFillRatio);
    std::printf("%s: fill within %.1f enumerations at every size (worst %.2f at %d)\n",
                pFill->dFillRatio() <= kFillGoal ? "PASS" : "MISS", kFillGoal, pFill->dFillRatio(),
                pFill->nRegistered);

    // The idle CPU against the growth of the enumeration's time; the CPU of
    // a pass against that of an enumeration, like for like.
    const SizeFigures& base = sizes.front();
    auto excess = [&base](const SizeFigures& size, bool bPerCall) {
        return bPerCall ? (size.dPassCpuMs / base.dPassCpuMs) / (size.dEnumerationCpuMs / base.dEnumerationCpuMs)
                        : (size.dIdleCpuPerSecond / base.dIdleCpuPerSecond) /
                              (size.enumeration.Median() / base.enumeration.Median());
    };
    for (bool bPerCall : {false, true})
    {
        const SizeFigures* pWorst = &sizes.back();
        for (const SizeFigures& size : sizes)
        {
            if (&size != &base && excess(size, bPerCall) > excess(*pWorst, bPerCall))
                pWorst = &size;
        }
        double dExcess = excess(*pWorst, bPerCall);
        std::printf("%s: %s (at most %.2f times its growth, at %d)\n", dExcess <= 1.0 ? "PASS" : "MISS",
                    bPerCall ? "a pass's CPU grows no faster than an enumeration's CPU"
                             : "idle CPU grows no faster than the enumeration",
                    dExcess, pWorst->nRegistered);
    }
}

int Run(ServiceBed& services)
{
    // Before the window: a box from a fill or a pass would otherwise wait
    // for a click that never comes.
    CMessageBoxWatcher watcher;
    std::unique_ptr<CMainDlg> pDialog = OpenMainWindow();
    if (!pDialog)
        return 1;
    pDialog->SetServiceSession(std::make_unique<CCountingSession>(OpenServiceSession(), &g_managerCalls));

    std::vector<SizeFigures> sizes;
    bool bValid = true;
    for (const auto& size : kSizes)
    {
        if (!GrowServiceBed(kStem, size.nServices, &services))
            return 1;
        std::printf("-- %d services\n", size.nServices);
        sizes.emplace_back();
        if (!MeasureSize(*pDialog, services, size.dwIdleRunMs, &sizes.back()))
        {
            bValid = false;
            break;
        }
        // The smallest list, where fixed costs weigh most, and the largest.
        if (&size == &kSizes[0] || &size == &kSizes[std::size(kSizes) - 1])
        {
            CBenchManager control;
            MeasureParts(*pDialog, control, size.nServices);
        }
    }

    pDialog.reset();
    PumpMessages();
    // A box inside a timed call also spoils its figure.
    if (!ReportMessageBoxes(watcher))
        bValid = false;
    if (!bValid)
    {
        std::printf("MISS: the figures do not count, see the errors above\n");
        return 1;
    }
    PrintTable(sizes);
    PrintGoals(sizes);
    return 0;
}
} // namespace

int main()
{
    return RunWithServices(kStem, Run, kSizes[0].nServices);
}
