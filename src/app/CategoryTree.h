// The category tree left of the list: all services, by run state, by start
// type. A click on a label or an arrow key picks the list's filter.
#pragma once

#include "ui/Controls.h"

#include <optional>
#include <string>

class CCategoryTree
{
public:
    void Attach(HWND hDialog, HWND hTree);
    const CTreeCtrl& Tree() const { return m_tree; }

    void Build(HIMAGELIST hImages) const;
    // The filter of the label under the pointer; none for a click beside
    // every label.
    std::optional<std::string> FilterAtPointer() const;
    // The filter of the item an Up or Down key moves to; none for other keys.
    std::optional<std::string> FilterForKey(WORD wKey) const;

private:
    CWnd m_dialog;
    CTreeCtrl m_tree;
};
