#include "app/MainDlg.h"

#include "app/DetailsText.h"
#include "app/MainLayout.h"
#include "app/ServiceListRules.h"
#include "common/AsciiText.h"
#include "common/FileHandle.h"
#include "config/ServiceConfigFile.h"
#include "knowledge/QuickConfigDlg.h"
#include "knowledge/WizardDlg.h"
#include "common/AppTexts.h"
#include "knowledge/ServiceAdvice.h"
#include "knowledge/ServiceKnowledgeBase.h"
#include "res/resource.h"
#include "services/CommandState.h"
#include "services/ProgressDlg.h"
#include "skin/AboutDlg.h"
#include "skin/SkinRules.h"
#include "services/ServiceEnumeration.h"
#include "services/ServiceErrors.h"
#include "services/ServiceRegistry.h"
#include "services/ServiceTexts.h"
#include "startup/StartupItemsDlg.h"
#include "ui/WinApp.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

#include <commdlg.h>
#include <windowsx.h>

namespace
{
constexpr int kImageAuto = 0;
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

// A configuration file is a few kilobytes; anything far larger is not one.
constexpr DWORD kMaxConfigFileBytes = 16 * 1024 * 1024;

// Start-type values of the toolbar and context-menu requests.
constexpr int kValueAuto = 2;
constexpr int kValueManual = 3;
constexpr int kValueDisabled = 4;

const char* StartTypeWordOf(int nValue)
{
    if (nValue == kValueAuto)
        return ServiceTexts::kAuto;
    if (nValue == kValueManual)
        return ServiceTexts::kManual;
    return ServiceTexts::kDisabled;
}

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

struct ServiceRow
{
    std::string strDisplayName;
    std::string strServiceName;
    std::string strState;
    std::string strStartType;
    int nImage;
};

int CALLBACK CompareRowsByDisplayName(LPARAM lLeft, LPARAM lRight, LPARAM lList)
{
    CListCtrl list;
    list.Attach(reinterpret_cast<HWND>(lList));
    return ServiceListRules::CompareDisplayNames(list.GetItemText(static_cast<int>(lLeft), 0),
                                                 list.GetItemText(static_cast<int>(lRight), 0));
}
} // namespace

CMainDlg::CMainDlg(CWnd* pParent, const char* pszServiceDatabase)
    : CSkinDialog(IDD_MAIN, pParent, Title::WindowText, nullptr, true), m_service(pszServiceDatabase),
      m_nSelected(-1)
{
    m_menu.LoadMenu(IDR_MAIN_MENU);
    for (UINT nId : {ID_START_SERVICE, ID_PAUSE_SERVICE, ID_STOP_SERVICE})
        m_menu.EnableMenuItem(nId, MF_BYCOMMAND | MF_GRAYED | MF_DISABLED);
    // Set by the command that starts an application; read only after it.
    m_nApplyValue = 0;
    m_nApplyMode = 0;
}

CMainDlg::~CMainDlg() = default;

