#include "app/ServiceCommands.h"

#include "app/ServiceListRules.h"
#include "changes/ChangePlanner.h"
#include "changes/JournalTexts.h"
#include "changes/PreviewDlg.h"
#include "changes/ServiceRecordIO.h"
#include "changes/UndoRestore.h"
#include "common/ScopedValue.h"
#include "knowledge/ServiceAdvice.h"
#include "knowledge/ServiceKnowledgeBase.h"
#include "res/resource.h"
#include "services/CommandState.h"
#include "services/ProgressDlg.h"
#include "services/ServiceDetails.h"
#include "services/ServiceErrors.h"
#include "services/ServiceRegistry.h"
#include "services/ServiceTexts.h"
#include "services/StartTypeApplier.h"

#include <optional>

namespace
{
const char* const kSelectPrompt = "请选择服务!";
const char* const kDeleteWarning =
    "警告:删除此服务将会造成此服务不可恢复,并有可能造成系统故障,您是否有200%的把握?";
const char* const kDeleted = "删除成功!";
const char* const kExportDone = "服务配置文件保存成功!";
const char* const kExportFailed = "配置文件无法写入,本次导出失败!";
const char* const kFileError = "文件错误！请选择正确的配置文件！";

std::string ExportLeftOutText(int nLeftOut)
{
    return "有 " + std::to_string(nLeftOut) + " 个服务的名称含有配置文件无法表示的字符,未写入此文件。";
}

// Set while a command or a pass holds the service slot.
using CBusyScope = CScopedValue<bool>;
// Boxes raised inside the scope go to its window.
using COwnerScope = CScopedValue<HWND>;
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

void CServiceCommands::SetStartTypeByCommand(UINT nId)
{
    // The toolbar works on the ticked rows and the remembered one; the
    // context menu on the remembered row alone.
    static const struct
    {
        UINT nId;
        ApplyMode mode;
        DWORD dwStartType;
    } kCommands[] = {
        {IDC_BTN_AUTO, kApplyMarkedRows, SERVICE_AUTO_START},
        {IDC_BTN_MANUAL, kApplyMarkedRows, SERVICE_DEMAND_START},
        {IDC_BTN_DISABLED, kApplyMarkedRows, SERVICE_DISABLED},
        {ID_MENU_AUTO, kApplySelectedRow, SERVICE_AUTO_START},
        {ID_MENU_MANUAL, kApplySelectedRow, SERVICE_DEMAND_START},
        {ID_MENU_DISABLED, kApplySelectedRow, SERVICE_DISABLED},
    };
    for (const auto& command : kCommands)
    {
        if (command.nId == nId)
            SetStartTypeOfSelection(command.mode, static_cast<int>(command.dwStartType));
    }
}

void CServiceCommands::SetStartTypeOfSelection(ApplyMode mode, int nValue)
{
    if (!HasSelection())
        return;
    ApplyRequest request;
    request.mode = mode;
    request.nValue = nValue;
    // The toolbar's change of many rows runs behind the please-wait window;
    // the context menu's of one row at once.
    if (mode == kApplyMarkedRows)
        Apply(request, Window());
    else
        ApplyNow(request);
}

void CServiceCommands::Apply(const ApplyRequest& request, HWND hOwner)
{
    // One application at a time, whatever window asks.
    if (m_bApplying)
        return;
    m_bApplying = true;
    CWnd owner(hOwner != nullptr ? hOwner : Window());
    CProgressDlg progress(&owner, [this, &request](HWND hProgress) {
        // What goes wrong meanwhile is told over the please-wait window.
        COwnerScope scope(m_hBoxOwner, hProgress);
        ApplyNow(request);
    });
    progress.DoModal();
    m_bApplying = false;
}

void CServiceCommands::ApplyNow(const ApplyRequest& request)
{
    CBusyScope busy(m_bBusy, true);
    CStartTypeApplier applier(*m_pSession, [this](const std::wstring&, DWORD dwError) { ReportServiceFailure(dwError); });
    applier.SetJournal(&m_journal);
    CStartTypeApplier::Outcome outcome = CStartTypeApplier::Outcome::Applied;
    switch (request.mode)
    {
    case kApplyMarkedRows:
    case kApplySelectedRow:
        outcome = ApplyToRows(request);
        break;
    case kApplyProfile:
        outcome = applier.ApplyProfile(request.nValue);
        break;
    case kApplyFile:
        outcome = applier.ApplyFile(request);
        if (outcome == CStartTypeApplier::Outcome::Unreadable)
            Notify(kFileError);
        break;
    }
    if (outcome == CStartTypeApplier::Outcome::JournalFailed)
        NotifyJournalFailed();
    RefreshUndoCommand();
    // Read every start type again on the next pass rather than wait for the
    // store's notice.
    m_poller.InvalidateStartTypes();
}

CStartTypeApplier::Outcome CServiceCommands::ApplyToRows(const ApplyRequest& request)
{
    DWORD dwStartType = static_cast<DWORD>(request.nValue);
    // A row whose service is gone leaves before the message about it.
    CStartTypeApplier applier(*m_pSession, [this](const std::wstring& wstrName, DWORD dwError) {
        int nRow = m_rows.Find(wstrName);
        if (dwError == ERROR_SERVICE_DOES_NOT_EXIST && nRow != -1)
            RemoveRow(nRow);
        ReportServiceFailure(dwError);
    });
    applier.SetJournal(&m_journal);
    bool bSelectedOnly = request.mode == kApplySelectedRow;
    bool bRowLeft = false;
    CStartTypeApplier::Outcome outcome =
        m_rows.ApplyStartType(applier, dwStartType, m_nSelected, !bSelectedOnly, &bRowLeft);
    if (outcome != CStartTypeApplier::Outcome::Applied || bRowLeft || !bSelectedOnly)
        return outcome;
    // A running service keeps its commands; the others follow the change.
    const ServiceRow* pRow = m_rows.RowAt(m_nSelected);
    if (pRow != nullptr && pRow->state != RunState::Running)
        m_view.UpdateRunCommands(pRow->Commands(0));
    return outcome;
}

void CServiceCommands::NotifyJournalFailed()
{
    // A journal this program cannot read is said as such, so the user
    // knows which file stands in the way.
    std::vector<ChangeJournal::Entry> entries;
    std::string strProblem;
    ChangeJournal::ReadOutcome outcome = m_journal.Read(&entries, &strProblem);
    std::string strText = outcome == ChangeJournal::ReadOutcome::Foreign || outcome == ChangeJournal::ReadOutcome::Damaged
                              ? strProblem + "\n" + m_journal.Path()
                              : JournalTexts::WriteFailed(m_journal.Path());
    Notify(strText);
}

bool CServiceCommands::ShowPreviewWindow(const PreviewContent& content, HWND hOwner)
{
    CWnd owner(hOwner);
    CPreviewDlg preview(&owner, content);
    return preview.DoModal() == IDOK;
}

bool CServiceCommands::Preview(ApplyRequest* pRequest, HWND hOwner)
{
    COwnerScope owner(m_hBoxOwner, hOwner);
    // What is shown is what is applied: a file is read once, here.
    if (pRequest->mode == kApplyFile && !pRequest->bTextGiven)
    {
        if (!ReadServiceConfigFile(pRequest->strPath, &pRequest->strText))
        {
            Notify(kFileError);
            return false;
        }
        pRequest->bTextGiven = true;
    }
    PreviewContent content;
    {
        CBusyScope busy(m_bBusy, true);
        CStartTypeApplier applier(*m_pSession,
                                  [this](const std::wstring&, DWORD dwError) { ReportServiceFailure(dwError); });
        StartTypePlan plan;
        CStartTypeApplier::Outcome outcome = applier.Plan(*pRequest, &plan);
        if (outcome == CStartTypeApplier::Outcome::Unreadable)
            Notify(kFileError);
        if (outcome != CStartTypeApplier::Outcome::Applied)
            return false;
        content = PreviewStartTypePlan(*m_pSession, plan, JournalTexts::kPreviewTitle);
    }
    return m_preview(content, BoxOwner()) && content.bAnyChange;
}

bool CServiceCommands::CanUndo() const
{
    std::vector<ChangeJournal::Entry> entries;
    std::string strProblem;
    switch (m_journal.Read(&entries, &strProblem))
    {
    case ChangeJournal::ReadOutcome::Read:
        return ChangeJournal::LastUndoable(entries) != nullptr;
    case ChangeJournal::ReadOutcome::Empty:
        return false;
    case ChangeJournal::ReadOutcome::Foreign:
    case ChangeJournal::ReadOutcome::Damaged:
        // Left on, so that the command can say what is wrong with the file.
        return true;
    }
    return false;
}

void CServiceCommands::NoticeMovedJournal()
{
    if (m_strLegacyJournal.empty() || GetFileAttributesA(m_strLegacyJournal.c_str()) == INVALID_FILE_ATTRIBUTES)
        return;
    const std::string strKept = m_strLegacyJournal + ".old";
    if (!MoveFileExA(m_strLegacyJournal.c_str(), strKept.c_str(), MOVEFILE_REPLACE_EXISTING))
        return; // said at the next start instead
    Notify(JournalTexts::Moved(m_journal.Path(), strKept), ReportKind::Information);
}

void CServiceCommands::UndoLast()
{
    if (m_bApplying)
        return;
    std::vector<ChangeJournal::Entry> entries;
    std::string strProblem;
    ChangeJournal::ReadOutcome read = m_journal.Read(&entries, &strProblem);
    if (read == ChangeJournal::ReadOutcome::Foreign || read == ChangeJournal::ReadOutcome::Damaged)
    {
        Notify(strProblem);
        return;
    }
    const ChangeJournal::Entry* pLast = ChangeJournal::LastUndoable(entries);
    if (pLast == nullptr)
    {
        Notify(JournalTexts::kNothingToUndo);
        return;
    }
    ChangeJournal::Entry entry = *pLast;
    if (!m_journal.LoadAsideData(&entry, &strProblem))
    {
        Notify(strProblem);
        return;
    }
    // No pass may change the list while the user reads the preview.
    m_view.StopStatusTimer();
    UndoPlan::Plan plan;
    {
        CBusyScope busy(m_bBusy, true);
        UndoPlan::Facts facts;
        if (DWORD dwError = ReadUndoFacts(*m_pSession, entry, &facts, &m_poller))
        {
            ReportServiceFailure(dwError);
            m_view.StartStatusTimer();
            return;
        }
        plan = UndoPlan::Make(entry, facts, JournalTexts::kUndoTitle, SpellInGbk);
    }
    if (!plan.Any())
    {
        // Nothing is left to put back: the preview says why, however many
        // notes there are, with "应用" off. The entry is done with, so
        // that the next undo reaches the one before it.
        m_preview(plan.preview, Window());
        m_journal.MarkUndone(entry.nId);
        RefreshUndoCommand();
        m_view.StartStatusTimer();
        return;
    }
    if (!m_preview(plan.preview, Window()))
    {
        m_view.StartStatusTimer();
        return;
    }
    std::vector<UndoPlan::Unrestored> unrestored;
    m_bApplying = true;
    CProgressDlg progress(m_view.ViewWindow(), [&](HWND) {
        // Taking back is not itself journalled: the next undo reaches the
        // application before this one.
        CBusyScope busy(m_bBusy, true);
        unrestored = RestoreUndoPlan(*m_pSession, entry, plan);
    });
    progress.DoModal();
    m_bApplying = false;
    m_journal.MarkUndone(entry.nId);
    RefreshUndoCommand();
    // Start types are read again rather than taken on the store's notice,
    // by the fill below as by the next pass. A service made again needs its
    // row; the rest follow on the next pass.
    m_poller.InvalidateStartTypes();
    if (!plan.services.empty())
        ShowCategory(m_category, true, true);
    m_view.StartStatusTimer();
    // What was left out is shown as the preview was, however much it is:
    // the same rows, each with its reason in the notes, in a window that
    // scrolls where a message box would run off the screen.
    if (unrestored.empty())
        Notify(JournalTexts::kUndoDone, ReportKind::Information);
    else
        m_preview(UndoPlan::Result(plan, unrestored), Window());
}

ExportOutcome CServiceCommands::ExportBackup(HWND hOwner)
{
    COwnerScope owner(m_hBoxOwner, hOwner);
    std::string strPath;
    if (!m_chooseFile(BoxOwner(), true, &strPath))
        return ExportOutcome::Cancelled;
    CBusyScope busy(m_bBusy, true);
    int nLeftOut = 0;
    if (!WriteServiceConfigFile(
            *m_pSession, strPath, [this](DWORD dwError) { ReportServiceFailure(dwError); }, &nLeftOut))
    {
        Notify(kExportFailed);
        return ExportOutcome::Failed;
    }
    Notify(kExportDone);
    // The file cannot name them: said, so that nobody counts on it for them.
    if (nLeftOut > 0)
        Notify(ExportLeftOutText(nLeftOut), ReportKind::Information);
    return ExportOutcome::Saved;
}

void CServiceCommands::Import()
{
    ApplyRequest request;
    request.mode = kApplyFile;
    if (m_chooseFile(Window(), false, &request.strPath) && Preview(&request, Window()))
        Apply(request, Window());
}

void CServiceCommands::DeleteSelectedService()
{
    // Without a remembered row there is nothing to warn about.
    if (!HasSelection())
        return;
    // No pass may change the list while the question is open; the answer
    // is about the service it named.
    m_view.StopStatusTimer();
    {
        CBusyScope busy(m_bBusy, true);
        std::wstring wstrName = m_rows.RowAt(m_nSelected)->wstrName;
        if (Notify(kDeleteWarning, ReportKind::Question) == ReportAnswer::Yes)
            DeleteNamedService(wstrName);
    }
    m_view.StartStatusTimer();
}

void CServiceCommands::DeleteNamedService(const std::wstring& wstrName)
{
    int nRow = m_rows.Find(wstrName);
    if (nRow == -1 || wstrName.empty())
    {
        Notify(kSelectPrompt);
        return;
    }
    // Everything needed to make the service again goes to the journal
    // before it is deleted; one that cannot be read is not deleted.
    ChangeJournal::Entry entry;
    entry.kind = ChangeJournal::Kind::ServiceRemoval;
    DWORD dwError = 0;
    bool bJournalled = false;
    {
        CService service;
        dwError = m_pSession->Open(wstrName, IServiceSession::kAccessDelete, &service);
        ChangeJournal::ServiceRecord record;
        if (dwError == 0)
            dwError = ReadServiceRecord(service, wstrName, &record);
        if (dwError == 0)
        {
            // Some managers answer with no dependencies; their store has them.
            if (record.dependencies.empty())
                record.dependencies = CServicesKey(m_pSession->RegistryRoot()).ReadDependencies(wstrName);
            entry.services.push_back(std::move(record));
            if (!m_journal.Begin(&entry))
            {
                NotifyJournalFailed();
                return;
            }
            bJournalled = true;
            dwError = service.StopAndDelete();
            if (dwError == 0)
                m_journal.RecordDeleted(0);
        }
    }
    if (bJournalled)
        m_journal.End();
    RefreshUndoCommand();
    if (dwError != 0)
    {
        ReportRowFailure(nRow, dwError);
        return;
    }
    Notify(kDeleted);
    RemoveRow(nRow);
}
