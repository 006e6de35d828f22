// What the main window's commands do: the list and its remembered row, the
// details of that row, the run commands, start types, deletion, backups and
// imports, and the status polling. The window reads the user's input and
// calls these; they show their outcome through the window's view.
#pragma once

#include "app/DetailsPane.h"
#include "app/ServiceListRules.h"
#include "app/ServiceListView.h"
#include "changes/ChangePreview.h"
#include "changes/JournalFile.h"
#include "changes/UndoPlan.h"
#include "common/Reporter.h"
#include "config/ServiceConfigStore.h"
#include "services/ApplyRequest.h"
#include "services/ServicePoller.h"
#include "services/ServiceSession.h"
#include "services/StartTypeApplier.h"

#include <functional>
#include <memory>
#include <string>

// The parts of the main window the commands show their outcome in.
class IServiceView
{
public:
    virtual ~IServiceView() = default;
    virtual CWnd* ViewWindow() = 0;
    virtual void UpdateRunCommands(int nCommandState) = 0;
    virtual void EnableDeleteCommand(bool bEnable) = 0;
    virtual void EnableUndoCommand(bool bEnable) = 0;
    virtual void SetSummary(const std::string& strText) = 0;
    // The polling timer, stopped while a question must not see the list change.
    virtual void StopStatusTimer() = 0;
    virtual void StartStatusTimer() = 0;
};

class CServiceCommands
{
public:
    using FileChooser = std::function<bool(HWND hOwner, bool bSave, std::string* pstrPath)>;
    // Shows what a change would do, modal to hOwner; true to go on.
    using Previewer = std::function<bool(const PreviewContent& content, HWND hOwner)>;
    static bool ShowPreviewWindow(const PreviewContent& content, HWND hOwner);

    // Everything the commands tell the user goes to reporter; every
    // service is reached through the session.
    CServiceCommands(IServiceView& view, IReporter& reporter, std::unique_ptr<IServiceSession> pSession);

    void Attach(HWND hList, HWND hDialog, HWND hDependsTree);
    void Setup(HIMAGELIST hImages);
    void SetFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    // Another computer's session, or a test's stand-in, from here on.
    void SetSession(std::unique_ptr<IServiceSession> pSession);
    IServiceSession& Session() { return *m_pSession; }
    void SetPreviewer(Previewer previewer) { m_preview = std::move(previewer); }
    void SetJournalPath(const std::string& strPath) { m_journal = CJournalFile(strPath); }
    void SetLegacyJournalPath(const std::string& strPath) { m_strLegacyJournal = strPath; }
    CJournalFile& Journal() { return m_journal; }

    const CServiceListView& Rows() const { return m_rows; }
    const CDetailsPane& Details() const { return m_details; }
    int SelectedRow() const { return m_nSelected; }

    void ReportServiceFailure(DWORD dwError);
    void ReportFatalError(DWORD dwError);

    // The table of services listed again, and the list as the category
    // keeps it; the first listing that fails ends the program.
    void FillServiceList(const ServiceListRules::Category& category);
    // A category picked: the remembered row and its details are forgotten,
    // and the list shows the table's services that the category keeps,
    // without asking the manager unless bListAgain.
    void ShowCategory(const ServiceListRules::Category& category, bool bResetDetails, bool bListAgain = false);
    void ShowServiceDetails();
    // Makes the remembered row the highlighted one and shows its details.
    void SyncRememberedRow();
    // Up or Down from the remembered row; at either end it shows that row again.
    void StepRememberedRow(WORD wKey);
    // A double click ticks the remembered row, or clears every tick.
    void ToggleTick();
    void SortByDisplayName() { m_rows.SortByDisplayName(); }
    // One pass of the status polling.
    void RefreshServiceStates();

    void ControlSelectedService(RunOperation operation);
    // Start, or continue when the remembered service is paused.
    void StartOrContinue();
    // The six start-type commands of the toolbar and the context menu.
    void SetStartTypeByCommand(UINT nId);
    void DeleteSelectedService();
    void Import();

    // A backup to a file the user chooses; every window it opens is modal
    // to hOwner.
    ExportOutcome ExportBackup(HWND hOwner);
    // Runs the request behind the please-wait window, modal to hOwner; one
    // at a time, whatever window asks.
    void Apply(const ApplyRequest& request, HWND hOwner);
    // Shows what a profile or a file request would change, modal to hOwner;
    // true when the user chose to go on. A request that changes nothing
    // says so and gives false.
    // A file request is read here and carries its text on from then.
    bool Preview(ApplyRequest* pRequest, HWND hOwner);
    // Whether the journal holds an application not yet taken back.
    bool CanUndo() const;
    // Takes back the journal's last application not yet taken back, after
    // showing what that will do.
    void UndoLast();
    // Sets the undo command from what the journal holds now.
    void RefreshUndoCommand() { m_view.EnableUndoCommand(CanUndo()); }
    // Says once where the journal lives now when an earlier version's is
    // still in the user's folder, and keeps that one under another name.
    void NoticeMovedJournal();
    std::string ServiceDisplayName(const std::wstring& wstrName);

    HWND Window() { return m_view.ViewWindow()->GetSafeHwnd(); }
    ReportAnswer Notify(const std::string& strText, ReportKind kind = ReportKind::Warning);
    // Boxes and choosers go to the innermost window of the operation under way.
    HWND BoxOwner() { return m_hBoxOwner != nullptr ? m_hBoxOwner : Window(); }

private:
    bool HasSelection();
    // The row modes from the toolbar and the context menu.
    void SetStartTypeOfSelection(ApplyMode mode, int nValue);
    void ShowRows(const ServiceListRules::Category& category);
    void RemoveRow(int nRow);
    void ReportRowFailure(int nRow, DWORD dwError);
    void ApplyNow(const ApplyRequest& request);
    CStartTypeApplier::Outcome ApplyToRows(const ApplyRequest& request);
    void DeleteNamedService(const std::wstring& wstrName);
    void NotifyJournalFailed();

    IServiceView& m_view;
    IReporter& m_reporter;
    std::unique_ptr<IServiceSession> m_pSession;
    CServiceListView m_rows;
    CDetailsPane m_details;
    // The table of services; the list shows copies of its rows.
    CServicePoller m_poller;
    int m_nSelected = -1;
    // A change of highlight seen while busy, taken up by the next pass.
    bool m_bSyncPending = false;
    // Set once the first listing has succeeded; before it nothing can go on.
    bool m_bListed = false;
    bool m_bApplying = false;
    // Set while a command or a pass is under way; a tick that falls due
    // meanwhile is dropped.
    bool m_bBusy = false;
    HWND m_hBoxOwner = nullptr;
    // The category shown, for a list made again after an undo.
    ServiceListRules::Category m_category = ServiceListRules::AllServices();
    FileChooser m_chooseFile = ChooseServiceConfigFile;
    Previewer m_preview = ShowPreviewWindow;
    CJournalFile m_journal{CJournalFile::DefaultPath()};
    std::string m_strLegacyJournal = CJournalFile::LegacyPath();
};
