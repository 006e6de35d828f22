// The details pane beside the list: the description with the knowledge
// base's advice, the program's path on the status line, and the two
// dependency trees.
#pragma once

#include "services/ServiceDetails.h"
#include "ui/Controls.h"

#include <string>

class CDetailsPane
{
public:
    // The dialog holding the summary, the status line and the tree.
    void Attach(HWND hDialog, HWND hDependsTree);
    void Setup(HIMAGELIST hImages) const;
    const CTreeCtrl& Tree() const { return m_treeDepends; }

    // Writes everything read of a service; the dependency names are shown
    // by their display names.
    void Show(IServiceSession& session, const ServiceDetails& details, const std::string& strAdvice) const;
    // The status line only: empty before a service is read, and "文件路径:"
    // with the path, empty too when it could not be read.
    void ClearStatusLine() const;
    void ShowPath(const std::string& strBinaryPath) const;
    // Empties the status line and the trees (the summary keeps its text).
    void Reset() const;

private:
    CWnd m_dialog;
    CTreeCtrl m_treeDepends;
};
