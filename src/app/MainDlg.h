// The main window: the service list with its category tree, the details
// pane and the toolbar and menu-bar buttons. It reads the user's input and
// hands the work to the rooms that do it.
#pragma once

#include "app/CategoryTree.h"
#include "app/ChangeCommands.h"
#include "app/MainLayout.h"
#include "app/ServiceCommands.h"
#include "knowledge/ConfigurationHost.h"
#include "res/resource.h"
#include "common/GbkText.h"
#include "skin/SkinButton.h"
#include "skin/SkinDialog.h"
#include "ui/Controls.h"
#include "ui/WindowReporter.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

class CMainDlg : public CSkinDialog, public IConfigurationHost, private IServiceView
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
    // Posted once the window is up: says where the change journal moved.
    static constexpr UINT kJournalMovedMessage = WM_APP + 2;

    void FillServiceList(const ServiceListRules::Category& category) { m_commands.FillServiceList(category); }
    void RefreshServiceStates() { m_commands.RefreshServiceStates(); }
    // What a click on a category's label does.
    void ShowCategory(const ServiceListRules::Category& category) { m_commands.ShowCategory(category, true); }
    void UpdateRunCommands(int nCommandState) override;
    void ApplyLayout();
    // What quick configuration and the wizard ask of this window.
    CWnd* HostWindow() override { return this; }
    bool PreviewBackupApply(const StartTypeRequest& request, HWND hOwner) override
    {
        return m_changes.PreviewBackupApply(request, hOwner, true);
    }
    std::string ServiceDisplayName(const std::string& strName) override
    {
        return m_commands.ServiceDisplayName(GbkText::ToWide(strName));
    }

    using FileChooser = CChangeCommands::FileChooser;
    // Tests put their own chooser here; the program uses the common dialog.
    void SetFileChooser(FileChooser chooser) { m_changes.SetFileChooser(std::move(chooser)); }
    void SetPreviewer(CChangeCommands::Previewer previewer) { m_changes.SetPreviewer(std::move(previewer)); }
    void SetJournalPath(const std::string& strPath) { m_changes.SetJournalPath(strPath); }
    void SetLegacyJournalPath(const std::string& strPath) { m_changes.SetLegacyJournalPath(strPath); }
    void SetJournalSecurityReader(CJournalFile::SecurityReader reader)
    {
        m_changes.Journal().SetSecurityReader(std::move(reader));
    }
    // And their own session: a stand-in, or one whose enumeration is theirs.
    void SetServiceSession(std::unique_ptr<IServiceSession> pSession) { m_commands.SetSession(std::move(pSession)); }

    // For the tests, which drive the window as a user would.
    int SelectedRow() const { return m_commands.SelectedRow(); }
    const CMenu& Menu() const { return m_menu; }
    const CListCtrl& ServiceList() const { return m_commands.Rows().Control(); }
    const CTreeCtrl& CategoryTree() const { return m_categories.Tree(); }
    const CTreeCtrl& DependencyTree() const { return m_commands.Details().Tree(); }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange() override;
    const MessageMapEntry* GetMessageMap() const override;

    INT_PTR OnSysCommand(WPARAM wParam, LPARAM lParam);
    INT_PTR OnQueryDragIcon(WPARAM wParam, LPARAM lParam);
    INT_PTR OnTimer(WPARAM wParam, LPARAM lParam);
    INT_PTR OnLButtonDblClk(WPARAM wParam, LPARAM lParam);
    INT_PTR OnSyncSelection(WPARAM wParam, LPARAM lParam);
    INT_PTR OnJournalMoved(WPARAM wParam, LPARAM lParam);
    INT_PTR OnClickServiceList(const NMITEMACTIVATE* pClick);
    INT_PTR OnRClickServiceList(const NMITEMACTIVATE* pClick);
    INT_PTR OnDblClickServiceList(const NMITEMACTIVATE* pClick);
    INT_PTR OnKeyDownServiceList(const NMLVKEYDOWN* pKey);
    INT_PTR OnItemChangedServiceList(const NMLISTVIEW* pChange);
    INT_PTR OnColumnClickList(const NMLISTVIEW* pColumn);
    INT_PTR OnGetDispInfoList(const NMLVDISPINFOA* pInfo);
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
    void OnUndoLast();
    void OnWizard();
    void OnStartupItems();
    void OnAboutButton();
    void OnAboutMenu();

private:
    // What the commands show their outcome in.
    CWnd* ViewWindow() override { return this; }
    void EnableDeleteCommand(bool bEnable) override;
    void EnableUndoCommand(bool bEnable) override;
    void SetSummary(const std::string& strText) override { SetDlgItemText(IDC_SUMMARY, strText); }
    void StopStatusTimer() override { KillTimer(kStatusTimer); }
    void StartStatusTimer() override { SetTimer(kStatusTimer, kStatusTimerPeriodMs); }

    void ShowPopupUnderButton(int nButtonId, int nPopup);
    // The About window, modal to this one, from the title button, the help
    // menu and the system command alike.
    void RunAbout();
    CSkinButton& Button(int nId);

    // Boxes go to the innermost window of the operation under way.
    CWindowReporter m_reporter{[this] { return m_commands.BoxOwner(); }};
    CServiceCommands m_commands;
    CChangeCommands m_changes;
    CCategoryTree m_categories;
    std::array<CSkinButton, MainLayout::kButtonCount> m_buttons;
    CToolTipCtrl m_toolTip;
    CMenu m_menu;
    CImageList m_imageList;
    bool m_bSyncPosted = false;
};
