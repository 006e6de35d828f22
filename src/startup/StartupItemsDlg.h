// The programs the shell starts at log-on, from the per-user and the
// per-machine Run keys; ticked ones are deleted from the registry.
#pragma once

#include "common/Reporter.h"
#include "startup/RunValues.h"
#include "ui/Controls.h"
#include "ui/WindowReporter.h"
#include "skin/SkinButton.h"
#include "skin/SkinDialog.h"

#include <string>
#include <vector>

class CJournalFile;

class CStartupItemsDlg : public CSkinDialog
{
public:
    // Deletions are noted in pJournal first, when one is given. The
    // machine's Run key is read under hLocalMachine, the root the session
    // of the computer opened.
    CStartupItemsDlg(CWnd* pParent, CJournalFile* pJournal, HKEY hLocalMachine);
    ~CStartupItemsDlg() override;

    const CListCtrl& ItemList() const { return m_listItems; }
    // In place of the boxes this window raises by default.
    void SetReporter(IReporter& reporter) { m_pReporter = &reporter; }


protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    const MessageMapEntry* GetMessageMap() const override;

    INT_PTR OnClickList(WPARAM wParam, LPARAM lParam);
    INT_PTR OnExitButton(WPARAM wParam, LPARAM lParam);
    INT_PTR OnDeleteChecked(WPARAM wParam, LPARAM lParam);
    INT_PTR OnDblClickList(WPARAM wParam, LPARAM lParam);

private:
    // One Run value as a row shows it: where it lives and what it starts.
    struct Item
    {
        RunValues::Place place;
        const char* pszRootName;
        std::string strSubkey;
        std::wstring wstrName; // the real name; "" for the key's default value
        std::string strName;   // GBK, for display
        std::string strCommand;
    };

    // The values of a Run key in one place: the user's, or the machine's
    // in one of its views.
    void AddRunKeyValues(const RunValues::Place& place, const std::string& strSubkey);
    static std::string LocationText(const Item& item);
    void AddRow(Item item);
    // nullptr for a row that is not there.
    const Item* ItemAt(int nRow) const;
    // False when the value is still there: the key could not be opened or
    // the deletion failed (both said with "Error!").
    bool DeleteRunValue(const Item& item);

    CJournalFile* m_pJournal;
    HKEY m_hLocalMachine;
    CWindowReporter m_ownReporter{[this] { return m_hWnd; }};
    IReporter* m_pReporter = &m_ownReporter;
    CSkinButton m_btnExit;
    CSkinButton m_btnDelete;
    CImageList m_imageList;
    CImageList m_stateImages; // the check boxes'
    CListCtrl m_listItems;
    // Row i shows m_items[i]: inserted and erased together with the rows.
    std::vector<Item> m_items;
};
