// Leaves Quillmere running for a while among 300 test-bed services, the way
// a user leaves it open on a busy machine: services are started, stopped,
// paused, removed and added and start types and startup values change
// behind its back, while its window is clicked and typed at. It fails when
// the program ended, a message box came up that no change explains, a row
// disagrees with the manager once the changes stop, a count of what the
// program holds keeps growing, or a service the window was never pointed at
// changed its start type.
//
//   qm_soak.exe [--seconds=600] [--services=300] [--seed=N]
#include "res/resource.h"
#include "services/ServiceTexts.h"
#include "soak/ResourceSampler.h"
#include "soak/SoakTrend.h"
#include "support/Input.h"
#include "support/ProgramProcess.h"
#include "support/TestServices.h"
#include "support/Waiting.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace
{
const char* const kStem = "QmSoak";
const char* const kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// The boxes a change behind the program's back explains: the service went
// away, or is on its way out, between the list and the click.
const char* const kExpectedBoxes[] = {"(错误代码1060)", "(错误代码1072)"};

// The services in four parts, so that every box the program shows is
// explained by what was done to the service it names:
//   [0, 50)     started, stopped, paused and continued elsewhere
//   [50, 150)   the window's: its buttons are pressed at them, nothing else
//   [150, end-50) start types changed elsewhere (five start disabled)
//   [end-50, end) removed, and added again under new names
constexpr int kRunnableCount = 50;
constexpr int kWindowsFirst = 50;
constexpr int kWindowsEnd = 150;
constexpr int kInitiallyRunning = 20; // of the runnable ones, and as many of the window's
constexpr int kDisabledCount = 5;
constexpr int kChurnCount = 50;
constexpr int kMaxRunValues = 12;
constexpr DWORD kSampleEveryMs = 2000;

constexpr DWORD kStepTimeoutMs = 10000;
constexpr DWORD kGroupClickMs = 1500;
// After the last change the rows have two polling periods to agree, and a
// second for the program's queue on a busy machine.
constexpr DWORD kPollingPeriodMs = 500;
constexpr DWORD kAgreeWithinMs = 2 * kPollingPeriodMs + 1000;

struct Options
{
    int nSeconds = 600;
    int nServices = 300;
    unsigned uSeed = 0;
    // Every step printed, and what each kind of step left behind in the
    // program's counts: for finding what leaks.
    bool bTrace = false;
};

struct Failures
{
    std::vector<std::string> list;
    void Add(const std::string& strWhat)
    {
        std::printf("FAIL: %s\n", strWhat.c_str());
        list.push_back(strWhat);
    }
};

LONGLONG Ticks()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double SecondsSince(LONGLONG llStart)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(Ticks() - llStart) / frequency.QuadPart;
}

bool ReadOption(const char* pszArg, const char* pszName, long* pnValue)
{
    std::size_t nLength = std::strlen(pszName);
    if (std::strncmp(pszArg, pszName, nLength) != 0 || pszArg[nLength] != '=')
        return false;
    char* pszEnd = nullptr;
    *pnValue = std::strtol(pszArg + nLength + 1, &pszEnd, 10);
    return pszEnd != pszArg + nLength + 1 && *pszEnd == '\0' && *pnValue >= 0;
}

bool ParseOptions(int argc, char** argv, Options* pOptions)
{
    for (int i = 1; i < argc; ++i)
    {
        long nValue = 0;
        if (ReadOption(argv[i], "--seconds", &nValue) && nValue > 0)
            pOptions->nSeconds = static_cast<int>(nValue);
        else if (ReadOption(argv[i], "--services", &nValue) && nValue >= kWindowsEnd + kDisabledCount + kChurnCount)
            pOptions->nServices = static_cast<int>(nValue);
        else if (ReadOption(argv[i], "--seed", &nValue))
            pOptions->uSeed = static_cast<unsigned>(nValue);
        else if (std::strcmp(argv[i], "--trace") == 0)
            pOptions->bTrace = true;
        else
        {
            std::printf("usage: qm_soak [--seconds=N] [--services=N (at least %d)] [--seed=N] [--trace]\n",
                        kWindowsEnd + kDisabledCount + kChurnCount);
            return false;
        }
    }
    return true;
}

// The start type of every service, by name.
std::map<std::string, DWORD> StartTypes()
{
    std::map<std::string, DWORD> types;
    for (const auto& service : EnumeratedStates())
        types[service.first] = ReadServiceConfig(service.first).dwStartType;
    return types;
}

class CSoak
{
public:
    CSoak(const Options& options, const std::map<std::string, DWORD>& foreignTypes, Failures* pFailures)
        : m_options(options), m_random(options.uSeed), m_failures(*pFailures),
          m_strPrefix(std::string(kStem) + "_" + std::to_string(GetCurrentProcessId()) + "_"),
          m_foreignTypes(foreignTypes)
    {
    }
    ~CSoak() { RemoveRunValues(); }

