// Run states and start types as values, and the words the service list
// shows for them, reads from the knowledge base and writes to configuration
// files. Decisions compare the values; the words are output only. Narrow
// literals are compiled to GBK, so these are the program's own bytes.
#pragma once

#include <cstdint>
#include <string>

namespace ServiceTexts
{
// Run states as the state column shows them; a stopped service is empty.
constexpr const char* kRunning = "已启动";
constexpr const char* kPaused = "已暂停";
constexpr const char* kStartPending = "正在启动";
constexpr const char* kStopPending = "正在停止";
constexpr const char* kUnknownState = "未知状态";
constexpr const char* kStopped = "";

// Words written by the run commands until the next poll replaces them.
constexpr const char* kPausing = "正在暂停";
constexpr const char* kContinuing = "正在继续";

// Start types.
constexpr const char* kAuto = "自动";
constexpr const char* kManual = "手动";
constexpr const char* kDisabled = "已禁用";
constexpr const char* kUnknownStartType = "未知";

// Platform values, repeated here so that the core needs no <windows.h>.
constexpr std::uint32_t kStateStopped = 1;
constexpr std::uint32_t kStateStartPending = 2;
constexpr std::uint32_t kStateStopPending = 3;
constexpr std::uint32_t kStateRunning = 4;
constexpr std::uint32_t kStateContinuePending = 5;
constexpr std::uint32_t kStatePausePending = 6;
constexpr std::uint32_t kStatePaused = 7;

constexpr std::uint32_t kStartBoot = 0;
constexpr std::uint32_t kStartSystem = 1;
constexpr std::uint32_t kStartAuto = 2;
constexpr std::uint32_t kStartDemand = 3;
constexpr std::uint32_t kStartDisabled = 4;
} // namespace ServiceTexts

// A service's run state with the manager's values; anything else the
// manager might answer is Unknown.
enum class RunState : std::uint32_t
{
    Unknown = 0,
    Stopped = ServiceTexts::kStateStopped,
    StartPending = ServiceTexts::kStateStartPending,
    StopPending = ServiceTexts::kStateStopPending,
    Running = ServiceTexts::kStateRunning,
    ContinuePending = ServiceTexts::kStateContinuePending,
    PausePending = ServiceTexts::kStatePausePending,
    Paused = ServiceTexts::kStatePaused,
};

// A start type: the manager's code, and for automatic start whether it
// waits until the system has settled.
struct StartType
{
    std::uint32_t dwCode = ServiceTexts::kStartDemand;
    bool bDelayed = false;

    friend bool operator==(const StartType& left, const StartType& right)
    {
        return left.dwCode == right.dwCode && left.bDelayed == right.bDelayed;
    }
    friend bool operator!=(const StartType& left, const StartType& right) { return !(left == right); }
};

// One line of the table of start types.
struct StartTypeInfo
{
    std::uint32_t dwCode;
    const char* pszWord;     // the list's word
    int nIndex;              // its icon and its place among the start types
    bool bLeaf;              // a leaf of the category tree
    bool bSettable;          // a user may set it
    const char* pszFileWord; // what a .svc file writes for it
};

namespace ServiceTexts
{
RunState RunStateOf(std::uint32_t dwCurrentState);
const char* RunStateText(RunState state);
// Run-state text for a SERVICE_STATUS dwCurrentState value.
inline const char* RunStateText(std::uint32_t dwCurrentState) { return RunStateText(RunStateOf(dwCurrentState)); }

// The entry of a QUERY_SERVICE_CONFIG dwStartType value; boot, system and
// any code the table does not know share the "未知" entry.
const StartTypeInfo& StartTypeOf(std::uint32_t dwStartType);
// The table's entries of automatic, manual and disabled start, in that order,
// then the "未知" one.
const StartTypeInfo* StartTypeTable(std::size_t* pnCount);

// Start-type word and its StartTypeIndex (also the row icon) for a
// QUERY_SERVICE_CONFIG dwStartType value. Boot and system start read
// "未知" with index 2.
inline const char* StartTypeText(std::uint32_t dwStartType) { return StartTypeOf(dwStartType).pszWord; }
inline int StartTypeIndex(std::uint32_t dwStartType) { return StartTypeOf(dwStartType).nIndex; }

// The start type a word asks for: "自动" automatic, "手动" manual, "已禁用"
// disabled, compared byte for byte. Any other text asks for none: false,
// and nothing is set, so that a word nobody knows never disables.
bool StartTypeFromWord(const std::string& word, std::uint32_t* pdwStartType);

// True for the three words a user can set; "未知" and anything else is not.
bool IsSettableStartTypeWord(const std::string& word);
} // namespace ServiceTexts
