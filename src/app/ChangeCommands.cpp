#include "app/ChangeCommands.h"

#include "changes/ChangePlanner.h"
#include "changes/JournalTexts.h"
#include "changes/JournalledChange.h"
#include "changes/PreviewDlg.h"
#include "changes/PreviewText.h"
#include "changes/ServiceRecordIO.h"
#include "changes/StartTypePreview.h"
#include "common/GbkText.h"
#include "changes/UndoRestore.h"
#include "res/resource.h"
#include "services/ProgressDlg.h"
#include "services/ServiceTexts.h"

namespace
{
const char* const kDeleteWarning =
    "警告:删除此服务将会造成此服务不可恢复,并有可能造成系统故障,您是否有200%的把握?";
const char* const kDeleted = "删除成功!";
const char* const kExportDone = "服务配置文件保存成功!";
const char* const kExportFailed = "配置文件无法写入,本次导出失败!";
const char* const kFileError = "文件错误！请选择正确的配置文件！";
const char* const kBackupAdvice = "建议您在使用此配置前，备份您的当前服务配置！";

// A target of the plan that failed, as the failures window names it.
FailedService FailureOf(const StartTypePlan& plan, const std::wstring& wstrName, DWORD dwError)
{
    FailedService failure;
    failure.strName = GbkText::FromWide(wstrName);
    failure.strDisplayName = failure.strName;
    failure.dwError = dwError;
    for (const StartTypeTarget& target : plan.targets)
    {
        if (target.wstrName == wstrName)
            failure.dwNew = target.dwStartType;
    }
    for (const EnumeratedService& listed : plan.services)
    {
        if (listed.wstrName == wstrName && !listed.wstrDisplayName.empty())
            failure.strDisplayName = GbkText::FromWide(listed.wstrDisplayName);
    }
    return failure;
}

std::string ExportLeftOutText(int nLeftOut)
{
    return "有 " + std::to_string(nLeftOut) + " 个服务的名称含有配置文件无法表示的字符,未写入此文件。";
}
} // namespace

CChangeCommands::CChangeCommands(CServiceCommands& list, IServiceView& view) : m_list(list), m_view(view)
{
}

bool CChangeCommands::ShowPreviewWindow(const PreviewContent& content, HWND hOwner, std::vector<bool>* pTicked)
{
    CWnd owner(hOwner);
    CPreviewDlg preview(&owner, content);
    bool bGoOn = preview.DoModal() == IDOK;
    *pTicked = preview.Ticked();
    return bGoOn;
}

bool CChangeCommands::ShowPreview(const PreviewContent& content, HWND hOwner, std::vector<bool>* pTicked)
{
    std::vector<bool> ticked = PreviewText::DefaultTicks(content);
    bool bGoOn = m_preview(content, hOwner, &ticked);
    if (pTicked != nullptr)
        *pTicked = ticked;
    return bGoOn && PreviewText::CanApply(content, ticked);
}

void CChangeCommands::SetStartTypeByCommand(UINT nId)
{
    // The toolbar works on the ticked rows and the remembered one; the
    // context menu on the remembered row alone.
    static const struct
    {
        UINT nId;
        bool bTicked;
        DWORD dwStartType;
    } kCommands[] = {
        {IDC_BTN_AUTO, true, SERVICE_AUTO_START},       {IDC_BTN_MANUAL, true, SERVICE_DEMAND_START},
        {IDC_BTN_DISABLED, true, SERVICE_DISABLED},     {ID_MENU_AUTO, false, SERVICE_AUTO_START},
        {ID_MENU_MANUAL, false, SERVICE_DEMAND_START},  {ID_MENU_DISABLED, false, SERVICE_DISABLED},
    };
    for (const auto& command : kCommands)
    {
        if (command.nId != nId || !m_list.HasSelection())
            continue;
        // The toolbar's change of many rows runs behind the please-wait
        // window; the context menu's of one row at once.
        if (!command.bTicked)
        {
            ApplyToRows(command.dwStartType, false);
            continue;
        }
        if (m_bApplying)
            return;
        CScopedValue<bool> applying(m_bApplying, true);
        CProgressDlg progress(m_view.ViewWindow(), [this, &command](HWND hProgress) {
            // What goes wrong meanwhile is told over the please-wait window.
            auto owner = m_list.OwnBoxes(hProgress);
            ApplyToRows(command.dwStartType, true);
        });
        progress.DoModal();
    }
}

void CChangeCommands::ApplyToRows(DWORD dwStartType, bool bTicked)
{
    auto busy = m_list.HoldServices();
    // A row whose service is gone leaves before the message about it.
    CServiceListView& rows = m_list.Rows();
    CStartTypeApplier applier(m_list.Session(), &m_journal, m_list.Reporter(),
                              [this, &rows](const std::wstring& wstrName, DWORD dwError) {
                                  int nRow = rows.Find(wstrName);
                                  if (dwError == ERROR_SERVICE_DOES_NOT_EXIST && nRow != -1)
                                      m_list.RemoveRow(nRow);
                                  m_list.ReportServiceFailure(dwError);
                              });
    bool bRowLeft = false;
    bool bApplied = rows.ApplyStartType(applier, dwStartType, m_list.SelectedRow(), bTicked, &bRowLeft);
    if (bApplied && !bRowLeft)
    {
        // A running service keeps its commands; the others follow the change
        // at once, from the toolbar as from the menu: a start left on for a
        // service just disabled would only fail.
        const ServiceRow* pRow = rows.RowAt(m_list.SelectedRow());
        if (pRow != nullptr && pRow->state != RunState::Running)
            m_view.UpdateRunCommands(pRow->Commands(0));
    }
    AfterApplying();
}

