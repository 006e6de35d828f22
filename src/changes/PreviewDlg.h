// The preview of a change before it is made: one list row for each service
// whose start type it would set, the summary, and the notes under the list.
// Modal to its owner. "应用" ends it with IDOK; "取消", Esc, Enter and the
// close box end it with IDCANCEL. "取消" is the default button and has the
// focus at first, so that Enter never applies by accident.
#pragma once

#include "changes/ChangePreview.h"
#include "skin/SkinButton.h"
#include "skin/SkinDialog.h"
#include "ui/Controls.h"

class CPreviewDlg : public CSkinDialog
{
public:
    // The content is copied: the window may outlive the caller's copy.
    CPreviewDlg(CWnd* pOwner, const PreviewContent& content);
    ~CPreviewDlg() override;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    // No control of the window is IDOK: only "应用" applies.
    void OnOK() override {}
    const MessageMapEntry* GetMessageMap() const override;

    void OnApplyButton();
    void OnCancelButton();

private:
    void PlaceCloseBox();
    void ShowNotes();
    void FillList();
    void SizeColumns();

    PreviewContent m_content;
    CSkinButton m_btnApply;
    CSkinButton m_btnCancel;
    CSkinButton m_btnClose;
    CListCtrl m_listRows;
};
