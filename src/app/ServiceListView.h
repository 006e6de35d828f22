// The service list control and the rows it stands for. Each item's lParam
// points at its row, owned here; the display texts are written from the
// rows and never read back for a decision.
#pragma once

#include "app/ServiceRow.h"
#include "changes/StartTypeApplier.h"
#include "services/ServicePoller.h"
#include "services/ServiceSession.h"
#include "ui/Controls.h"

#include <functional>
#include <memory>
#include <string>
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
    // Writes the row's texts and icon again from its data.
    void Show(int nRow) const;
    // Takes a pass's status into row, the one at nRow; true when what it
    // shows changed.
    bool Update(int nRow, ServiceRow& row, const CServicePoller::Status& status) const;
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
};

// The run commands as the manager is asked them, and what a row shows
// until the next pass.
enum RunOperation
{
    kRunStart = 1,
    kRunStop = 2,
    kRunPause = 3,
    kRunContinue = 4,
};
struct RunOperationInfo
{
    DWORD dwAccess;
    DWORD dwControl; // 0 for a start
    const char* pszPendingWord;
    DWORD dwPendingState;
    int nCommandState; // what the commands allow meanwhile
};
const RunOperationInfo& InfoOf(RunOperation operation);
// 0 or the error of the open or of the command itself.
DWORD RunServiceOperation(IServiceSession& session, const std::wstring& wstrName, RunOperation operation);

// Every Win32 service as a row: the start type from the manager's store as
// the poller keeps it, or from the manager for one whose key cannot be
// read. A service removed since the listing gets no row; other failures go
// to report. 0 or the listing's error, with no rows.
DWORD ReadServiceRows(IServiceSession& session, CServicePoller& poller, std::vector<ServiceRow>* pRows,
                      const std::function<void(DWORD dwError)>& report);
