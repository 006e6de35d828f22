#include "app/MainDlg.h"

#include "app/DetailsText.h"
#include "app/ServiceListRules.h"
#include "common/AppTexts.h"
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
constexpr int kImageRoot = 3;
constexpr int kImageFolder = 4;

// The tree lies at (12, 78) in both layouts; its border brings the point
// to this offset.
constexpr int kCategoryHitOffsetX = 15;
constexpr int kCategoryHitOffsetY = 80;

const char* const kSelectPrompt = "请选择服务!";
const char* const kDeleteWarning =
    "警告:删除此服务将会造成此服务不可恢复,并有可能造成系统故障,您是否有200%的把握?";
const char* const kDeleted = "删除成功!";
const char* const kExportDone = "服务配置文件保存成功!";
const char* const kExportFailed = "配置文件无法写入,本次导出失败!";
const char* const kFileError = "文件错误！请选择正确的配置文件！";

// Clears the flag however the command ends.
class CBusyScope
{
public:
    explicit CBusyScope(bool& bBusy) : m_bBusy(bBusy), m_bWas(bBusy) { m_bBusy = true; }
    ~CBusyScope() { m_bBusy = m_bWas; }
    CBusyScope(const CBusyScope&) = delete;
    CBusyScope& operator=(const CBusyScope&) = delete;

private:
    bool& m_bBusy;
    bool m_bWas;
};

// Boxes raised inside the scope go to hOwner; the one before comes back after.
class COwnerScope
{
public:
    COwnerScope(HWND& hSlot, HWND hOwner) : m_hSlot(hSlot), m_hWas(hSlot) { m_hSlot = hOwner; }
    ~COwnerScope() { m_hSlot = m_hWas; }
    COwnerScope(const COwnerScope&) = delete;
    COwnerScope& operator=(const COwnerScope&) = delete;

private:
    HWND& m_hSlot;
    HWND m_hWas;
};
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
        QM_ON_COMMAND(IDC_BTN_CONFIGURE, CMainDlg, OnConfigureMenu),
        QM_ON_COMMAND(IDC_BTN_WIZARD, CMainDlg, OnWizard),
        QM_ON_COMMAND(IDC_BTN_TOOLS, CMainDlg, OnToolsMenu),
        QM_ON_COMMAND(IDC_BTN_HELP, CMainDlg, OnHelpMenu),
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
    DDX_Control(IDC_DEPENDS_TREE, m_treeDepends);
    DDX_Control(IDC_CATEGORY_TREE, m_treeCategory);
}

