#include "app/MainDlg.h"

#include "app/MainWindowSetup.h"
#include "app/ServiceListRules.h"
#include "knowledge/QuickConfigDlg.h"
#include "knowledge/WizardDlg.h"
#include "services/CommandState.h"
#include "services/ManagerSession.h"
#include "skin/AboutDlg.h"
#include "skin/SkinRules.h"
#include "startup/StartupItemsDlg.h"

#include <optional>

#include <windowsx.h>

CMainDlg::CMainDlg(CWnd* pParent, const char* pszServiceDatabase)
    : CSkinDialog(IDD_MAIN, pParent, Title::WindowText, nullptr, true),
      m_commands(*this, m_reporter,
                 std::make_unique<CManagerSession>(std::wstring(),
                                                   pszServiceDatabase != nullptr
                                                       ? GbkText::ToWide(pszServiceDatabase).c_str()
                                                       : nullptr)),
      m_changes(m_commands, *this)
{
    m_menu.LoadMenu(IDR_MAIN_MENU);
    for (UINT nId : {ID_START_SERVICE, ID_PAUSE_SERVICE, ID_STOP_SERVICE})
        m_menu.EnableMenuItem(nId, MF_BYCOMMAND | MF_GRAYED | MF_DISABLED);
}

CMainDlg::~CMainDlg() = default;

const MessageMapEntry* CMainDlg::GetMessageMap() const
{
    static const MessageMapEntry s_map[] = {
        QM_ON_MESSAGE(WM_SYSCOMMAND, CMainDlg, OnSysCommand),
        QM_ON_MESSAGE(WM_QUERYDRAGICON, CMainDlg, OnQueryDragIcon),
        QM_ON_MESSAGE(WM_TIMER, CMainDlg, OnTimer),
        QM_ON_MESSAGE(WM_LBUTTONDBLCLK, CMainDlg, OnLButtonDblClk),
        QM_ON_MESSAGE(kSyncSelectionMessage, CMainDlg, OnSyncSelection),
        QM_ON_MESSAGE(kJournalMovedMessage, CMainDlg, OnJournalMoved),
        QM_ON_NOTIFY(NM_CLICK, IDC_SERVICE_LIST, CMainDlg, OnClickServiceList),
        QM_ON_NOTIFY(NM_RCLICK, IDC_SERVICE_LIST, CMainDlg, OnRClickServiceList),
        QM_ON_NOTIFY(NM_DBLCLK, IDC_SERVICE_LIST, CMainDlg, OnDblClickServiceList),
        QM_ON_NOTIFY(LVN_KEYDOWN, IDC_SERVICE_LIST, CMainDlg, OnKeyDownServiceList),
        QM_ON_NOTIFY(LVN_ITEMCHANGED, IDC_SERVICE_LIST, CMainDlg, OnItemChangedServiceList),
        QM_ON_NOTIFY(LVN_COLUMNCLICK, IDC_SERVICE_LIST, CMainDlg, OnColumnClickList),
        QM_ON_NOTIFY(LVN_GETDISPINFOA, IDC_SERVICE_LIST, CMainDlg, OnGetDispInfoList),
        QM_ON_NOTIFY(NM_CLICK, IDC_CATEGORY_TREE, CMainDlg, OnClickCategoryTree),
        QM_ON_NOTIFY(TVN_KEYDOWN, IDC_CATEGORY_TREE, CMainDlg, OnKeyDownCategoryTree),
        QM_ON_COMMAND(IDC_BTN_CLOSE, CMainDlg, OnCloseButton),
        QM_ON_COMMAND(IDC_BTN_MINIMIZE, CMainDlg, OnMinimizeButton),
        QM_ON_COMMAND(IDC_BTN_CONFIGURE, CMainDlg, OnMenuButton),
        QM_ON_COMMAND(IDC_BTN_WIZARD, CMainDlg, OnWizard),
        QM_ON_COMMAND(IDC_BTN_TOOLS, CMainDlg, OnMenuButton),
        QM_ON_COMMAND(IDC_BTN_HELP, CMainDlg, OnMenuButton),
        QM_ON_COMMAND(IDC_BTN_ABOUT, CMainDlg, OnAboutButton),
        QM_ON_COMMAND(IDC_BTN_AUTO, CMainDlg, OnStartTypeCommand),
        QM_ON_COMMAND(IDC_BTN_MANUAL, CMainDlg, OnStartTypeCommand),
        QM_ON_COMMAND(IDC_BTN_DISABLED, CMainDlg, OnStartTypeCommand),
        QM_ON_COMMAND(ID_ABOUT, CMainDlg, OnAboutMenu),
        QM_ON_COMMAND(ID_MENU_AUTO, CMainDlg, OnStartTypeCommand),
        QM_ON_COMMAND(ID_MENU_MANUAL, CMainDlg, OnStartTypeCommand),
        QM_ON_COMMAND(ID_MENU_DISABLED, CMainDlg, OnStartTypeCommand),
        QM_ON_COMMAND(ID_STARTUP_ITEMS, CMainDlg, OnStartupItems),
        QM_ON_COMMAND(ID_DELETE_SERVICE, CMainDlg, OnDeleteService),
        QM_ON_COMMAND(ID_IMPORT_CONFIG, CMainDlg, OnImportConfig),
        QM_ON_COMMAND(ID_EXPORT_CONFIG, CMainDlg, OnExportConfig),
        QM_ON_COMMAND(IDC_BTN_IMPORT, CMainDlg, OnImportConfig),
        QM_ON_COMMAND(IDC_BTN_EXPORT, CMainDlg, OnExportConfig),
        QM_ON_COMMAND(IDC_BTN_START, CMainDlg, OnStartService),
        QM_ON_COMMAND(IDC_BTN_PAUSE, CMainDlg, OnPauseService),
        QM_ON_COMMAND(IDC_BTN_STOP, CMainDlg, OnStopService),
        QM_ON_COMMAND(ID_QUICK_CONFIG, CMainDlg, OnQuickConfig),
        QM_ON_COMMAND(ID_UNDO_LAST, CMainDlg, OnUndoLast),
        QM_ON_COMMAND(ID_START_SERVICE, CMainDlg, OnStartService),
        QM_ON_COMMAND(ID_STOP_SERVICE, CMainDlg, OnStopService),
        QM_ON_COMMAND(ID_PAUSE_SERVICE, CMainDlg, OnPauseService),
        QM_END_MESSAGE_MAP,
    };
    return s_map;
}

