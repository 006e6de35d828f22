#include "app/ServiceListView.h"

#include "app/ServiceListRules.h"
#include "common/GbkText.h"
#include "services/CommandState.h"

#include <algorithm>

namespace
{
int CALLBACK CompareRowsByDisplayName(LPARAM lLeft, LPARAM lRight, LPARAM)
{
    return ServiceListRules::CompareDisplayNames(reinterpret_cast<const ServiceRow*>(lLeft)->strDisplayName,
                                                 reinterpret_cast<const ServiceRow*>(lRight)->strDisplayName);
}
} // namespace

void CServiceListView::Setup(HIMAGELIST hImages)
{
    // One highlighted row, the one every command acts on; ticks mark more.
    m_list.ModifyStyle(0, LVS_SHOWSELALWAYS | LVS_SINGLESEL);
    m_list.SetImageList(hImages, LVSIL_SMALL);
    EnableCheckBoxes(m_list.GetSafeHwnd(), LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT, &m_stateImages);
    m_list.InsertColumn(0, "服务显示名称", LVCFMT_LEFT, 250);
    m_list.InsertColumn(1, "服务名", LVCFMT_LEFT, 150);
    m_list.InsertColumn(2, "状态", LVCFMT_LEFT, 60);
    m_list.InsertColumn(3, "启动类型", LVCFMT_LEFT, 65);
}

int CServiceListView::HighlightedRow() const
{
    int nFocused = m_list.GetNextItem(-1, LVNI_FOCUSED);
    if (nFocused != -1 && (m_list.SendMessage(LVM_GETITEMSTATE, nFocused, LVIS_SELECTED) & LVIS_SELECTED) != 0)
        return nFocused;
    return m_list.GetNextItem(-1, LVNI_SELECTED);
}

void CServiceListView::SetRows(std::vector<ServiceRow> rows)
{
    // Without redraw the list neither repaints nor redoes its scroll bar
    // for each change, but once when redraw comes back: a row inserted with
    // it on costs the more the longer the list.
    ::SendMessageA(m_list.GetSafeHwnd(), WM_SETREDRAW, FALSE, 0);
    m_list.DeleteAllItems();
    m_rows.clear();
    std::stable_sort(rows.begin(), rows.end(), [](const ServiceRow& left, const ServiceRow& right) {
        return ServiceListRules::CompareDisplayNames(left.strDisplayName, right.strDisplayName) < 0;
    });
    for (ServiceRow& row : rows)
    {
        m_rows.push_back(std::make_unique<ServiceRow>(std::move(row)));
        const ServiceRow& stored = *m_rows.back();
        int nRow = m_list.InsertItem(static_cast<int>(m_rows.size()) - 1, stored.strDisplayName, stored.Image(),
                                     reinterpret_cast<LPARAM>(&stored));
        m_list.SetItemText(nRow, 1, stored.strName);
        m_list.SetItemText(nRow, 2, stored.StateText());
        m_list.SetItemText(nRow, 3, stored.StartTypeText());
    }
    ::SendMessageA(m_list.GetSafeHwnd(), WM_SETREDRAW, TRUE, 0);
}

ServiceRow* CServiceListView::RowAt(int nRow) const
{
    // The list refuses an index past its end, and no row has data 0: one
    // message rather than a count first, which a pass pays for every row.
    if (nRow < 0)
        return nullptr;
    return reinterpret_cast<ServiceRow*>(m_list.GetItemData(nRow));
}

int CServiceListView::Find(const std::wstring& wstrName) const
{
    for (int i = 0; i < Count(); ++i)
    {
        if (RowAt(i)->wstrName == wstrName)
            return i;
    }
    return -1;
}

void CServiceListView::Remove(int nRow)
{
    const ServiceRow* pRow = RowAt(nRow);
    if (pRow == nullptr)
        return;
    m_list.DeleteItem(nRow);
    m_rows.erase(std::find_if(m_rows.begin(), m_rows.end(),
                              [pRow](const std::unique_ptr<ServiceRow>& stored) { return stored.get() == pRow; }));
}

void CServiceListView::Show(int nRow) const
{
    const ServiceRow* pRow = RowAt(nRow);
    if (pRow == nullptr)
        return;
    m_list.SetItemImage(nRow, pRow->Image());
    m_list.SetItemText(nRow, 2, pRow->StateText());
    m_list.SetItemText(nRow, 3, pRow->StartTypeText());
}

bool CServiceListView::Update(int nRow, ServiceRow& row, const CServicePoller::Status& status) const
{
    std::string strStateBefore = row.StateText(), strStartTypeBefore = row.StartTypeText();
    row.dwState = status.dwState;
    row.pszPendingWord = nullptr;
    row.dwAccepted = status.dwAccepted;
    // A start type the pass could not read keeps what the row had.
    if (status.bStartTypeKnown)
    {
        row.bStartTypeKnown = true;
        row.dwStartType = status.dwStartType;
    }
    if (row.StateText() == strStateBefore && row.StartTypeText() == strStartTypeBefore)
        return false;
    Show(nRow);
    return true;
}

