// What the benchmarks share: the test bed of registered services and its
// removal on every way out, the clocks, the samples and the enumeration
// every figure is held against.
#pragma once

#include "app/MainDlg.h"
#include "services/ServiceSession.h"
#include "support/MessageBoxWatcher.h"
#include "support/TestServices.h"
#include "support/Waiting.h"

#include <windows.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace Bench
{
constexpr int kServiceCount = 300;
constexpr int kRunningCount = 5;
constexpr int kDisabledCount = 5;

using ServiceBed = std::vector<std::unique_ptr<CTestService>>;

// Registers nCount services under names made from pszStem (the first
// kRunningCount started, the next kDisabledCount disabled), calls pfnRun
// with them, then removes them (and any it added) whatever happened and
// checks that none is left. The process exit code.
int RunWithServices(const char* pszStem, int (*pfnRun)(ServiceBed& services), int nCount = kServiceCount);

// Registers more services the same way until the bed holds nTotal; false,
// said, when one fails or Ctrl+C was pressed. What it registered is still
// in the bed, for RunWithServices to remove.
bool GrowServiceBed(const char* pszStem, int nTotal, ServiceBed* pServices);

// True once Ctrl+C was pressed; says so the first time it answers true.
bool Interrupted();

LONGLONG Ticks();
double MsSince(LONGLONG llStart);
// User plus kernel time of this process, in 100 ns units.
ULONGLONG ProcessCpuTime();

struct Samples
{
    std::vector<double> ms;

    double Median() const;
    double Min() const;
    double Max() const;
};

// "name: median 1.0 ms, min 0.9 ms (n=20)"
void PrintSamples(const char* pszName, const Samples& samples);

// Creates the main window modeless, as the tests do, and prints how long
// that took (its first fill included); nullptr, said, when it fails.
std::unique_ptr<CMainDlg> OpenMainWindow();

// Checks the manager opened and makes one unmeasured enumeration, so that
// caches are warm before anything is timed; false, said, when either fails.
// This computer's manager twice over: a raw handle for the enumeration every
// figure is held against, and the session the program itself uses.
class CBenchManager
{
public:
    CBenchManager() : m_hManager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)) {}
    ~CBenchManager()
    {
        if (m_hManager != nullptr)
            CloseServiceHandle(m_hManager);
    }
    CBenchManager(const CBenchManager&) = delete;
    CBenchManager& operator=(const CBenchManager&) = delete;
    SC_HANDLE ManagerHandle() const { return m_hManager; }
    IServiceSession& Session() { return *m_pSession; }

private:
    SC_HANDLE m_hManager;
    std::unique_ptr<IServiceSession> m_pSession = OpenServiceSession();
};

bool WarmUpEnumeration(const CBenchManager& control, std::vector<BYTE>* pBuffer, DWORD* pdwCount);

struct ManagerRow
{
    std::string strName;
    std::string strState;
    std::string strStartType;
    int nImage = -1;
};

// What the list did per service before it read start types from the
// registry: the manager's own answer, service by service. Returns the
// number of services whose open or queries failed, or -1 when the
// enumeration itself failed.
int RunPerServiceLoop(CBenchManager& control, std::vector<ManagerRow>* pRows);

// Holds the whole list, filled with every service, to what the manager
// answers service by service, so that a fast fill or pass is also a right
// one; registered are the names that must be listed. Returns the number of
// differences, the first few of them said.
int CompareListWithManager(const CMainDlg& dialog, const std::vector<ManagerRow>& managerRows,
                           const std::set<std::string>& registered, int* pnRegisteredListed);

struct IdleRun
{
    double dSeconds;
    double dCpuMs;
    int nTimerPasses;
};

// Waits for messages and dispatches them, as the program's own loop does,
// for dwMs of wall time; counts the ticks of the window's status timer.
IdleRun PumpFor(HWND hDialog, DWORD dwMs);
// Prints "message boxes: none", or each box the watcher saw as an error;
// true when there was none.
bool ReportMessageBoxes(const CMessageBoxWatcher& watcher);
// The closing line of a benchmark held to a number of enumerations: MISS
// when its figures do not count, else PASS or MISS against the goal. Its
// exit code.
int ReportAgainstEnumerations(bool bValid, const char* pszWhat, double dMedianMs, double dRatio, double dGoal);
} // namespace Bench
