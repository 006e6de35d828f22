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
    m_byName.clear();
    m_pending.clear();
    std::stable_sort(rows.begin(), rows.end(), [](const ServiceRow& left, const ServiceRow& right) {
        return ServiceListRules::CompareDisplayNames(left.strDisplayName, right.strDisplayName) < 0;
    });
    m_rows.reserve(rows.size());
    m_byName.reserve(rows.size());
    // Texts are asked for as the list draws: one message per row here
    // rather than four.
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.pszText = LPSTR_TEXTCALLBACKA;
    for (ServiceRow& row : rows)
    {
        m_rows.push_back(std::make_unique<ServiceRow>(std::move(row)));
        ServiceRow* pStored = m_rows.back().get();
        m_byName.emplace(pStored->wstrName, pStored);
        item.iItem = static_cast<int>(m_rows.size()) - 1;
        item.iImage = pStored->Image();
        item.lParam = reinterpret_cast<LPARAM>(pStored);
        m_list.SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
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
    auto found = m_byName.find(wstrName);
    if (found == m_byName.end())
        return -1;
    LVFINDINFOA find = {};
    find.flags = LVFI_PARAM;
    find.lParam = reinterpret_cast<LPARAM>(found->second);
    return static_cast<int>(m_list.SendMessage(LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

void CServiceListView::Remove(int nRow)
{
    const ServiceRow* pRow = RowAt(nRow);
    if (pRow == nullptr)
        return;
    m_list.DeleteItem(nRow);
    m_byName.erase(pRow->wstrName);
    m_rows.erase(std::find_if(m_rows.begin(), m_rows.end(),
                              [pRow](const std::unique_ptr<ServiceRow>& stored) { return stored.get() == pRow; }));
}

void CServiceListView::Show(int nRow) const
{
    const ServiceRow* pRow = RowAt(nRow);
    if (pRow == nullptr)
        return;
    m_list.SetItemImage(nRow, pRow->Image());
    m_list.SendMessage(LVM_REDRAWITEMS, nRow, nRow);
}

bool CServiceListView::Update(int nRow, const ServiceRow& current)
{
    ServiceRow* pRow = RowAt(nRow);
    if (pRow == nullptr)
        return false;
    std::string strStateBefore = pRow->StateText(), strStartTypeBefore = pRow->StartTypeText();
    pRow->state = current.state;
    pRow->pszPendingWord = nullptr;
    pRow->dwAccepted = current.dwAccepted;
    // A start type the table could not read keeps what the row had.
    if (current.bStartTypeKnown)
    {
        pRow->bStartTypeKnown = true;
        pRow->startType = current.startType;
    }
    if (pRow->StateText() == strStateBefore && pRow->StartTypeText() == strStartTypeBefore)
        return false;
    Show(nRow);
    return true;
}

void CServiceListView::ShowPending(int nRow, const char* pszWord, RunState state)
{
    ServiceRow* pRow = RowAt(nRow);
    if (pRow == nullptr)
        return;
    pRow->state = state;
    pRow->pszPendingWord = pszWord;
    m_pending.push_back(pRow->wstrName);
    Show(nRow);
}

void CServiceListView::TakePass(const CServicePoller& table, const std::function<void(int nRow)>& removeRow)
{
    for (const CServicePoller::Change& change : table.Changes())
    {
        int nRow = Find(change.wstrName);
        if (nRow == -1)
            continue;
        if (change.kind == CServicePoller::Change::Kind::Removed)
            removeRow(nRow);
        else
            Update(nRow, *change.pRow);
    }
    // A run command's word gives way to what the manager says now, changed
    // or not.
    std::vector<std::wstring> pending;
    pending.swap(m_pending);
    for (const std::wstring& wstrName : pending)
    {
        int nRow = Find(wstrName);
        const ServiceRow* pCurrent = table.Find(wstrName);
        if (nRow != -1 && pCurrent != nullptr)
            Update(nRow, *pCurrent);
    }
}

void CServiceListView::GiveDisplayInfo(const NMLVDISPINFOA* pInfo) const
{
    const LVITEMA& item = pInfo->item;
    if (!(item.mask & LVIF_TEXT) || item.pszText == nullptr || item.cchTextMax <= 0)
        return;
    const ServiceRow* pRow = reinterpret_cast<const ServiceRow*>(item.lParam);
    if (pRow == nullptr)
        pRow = RowAt(item.iItem);
    std::string strText;
    if (pRow != nullptr)
    {
        switch (item.iSubItem)
        {
        case 0:
            strText = pRow->strDisplayName;
            break;
        case 1:
            strText = pRow->strName;
            break;
        case 2:
            strText = pRow->StateText();
            break;
        case 3:
            strText = pRow->StartTypeText();
            break;
        }
    }
    lstrcpynA(item.pszText, strText.c_str(), item.cchTextMax);
}

void CServiceListView::SortByDisplayName() const
{
    m_list.SortItemsByData(CompareRowsByDisplayName, 0);
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
                pRow->startType = StartType{dwStartType, false};
                Show(nAt);
            }
            if (bTicked)
                m_list.SetCheck(nAt, FALSE);
        });
    *pbRowLeft = !wstrRemembered.empty() && Find(wstrRemembered) == -1;
    return bApplied;
}