CSkinButton& CMainDlg::Button(int nId)
{
    for (int i = 0; i < MainLayout::kButtonCount; ++i)
    {
        if (MainLayout::kButtonArt[i].nId == nId)
            return m_buttons[i];
    }
    return m_buttons[0];
}

void CMainDlg::DoDataExchange()
{
    m_commands.Attach(GetDlgItem(IDC_SERVICE_LIST), m_hWnd, GetDlgItem(IDC_DEPENDS_TREE));
    for (int i = 0; i < MainLayout::kButtonCount; ++i)
        DDX_Control(MainLayout::kButtonArt[i].nId, m_buttons[i]);
    m_categories.Attach(m_hWnd, GetDlgItem(IDC_CATEGORY_TREE));
}

BOOL CMainDlg::OnInitDialog()
{
    CSkinDialog::OnInitDialog();

    // The skinned frame replaces the caption; the taskbar button and the
    // system menu stay.
    ModifyStyle(WS_CAPTION, WS_MINIMIZEBOX, SWP_FRAMECHANGED);
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    DressMainButtons(m_buttons.data());
    LoadListIcons(m_imageList);
    m_commands.Setup(m_imageList.GetSafeHandle());
    m_categories.Build(m_imageList.GetSafeHandle());
    ApplyLayout();
    m_commands.FillServiceList(ServiceListRules::AllServices());
    m_changes.RefreshUndoCommand();

    AddMainToolTips(m_toolTip, *this);
    SetTimer(kStatusTimer, kStatusTimerPeriodMs);
    PostMessage(kJournalMovedMessage);
    return TRUE;
}

