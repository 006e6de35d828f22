#include "support/ProgramProcess.h"

#include "support/TestServices.h"
#include "support/Waiting.h"

#include <commctrl.h>

#include <cstring>

const char* const kProgramTitle = "Quillmere Fernhollow特别版本";

class CProgramProcess::CRemoteBlock
{
public:
    CRemoteBlock(DWORD dwProcessId, SIZE_T nSize)
        : m_hProcess(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, dwProcessId)),
          m_nSize(nSize)
    {
        if (m_hProcess != nullptr)
            m_pRemote = static_cast<BYTE*>(VirtualAllocEx(m_hProcess, nullptr, nSize, MEM_COMMIT, PAGE_READWRITE));
    }
    ~CRemoteBlock()
    {
        if (m_pRemote != nullptr)
            VirtualFreeEx(m_hProcess, m_pRemote, 0, MEM_RELEASE);
        if (m_hProcess != nullptr)
            CloseHandle(m_hProcess);
    }

    BYTE* Address() const { return m_pRemote; }
    bool Write(const void* pData, SIZE_T nSize, SIZE_T nOffset = 0) const
    {
        return m_pRemote != nullptr && nOffset + nSize <= m_nSize &&
               WriteProcessMemory(m_hProcess, m_pRemote + nOffset, pData, nSize, nullptr);
    }
    bool Read(void* pData, SIZE_T nSize, SIZE_T nOffset = 0) const
    {
        return m_pRemote != nullptr && nOffset + nSize <= m_nSize &&
               ReadProcessMemory(m_hProcess, m_pRemote + nOffset, pData, nSize, nullptr);
    }

private:
    HANDLE m_hProcess;
    SIZE_T m_nSize;
    BYTE* m_pRemote = nullptr;
};

namespace
{
struct Search
{
    DWORD dwProcessId;
    const char* pszTitle; // any when null
    std::vector<HWND> found;
};

BOOL CALLBACK FindProc(HWND hWnd, LPARAM lParam)
{
    auto* pSearch = reinterpret_cast<Search*>(lParam);
    DWORD dwProcessId = 0;
    GetWindowThreadProcessId(hWnd, &dwProcessId);
    char szClass[16] = {}, szTitle[128] = {};
    GetClassNameA(hWnd, szClass, sizeof(szClass));
    GetWindowTextA(hWnd, szTitle, sizeof(szTitle));
    if (dwProcessId == pSearch->dwProcessId && IsWindowVisible(hWnd) && lstrcmpA(szClass, "#32770") == 0 &&
        (pSearch->pszTitle == nullptr || lstrcmpA(szTitle, pSearch->pszTitle) == 0))
        pSearch->found.push_back(hWnd);
    return TRUE;
}
} // namespace

CProgramProcess::CProgramProcess()
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

CProgramProcess::~CProgramProcess()
{
    if (m_process.hProcess == nullptr)
        return;
    if (Running())
    {
        TerminateProcess(m_process.hProcess, 99);
        WaitForSingleObject(m_process.hProcess, 5000);
    }
    CloseHandle(m_process.hProcess);
}

bool CProgramProcess::Running() const
{
    return m_process.hProcess != nullptr && WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT;
}

HWND CProgramProcess::WaitForWindow(const char* pszTitle, DWORD dwTimeoutMs) const
{
    Search search = {Id(), pszTitle, {}};
    PollFor(
        [&] {
            EnumWindows(FindProc, reinterpret_cast<LPARAM>(&search));
            return !search.found.empty();
        },
        "the window", dwTimeoutMs);
    // Once it waits for input: a click sent before then can miss.
    if (!search.found.empty())
        WaitForInputIdle(m_process.hProcess, dwTimeoutMs);
    return search.found.empty() ? nullptr : search.found.front();
}

