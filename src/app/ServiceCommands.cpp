#include "app/ServiceCommands.h"

#include "app/ServiceListRules.h"
#include "knowledge/ServiceAdvice.h"
#include "knowledge/ServiceKnowledgeBase.h"
#include "services/CommandState.h"
#include "services/ServiceDetails.h"
#include "services/ServiceErrors.h"
#include "services/ServiceTexts.h"

#include <optional>

namespace
{
// Set while a command or a pass holds the service slot.
using CBusyScope = CScopedValue<bool>;
} // namespace

CServiceCommands::CServiceCommands(IServiceView& view, IReporter& reporter, std::unique_ptr<IServiceSession> pSession)
    : m_view(view), m_reporter(reporter), m_pSession(std::move(pSession))
{
}

void CServiceCommands::SetSession(std::unique_ptr<IServiceSession> pSession)
{
    // The poller starts afresh under the new session's registry root.
    m_pSession = std::move(pSession);
}

void CServiceCommands::Attach(HWND hList, HWND hDialog, HWND hDependsTree)
{
    m_rows.Attach(hList);
    m_details.Attach(hDialog, hDependsTree);
}

void CServiceCommands::Setup(HIMAGELIST hImages)
{
    m_rows.Setup(hImages);
    m_details.Setup(hImages);
}

void CServiceCommands::ShowCategory(const ServiceListRules::Category& category, bool bResetDetails, bool bListAgain)
{
    if (bResetDetails)
    {
        m_details.Reset();
        m_view.UpdateRunCommands(kCommandsNone);
    }
    m_nSelected = -1;
    if (bListAgain)
        FillServiceList(category);
    else
        ShowRows(category);
}

void CServiceCommands::StepRememberedRow(WORD wKey)
{
    if (wKey != VK_DOWN && wKey != VK_UP)
        return;
    const CListCtrl& list = m_rows.Control();
    int nNext = list.GetNextItem(m_nSelected, wKey == VK_DOWN ? LVNI_BELOW : LVNI_ABOVE);
    // Wine's list answers one past the last row for "below" at the end.
    if (nNext >= 0 && nNext < list.GetItemCount())
        m_nSelected = nNext;
    if (m_nSelected != -1)
        ShowServiceDetails();
}

void CServiceCommands::ToggleTick()
{
    SyncRememberedRow();
    const CListCtrl& list = m_rows.Control();
    if (m_nSelected != -1)
    {
        list.SetCheck(m_nSelected, !list.GetCheck(m_nSelected));
        return;
    }
    for (int i = 0; i < list.GetItemCount(); ++i)
        list.SetCheck(i, FALSE);
}

ReportAnswer CServiceCommands::Notify(const std::string& strText, ReportKind kind)
{
    return m_reporter.Report(kind, strText);
}

void CServiceCommands::ReportServiceFailure(DWORD dwError)
{
    // Every open fails without a manager; the wrapper's own notice says why.
    if (m_pSession->ManagerError() != 0)
        m_reporter.Report(ReportKind::Plain, ServiceWrapperTexts::kNoManagerHandle);
    Notify(ServiceFailureText(dwError));
}

void CServiceCommands::ReportFatalError(DWORD dwError)
{
    m_view.StopStatusTimer();
    Notify(LookupServiceError(dwError).pszText);
    PostQuitMessage(0);
}

void CServiceCommands::ReportRowFailure(int nRow, DWORD dwError)
{
    if (dwError == ERROR_SERVICE_DOES_NOT_EXIST)
        RemoveRow(nRow);
    ReportServiceFailure(dwError);
}

void CServiceCommands::FillServiceList(const ServiceListRules::Category& category)
{
    {
        CBusyScope busy(m_bBusy, true);
        auto report = [this](DWORD dwError) { ReportServiceFailure(dwError); };
        if (DWORD dwError = m_poller.Fill(*m_pSession, report))
        {
            // Without a first list there is nothing to work on; later the
            // list shown stays as it is.
            if (!m_bListed)
                ReportFatalError(dwError);
            else
                ReportServiceFailure(dwError);
            return;
        }
        m_bListed = true;
    }
    ShowRows(category);
}