    bool RegisterServices();
    bool StartProgram();
    void Run();
    void CheckRowsAgree();
    void CloseProgram();
    void ReportTrends();

private:
    // Behind the program's back.
    void ChangeSomething();
    bool AddService(int nSlot);
    void ChangeRunValue();
    // Through the window.
    void DriveWindow();
    void ClickTreeItem(HTREEITEM hItem);
    bool ClickVisibleRow(bool bStableOnly);
    void MoveSelection();
    void PressToolbarButton(bool bStartType);
    bool RowShowsItsService(const std::string& strName) const;
    void VisitStartupItems();
    void ClickDependencies();

    void AnswerBoxes();
    void CheckForeignServices();
    // Runs one step; with --trace, also what it left in the program's counts.
    void Step(void (CSoak::*pfnStep)());
    void PrintLeftBehind() const;
    void TakeSample();
    void WaitForQuietServices();
    void RemoveRunValues();

    bool Ours(const std::string& strName) const { return strName.compare(0, m_strPrefix.size(), m_strPrefix) == 0; }
    // The window's own: what its buttons are pressed at.
    bool Stable(const std::string& strName) const
    {
        for (int i = kWindowsFirst; i < kWindowsEnd; ++i)
        {
            if (m_services[i]->Name() == strName)
                return true;
        }
        return false;
    }
    int Pick(int nCount) { return std::uniform_int_distribution<int>(0, nCount - 1)(m_random); }
    int SelectedRow() const { return static_cast<int>(SendMessageA(m_hList, LVM_GETNEXTITEM, -1, LVNI_SELECTED)); }
    int RowCount() const { return static_cast<int>(SendMessageA(m_hList, LVM_GETITEMCOUNT, 0, 0)); }
    std::vector<HTREEITEM> TreeItems() const;

    Options m_options;
    std::mt19937 m_random;
    Failures& m_failures;
    std::string m_strPrefix;
    std::vector<std::unique_ptr<CTestService>> m_services; // null: removed, to be added again
    std::vector<std::pair<HKEY, std::string>> m_runValues;
    int m_nLastRowClicked = -1;
    DWORD m_dwLastRowClick = 0;
    int m_nRunValuesMade = 0;

    std::unique_ptr<CProgramProcess> m_pProgram;
    HWND m_hMain = nullptr;
    HWND m_hList = nullptr;
    HWND m_hTree = nullptr;
    std::unique_ptr<CResourceSampler> m_pSampler;
    std::vector<ResourceSample> m_samples;
    LONGLONG m_llLastSample = 0;
    double m_dSamplingSeconds = 0;
    double m_dChangeSeconds = 0;
    double m_dDriveSeconds = 0;

    std::map<std::string, DWORD> m_foreignTypes;
    struct LeftBehind
    {
        long nKernel = 0, nGdi = 0, nUser = 0, nSteps = 0;
    };
    std::map<std::string, LeftBehind> m_leftBehind;
    std::string m_strLastKind;
    std::map<std::string, int> m_counts; // what was done, by kind
    std::vector<std::string> m_recent;   // the last steps, for a failure's report
    LONGLONG m_llBegan = Ticks();

    void Did(const std::string& strWhat)
    {
        m_strLastKind = strWhat.substr(0, strWhat.find(':'));
        ++m_counts[m_strLastKind];
        char szTime[32];
        std::snprintf(szTime, sizeof(szTime), "%7.2f s  ", SecondsSince(m_llBegan));
        m_recent.push_back(szTime + strWhat);
        if (m_options.bTrace)
            std::printf("  %s\n", m_recent.back().c_str());
        if (m_recent.size() > 12)
            m_recent.erase(m_recent.begin());
    }
    void FailWithSteps(const std::string& strWhat)
    {
        m_failures.Add(strWhat);
        std::printf("  the last steps before it:\n");
        for (const std::string& strStep : m_recent)
            std::printf("    %s\n", strStep.c_str());
    }
    int m_nExpectedBoxes = 0;
};

bool CSoak::RegisterServices()
{
    LONGLONG llStart = Ticks();
    for (int i = 0; i < m_options.nServices; ++i)
    {
        if (!AddService(i))
            return false;
    }
    for (int i = 0; i < kInitiallyRunning * 2; ++i)
    {
        int nSlot = i < kInitiallyRunning ? i : kWindowsFirst + i - kInitiallyRunning;
        testing::AssertionResult running = m_services[nSlot]->StartAndWaitRunning();
        if (!running)
        {
            std::printf("error: %s\n", running.message());
            return false;
        }
    }
    std::printf("register: %d services in %.1f s (%d running, %d disabled)\n", m_options.nServices,
                SecondsSince(llStart), kInitiallyRunning * 2, kDisabledCount);
    return true;
}

