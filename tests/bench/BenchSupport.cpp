#include "bench/BenchSupport.h"

#include "app/MainDlg.h"
#include "app/ServiceListRules.h"
#include "common/GbkText.h"
#include "services/ServiceTexts.h"
#include "res/resource.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <map>

namespace Bench
{
namespace
{
volatile LONG g_nInterrupted = 0;

// Ctrl+C ends the run at the next step instead of killing the process, so
// that the registered services are still removed.
BOOL WINAPI OnConsoleControl(DWORD)
{
    InterlockedExchange(&g_nInterrupted, 1);
    return TRUE;
}

std::string SummaryOf(HWND hDialog)
{
    char szText[256] = {};
    GetDlgItemTextA(hDialog, IDC_SUMMARY, szText, sizeof(szText));
    return szText;
}

// Our services left in the manager, found by the stem and this process id.
int CountLeftovers(const char* pszStem)
{
    CBenchManager control;
    std::vector<BYTE> buffer;
    DWORD dwCount = 0;
    if (control.ManagerHandle() == nullptr || EnumerateServicesInto(control.ManagerHandle(), &buffer, &dwCount) != 0)
        return -1;
    std::string strPrefix = std::string(pszStem) + "_" + std::to_string(GetCurrentProcessId()) + "_";
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

bool GrowServiceBed(const char* pszStem, int nTotal, ServiceBed* pServices)
{
    LONGLONG llStart = Ticks();
    int nBefore = static_cast<int>(pServices->size());
    for (int i = nBefore; i < nTotal; ++i)
    {
        if (Interrupted())
            return false;
        TestServiceSpec definition;
        definition.strName = UniqueServiceName(pszStem);
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
    if (nBefore == 0)
        std::printf("register: %d services in %.0f ms (%d running, %d disabled, the rest stopped on demand)\n",
                    nTotal, MsSince(llStart), std::min(nTotal, kRunningCount),
                    std::max(0, std::min(nTotal - kRunningCount, kDisabledCount)));
    else if (nTotal > nBefore)
        std::printf("register: %d more services in %.0f ms (%d in all)\n", nTotal - nBefore, MsSince(llStart),
                    nTotal);
    return true;
}

int RunWithServices(const char* pszStem, int (*pfnRun)(ServiceBed& services), int nCount)
{
    // Unbuffered: a pipe would otherwise hold every line until the end.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    LONGLONG llStart = Ticks();

    int nResult = 1;
    ServiceBed services;
    try
    {
        if (GrowServiceBed(pszStem, nCount, &services))
            nResult = pfnRun(services);
    }
    catch (const std::exception& error)
    {
        std::printf("error: %s\n", error.what());
    }
    catch (...)
    {
        std::printf("error: an unknown exception\n");
    }

    // Here rather than in the run, so that every way out of it removes them.
    std::size_t nRegistered = services.size();
    LONGLONG llRemove = Ticks();
    services.clear();
    std::printf("remove: %zu services in %.0f ms\n", nRegistered, MsSince(llRemove));
    int nLeft = CountLeftovers(pszStem);
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

double Samples::Median() const
{
    std::vector<double> sorted = ms;
    std::sort(sorted.begin(), sorted.end());
    std::size_t n = sorted.size();
    return n % 2 == 1 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2.0;
}

double Samples::Min() const
{
    return *std::min_element(ms.begin(), ms.end());
}

double Samples::Max() const
{
    return *std::max_element(ms.begin(), ms.end());
}

void PrintSamples(const char* pszName, const Samples& samples)
{
    std::printf("%s: median %.1f ms, min %.1f ms (n=%d)\n", pszName, samples.Median(), samples.Min(),
                static_cast<int>(samples.ms.size()));
}

std::unique_ptr<CMainDlg> OpenMainWindow()
{
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    LONGLONG llStart = Ticks();
    auto pDialog = std::make_unique<CMainDlg>(nullptr);
    if (!pDialog->Create())
    {
        std::printf("error: the main window was not created: %lu\n", GetLastError());
        return nullptr;
    }
    PumpMessages();
    std::printf("window: created in %.1f ms (its first fill included)\n", MsSince(llStart));
    return pDialog;
}

bool WarmUpEnumeration(const CBenchManager& control, std::vector<BYTE>* pBuffer, DWORD* pdwCount)
{
    if (control.ManagerHandle() == nullptr)
    {
        std::printf("error: the service manager cannot be opened: %lu\n", GetLastError());
        return false;
    }
    DWORD dwError = EnumerateServicesInto(control.ManagerHandle(), pBuffer, pdwCount);
    if (dwError != 0)
    {
        std::printf("error: EnumServicesStatusA failed: %lu\n", dwError);
        return false;
    }
    return true;
}

int RunPerServiceLoop(CBenchManager& control, std::vector<ManagerRow>* pRows)
{
    std::vector<BYTE> buffer;
    DWORD dwCount = 0;
    if (EnumerateServicesInto(control.ManagerHandle(), &buffer, &dwCount) != 0)
        return -1;
    const auto* pServices = reinterpret_cast<const ENUM_SERVICE_STATUSA*>(buffer.data());
    pRows->assign(dwCount, ManagerRow());
    int nFailures = 0;
    for (DWORD i = 0; i < dwCount; ++i)
    {
        ManagerRow& row = (*pRows)[i];
        row.strName = pServices[i].lpServiceName;
        CService service;
        SERVICE_STATUS status = {};
        DWORD dwStartType = 0;
        DWORD dwError = control.Session().Open(GbkText::ToWide(row.strName), IServiceSession::kAccessRead, &service);
        if (dwError == 0)
            dwError = service.QueryStatus(&status);
        if (dwError == 0)
            dwError = service.QueryStartType(&dwStartType);
        row.strState = ServiceTexts::RunStateText(status.dwCurrentState);
        row.strStartType = ServiceTexts::StartTypeText(dwStartType);
        row.nImage = ServiceTexts::StartTypeIndex(dwStartType);
        if (dwError != 0)
            ++nFailures;
    }
    return nFailures;
}

int CompareListWithManager(const CMainDlg& dialog, const std::vector<ManagerRow>& managerRows,
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

    std::map<std::string, const ManagerRow*> byName;
    for (const ManagerRow& row : managerRows)
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
        const ManagerRow& expected = *found->second;
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

IdleRun PumpFor(HWND hDialog, DWORD dwMs)
{
    ULONGLONG ullCpu = ProcessCpuTime();
    LONGLONG llStart = Ticks();
    int nTimerPasses = 0;
    for (;;)
    {
        double dLeft = dwMs - MsSince(llStart);
        if (dLeft <= 0 || Interrupted())
            break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(dLeft) + 1, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            if (msg.message == WM_TIMER && msg.hwnd == hDialog && msg.wParam == CMainDlg::kStatusTimer)
                ++nTimerPasses;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return {MsSince(llStart) / 1000.0, static_cast<double>(ProcessCpuTime() - ullCpu) / 10000.0, nTimerPasses};
}
bool ReportMessageBoxes(const CMessageBoxWatcher& watcher)
{
    if (watcher.Boxes().empty())
    {
        std::printf("message boxes: none\n");
        return true;
    }
    for (const CMessageBoxWatcher::Box& box : watcher.Boxes())
        std::printf("error: message box \"%s\": %s\n", box.strCaption.c_str(), box.strText.c_str());
    return false;
}

int ReportAgainstEnumerations(bool bValid, const char* pszWhat, double dMedianMs, double dRatio, double dGoal)
{
    if (!bValid)
        std::printf("MISS: the figures do not count, see the errors above\n");
    else
        std::printf("%s: %s median %.1f ms = %.2f enumerations (goal %.0f)\n", dRatio <= dGoal ? "PASS" : "MISS",
                    pszWhat, dMedianMs, dRatio, dGoal);
    return bValid ? 0 : 1;
}
} // namespace Bench
