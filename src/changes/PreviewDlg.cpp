#include "changes/PreviewDlg.h"

#include "changes/PreviewText.h"
#include "common/ScopedValue.h"
#include "res/resource.h"

#include <array>

namespace
{
// Room beside a cell's text and a heading's, in pixels.
constexpr int kCellPadding = 16;
constexpr int kHeadingPadding = 18;
// The close box sits in the title strip as the main window's does.
constexpr int kCloseBoxSize = 16;
constexpr int kCloseBoxRight = 23;
constexpr int kCloseBoxTop = 5;
} // namespace

CPreviewDlg::CPreviewDlg(CWnd* pOwner, const PreviewContent& content)
    : CSkinDialog(IDD_PREVIEW, pOwner, Title::Fixed, content.strTitle.c_str(), true), m_content(content),
      m_ticked(PreviewText::DefaultTicks(content))
{
}

CPreviewDlg::~CPreviewDlg() = default;

const MessageMapEntry* CPreviewDlg::GetMessageMap() const
{
    static const MessageMapEntry s_map[] = {
        QM_ON_COMMAND(IDC_BTN_PREVIEW_APPLY, CPreviewDlg, OnApplyButton),
        QM_ON_COMMAND(IDC_BTN_PREVIEW_CANCEL, CPreviewDlg, OnCancelButton),
        QM_ON_NOTIFY(LVN_ITEMCHANGED, IDC_PREVIEW_LIST, CPreviewDlg, OnRowChanged),
        QM_END_MESSAGE_MAP,
    };
    return s_map;
}

void CPreviewDlg::DoDataExchange()
{
    DDX_Control(IDC_BTN_PREVIEW_APPLY, m_btnApply);
    DDX_Control(IDC_BTN_PREVIEW_CANCEL, m_btnCancel);
    DDX_Control(IDCANCEL, m_btnClose);
    DDX_Control(IDC_PREVIEW_LIST, m_listRows);
}

BOOL CPreviewDlg::OnInitDialog()
{
    CSkinDialog::OnInitDialog();
    SetWindowText(m_content.strTitle);
    SetDialogButtonBitmaps(m_btnApply);
    SetDialogButtonBitmaps(m_btnCancel);
    m_btnClose.SetBitmaps(IDB_CLOSE_NORMAL, IDB_CLOSE_HOVER, IDB_CLOSE_PRESSED, IDB_CLOSE_NORMAL, 0, FALSE, 0, TRUE);
    PlaceCloseBox();

    ShowNotes();
    FillList();
    ShowTicks();

    // The focus starts on the default button, "取消".
    SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(IDC_BTN_PREVIEW_CANCEL)), TRUE);
    return FALSE;
}

void CPreviewDlg::PlaceCloseBox()
{
    RECT client;
    GetClientRect(m_hWnd, &client);
    m_btnClose.MoveWindow(client.right - kCloseBoxRight, kCloseBoxTop, kCloseBoxSize, kCloseBoxSize);
}