bool CSoak::AddService(int nSlot)
{
    TestServiceSpec spec;
    spec.strName = UniqueServiceName(kStem);
    char szDisplay[64];
    std::snprintf(szDisplay, sizeof(szDisplay), nSlot % 2 == 0 ? "长时服务 %03d" : "Soak service %03d", nSlot);
    spec.strDisplayName = szDisplay;
    if (nSlot < kWindowsEnd)
        spec.strArguments = "--accept=stop,pause";
    else if (nSlot < kWindowsEnd + kDisabledCount)
        spec.dwStartType = SERVICE_DISABLED;
    auto pService = std::make_unique<CTestService>(spec);
    testing::AssertionResult created = pService->Created();
    if (!created)
    {
        std::printf("error: %s\n", created.message());
        return false;
    }
    if (nSlot < static_cast<int>(m_services.size()))
        m_services[nSlot] = std::move(pService);
    else
        m_services.push_back(std::move(pService));
    return true;
}

bool CSoak::StartProgram()
{
    m_pProgram = std::make_unique<CProgramProcess>();
    if (!m_pProgram->Started())
    {
        std::printf("error: quillmere.exe did not start: %lu\n", GetLastError());
        return false;
    }
    m_hMain = m_pProgram->WaitForWindow(kProgramTitle);
    if (m_hMain == nullptr)
    {
        std::printf("error: the main window did not come up\n");
        return false;
    }
    m_hList = GetDlgItem(m_hMain, IDC_SERVICE_LIST);
    m_hTree = GetDlgItem(m_hMain, IDC_CATEGORY_TREE);
    m_pSampler = std::make_unique<CResourceSampler>(m_pProgram->Id());
    std::string strError;
    if (!m_pSampler->Attach(&strError))
    {
        std::printf("error: the sampler cannot reach the program: %s\n", strError.c_str());
        return false;
    }
    TakeSample();
    return !m_samples.empty();
}

void CSoak::TakeSample()
{
    ResourceSample sample;
    std::string strError;
    LONGLONG llStart = Ticks();
    bool bSampled = m_pSampler->Sample(&sample, &strError);
    m_dSamplingSeconds += SecondsSince(llStart);
    if (!bSampled)
    {
        // The program may have just ended; the caller finds out.
        if (m_pProgram->Running())
            m_failures.Add("a sample failed: " + strError);
        return;
    }
    m_samples.push_back(sample);
    m_llLastSample = Ticks();
}

void CSoak::Run()
{
    LONGLONG llStart = Ticks();
    // The last tenth of the time the whole list is shown, so that its rows
    // meet the last changes through the polling alone.
    double dAllFrom = m_options.nSeconds * 0.9;
    bool bShowingAll = false;
    int nCycle = 0;
    while (SecondsSince(llStart) < m_options.nSeconds)
    {
        if (!m_pProgram->Running())
        {
            m_failures.Add("the program ended after " + std::to_string(SecondsSince(llStart)) + " s");
            return;
        }
        ++nCycle;
        LONGLONG llStep = Ticks();
        for (int i = 1 + Pick(3); i > 0; --i)
            Step(&CSoak::ChangeSomething);
        m_dChangeSeconds += SecondsSince(llStep);
        llStep = Ticks();
        if (SecondsSince(llStart) < dAllFrom)
        {
            for (int i = 1 + Pick(3); i > 0; --i)
            {
                Step(&CSoak::DriveWindow);
                AnswerBoxes();
                CheckForeignServices();
            }
        }
        else if (!bShowingAll)
        {
            std::vector<HTREEITEM> items = TreeItems();
            if (!items.empty())
                ClickTreeItem(items.front());
            bShowingAll = true;
        }
        m_dDriveSeconds += SecondsSince(llStep);
        AnswerBoxes();
        if (SecondsSince(m_llLastSample) * 1000 >= kSampleEveryMs)
            TakeSample();
    }
    std::printf("ran %d cycles in %.1f s: %.1f s changing services and values, %.1f s at the window, %zu "
                "samples taking %.1f s\n",
                nCycle, SecondsSince(llStart), m_dChangeSeconds, m_dDriveSeconds, m_samples.size(),
                m_dSamplingSeconds);
    for (const auto& count : m_counts)
        std::printf("  %s: %d\n", count.first.c_str(), count.second);
    std::printf("  expected message boxes answered: %d\n", m_nExpectedBoxes);
    if (m_options.bTrace)
        PrintLeftBehind();
}

