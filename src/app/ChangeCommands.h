// The main window's commands that change the system: start types from the
// toolbar and the context menu, profiles, the wizard and imports through
// one preview, backup and application, deletion of a service, backups,
// and taking back the last change. What is planned lives in changes/;
// this is where the windows it needs are shown, in order.
#pragma once

#include "app/ServiceCommands.h"
#include "changes/ChangePreview.h"
#include "changes/JournalFile.h"
#include "changes/StartTypeApplier.h"
#include "config/ServiceConfigStore.h"

#include <functional>
#include <string>

class CChangeCommands
{
public:
    using FileChooser = std::function<bool(HWND hOwner, bool bSave, std::string* pstrPath)>;
    // Shows what a change would do, modal to hOwner; true to go on. The
    // rows' ticks arrive as the content first shows them and are left as
    // the user set them.
    using Previewer =
        std::function<bool(const PreviewContent& content, HWND hOwner, std::vector<bool>* pTicked)>;
    static bool ShowPreviewWindow(const PreviewContent& content, HWND hOwner, std::vector<bool>* pTicked);

    // The list's commands give the session, the rows and the boxes' owner.
    CChangeCommands(CServiceCommands& list, IServiceView& view);

    void SetFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    void SetPreviewer(Previewer previewer) { m_preview = std::move(previewer); }
    void SetJournalPath(const std::string& strPath) { m_journal = CJournalFile(strPath); }
    void SetLegacyJournalPath(const std::string& strPath) { m_strLegacyJournal = strPath; }
    CJournalFile& Journal() { return m_journal; }

    // The six start-type commands of the toolbar and the context menu.
    void SetStartTypeByCommand(UINT nId);
    void DeleteSelectedService();
    void Import();
    // A backup to a file the user chooses; every window it opens is modal
    // to hOwner.
    ExportOutcome ExportBackup(HWND hOwner);
    // Quick configuration, the wizard and import alike: the preview of the
    // request's plan, then (when bOfferBackup) the question whether to back
    // up first, then exactly that plan behind the please-wait window; each
    // window modal to hOwner. False when nothing was applied: the preview
    // was cancelled or changes nothing, or a backup asked for failed.
    bool PreviewBackupApply(const StartTypeRequest& request, HWND hOwner, bool bOfferBackup);

    // Whether the journal holds an application not yet taken back.
    bool CanUndo() const;
    // Takes back the journal's last application not yet taken back, after
    // showing what that will do.
    void UndoLast();
    // Sets the undo command from what the journal holds now.
    void RefreshUndoCommand() { m_view.EnableUndoCommand(CanUndo()); }
    // Says once where the journal lives now when an earlier version's is
    // still in the user's folder, and keeps that one under another name.
    void NoticeMovedJournal();

private:
    // The plan of the request, shown; true when the user chose to go on
    // and it changes something. The plan keeps only the targets of the
    // ticked rows.
    bool Preview(const StartTypeRequest& request, HWND hOwner, StartTypePlan* pPlan);
    // The preview of a content, its ticks as the user left them.
    bool ShowPreview(const PreviewContent& content, HWND hOwner, std::vector<bool>* pTicked = nullptr);
    // The plan behind the please-wait window, modal to hOwner; one
    // application at a time, whatever window asks.
    void Apply(const StartTypePlan& plan, HWND hOwner);
    // The ticked rows and the remembered one, or the remembered one alone.
    void ApplyToRows(DWORD dwStartType, bool bTicked);
    void AfterApplying();
    void DeleteNamedService(const std::wstring& wstrName);

    CServiceCommands& m_list;
    IServiceView& m_view;
    bool m_bApplying = false;
    FileChooser m_chooseFile = ChooseServiceConfigFile;
    Previewer m_preview = ShowPreviewWindow;
    CJournalFile m_journal{CJournalFile::DefaultPath()};
    std::string m_strLegacyJournal = CJournalFile::LegacyPath();
};
