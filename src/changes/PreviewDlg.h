// The preview of a change before it is made: one list row for each service
// whose start type it would set, the summary, and the notes under the list.
// Modal to its owner. "应用" ends it with IDOK; "取消", Esc, Enter and the
// close box end it with IDCANCEL. "取消" is the default button and has the
// focus at first, so that Enter never applies by accident. A content with
// tick boxes shows one in each row; the summary follows them, and
// "应用" is off while none is ticked.
#pragma once

#include "changes/ChangePreview.h"
#include "skin/SkinButton.h"
#include "skin/SkinDialog.h"
#include "ui/Controls.h"

#include <commctrl.h>

#include <vector>

class CPreviewDlg : public CSkinDialog
{
public:
    // The content is copied: the window may outlive the caller's copy.
    CPreviewDlg(CWnd* pOwner, const PreviewContent& content);
    ~CPreviewDlg() override;
    // Each row's tick as the user left it (every row's true without boxes).
    const std::vector<bool>& Ticked() const { return m_ticked; }

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    // No control of the window is IDOK: only "应用" applies.
    void OnOK() override {}
    const MessageMapEntry* GetMessageMap() const override;

    void OnApplyButton();
    void OnCancelButton();
    INT_PTR OnRowChanged(const NMLISTVIEW* pChange);

private:
    void PlaceCloseBox();
    void ShowNotes();
    void FillList();
    void SizeColumns();
    void ShowTicks();

    PreviewContent m_content;
    CSkinButton m_btnApply;
    CSkinButton m_btnCancel;
    CSkinButton m_btnClose;
    CListCtrl m_listRows;
    std::vector<bool> m_ticked;
    // The list reports every row it fills as a change: not the user's.
    bool m_bFilling = false;
};