void CSoak::Step(void (CSoak::*pfnStep)())
{
    ResourceSample before, after;
    std::string strError;
    m_strLastKind.clear();
    bool bMeasured = m_options.bTrace && m_pSampler->Sample(&before, &strError);
    (this->*pfnStep)();
    if (!bMeasured || m_strLastKind.empty())
        return;
    // What the step opened should have closed again by now.
    AnswerBoxes();
    if (!m_pSampler->Sample(&after, &strError))
        return;
    LeftBehind& left = m_leftBehind[m_strLastKind];
    left.nKernel += static_cast<long>(after.dwKernelHandles) - static_cast<long>(before.dwKernelHandles);
    left.nGdi += static_cast<long>(after.dwGdiObjects) - static_cast<long>(before.dwGdiObjects);
    left.nUser += static_cast<long>(after.dwUserObjects) - static_cast<long>(before.dwUserObjects);
    ++left.nSteps;
}

void CSoak::PrintLeftBehind() const
{
    std::printf("left behind, by kind of step (kernel/GDI/USER in all, over the steps):\n");
    for (const auto& kind : m_leftBehind)
        std::printf("  %-32s %5ld %5ld %5ld  (%ld steps)\n", kind.first.c_str(), kind.second.nKernel,
                    kind.second.nGdi, kind.second.nUser, kind.second.nSteps);
}

void CSoak::CheckForeignServices()
{
    for (auto& service : m_foreignTypes)
    {
        ServiceConfigSeen config = ReadServiceConfig(service.first);
        if (config.bRead && config.dwStartType != service.second)
        {
            FailWithSteps(service.first + " changed its start type from " + std::to_string(service.second) +
                          " to " + std::to_string(config.dwStartType) + " though the window was never pointed at it");
            service.second = config.dwStartType;
        }
    }
}

void CSoak::ChangeSomething()
{
    int nTyped = kWindowsEnd + Pick(m_options.nServices - kChurnCount - kWindowsEnd);
    CTestService* pService = m_services[nTyped].get();
    switch (Pick(7))
    {
    case 0: // start or stop one of the runnable ones
    case 1:
    {
        CTestService& runnable = *m_services[Pick(kRunnableCount)];
        DWORD dwState = runnable.CurrentState();
        if (dwState == SERVICE_STOPPED && runnable.ConfiguredStartType() != SERVICE_DISABLED)
        {
            Did("service started elsewhere: " + runnable.Name());
            runnable.Start();
        }
        else if (dwState == SERVICE_RUNNING || dwState == SERVICE_PAUSED)
        {
            Did("service stopped elsewhere: " + runnable.Name());
            runnable.SendControl(SERVICE_CONTROL_STOP);
        }
        break;
    }
    case 2: // pause or continue
    {
        CTestService& runnable = *m_services[Pick(kRunnableCount)];
        DWORD dwState = runnable.CurrentState();
        if (dwState == SERVICE_RUNNING)
        {
            Did("service paused elsewhere: " + runnable.Name());
            runnable.SendControl(SERVICE_CONTROL_PAUSE);
        }
        else if (dwState == SERVICE_PAUSED)
        {
            Did("service continued elsewhere: " + runnable.Name());
            runnable.SendControl(SERVICE_CONTROL_CONTINUE);
        }
        break;
    }
    case 3: // a start type
    case 4:
        if (pService != nullptr)
        {
            static const DWORD kTypes[] = {SERVICE_AUTO_START, SERVICE_DEMAND_START, SERVICE_DISABLED};
            DWORD dwType = kTypes[Pick(3)];
            Did("start type changed elsewhere: " + pService->Name() + " to " + std::to_string(dwType));
            pService->ChangeStartType(dwType);
        }
        break;
    case 5: // one of the last ones goes, or comes back under a new name
    {
        int nChurn = m_options.nServices - kChurnCount + Pick(kChurnCount);
        if (m_services[nChurn] != nullptr)
        {
            Did("service removed elsewhere: " + m_services[nChurn]->Name());
            m_services[nChurn].reset();
        }
        else if (AddService(nChurn))
        {
            Did("service added elsewhere: " + m_services[nChurn]->Name());
        }
        break;
    }
    case 6:
        ChangeRunValue();
        break;
    }
}

void CSoak::ChangeRunValue()
{
    if (!m_runValues.empty() && (m_runValues.size() >= kMaxRunValues || Pick(2) == 0))
    {
        std::size_t nAt = static_cast<std::size_t>(Pick(static_cast<int>(m_runValues.size())));
        HKEY hKey = nullptr;
        if (RegOpenKeyExA(m_runValues[nAt].first, kRunKey, 0, KEY_SET_VALUE, &hKey) == ERROR_SUCCESS)
        {
            RegDeleteValueA(hKey, m_runValues[nAt].second.c_str());
            RegCloseKey(hKey);
        }
        m_runValues.erase(m_runValues.begin() + static_cast<std::ptrdiff_t>(nAt));
        Did("startup value removed elsewhere");
        return;
    }
    HKEY hRoot = Pick(2) == 0 ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    std::string strName = m_strPrefix + std::to_string(++m_nRunValuesMade);
    std::string strData = "C:\\windows\\system32\\notepad.exe /soak " + std::to_string(m_nRunValuesMade);
    HKEY hKey = nullptr;
    if (RegCreateKeyExA(hRoot, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hKey, nullptr) != ERROR_SUCCESS)
        return;
    if (RegSetValueExA(hKey, strName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(strData.c_str()),
                       static_cast<DWORD>(strData.size() + 1)) == ERROR_SUCCESS)
    {
        m_runValues.emplace_back(hRoot, strName);
        Did("startup value added elsewhere");
    }
    RegCloseKey(hKey);
}

