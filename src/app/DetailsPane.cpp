#include "app/DetailsPane.h"

#include "app/DetailsText.h"
#include "app/MainLayout.h"
#include "common/GbkText.h"
#include "res/resource.h"

namespace
{
using MainLayout::kImageFolder;
using MainLayout::kImageRoot;
} // namespace

void CDetailsPane::Attach(HWND hDialog, HWND hDependsTree)
{
    m_dialog.Attach(hDialog);
    m_treeDepends.Attach(hDependsTree);
}

void CDetailsPane::Setup(HIMAGELIST hImages) const
{
    m_treeDepends.SetUpOutline(hImages);
}

void CDetailsPane::ClearStatusLine() const
{
    m_dialog.SetDlgItemText(IDC_STATUS_LINE, "");
}

void CDetailsPane::ShowPath(const std::string& strBinaryPath) const
{
    m_dialog.SetDlgItemText(IDC_STATUS_LINE, DetailsText::StatusLine(strBinaryPath));
}

void CDetailsPane::Reset() const
{
    ClearStatusLine();
    m_treeDepends.DeleteAllItems();
}

void CDetailsPane::Show(IServiceSession& session, const ServiceDetails& details, const std::string& strAdvice) const
{
    m_dialog.SetDlgItemText(IDC_SUMMARY, DetailsText::Description(details.strDescription, strAdvice));
    ShowPath(details.strBinaryPath);
    m_treeDepends.DeleteAllItems();
    HTREEITEM hDependsOn = m_treeDepends.InsertItem(DetailsText::kDependsOnGroup, kImageFolder, kImageRoot);
    for (const std::wstring& wstrName : details.dependencies)
    {
        if (DetailsText::IsShownDependency(GbkText::FromWide(wstrName)))
            m_treeDepends.InsertItem(DisplayNameOf(session, wstrName), kImageFolder, kImageRoot, hDependsOn);
    }
    HTREEITEM hDependents = m_treeDepends.InsertItem(DetailsText::kDependentsGroup, kImageFolder, kImageRoot);
    for (const std::wstring& wstrName : details.dependents)
        m_treeDepends.InsertItem(DisplayNameOf(session, wstrName), kImageFolder, kImageRoot, hDependents);
    m_treeDepends.Expand(hDependsOn, TVE_EXPAND);
    m_treeDepends.Expand(hDependents, TVE_EXPAND);
}