INT_PTR CMainDlg::OnJournalMoved(WPARAM, LPARAM)
{
    m_changes.NoticeMovedJournal();
    return 0;
}

void CMainDlg::ApplyLayout()
{
    PlaceMainWindowControls(*this, m_commands.Rows().Control());
}

void CMainDlg::UpdateRunCommands(int nCommandState)
{
    RunCommandEnabling enabling = {};
    if (!EnablingFor(nCommandState, &enabling))
        return;
    const struct
    {
        int nButtonId;
        UINT nMenuId;
        bool bEnable;
    } commands[] = {
        {IDC_BTN_START, ID_START_SERVICE, enabling.bStart},
        {IDC_BTN_PAUSE, ID_PAUSE_SERVICE, enabling.bPause},
        {IDC_BTN_STOP, ID_STOP_SERVICE, enabling.bStop},
    };
    for (const auto& command : commands)
    {
        Button(command.nButtonId).EnableWindow(command.bEnable ? TRUE : FALSE);
        m_menu.EnableMenuItem(command.nMenuId,
                              MF_BYCOMMAND | (command.bEnable ? MF_ENABLED : (MF_GRAYED | MF_DISABLED)));
    }
}

void CMainDlg::EnableDeleteCommand(bool bEnable)
{
    m_menu.EnableMenuItem(ID_DELETE_SERVICE, MF_BYCOMMAND | (bEnable ? MF_ENABLED : (MF_GRAYED | MF_DISABLED)));
}

void CMainDlg::EnableUndoCommand(bool bEnable)
{
    m_menu.EnableMenuItem(ID_UNDO_LAST, MF_BYCOMMAND | (bEnable ? MF_ENABLED : (MF_GRAYED | MF_DISABLED)));
}

INT_PTR CMainDlg::OnItemChangedServiceList(const NMLISTVIEW* pChange)
{
    // Keys, type-ahead and every kind of click move the highlight; one
    // posted message takes up all the changes of one move.
    if (!(pChange->uChanged & LVIF_STATE) ||
        !((pChange->uOldState ^ pChange->uNewState) & (LVIS_SELECTED | LVIS_FOCUSED)))
        return 0;
    if (!m_bSyncPosted)
    {
        m_bSyncPosted = true;
        PostMessage(kSyncSelectionMessage);
    }
    return 0;
}

INT_PTR CMainDlg::OnSyncSelection(WPARAM, LPARAM)
{
    m_bSyncPosted = false;
    m_commands.SyncRememberedRow();
    return TRUE;
}

INT_PTR CMainDlg::OnClickServiceList(const NMITEMACTIVATE*)
{
    m_commands.SyncRememberedRow();
    return 0;
}

INT_PTR CMainDlg::OnKeyDownServiceList(const NMLVKEYDOWN* pKey)
{
    m_commands.StepRememberedRow(pKey->wVKey);
    return 0;
}

INT_PTR CMainDlg::OnClickCategoryTree(const NMHDR*)
{
    if (std::optional<ServiceListRules::Category> category = m_categories.CategoryAtPointer())
        m_commands.ShowCategory(*category, true);
    return 0;
}

INT_PTR CMainDlg::OnKeyDownCategoryTree(const NMTVKEYDOWN* pKey)
{
    if (std::optional<ServiceListRules::Category> category = m_categories.CategoryForKey(pKey->wVKey))
        m_commands.ShowCategory(*category, false);
    return 0;
}

INT_PTR CMainDlg::OnGetDispInfoList(const NMLVDISPINFOA* pInfo)
{
    m_commands.Rows().GiveDisplayInfo(pInfo);
    return 0;
}

INT_PTR CMainDlg::OnColumnClickList(const NMLISTVIEW*)
{
    m_commands.SortByDisplayName();
    return 0;
}

INT_PTR CMainDlg::OnTimer(WPARAM, LPARAM)
{
    m_commands.RefreshServiceStates();
    return TRUE;
}

void CMainDlg::OnStartService()
{
    m_commands.StartOrContinue();
}