void CSoak::RemoveRunValues()
{
    for (const auto& value : m_runValues)
    {
        HKEY hKey = nullptr;
        if (RegOpenKeyExA(value.first, kRunKey, 0, KEY_SET_VALUE, &hKey) == ERROR_SUCCESS)
        {
            RegDeleteValueA(hKey, value.second.c_str());
            RegCloseKey(hKey);
        }
    }
    m_runValues.clear();
}

std::vector<HTREEITEM> CSoak::TreeItems() const
{
    // Depth first, as the tree shows them.
    std::vector<HTREEITEM> items;
    std::function<void(HTREEITEM)> visit = [&](HTREEITEM hItem) {
        for (; hItem != nullptr;
             hItem = reinterpret_cast<HTREEITEM>(SendMessageA(m_hTree, TVM_GETNEXTITEM, TVGN_NEXT,
                                                              reinterpret_cast<LPARAM>(hItem))))
        {
            items.push_back(hItem);
            visit(reinterpret_cast<HTREEITEM>(
                SendMessageA(m_hTree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(hItem))));
        }
    };
    visit(reinterpret_cast<HTREEITEM>(SendMessageA(m_hTree, TVM_GETNEXTITEM, TVGN_ROOT, 0)));
    return items;
}

void CSoak::DriveWindow()
{
    // What the last step opened (the please-wait window, a box) is gone
    // first, as a user waits for it.
    PollFor([&] { return m_pProgram->Dialogs().size() <= 1 || !m_pProgram->Running(); }, "the program's windows",
            kStepTimeoutMs);
    SetForegroundWindow(m_hMain);
    switch (Pick(8))
    {
    case 0:
    {
        std::vector<HTREEITEM> items = TreeItems();
        if (!items.empty())
            ClickTreeItem(items[static_cast<std::size_t>(Pick(static_cast<int>(items.size())))]);
        break;
    }
    case 1:
    case 2:
        ClickVisibleRow(false);
        break;
    case 3:
        MoveSelection();
        break;
    case 4:
    case 5:
        PressToolbarButton(true);
        break;
    case 6:
        PressToolbarButton(false);
        break;
    case 7:
        if (Pick(2) == 0)
            VisitStartupItems();
        else
            ClickDependencies();
        break;
    }
}

void CSoak::ClickTreeItem(HTREEITEM hItem)
{
    RECT rect = m_pProgram->TreeItemRect(m_hTree, hItem);
    if (rect.right <= rect.left)
        return;
    POINT pt = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ClientToScreen(m_hTree, &pt);
    Did("tree item clicked: " + m_pProgram->TreeText(m_hTree, hItem));
    ClickAt(pt);
    // A group's label may leave the caret where it was: a short wait then.
    PollFor(
        [&] {
            return !m_pProgram->Running() ||
                   reinterpret_cast<HTREEITEM>(SendMessageA(m_hTree, TVM_GETNEXTITEM, TVGN_CARET, 0)) == hItem;
        },
        "the tree's selection", kGroupClickMs);
}

bool CSoak::ClickVisibleRow(bool bStableOnly)
{
    int nTop = static_cast<int>(SendMessageA(m_hList, LVM_GETTOPINDEX, 0, 0));
    int nPage = static_cast<int>(SendMessageA(m_hList, LVM_GETCOUNTPERPAGE, 0, 0));
    int nCount = RowCount();
    int nEnd = std::min(nCount, nTop + std::max(1, nPage));
    std::vector<int> rows;
    for (int i = nTop; i < nEnd; ++i)
    {
        if (!bStableOnly || Stable(m_pProgram->ListText(m_hList, i, 1)))
            rows.push_back(i);
    }
    // A second click on the same row soon after the first would be a double
    // click, which ticks the row: not what this step is for.
    if (GetTickCount() - m_dwLastRowClick <= GetDoubleClickTime() + 100)
        rows.erase(std::remove(rows.begin(), rows.end(), m_nLastRowClicked), rows.end());
    if (rows.empty())
        return false;
    int nRow = rows[static_cast<std::size_t>(Pick(static_cast<int>(rows.size())))];
    m_nLastRowClicked = nRow;
    m_dwLastRowClick = GetTickCount();
    RECT rect = m_pProgram->ListItemRect(m_hList, nRow);
    if (rect.right <= rect.left)
        return false;
    POINT pt = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ClientToScreen(m_hList, &pt);
    Did("row clicked: " + std::to_string(nRow));
    ClickAt(pt);
    // A row whose service has gone brings a box instead of a selection.
    PollFor(
        [&] { return !m_pProgram->Running() || SelectedRow() == nRow || m_pProgram->Dialogs().size() > 1; },
        "the row's selection", kStepTimeoutMs);
    return SelectedRow() == nRow;
}

