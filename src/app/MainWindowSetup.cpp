#include "app/MainWindowSetup.h"

#include "app/MainLayout.h"
#include "res/resource.h"
#include "ui/WinApp.h"

void PlaceMainWindowControls(const CWnd& window, const CListCtrl& list)
{
    HWND hWnd = window.GetSafeHwnd();
    HDC hDC = GetDC(hWnd);
    int nScreenWidth = GetDeviceCaps(hDC, HORZRES);
    ReleaseDC(hWnd, hDC);
    bool bCompact = MainLayout::IsCompact(nScreenWidth);

    for (const MainLayout::Placement& placement : MainLayout::PlacementsFor(bCompact))
    {
        if (placement.nId == MainLayout::kWindowId)
        {
            window.MoveWindow(placement.x, placement.y, placement.cx, placement.cy);
            continue;
        }
        CWnd control(window.GetDlgItem(placement.nId));
        if (placement.bHidden)
        {
            control.ShowWindow(SW_HIDE);
            continue;
        }
        if (placement.bWidthOnly)
        {
            RECT rect;
            GetWindowRect(control.GetSafeHwnd(), &rect);
            MapWindowPoints(nullptr, hWnd, reinterpret_cast<POINT*>(&rect), 2);
            control.MoveWindow(rect.left, rect.top, placement.cx, rect.bottom - rect.top);
            continue;
        }
        control.MoveWindow(placement.x, placement.y, placement.cx, placement.cy);
    }
    list.SetColumnWidth(1, MainLayout::ServiceNameColumnWidth(bCompact));
    RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void DressMainButtons(CSkinButton* pButtons)
{
    for (int i = 0; i < MainLayout::kButtonCount; ++i)
    {
        const MainLayout::ButtonArt& art = MainLayout::kButtonArt[i];
        pButtons[i].SetBitmaps(art.nNormal, art.nHover, art.nPressed, art.nFocus, art.nDisabled,
                               art.bStretch ? TRUE : FALSE, 0, art.bShift ? TRUE : FALSE);
    }
}

void LoadListIcons(CImageList& images)
{
    images.Create(16, 16, ILC_COLOR32 | ILC_MASK, 2, 2);
    for (int nIconId : {IDI_AUTO, IDI_MANUAL, IDI_DISABLED, IDI_ROOT, IDI_FOLDER})
    {
        HICON hIcon = static_cast<HICON>(
            LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(nIconId), IMAGE_ICON, 16, 16, 0));
        images.Add(hIcon);
        DestroyIcon(hIcon);
    }
}

void AddMainToolTips(CToolTipCtrl& toolTip, const CWnd& window)
{
    toolTip.Create(const_cast<CWnd*>(&window));
    toolTip.Activate(TRUE);
    const struct
    {
        int nId;
        const char* pszText;
    } tips[] = {
        {IDC_BTN_IMPORT, "导入服务配置"}, {IDC_BTN_EXPORT, "导出服务配置"}, {IDC_BTN_START, "启动服务"},
        {IDC_BTN_PAUSE, "暂停服务"},      {IDC_BTN_STOP, "停止服务"},
    };
    for (const auto& tip : tips)
        toolTip.AddTool(window.GetSafeHwnd(), window.GetDlgItem(tip.nId), tip.pszText);
}