BOOL CMainDlg::OnInitDialog()
{
    CSkinDialog::OnInitDialog();

    // The skinned frame replaces the caption; the taskbar button and the
    // system menu stay.
    ModifyStyle(WS_CAPTION, WS_MINIMIZEBOX, SWP_FRAMECHANGED);
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    for (int i = 0; i < MainLayout::kButtonCount; ++i)
    {
        const MainLayout::ButtonArt& art = MainLayout::kButtonArt[i];
        m_buttons[i].SetBitmaps(art.nNormal, art.nHover, art.nPressed, art.nFocus, art.nDisabled,
                                art.bStretch ? TRUE : FALSE, 0, art.bShift ? TRUE : FALSE);
    }

    m_imageList.Create(16, 16, ILC_COLOR32 | ILC_MASK, 2, 2);
    const CListCtrl& list = m_rows.Control();
    // One highlighted row, the one every command acts on; ticks mark more.
    list.ModifyStyle(0, LVS_SHOWSELALWAYS | LVS_SINGLESEL);
    list.SetImageList(m_imageList.GetSafeHandle(), LVSIL_SMALL);
    for (int nIconId : {IDI_AUTO, IDI_MANUAL, IDI_DISABLED, IDI_ROOT, IDI_FOLDER})
    {
        HICON hIcon = static_cast<HICON>(
            LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(nIconId), IMAGE_ICON, 16, 16, 0));
        m_imageList.Add(hIcon);
        DestroyIcon(hIcon);
    }
    list.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    list.InsertColumn(0, "服务显示名称", LVCFMT_LEFT, 250);
    list.InsertColumn(1, "服务名", LVCFMT_LEFT, 150);
    list.InsertColumn(2, "状态", LVCFMT_LEFT, 60);
    list.InsertColumn(3, "启动类型", LVCFMT_LEFT, 65);

    m_treeCategory.SetImageList(m_imageList.GetSafeHandle(), TVSIL_NORMAL);
    m_treeDepends.SetImageList(m_imageList.GetSafeHandle(), TVSIL_NORMAL);
    LONG_PTR nTreeStyle = m_treeCategory.GetStyle() | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT;
    SetWindowLongPtrA(m_treeCategory.GetSafeHwnd(), GWL_STYLE, nTreeStyle);
    SetWindowLongPtrA(m_treeDepends.GetSafeHwnd(), GWL_STYLE, nTreeStyle);

    BuildCategoryTree();
    ApplyLayout();
    FillServiceList(ServiceListRules::kAll);

    m_toolTip.Create(this);
    m_toolTip.Activate(TRUE);
    const struct
    {
        int nId;
        const char* pszText;
    } tips[] = {
        {IDC_BTN_IMPORT, "导入服务配置"}, {IDC_BTN_EXPORT, "导出服务配置"}, {IDC_BTN_START, "启动服务"},
        {IDC_BTN_PAUSE, "暂停服务"},      {IDC_BTN_STOP, "停止服务"},
    };
    for (const auto& tip : tips)
        m_toolTip.AddTool(m_hWnd, GetDlgItem(tip.nId), tip.pszText);

    SetTimer(kStatusTimer, kStatusTimerPeriodMs);
    return TRUE;
}

void CMainDlg::BuildCategoryTree()
{
    HTREEITEM hRoot = m_treeCategory.InsertItem(ServiceListRules::kRoot, kImageRoot, kImageRoot);
    HTREEITEM hStates = m_treeCategory.InsertItem(ServiceListRules::kRunStateGroup, kImageFolder, kImageRoot, hRoot);
    for (const char* pszLeaf : {ServiceTexts::kRunning, ServiceTexts::kPaused, ServiceListRules::kStoppedLeaf})
        m_treeCategory.InsertItem(pszLeaf, kImageFolder, kImageRoot, hStates);
    HTREEITEM hTypes = m_treeCategory.InsertItem(ServiceListRules::kStartTypeGroup, kImageFolder, kImageRoot, hRoot);
    for (const char* pszLeaf : {ServiceTexts::kAuto, ServiceTexts::kManual, ServiceTexts::kDisabled})
        m_treeCategory.InsertItem(pszLeaf, kImageFolder, kImageRoot, hTypes);
    m_treeCategory.Expand(hStates, TVE_EXPAND);
    m_treeCategory.Expand(hTypes, TVE_EXPAND);
    m_treeCategory.Expand(hRoot, TVE_EXPAND);
}

void CMainDlg::ApplyLayout()
{
    HDC hDC = GetDC(m_hWnd);
    int nScreenWidth = GetDeviceCaps(hDC, HORZRES);
    ReleaseDC(m_hWnd, hDC);
    bool bCompact = MainLayout::IsCompact(nScreenWidth);

    for (const MainLayout::Placement& placement : MainLayout::PlacementsFor(bCompact))
    {
        if (placement.nId == MainLayout::kWindowId)
        {
            MoveWindow(placement.x, placement.y, placement.cx, placement.cy);
            continue;
        }
        CWnd control(GetDlgItem(placement.nId));
        if (placement.bHidden)
        {
            control.ShowWindow(SW_HIDE);
            continue;
        }
        if (placement.bWidthOnly)
        {
            RECT rect;
            GetWindowRect(control.GetSafeHwnd(), &rect);
            MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
            control.MoveWindow(rect.left, rect.top, placement.cx, rect.bottom - rect.top);
            continue;
        }
        control.MoveWindow(placement.x, placement.y, placement.cx, placement.cy);
    }
    m_rows.Control().SetColumnWidth(1, MainLayout::ServiceNameColumnWidth(bCompact));
    RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
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
    CBusyScope busy(m_bBusy);
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
    SetDlgItemText(IDC_STATUS_LINE, "");
    m_nSelected = -1;
    UpdateRunCommands(kCommandsNone);
    m_treeDepends.DeleteAllItems();
}

