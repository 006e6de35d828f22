// What the main window's commands do: the list and its remembered row, the
// details of that row, the run commands and the status polling (the
// commands that change the system are CChangeCommands'). The window reads the user's input and
// calls these; they show their outcome through the window's view.
#pragma once

#include "app/DetailsPane.h"
#include "app/ServiceListRules.h"
#include "app/ServiceListView.h"
#include "common/Reporter.h"
#include "common/ScopedValue.h"
#include "services/ServicePoller.h"
#include "services/ServiceSession.h"

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
    static constexpr const char* kSelectPrompt = "请选择服务!";

    // Everything the commands tell the user goes to reporter; every
    // service is reached through the session.
    CServiceCommands(IServiceView& view, IReporter& reporter, std::unique_ptr<IServiceSession> pSession);

    void Attach(HWND hList, HWND hDialog, HWND hDependsTree);
    void Setup(HIMAGELIST hImages);
    // Another computer's session, or a test's stand-in, from here on.
    void SetSession(std::unique_ptr<IServiceSession> pSession);
    IServiceSession& Session() { return *m_pSession; }
    IReporter& Reporter() { return m_reporter; }

    const CServiceListView& Rows() const { return m_rows; }
    CServiceListView& Rows() { return m_rows; }
    const CDetailsPane& Details() const { return m_details; }
    int SelectedRow() const { return m_nSelected; }
    CServicePoller& Poller() { return m_poller; }

    void ReportServiceFailure(DWORD dwError);
    void ReportFatalError(DWORD dwError);
    // A row whose service is gone leaves before the message about it.
    void ReportRowFailure(int nRow, DWORD dwError);
    void RemoveRow(int nRow);
    // True when a row is remembered; otherwise the user is asked to pick one.
    bool HasSelection();

    // The table of services listed again, and the list as the category
    // keeps it; the first listing that fails ends the program.
    void FillServiceList(const ServiceListRules::Category& category);
    // A category picked: the remembered row and its details are forgotten,
    // and the list shows the table's services that the category keeps,
    // without asking the manager unless bListAgain.
    void ShowCategory(const ServiceListRules::Category& category, bool bResetDetails, bool bListAgain = false);
    // The category shown, listed again after a change made services anew.
    void ListAgain() { ShowCategory(m_category, true, true); }
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
    // Start types were changed: the next pass reads every one again rather
    // than wait for the store's notice.
    void StartTypesChanged() { m_poller.InvalidateStartTypes(); }

    void ControlSelectedService(RunOperation operation);
    // Start, or continue when the remembered service is paused.
    void StartOrContinue();

    std::string ServiceDisplayName(const std::wstring& wstrName);

    HWND Window() { return m_view.ViewWindow()->GetSafeHwnd(); }
    ReportAnswer Notify(const std::string& strText, ReportKind kind = ReportKind::Warning);
    // Boxes and choosers go to the innermost window of the operation under way.
    HWND BoxOwner() { return m_hBoxOwner != nullptr ? m_hBoxOwner : Window(); }
    // Boxes raised while the scope lasts go to hOwner.
    CScopedValue<HWND> OwnBoxes(HWND hOwner) { return CScopedValue<HWND>(m_hBoxOwner, hOwner); }
    // A command or a pass holds the services while the scope lasts: a tick
    // that falls due meanwhile is dropped.
    CScopedValue<bool> HoldServices() { return CScopedValue<bool>(m_bBusy, true); }

private:
    void ShowRows(const ServiceListRules::Category& category);

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
    // Set while a command or a pass is under way; a tick that falls due
    // meanwhile is dropped.
    bool m_bBusy = false;
    HWND m_hBoxOwner = nullptr;
    // The category shown, for a list made again after an undo.
    ServiceListRules::Category m_category = ServiceListRules::AllServices();
};