void CPreviewDlg::ShowNotes()
{
    CWnd notes(GetDlgItem(IDC_PREVIEW_NOTES));
    notes.SetWindowText(PreviewText::NotesText(m_content));
    // The edit control keeps its scroll bar even with nothing to scroll;
    // it goes when the lines fit. They are counted with the bar there, the
    // narrower case, so that none can wrap past the end once it is gone.
    RECT format;
    notes.SendMessage(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
    HDC hDC = GetDC(notes.GetSafeHwnd());
    HGDIOBJ hOldFont = SelectObject(hDC, reinterpret_cast<HFONT>(notes.SendMessage(WM_GETFONT)));
    TEXTMETRICA metrics = {};
    GetTextMetricsA(hDC, &metrics);
    SelectObject(hDC, hOldFont);
    ReleaseDC(notes.GetSafeHwnd(), hDC);
    int nVisibleLines = metrics.tmHeight > 0 ? (format.bottom - format.top) / metrics.tmHeight : 0;
    if (static_cast<int>(notes.SendMessage(EM_GETLINECOUNT)) <= nVisibleLines)
        ShowScrollBar(notes.GetSafeHwnd(), SB_VERT, FALSE);
}

void CPreviewDlg::ShowTicks()
{
    SetDlgItemText(IDC_PREVIEW_SUMMARY, PreviewText::SummaryFor(m_content, m_ticked));
    m_btnApply.EnableWindow(PreviewText::CanApply(m_content, m_ticked) ? TRUE : FALSE);
}

INT_PTR CPreviewDlg::OnRowChanged(const NMLISTVIEW* pChange)
{
    if (m_bFilling || !m_content.bTickBoxes || (pChange->uChanged & LVIF_STATE) == 0 ||
        ((pChange->uNewState ^ pChange->uOldState) & LVIS_STATEIMAGEMASK) == 0 || pChange->iItem < 0 ||
        static_cast<size_t>(pChange->iItem) >= m_ticked.size())
        return 0;
    m_ticked[pChange->iItem] = m_listRows.GetCheck(pChange->iItem) != FALSE;
    ShowTicks();
    return 0;
}

void CPreviewDlg::FillList()
{
    CScopedValue<bool> filling(m_bFilling, true);
    m_listRows.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP |
                                (m_content.bTickBoxes ? LVS_EX_CHECKBOXES : 0));
    for (int nColumn = 0; nColumn < PreviewText::kColumnCount; ++nColumn)
        m_listRows.InsertColumn(nColumn, PreviewText::HeadingsOf(m_content)[nColumn], LVCFMT_LEFT, 80);
    // Thousands of rows: the list redraws and scrolls once, not per row.
    m_listRows.SendMessage(WM_SETREDRAW, FALSE);
    for (const PreviewRow& row : m_content.rows)
    {
        std::array<std::string, PreviewText::kColumnCount> cells = PreviewText::Cells(row);
        int nRow = m_listRows.InsertItem(m_listRows.GetItemCount(), cells[0], -1);
        if (nRow == -1)
            continue;
        for (int nColumn = 1; nColumn < PreviewText::kColumnCount; ++nColumn)
            m_listRows.SetItemText(nRow, nColumn, cells[nColumn]);
        if (m_content.bTickBoxes)
            m_listRows.SetCheck(nRow, m_ticked[nRow] ? TRUE : FALSE);
    }
    m_listRows.SendMessage(WM_SETREDRAW, TRUE);
    SizeColumns();
}

void CPreviewDlg::SizeColumns()
{
    // Measured as the list measures them, in its font, but on one DC for
    // every cell rather than one per question to the list.
    HWND hList = m_listRows.GetSafeHwnd();
    HDC hDC = GetDC(hList);
    HGDIOBJ hOldFont = SelectObject(hDC, reinterpret_cast<HFONT>(m_listRows.SendMessage(WM_GETFONT)));
    auto textWidth = [hDC](const std::string& strText) {
        SIZE size = {};
        GetTextExtentPoint32A(hDC, strText.c_str(), static_cast<int>(strText.size()), &size);
        return static_cast<int>(size.cx);
    };
    std::array<int, PreviewText::kColumnCount> headings = {}, wanted = {};
    for (int nColumn = 0; nColumn < PreviewText::kColumnCount; ++nColumn)
    {
        headings[nColumn] = textWidth(PreviewText::HeadingsOf(m_content)[nColumn]) + kHeadingPadding;
        wanted[nColumn] = headings[nColumn];
    }
    // The tick box takes its room from the first column.
    int nTickBox = 0;
    int nTickHeight = 0;
    HIMAGELIST hStates = reinterpret_cast<HIMAGELIST>(m_listRows.SendMessage(LVM_GETIMAGELIST, LVSIL_STATE));
    if (m_content.bTickBoxes && hStates != nullptr)
        ImageList_GetIconSize(hStates, &nTickBox, &nTickHeight);
    for (const PreviewRow& row : m_content.rows)
    {
        std::array<std::string, PreviewText::kColumnCount> cells = PreviewText::Cells(row);
        for (int nColumn = 0; nColumn < PreviewText::kColumnCount; ++nColumn)
        {
            int nWidth = textWidth(cells[nColumn]) + kCellPadding + (nColumn == 0 ? nTickBox : 0);
            if (nWidth > wanted[nColumn])
                wanted[nColumn] = nWidth;
        }
    }
    SelectObject(hDC, hOldFont);
    ReleaseDC(hList, hDC);
    // The client area leaves out the vertical scroll bar once the rows
    // need one.
    RECT client;
    GetClientRect(m_listRows.GetSafeHwnd(), &client);
    std::array<int, PreviewText::kColumnCount> widths = PreviewText::ColumnWidths(headings, wanted, client.right);
    for (int nColumn = 0; nColumn < PreviewText::kColumnCount; ++nColumn)
        m_listRows.SetColumnWidth(nColumn, widths[nColumn]);
}

void CPreviewDlg::OnApplyButton()
{
    // A click posted to the disabled button still arrives here.
    if (!PreviewText::CanApply(m_content, m_ticked))
        return;
    EndDialog(IDOK);
}

void CPreviewDlg::OnCancelButton()
{
    EndDialog(IDCANCEL);
}
