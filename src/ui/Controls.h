// Thin wrappers over the common controls the windows use. They do not own
// their windows.
#pragma once

#include "ui/Wnd.h"

#include <commctrl.h>

class CListCtrl : public CWnd
{
public:
    int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
    BOOL DeleteAllItems() const { return static_cast<BOOL>(SendMessage(LVM_DELETEALLITEMS)); }
    BOOL DeleteItem(int nItem) const { return static_cast<BOOL>(SendMessage(LVM_DELETEITEM, nItem)); }
    int GetNextItem(int nItem, int nFlags) const
    {
        return static_cast<int>(SendMessage(LVM_GETNEXTITEM, nItem, MAKELPARAM(nFlags, 0)));
    }
    int InsertColumn(int nColumn, const char* pszHeading, int nFormat, int nWidth) const;
    BOOL SetColumnWidth(int nColumn, int nWidth) const
    {
        return static_cast<BOOL>(SendMessage(LVM_SETCOLUMNWIDTH, nColumn, MAKELPARAM(nWidth, 0)));
    }
    int InsertItem(int nItem, const std::string& strText, int nImage) const;
    // With the row's own data in its lParam.
    int InsertItem(int nItem, const std::string& strText, int nImage, LPARAM lParam) const;
    LPARAM GetItemData(int nItem) const;
    BOOL SetItemText(int nItem, int nSubItem, const std::string& strText) const;
    std::string GetItemText(int nItem, int nSubItem) const;
    int GetItemImage(int nItem) const;
    BOOL SetItemImage(int nItem, int nImage) const;
    BOOL GetCheck(int nItem) const
    {
        return ((SendMessage(LVM_GETITEMSTATE, nItem, LVIS_STATEIMAGEMASK) >> 12) - 1) == 1;
    }
    BOOL SetCheck(int nItem, BOOL bCheck) const;
    DWORD SetExtendedStyle(DWORD dwStyle) const
    {
        return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, dwStyle));
    }
    HIMAGELIST SetImageList(HIMAGELIST hList, int nType) const
    {
        return reinterpret_cast<HIMAGELIST>(SendMessage(LVM_SETIMAGELIST, nType, reinterpret_cast<LPARAM>(hList)));
    }
    BOOL SortItems(PFNLVCOMPARE pfnCompare, LPARAM lParam) const
    {
        return static_cast<BOOL>(SendMessage(LVM_SORTITEMSEX, lParam, reinterpret_cast<LPARAM>(pfnCompare)));
    }
    // The comparison gets the rows' lParams rather than their indexes.
    BOOL SortItemsByData(PFNLVCOMPARE pfnCompare, LPARAM lParam) const
    {
        return static_cast<BOOL>(SendMessage(LVM_SORTITEMS, lParam, reinterpret_cast<LPARAM>(pfnCompare)));
    }
};

class CTreeCtrl : public CWnd
{
public:
    // Buttons and lines from the root down, with our image list.
    void SetUpOutline(HIMAGELIST hImages) const
    {
        SendMessage(TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(hImages));
        SetWindowLongPtrA(m_hWnd, GWL_STYLE, GetStyle() | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT);
    }
    HTREEITEM InsertItem(const std::string& strText, int nImage, int nSelectedImage,
                         HTREEITEM hParent = TVI_ROOT, HTREEITEM hAfter = TVI_LAST) const;
    // With the item's own data in its lParam.
    HTREEITEM InsertItem(const std::string& strText, int nImage, int nSelectedImage, HTREEITEM hParent,
                         LPARAM lParam) const;
    LPARAM GetItemData(HTREEITEM hItem) const;
    BOOL DeleteAllItems() const
    {
        return static_cast<BOOL>(SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT)));
    }
    BOOL Expand(HTREEITEM hItem, UINT nCode) const
    {
        return static_cast<BOOL>(SendMessage(TVM_EXPAND, nCode, reinterpret_cast<LPARAM>(hItem)));
    }
    HTREEITEM GetNextItem(HTREEITEM hItem, UINT nCode) const
    {
        return reinterpret_cast<HTREEITEM>(SendMessage(TVM_GETNEXTITEM, nCode, reinterpret_cast<LPARAM>(hItem)));
    }
    std::string GetItemText(HTREEITEM hItem) const;
    HTREEITEM HitTest(POINT pt, UINT* pnFlags) const;
};

