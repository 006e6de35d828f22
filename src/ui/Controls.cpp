#include "ui/Controls.h"

#include "ui/WinApp.h"

#include <algorithm>
#include <utility>

namespace
{
constexpr int kFirstTextBytes = 256;
constexpr int kMaxTextBytes = 1 << 20;

// A control's text through a buffer that grows until the text surely fits.
// The controls truncate silently, and a narrow copy stops a byte early
// where a double-byte character would not fit before the terminator, so a
// text within two bytes of the buffer's end may be cut. (Wine fills the
// buffer to its last byte without a terminator instead.)
template <typename Read>
std::string ReadGrowingText(Read read)
{
    for (int nSize = kFirstTextBytes;; nSize *= 4)
    {
        std::string strText(nSize, '\0');
        if (!read(&strText[0], nSize))
            return std::string();
        auto nLength = static_cast<int>(std::find(strText.begin(), strText.end(), '\0') - strText.begin());
        if (nLength < nSize - 2 || nSize >= kMaxTextBytes)
        {
            strText.resize(nLength);
            return strText;
        }
    }
}
} // namespace

int CListCtrl::InsertColumn(int nColumn, const char* pszHeading, int nFormat, int nWidth) const
{
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH | LVCF_SUBITEM;
    column.fmt = nFormat;
    column.cx = nWidth;
    column.pszText = const_cast<char*>(pszHeading);
    column.iSubItem = nColumn;
    return static_cast<int>(SendMessage(LVM_INSERTCOLUMNA, nColumn, reinterpret_cast<LPARAM>(&column)));
}

int CListCtrl::InsertItem(int nItem, const std::string& strText, int nImage) const
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = nItem;
    item.pszText = const_cast<char*>(strText.c_str());
    item.iImage = nImage;
    return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

int CListCtrl::InsertItem(int nItem, const std::string& strText, int nImage, LPARAM lParam) const
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = nItem;
    item.pszText = const_cast<char*>(strText.c_str());
    item.iImage = nImage;
    item.lParam = lParam;
    return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

