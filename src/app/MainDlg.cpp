#include "app/MainDlg.h"

#include "app/MainWindowSetup.h"
#include "app/ServiceListRules.h"
#include "common/AppTexts.h"
#include "common/ScopedValue.h"
#include "knowledge/QuickConfigDlg.h"
#include "knowledge/ServiceAdvice.h"
#include "knowledge/ServiceKnowledgeBase.h"
#include "knowledge/WizardDlg.h"
#include "res/resource.h"
#include "services/CommandState.h"
#include "services/ProgressDlg.h"
#include "services/ServiceDetails.h"
#include "services/ServiceErrors.h"
#include "services/ServiceTexts.h"
#include "services/StartTypeApplier.h"
#include "skin/AboutDlg.h"
#include "skin/SkinRules.h"
#include "startup/StartupItemsDlg.h"
#include "ui/WinApp.h"

#include <optional>

#include <windowsx.h>

namespace
{
const char* const kSelectPrompt = "请选择服务!";
const char* const kDeleteWarning =
    "警告:删除此服务将会造成此服务不可恢复,并有可能造成系统故障,您是否有200%的把握?";
const char* const kDeleted = "删除成功!";
const char* const kExportDone = "服务配置文件保存成功!";
const char* const kExportFailed = "配置文件无法写入,本次导出失败!";
const char* const kFileError = "文件错误！请选择正确的配置文件！";

// Set while a command or a pass holds the service slot.
using CBusyScope = CScopedValue<bool>;
// Boxes raised inside the scope go to its window.
using COwnerScope = CScopedValue<HWND>;
} // namespace

CMainDlg::CMainDlg(CWnd* pParent, const char* pszServiceDatabase)
    : CSkinDialog(IDD_MAIN, pParent, Title::WindowText, nullptr, true), m_service(pszServiceDatabase)
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
        QM_ON_NOTIFY(NM_CLICK, IDC_SERVICE_LIST, CMainDlg, OnClickServiceList),
        QM_ON_NOTIFY(NM_RCLICK, IDC_SERVICE_LIST, CMainDlg, OnRClickServiceList),
        QM_ON_NOTIFY(NM_DBLCLK, IDC_SERVICE_LIST, CMainDlg, OnDblClickServiceList),
        QM_ON_NOTIFY(LVN_KEYDOWN, IDC_SERVICE_LIST, CMainDlg, OnKeyDownServiceList),
        QM_ON_NOTIFY(LVN_ITEMCHANGED, IDC_SERVICE_LIST, CMainDlg, OnItemChangedServiceList),
        QM_ON_NOTIFY(LVN_COLUMNCLICK, IDC_SERVICE_LIST, CMainDlg, OnColumnClickList),
        QM_ON_NOTIFY(NM_CLICK, IDC_CATEGORY_TREE, CMainDlg, OnClickCategoryTree),
        QM_ON_NOTIFY(TVN_KEYDOWN, IDC_CATEGORY_TREE, CMainDlg, OnKeyDownCategoryTree),
        QM_ON_COMMAND(IDC_BTN_CLOSE, CMainDlg, OnCloseButton),
        QM_ON_COMMAND(IDC_BTN_MINIMIZE, CMainDlg, OnMinimizeButton),
        QM_ON_COMMAND(IDC_BTN_CONFIGURE, CMainDlg, OnMenuButton),
        QM_ON_COMMAND(IDC_BTN_WIZARD, CMainDlg, OnWizard),
        QM_ON_COMMAND(IDC_BTN_TOOLS, CMainDlg, OnMenuButton),
        QM_ON_COMMAND(IDC_BTN_HELP, CMainDlg, OnMenuButton),
        QM_ON_COMMAND(IDC_BTN_ABOUT, CMainDlg, OnAbout),
        QM_ON_COMMAND(ID_ABOUT, CMainDlg, OnAbout),
        QM_ON_COMMAND(IDC_BTN_AUTO, CMainDlg, OnStartTypeCommand),
        QM_ON_COMMAND(IDC_BTN_MANUAL, CMainDlg, OnStartTypeCommand),
        QM_ON_COMMAND(IDC_BTN_DISABLED, CMainDlg, OnStartTypeCommand),
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
    m_rows.Attach(GetDlgItem(IDC_SERVICE_LIST));
    for (int i = 0; i < MainLayout::kButtonCount; ++i)
        DDX_Control(MainLayout::kButtonArt[i].nId, m_buttons[i]);
    m_details.Attach(m_hWnd, GetDlgItem(IDC_DEPENDS_TREE));
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
    m_rows.Setup(m_imageList.GetSafeHandle());
    m_details.Setup(m_imageList.GetSafeHandle());
    m_categories.Build(m_imageList.GetSafeHandle());
    ApplyLayout();
    FillServiceList(ServiceListRules::kAll);

    AddMainToolTips(m_toolTip, *this);
    SetTimer(kStatusTimer, kStatusTimerPeriodMs);
    return TRUE;
}

