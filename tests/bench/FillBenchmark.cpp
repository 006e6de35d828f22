// Times the main window's service list fill with 300 registered test-bed
// services, beside two figures taken in the same run: a bare enumeration
// (what the fill cannot go below) and the open-and-query loop per service
// the list used to run (what the fill replaced).
#include "app/MainDlg.h"
#include "app/ServiceListRules.h"
#include "res/resource.h"
#include "services/ServiceControl.h"
#include "services/ServiceTexts.h"
#include "support/MessageBoxWatcher.h"
#include "support/TestServices.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace
{
constexpr int kServiceCount = 300;
constexpr int kRunningCount = 5;
constexpr int kDisabledCount = 5;
constexpr int kRounds = 20;
// The per-service loop costs tens of times a fill; every fourth round
// keeps the whole run well under a minute.
constexpr int kLiteralEvery = 4;
constexpr double kTargetMs = 100.0;
const char* const kStem = "QmBench";

volatile LONG g_nInterrupted = 0;

// Ctrl+C ends the run at the next step instead of killing the process, so
// that the registered services are still removed.
BOOL WINAPI OnConsoleControl(DWORD)
{
    InterlockedExchange(&g_nInterrupted, 1);
    return TRUE;
}

bool Interrupted()
{
    if (g_nInterrupted == 0)
        return false;
    std::printf("interrupted: removing the services and ending\n");
    return true;
}

LONGLONG Ticks()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double MsSince(LONGLONG llStart)
{
    static const double s_dFrequency = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart);
    }();
    return static_cast<double>(Ticks() - llStart) * 1000.0 / s_dFrequency;
}

// User plus kernel time of this process, in 100 ns units.
ULONGLONG ProcessCpuTime()
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    auto value = [](const FILETIME& time) {
        return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return value(kernel) + value(user);
}

struct Samples
{
    std::vector<double> ms;

    double Median() const
    {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        std::size_t n = sorted.size();
        return n % 2 == 1 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2.0;
    }
    double Min() const { return *std::min_element(ms.begin(), ms.end()); }
};