std::string CMainDlg::ServiceDisplayName(const std::string& strName)
{
    return DisplayNameOf(m_service, strName);
}

void CMainDlg::ShowServiceDetails()
{
    CBusyScope busy(m_bBusy);
    SetDlgItemText(IDC_STATUS_LINE, "");
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
    SetDlgItemText(IDC_SUMMARY, DetailsText::Description(details.strDescription, strAdvice));
    if (details.bPathRead)
        SetDlgItemText(IDC_STATUS_LINE, DetailsText::StatusLine(details.strBinaryPath));
    ShowDependencies(details.dependencies, details.dependents);
}

void CMainDlg::ShowDependencies(const std::vector<std::string>& dependencies,
                                const std::vector<std::string>& dependents)
{
    m_treeDepends.DeleteAllItems();
    HTREEITEM hDependsOn = m_treeDepends.InsertItem(DetailsText::kDependsOnGroup, kImageFolder, kImageRoot);
    for (const std::string& strName : dependencies)
    {
        if (DetailsText::IsShownDependency(strName))
            m_treeDepends.InsertItem(DisplayNameOf(m_service, strName), kImageFolder, kImageRoot, hDependsOn);
    }
    HTREEITEM hDependents = m_treeDepends.InsertItem(DetailsText::kDependentsGroup, kImageFolder, kImageRoot);
    for (const std::string& strName : dependents)
        m_treeDepends.InsertItem(DisplayNameOf(m_service, strName), kImageFolder, kImageRoot, hDependents);
    m_treeDepends.Expand(hDependsOn, TVE_EXPAND);
    m_treeDepends.Expand(hDependents, TVE_EXPAND);
}

int CMainDlg::HighlightedRow() const
{
    const CListCtrl& list = m_rows.Control();
    int nFocused = list.GetNextItem(-1, LVNI_FOCUSED);
    if (nFocused != -1 && (list.SendMessage(LVM_GETITEMSTATE, nFocused, LVIS_SELECTED) & LVIS_SELECTED) != 0)
        return nFocused;
    return list.GetNextItem(-1, LVNI_SELECTED);
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
    int nRow = HighlightedRow();
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
    POINT pt;
    GetCursorPos(&pt);
    ScreenToClient(m_hWnd, &pt);
    pt.x -= kCategoryHitOffsetX;
    pt.y -= kCategoryHitOffsetY;
    UINT nFlags = 0;
    HTREEITEM hItem = m_treeCategory.HitTest(pt, &nFlags);
    if (hItem == nullptr || !(nFlags & TVHT_ONITEMLABEL))
        return 0;
    std::string strText = m_treeCategory.GetItemText(hItem);
    ResetDetails();
    FillServiceList(ServiceListRules::FilterForCategory(strText));
    return 0;
}