LPARAM CListCtrl::GetItemData(int nItem) const
{
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = nItem;
    if (!SendMessage(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
        return 0;
    return item.lParam;
}

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, const std::string& strText) const
{
    LVITEMA item = {};
    item.iSubItem = nSubItem;
    item.pszText = const_cast<char*>(strText.c_str());
    return static_cast<BOOL>(SendMessage(LVM_SETITEMTEXTA, nItem, reinterpret_cast<LPARAM>(&item)));
}

std::string CListCtrl::GetItemText(int nItem, int nSubItem) const
{
    return ReadGrowingText([&](char* pszBuffer, int nSize) {
        LVITEMA item = {};
        item.iSubItem = nSubItem;
        item.pszText = pszBuffer;
        item.cchTextMax = nSize;
        SendMessage(LVM_GETITEMTEXTA, nItem, reinterpret_cast<LPARAM>(&item));
        return true;
    });
}

int CListCtrl::GetItemImage(int nItem) const
{
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = nItem;
    SendMessage(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
}

BOOL CListCtrl::SetItemImage(int nItem, int nImage) const
{
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = nItem;
    item.iImage = nImage;
    return static_cast<BOOL>(SendMessage(LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

BOOL CListCtrl::SetCheck(int nItem, BOOL bCheck) const
{
    LVITEMA item = {};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(bCheck ? 2 : 1);
    return static_cast<BOOL>(SendMessage(LVM_SETITEMSTATE, nItem, reinterpret_cast<LPARAM>(&item)));
}

HTREEITEM CTreeCtrl::InsertItem(const std::string& strText, int nImage, int nSelectedImage, HTREEITEM hParent,
                                HTREEITEM hAfter) const
{
    TVINSERTSTRUCTA insert = {};
    insert.hParent = hParent;
    insert.hInsertAfter = hAfter;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<char*>(strText.c_str());
    insert.item.iImage = nImage;
    insert.item.iSelectedImage = nSelectedImage;
    return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

HTREEITEM CTreeCtrl::InsertItem(const std::string& strText, int nImage, int nSelectedImage, HTREEITEM hParent,
                                LPARAM lParam) const
{
    TVINSERTSTRUCTA insert = {};
    insert.hParent = hParent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    insert.item.pszText = const_cast<char*>(strText.c_str());
    insert.item.iImage = nImage;
    insert.item.iSelectedImage = nSelectedImage;
    insert.item.lParam = lParam;
    return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

LPARAM CTreeCtrl::GetItemData(HTREEITEM hItem) const
{
    TVITEMA item = {};
    item.mask = TVIF_PARAM;
    item.hItem = hItem;
    if (hItem == nullptr || !SendMessage(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
        return 0;
    return item.lParam;
}

std::string CTreeCtrl::GetItemText(HTREEITEM hItem) const
{
    if (hItem == nullptr)
        return std::string();
    return ReadGrowingText([&](char* pszBuffer, int nSize) {
        TVITEMA item = {};
        item.mask = TVIF_TEXT;
        item.hItem = hItem;
        item.pszText = pszBuffer;
        item.cchTextMax = nSize;
        return SendMessage(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != FALSE;
    });
}

HTREEITEM CTreeCtrl::HitTest(POINT pt, UINT* pnFlags) const
{
    TVHITTESTINFO info = {};
    info.pt = pt;
    HTREEITEM hItem = reinterpret_cast<HTREEITEM>(SendMessage(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    if (pnFlags != nullptr)
        *pnFlags = info.flags;
    return hItem;
}

BOOL CToolTipCtrl::Create(CWnd* pParent)
{
    m_hWnd = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, pParent->GetSafeHwnd(), nullptr,
                             AfxGetInstanceHandle(), nullptr);
    return m_hWnd != nullptr;
}

BOOL CToolTipCtrl::AddTool(HWND hParent, HWND hTool, const char* pszText) const
{
    TTTOOLINFOA info = {};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = hParent;
    info.uId = reinterpret_cast<UINT_PTR>(hTool);
    info.lpszText = const_cast<char*>(pszText);
    return static_cast<BOOL>(SendMessage(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)));
}

BOOL CImageList::Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow)
{
    DeleteImageList();
    m_hImageList = ImageList_Create(cx, cy, nFlags, nInitial, nGrow);
    return m_hImageList != nullptr;
}

void EnableCheckBoxes(HWND hList, DWORD dwOtherExStyles, CImageList* pStateImages)
{
    SendMessageA(hList, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_CHECKBOXES | dwOtherExStyles);
    pStateImages->Attach(reinterpret_cast<HIMAGELIST>(SendMessageA(hList, LVM_GETIMAGELIST, LVSIL_STATE, 0)));
}

void CImageList::DeleteImageList()
{
    if (m_hImageList != nullptr)
    {
        ImageList_Destroy(m_hImageList);
        m_hImageList = nullptr;
    }
}

BOOL CMenu::LoadMenu(UINT nId)
{
    DestroyMenu();
    m_hMenu = ::LoadMenuA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(nId));
    return m_hMenu != nullptr;
}

void CMenu::DestroyMenu()
{
    if (m_hMenu != nullptr)
    {
        ::DestroyMenu(m_hMenu);
        m_hMenu = nullptr;
    }
}

BOOL CBitmap::LoadBitmap(UINT nId)
{
    DeleteObject();
    m_hBitmap = ::LoadBitmapA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(nId));
    return m_hBitmap != nullptr;
}

void CBitmap::DeleteObject()
{
    if (m_hBitmap != nullptr)
    {
        ::DeleteObject(m_hBitmap);
        m_hBitmap = nullptr;
    }
}

CImageList::CImageList(CImageList&& other) noexcept : m_hImageList(std::exchange(other.m_hImageList, nullptr))
{
}

CImageList& CImageList::operator=(CImageList&& other) noexcept
{
    if (this != &other)
    {
        DeleteImageList();
        m_hImageList = std::exchange(other.m_hImageList, nullptr);
    }
    return *this;
}

CMenu::CMenu(CMenu&& other) noexcept : m_hMenu(std::exchange(other.m_hMenu, nullptr))
{
}

CMenu& CMenu::operator=(CMenu&& other) noexcept
{
    if (this != &other)
    {
        DestroyMenu();
        m_hMenu = std::exchange(other.m_hMenu, nullptr);
    }
    return *this;
}

CBitmap::CBitmap(CBitmap&& other) noexcept : m_hBitmap(std::exchange(other.m_hBitmap, nullptr))
{
}

CBitmap& CBitmap::operator=(CBitmap&& other) noexcept
{
    if (this != &other)
    {
        DeleteObject();
        m_hBitmap = std::exchange(other.m_hBitmap, nullptr);
    }
    return *this;
}
