// The category tree left of the list: all services, by run state, by start
// type. A click on a label or an arrow key picks the list's category.
#pragma once

#include "app/ServiceListRules.h"
#include "ui/Controls.h"

#include <optional>
#include <string>
#include <vector>

class CCategoryTree
{
public:
    void Attach(HWND hDialog, HWND hTree);
    const CTreeCtrl& Tree() const { return m_tree; }

    void Build(HIMAGELIST hImages);
    // The category of the label under the pointer; none for a click beside
    // every label.
    std::optional<ServiceListRules::Category> CategoryAtPointer() const;
    // The category of the item an Up or Down key moves to; none for other keys.
    std::optional<ServiceListRules::Category> CategoryForKey(WORD wKey) const;

private:
    HTREEITEM Insert(const char* pszLabel, int nImage, HTREEITEM hParent);
    // The category of an item, kept in its lParam as a place in m_categories.
    std::optional<ServiceListRules::Category> CategoryOf(HTREEITEM hItem) const;

    CWnd m_dialog;
    CTreeCtrl m_tree;
    std::vector<ServiceListRules::Category> m_categories;
};