void CSoak::MoveSelection()
{
    if (SelectedRow() < 0 && !ClickVisibleRow(false))
        return;
    static const WORD kKeys[] = {VK_DOWN, VK_DOWN, VK_UP, VK_NEXT, VK_PRIOR, VK_HOME, VK_END};
    for (int i = 1 + Pick(3); i > 0; --i)
    {
        WORD wKey = kKeys[Pick(static_cast<int>(sizeof(kKeys) / sizeof(kKeys[0])))];
        Did("selection moved by key: " + std::to_string(wKey));
        PressKey(wKey);
    }
    // The keys are handled once a message sent after them comes back.
    DWORD_PTR nResult = 0;
    SendMessageTimeoutA(m_hList, WM_NULL, 0, 0, SMTO_NORMAL, kStepTimeoutMs, &nResult);
}

void CSoak::PressToolbarButton(bool bStartType)
{
    // Only ever at a test bed of ours, so that the window changes nothing
    // else: the selected row, and no ticked row of another service.
    int nSelected = SelectedRow();
    if ((nSelected < 0 || !Stable(m_pProgram->ListText(m_hList, nSelected, 1))) && !ClickVisibleRow(true))
        return;
    nSelected = SelectedRow();
    std::string strName = nSelected < 0 ? std::string() : m_pProgram->ListText(m_hList, nSelected, 1);
    if (!Stable(strName))
        return;
    for (int i = 0, nCount = RowCount(); i < nCount; ++i)
    {
        UINT nState = static_cast<UINT>(SendMessageA(m_hList, LVM_GETITEMSTATE, i, LVIS_STATEIMAGEMASK));
        if ((nState >> 12) == 2 && !Ours(m_pProgram->ListText(m_hList, i, 1)))
            return;
    }
    static const int kStartTypeButtons[] = {IDC_BTN_AUTO, IDC_BTN_MANUAL, IDC_BTN_DISABLED};
    static const int kRunButtons[] = {IDC_BTN_START, IDC_BTN_STOP, IDC_BTN_PAUSE};
    int nId = bStartType ? kStartTypeButtons[Pick(3)] : kRunButtons[Pick(3)];
    HWND hButton = GetDlgItem(m_hMain, nId);
    // A run command is pressed once the row shows what the service is: the
    // program writes a pending word at once and the state and commands of
    // the next polling pass, and the toolbar's start types leave the
    // commands to that pass too. A user looks before pressing; so does
    // this, for as long as a pass may take, and a row that stays wrong
    // longer is a fault.
    if (!bStartType && !PollFor([&] { return RowShowsItsService(strName); }, "the row", kAgreeWithinMs))
    {
        FailWithSteps("the row of " + strName + " does not follow its service");
        return;
    }
    if (!IsWindowEnabled(hButton))
        return;
    Did(std::string(bStartType ? "start-type button pressed: " : "run button pressed: ") + std::to_string(nId) +
        " at " + strName);
    // A real click: while a window it opens is up, the main window takes
    // no clicks, as for a user.
    RECT rect;
    GetWindowRect(hButton, &rect);
    ClickAt({(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
}

// The selected row, of one of the window's services, reads the state and
// start type the manager has for it, and the service is in no pending state.
bool CSoak::RowShowsItsService(const std::string& strName) const
{
    int nSelected = SelectedRow();
    if (nSelected < 0 || m_pProgram->ListText(m_hList, nSelected, 1) != strName)
        return false;
    for (int i = kWindowsFirst; i < kWindowsEnd; ++i)
    {
        const CTestService& service = *m_services[i];
        if (service.Name() != strName)
            continue;
        DWORD dwState = service.CurrentState();
        if (dwState != SERVICE_STOPPED && dwState != SERVICE_RUNNING && dwState != SERVICE_PAUSED)
            return false;
        return m_pProgram->ListText(m_hList, nSelected, 2) == ServiceTexts::RunStateText(dwState) &&
               m_pProgram->ListText(m_hList, nSelected, 3) ==
                   ServiceTexts::StartTypeText(service.ConfiguredStartType());
    }
    return false;
}

void CSoak::ClickDependencies()
{
    HWND hDepends = GetDlgItem(m_hMain, IDC_DEPENDS_TREE);
    RECT rect;
    if (hDepends == nullptr || !IsWindowVisible(hDepends) || !GetWindowRect(hDepends, &rect))
        return;
    Did("details pane clicked");
    ClickAt({(rect.left + rect.right) / 2, rect.top + 8});
    DWORD_PTR nResult = 0;
    SendMessageTimeoutA(m_hMain, WM_NULL, 0, 0, SMTO_NORMAL, kStepTimeoutMs, &nResult);
}

void CSoak::VisitStartupItems()
{
    Did("startup items window opened");
    PostMessageA(m_hMain, WM_COMMAND, ID_STARTUP_ITEMS, 0);
    // Its title is painted, not its window text: found by its close button.
    HWND hStartup = m_pProgram->WaitForDialogWith(IDC_BTN_STARTUP_EXIT, kStepTimeoutMs);
    if (hStartup == nullptr)
    {
        if (m_pProgram->Running())
            m_failures.Add("the startup items window did not open");
        return;
    }
    HWND hItems = GetDlgItem(hStartup, IDC_STARTUP_LIST);
    int nItems = static_cast<int>(SendMessageA(hItems, LVM_GETITEMCOUNT, 0, 0));
    if (nItems > 0)
    {
        RECT rect = m_pProgram->ListItemRect(hItems, Pick(nItems));
        POINT pt = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
        ClientToScreen(hItems, &pt);
        if (rect.right > rect.left)
            ClickAt(pt);
    }
    PostMessageA(GetDlgItem(hStartup, IDC_BTN_STARTUP_EXIT), BM_CLICK, 0, 0);
    if (!PollFor([&] { return !IsWindow(hStartup); }, "the startup items window closing", kStepTimeoutMs))
        m_failures.Add("the startup items window did not close");
}

void CSoak::AnswerBoxes()
{
    for (HWND hBox : m_pProgram->Dialogs())
    {
        HWND hText = GetDlgItem(hBox, 0xFFFF);
        if (hBox == m_hMain || hText == nullptr)
            continue;
        std::string strText = TextOfOtherProcessWindow(hText);
        bool bExpected = false;
        for (const char* pszExpected : kExpectedBoxes)
            bExpected = bExpected || strText.find(pszExpected) != std::string::npos;
        if (bExpected)
            ++m_nExpectedBoxes;
        else
            FailWithSteps("a message box nothing explains: \"" + TextOfOtherProcessWindow(hBox) + "\": " + strText);
        for (WPARAM nAnswer : {IDOK, IDNO, IDCANCEL})
        {
            if (IsWindow(hBox))
                PostMessageA(hBox, WM_COMMAND, nAnswer, 0);
            PollFor([hBox] { return !IsWindow(hBox); }, "the box closing", 2000);
        }
        if (IsWindow(hBox))
            m_failures.Add("a message box cannot be answered: " + strText);
    }
}

void CSoak::WaitForQuietServices()
{
    PollFor(
        [&] {
            for (const auto& pService : m_services)
            {
                DWORD dwState = pService != nullptr ? pService->CurrentState() : SERVICE_STOPPED;
                if (dwState != SERVICE_STOPPED && dwState != SERVICE_RUNNING && dwState != SERVICE_PAUSED)
                    return false;
            }
            return true;
        },
        "the test beds settling", 30000);
}

void CSoak::CheckRowsAgree()
{
    if (!m_pProgram->Running())
        return;
    // The test beds first finish what they were told; from then on the
    // program has its polling periods.
    WaitForQuietServices();
    AnswerBoxes();
    std::vector<std::string> differences;
    int nCompares = 0;
    auto compare = [&] {
        ++nCompares;
        differences.clear();
        std::vector<std::vector<std::string>> rows = m_pProgram->ListRows(m_hList, {1, 2, 3});
        std::map<std::string, DWORD> states = EnumeratedStates();
        for (const std::vector<std::string>& row : rows)
        {
            const std::string& strName = row[0];
            std::string strRow = row[1] + "|" + row[2];
            auto found = states.find(strName);
            ServiceConfigSeen config = ReadServiceConfig(strName);
            if (found == states.end() || !config.bRead)
            {
                differences.push_back(strName + " is listed as [" + strRow + "] but gone");
                continue;
            }
            std::string strManager = std::string(ServiceTexts::RunStateText(found->second)) + "|" +
                                     ServiceTexts::StartTypeText(config.dwStartType);
            if (strRow != strManager)
                differences.push_back(strName + " reads [" + strRow + "], the manager [" + strManager + "]");
        }
        return differences.empty();
    };
    LONGLONG llStart = Ticks();
    bool bAgree = PollFor(compare, "the rows agreeing with the manager", kAgreeWithinMs);
    std::printf("rows: %d listed, %s with the manager %.1f s after the services settled (%d looks)\n",
                RowCount(), bAgree ? "agreeing" : "DISAGREEING", SecondsSince(llStart), nCompares);
    for (std::size_t i = 0; i < differences.size() && i < 10; ++i)
        m_failures.Add("row disagrees: " + differences[i]);
}

void CSoak::CloseProgram()
{
    if (!m_pProgram->Running())
        return;
    TakeSample();
    AnswerBoxes();
    SetForegroundWindow(m_hMain);
    RECT rect;
    GetWindowRect(GetDlgItem(m_hMain, IDC_BTN_CLOSE), &rect);
    ClickAt({(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
    DWORD dwExitCode = 1;
    if (!m_pProgram->WaitForExit(&dwExitCode, kStepTimeoutMs))
        m_failures.Add("the program did not end at its close button");
    else if (dwExitCode != 0)
        m_failures.Add("the program ended with exit code " + std::to_string(dwExitCode));
}

void CSoak::ReportTrends()
{
    if (m_samples.size() < 2)
    {
        m_failures.Add("too few samples to judge");
        return;
    }
    struct Series
    {
        const char* pszName;
        DWORD ResourceSample::*pField;
        double dFloor; // growth below it is noise
    };
    // Private memory settles with the heap's own pace: half a megabyte of
    // rise from quarter to quarter is allowed.
    const Series series[] = {
        {"kernel handles", &ResourceSample::dwKernelHandles, 0},
        {"GDI objects", &ResourceSample::dwGdiObjects, 0},
        {"USER objects", &ResourceSample::dwUserObjects, 0},
        {"private KB", &ResourceSample::dwPrivateKb, 512},
    };
    std::vector<double> seconds;
    for (const ResourceSample& sample : m_samples)
        seconds.push_back(sample.dSeconds);
    std::size_t nSkip = SoakTrend::WarmUpCount(m_samples.size());
    std::printf("%-16s %10s %10s %10s %14s  %s\n", "count", "start", "settled", "end", "slope per hour",
                "verdict");
    for (const Series& s : series)
    {
        std::vector<double> values;
        for (const ResourceSample& sample : m_samples)
            values.push_back(sample.*(s.pField));
        std::vector<double> settledSeconds(seconds.begin() + static_cast<std::ptrdiff_t>(nSkip), seconds.end());
        std::vector<double> settledValues(values.begin() + static_cast<std::ptrdiff_t>(nSkip), values.end());
        bool bGrows = SoakTrend::GrowsSteadily(values, s.dFloor);
        std::printf("%-16s %10.0f %10.0f %10.0f %14.1f  %s\n", s.pszName, values.front(), values[nSkip],
                    values.back(), SoakTrend::SlopePerHour(settledSeconds, settledValues),
                    bGrows ? "GROWS" : "steady");
        if (bGrows)
            m_failures.Add(std::string(s.pszName) + " grow steadily");
    }
    const ResourceSample& first = m_samples.front();
    const ResourceSample& last = m_samples.back();
    double dSpan = last.dSeconds - first.dSeconds;
    std::printf("CPU: %lu ms over %.0f s = %.1f ms per s (%zu samples, the first %zu left out of the verdicts)\n",
                last.dwCpuMs - first.dwCpuMs, dSpan, dSpan > 0 ? (last.dwCpuMs - first.dwCpuMs) / dSpan : 0.0,
                m_samples.size(), nSkip);
}

// The services there before the soak are never pointed at: none may have
// changed.
void CheckForeignStartTypes(const std::map<std::string, DWORD>& before, Failures* pFailures)
{
    std::map<std::string, DWORD> after = StartTypes();
    for (const auto& service : before)
    {
        auto found = after.find(service.first);
        if (found != after.end() && found->second != service.second)
            pFailures->Add(service.first + " changed its start type from " + std::to_string(service.second) +
                           " to " + std::to_string(found->second) + " though nothing pointed at it");
    }
}
} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    Options options;
    options.uSeed = GetTickCount();
    if (!ParseOptions(argc, argv, &options))
        return 2;
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    std::printf("soak: %d s with %d services, seed %u\n", options.nSeconds, options.nServices, options.uSeed);

    Failures failures;
    std::map<std::string, DWORD> foreignBefore = StartTypes();
    {
        CSoak soak(options, foreignBefore, &failures);
        if (!soak.RegisterServices() || !soak.StartProgram())
        {
            failures.Add("the soak could not begin");
        }
        else
        {
            soak.Run();
            soak.CheckRowsAgree();
            soak.CloseProgram();
            soak.ReportTrends();
        }
        // The services and startup values go with the soak.
    }
    CheckForeignStartTypes(foreignBefore, &failures);
    if (failures.list.empty())
        std::printf("PASS: the program held for %d s\n", options.nSeconds);
    else
        std::printf("FAIL: %zu failures\n", failures.list.size());
    return failures.list.empty() ? 0 : 1;
}