const MessageMapEntry* CMainDlg::GetMessageMap() const
{
    static const MessageMapEntry s_map[] = {
        QM_ON_MESSAGE(WM_SYSCOMMAND, CMainDlg, OnSysCommand),
        QM_ON_MESSAGE(WM_QUERYDRAGICON, CMainDlg, OnQueryDragIcon),
        QM_ON_NOTIFY(NM_CLICK, IDC_SERVICE_LIST, CMainDlg, OnClickServiceList),
        QM_ON_NOTIFY(NM_CLICK, IDC_CATEGORY_TREE, CMainDlg, OnClickCategoryTree),
        QM_ON_NOTIFY(LVN_COLUMNCLICK, IDC_SERVICE_LIST, CMainDlg, OnColumnClickList),
        QM_ON_MESSAGE(WM_TIMER, CMainDlg, OnTimer),
        QM_ON_NOTIFY(TVN_KEYDOWN, IDC_CATEGORY_TREE, CMainDlg, OnKeyDownCategoryTree),
        QM_ON_COMMAND(IDC_BTN_CLOSE, CMainDlg, OnCloseButton),
        QM_ON_COMMAND(IDC_BTN_MINIMIZE, CMainDlg, OnMinimizeButton),
        QM_ON_COMMAND(IDC_BTN_CONFIGURE, CMainDlg, OnConfigureMenu),
        QM_ON_COMMAND(IDC_BTN_WIZARD, CMainDlg, OnWizard),
        QM_ON_COMMAND(IDC_BTN_TOOLS, CMainDlg, OnToolsMenu),
        QM_ON_COMMAND(IDC_BTN_HELP, CMainDlg, OnHelpMenu),
        QM_ON_COMMAND(IDC_BTN_ABOUT, CMainDlg, OnAbout),
        QM_ON_COMMAND(IDC_BTN_AUTO, CMainDlg, OnStartTypeCommand),
        QM_ON_COMMAND(IDC_BTN_MANUAL, CMainDlg, OnStartTypeCommand),
        QM_ON_COMMAND(IDC_BTN_DISABLED, CMainDlg, OnStartTypeCommand),
        QM_ON_COMMAND(ID_ABOUT, CMainDlg, OnAbout),
        QM_ON_COMMAND(ID_MENU_AUTO, CMainDlg, OnStartTypeCommand),
        QM_ON_COMMAND(ID_STARTUP_ITEMS, CMainDlg, OnStartupItems),
        QM_ON_COMMAND(ID_MENU_MANUAL, CMainDlg, OnStartTypeCommand),
        QM_ON_COMMAND(ID_MENU_DISABLED, CMainDlg, OnStartTypeCommand),
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
        QM_ON_MESSAGE(WM_LBUTTONDBLCLK, CMainDlg, OnLButtonDblClk),
        QM_ON_NOTIFY(LVN_KEYDOWN, IDC_SERVICE_LIST, CMainDlg, OnKeyDownServiceList),
        QM_ON_NOTIFY(LVN_ITEMCHANGED, IDC_SERVICE_LIST, CMainDlg, OnItemChangedServiceList),
        QM_ON_MESSAGE(kSyncSelectionMessage, CMainDlg, OnSyncSelection),
        QM_ON_NOTIFY(NM_RCLICK, IDC_SERVICE_LIST, CMainDlg, OnRClickServiceList),
        QM_ON_NOTIFY(NM_DBLCLK, IDC_SERVICE_LIST, CMainDlg, OnDblClickServiceList),
        QM_END_MESSAGE_MAP,
    };
    return s_map;
}