void CMainDlg::ApplyLayout()
{
    PlaceMainWindowControls(*this, m_rows.Control());
}

int CMainDlg::Notify(const char* pszText, UINT nType)
{
    return MessageBoxA(BoxOwner(), pszText, kNoticeCaption, nType);
}

void CMainDlg::ReportServiceFailure(DWORD dwError)
{
    Notify(ServiceFailureText(dwError).c_str());
}

void CMainDlg::ReportFatalError(DWORD dwError)
{
    KillTimer(kStatusTimer);
    Notify(LookupServiceError(dwError).pszText);
    PostQuitMessage(0);
}

void CMainDlg::ReportRowFailure(int nRow, DWORD dwError)
{
    if (dwError == ERROR_SERVICE_DOES_NOT_EXIST)
        RemoveRow(nRow);
    ReportServiceFailure(dwError);
}

void CMainDlg::FillServiceList(const std::string& strFilter)
{
    CBusyScope busy(m_bBusy, true);
    std::vector<ServiceRow> rows;
    auto report = [this](DWORD dwError) { ReportServiceFailure(dwError); };
    if (DWORD dwError = ReadServiceRows(m_service, m_enumServices, &rows, report))
    {
        // Without a first list there is nothing to work on; later the list
        // shown stays as it is.
        if (!m_bListed)
            ReportFatalError(dwError);
        else
            ReportServiceFailure(dwError);
        return;
    }
    m_bListed = true;
    std::vector<ServiceRow> shown;
    for (ServiceRow& row : rows)
    {
        if (ServiceListRules::PassesFilter(strFilter, row.StateText(), row.StartTypeText()))
            shown.push_back(std::move(row));
    }
    m_rows.SetRows(std::move(shown));
    SetDlgItemText(IDC_SUMMARY, ServiceListRules::SummaryText(m_rows.Count(), strFilter));
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

void CMainDlg::ResetDetails()
{
    m_details.Reset();
    m_nSelected = -1;
    UpdateRunCommands(kCommandsNone);
}

std::string CMainDlg::ServiceDisplayName(const std::string& strName)
{
    return DisplayNameOf(m_service, strName);
}

void CMainDlg::ShowServiceDetails()
{
    CBusyScope busy(m_bBusy, true);
    m_details.ClearStatusLine();
    const ServiceRow* pRow = m_rows.RowAt(m_nSelected);
    if (pRow == nullptr)
        return;
    ServiceDetails details;
    if (DWORD dwError = ReadServiceDetails(m_service, pRow->strName, &details,
                                           [this](DWORD dwFailure) { ReportServiceFailure(dwFailure); }))
    {
        // Gone behind the list: there is nothing left to show.
        ReportRowFailure(m_nSelected, dwError);
        return;
    }
    UpdateRunCommands(CommandStateFor(pRow->StateText(), details.dwAccepted, pRow->StartTypeText()));

    std::string strAdvice;
    if (std::optional<int> nEntry = ServiceKnowledgeBase::FindByServiceName(pRow->strName))
    {
        ServiceAdvice advice(ServiceKnowledgeBase::Entry(*nEntry));
        m_menu.EnableMenuItem(ID_DELETE_SERVICE,
                              MF_BYCOMMAND | (advice.IsProtected() ? (MF_GRAYED | MF_DISABLED) : MF_ENABLED));
        strAdvice = advice.AdviceText();
    }
    m_details.Show(m_service, details, strAdvice);
}

void CMainDlg::SyncRememberedRow()
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
    SyncRememberedRow();
    return TRUE;
}

INT_PTR CMainDlg::OnClickServiceList(const NMITEMACTIVATE*)
{
    SyncRememberedRow();
    return 0;
}

INT_PTR CMainDlg::OnKeyDownServiceList(const NMLVKEYDOWN* pKey)
{
    if (pKey->wVKey != VK_DOWN && pKey->wVKey != VK_UP)
        return 0;
    const CListCtrl& list = m_rows.Control();
    int nNext = list.GetNextItem(m_nSelected, pKey->wVKey == VK_DOWN ? LVNI_BELOW : LVNI_ABOVE);
    // Wine's list answers one past the last row for "below" at the end.
    if (nNext >= 0 && nNext < list.GetItemCount())
        m_nSelected = nNext;
    if (m_nSelected != -1)
        ShowServiceDetails();
    return 0;
}

INT_PTR CMainDlg::OnClickCategoryTree(const NMHDR*)
{
    if (std::optional<std::string> filter = m_categories.FilterAtPointer())
    {
        ResetDetails();
        FillServiceList(*filter);
    }
    return 0;
}