class CToolTipCtrl : public CWnd
{
public:
    BOOL Create(CWnd* pParent);
    void Activate(BOOL bActivate) const { SendMessage(TTM_ACTIVATE, bActivate); }
    // The tooltip subclasses the tool, so it sees the mouse without relaying.
    BOOL AddTool(HWND hParent, HWND hTool, const char* pszText) const;
    // The window is its owner's, and goes with it: this wrapper, like every
    // CWnd, never destroys it.
};

// Owns its image list; moved, never copied.
class CImageList
{
public:
    CImageList() = default;
    ~CImageList() { DeleteImageList(); }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;
    // Moved, the handle goes with the move and is freed once.
    CImageList(CImageList&& other) noexcept;
    CImageList& operator=(CImageList&& other) noexcept;

    BOOL Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow);
    int Add(HICON hIcon) const { return ImageList_AddIcon(m_hImageList, hIcon); }
    HIMAGELIST GetSafeHandle() const { return m_hImageList; }
    // Takes over a list made elsewhere, to destroy it with this object.
    void Attach(HIMAGELIST hImageList)
    {
        DeleteImageList();
        m_hImageList = hImageList;
    }
    void DeleteImageList();

private:
    HIMAGELIST m_hImageList = nullptr;
};

// A list view with LVS_SHAREIMAGELISTS never destroys its image lists, the
// check boxes' own included, which it makes itself: this turns the check
// boxes on and hands that list to its owner.
void EnableCheckBoxes(HWND hList, DWORD dwOtherExStyles, CImageList* pStateImages);

// Owns a menu loaded from the resources; moved, never copied.
class CMenu
{
public:
    CMenu() = default;
    ~CMenu() { DestroyMenu(); }
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;
    // Moved, the handle goes with the move and is freed once.
    CMenu(CMenu&& other) noexcept;
    CMenu& operator=(CMenu&& other) noexcept;

    BOOL LoadMenu(UINT nId);
    HMENU GetSubMenu(int nPosition) const { return ::GetSubMenu(m_hMenu, nPosition); }
    UINT EnableMenuItem(UINT nId, UINT nEnable) const { return ::EnableMenuItem(m_hMenu, nId, nEnable); }
    UINT GetMenuState(UINT nId) const { return ::GetMenuState(m_hMenu, nId, MF_BYCOMMAND); }
    void DestroyMenu();

private:
    HMENU m_hMenu = nullptr;
};

// Owns a bitmap loaded from the resources; moved, never copied.
class CBitmap
{
public:
    CBitmap() = default;
    ~CBitmap() { DeleteObject(); }
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;
    // Moved, the handle goes with the move and is freed once.
    CBitmap(CBitmap&& other) noexcept;
    CBitmap& operator=(CBitmap&& other) noexcept;

    BOOL LoadBitmap(UINT nId);
    HBITMAP GetSafeHandle() const { return m_hBitmap; }
    void DeleteObject();

private:
    HBITMAP m_hBitmap = nullptr;
};

// Owns a font, a brush or a region until it is freed or handed on (a region
// given to SetWindowRgn belongs to the window: Release it then).
template <class THandle>
class CGdiObject
{
public:
    CGdiObject() = default;
    explicit CGdiObject(THandle hObject) : m_hObject(hObject) {}
    ~CGdiObject() { Reset(); }
    CGdiObject(CGdiObject&& other) noexcept : m_hObject(other.Release()) {}
    CGdiObject& operator=(CGdiObject&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    THandle Get() const { return m_hObject; }
    THandle Release()
    {
        THandle hObject = m_hObject;
        m_hObject = nullptr;
        return hObject;
    }
    void Reset(THandle hObject = nullptr)
    {
        if (m_hObject != nullptr)
            ::DeleteObject(m_hObject);
        m_hObject = hObject;
    }

private:
    THandle m_hObject = nullptr;
};

using CFont = CGdiObject<HFONT>;
using CBrush = CGdiObject<HBRUSH>;
using CRgn = CGdiObject<HRGN>;
