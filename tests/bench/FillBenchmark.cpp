// Times the main window's service list fill with 300 registered test-bed
// services, beside two figures taken in the same run: a bare enumeration
// (what the fill cannot go below) and the open-and-query loop per service
// the list used to run (what the fill replaced).
#include "app/MainDlg.h"
#include "app/ServiceListRules.h"
#include "bench/BenchSupport.h"
#include "res/resource.h"
#include "services/ServiceSession.h"
#include "services/ServiceTexts.h"
#include "support/MessageBoxWatcher.h"
#include "support/TestServices.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace
{
using namespace Bench;

constexpr int kRounds = 20;
// The per-service loop costs tens of times a fill; every fourth round
// keeps the whole run well under a minute.
constexpr int kLiteralEvery = 4;
constexpr double kTargetMs = 100.0;
const char* const kStem = "QmBench";

int Run(ServiceBed& services)
{
    std::set<std::string> registered;
    for (const auto& pService : services)
        registered.insert(pService->Name());

    // Before the window: a box from the fill would otherwise wait for a
    // click that never comes.
    CMessageBoxWatcher watcher;
    std::unique_ptr<CMainDlg> pDialog = OpenMainWindow();
    if (!pDialog)
        return 1;

    CBenchManager control;
    // One of each first, unmeasured: caches and the list's storage warm up.
    std::vector<BYTE> buffer;
    DWORD dwEnumerated = 0;
    if (!WarmUpEnumeration(control, &buffer, &dwEnumerated))
        return 1;
    DWORD dwError = 0;
    pDialog->FillServiceList(ServiceListRules::AllServices());
    PumpMessages();
    std::vector<ManagerRow> managerRows;
    int nLoopFailures = RunPerServiceLoop(control, &managerRows);

    // Interleaved, so that a slow spell of the machine falls on all three.
    Samples fill, enumeration, literal;
    ULONGLONG ullFillCpu = 0;
    for (int nRound = 0; nRound < kRounds; ++nRound)
    {
        if (Interrupted())
            return 1;
        LONGLONG llEnum = Ticks();
        dwError = EnumerateServicesInto(control.ManagerHandle(), &buffer, &dwEnumerated);
        enumeration.ms.push_back(MsSince(llEnum));
        if (dwError != 0)
        {
            std::printf("error: EnumServicesStatusA failed: %lu\n", dwError);
            return 1;
        }

        ULONGLONG ullCpu = ProcessCpuTime();
        LONGLONG llFill = Ticks();
        pDialog->FillServiceList(ServiceListRules::AllServices());
        fill.ms.push_back(MsSince(llFill));
        ullFillCpu += ProcessCpuTime() - ullCpu;
        // The repaint the fill asked for happens here, outside the timing,
        // as it does in the program's own message loop.
        PumpMessages();

        if (nRound % kLiteralEvery == 0)
        {
            LONGLONG llLoop = Ticks();
            int nFailures = RunPerServiceLoop(control, &managerRows);
            literal.ms.push_back(MsSince(llLoop));
            nLoopFailures = std::max(nLoopFailures, nFailures);
        }
    }

    PrintSamples("fill", fill);
    std::printf("fill CPU: %.1f ms per call (process user+kernel over %d calls)\n",
                static_cast<double>(ullFillCpu) / 10000.0 / kRounds, kRounds);
    PrintSamples("enumeration", enumeration);
    PrintSamples("literal", literal);
    std::printf("fill/enumeration: %.1f\n", fill.Median() / enumeration.Median());
    std::printf("literal/fill: %.1f\n", literal.Median() / fill.Median());

    // Checked after the timing; the services do not change meanwhile.
    bool bValid = true;
    if (nLoopFailures != 0)
    {
        std::printf("error: the per-service loop failed on %d services\n", nLoopFailures);
        bValid = false;
    }
    int nRegisteredListed = 0;
    if (CompareListWithManager(*pDialog, managerRows, registered, &nRegisteredListed) != 0)
        bValid = false;
    int nListed = pDialog->ServiceList().GetItemCount();
    std::printf("services listed: %d (%d of them registered here, %lu enumerated)\n", nListed,
                nRegisteredListed, dwEnumerated);

    pDialog.reset();
    PumpMessages();
    // A box inside a timed call also spoils its figure.
    if (!ReportMessageBoxes(watcher))
        bValid = false;

    double dMedian = fill.Median();
    if (!bValid)
        std::printf("MISS: the figures do not count, see the errors above\n");
    else if (dMedian < kTargetMs)
        std::printf("PASS: fill median %.1f ms under %.0f ms with %d services listed (%d registered)\n", dMedian,
                    kTargetMs, nListed, kServiceCount);
    else
        std::printf("MISS: fill median %.1f ms, not under %.0f ms with %d services listed (%d registered)\n",
                    dMedian, kTargetMs, nListed, kServiceCount);
    return bValid ? 0 : 1;
}

} // namespace

int main()
{
    return RunWithServices(kStem, Run);
}
