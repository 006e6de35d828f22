// Quillmere as a user runs it: the real program in its own process, found
// by its window and driven with real input.
#include "res/resource.h"
#include "support/Input.h"
#include "support/TestServices.h"
#include "support/Waiting.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

namespace
{
const char* const kMainTitle = "Quillmere Fernhollow特别版本";

// Runs build/win64/bin/quillmere.exe and ends it at the close of the test.
class CQuillmereProcess
{
public:
    CQuillmereProcess()
    {
        std::string strPath = CTestService::TestBedPath();
        strPath.erase(strPath.find_last_of('\\') + 1);
        strPath += "quillmere.exe";
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        std::string strCommand = "\"" + strPath + "\"";
        if (CreateProcessA(strPath.c_str(), &strCommand[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                           &m_process))
            CloseHandle(m_process.hThread);
        else
            m_process.hProcess = nullptr;
    }
    ~CQuillmereProcess()
    {
        if (m_process.hProcess == nullptr)
            return;
        if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT)
        {
            TerminateProcess(m_process.hProcess, 99);
            WaitForSingleObject(m_process.hProcess, 5000);
        }
        CloseHandle(m_process.hProcess);
    }

    bool Started() const { return m_process.hProcess != nullptr; }
    DWORD Id() const { return m_process.dwProcessId; }

    // The first visible top-level dialog of the process with this title,
    // once the program waits for input: a click sent before then can miss.
    HWND WaitForWindow(const char* pszTitle, DWORD dwTimeoutMs = 15000) const
    {
        Search search = {Id(), pszTitle, nullptr};
        PollFor(
            [&] {
                EnumWindows(FindProc, reinterpret_cast<LPARAM>(&search));
                return search.hFound != nullptr;
            },
            "the window", dwTimeoutMs);
        if (search.hFound != nullptr)
            WaitForInputIdle(m_process.hProcess, dwTimeoutMs);
        return search.hFound;
    }

    testing::AssertionResult WaitForExit(DWORD* pdwExitCode, DWORD dwTimeoutMs = 15000) const
    {
        if (WaitForSingleObject(m_process.hProcess, dwTimeoutMs) != WAIT_OBJECT_0)
            return testing::AssertionFailure() << "quillmere.exe still runs after " << dwTimeoutMs << " ms";
        GetExitCodeProcess(m_process.hProcess, pdwExitCode);
        return testing::AssertionSuccess();
    }

    bool Running() const { return WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT; }

    // Reads a cell of the program's list through memory of its own.
    std::string ListText(HWND hList, int nRow, int nColumn) const
    {
        HANDLE hProcess = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, Id());
        const SIZE_T nTextSize = 512;
        BYTE* pRemote = static_cast<BYTE*>(
            VirtualAllocEx(hProcess, nullptr, sizeof(LVITEMA) + nTextSize, MEM_COMMIT, PAGE_READWRITE));
        LVITEMA item = {};
        item.iSubItem = nColumn;
        item.pszText = reinterpret_cast<char*>(pRemote + sizeof(LVITEMA));
        item.cchTextMax = static_cast<int>(nTextSize);
        WriteProcessMemory(hProcess, pRemote, &item, sizeof(item), nullptr);
        SendMessageA(hList, LVM_GETITEMTEXTA, nRow, reinterpret_cast<LPARAM>(pRemote));
        char szText[512] = {};
        ReadProcessMemory(hProcess, pRemote + sizeof(LVITEMA), szText, nTextSize - 1, nullptr);
        VirtualFreeEx(hProcess, pRemote, 0, MEM_RELEASE);
        CloseHandle(hProcess);
        return szText;
    }

    RECT ListItemRect(HWND hList, int nRow) const
    {
        HANDLE hProcess = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, Id());
        RECT rect = {LVIR_LABEL, 0, 0, 0};
        void* pRemote = VirtualAllocEx(hProcess, nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
        WriteProcessMemory(hProcess, pRemote, &rect, sizeof(rect), nullptr);
        SendMessageA(hList, LVM_GETITEMRECT, nRow, reinterpret_cast<LPARAM>(pRemote));
        ReadProcessMemory(hProcess, pRemote, &rect, sizeof(rect), nullptr);
        VirtualFreeEx(hProcess, pRemote, 0, MEM_RELEASE);
        CloseHandle(hProcess);
        return rect;
    }

private:
    struct Search
    {
        DWORD dwProcessId;
        const char* pszTitle;
        HWND hFound;
    };