void CServiceCommands::ShowRows(const ServiceListRules::Category& category)
{
    CBusyScope busy(m_bBusy, true);
    m_category = category;
    std::vector<ServiceRow> shown;
    m_poller.ForEachRow([&](const ServiceRow& row) {
        if (category.filter.Passes(row))
            shown.push_back(row);
    });
    m_rows.SetRows(std::move(shown));
    m_view.SetSummary(ServiceListRules::SummaryText(m_rows.Count(), category.strWord));
}

std::string CServiceCommands::ServiceDisplayName(const std::wstring& wstrName)
{
    return DisplayNameOf(*m_pSession, wstrName);
}

void CServiceCommands::ShowServiceDetails()
{
    CBusyScope busy(m_bBusy, true);
    m_details.ClearStatusLine();
    const ServiceRow* pRow = m_rows.RowAt(m_nSelected);
    if (pRow == nullptr)
        return;
    ServiceDetails details;
    if (DWORD dwError = ReadServiceDetails(*m_pSession, pRow->wstrName, &details,
                                           [this](DWORD dwFailure) { ReportServiceFailure(dwFailure); }))
    {
        // Gone behind the list: there is nothing left to show, and no path.
        ReportRowFailure(m_nSelected, dwError);
        m_details.ShowPath(std::string());
        return;
    }
    m_view.UpdateRunCommands(pRow->Commands(details.dwAccepted));

    std::string strAdvice;
    if (std::optional<int> nEntry = ServiceKnowledgeBase::FindByServiceName(pRow->strName))
    {
        ServiceAdvice advice(ServiceKnowledgeBase::Entry(*nEntry));
        m_view.EnableDeleteCommand(!advice.IsProtected());
        strAdvice = advice.AdviceText();
    }
    m_details.Show(*m_pSession, details, strAdvice);
}

void CServiceCommands::SyncRememberedRow()
{
    // A command or a pass holds the service slot; the next pass catches up.
    if (m_bBusy)
    {
        m_bSyncPending = true;
        return;
    }
    m_bSyncPending = false;
    int nRow = m_rows.HighlightedRow();
    if (nRow == m_nSelected)
        return;
    m_nSelected = nRow;
    if (m_nSelected != -1)
        ShowServiceDetails();
}

void CServiceCommands::RemoveRow(int nRow)
{
    m_rows.Remove(nRow);
    if (nRow == m_nSelected)
    {
        m_nSelected = -1;
        m_view.UpdateRunCommands(kCommandsNone);
    }
    else if (nRow < m_nSelected)
    {
        // The remembered service moved up one row.
        --m_nSelected;
    }
}

void CServiceCommands::RefreshServiceStates()
{
    // Never inside a command or another pass: they hold the service slot,
    // or the list is half rewritten.
    if (m_bBusy)
        return;
    if (m_bSyncPending)
        SyncRememberedRow();
    CBusyScope busy(m_bBusy, true);
    // A pass reports nothing: a failed look is simply tried again next time.
    if (m_poller.Refresh(*m_pSession) != 0)
        return;
    // Only the rows the pass says changed are touched: with thousands of
    // services the messages to the list would otherwise be most of a pass.
    m_rows.TakePass(m_poller, [this](int nRow) { RemoveRow(nRow); });
    if (const ServiceRow* pRow = m_rows.RowAt(m_nSelected))
        m_view.UpdateRunCommands(pRow->Commands(pRow->dwAccepted));
}

bool CServiceCommands::HasSelection()
{
    if (m_nSelected != -1)
        return true;
    Notify(kSelectPrompt);
    return false;
}

void CServiceCommands::ControlSelectedService(RunOperation operation)
{
    if (!HasSelection())
        return;
    CBusyScope busy(m_bBusy, true);
    int nRow = m_nSelected;
    ServiceRow* pRow = m_rows.RowAt(nRow);
    if (DWORD dwError = RunServiceOperation(*m_pSession, pRow->wstrName, operation))
    {
        ReportRowFailure(nRow, dwError);
        return;
    }
    // The pending word shows until the next pass says how it went.
    const RunOperationInfo& info = InfoOf(operation);
    m_rows.ShowPending(nRow, info.pszPendingWord, info.pendingState);
    m_view.UpdateRunCommands(info.nCommandState);
}

void CServiceCommands::StartOrContinue()
{
    // Start continues a paused service; pause only pauses.
    const ServiceRow* pRow = m_rows.RowAt(m_nSelected);
    bool bPaused = pRow != nullptr && pRow->state == RunState::Paused;
    ControlSelectedService(bPaused ? kRunContinue : kRunStart);
}