void CChangeCommands::AfterApplying()
{
    RefreshUndoCommand();
    // Read every start type again on the next pass rather than wait for the
    // store's notice.
    m_list.StartTypesChanged();
}

bool CChangeCommands::Preview(const StartTypeRequest& request, HWND hOwner, StartTypePlan* pPlan)
{
    PreviewContent content;
    {
        auto busy = m_list.HoldServices();
        if (DWORD dwError = PlanStartTypes(m_list.Session(), request, pPlan))
        {
            m_list.ReportServiceFailure(dwError);
            return false;
        }
        content = PreviewStartTypePlan(m_list.Session(), *pPlan, JournalTexts::kPreviewTitle, &m_list.Poller());
    }
    std::vector<bool> ticked;
    if (!ShowPreview(content, hOwner, &ticked))
        return false;
    // What is applied is what the ticked rows show.
    std::vector<StartTypeTarget> chosen;
    for (std::size_t nItem : PreviewText::TickedItems(content, ticked))
        chosen.push_back(pPlan->targets[nItem]);
    pPlan->targets = std::move(chosen);
    return true;
}

void CChangeCommands::Apply(const StartTypePlan& plan, HWND hOwner)
{
    if (m_bApplying)
        return;
    std::vector<FailedService> failed;
    {
        CScopedValue<bool> applying(m_bApplying, true);
        CWnd owner(hOwner != nullptr ? hOwner : m_list.Window());
        CProgressDlg progress(&owner, [this, &plan, &failed](HWND hProgress) {
            auto boxes = m_list.OwnBoxes(hProgress);
            auto busy = m_list.HoldServices();
            CStartTypeApplier applier(m_list.Session(), &m_journal, m_list.Reporter(), {});
            applier.Apply(plan.targets, CStartTypeApplier::Reporting::Nothing,
                          [&](const std::wstring& wstrName, DWORD dwError) {
                              if (dwError != 0)
                                  failed.push_back(FailureOf(plan, wstrName, dwError));
                          });
            AfterApplying();
        });
        progress.DoModal();
    }
    // Every service the plan could not change is named in one window, so
    // that a preview that promised a change is never followed by silence.
    if (!failed.empty())
        ShowPreview(StartTypePreview::Failures(failed), hOwner != nullptr ? hOwner : m_list.Window());
}

bool CChangeCommands::PreviewBackupApply(const StartTypeRequest& request, HWND hOwner, bool bOfferBackup)
{
    // One application at a time, whatever window asks.
    if (m_bApplying)
        return false;
    StartTypePlan plan;
    {
        auto boxes = m_list.OwnBoxes(hOwner);
        if (!Preview(request, hOwner, &plan))
            return false;
        // A backup that was asked for and failed stops the change; one the
        // user declined or cancelled does not.
        if (bOfferBackup && m_list.Notify(kBackupAdvice, ReportKind::Question) == ReportAnswer::Yes &&
            ExportBackup(hOwner) == ExportOutcome::Failed)
            return false;
    }
    // What is applied is the plan the preview showed, not a new one.
    Apply(plan, hOwner);
    return true;
}

void CChangeCommands::Import()
{
    std::string strPath;
    if (!m_chooseFile(m_list.Window(), false, &strPath))
        return;
    // What is shown is what is applied: the file is read once, here.
    std::string strText;
    if (!ReadServiceConfigFile(strPath, &strText))
    {
        m_list.Notify(kFileError);
        return;
    }
    PreviewBackupApply(ServiceConfigRequest(strText), m_list.Window(), false);
}

ExportOutcome CChangeCommands::ExportBackup(HWND hOwner)
{
    auto boxes = m_list.OwnBoxes(hOwner);
    std::string strPath;
    if (!m_chooseFile(m_list.BoxOwner(), true, &strPath))
        return ExportOutcome::Cancelled;
    auto busy = m_list.HoldServices();
    int nLeftOut = 0;
    if (!WriteServiceConfigFile(
            m_list.Session(), strPath, [this](DWORD dwError) { m_list.ReportServiceFailure(dwError); }, &nLeftOut))
    {
        m_list.Notify(kExportFailed);
        return ExportOutcome::Failed;
    }
    m_list.Notify(kExportDone);
    // The file cannot name them: said, so that nobody counts on it for them.
    if (nLeftOut > 0)
        m_list.Notify(ExportLeftOutText(nLeftOut), ReportKind::Information);
    return ExportOutcome::Saved;
}

