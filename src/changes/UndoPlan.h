// What taking back one journal entry would do, decided from the entry and
// what is there now: start types this program set go back, deleted Run
// values and services come back, and whatever someone else changed since
// is left alone and said so. The same decision is made again for each
// record just before it is restored. Portable: the caller reads the machine.
#pragma once

#include "changes/ChangeJournal.h"
#include "changes/ChangePreview.h"
#include "changes/TickRule.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace UndoPlan
{
// What is there now, one for each record of the entry, in its order.
struct CurrentStartType
{
    bool bInstalled = false;
    bool bKnown = false; // the start type could be read
    std::uint32_t dwCurrent = 0;
    std::string strDisplayName;
    // Read where putting it back would disable it or take it off automatic.
    TickRule::StartFacts start = {};
};
struct CurrentRunValue
{
    bool bPresent = false;
    std::uint32_t dwType = 0;
    std::string data;
};
struct CurrentService
{
    bool bPresent = false;
};
struct Facts
{
    std::vector<CurrentStartType> startTypes;
    std::vector<CurrentRunValue> runValues;
    std::vector<CurrentService> services;
};

enum class Verdict
{
    Restore,   // what this program did still stands: it is taken back
    AsBefore,  // already as it was before the change
    LeftAlone, // gone, unreadable, or changed since by someone else
};
// The GBK spelling of one character above U+007F; false when GBK has no
// such character. Without one, every such character is shown by its code.
using GbkSpeller = std::function<bool(std::uint32_t nCodePoint, std::string* pstrGbk)>;

// The decision for one record against what is there now; a record left
// alone gets the note that says why.
Verdict JudgeStartType(const ChangeJournal::StartTypeRecord& record, const CurrentStartType& current,
                       std::string* pstrNote, const GbkSpeller& spell = GbkSpeller());
Verdict JudgeRunValue(const ChangeJournal::RunValueRecord& record, const CurrentRunValue& current,
                      std::string* pstrNote, const GbkSpeller& spell = GbkSpeller());
Verdict JudgeService(const ChangeJournal::ServiceRecord& record, const CurrentService& current,
                     std::string* pstrNote, const GbkSpeller& spell = GbkSpeller());


struct StartTypeRestore
{
    std::wstring wstrName;
    std::uint32_t dwStartType = 0;
    size_t nRecord = 0; // the entry's record
};

struct Plan
{
    std::vector<StartTypeRestore> startTypes;
    std::vector<size_t> runValues; // indices of the entry's records to write back
    std::vector<size_t> services;  // indices of the entry's services to create
    // One row for each restore: the start types, the Run values, then the
    // services, each in the order above.
    PreviewContent preview;
    // Something is to be done; when false the entry only needs marking.
    bool Any() const { return !startTypes.empty() || !runValues.empty() || !services.empty(); }
};

// The words the preview and its notes use for the three kinds.
std::string RunValueLocation(const ChangeJournal::RunValueRecord& record);
std::string RunValueName(const ChangeJournal::RunValueRecord& record, const GbkSpeller& spell = GbkSpeller());
// A value's data as it will be written: "命令 ..." for a string, turned
// from UTF-16, and "数据(type) ..." in hex for anything else.
std::string DataText(std::uint32_t dwType, const std::string& data, const GbkSpeller& spell);
std::string ServiceTypeText(std::uint32_t dwServiceType);

// facts must hold one item for each record of the entry's kind.
Plan Make(const ChangeJournal::Entry& entry, const Facts& facts, const std::string& strTitle,
          const GbkSpeller& spell = GbkSpeller());

// Notes for a restore that failed, with the error's own words.
std::string StartTypeFailed(const std::wstring& wstrName, const std::string& strError,
                            const GbkSpeller& spell = GbkSpeller());
std::string RunValueFailed(const ChangeJournal::RunValueRecord& record, const GbkSpeller& spell = GbkSpeller());
std::string ServiceFailed(const std::wstring& wstrName, const std::string& strError,
                          const GbkSpeller& spell = GbkSpeller());
// A service made again whose key holds some items otherwise than recorded
// (an empty item: the key could not be read back at all).
std::string ServiceKeyPartly(const std::wstring& wstrName, const std::vector<std::wstring>& items,
                             const GbkSpeller& spell = GbkSpeller());
// The program a service hosted by svchost loads: its key's
// Parameters\ServiceDll, or ServiceDll beside ImagePath; empty for none.
std::wstring ServiceDllOf(const ChangeJournal::ServiceRecord& record);

// The plan of the ticked rows only (ticked as the preview's rows): start
// types, Run values and services kept in their order, each row with it.
Plan KeepTicked(const Plan& plan, const std::vector<bool>& ticked);

// A row of the plan that was not restored after all, and why.
struct Unrestored
{
    size_t nRow = 0;
    std::string strNote;
    bool bPartly = false; // done, but not all of it
};
// What the user is shown after a restore that left something out: those
// rows, each named with its reason in the notes, and nothing to apply.
PreviewContent Result(const Plan& plan, const std::vector<Unrestored>& unrestored);
} // namespace UndoPlan
