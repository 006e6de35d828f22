// The main window: the service list with its category tree, the details
// pane and the toolbar and menu-bar buttons.
#pragma once

#include "services/ServiceControl.h"
#include "ui/Controls.h"
#include "ui/Dialog.h"

#include <string>
#include <vector>

class CMainDlg : public CDialog
{
public:
    explicit CMainDlg(CWnd* pParent = nullptr);
    ~CMainDlg() override;

    static constexpr UINT_PTR kStatusTimer = 1;
    static constexpr UINT kStatusTimerPeriodMs = 500;

    // Shows the message for a failed service operation; fatal codes stop the
    // status timer first and end the program after the message.
    void ReportServiceError(DWORD dwError);
    void FillServiceList(const std::string& strFilter);
    void ShowServiceDetails();
    void UpdateRunCommands(int nCommandState);
    void ApplyLayout();

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

private:
    struct Dependency
    {
        std::string strName;
        std::string strShown;
    };

    void BuildCategoryTree();
    void ResetDetails();
    std::string DisplayNameOf(const std::string& strName);
    void ShowDependencies(const std::vector<std::string>& dependencies, const std::vector<std::string>& dependents);
    std::vector<std::string> QueryDependents();

    int m_nApplyValue;
    int m_nApplyMode;
    CServiceControl m_service;
    std::string m_strConfigPath;
    CListCtrl m_listServices;
    CButton m_btnMenuStrip;
    CButton m_btnToolStrip;
    CButton m_btnStop;
    CButton m_btnPause;
    CButton m_btnStart;
    CButton m_btnImport;
    CButton m_btnExport;
    CButton m_btnDisabled;
    CButton m_btnManual;
    CButton m_btnAuto;
    CButton m_btnAbout;
    CButton m_btnMinimize;
    CButton m_btnClose;
    CButton m_btnHelp;
    CButton m_btnWizard;
    CButton m_btnConfigure;
    CButton m_btnTools;
    CTreeCtrl m_treeDepends;
    CTreeCtrl m_treeCategory;
    CToolTipCtrl m_toolTip;
    CMenu m_menu;
    CBitmap m_bmpFrame;
    CImageList m_imageList;
    HICON m_hIcon;
    int m_nSelected;
};
