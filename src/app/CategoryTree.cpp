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

void CCategoryTree::Build(HIMAGELIST hImages) const
{
    m_tree.SetUpOutline(hImages);
    HTREEITEM hRoot = m_tree.InsertItem(ServiceListRules::kRoot, kImageRoot, kImageRoot);
    HTREEITEM hStates = m_tree.InsertItem(ServiceListRules::kRunStateGroup, kImageFolder, kImageRoot, hRoot);
    for (const char* pszLeaf : {ServiceTexts::kRunning, ServiceTexts::kPaused, ServiceListRules::kStoppedLeaf})
        m_tree.InsertItem(pszLeaf, kImageFolder, kImageRoot, hStates);
    HTREEITEM hTypes = m_tree.InsertItem(ServiceListRules::kStartTypeGroup, kImageFolder, kImageRoot, hRoot);
    for (const char* pszLeaf : {ServiceTexts::kAuto, ServiceTexts::kManual, ServiceTexts::kDisabled})
        m_tree.InsertItem(pszLeaf, kImageFolder, kImageRoot, hTypes);
    m_tree.Expand(hStates, TVE_EXPAND);
    m_tree.Expand(hTypes, TVE_EXPAND);
    m_tree.Expand(hRoot, TVE_EXPAND);
}

std::optional<std::string> CCategoryTree::FilterAtPointer() const
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
    return ServiceListRules::FilterForCategory(m_tree.GetItemText(hItem));
}

std::optional<std::string> CCategoryTree::FilterForKey(WORD wKey) const
{
    if (wKey != VK_DOWN && wKey != VK_UP)
        return std::nullopt;
    HTREEITEM hCaret = m_tree.GetNextItem(nullptr, TVGN_CARET);
    HTREEITEM hNext = m_tree.GetNextItem(hCaret, wKey == VK_DOWN ? TVGN_NEXTVISIBLE : TVGN_PREVIOUSVISIBLE);
    return ServiceListRules::FilterForCategory(hNext != nullptr ? m_tree.GetItemText(hNext) : std::string());
}