INT_PTR CMainDlg::OnKeyDownCategoryTree(const NMTVKEYDOWN* pKey)
{
    if (std::optional<std::string> filter = m_categories.FilterForKey(pKey->wVKey))
    {
        m_nSelected = -1;
        FillServiceList(*filter);
    }
    return 0;
}

INT_PTR CMainDlg::OnColumnClickList(const NMLISTVIEW*)
{
    m_rows.SortByDisplayName();
    return 0;
}

INT_PTR CMainDlg::OnTimer(WPARAM, LPARAM)
{
    RefreshServiceStates();
    return TRUE;
}

void CMainDlg::RemoveRow(int nRow)
{
    m_rows.Remove(nRow);
    if (nRow == m_nSelected)
    {
        m_nSelected = -1;
        UpdateRunCommands(kCommandsNone);
    }
    else if (nRow < m_nSelected)
    {
        // The remembered service moved up one row.
        --m_nSelected;
    }
}

void CMainDlg::RefreshServiceStates()
{
    // Never inside a command or another pass: they hold the service slot,
    // or the list is half rewritten.
    if (m_bBusy)
        return;
    if (m_bSyncPending)
        SyncRememberedRow();
    CBusyScope busy(m_bBusy, true);
    // A pass reports nothing: a failed look is simply tried again next time.
    if (m_poller.Refresh(m_service.ManagerHandle()) != 0)
        return;
    for (int i = 0; i < m_rows.Count();)
    {
        const CServicePoller::Status* pStatus = m_poller.Find(m_rows.RowAt(i)->strName);
        if (pStatus == nullptr)
        {
            // Deleted behind the program's back.
            RemoveRow(i);
            continue;
        }
        m_rows.Update(i, *pStatus);
        ++i;
    }
    if (const ServiceRow* pRow = m_rows.RowAt(m_nSelected))
        UpdateRunCommands(CommandStateFor(pRow->StateText(), pRow->dwAccepted, pRow->StartTypeText()));
}

bool CMainDlg::HasSelection()
{
    if (m_nSelected != -1)
        return true;
    Notify(kSelectPrompt);
    return false;
}

void CMainDlg::ControlSelectedService(RunOperation operation)
{
    if (!HasSelection())
        return;
    CBusyScope busy(m_bBusy, true);
    int nRow = m_nSelected;
    ServiceRow* pRow = m_rows.RowAt(nRow);
    if (DWORD dwError = RunServiceOperation(m_service, pRow->strName, operation))
    {
        ReportRowFailure(nRow, dwError);
        return;
    }
    // The pending word shows until the next pass says how it went.
    const RunOperationInfo& info = InfoOf(operation);
    pRow->dwState = info.dwPendingState;
    pRow->pszPendingWord = info.pszPendingWord;
    m_rows.Show(nRow);
    UpdateRunCommands(info.nCommandState);
}

void CMainDlg::OnStartService()
{
    // Start continues a paused service; pause only pauses.
    const ServiceRow* pRow = m_rows.RowAt(m_nSelected);
    bool bPaused = pRow != nullptr && pRow->StateText() == ServiceTexts::kPaused;
    ControlSelectedService(bPaused ? kRunContinue : kRunStart);
}

void CMainDlg::OnPauseService()
{
    ControlSelectedService(kRunPause);
}

void CMainDlg::OnStopService()
{
    ControlSelectedService(kRunStop);
}

void CMainDlg::OnStartTypeCommand(UINT nId)
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

void CMainDlg::SetStartTypeOfSelection(ApplyMode mode, int nValue)
{
    if (!HasSelection())
        return;
    ApplyRequest request;
    request.mode = mode;
    request.nValue = nValue;
    // The toolbar's change of many rows runs behind the please-wait window;
    // the context menu's of one row at once.
    if (mode == kApplyMarkedRows)
        Apply(request, m_hWnd);
    else
        ApplyNow(request);
}

void CMainDlg::Apply(const ApplyRequest& request, HWND hOwner)
{
    // One application at a time, whatever window asks.
    if (m_bApplying)
        return;
    m_bApplying = true;
    CWnd owner(hOwner != nullptr ? hOwner : m_hWnd);
    CProgressDlg progress(&owner, [this, &request](HWND hProgress) {
        // What goes wrong meanwhile is told over the please-wait window.
        COwnerScope scope(m_hBoxOwner, hProgress);
        ApplyNow(request);
    });
    progress.DoModal();
    m_bApplying = false;
}

