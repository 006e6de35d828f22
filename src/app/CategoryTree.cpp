#include "app/CategoryTree.h"

#include "app/MainLayout.h"
#include "app/ServiceListRules.h"
#include "services/ServiceTexts.h"

namespace
{
using MainLayout::kImageFolder;
using MainLayout::kImageRoot;

// The tree lies at (12, 78) in both layouts; its border brings the point
// to this offset.
constexpr int kHitOffsetX = 15;
constexpr int kHitOffsetY = 80;
} // namespace

void CCategoryTree::Attach(HWND hDialog, HWND hTree)
{
    m_dialog.Attach(hDialog);
    m_tree.Attach(hTree);
}

HTREEITEM CCategoryTree::Insert(const char* pszLabel, int nImage, HTREEITEM hParent)
{
    m_categories.push_back(ServiceListRules::CategoryFor(pszLabel));
    return m_tree.InsertItem(pszLabel, nImage, kImageRoot, hParent, static_cast<LPARAM>(m_categories.size()));
}

std::optional<ServiceListRules::Category> CCategoryTree::CategoryOf(HTREEITEM hItem) const
{
    LPARAM nPlace = m_tree.GetItemData(hItem);
    if (nPlace < 1 || static_cast<std::size_t>(nPlace) > m_categories.size())
        return std::nullopt;
    return m_categories[nPlace - 1];
}

void CCategoryTree::Build(HIMAGELIST hImages)
{
    m_tree.SetUpOutline(hImages);
    m_categories.clear();
    HTREEITEM hRoot = Insert(ServiceListRules::kRoot, kImageRoot, TVI_ROOT);
    HTREEITEM hStates = Insert(ServiceListRules::kRunStateGroup, kImageFolder, hRoot);
    for (const char* pszLeaf : {ServiceTexts::kRunning, ServiceTexts::kPaused, ServiceListRules::kStoppedLeaf})
        Insert(pszLeaf, kImageFolder, hStates);
    HTREEITEM hTypes = Insert(ServiceListRules::kStartTypeGroup, kImageFolder, hRoot);
    std::size_t nStartTypes = 0;
    const StartTypeInfo* pStartTypes = ServiceTexts::StartTypeTable(&nStartTypes);
    for (std::size_t i = 0; i < nStartTypes; ++i)
    {
        if (pStartTypes[i].bLeaf)
            Insert(pStartTypes[i].pszWord, kImageFolder, hTypes);
    }
    m_tree.Expand(hStates, TVE_EXPAND);
    m_tree.Expand(hTypes, TVE_EXPAND);
    m_tree.Expand(hRoot, TVE_EXPAND);
}

std::optional<ServiceListRules::Category> CCategoryTree::CategoryAtPointer() const
{
    POINT pt;
    GetCursorPos(&pt);
    ScreenToClient(m_dialog.GetSafeHwnd(), &pt);
    pt.x -= kHitOffsetX;
    pt.y -= kHitOffsetY;
    UINT nFlags = 0;
    HTREEITEM hItem = m_tree.HitTest(pt, &nFlags);
    if (hItem == nullptr || !(nFlags & TVHT_ONITEMLABEL))
        return std::nullopt;
    return CategoryOf(hItem);
}

std::optional<ServiceListRules::Category> CCategoryTree::CategoryForKey(WORD wKey) const
{
    if (wKey != VK_DOWN && wKey != VK_UP)
        return std::nullopt;
    HTREEITEM hCaret = m_tree.GetNextItem(nullptr, TVGN_CARET);
    HTREEITEM hNext = m_tree.GetNextItem(hCaret, wKey == VK_DOWN ? TVGN_NEXTVISIBLE : TVGN_PREVIOUSVISIBLE);
    // Past either end there is no category: the list shows nothing.
    if (hNext == nullptr)
        return ServiceListRules::CategoryFor(std::string());
    return CategoryOf(hNext);
}
