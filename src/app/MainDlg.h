// The main window: the service list with its category tree, the details
// pane and the toolbar and menu-bar buttons. It reads the user's input and
// hands the work to the rooms that do it.
#pragma once

#include "app/CategoryTree.h"
#include "app/DetailsPane.h"
#include "app/MainLayout.h"
#include "app/ServiceListView.h"
#include "config/ServiceConfigStore.h"
#include "knowledge/ConfigurationHost.h"
#include "services/ApplyRequest.h"
#include "services/ServiceControl.h"
#include "services/ServiceEnumeration.h"
#include "services/ServicePoller.h"
#include "skin/SkinButton.h"
#include "skin/SkinDialog.h"
#include "ui/Controls.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

class CMainDlg : public CSkinDialog, public IConfigurationHost
{
public:
    // pszServiceDatabase names the manager's database; nullptr for the
    // active one (tests name one that does not exist).
    explicit CMainDlg(CWnd* pParent = nullptr, const char* pszServiceDatabase = nullptr);
    ~CMainDlg() override;

    static constexpr UINT_PTR kStatusTimer = 1;
    // The system command that opens the About window.
    static constexpr WPARAM kAboutSystemCommand = 0x0010;
    static constexpr UINT kStatusTimerPeriodMs = 500;
    // Posted when the list's highlight may have moved.
    static constexpr UINT kSyncSelectionMessage = WM_APP + 1;

    // Shows the message for a failed operation on one service; the program
    // always goes on.
    void ReportServiceFailure(DWORD dwError);
    // For what the program cannot go on from: stops the status timer, shows
    // the message and ends the program after it.
    void ReportFatalError(DWORD dwError);
    void FillServiceList(const std::string& strFilter);
    void ShowServiceDetails();
    void UpdateRunCommands(int nCommandState);
    void ApplyLayout();
    // One pass of the status polling.
    void RefreshServiceStates();

    // What quick configuration and the wizard ask of this window.
    CWnd* HostWindow() override { return this; }
    ExportOutcome ExportBackup(HWND hOwner) override;
    // Runs the request behind the please-wait window, which is modal to
    // hOwner (the window the user asked from); one at a time.
    void Apply(const ApplyRequest& request, HWND hOwner) override;
    std::string ServiceDisplayName(const std::string& strName) override;

    // Asks for a file (save or open form); false when the user cancels.
    using FileChooser = std::function<bool(HWND hOwner, bool bSave, std::string* pstrPath)>;
    // Tests put their own chooser here; the program uses the common dialog.
    void SetFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    // And their own stand-in for the manager's enumeration.
    void SetServiceEnumerator(EnumServicesFunction enumerate) { m_enumServices = std::move(enumerate); }

    // For the tests, which drive the window as a user would.
    int SelectedRow() const { return m_nSelected; }
    const CMenu& Menu() const { return m_menu; }
    const CListCtrl& ServiceList() const { return m_rows.Control(); }
    const CTreeCtrl& CategoryTree() const { return m_categories.Tree(); }
    const CTreeCtrl& DependencyTree() const { return m_details.Tree(); }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange() override;
    const MessageMapEntry* GetMessageMap() const override;

    INT_PTR OnSysCommand(WPARAM wParam, LPARAM lParam);
    INT_PTR OnQueryDragIcon(WPARAM wParam, LPARAM lParam);
    INT_PTR OnTimer(WPARAM wParam, LPARAM lParam);
    INT_PTR OnLButtonDblClk(WPARAM wParam, LPARAM lParam);
    INT_PTR OnSyncSelection(WPARAM wParam, LPARAM lParam);
    INT_PTR OnClickServiceList(const NMITEMACTIVATE* pClick);
    INT_PTR OnRClickServiceList(const NMITEMACTIVATE* pClick);
    INT_PTR OnDblClickServiceList(const NMITEMACTIVATE* pClick);
    INT_PTR OnKeyDownServiceList(const NMLVKEYDOWN* pKey);
    INT_PTR OnItemChangedServiceList(const NMLISTVIEW* pChange);
    INT_PTR OnColumnClickList(const NMLISTVIEW* pColumn);
    INT_PTR OnClickCategoryTree(const NMHDR* pNotify);
    INT_PTR OnKeyDownCategoryTree(const NMTVKEYDOWN* pKey);
    void OnCloseButton();
    void OnMinimizeButton();
    // The three menu-bar buttons that open popups.
    void OnMenuButton(UINT nId);
    void OnStartService();
    void OnPauseService();
    void OnStopService();
    // The six start-type commands of the toolbar and the context menu.
    void OnStartTypeCommand(UINT nId);
    void OnDeleteService();
    void OnExportConfig();
    void OnImportConfig();
    void OnQuickConfig();
    void OnWizard();
    void OnStartupItems();
    void OnAbout();

private:
    void ControlSelectedService(RunOperation operation);
    // The row modes from the toolbar and the context menu.
    void SetStartTypeOfSelection(ApplyMode mode, int nValue);
    void ApplyNow(const ApplyRequest& request);
    void ApplyToRows(const ApplyRequest& request);
    void ShowPopupUnderButton(int nButtonId, int nPopup);
    bool HasSelection();
    void RemoveRow(int nRow);
    // The failure of a command on a row; a service that no longer exists
    // takes its row with it.
    void ReportRowFailure(int nRow, DWORD dwError);
    void DeleteNamedService(const std::string& strName);
    int Notify(const char* pszText, UINT nType = MB_OK | MB_ICONEXCLAMATION);
    // Boxes and choosers go to the innermost window of the operation under way.
    HWND BoxOwner() const { return m_hBoxOwner != nullptr ? m_hBoxOwner : m_hWnd; }
    // Makes the remembered row the highlighted one and shows its details.
    void SyncRememberedRow();
    void ResetDetails();
    CSkinButton& Button(int nId);

    CServiceControl m_service;
    CServiceListView m_rows;
    std::array<CSkinButton, MainLayout::kButtonCount> m_buttons;
    CDetailsPane m_details;
    CCategoryTree m_categories;
    CToolTipCtrl m_toolTip;
    CMenu m_menu;
    CImageList m_imageList;
    int m_nSelected = -1;
    bool m_bSyncPosted = false;
    // A change of highlight seen while busy, taken up by the next pass.
    bool m_bSyncPending = false;
    // Set once the first listing has succeeded; before it nothing can go on.
    bool m_bListed = false;
    bool m_bApplying = false;
    HWND m_hBoxOwner = nullptr;
    // Set while a command or a pass uses the one open-service slot; a tick
    // that falls due meanwhile is dropped.
    bool m_bBusy = false;
    CServicePoller m_poller;
    FileChooser m_chooseFile = ChooseServiceConfigFile;
    EnumServicesFunction m_enumServices = EnumServicesStatusA;
};