    static BOOL CALLBACK FindProc(HWND hWnd, LPARAM lParam)
    {
        auto* pSearch = reinterpret_cast<Search*>(lParam);
        DWORD dwProcessId = 0;
        GetWindowThreadProcessId(hWnd, &dwProcessId);
        char szClass[16] = {}, szTitle[128] = {};
        GetClassNameA(hWnd, szClass, sizeof(szClass));
        GetWindowTextA(hWnd, szTitle, sizeof(szTitle));
        if (dwProcessId == pSearch->dwProcessId && IsWindowVisible(hWnd) && lstrcmpA(szClass, "#32770") == 0 &&
            lstrcmpA(szTitle, pSearch->pszTitle) == 0)
        {
            pSearch->hFound = hWnd;
            return FALSE;
        }
        return TRUE;
    }

    PROCESS_INFORMATION m_process = {};
};

std::string TextOfOtherProcessWindow(HWND hWnd)
{
    char szText[512] = {};
    DWORD_PTR nResult = 0;
    SendMessageTimeoutA(hWnd, WM_GETTEXT, sizeof(szText), reinterpret_cast<LPARAM>(szText), SMTO_ABORTIFHUNG, 5000,
                        &nResult);
    return szText;
}

TEST(AppProcessTest, EscClosesTheMainWindowWithoutAQuestion)
{
    CQuillmereProcess program;
    ASSERT_TRUE(program.Started());
    HWND hMain = program.WaitForWindow(kMainTitle);
    ASSERT_NE(nullptr, hMain);
    SetForegroundWindow(hMain);
    SetFocus(hMain);
    PressKey(VK_ESCAPE);
    DWORD dwExitCode = 1;
    ASSERT_TRUE(program.WaitForExit(&dwExitCode));
    EXPECT_EQ(0u, dwExitCode);
}

TEST(AppProcessTest, TheCloseButtonEndsTheProgram)
{
    CQuillmereProcess program;
    ASSERT_TRUE(program.Started());
    HWND hMain = program.WaitForWindow(kMainTitle);
    ASSERT_NE(nullptr, hMain);
    RECT rect;
    GetWindowRect(GetDlgItem(hMain, IDC_BTN_CLOSE), &rect);
    ClickAt({(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
    DWORD dwExitCode = 1;
    ASSERT_TRUE(program.WaitForExit(&dwExitCode));
    EXPECT_EQ(0u, dwExitCode);
}

// A service gone behind the program is one service's failure: its message,
// its row leaves, and the program goes on.
TEST(AppProcessTest, AServiceGoneBehindTheProgramNeverEndsIt)
{
    TestServiceSpec spec;
    spec.strName = UniqueServiceName("QmFatal");
    auto pService = std::make_unique<CTestService>(spec);
    ASSERT_TRUE(pService->Created());

    CQuillmereProcess program;
    ASSERT_TRUE(program.Started());
    HWND hMain = program.WaitForWindow(kMainTitle);
    ASSERT_NE(nullptr, hMain);
    HWND hList = GetDlgItem(hMain, IDC_SERVICE_LIST);
    int nRow = -1;
    int nCount = static_cast<int>(SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < nCount && nRow == -1; ++i)
    {
        if (program.ListText(hList, i, 1) == spec.strName)
            nRow = i;
    }
    ASSERT_NE(-1, nRow);

    // Gone behind the program's back, then clicked.
    pService.reset();
    RECT rect = program.ListItemRect(hList, nRow);
    POINT pt = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ClientToScreen(hList, &pt);
    ClickAt(pt);

    HWND hBox = program.WaitForWindow("提示");
    ASSERT_NE(nullptr, hBox);
    EXPECT_EQ("服务不存在(错误代码1060),本次操作失败!", TextOfOtherProcessWindow(GetDlgItem(hBox, 0xFFFF)));
    PostMessageA(hBox, WM_COMMAND, IDOK, 0);
    PollFor([hBox] { return !IsWindow(hBox); }, "the box closing");
    ASSERT_FALSE(IsWindow(hBox));
    EXPECT_TRUE(program.Running());
    int nNow = static_cast<int>(SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0));
    EXPECT_EQ(nCount - 1, nNow) << "the row left with its service";
    for (int i = 0; i < nNow; ++i)
        EXPECT_NE(spec.strName, program.ListText(hList, i, 1));
}
} // namespace