void CServiceListView::SortByDisplayName() const
{
    m_list.SortItemsByData(CompareRowsByDisplayName, 0);
}

const RunOperationInfo& InfoOf(RunOperation operation)
{
    static const RunOperationInfo kOperations[] = {
        {IServiceSession::kAccessStart, 0, ServiceTexts::kStartPending, SERVICE_START_PENDING, kCommandsStopOnly},
        {IServiceSession::kAccessStop, SERVICE_CONTROL_STOP, ServiceTexts::kStopPending, SERVICE_STOP_PENDING,
         kCommandsStartable},
        {IServiceSession::kAccessPauseContinue, SERVICE_CONTROL_PAUSE, ServiceTexts::kPausing, SERVICE_PAUSE_PENDING,
         kCommandsPaused},
        {IServiceSession::kAccessPauseContinue, SERVICE_CONTROL_CONTINUE, ServiceTexts::kContinuing,
         SERVICE_CONTINUE_PENDING, kCommandsPauseAndStop},
    };
    return kOperations[operation - kRunStart];
}

DWORD RunServiceOperation(IServiceSession& session, const std::wstring& wstrName, RunOperation operation)
{
    const RunOperationInfo& info = InfoOf(operation);
    CService service;
    if (DWORD dwError = session.Open(wstrName, info.dwAccess, &service))
        return dwError;
    SERVICE_STATUS status = {};
    return info.dwControl == 0 ? service.Start() : service.Control(info.dwControl, &status);
}

bool CServiceListView::ApplyStartType(CStartTypeApplier& applier, DWORD dwStartType, int nRow, bool bTicked,
                                      bool* pbRowLeft)
{
    // The services are named before any is changed: a row that goes with
    // its service (the applier's failure report takes it out) moves the
    // others, so each is found again by name afterwards.
    std::vector<StartTypeTarget> targets;
    for (int i = 0; i < Count(); ++i)
    {
        if (i == nRow || (bTicked && m_list.GetCheck(i)))
            targets.push_back({RowAt(i)->wstrName, dwStartType});
    }
    const ServiceRow* pRemembered = RowAt(nRow);
    std::wstring wstrRemembered = pRemembered != nullptr ? pRemembered->wstrName : std::wstring();
    bool bApplied = applier.Apply(
        targets, CStartTypeApplier::Reporting::Everything, [&](const std::wstring& wstrName, DWORD dwError) {
            int nAt = Find(wstrName);
            if (nAt == -1)
                return;
            if (dwError == 0)
            {
                ServiceRow* pRow = RowAt(nAt);
                pRow->bStartTypeKnown = true;
                pRow->dwStartType = dwStartType;
                Show(nAt);
            }
            if (bTicked)
                m_list.SetCheck(nAt, FALSE);
        });
    *pbRowLeft = !wstrRemembered.empty() && Find(wstrRemembered) == -1;
    return bApplied;
}

DWORD ReadServiceRows(IServiceSession& session, CServicePoller& poller, std::vector<ServiceRow>* pRows,
                      const std::function<void(DWORD dwError)>& report)
{
    pRows->clear();
    std::vector<EnumeratedService> services;
    if (DWORD dwError = session.Enumerate(SERVICE_WIN32, &services))
        return dwError;
    poller.UseRoot(session.RegistryRoot());
    // Opening and reading every service's key again costs three calls to
    // the registry per row; what the poller keeps is as fresh, since the
    // store's change notice makes it read again.
    poller.CheckStartTypes();
    for (const EnumeratedService& listed : services)
    {
        ServiceRow row;
        row.wstrName = listed.wstrName;
        row.strName = GbkText::FromWide(listed.wstrName);
        row.strDisplayName = GbkText::FromWide(listed.wstrDisplayName);
        row.dwState = listed.status.dwCurrentState;
        row.dwAccepted = listed.status.dwControlsAccepted;
        // The manager's own store answers at once; ask the manager itself
        // only for a service whose key cannot be read.
        DWORD dwStartType = 0;
        row.bStartTypeKnown = poller.StartTypeOf(row.wstrName, &dwStartType);
        if (!row.bStartTypeKnown)
        {
            CService service;
            DWORD dwError = session.Open(row.wstrName, IServiceSession::kAccessRead, &service);
            if (dwError == 0)
                dwError = service.QueryStartType(&dwStartType);
            // Removed since it was listed: it gets no row.
            if (dwError == ERROR_SERVICE_DOES_NOT_EXIST)
                continue;
            if (dwError != 0)
                report(dwError);
            row.bStartTypeKnown = dwError == 0;
        }
        row.dwStartType = dwStartType;
        pRows->push_back(std::move(row));
    }
    return 0;
}
