// Quillmere as a user runs it: build/.../quillmere.exe in its own process,
// found by its windows and read through memory of its own.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

// The main window's title.
extern const char* const kProgramTitle;

class CProgramProcess
{
public:
    // Starts quillmere.exe from beside the running test program.
    CProgramProcess();
    // Ends it if it still runs.
    ~CProgramProcess();

    CProgramProcess(const CProgramProcess&) = delete;
    CProgramProcess& operator=(const CProgramProcess&) = delete;

    bool Started() const { return m_process.hProcess != nullptr; }
    DWORD Id() const { return m_process.dwProcessId; }
    HANDLE Handle() const { return m_process.hProcess; }
    bool Running() const;

    // The first visible top-level dialog of the process with this title,
    // once the program waits for input.
    HWND WaitForWindow(const char* pszTitle, DWORD dwTimeoutMs = 15000) const;
    // Every visible top-level dialog of the process.
    std::vector<HWND> Dialogs() const;
    // The first of them holding a control with this id.
    HWND WaitForDialogWith(int nControlId, DWORD dwTimeoutMs = 15000) const;
    // True once it has ended within the time, with its exit code.
    bool WaitForExit(DWORD* pdwExitCode, DWORD dwTimeoutMs = 15000) const;

    // A cell of one of its list views; these columns of every row.
    std::string ListText(HWND hList, int nRow, int nColumn) const;
    std::vector<std::vector<std::string>> ListRows(HWND hList, const std::vector<int>& columns) const;
    RECT ListItemRect(HWND hList, int nRow) const;
    // The label of a tree item, and its rectangle in the tree's client area.
    std::string TreeText(HWND hTree, HTREEITEM hItem) const;
    RECT TreeItemRect(HWND hTree, HTREEITEM hItem) const;

private:
    // Memory in the program's process for one call's argument.
    class CRemoteBlock;

    PROCESS_INFORMATION m_process = {};
};

// The text of a window of another process (a message box's 0xFFFF child).
std::string TextOfOtherProcessWindow(HWND hWnd);