void PrintSamples(const char* pszName, const Samples& samples)
{
    std::printf("%s: median %.1f ms, min %.1f ms (n=%d)\n", pszName, samples.Median(), samples.Min(),
                static_cast<int>(samples.ms.size()));
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// The size query and the exactly sized call, as the fill makes them; 0 or
// the error of the call that failed.
DWORD EnumerateServices(SC_HANDLE hManager, std::vector<BYTE>* pBuffer, DWORD* pdwCount)
{
    DWORD dwNeeded = 0, dwCount = 0, dwResume = 0;
    *pdwCount = 0;
    if (EnumServicesStatusA(hManager, SERVICE_WIN32, SERVICE_STATE_ALL, nullptr, 0, &dwNeeded, &dwCount,
                            &dwResume))
        return 0;
    DWORD dwError = GetLastError();
    if (dwError != ERROR_MORE_DATA && dwError != ERROR_INSUFFICIENT_BUFFER)
        return dwError;
    pBuffer->assign(dwNeeded, 0);
    dwResume = 0;
    // Wine leaves the size error behind on success: the return value decides.
    if (!EnumServicesStatusA(hManager, SERVICE_WIN32, SERVICE_STATE_ALL,
                             reinterpret_cast<ENUM_SERVICE_STATUSA*>(pBuffer->data()), dwNeeded, &dwNeeded,
                             &dwCount, &dwResume))
        return GetLastError();
    *pdwCount = dwCount;
    return 0;
}

struct ServiceRow
{
    std::string strName;
    std::string strState;
    std::string strStartType;
    int nImage = -1;
};

// What the list did per service before it read start types from the
// registry. Returns the number of services whose open or queries failed,
// or -1 when the enumeration itself failed.
int RunPerServiceLoop(CServiceControl& control, std::vector<ServiceRow>* pRows)
{
    std::vector<BYTE> buffer;
    DWORD dwCount = 0;
    if (EnumerateServices(control.ManagerHandle(), &buffer, &dwCount) != 0)
        return -1;
    const auto* pServices = reinterpret_cast<const ENUM_SERVICE_STATUSA*>(buffer.data());
    pRows->assign(dwCount, ServiceRow());
    int nFailures = 0;
    for (DWORD i = 0; i < dwCount; ++i)
    {
        ServiceRow& row = (*pRows)[i];
        row.strName = pServices[i].lpServiceName;
        DWORD dwError = control.Open(row.strName, CServiceControl::kAccessRead);
        if (dwError == 0)
            dwError = control.QueryStatus(&row.strState, nullptr);
        if (dwError == 0)
            dwError = control.QueryConfig(&row.strStartType, nullptr, nullptr, nullptr, &row.nImage);
        control.Close();
        if (dwError != 0)
            ++nFailures;
    }
    return nFailures;
}

std::string SummaryOf(HWND hDialog)
{
    char szText[256] = {};
    GetDlgItemTextA(hDialog, IDC_SUMMARY, szText, sizeof(szText));
    return szText;
}

// Holds the filled list to what the manager answers service by service, so
// that a fast fill is also a right one. Returns the number of differences.
int CompareListWithManager(const CMainDlg& dialog, const std::vector<ServiceRow>& managerRows,
                           const std::set<std::string>& registered, int* pnRegisteredListed)
{
    const CListCtrl& list = dialog.ServiceList();
    int nRows = list.GetItemCount();
    int nDifferences = 0;
    auto report = [&nDifferences](const std::string& strWhat) {
        // Only the first few; the count says the rest.
        if (++nDifferences <= 5)
            std::printf("error: %s\n", strWhat.c_str());
    };

    std::map<std::string, const ServiceRow*> byName;
    for (const ServiceRow& row : managerRows)
        byName[row.strName] = &row;
    if (static_cast<std::size_t>(nRows) != managerRows.size())
        report("the list has " + std::to_string(nRows) + " rows, the manager " +
               std::to_string(managerRows.size()) + " services");

    *pnRegisteredListed = 0;
    for (int i = 0; i < nRows; ++i)
    {
        std::string strName = list.GetItemText(i, 1);
        if (registered.count(strName) != 0)
            ++*pnRegisteredListed;
        auto found = byName.find(strName);
        if (found == byName.end())
        {
            report("listed but not known to the manager: " + strName);
            continue;
        }
        const ServiceRow& expected = *found->second;
        if (list.GetItemText(i, 2) != expected.strState || list.GetItemText(i, 3) != expected.strStartType ||
            list.GetItemImage(i) != expected.nImage)
            report("row of " + strName + " differs from the manager's answer");
    }
    if (*pnRegisteredListed != static_cast<int>(registered.size()))
        report(std::to_string(*pnRegisteredListed) + " of the " + std::to_string(registered.size()) +
               " registered services are listed");
    std::string strSummary = ServiceListRules::SummaryText(nRows, ServiceListRules::kAll);
    if (SummaryOf(dialog.GetSafeHwnd()) != strSummary)
        report("the summary line does not count the rows");
    if (nDifferences > 5)
        std::printf("error: %d differences in all\n", nDifferences);
    return nDifferences;
}

bool RegisterServices(std::vector<std::unique_ptr<CTestService>>* pServices)
{
    LONGLONG llStart = Ticks();
    for (int i = 0; i < kServiceCount; ++i)
    {
        if (Interrupted())
            return false;
        TestServiceSpec definition;
        definition.strName = UniqueServiceName(kStem);
        // Half the display names in Chinese, so that the sort meets GBK.
        char szDisplay[64];
        std::snprintf(szDisplay, sizeof(szDisplay), i % 2 == 0 ? "基准服务 %03d" : "Bench service %03d", i);
        definition.strDisplayName = szDisplay;
        if (i < kRunningCount)
            definition.strArguments = "--accept=stop";
        else if (i < kRunningCount + kDisabledCount)
            definition.dwStartType = SERVICE_DISABLED;
        pServices->emplace_back(new CTestService(definition));
        testing::AssertionResult created = pServices->back()->Created();
        if (!created)
        {
            std::printf("error: %s\n", created.message());
            return false;
        }
        if (i < kRunningCount)
        {
            testing::AssertionResult running = pServices->back()->StartAndWaitRunning();
            if (!running)
            {
                std::printf("error: %s\n", running.message());
                return false;
            }
        }
    }
    std::printf("register: %d services in %.0f ms (%d running, %d disabled, the rest stopped on demand)\n",
                kServiceCount, MsSince(llStart), kRunningCount, kDisabledCount);
    return true;
}

int Run(std::vector<std::unique_ptr<CTestService>>* pServices)
{
    if (!RegisterServices(pServices))
        return 1;
    std::set<std::string> registered;
    for (const auto& pService : *pServices)
        registered.insert(pService->Name());

    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    // Before the window: a box from the fill would otherwise wait for a
    // click that never comes.
    CMessageBoxWatcher watcher;
    LONGLONG llStart = Ticks();
    auto pDialog = std::make_unique<CMainDlg>(nullptr);
    if (!pDialog->Create())
    {
        std::printf("error: the main window was not created: %lu\n", GetLastError());
        return 1;
    }
    PumpMessages();
    std::printf("window: created in %.1f ms (its first fill included)\n", MsSince(llStart));

    CServiceControl control;
    if (control.ManagerHandle() == nullptr)
    {
        std::printf("error: the service manager cannot be opened: %lu\n", GetLastError());
        return 1;
    }

    // One of each first, unmeasured: caches and the list's storage warm up.
    std::vector<BYTE> buffer;
    DWORD dwEnumerated = 0;
    DWORD dwError = EnumerateServices(control.ManagerHandle(), &buffer, &dwEnumerated);
    if (dwError != 0)
    {
        std::printf("error: EnumServicesStatusA failed: %lu\n", dwError);
        return 1;
    }
    pDialog->FillServiceList(ServiceListRules::kAll);
    PumpMessages();
    std::vector<ServiceRow> managerRows;
    int nLoopFailures = RunPerServiceLoop(control, &managerRows);

    // Interleaved, so that a slow spell of the machine falls on all three.
    Samples fill, enumeration, literal;
    ULONGLONG ullFillCpu = 0;
    for (int nRound = 0; nRound < kRounds; ++nRound)
    {
        if (Interrupted())
            return 1;
        LONGLONG llEnum = Ticks();
        dwError = EnumerateServices(control.ManagerHandle(), &buffer, &dwEnumerated);
        enumeration.ms.push_back(MsSince(llEnum));
        if (dwError != 0)
        {
            std::printf("error: EnumServicesStatusA failed: %lu\n", dwError);
            return 1;
        }

        ULONGLONG ullCpu = ProcessCpuTime();
        LONGLONG llFill = Ticks();
        pDialog->FillServiceList(ServiceListRules::kAll);
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
    if (watcher.Boxes().empty())
    {
        std::printf("message boxes: none\n");
    }
    else
    {
        // A box inside a timed call also spoils its figure.
        bValid = false;
        for (const CMessageBoxWatcher::Box& box : watcher.Boxes())
            std::printf("error: message box \"%s\": %s\n", box.strCaption.c_str(), box.strText.c_str());
    }

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

// Our services left in the manager, found by the stem and this process id.
int CountLeftovers()
{
    CServiceControl control;
    std::vector<BYTE> buffer;
    DWORD dwCount = 0;
    if (control.ManagerHandle() == nullptr || EnumerateServices(control.ManagerHandle(), &buffer, &dwCount) != 0)
        return -1;
    std::string strPrefix = std::string(kStem) + "_" + std::to_string(GetCurrentProcessId()) + "_";
    const auto* pServices = reinterpret_cast<const ENUM_SERVICE_STATUSA*>(buffer.data());
    int nLeft = 0;
    for (DWORD i = 0; i < dwCount; ++i)
    {
        if (std::string(pServices[i].lpServiceName).compare(0, strPrefix.size(), strPrefix) == 0)
            ++nLeft;
    }
    return nLeft;
}
} // namespace

int main()
{
    // Unbuffered: a pipe would otherwise hold every line until the end.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    LONGLONG llStart = Ticks();

    int nResult = 1;
    std::vector<std::unique_ptr<CTestService>> services;
    try
    {
        nResult = Run(&services);
    }
    catch (const std::exception& error)
    {
        std::printf("error: %s\n", error.what());
    }
    catch (...)
    {
        std::printf("error: an unknown exception\n");
    }

    // Here rather than in Run, so that every way out of it removes them.
    std::size_t nRegistered = services.size();
    LONGLONG llRemove = Ticks();
    services.clear();
    std::printf("remove: %zu services in %.0f ms\n", nRegistered, MsSince(llRemove));
    int nLeft = CountLeftovers();
    if (nLeft < 0)
    {
        std::printf("error: the manager could not be asked what is left\n");
        nResult = 1;
    }
    else if (nLeft > 0)
    {
        std::printf("error: %d registered services are still there\n", nLeft);
        nResult = 1;
    }
    std::printf("total: %.1f s\n", MsSince(llStart) / 1000.0);
    return nResult;
}