void CChangeCommands::DeleteSelectedService()
{
    // Without a remembered row there is nothing to warn about.
    if (!m_list.HasSelection())
        return;
    // No pass may change the list while the question is open; the answer
    // is about the service it named.
    m_view.StopStatusTimer();
    {
        auto busy = m_list.HoldServices();
        std::wstring wstrName = m_list.Rows().RowAt(m_list.SelectedRow())->wstrName;
        if (m_list.Notify(kDeleteWarning, ReportKind::Question) == ReportAnswer::Yes)
            DeleteNamedService(wstrName);
    }
    m_view.StartStatusTimer();
}

void CChangeCommands::DeleteNamedService(const std::wstring& wstrName)
{
    int nRow = m_list.Rows().Find(wstrName);
    if (nRow == -1 || wstrName.empty())
    {
        m_list.Notify(CServiceCommands::kSelectPrompt);
        return;
    }
    // Everything needed to make the service again goes to the journal
    // before it is deleted; one that cannot be read is not deleted.
    bool bRefused = false;
    DWORD dwError = 0;
    {
        CJournalledChange change(&m_journal, m_list.Reporter());
        dwError = DeleteServiceJournalled(m_list.Session(), wstrName, change, &bRefused);
    }
    if (bRefused)
        return;
    RefreshUndoCommand();
    if (dwError != 0)
    {
        m_list.ReportRowFailure(nRow, dwError);
        return;
    }
    m_list.Notify(kDeleted);
    m_list.RemoveRow(nRow);
}

bool CChangeCommands::CanUndo() const
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

void CChangeCommands::NoticeMovedJournal()
{
    if (m_strLegacyJournal.empty() || GetFileAttributesA(m_strLegacyJournal.c_str()) == INVALID_FILE_ATTRIBUTES)
        return;
    const std::string strKept = m_strLegacyJournal + ".old";
    if (!MoveFileExA(m_strLegacyJournal.c_str(), strKept.c_str(), MOVEFILE_REPLACE_EXISTING))
        return; // said at the next start instead
    m_list.Notify(JournalTexts::Moved(m_journal.Path(), strKept), ReportKind::Information);
}

void CChangeCommands::UndoLast()
{
    if (m_bApplying)
        return;
    std::vector<ChangeJournal::Entry> entries;
    std::string strProblem;
    ChangeJournal::ReadOutcome read = m_journal.Read(&entries, &strProblem);
    if (read == ChangeJournal::ReadOutcome::Foreign || read == ChangeJournal::ReadOutcome::Damaged)
    {
        m_list.Notify(strProblem);
        return;
    }
    const ChangeJournal::Entry* pLast = ChangeJournal::LastUndoable(entries);
    if (pLast == nullptr)
    {
        m_list.Notify(JournalTexts::kNothingToUndo);
        return;
    }
    ChangeJournal::Entry entry = *pLast;
    if (!m_journal.LoadAsideData(&entry, &strProblem))
    {
        m_list.Notify(strProblem);
        return;
    }
    // No pass may change the list while the user reads the preview.
    m_view.StopStatusTimer();
    UndoPlan::Plan plan;
    {
        auto busy = m_list.HoldServices();
        UndoPlan::Facts facts;
        if (DWORD dwError = ReadUndoFacts(m_list.Session(), entry, &facts, &m_list.Poller()))
        {
            m_list.ReportServiceFailure(dwError);
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
        ShowPreview(plan.preview, m_list.Window());
        m_journal.MarkUndone(entry.nId);
        RefreshUndoCommand();
        m_view.StartStatusTimer();
        return;
    }
    std::vector<bool> ticked;
    if (!ShowPreview(plan.preview, m_list.Window(), &ticked))
    {
        m_view.StartStatusTimer();
        return;
    }
    // Only the ticked rows are restored; the others stay as they are.
    plan = UndoPlan::KeepTicked(plan, ticked);
    std::vector<UndoPlan::Unrestored> unrestored;
    {
        CScopedValue<bool> applying(m_bApplying, true);
        CProgressDlg progress(m_view.ViewWindow(), [&](HWND) {
            // Taking back is not itself journalled: the next undo reaches
            // the application before this one.
            auto busy = m_list.HoldServices();
            unrestored = RestoreUndoPlan(m_list.Session(), entry, plan);
        });
        progress.DoModal();
    }
    m_journal.MarkUndone(entry.nId);
    RefreshUndoCommand();
    // Start types are read again rather than taken on the store's notice,
    // by the list made again below as by the next pass. A service made
    // again needs its row; the rest follow on the next pass.
    m_list.StartTypesChanged();
    if (!plan.services.empty())
        m_list.ListAgain();
    m_view.StartStatusTimer();
    // What was left out is shown as the preview was, however much it is:
    // the same rows, each with its reason in the notes, in a window that
    // scrolls where a message box would run off the screen.
    if (unrestored.empty())
        m_list.Notify(JournalTexts::kUndoDone, ReportKind::Information);
    else
        ShowPreview(UndoPlan::Result(plan, unrestored), m_list.Window());
}
