// One change as the journal sees it: what everything was goes to the
// journal before the first thing is changed, each result as it comes, and
// the end when the change is over. Start types, deleted services and
// deleted startup values all go through here, so a journal that cannot
// take the change stops each of them the same way and is named the same
// way to the user.
#pragma once

#include "changes/ChangeJournal.h"

#include <windows.h>

#include <string>

class CJournalFile;
class IReporter;

class CJournalledChange
{
public:
    // Without a journal nothing is noted and every change may go on.
    CJournalledChange(CJournalFile* pJournal, IReporter& reporter);
    ~CJournalledChange();
    CJournalledChange(const CJournalledChange&) = delete;
    CJournalledChange& operator=(const CJournalledChange&) = delete;

    // Notes the entry's records. False when the journal cannot take them
    // (it cannot be written, it is damaged or another program's, or it
    // refuses the data): the user has been told why, and nothing may be
    // changed. An entry with no records is not noted, and may go on.
    bool Begin(ChangeJournal::Entry* pEntry);
    // What a start type became, and that the record nIndex is gone.
    void RecordStartTypeTook(const std::wstring& wstrName, DWORD dwTook);
    void RecordDeleted(size_t nIndex);
    // Writes the end; the destructor does it for a change that began.
    void End();

    // What the user is told when the journal refused the last Begin.
    static std::string RefusalText(const CJournalFile& journal);

private:
    CJournalFile* m_pJournal;
    IReporter& m_reporter;
    bool m_bOpen = false;
};
