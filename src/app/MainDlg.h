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
    explicit CMainDlg(CWnd* pParent = nullptr);
    ~CMainDlg() override;

    static constexpr UINT_PTR kStatusTimer = 1;
    // The system command that opens the About window.
    static constexpr WPARAM kAboutSystemCommand = 0x0010;
    static constexpr UINT kStatusTimerPeriodMs = 500;

    // Shows the message for a failed service operation; fatal codes stop the
    // status timer first and end the program after the message.
    void ReportServiceError(DWORD dwError);
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
    // Stores the request and runs it behind the please-wait window.
    void ApplyBehindProgress(int nMode, int nValue, const std::string& strConfigPath = std::string());
    // One pass of the status polling.
    void RefreshServiceStates();

    // Writes every Win32 service's start type to a file the user chooses.
    void ExportConfig();
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
    INT_PTR OnClickServiceList(WPARAM wParam, LPARAM lParam);
    INT_PTR OnClickCategoryTree(WPARAM wParam, LPARAM lParam);
    INT_PTR OnColumnClickList(WPARAM wParam, LPARAM lParam);
    INT_PTR OnTimer(WPARAM wParam, LPARAM lParam);
    INT_PTR OnKeyDownCategoryTree(WPARAM wParam, LPARAM lParam);
    INT_PTR OnCloseButton(WPARAM wParam, LPARAM lParam);
    INT_PTR OnMinimizeButton(WPARAM wParam, LPARAM lParam);
    INT_PTR OnLButtonDblClk(WPARAM wParam, LPARAM lParam);
    INT_PTR OnKeyDownServiceList(WPARAM wParam, LPARAM lParam);
    INT_PTR OnConfigureMenu(WPARAM wParam, LPARAM lParam);
    INT_PTR OnToolsMenu(WPARAM wParam, LPARAM lParam);
    INT_PTR OnHelpMenu(WPARAM wParam, LPARAM lParam);
    INT_PTR OnRClickServiceList(WPARAM wParam, LPARAM lParam);
    INT_PTR OnDblClickServiceList(WPARAM wParam, LPARAM lParam);
    INT_PTR OnStartService(WPARAM wParam, LPARAM lParam);
    INT_PTR OnPauseService(WPARAM wParam, LPARAM lParam);
    INT_PTR OnStopService(WPARAM wParam, LPARAM lParam);
    INT_PTR OnSetAutoStart(WPARAM wParam, LPARAM lParam);
    INT_PTR OnSetManualStart(WPARAM wParam, LPARAM lParam);
    INT_PTR OnSetDisabled(WPARAM wParam, LPARAM lParam);
    INT_PTR OnMenuAutoStart(WPARAM wParam, LPARAM lParam);
    INT_PTR OnMenuManualStart(WPARAM wParam, LPARAM lParam);
    INT_PTR OnMenuDisabled(WPARAM wParam, LPARAM lParam);
    INT_PTR OnDeleteService(WPARAM wParam, LPARAM lParam);
    INT_PTR OnExportConfig(WPARAM wParam, LPARAM lParam);
    INT_PTR OnImportConfig(WPARAM wParam, LPARAM lParam);
    INT_PTR OnQuickConfig(WPARAM wParam, LPARAM lParam);
    INT_PTR OnWizard(WPARAM wParam, LPARAM lParam);
    INT_PTR OnStartupItems(WPARAM wParam, LPARAM lParam);
    // Commands whose windows come later.
    INT_PTR OnNotYetAvailable(WPARAM wParam, LPARAM lParam);
    INT_PTR OnAbout(WPARAM wParam, LPARAM lParam);

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
    void ApplyToRow(int nRow, const std::string& strStartType);
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
    // Set while a command or a pass uses the one open-service slot; a tick
    // that falls due meanwhile is dropped.
    bool m_bBusy = false;
    CServicePoller m_poller;
    FileChooser m_chooseFile = ChooseConfigFile;
    EnumServicesFunction m_enumServices = EnumServicesStatusA;
};
