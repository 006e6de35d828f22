// What the main window is dressed in when it opens, and where its controls
// go on this screen.
#pragma once

#include "skin/SkinButton.h"
#include "ui/Controls.h"

void PlaceMainWindowControls(const CWnd& window, const CListCtrl& list);
// The pictures of every skinned button, in the order of the layout's table.
void DressMainButtons(CSkinButton* pButtons);
// The icons of the start types and the category folders.
void LoadListIcons(CImageList& images);
void AddMainToolTips(CToolTipCtrl& toolTip, const CWnd& window);