void CMainDlg::DoDataExchange()
{
    DDX_Control(IDC_SERVICE_LIST, m_listServices);
    const struct
    {
        int nId;
        CSkinButton* pButton;
    } buttons[] = {
        {IDC_MENU_STRIP, &m_btnMenuStrip}, {IDC_TOOL_STRIP, &m_btnToolStrip}, {IDC_BTN_STOP, &m_btnStop},
        {IDC_BTN_PAUSE, &m_btnPause},      {IDC_BTN_START, &m_btnStart},      {IDC_BTN_IMPORT, &m_btnImport},
        {IDC_BTN_EXPORT, &m_btnExport},    {IDC_BTN_DISABLED, &m_btnDisabled}, {IDC_BTN_MANUAL, &m_btnManual},
        {IDC_BTN_AUTO, &m_btnAuto},        {IDC_BTN_ABOUT, &m_btnAbout},      {IDC_BTN_MINIMIZE, &m_btnMinimize},
        {IDC_BTN_CLOSE, &m_btnClose},      {IDC_BTN_HELP, &m_btnHelp},        {IDC_BTN_WIZARD, &m_btnWizard},
        {IDC_BTN_CONFIGURE, &m_btnConfigure}, {IDC_BTN_TOOLS, &m_btnTools},
    };
    for (const auto& button : buttons)
        DDX_Control(button.nId, *button.pButton);
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
    ConfigureButtons();

    m_imageList.Create(16, 16, ILC_COLOR32 | ILC_MASK, 2, 2);
    // One highlighted row, the one every command acts on; ticks mark more.
    m_listServices.ModifyStyle(0, LVS_SHOWSELALWAYS | LVS_SINGLESEL);
    m_listServices.SetImageList(m_imageList.GetSafeHandle(), LVSIL_SMALL);
    for (int nIconId : {IDI_AUTO, IDI_MANUAL, IDI_DISABLED, IDI_ROOT, IDI_FOLDER})
    {
        HICON hIcon = static_cast<HICON>(
            LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(nIconId), IMAGE_ICON, 16, 16, 0));
        m_imageList.Add(hIcon);
        DestroyIcon(hIcon);
    }

    m_listServices.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    m_listServices.InsertColumn(0, "服务显示名称", LVCFMT_LEFT, 250);
    m_listServices.InsertColumn(1, "服务名", LVCFMT_LEFT, 150);
    m_listServices.InsertColumn(2, "状态", LVCFMT_LEFT, 60);
    m_listServices.InsertColumn(3, "启动类型", LVCFMT_LEFT, 65);

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
    m_listServices.SetColumnWidth(1, MainLayout::ServiceNameColumnWidth(bCompact));
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
    std::vector<EnumeratedService> services;
    if (DWORD dwError = EnumerateWin32Services(m_service.ManagerHandle(), &services, m_enumServices))
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
    m_listServices.DeleteAllItems();
    CServicesKey servicesKey;
    std::vector<ServiceRow> rows;
    for (const EnumeratedService& service : services)
    {
        ServiceRow row;
        row.strDisplayName = service.strDisplayName;
        row.strServiceName = service.strName;
        row.strState = ServiceTexts::RunStateText(service.status.dwCurrentState);
        // The manager's own store answers at once; ask the manager itself
        // only for a service whose key cannot be read.
        DWORD dwStartType = 0;
        if (servicesKey.ReadStartType(row.strServiceName, &dwStartType))
        {
            row.strStartType = ServiceTexts::StartTypeText(dwStartType);
            row.nImage = ServiceTexts::StartTypeIndex(dwStartType);
        }
        else
        {
            row.strStartType = ServiceTexts::kUnknownStartType;
            row.nImage = ServiceTexts::StartTypeIndex(ServiceTexts::kStartBoot);
            DWORD dwError = m_service.Open(row.strServiceName, CServiceControl::kAccessRead);
            if (dwError == 0)
                dwError = m_service.QueryConfig(&row.strStartType, nullptr, nullptr, nullptr, &row.nImage);
            m_service.Close();
            // Removed since it was listed: it gets no row.
            if (dwError == ERROR_SERVICE_DOES_NOT_EXIST)
                continue;
            if (dwError != 0)
                ReportServiceFailure(dwError);
        }
        if (ServiceListRules::PassesFilter(strFilter, row.strState, row.strStartType))
            rows.push_back(row);
    }

    std::stable_sort(rows.begin(), rows.end(), [](const ServiceRow& left, const ServiceRow& right) {
        return ServiceListRules::CompareDisplayNames(left.strDisplayName, right.strDisplayName) < 0;
    });
    ::SendMessageA(m_listServices.GetSafeHwnd(), WM_SETREDRAW, FALSE, 0);
    for (std::size_t i = 0; i < rows.size(); ++i)
    {
        int nRow = m_listServices.InsertItem(static_cast<int>(i), rows[i].strDisplayName, rows[i].nImage);
        m_listServices.SetItemText(nRow, 1, rows[i].strServiceName);
        m_listServices.SetItemText(nRow, 2, rows[i].strState);
        m_listServices.SetItemText(nRow, 3, rows[i].strStartType);
    }
    ::SendMessageA(m_listServices.GetSafeHwnd(), WM_SETREDRAW, TRUE, 0);
    SetDlgItemText(IDC_SUMMARY, ServiceListRules::SummaryText(m_listServices.GetItemCount(), strFilter));
}

