// The programs the shell starts at log-on, from the per-user and the
// per-machine Run keys; ticked ones are deleted from the registry.
#pragma once

#include "ui/Controls.h"
#include "skin/SkinButton.h"
#include "skin/SkinDialog.h"

#include <string>

class CStartupItemsDlg : public CSkinDialog
{
public:
    explicit CStartupItemsDlg(CWnd* pParent = nullptr);
    ~CStartupItemsDlg() override;

    const CListCtrl& ItemList() const { return m_listItems; }

    void AddRunKeyValues(HKEY hRoot, const std::string& strSubkey);
    // False when the value is still there: the key could not be opened or
    // the deletion failed (both said with "Error!").
    bool DeleteRunValue(const std::string& strLocation, const std::string& strName);

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    const MessageMapEntry* GetMessageMap() const override;

    INT_PTR OnClickList(WPARAM wParam, LPARAM lParam);
    INT_PTR OnExitButton(WPARAM wParam, LPARAM lParam);
    INT_PTR OnDeleteChecked(WPARAM wParam, LPARAM lParam);
    INT_PTR OnDblClickList(WPARAM wParam, LPARAM lParam);

private:
    void AddRow(const std::string& strName, const std::string& strCommand, const std::string& strLocation);

    CSkinButton m_btnExit;
    CSkinButton m_btnDelete;
    CImageList m_imageList;
    CListCtrl m_listItems;
    int m_nItem = 0;
};
