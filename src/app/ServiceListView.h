// The service list control and the rows it stands for: copies of the
// table's rows that a category chose, each item's lParam pointing at its
// row, owned here. The list asks for the texts as it draws (callback texts),
// and they come from the rows; nothing is read back for a decision.
#pragma once

#include "changes/StartTypeApplier.h"
#include "services/ServiceRow.h"
#include "services/ServicePoller.h"
#include "services/RunOperation.h"
#include "services/ServiceSession.h"
#include "ui/Controls.h"

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class CServiceListView
{
public:
    void Attach(HWND hList) { m_list.Attach(hList); }
    // Columns, styles and the icons of the start types.
    void Setup(HIMAGELIST hImages);
    // The focused row when it is selected, else the selected one, or -1.
    int HighlightedRow() const;
    const CListCtrl& Control() const { return m_list; }

    // Replaces every row, in display-name order.
    void SetRows(std::vector<ServiceRow> rows);
    int Count() const { return m_list.GetItemCount(); }
    // nullptr for a row that is not there.
    ServiceRow* RowAt(int nRow) const;
    // The row of a service, by its exact real name; -1 when it has none.
    int Find(const std::wstring& wstrName) const;
    void Remove(int nRow);
    // Shows the row's texts and icon again from its data.
    void Show(int nRow) const;
    // Takes the table's row into the one at nRow; true when what it shows
    // changed.
    bool Update(int nRow, const ServiceRow& current);
    // A run command's word on the row at nRow until the next pass.
    void ShowPending(int nRow, const char* pszWord, RunState state);
    // Takes a pass's changes into the rows shown: rows whose service went
    // leave through removeRow, changed ones and those showing a run
    // command's word are updated. A service added since is not shown.
    void TakePass(const CServicePoller& table, const std::function<void(int nRow)>& removeRow);
    // The texts the list asks for as it draws.
    void GiveDisplayInfo(const NMLVDISPINFOA* pInfo) const;
    void SortByDisplayName() const;
    // A start type for the row nRow and, when bTicked, every ticked row,
    // whose ticks are cleared. A row shows the change at once (the next
    // pass confirms it); one whose service went is taken out by the
    // applier's failure report, and *pbRowLeft says whether nRow's did.
    // False when the journal refused the change.
    bool ApplyStartType(CStartTypeApplier& applier, DWORD dwStartType, int nRow, bool bTicked, bool* pbRowLeft);

private:
    CListCtrl m_list;
    CImageList m_stateImages; // the check boxes'
    std::vector<std::unique_ptr<ServiceRow>> m_rows;
    std::unordered_map<std::wstring, ServiceRow*> m_byName; // by exact real name
    // Rows showing a run command's word, by name.
    std::vector<std::wstring> m_pending;
};