INT_PTR CMainDlg::OnKeyDownCategoryTree(const NMTVKEYDOWN* pKey)
{
    if (pKey->wVKey != VK_DOWN && pKey->wVKey != VK_UP)
        return 0;
    HTREEITEM hCaret = m_treeCategory.GetNextItem(nullptr, TVGN_CARET);
    HTREEITEM hNext = m_treeCategory.GetNextItem(hCaret, pKey->wVKey == VK_DOWN ? TVGN_NEXTVISIBLE : TVGN_PREVIOUSVISIBLE);
    std::string strText = hNext != nullptr ? m_treeCategory.GetItemText(hNext) : std::string();
    m_nSelected = -1;
    FillServiceList(ServiceListRules::FilterForCategory(strText));
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
    CBusyScope busy(m_bBusy);
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
    CBusyScope busy(m_bBusy);
    struct OperationRow
    {
        DWORD dwAccess;
        DWORD dwControl; // 0 for a start
        const char* pszPending;
        DWORD dwPendingState;
        int nCommandState;
    };
    static const OperationRow kOperations[] = {
        {CServiceControl::kAccessStart, 0, ServiceTexts::kStartPending, SERVICE_START_PENDING, kCommandsStopOnly},
        {CServiceControl::kAccessStop, SERVICE_CONTROL_STOP, ServiceTexts::kStopPending, SERVICE_STOP_PENDING,
         kCommandsStartable},
        {CServiceControl::kAccessPauseContinue, SERVICE_CONTROL_PAUSE, ServiceTexts::kPausing, SERVICE_PAUSE_PENDING,
         kCommandsPaused},
        {CServiceControl::kAccessPauseContinue, SERVICE_CONTROL_CONTINUE, ServiceTexts::kContinuing,
         SERVICE_CONTINUE_PENDING, kCommandsPauseAndStop},
    };
    const OperationRow& operationRow = kOperations[operation - kRunStart];
    int nRow = m_nSelected;
    ServiceRow* pRow = m_rows.RowAt(nRow);
    DWORD dwError = 0;
    {
        CServiceControl::COpenService open(m_service, pRow->strName, operationRow.dwAccess);
        dwError = open.Error();
        SERVICE_STATUS status = {};
        if (dwError == 0)
            dwError = operationRow.dwControl == 0 ? m_service.Start()
                                                  : m_service.Control(operationRow.dwControl, &status);
    }
    if (dwError != 0)
    {
        ReportRowFailure(nRow, dwError);
        return;
    }
    // The pending word shows until the next pass says how it went.
    pRow->dwState = operationRow.dwPendingState;
    pRow->pszPendingWord = operationRow.pszPending;
    m_rows.Show(nRow);
    UpdateRunCommands(operationRow.nCommandState);
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
    CBusyScope busy(m_bBusy);
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
    auto applyRow = [&](int nRow) {
        ServiceRow* pRow = m_rows.RowAt(nRow);
        std::string strName = pRow->strName;
        if (applier.ApplyToService(strName, dwStartType) != 0)
            return m_rows.Find(strName) == nRow;
        // The row shows the change at once; the next pass confirms it.
        pRow->bStartTypeKnown = true;
        pRow->dwStartType = dwStartType;
        m_rows.Show(nRow);
        return true;
    };
    if (request.mode == kApplySelectedRow)
    {
        int nRow = m_nSelected;
        if (nRow == -1 || !applyRow(nRow))
            return;
        const ServiceRow* pRow = m_rows.RowAt(nRow);
        std::string strState = pRow->StateText();
        if (strState == ServiceTexts::kRunning)
            return;
        if (strState.empty() && dwStartType != SERVICE_DISABLED)
            UpdateRunCommands(kCommandsStartable);
        else if (strState == ServiceTexts::kPaused)
            UpdateRunCommands(kCommandsPaused);
        else
            UpdateRunCommands(kCommandsNone);
        return;
    }
    const CListCtrl& list = m_rows.Control();
    for (int i = 0; i < m_rows.Count();)
    {
        if (!list.GetCheck(i) && i != m_nSelected)
        {
            ++i;
            continue;
        }
        // A row that went with its service leaves the next one in its place.
        if (!applyRow(i))
            continue;
        list.SetCheck(i, FALSE);
        ++i;
    }
}

ExportOutcome CMainDlg::ExportBackup(HWND hOwner)
{
    COwnerScope owner(m_hBoxOwner, hOwner);
    std::string strPath;
    if (!m_chooseFile(BoxOwner(), true, &strPath))
        return ExportOutcome::Cancelled;
    CBusyScope busy(m_bBusy);
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
        CBusyScope busy(m_bBusy);
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

void CMainDlg::OnConfigureMenu()
{
    ShowPopupUnderButton(IDC_BTN_CONFIGURE, 0);
}

void CMainDlg::OnToolsMenu()
{
    ShowPopupUnderButton(IDC_BTN_TOOLS, 2);
}

void CMainDlg::OnHelpMenu()
{
    ShowPopupUnderButton(IDC_BTN_HELP, 3);
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
