// Drives the main window in the test's own process with the messages a
// user's actions send, and reads what it shows.
#pragma once

#include "app/MainDlg.h"
#include "res/resource.h"
#include "services/CommandState.h"
#include "services/ServiceTexts.h"
#include "support/DialogDriver.h"
#include "support/MessageBoxWatcher.h"
#include "support/Screenshot.h"
#include "support/TestServices.h"
#include "support/Waiting.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <map>
#include <unordered_map>
#include <memory>
#include <string>
#include <vector>

struct ListRow
{
    std::string strDisplay, strName, strState, strStartType;
    int nImage;
};

inline std::vector<ListRow> RowsOf(const CListCtrl& list)
{
    std::vector<ListRow> rows;
    for (int i = 0; i < list.GetItemCount(); ++i)
        rows.push_back({list.GetItemText(i, 0), list.GetItemText(i, 1), list.GetItemText(i, 2),
                        list.GetItemText(i, 3), list.GetItemImage(i)});
    return rows;
}

inline const ListRow* FindRow(const std::vector<ListRow>& rows, const std::string& strName)
{
    for (const ListRow& row : rows)
    {
        if (row.strName == strName)
            return &row;
    }
    return nullptr;
}

// A visible window of this thread that the match accepts, or nullptr.
inline HWND FindThreadWindow(const std::function<bool(HWND)>& match)
{
    std::pair<const std::function<bool(HWND)>*, HWND> search = {&match, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hWnd, LPARAM lParam) -> BOOL {
            auto* pSearch = reinterpret_cast<std::pair<const std::function<bool(HWND)>*, HWND>*>(lParam);
            if (!IsWindowVisible(hWnd) || !(*pSearch->first)(hWnd))
                return TRUE;
            pSearch->second = hWnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.second;
}

inline bool IsPreviewWindow(HWND hWnd)
{
    return GetDlgItem(hWnd, IDC_PREVIEW_LIST) != nullptr;
}

// Every cell of the preview's list, read back through LVM_GETITEMTEXT.
using PreviewCells = std::array<std::string, 5>;
inline std::vector<PreviewCells> PreviewCellsOf(HWND hList)
{
    CListCtrl list;
    list.Attach(hList);
    std::vector<PreviewCells> rows;
    for (int i = 0; i < list.GetItemCount(); ++i)
        rows.push_back({list.GetItemText(i, 0), list.GetItemText(i, 1), list.GetItemText(i, 2),
                        list.GetItemText(i, 3), list.GetItemText(i, 4)});
    return rows;
}

inline std::string TextOf(HWND hWnd)
{
    CWnd wnd(hWnd);
    return wnd.GetWindowText();
}

// The row showing the service of that name, or -1.
inline int RowOf(const CListCtrl& list, const std::string& strName)
{
    for (int i = 0; i < list.GetItemCount(); ++i)
    {
        if (list.GetItemText(i, 1) == strName)
            return i;
    }
    return -1;
}

// Everything the manager lists, as state and start-type texts.
inline std::map<std::string, std::pair<std::string, std::string>> ManagerView()
{
    std::map<std::string, std::pair<std::string, std::string>> view;
    for (const auto& service : EnumeratedStates())
    {
        ServiceConfigSeen config = ReadServiceConfig(service.first);
        std::string strStartType = config.bRead ? ServiceTexts::StartTypeText(config.dwStartType) : "(query failed)";
        view[service.first] = {ServiceTexts::RunStateText(service.second), strStartType};
    }
    return view;
}

// What the user does in quick configuration: a click on the profile, then
// on "应用". The window is noted when asked.
inline CDialogDriver::Action ChooseProfile(int nProfile, HWND* phQuick = nullptr)
{
    return [nProfile, phQuick](HWND hDialog) {
        if (phQuick != nullptr)
            *phQuick = hDialog;
        PostMessageA(GetDlgItem(hDialog, IDC_CHOICE_1 + nProfile - 1), BM_CLICK, 0, 0);
        CDialogDriver::Click(hDialog, IDOK);
    };
}

class MainWindowHarness : public testing::Test
{
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
    }

    // A new main window; bSameJournal keeps the last window's journal, and
    // prepare runs on the window before it is made.
    testing::AssertionResult OpenWindow(bool bSameJournal = false,
                                        const std::function<void(CMainDlg&)>& prepare = nullptr)
    {
        m_pDialog.reset(new CMainDlg(nullptr));
        // Each test keeps its own journal, and the previews are answered
        // here unless a test shows the real window.
        static int s_nJournal = 0;
        if (!bSameJournal || m_strJournalPath.empty())
        {
            m_strJournalPath = "C:\\windows\\temp\\qm-journal-" + std::to_string(GetCurrentProcessId()) + "-" +
                               std::to_string(++s_nJournal) + ".svcj";
            DeleteFileA(m_strJournalPath.c_str());
        }
        m_pDialog->SetJournalPath(m_strJournalPath);
        m_pDialog->SetLegacyJournalPath(m_strLegacyJournalPath);
        m_pDialog->SetPreviewer([this](const PreviewContent& content, HWND, std::vector<bool>* pTicked) {
            m_previews.push_back(content);
            if (m_bTickEverything)
                pTicked->assign(content.rows.size(), true);
            return m_bAcceptPreviews;
        });
        if (prepare)
            prepare(*m_pDialog);
        if (!m_pDialog->Create())
            return testing::AssertionFailure() << "the main window was not created: " << GetLastError();
        PumpMessages();
        return testing::AssertionSuccess();
    }

    void TearDown() override
    {
        m_pDialog.reset();
        PumpMessages();
        if (!m_strJournalPath.empty())
            DeleteFileA(m_strJournalPath.c_str());
        // A box nobody expected would otherwise have blocked the test.
        EXPECT_EQ(std::vector<std::string>{}, m_watcher.Texts()) << "unexpected message boxes";
    }

    HWND Window() const { return m_pDialog->GetSafeHwnd(); }

    // A click on a list row as the list reports it: select, then NM_CLICK
    // (or the double or right click's notification).
    void ClickRow(int nRow, UINT nCode = NM_CLICK)
    {
        const CListCtrl& list = m_pDialog->ServiceList();
        LVITEMA item = {};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = 0;
        list.SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
        if (nRow >= 0)
        {
            item.state = LVIS_SELECTED | LVIS_FOCUSED;
            list.SendMessage(LVM_SETITEMSTATE, nRow, reinterpret_cast<LPARAM>(&item));
        }
        NMITEMACTIVATE notify = {};
        notify.hdr = {list.GetSafeHwnd(), IDC_SERVICE_LIST, nCode};
        notify.iItem = nRow;
        SendMessageA(Window(), WM_NOTIFY, IDC_SERVICE_LIST, reinterpret_cast<LPARAM>(&notify));
    }

    // Quick configuration as the user runs it: the menu item, a profile,
    // "应用", and No to the backup question. Gives the message boxes it
    // raised, and leaves the watcher answering OK.
    std::vector<std::string> ApplyProfileByMenu(int nProfile)
    {
        m_watcher.SetAnswer(IDNO);
        CDialogDriver driver;
        driver.When(IDC_CHOICE_1, ChooseProfile(nProfile));
        SendCommand(ID_QUICK_CONFIG);
        EXPECT_TRUE(driver.AllDone()) << "quick configuration did not open";
        std::vector<std::string> texts = m_watcher.Take();
        m_watcher.SetAnswer(IDOK);
        return texts;
    }

    // A click on the service's row.
    testing::AssertionResult Select(const std::string& strName)
    {
        int nRow = RowOf(m_pDialog->ServiceList(), strName);
        if (nRow == -1)
            return testing::AssertionFailure() << strName << " is not listed";
        ClickRow(nRow);
        return testing::AssertionSuccess();
    }

    void PressKeyInList(WORD wKey)
    {
        NMLVKEYDOWN notify = {};
        notify.hdr = {m_pDialog->ServiceList().GetSafeHwnd(), IDC_SERVICE_LIST, static_cast<UINT>(LVN_KEYDOWN)};
        notify.wVKey = wKey;
        SendMessageA(Window(), WM_NOTIFY, IDC_SERVICE_LIST, reinterpret_cast<LPARAM>(&notify));
    }

    // Puts the pointer on an item's label and sends the tree's click.
    void ClickCategory(const std::string& strText)
    {
        const CTreeCtrl& tree = m_pDialog->CategoryTree();
        HTREEITEM hItem = FindTreeItem(tree, strText);
        ASSERT_NE(nullptr, hItem) << strText;
        RECT rect = {};
        std::memcpy(&rect, &hItem, sizeof(hItem)); // TVM_GETITEMRECT takes the item in the rectangle
        ASSERT_TRUE(tree.SendMessage(TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect)));
        POINT pt = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
        ClientToScreen(tree.GetSafeHwnd(), &pt);
        SetCursorPos(pt.x, pt.y);
        NMHDR notify = {tree.GetSafeHwnd(), IDC_CATEGORY_TREE, static_cast<UINT>(NM_CLICK)};
        SendMessageA(Window(), WM_NOTIFY, IDC_CATEGORY_TREE, reinterpret_cast<LPARAM>(&notify));
    }

    static HTREEITEM FindTreeItem(const CTreeCtrl& tree, const std::string& strText)
    {
        for (HTREEITEM hItem = tree.GetNextItem(nullptr, TVGN_ROOT); hItem != nullptr;
             hItem = tree.GetNextItem(hItem, TVGN_NEXTVISIBLE))
        {
            if (tree.GetItemText(hItem) == strText)
                return hItem;
        }
        return nullptr;
    }

    static std::vector<std::string> TreeTexts(const CTreeCtrl& tree, HTREEITEM hParent)
    {
        std::vector<std::string> texts;
        for (HTREEITEM hItem = tree.GetNextItem(hParent, hParent ? TVGN_CHILD : TVGN_ROOT); hItem != nullptr;
             hItem = tree.GetNextItem(hItem, TVGN_NEXT))
            texts.push_back(tree.GetItemText(hItem));
        return texts;
    }

    // What a click on a button or a menu item sends.
    void SendCommand(int nId)
    {
        SendMessageA(Window(), WM_COMMAND, MAKEWPARAM(nId, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(Window(), nId)));
    }

    std::string CellOf(const std::string& strName, int nColumn) const
    {
        int nRow = RowOf(m_pDialog->ServiceList(), strName);
        return nRow == -1 ? "(no row)" : m_pDialog->ServiceList().GetItemText(nRow, nColumn);
    }

    // Puts the run commands in a known state, so that a pass can be seen
    // setting them.
    void UpdateRunCommandsTo(int nCommandState) { m_pDialog->UpdateRunCommands(nCommandState); }

    bool ButtonEnabled(int nId) const { return IsWindowEnabled(GetDlgItem(Window(), nId)) != FALSE; }

    // The file chooser answers with this path, or cancels when it is empty.
    void ChooseFile(const std::string& strPath)
    {
        m_nChooserCalls = 0;
        m_pDialog->SetFileChooser([this, strPath](HWND hOwner, bool bSave, std::string* pstrPath) {
            ++m_nChooserCalls;
            m_bLastChooserSave = bSave;
            m_hLastChooserOwner = hOwner;
            *pstrPath = strPath;
            return !strPath.empty();
        });
    }

    bool MenuItemEnabled(UINT nId) const
    {
        return !(m_pDialog->Menu().GetMenuState(nId) & (MF_GRAYED | MF_DISABLED));
    }

    CMessageBoxWatcher m_watcher;
    std::unique_ptr<CMainDlg> m_pDialog;
    std::string m_strJournalPath;
    // An earlier version's journal the window finds at its start; none unless a test says.
    std::string m_strLegacyJournalPath;
    // What each preview would have shown, and the answer given to it.
    std::vector<PreviewContent> m_previews;
    bool m_bAcceptPreviews = true;
    // The rows' ticks are left as the preview starts them, or every row is
    // ticked, as a user who wants all of it does.
    bool m_bTickEverything = false;
    // What the file chooser was asked since ChooseFile.
    int m_nChooserCalls = 0;
    bool m_bLastChooserSave = false;
    HWND m_hLastChooserOwner = nullptr;
};

inline bool Listed(const CListCtrl& list, const std::string& strName)
{
    return RowOf(list, strName) != -1;
}

inline RECT ClientRectOf(HWND hParent, int nId)
{
    RECT rect;
    GetWindowRect(GetDlgItem(hParent, nId), &rect);
    MapWindowPoints(nullptr, hParent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

inline testing::AssertionResult HasRect(const RECT& rect, int x, int y, int cx, int cy)
{
    if (rect.left == x && rect.top == y && rect.right - rect.left == cx && rect.bottom - rect.top == cy)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "rectangle " << rect.left << "," << rect.top << " "
                                       << rect.right - rect.left << "x" << rect.bottom - rect.top << " instead of "
                                       << x << "," << y << " " << cx << "x" << cy;
}

