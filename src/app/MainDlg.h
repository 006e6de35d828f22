// The main window: the service list with its category tree, the details
// pane and the toolbar and menu-bar buttons.
#pragma once

#include "services/ServiceControl.h"
#include "services/ServiceEnumeration.h"
#include "services/ServicePoller.h"
#include "ui/Controls.h"
#include "skin/SkinButton.h"
#include "skin/SkinDialog.h"

#include <functional>
#include <string>
#include <vector>

class CMainDlg : public CSkinDialog
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

    // What the next application of start types works on.
    enum ApplyMode
    {
        kApplyMarkedRows = 1,
        kApplySelectedRow = 2,
        kApplyProfile = 3,
        kApplyFile = 4,
    };
    // Runs the application stored in m_nApplyMode, m_nApplyValue and
    // m_strConfigPath; the please-wait window calls it.
    void ApplyStartTypes();
    // Stores the request and runs it behind the please-wait window, which is
    // modal to hOwner (the window the user asked from).
    void ApplyBehindProgress(int nMode, int nValue, HWND hOwner, const std::string& strConfigPath = std::string());
    // Applies configuration text the caller holds, not what a path holds by
    // the time it is read.
    void ApplyConfigText(const std::string& strText, HWND hOwner);
    // One pass of the status polling.
    void RefreshServiceStates();

    enum class ExportOutcome
    {
        Saved,
        Cancelled,
        Failed, // said so, and no file is left behind
    };
    // Writes every Win32 service's start type to a file the user chooses;
    // the chooser and the messages are modal to hOwner.
    ExportOutcome ExportConfig(HWND hOwner);
    // Asks for a file (save or open form); false when the user cancels.
    using FileChooser = std::function<bool(HWND hOwner, bool bSave, std::string* pstrPath)>;
    // Tests put their own chooser here; the program uses the common dialog.
    void SetFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    static bool ChooseConfigFile(HWND hOwner, bool bSave, std::string* pstrPath);
    // Tests answer the list's and the export's enumeration with a manager of
    // their own; the program asks the system's.
    void SetServiceEnumerator(EnumServicesFunction enumerate) { m_enumServices = std::move(enumerate); }

    CServiceControl& Service() { return m_service; }

    // For the tests, which drive the window as a user would.
    int SelectedRow() const { return m_nSelected; }
    const CMenu& Menu() const { return m_menu; }
    const CListCtrl& ServiceList() const { return m_listServices; }
    const CTreeCtrl& CategoryTree() const { return m_treeCategory; }
    const CTreeCtrl& DependencyTree() const { return m_treeDepends; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange() override;
    const MessageMapEntry* GetMessageMap() const override;

    INT_PTR OnSysCommand(WPARAM wParam, LPARAM lParam);
    INT_PTR OnQueryDragIcon(WPARAM wParam, LPARAM lParam);
    INT_PTR OnClickServiceList(const NMITEMACTIVATE* pNotify);
    INT_PTR OnClickCategoryTree(const NMHDR* pNotify);
    INT_PTR OnColumnClickList(const NMLISTVIEW* pNotify);
    INT_PTR OnTimer(WPARAM wParam, LPARAM lParam);
    INT_PTR OnKeyDownCategoryTree(const NMTVKEYDOWN* pKey);
    void OnCloseButton();
    void OnMinimizeButton();
    INT_PTR OnLButtonDblClk(WPARAM wParam, LPARAM lParam);
    INT_PTR OnKeyDownServiceList(const NMLVKEYDOWN* pKey);
    INT_PTR OnItemChangedServiceList(const NMLISTVIEW* pChange);
    INT_PTR OnSyncSelection(WPARAM wParam, LPARAM lParam);
    void OnConfigureMenu();
    void OnToolsMenu();
    void OnHelpMenu();
    INT_PTR OnRClickServiceList(const NMITEMACTIVATE* pClick);
    INT_PTR OnDblClickServiceList(const NMITEMACTIVATE* pNotify);
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
    struct Dependency
    {
        std::string strName;
        std::string strShown;
    };

    enum RunOperation
    {
        kRunStart = 1,
        kRunStop = 2,
        kRunPause = 3,
        kRunContinue = 4,
    };
    void ControlSelectedService(RunOperation operation);
    void SetStartTypeOfSelection(ApplyMode mode, int nValue);
    void ShowPopupUnderButton(int nButtonId, int nPopup);
    bool HasSelection();
    // False when the row went with its service.
    bool ApplyToRow(int nRow, const std::string& strStartType);
    // The failure of a command on a row; a service that no longer exists
    // takes its row with it.
    void ReportRowFailure(int nRow, DWORD dwError);
    void DeleteNamedService(const std::string& strName);
    int Notify(const char* pszText, UINT nType = MB_OK | MB_ICONEXCLAMATION);
    // Boxes and choosers go to the innermost window of the operation under way.
    HWND BoxOwner() const { return m_hBoxOwner != nullptr ? m_hBoxOwner : m_hWnd; }
    // The focused row when it is selected, else the selected one, or -1.
    int HighlightedRow() const;
    // Makes the remembered row the highlighted one and shows its details.
    void SyncRememberedRow();
    void ApplyMarkedRows();
    void ApplySelectedRow();
    void ApplyProfile();
    void ApplyFile();
    void RemoveRow(int nRow);
    void BuildCategoryTree();
    void ConfigureButtons();
    void ResetDetails();
    std::string DisplayNameOf(const std::string& strName);
    void ShowDependencies(const std::vector<std::string>& dependencies, const std::vector<std::string>& dependents);
    std::vector<std::string> QueryDependents();

    int m_nApplyValue;
    int m_nApplyMode;
    CServiceControl m_service;
    std::string m_strConfigPath;
    CListCtrl m_listServices;
    CSkinButton m_btnMenuStrip;
    CSkinButton m_btnToolStrip;
    CSkinButton m_btnStop;
    CSkinButton m_btnPause;
    CSkinButton m_btnStart;
    CSkinButton m_btnImport;
    CSkinButton m_btnExport;
    CSkinButton m_btnDisabled;
    CSkinButton m_btnManual;
    CSkinButton m_btnAuto;
    CSkinButton m_btnAbout;
    CSkinButton m_btnMinimize;
    CSkinButton m_btnClose;
    CSkinButton m_btnHelp;
    CSkinButton m_btnWizard;
    CSkinButton m_btnConfigure;
    CSkinButton m_btnTools;
    CTreeCtrl m_treeDepends;
    CTreeCtrl m_treeCategory;
    CToolTipCtrl m_toolTip;
    CMenu m_menu;
    CImageList m_imageList;
    int m_nSelected;
    bool m_bSyncPosted = false;
    // A change of highlight seen while busy, taken up by the next pass.
    bool m_bSyncPending = false;
    // Set once the first listing has succeeded; before it nothing can go on.
    bool m_bListed = false;
    bool m_bApplying = false;
    HWND m_hBoxOwner = nullptr;
    std::string m_strConfigText;
    bool m_bConfigTextGiven = false;
    // Set while a command or a pass uses the one open-service slot; a tick
    // that falls due meanwhile is dropped.
    bool m_bBusy = false;
    CServicePoller m_poller;
    FileChooser m_chooseFile = ChooseConfigFile;
    EnumServicesFunction m_enumServices = EnumServicesStatusA;
};