std::vector<HWND> CProgramProcess::Dialogs() const
{
    Search search = {Id(), nullptr, {}};
    EnumWindows(FindProc, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND CProgramProcess::WaitForDialogWith(int nControlId, DWORD dwTimeoutMs) const
{
    HWND hFound = nullptr;
    PollFor(
        [&] {
            for (HWND hDialog : Dialogs())
            {
                if (GetDlgItem(hDialog, nControlId) != nullptr)
                    hFound = hDialog;
            }
            return hFound != nullptr;
        },
        "the window", dwTimeoutMs);
    return hFound;
}

bool CProgramProcess::WaitForExit(DWORD* pdwExitCode, DWORD dwTimeoutMs) const
{
    if (WaitForSingleObject(m_process.hProcess, dwTimeoutMs) != WAIT_OBJECT_0)
        return false;
    GetExitCodeProcess(m_process.hProcess, pdwExitCode);
    return true;
}

std::string CProgramProcess::ListText(HWND hList, int nRow, int nColumn) const
{
    const SIZE_T nTextSize = 512;
    CRemoteBlock block(Id(), sizeof(LVITEMA) + nTextSize);
    LVITEMA item = {};
    item.iSubItem = nColumn;
    item.pszText = reinterpret_cast<char*>(block.Address() + sizeof(LVITEMA));
    item.cchTextMax = static_cast<int>(nTextSize);
    char szText[nTextSize] = {};
    if (!block.Write(&item, sizeof(item)))
        return std::string();
    SendMessageA(hList, LVM_GETITEMTEXTA, nRow, reinterpret_cast<LPARAM>(block.Address()));
    block.Read(szText, nTextSize - 1, sizeof(LVITEMA));
    return szText;
}

std::vector<std::vector<std::string>> CProgramProcess::ListRows(HWND hList, const std::vector<int>& columns) const
{
    const SIZE_T nTextSize = 512;
    CRemoteBlock block(Id(), sizeof(LVITEMA) + nTextSize);
    std::vector<std::vector<std::string>> rows;
    int nCount = static_cast<int>(SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < nCount; ++i)
    {
        std::vector<std::string> row;
        for (int nColumn : columns)
        {
            LVITEMA item = {};
            item.iSubItem = nColumn;
            item.pszText = reinterpret_cast<char*>(block.Address() + sizeof(LVITEMA));
            item.cchTextMax = static_cast<int>(nTextSize);
            char szText[nTextSize] = {};
            if (block.Write(&item, sizeof(item)) &&
                SendMessageA(hList, LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(block.Address())) >= 0)
                block.Read(szText, nTextSize - 1, sizeof(LVITEMA));
            row.push_back(szText);
        }
        rows.push_back(row);
    }
    return rows;
}

RECT CProgramProcess::ListItemRect(HWND hList, int nRow) const
{
    CRemoteBlock block(Id(), sizeof(RECT));
    RECT rect = {LVIR_LABEL, 0, 0, 0};
    if (block.Write(&rect, sizeof(rect)) &&
        SendMessageA(hList, LVM_GETITEMRECT, nRow, reinterpret_cast<LPARAM>(block.Address())) &&
        block.Read(&rect, sizeof(rect)))
        return rect;
    return RECT{};
}

std::string CProgramProcess::TreeText(HWND hTree, HTREEITEM hItem) const
{
    const SIZE_T nTextSize = 256;
    CRemoteBlock block(Id(), sizeof(TVITEMA) + nTextSize);
    TVITEMA item = {};
    item.mask = TVIF_TEXT | TVIF_HANDLE;
    item.hItem = hItem;
    item.pszText = reinterpret_cast<char*>(block.Address() + sizeof(TVITEMA));
    item.cchTextMax = static_cast<int>(nTextSize);
    char szText[nTextSize] = {};
    if (!block.Write(&item, sizeof(item)) ||
        !SendMessageA(hTree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(block.Address())))
        return std::string();
    block.Read(szText, nTextSize - 1, sizeof(TVITEMA));
    return szText;
}

RECT CProgramProcess::TreeItemRect(HWND hTree, HTREEITEM hItem) const
{
    // The message reads the item from the rectangle it fills.
    CRemoteBlock block(Id(), sizeof(RECT));
    RECT rect = {};
    std::memcpy(&rect, &hItem, sizeof(hItem));
    if (block.Write(&rect, sizeof(rect)) &&
        SendMessageA(hTree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(block.Address())) &&
        block.Read(&rect, sizeof(rect)))
        return rect;
    return RECT{};
}

std::string TextOfOtherProcessWindow(HWND hWnd)
{
    char szText[512] = {};
    DWORD_PTR nResult = 0;
    SendMessageTimeoutA(hWnd, WM_GETTEXT, sizeof(szText), reinterpret_cast<LPARAM>(szText), SMTO_ABORTIFHUNG, 5000,
                        &nResult);
    return szText;
}
