// The change journal on disk: a small text file appended to with a flush
// before anything it describes is changed, keeping the last entries.
#pragma once

#include "changes/ChangeJournal.h"

#include <windows.h>

#include <string>
#include <vector>

class CJournalFile
{
public:
    // The file in the user's application-data folder,
    // "<AppData>\Quillmere\journal.svcj"; empty when that folder is unknown.
    static std::string DefaultPath();

    explicit CJournalFile(std::string strPath);
    const std::string& Path() const { return m_strPath; }

    // Reads every entry. A missing file is an empty journal. Foreign or
    // damaged content gives that outcome and a problem text for the user,
    // and nothing in pEntries.
    ChangeJournal::ReadOutcome Read(std::vector<ChangeJournal::Entry>* pEntries, std::string* pstrProblem) const;

    // Starts an entry: gives it the next id and the time, drops the oldest
    // entries so that at most kKeptEntries remain with it, writes its
    // records and flushes them to the disk. False when any of that failed
    // (the folder or file cannot be made or written, or the journal there
    // is foreign or damaged): then nothing may be changed.
    bool Begin(ChangeJournal::Entry* pEntry);
    // Results of the entry that Begin started, each appended and flushed.
    bool RecordStartTypeTook(const std::string& strName, DWORD dwTook);
    bool RecordDeleted(size_t nIndex);
    bool End();
    // Marks an entry as taken back.
    bool MarkUndone(uint32_t nId);

private:
    bool Append(const std::string& strLines);

    std::string m_strPath;
    uint32_t m_nOpenId = 0;
    // The entry Begin started, with the results recorded so far: a result
    // the journal could not read back is refused rather than written.
    ChangeJournal::Entry m_openEntry;
};