void CMainDlg::UpdateRunCommands(int nCommandState)
{
    RunCommandEnabling enabling = {};
    if (!EnablingFor(nCommandState, &enabling))
        return;
    const struct
    {
        CSkinButton* pButton;
        UINT nMenuId;
        bool bEnable;
    } commands[] = {
        {&m_btnStart, ID_START_SERVICE, enabling.bStart},
        {&m_btnPause, ID_PAUSE_SERVICE, enabling.bPause},
        {&m_btnStop, ID_STOP_SERVICE, enabling.bStop},
    };
    for (const auto& command : commands)
    {
        command.pButton->EnableWindow(command.bEnable ? TRUE : FALSE);
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

std::string CMainDlg::DisplayNameOf(const std::string& strName)
{
    std::string strDisplay;
    if (m_service.Open(strName, CServiceControl::kAccessRead) == 0 &&
        m_service.QueryConfig(nullptr, nullptr, nullptr, &strDisplay, nullptr) == 0 && !strDisplay.empty())
    {
        m_service.Close();
        return strDisplay;
    }
    m_service.Close();
    return strName;
}

std::vector<std::string> CMainDlg::QueryDependents()
{
    std::vector<std::string> names;
    if (DWORD dwError = EnumerateDependentServices(m_service.ServiceHandle(), &names))
        ReportServiceFailure(dwError);
    return names;
}

void CMainDlg::ShowServiceDetails()
{
    CBusyScope busy(m_bBusy);
    SetDlgItemText(IDC_STATUS_LINE, "");
    std::string strName = m_listServices.GetItemText(m_nSelected, 1);
    std::string strState = m_listServices.GetItemText(m_nSelected, 2);
    std::string strStartType = m_listServices.GetItemText(m_nSelected, 3);

    std::string strDescription, strPath;
    std::vector<std::string> dependencies, dependents;
    DWORD dwError = m_service.Open(strName, CServiceControl::kAccessDetails);
    bool bOpen = dwError == 0;
    if (dwError == ERROR_SERVICE_DOES_NOT_EXIST)
    {
        // Gone behind the list: there is nothing left to show.
        ReportRowFailure(m_nSelected, dwError);
        return;
    }
    if (!bOpen)
        ReportServiceFailure(dwError);

    DWORD dwAccepted = 0;
    if (bOpen && (dwError = m_service.QueryStatus(nullptr, &dwAccepted)) != 0)
        ReportServiceFailure(dwError);
    UpdateRunCommands(CommandStateFor(strState, dwAccepted, strStartType));
    if (bOpen && (dwError = m_service.QueryDescription(&strDescription)) != 0)
        ReportServiceFailure(dwError);

    std::string strAdvice;
    if (std::optional<int> nEntry = ServiceKnowledgeBase::FindByServiceName(strName))
    {
        ServiceAdvice advice(ServiceKnowledgeBase::Entry(*nEntry));
        m_menu.EnableMenuItem(ID_DELETE_SERVICE,
                              MF_BYCOMMAND | (advice.IsProtected() ? (MF_GRAYED | MF_DISABLED) : MF_ENABLED));
        strAdvice = advice.AdviceText();
    }
    SetDlgItemText(IDC_SUMMARY, DetailsText::Description(strDescription, strAdvice));

    if (bOpen)
    {
        if ((dwError = m_service.QueryConfig(nullptr, &strPath, nullptr, nullptr, nullptr)) != 0)
            ReportServiceFailure(dwError);
        else
            SetDlgItemText(IDC_STATUS_LINE, DetailsText::StatusLine(strPath));
        m_service.QueryDependencies(&dependencies);
        dependents = QueryDependents();
    }
    m_service.Close();

    // Wine answers both dependency queries empty although the registry
    // holds the lists; on Windows the two agree.
    CServicesKey servicesKey;
    if (dependencies.empty())
        dependencies = servicesKey.ReadDependencies(strName);
    if (dependents.empty())
        dependents = servicesKey.ReadDependents(strName);
    ShowDependencies(dependencies, dependents);
}

void CMainDlg::ShowDependencies(const std::vector<std::string>& dependencies,
                                const std::vector<std::string>& dependents)
{
    m_treeDepends.DeleteAllItems();
    HTREEITEM hDependsOn = m_treeDepends.InsertItem(DetailsText::kDependsOnGroup, kImageFolder, kImageRoot);
    for (const std::string& strName : dependencies)
    {
        if (DetailsText::IsShownDependency(strName))
            m_treeDepends.InsertItem(DisplayNameOf(strName), kImageFolder, kImageRoot, hDependsOn);
    }
    HTREEITEM hDependents = m_treeDepends.InsertItem(DetailsText::kDependentsGroup, kImageFolder, kImageRoot);
    for (const std::string& strName : dependents)
        m_treeDepends.InsertItem(DisplayNameOf(strName), kImageFolder, kImageRoot, hDependents);
    m_treeDepends.Expand(hDependsOn, TVE_EXPAND);
    m_treeDepends.Expand(hDependents, TVE_EXPAND);
}

int CMainDlg::HighlightedRow() const
{
    int nFocused = m_listServices.GetNextItem(-1, LVNI_FOCUSED);
    if (nFocused != -1 &&
        (m_listServices.SendMessage(LVM_GETITEMSTATE, nFocused, LVIS_SELECTED) & LVIS_SELECTED) != 0)
        return nFocused;
    return m_listServices.GetNextItem(-1, LVNI_SELECTED);
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
    int nNext = m_listServices.GetNextItem(m_nSelected, pKey->wVKey == VK_DOWN ? LVNI_BELOW : LVNI_ABOVE);
    // Wine's list answers one past the last row for "below" at the end.
    if (nNext >= 0 && nNext < m_listServices.GetItemCount())
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
    m_listServices.SortItems(CompareRowsByDisplayName, reinterpret_cast<LPARAM>(m_listServices.GetSafeHwnd()));
    return 0;
}

INT_PTR CMainDlg::OnTimer(WPARAM, LPARAM)
{
    RefreshServiceStates();
    return TRUE;
}

void CMainDlg::RemoveRow(int nRow)
{
    m_listServices.DeleteItem(nRow);
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

    for (int i = 0; i < m_listServices.GetItemCount();)
    {
        const CServicePoller::Status* pStatus = m_poller.Find(m_listServices.GetItemText(i, 1));
        if (pStatus == nullptr)
        {
            // Deleted behind the program's back.
            RemoveRow(i);
            continue;
        }
        std::string strState = ServiceTexts::RunStateText(pStatus->dwState);
        std::string strStartType = m_listServices.GetItemText(i, 3);
        int nImage = m_listServices.GetItemImage(i);
        if (pStatus->bStartTypeKnown)
        {
            strStartType = ServiceTexts::StartTypeText(pStatus->dwStartType);
            nImage = ServiceTexts::StartTypeIndex(pStatus->dwStartType);
        }
        if (strState != m_listServices.GetItemText(i, 2) || strStartType != m_listServices.GetItemText(i, 3))
        {
            m_listServices.SetItemImage(i, nImage);
            m_listServices.SetItemText(i, 2, strState);
            m_listServices.SetItemText(i, 3, strStartType);
        }
        ++i;
    }

    if (m_nSelected != -1)
    {
        const CServicePoller::Status* pStatus = m_poller.Find(m_listServices.GetItemText(m_nSelected, 1));
        DWORD dwAccepted = pStatus != nullptr ? pStatus->dwAccepted : 0;
        UpdateRunCommands(CommandStateFor(m_listServices.GetItemText(m_nSelected, 2), dwAccepted,
                                          m_listServices.GetItemText(m_nSelected, 3)));
    }
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
        int nCommandState;
    };
    static const OperationRow kOperations[] = {
        {CServiceControl::kAccessStart, 0, ServiceTexts::kStartPending, kCommandsStopOnly},
        {CServiceControl::kAccessStop, SERVICE_CONTROL_STOP, ServiceTexts::kStopPending, kCommandsStartable},
        {CServiceControl::kAccessPauseContinue, SERVICE_CONTROL_PAUSE, ServiceTexts::kPausing, kCommandsPaused},
        {CServiceControl::kAccessPauseContinue, SERVICE_CONTROL_CONTINUE, ServiceTexts::kContinuing,
         kCommandsPauseAndStop},
    };
    const OperationRow& row = kOperations[operation - kRunStart];
    int nRow = m_nSelected;
    DWORD dwError = m_service.Open(m_listServices.GetItemText(nRow, 1), row.dwAccess);
    if (dwError == 0)
    {
        SERVICE_STATUS status = {};
        dwError = row.dwControl == 0 ? m_service.Start() : m_service.Control(row.dwControl, &status);
        m_service.Close();
    }
    if (dwError != 0)
    {
        ReportRowFailure(nRow, dwError);
        return;
    }
    m_listServices.SetItemText(nRow, 2, row.pszPending);
    UpdateRunCommands(row.nCommandState);
}

void CMainDlg::OnStartService()
{
    // Start continues a paused service; pause only pauses.
    bool bPaused = m_nSelected != -1 && m_listServices.GetItemText(m_nSelected, 2) == ServiceTexts::kPaused;
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

void CMainDlg::SetStartTypeOfSelection(ApplyMode mode, int nValue)
{
    if (!HasSelection())
        return;
    if (mode == kApplyMarkedRows)
    {
        ApplyBehindProgress(mode, nValue, m_hWnd);
        return;
    }
    m_nApplyMode = mode;
    m_nApplyValue = nValue;
    ApplyStartTypes();
}

void CMainDlg::OnStartTypeCommand(UINT nId)
{
    // The toolbar works on the ticked rows and the remembered one; the
    // context menu on the remembered row alone.
    static const struct
    {
        UINT nId;
        ApplyMode mode;
        int nValue;
    } kCommands[] = {
        {IDC_BTN_AUTO, kApplyMarkedRows, kValueAuto},     {IDC_BTN_MANUAL, kApplyMarkedRows, kValueManual},
        {IDC_BTN_DISABLED, kApplyMarkedRows, kValueDisabled}, {ID_MENU_AUTO, kApplySelectedRow, kValueAuto},
        {ID_MENU_MANUAL, kApplySelectedRow, kValueManual}, {ID_MENU_DISABLED, kApplySelectedRow, kValueDisabled},
    };
    for (const auto& command : kCommands)
    {
        if (command.nId == nId)
            SetStartTypeOfSelection(command.mode, command.nValue);
    }
}

void CMainDlg::ApplyBehindProgress(int nMode, int nValue, HWND hOwner, const std::string& strConfigPath)
{
    // One application at a time, whatever window asks.
    if (m_bApplying)
        return;
    m_bApplying = true;
    m_nApplyMode = nMode;
    m_nApplyValue = nValue;
    m_strConfigPath = strConfigPath;
    CWnd owner(hOwner != nullptr ? hOwner : m_hWnd);
    CProgressDlg progress(&owner, [this](HWND hProgress) {
        // What goes wrong meanwhile is told over the please-wait window.
        COwnerScope scope(m_hBoxOwner, hProgress);
        ApplyStartTypes();
    });
    progress.DoModal();
    m_bConfigTextGiven = false;
    m_strConfigText.clear();
    m_bApplying = false;
}

void CMainDlg::ApplyConfigText(const std::string& strText, HWND hOwner)
{
    if (m_bApplying)
        return;
    m_strConfigText = strText;
    m_bConfigTextGiven = true;
    ApplyBehindProgress(kApplyFile, 0, hOwner);
}

void CMainDlg::ApplyStartTypes()
{
    CBusyScope busy(m_bBusy);
    switch (m_nApplyMode)
    {
    case kApplyMarkedRows:
        ApplyMarkedRows();
        break;
    case kApplySelectedRow:
        ApplySelectedRow();
        break;
    case kApplyProfile:
        ApplyProfile();
        break;
    case kApplyFile:
        ApplyFile();
        break;
    default:
        break;
    }
    // Read every start type again on the next pass rather than wait for the
    // store's notice.
    m_poller.InvalidateStartTypes();
}

bool CMainDlg::ApplyToRow(int nRow, const std::string& strStartType)
{
    DWORD dwError = m_service.Open(m_listServices.GetItemText(nRow, 1), CServiceControl::kAccessChangeConfig);
    if (dwError != 0)
    {
        ReportRowFailure(nRow, dwError);
        return dwError != ERROR_SERVICE_DOES_NOT_EXIST;
    }
    // The row shows the request at once; the next pass shows the outcome.
    m_listServices.SetItemText(nRow, 3, strStartType);
    dwError = m_service.ChangeStartType(strStartType);
    m_service.Close();
    m_listServices.SetItemImage(nRow, m_nApplyValue - kValueAuto);
    if (dwError != 0)
        ReportRowFailure(nRow, dwError);
    return dwError != ERROR_SERVICE_DOES_NOT_EXIST;
}

void CMainDlg::ApplyMarkedRows()
{
    std::string strStartType = StartTypeWordOf(m_nApplyValue);
    for (int i = 0; i < m_listServices.GetItemCount();)
    {
        if (!m_listServices.GetCheck(i) && i != m_nSelected)
        {
            ++i;
            continue;
        }
        if (!ApplyToRow(i, strStartType))
            continue; // the next row moved up into this place
        m_listServices.SetCheck(i, FALSE);
        ++i;
    }
}

void CMainDlg::ApplySelectedRow()
{
    if (m_nSelected == -1)
        return;
    std::string strStartType = StartTypeWordOf(m_nApplyValue);
    if (!ApplyToRow(m_nSelected, strStartType))
        return;
    std::string strState = m_listServices.GetItemText(m_nSelected, 2);
    if (strState == ServiceTexts::kRunning)
        return;
    if (strState.empty() && strStartType != ServiceTexts::kDisabled)
        UpdateRunCommands(kCommandsStartable);
    else if (strState == ServiceTexts::kPaused)
        UpdateRunCommands(kCommandsPaused);
    else
        UpdateRunCommands(kCommandsNone);
}

void CMainDlg::ApplyProfile()
{
    for (int nId = ServiceKnowledgeBase::kFirstEntryId; nId <= ServiceKnowledgeBase::kLastEntryId; ++nId)
    {
        ServiceAdvice advice(ServiceKnowledgeBase::Entry(nId));
        // Services not installed here are skipped without a word.
        if (m_service.Open(advice.ServiceName(), CServiceControl::kAccessChangeConfig) != 0)
            continue;
        DWORD dwError = m_service.ChangeStartType(advice.StartTypeFor(m_nApplyValue));
        m_service.Close();
        if (dwError != 0)
            ReportServiceFailure(dwError);
    }
}

void CMainDlg::ApplyFile()
{
    std::string strData = m_strConfigText;
    if (!m_bConfigTextGiven && !ReadWholeFile(m_strConfigPath, &strData, kMaxConfigFileBytes))
    {
        Notify(kFileError);
        return;
    }
    // A file changes only the Win32 services listed now, as export writes
    // them: a line naming a driver is skipped like an unknown word.
    std::vector<EnumeratedService> services;
    if (DWORD dwError = EnumerateWin32Services(m_service.ManagerHandle(), &services, m_enumServices))
    {
        ReportServiceFailure(dwError);
        return;
    }
    std::unordered_set<std::string> listed;
    for (const EnumeratedService& service : services)
        listed.insert(AsciiLower(service.strName));
    // Later records for a service override earlier ones; failures are silent.
    for (const ServiceConfigFile::Record& record : ServiceConfigFile::ParseRecords(strData))
    {
        if (!ServiceConfigFile::IsApplicable(record) || listed.count(AsciiLower(record.strName)) == 0)
            continue;
        if (m_service.Open(record.strName, CServiceControl::kAccessChangeConfig) != 0)
            continue;
        m_service.ChangeStartType(record.strWord);
        m_service.Close();
    }
}

bool CMainDlg::ChooseConfigFile(HWND hOwner, bool bSave, std::string* pstrPath)
{
    char szPath[MAX_PATH] = "config.svc";
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = hOwner;
    ofn.lpstrFilter = "服务配置文件(*.svc)\0*.svc\0";
    ofn.lpstrFile = szPath;
    ofn.nMaxFile = sizeof(szPath);
    ofn.lpstrDefExt = "svc";
    ofn.Flags = OFN_HIDEREADONLY;
    BOOL bChosen = bSave ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    if (!bChosen)
        return false;
    *pstrPath = szPath;
    return true;
}

CMainDlg::ExportOutcome CMainDlg::ExportConfig(HWND hOwner)
{
    COwnerScope owner(m_hBoxOwner, hOwner);
    std::string strPath;
    if (!m_chooseFile(BoxOwner(), true, &strPath))
        return ExportOutcome::Cancelled;
    CBusyScope busy(m_bBusy);
    // The list first: a failed enumeration leaves an older file as it was.
    std::vector<EnumeratedService> services;
    CFileHandle file;
    if (EnumerateWin32Services(m_service.ManagerHandle(), &services, m_enumServices) != 0 || !file.Create(strPath))
    {
        Notify(kExportFailed);
        return ExportOutcome::Failed;
    }
    // Half a backup is no backup: the file goes again when anything fails.
    auto abandon = [&] {
        file.Close();
        DeleteFileA(strPath.c_str());
        Notify(kExportFailed);
        return ExportOutcome::Failed;
    };
    for (const EnumeratedService& service : services)
    {
        // A service that cannot be read gets no line rather than a wrong one.
        std::string strStartType;
        int nIndex = 0;
        DWORD dwError = m_service.Open(service.strName, CServiceControl::kAccessRead);
        if (dwError == 0)
            dwError = m_service.QueryConfig(&strStartType, nullptr, nullptr, nullptr, &nIndex);
        m_service.Close();
        // One removed since the listing has nothing to save.
        if (dwError == ERROR_SERVICE_DOES_NOT_EXIST)
            continue;
        if (dwError != 0)
        {
            ReportServiceFailure(dwError);
            continue;
        }
        if (!file.Write(ServiceConfigFile::FormatRecord(service.strName, strStartType)))
            return abandon();
    }
    if (!FlushFileBuffers(file.Get()))
        return abandon();
    file.Close();
    Notify(kExportDone);
    return ExportOutcome::Saved;
}

void CMainDlg::OnExportConfig()
{
    ExportConfig(m_hWnd);
}

void CMainDlg::OnImportConfig()
{
    std::string strPath;
    if (m_chooseFile(m_hWnd, false, &strPath))
        ApplyBehindProgress(kApplyFile, 0, m_hWnd, strPath);
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
        std::string strName = m_listServices.GetItemText(m_nSelected, 1);
        if (Notify(kDeleteWarning, MB_YESNO | MB_ICONEXCLAMATION) == IDYES)
            DeleteNamedService(strName);
    }
    SetTimer(kStatusTimer, kStatusTimerPeriodMs);
}

void CMainDlg::DeleteNamedService(const std::string& strName)
{
    int nRow = -1;
    for (int i = 0; i < m_listServices.GetItemCount() && nRow == -1; ++i)
    {
        if (m_listServices.GetItemText(i, 1) == strName)
            nRow = i;
    }
    if (nRow == -1 || strName.empty())
    {
        Notify(kSelectPrompt);
        return;
    }
    DWORD dwError = m_service.Open(strName, CServiceControl::kAccessDelete);
    if (dwError == 0)
    {
        dwError = m_service.StopAndDelete();
        m_service.Close();
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
    if (m_nSelected != -1)
    {
        m_listServices.SetCheck(m_nSelected, !m_listServices.GetCheck(m_nSelected));
        return 0;
    }
    for (int i = 0; i < m_listServices.GetItemCount(); ++i)
        m_listServices.SetCheck(i, FALSE);
    return 0;
}

INT_PTR CMainDlg::OnSysCommand(WPARAM wParam, LPARAM lParam)
{
    if ((wParam & 0xFFF0) == kAboutSystemCommand)
    {
        OnAbout();
        return TRUE;
    }
    return FALSE;
}

void CMainDlg::OnAbout()
{
    CAboutDlg about(this);
    about.DoModal();
}

void CMainDlg::ConfigureButtons()
{
    const COLORREF crOpaque = 0;
    const struct
    {
        CSkinButton* pButton;
        UINT nNormal, nHover, nPressed, nFocus, nDisabled;
        BOOL bStretch;
        BOOL bShift;
    } buttons[] = {
        {&m_btnClose, IDB_CLOSE_NORMAL, IDB_CLOSE_HOVER, IDB_CLOSE_PRESSED, IDB_CLOSE_NORMAL, 0, FALSE, TRUE},
        {&m_btnMinimize, IDB_MINIMIZE_NORMAL, IDB_MINIMIZE_HOVER, IDB_MINIMIZE_PRESSED, IDB_MINIMIZE_NORMAL, 0, FALSE,
         TRUE},
        {&m_btnAbout, IDB_ABOUT_NORMAL, IDB_ABOUT_HOVER, IDB_ABOUT_PRESSED, IDB_ABOUT_NORMAL, 0, FALSE, TRUE},
        {&m_btnExport, IDB_EXPORT_NORMAL, IDB_EXPORT_HOVER, IDB_EXPORT_NORMAL, IDB_EXPORT_NORMAL, 0, TRUE, TRUE},
        {&m_btnImport, IDB_IMPORT_NORMAL, IDB_IMPORT_HOVER, IDB_IMPORT_NORMAL, IDB_IMPORT_NORMAL, 0, TRUE, TRUE},
        {&m_btnAuto, IDB_TOOL_NORMAL, IDB_TOOL_HOVER, IDB_TOOL_PRESSED, IDB_TOOL_NORMAL, 0, TRUE, TRUE},
        {&m_btnManual, IDB_TOOL_NORMAL, IDB_TOOL_HOVER, IDB_TOOL_PRESSED, IDB_TOOL_NORMAL, 0, TRUE, TRUE},
        {&m_btnDisabled, IDB_TOOL_NORMAL, IDB_TOOL_HOVER, IDB_TOOL_PRESSED, IDB_TOOL_NORMAL, 0, TRUE, TRUE},
        {&m_btnToolStrip, 0, 0, 0, 0, IDB_TOOL_NORMAL, TRUE, TRUE},
        {&m_btnStart, IDB_START_NORMAL, IDB_START_HOVER, IDB_START_NORMAL, IDB_START_NORMAL, IDB_START_DISABLED, TRUE,
         FALSE},
        {&m_btnStop, IDB_STOP_NORMAL, IDB_STOP_HOVER, IDB_STOP_NORMAL, IDB_STOP_NORMAL, IDB_STOP_DISABLED, TRUE, FALSE},
        {&m_btnPause, IDB_PAUSE_NORMAL, IDB_PAUSE_HOVER, IDB_PAUSE_NORMAL, IDB_PAUSE_NORMAL, IDB_PAUSE_DISABLED, TRUE,
         FALSE},
        {&m_btnTools, IDB_MENU_NORMAL, IDB_MENU_HOVER, IDB_MENU_PRESSED, IDB_MENU_NORMAL, 0, TRUE, FALSE},
        {&m_btnConfigure, IDB_MENU_NORMAL, IDB_MENU_HOVER, IDB_MENU_PRESSED, IDB_MENU_NORMAL, 0, TRUE, FALSE},
        {&m_btnWizard, IDB_MENU_NORMAL, IDB_MENU_HOVER, IDB_MENU_PRESSED, IDB_MENU_NORMAL, 0, TRUE, FALSE},
        {&m_btnHelp, IDB_MENU_NORMAL, IDB_MENU_HOVER, IDB_MENU_PRESSED, IDB_MENU_NORMAL, 0, TRUE, FALSE},
        {&m_btnMenuStrip, IDB_MENU_NORMAL, IDB_MENU_HOVER, IDB_MENU_PRESSED, IDB_MENU_NORMAL, IDB_MENU_NORMAL, TRUE,
         FALSE},
    };
    for (const auto& button : buttons)
        button.pButton->SetBitmaps(button.nNormal, button.nHover, button.nPressed, button.nFocus, button.nDisabled,
                                   button.bStretch, crOpaque, button.bShift);
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
