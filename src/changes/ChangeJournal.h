// The change journal: what every application of start types, deletion of
// startup values and deletion of a service found before it changed
// anything, and what really took, so that the last one can be taken back
// exactly. Portable: the text format and its reading; the file itself is
// kept by JournalFile.
#pragma once

#include "common/KeyCopy.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ChangeJournal
{
// Entries kept in the file; older ones are dropped when a new one starts.
constexpr size_t kKeptEntries = 20;
// Text longer than this is not a journal (Parse: Foreign, with a problem
// text that says it is too large); the file is never let grow past it.
constexpr size_t kMaxJournalBytes = 4 * 1024 * 1024;
// That problem text, for a reader that does not load such a file at all.
constexpr const char* kTooLargeProblem = "更改记录文件过大(超过4MB,不是本程序的记录),未做任何更改!";
// A Run value's data longer than this is kept in a file of its own beside
// the journal, so that a value anyone can plant never fills the journal.
constexpr size_t kInlineDataBytes = 16 * 1024;
// Data longer than this is not recorded at all, and so not deleted.
constexpr size_t kMaxValueDataBytes = 64 * 1024 * 1024;

enum class Kind
{
    StartTypes,     // start types of one or more services
    StartupValues,  // values deleted from the Run keys
    ServiceRemoval, // one deleted service
};

// A service's start type before the change, what was set, and what the
// manager reported afterwards.
struct StartTypeRecord
{
    std::wstring wstrName;
    uint32_t dwBefore = 0;
    uint32_t dwSet = 0;
    bool bTookKnown = false; // false until the result is recorded
    uint32_t dwTook = 0;
};

// A value of a Run key, as it was before it was deleted.
struct RunValueRecord
{
    std::string strRoot; // "HKLM" or "HKCU"
    std::string strKey;  // the subkey below the root
    std::wstring wstrName; // may be empty (the key's default value)
    uint32_t dwType = 0;
    std::string data;    // the value's bytes, exactly
    bool bDeleted = false; // the deletion was seen to succeed
    // The data lives in a file beside the journal; until it is loaded,
    // data is empty and only its size and checksum are known.
    bool bDataAside = false;
    uint64_t nAsideSize = 0;
    uint64_t nAsideChecksum = 0;
};

// A service's whole configuration, as it was before it was deleted.
struct ServiceRecord
{
    std::wstring wstrName;
    uint32_t dwServiceType = 0;
    uint32_t dwStartType = 0;
    uint32_t dwErrorControl = 0;
    std::wstring wstrPath;
    std::wstring wstrLoadOrderGroup;
    std::vector<std::wstring> dependencies; // services, and groups with "+"
    std::wstring wstrAccount;
    std::wstring wstrDisplayName;
    bool bHasDescription = false;
    std::wstring wstrDescription;
    // The service's key under the manager's Services key with every value
    // and subkey; earlier versions recorded none.
    bool bKeyRecorded = false;
    KeyCopy key;
    bool bDeleted = false;
};

// A recorded key larger than this is not recorded, and so not deleted.
constexpr size_t kMaxServiceKeyBytes = 256 * 1024;
constexpr size_t kMaxServiceKeyItems = 4096;
// Whether what the record's key holds of the configuration agrees with the
// record itself: Type, Start and ErrorControl as those numbers, ImagePath as
// its program and ObjectName as its account, each where the key has it.
// The item that does not, when one does not.
bool ServiceKeyAgrees(const ServiceRecord& record, std::wstring* pwstrItem = nullptr);

struct Entry
{
    uint32_t nId = 0;    // increasing through the file
    Kind kind = Kind::StartTypes;
    std::string strWhen; // local time, "YYYY-MM-DD HH:MM:SS"
    std::vector<StartTypeRecord> startTypes;
    std::vector<RunValueRecord> runValues;
    std::vector<ServiceRecord> services;
    bool bComplete = false; // its end was written
    bool bUndone = false;   // taken back since
};

// What the journal may ask to be done, and so what its reader accepts: a
// deleted service only of a kind the list shows (own or shared process,
// with the per-user and interactive bits, never a driver), started
// automatically, on demand or disabled, with an error control Windows
// knows; a Run value only in the Run keys the startup items window lists.
bool IsAllowedServiceType(uint32_t dwServiceType);
bool IsAllowedServiceStartType(uint32_t dwStartType);
bool IsAllowedErrorControl(uint32_t dwErrorControl);
bool IsAllowedRunValueLocation(const std::string& strRoot, const std::string& strKey);
bool IsAllowedRunValueType(uint32_t dwType);
// A start type as the manager stores one (boot to disabled).
bool IsStartTypeCode(uint32_t dwStartType);

// FNV-1a over the bytes: tells data kept beside the journal from a file
// damaged or replaced since.
uint64_t DataChecksum(const std::string& data);

// The file's first line, naming the format's version and its text encoding.
std::string FormatHeader();
// A journal an earlier version wrote: the same lines, its texts in GBK. The
// caller turns it into this version's text (UTF-8) before it is read.
constexpr const char* kEarlierHeaderLine = "Quillmere change journal 1 GBK";
bool IsEarlierFormat(const std::string& strText);
// strText with its first line made this version's header.
std::string WithCurrentHeader(const std::string& strText);
// The lines that open an entry with its records of the state before.
std::string FormatBegin(const Entry& entry);
// The line of what one start type became (the record with that name).
std::string FormatStartTypeTook(uint32_t nId, const std::wstring& wstrName, uint32_t dwTook);
// The line saying the entry's record nIndex (a Run value or a service) is gone.
std::string FormatDeleted(uint32_t nId, size_t nIndex);
std::string FormatEnd(uint32_t nId);
std::string FormatUndone(uint32_t nId);
// A whole journal: header and every entry with its results, as the lines
// above would have left it. Used when old entries are dropped.
std::string FormatJournal(const std::vector<Entry>& entries);

enum class ReadOutcome
{
    Read,    // every line understood
    Empty,   // no file content at all
    Foreign, // not a journal, or another version
    Damaged, // a journal with a line that cannot be understood
};
// Reads a journal's text. An entry cut off by a crash (no end line) is kept
// with bComplete false. On Foreign or Damaged, pEntries holds nothing and
// pstrProblem says what is wrong, for the user.
ReadOutcome Parse(const std::string& strText, std::vector<Entry>* pEntries, std::string* pstrProblem);

// The newest entry not yet undone, or nullptr.
const Entry* LastUndoable(const std::vector<Entry>& entries);
} // namespace ChangeJournal
