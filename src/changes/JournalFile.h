// The change journal on disk: a small text file appended to with a flush
// before anything it describes is changed, keeping the last entries.
#pragma once

#include "changes/ChangeJournal.h"
#include "changes/JournalTrust.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class CJournalFile
{
public:
    // The file in the machine's application-data folder, which only
    // administrators may change: "<ProgramData>\Quillmere\journal.svcj";
    // empty when that folder is unknown.
    static std::string DefaultPath();
    // Where earlier versions kept it, in the user's own application data,
    // which any program the user runs may write: never read for undo.
    static std::string LegacyPath();

    // Reads an object's owner and access list; false when it cannot.
    using SecurityReader = std::function<bool(const std::string& strPath, JournalTrust::Descriptor* pDescriptor)>;
    // The real reader where the system enforces file access lists, none
    // (no check) where it does not.
    static SecurityReader DefaultSecurityReader();

    explicit CJournalFile(std::string strPath);
    const std::string& Path() const { return m_strPath; }
    void SetSecurityReader(SecurityReader reader) { m_readSecurity = std::move(reader); }

    // Reads every entry. A missing file is an empty journal. A journal that
    // others than the system's own accounts may change is Foreign; foreign
    // or damaged content gives that outcome and a problem text for the
    // user, and nothing in pEntries.
    ChangeJournal::ReadOutcome Read(std::vector<ChangeJournal::Entry>* pEntries, std::string* pstrProblem) const;
    // Fills in the data of the entry's records kept beside the journal;
    // false, with a problem text, when a file is missing, not trusted or
    // not what the journal recorded.
    bool LoadAsideData(ChangeJournal::Entry* pEntry, std::string* pstrProblem) const;

    // Starts an entry: gives it the next id and the time, drops the oldest
    // entries so that at most kKeptEntries remain with it, writes its
    // records and flushes them to the disk. False when any of that failed
    // (the folder or file cannot be made or written, or the journal there
    // is foreign or damaged): then nothing may be changed.
    // Data too large to record gives false and says so in LastProblem.
    bool Begin(ChangeJournal::Entry* pEntry);
    // Why the last Begin refused when the journal itself is not to blame;
    // empty otherwise.
    const std::string& LastProblem() const { return m_strProblem; }
    // Results of the entry that Begin started, each appended and flushed.
    bool RecordStartTypeTook(const std::wstring& wstrName, DWORD dwTook);
    bool RecordDeleted(size_t nIndex);
    bool End();
    // Marks an entry as taken back.
    bool MarkUndone(uint32_t nId);

private:
    bool Append(const std::string& strLines);
    // Whether the journal's folder and file, where they exist, may be
    // changed only by the system's own accounts; a problem text if not.
    bool IsTrusted(const std::string& strPath, std::string* pstrProblem) const;
    // "<journal>.<id>-<index>.dat": the data of one record kept aside.
    std::string AsidePath(uint32_t nId, size_t nIndex) const;
    // Marks the records whose data is kept aside, with its size and
    // checksum; false (and LastProblem) for data too large to record, or a
    // service key the journal could not read back.
    bool MarkAside(ChangeJournal::Entry* pEntry);
    // Writes that data to files of their own, naming each written.
    bool WriteAside(const ChangeJournal::Entry& entry, std::vector<std::string>* pWritten) const;

    std::string m_strPath;
    SecurityReader m_readSecurity = DefaultSecurityReader();
    std::string m_strProblem;
    uint32_t m_nOpenId = 0;
    // The entry Begin started, with the results recorded so far: a result
    // the journal could not read back is refused rather than written.
    ChangeJournal::Entry m_openEntry;
};