void CMainDlg::ApplyNow(const ApplyRequest& request)
{
    CBusyScope busy(m_bBusy, true);
    CStartTypeApplier applier(
        m_service, [this](const std::string&, DWORD dwError) { ReportServiceFailure(dwError); }, m_enumServices);
    switch (request.mode)
    {
    case kApplyMarkedRows:
    case kApplySelectedRow:
        ApplyToRows(request);
        break;
    case kApplyProfile:
        applier.ApplyProfile(request.nValue);
        break;
    case kApplyFile:
        if (applier.ApplyFile(request) == CStartTypeApplier::FileOutcome::Unreadable)
            Notify(kFileError);
        break;
    }
    // Read every start type again on the next pass rather than wait for the
    // store's notice.
    m_poller.InvalidateStartTypes();
}

void CMainDlg::ApplyToRows(const ApplyRequest& request)
{
    DWORD dwStartType = static_cast<DWORD>(request.nValue);
    // A row whose service is gone leaves before the message about it.
    CStartTypeApplier applier(m_service, [this](const std::string& strName, DWORD dwError) {
        int nRow = m_rows.Find(strName);
        if (dwError == ERROR_SERVICE_DOES_NOT_EXIST && nRow != -1)
            RemoveRow(nRow);
        ReportServiceFailure(dwError);
    });
    bool bSelectedOnly = request.mode == kApplySelectedRow;
    if (!m_rows.ApplyStartType(applier, dwStartType, m_nSelected, !bSelectedOnly) || !bSelectedOnly)
        return;
    // A running service keeps its commands; the others follow the change.
    const ServiceRow* pRow = m_rows.RowAt(m_nSelected);
    if (pRow->StateText() != ServiceTexts::kRunning)
        UpdateRunCommands(CommandStateFor(pRow->StateText(), 0, pRow->StartTypeText()));
}

ExportOutcome CMainDlg::ExportBackup(HWND hOwner)
{
    COwnerScope owner(m_hBoxOwner, hOwner);
    std::string strPath;
    if (!m_chooseFile(BoxOwner(), true, &strPath))
        return ExportOutcome::Cancelled;
    CBusyScope busy(m_bBusy, true);
    if (!WriteServiceConfigFile(
            m_service, strPath, [this](DWORD dwError) { ReportServiceFailure(dwError); }, m_enumServices))
    {
        Notify(kExportFailed);
        return ExportOutcome::Failed;
    }
    Notify(kExportDone);
    return ExportOutcome::Saved;
}

void CMainDlg::OnExportConfig()
{
    ExportBackup(m_hWnd);
}

void CMainDlg::OnImportConfig()
{
    ApplyRequest request;
    request.mode = kApplyFile;
    if (m_chooseFile(m_hWnd, false, &request.strPath))
        Apply(request, m_hWnd);
}

void CMainDlg::OnQuickConfig()
{
    CQuickConfigDlg dialog(this);
    dialog.DoModal();
}

void CMainDlg::OnStartupItems()
{
    CStartupItemsDlg dialog(this);
    dialog.DoModal();
}

void CMainDlg::OnWizard()
{
    CWizardDlg wizard(this);
    if (!wizard.IsReady())
    {
        Notify(CWizardDlg::kTempFileFailed);
        return;
    }
    wizard.DoModal();
}

void CMainDlg::OnDeleteService()
{
    // Without a remembered row there is nothing to warn about.
    if (!HasSelection())
        return;
    // No pass may change the list while the question is open; the answer
    // is about the service it named.
    KillTimer(kStatusTimer);
    {
        CBusyScope busy(m_bBusy, true);
        std::string strName = m_rows.RowAt(m_nSelected)->strName;
        if (Notify(kDeleteWarning, MB_YESNO | MB_ICONEXCLAMATION) == IDYES)
            DeleteNamedService(strName);
    }
    SetTimer(kStatusTimer, kStatusTimerPeriodMs);
}

void CMainDlg::DeleteNamedService(const std::string& strName)
{
    int nRow = m_rows.Find(strName);
    if (nRow == -1 || strName.empty())
    {
        Notify(kSelectPrompt);
        return;
    }
    DWORD dwError = 0;
    {
        CServiceControl::COpenService open(m_service, strName, CServiceControl::kAccessDelete);
        dwError = open.Error();
        if (dwError == 0)
            dwError = m_service.StopAndDelete();
    }
    if (dwError != 0)
    {
        ReportRowFailure(nRow, dwError);
        return;
    }
    Notify(kDeleted);
    RemoveRow(nRow);
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
    SyncRememberedRow();
    const CListCtrl& list = m_rows.Control();
    if (m_nSelected != -1)
    {
        list.SetCheck(m_nSelected, !list.GetCheck(m_nSelected));
        return 0;
    }
    for (int i = 0; i < list.GetItemCount(); ++i)
        list.SetCheck(i, FALSE);
    return 0;
}

INT_PTR CMainDlg::OnSysCommand(WPARAM wParam, LPARAM)
{
    if ((wParam & 0xFFF0) != kAboutSystemCommand)
        return FALSE;
    OnAbout();
    return TRUE;
}

void CMainDlg::OnAbout()
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