void CMainDlg::OnPauseService()
{
    m_commands.ControlSelectedService(kRunPause);
}

void CMainDlg::OnStopService()
{
    m_commands.ControlSelectedService(kRunStop);
}

void CMainDlg::OnStartTypeCommand(UINT nId)
{
    m_changes.SetStartTypeByCommand(nId);
}

void CMainDlg::OnDeleteService()
{
    m_changes.DeleteSelectedService();
}

void CMainDlg::OnExportConfig()
{
    m_changes.ExportBackup(m_hWnd);
}

void CMainDlg::OnImportConfig()
{
    m_changes.Import();
}

void CMainDlg::OnQuickConfig()
{
    CQuickConfigDlg dialog(this);
    dialog.DoModal();
}

void CMainDlg::OnUndoLast()
{
    m_changes.UndoLast();
}

void CMainDlg::OnStartupItems()
{
    CStartupItemsDlg dialog(this, &m_changes.Journal(), m_commands.Session().RegistryRoot());
    dialog.DoModal();
    m_changes.RefreshUndoCommand();
}

void CMainDlg::OnWizard()
{
    CWizardDlg wizard(this);
    if (!wizard.IsReady())
    {
        m_commands.Notify(CWizardDlg::kTempFileFailed);
        return;
    }
    wizard.DoModal();
}

void CMainDlg::ShowPopupUnderButton(int nButtonId, int nPopup)
{
    RECT rect;
    GetWindowRect(GetDlgItem(nButtonId), &rect);
    TrackPopupMenu(m_menu.GetSubMenu(nPopup), TPM_RIGHTBUTTON, rect.left, rect.bottom, 0, m_hWnd, nullptr);
}

void CMainDlg::OnMenuButton(UINT nId)
{
    // The menu bar's buttons and the popups of the menu they open.
    static const struct
    {
        UINT nId;
        int nPopup;
    } kButtons[] = {{IDC_BTN_CONFIGURE, 0}, {IDC_BTN_TOOLS, 2}, {IDC_BTN_HELP, 3}};
    // Another copy of the program may have changed the journal meanwhile.
    if (nId == IDC_BTN_CONFIGURE)
        m_changes.RefreshUndoCommand();
    for (const auto& button : kButtons)
    {
        if (button.nId == nId)
            ShowPopupUnderButton(static_cast<int>(nId), button.nPopup);
    }
}

INT_PTR CMainDlg::OnRClickServiceList(const NMITEMACTIVATE* pClick)
{
    OnClickServiceList(pClick);
    POINT pt;
    GetCursorPos(&pt);
    TrackPopupMenu(m_menu.GetSubMenu(1), TPM_RIGHTBUTTON, pt.x, pt.y, 0, m_hWnd, nullptr);
    return 0;
}

INT_PTR CMainDlg::OnDblClickServiceList(const NMITEMACTIVATE*)
{
    m_commands.ToggleTick();
    return 0;
}

INT_PTR CMainDlg::OnSysCommand(WPARAM wParam, LPARAM)
{
    if ((wParam & 0xFFF0) != kAboutSystemCommand)
        return FALSE;
    RunAbout();
    return TRUE;
}

void CMainDlg::OnAboutButton()
{
    RunAbout();
}

void CMainDlg::OnAboutMenu()
{
    RunAbout();
}

void CMainDlg::RunAbout()
{
    CAboutDlg about(this);
    about.DoModal();
}

INT_PTR CMainDlg::OnQueryDragIcon(WPARAM, LPARAM)
{
    return reinterpret_cast<INT_PTR>(m_hIcon);
}

void CMainDlg::OnCloseButton()
{
    SendMessage(WM_CLOSE);
}

void CMainDlg::OnMinimizeButton()
{
    SendMessage(WM_SYSCOMMAND, SC_MINIMIZE);
}

INT_PTR CMainDlg::OnLButtonDblClk(WPARAM, LPARAM lParam)
{
    if (SkinRules::InTitleStrip(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)))
        ApplyLayout();
    return FALSE;
}
