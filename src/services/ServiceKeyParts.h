// What a service's key holds that the manager itself keeps, and on Windows
// holds in memory from its start: a key written behind its back says so
// only after the next start of Windows. Read here from a copy of the key
// into the shapes the manager is told them in (ChangeServiceConfig2), and
// laid out again as the manager stores them. Portable.
#pragma once

#include "common/KeyCopy.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ServiceKeyParts
{
// ChangeServiceConfig2's levels.
constexpr uint32_t kLevelFailureActions = 2;
constexpr uint32_t kLevelDelayedAutoStart = 3;
constexpr uint32_t kLevelFailureActionsFlag = 4;
constexpr uint32_t kLevelSidType = 5;
constexpr uint32_t kLevelRequiredPrivileges = 6;
constexpr uint32_t kLevelTriggers = 8;

struct FailureAction
{
    uint32_t dwType = 0; // none, restart, reboot, run the command
    uint32_t dwDelay = 0;
};
struct FailureActions
{
    uint32_t dwResetPeriod = 0;
    std::vector<FailureAction> actions;
    bool bHasRebootMessage = false;
    std::wstring wstrRebootMessage;
    bool bHasCommand = false;
    std::wstring wstrCommand;
};
struct TriggerItem
{
    uint32_t dwDataType = 0;
    std::string data; // as stored: UTF-16 texts with their NULs, or bytes
};
struct Trigger
{
    uint32_t dwType = 0;
    uint32_t dwAction = 0;
    std::string subtype; // a GUID's 16 bytes
    std::vector<TriggerItem> items;
};

struct Parts
{
    bool bFailureActions = false;
    FailureActions failureActions;
    bool bFailureActionsFlag = false;
    bool bNonCrashFailures = false;
    bool bDelayedAutoStart = false;
    bool bDelayed = false;
    bool bRequiredPrivileges = false;
    std::vector<std::wstring> privileges;
    bool bSidType = false;
    uint32_t dwSidType = 0;
    bool bTriggers = false;
    std::vector<Trigger> triggers;

    // The levels the parts present are set at, in the order above.
    std::vector<uint32_t> Levels() const;
};

// The parts the key holds in the manager's own layout; a part whose bytes
// are not in that layout is left out (the key keeps it as it is).
Parts FromKey(const KeyCopy& key);
// The values (and the trigger keys) the manager writes for one level of
// the parts, as FromKey reads them.
KeyCopy ToKey(const Parts& parts, uint32_t dwLevel);
} // namespace ServiceKeyParts
