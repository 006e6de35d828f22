// A dialog with the painted frame: rounded outline, blue title strip with
// icon and white title, flat light-blue client, dark-blue static texts,
// and optionally dragging by the title strip.
#pragma once

#include "ui/Controls.h"
#include "ui/Dialog.h"

#include <string>

class CSkinButton;

class CSkinDialog : public CDialog
{
public:
    static constexpr COLORREF kStaticText = RGB(30, 62, 147);
    static constexpr COLORREF kStaticBack = RGB(93, 183, 255);
    static constexpr COLORREF kTitleText = RGB(255, 255, 255);

    enum class Title
    {
        None,       // no icon and no title (the please-wait window)
        WindowText, // the window's own text
        Fixed,      // the text given
    };

    CSkinDialog(UINT nTemplateId, CWnd* pParent, Title title, const char* pszTitle, bool bDraggable);
    ~CSkinDialog() override;

protected:
    BOOL OnInitDialog() override;
    bool PreDispatch(UINT uMsg, WPARAM wParam, LPARAM lParam, INT_PTR* pnResult) override;

    // The bitmap set every dialog push button uses.
    static void SetDialogButtonBitmaps(CSkinButton& button);
    void DDX_Control(int nId, CWnd& control) const { CDialog::DDX_Control(nId, control); }
    void DDX_Control(int nId, CSkinButton& button) const;

    CBitmap m_bmpFrame;
    HICON m_hIcon = nullptr;

private:
    void Paint();

    Title m_title;
    std::string m_strTitle;
    bool m_bDraggable;
    // Made once for the window's life.
    CBrush m_brushStatic;
    CFont m_fontTitle;
    // The size the window's rounded region was made for.
    SIZE m_sizeRegion = {0, 0};
};
