#include "services/ServiceTexts.h"

#include <iterator>

namespace ServiceTexts
{
namespace
{
// Boot and system start belong to drivers; on a service they read "未知"
// and are nothing a user sets or a category lists. The last entry answers
// for every code the table does not name.
constexpr StartTypeInfo kStartTypes[] = {
    {kStartAuto, kAuto, 0, true, true, kAuto},
    {kStartDemand, kManual, 1, true, true, kManual},
    {kStartDisabled, kDisabled, 2, true, true, kDisabled},
    {kStartBoot, kUnknownStartType, 2, false, false, kUnknownStartType},
};
} // namespace

RunState RunStateOf(std::uint32_t dwCurrentState)
{
    if (dwCurrentState >= kStateStopped && dwCurrentState <= kStatePaused)
        return static_cast<RunState>(dwCurrentState);
    return RunState::Unknown;
}

const char* RunStateText(RunState state)
{
    switch (state)
    {
    case RunState::Running:
        return kRunning;
    case RunState::Stopped:
        return kStopped;
    case RunState::Paused:
        return kPaused;
    case RunState::StopPending:
        return kStopPending;
    case RunState::StartPending:
        return kStartPending;
    default:
        // Pause and continue pending have no word of their own.
        return kUnknownState;
    }
}

const StartTypeInfo& StartTypeOf(std::uint32_t dwStartType)
{
    for (const StartTypeInfo& info : kStartTypes)
    {
        if (info.dwCode == dwStartType && info.bSettable)
            return info;
    }
    return kStartTypes[std::size(kStartTypes) - 1];
}

const StartTypeInfo* StartTypeTable(std::size_t* pnCount)
{
    *pnCount = std::size(kStartTypes);
    return kStartTypes;
}

bool StartTypeFromWord(const std::string& word, std::uint32_t* pdwStartType)
{
    for (const StartTypeInfo& info : kStartTypes)
    {
        if (info.bSettable && word == info.pszWord)
        {
            *pdwStartType = info.dwCode;
            return true;
        }
    }
    return false;
}

bool IsSettableStartTypeWord(const std::string& word)
{
    std::uint32_t dwStartType = 0;
    return StartTypeFromWord(word, &dwStartType);
}
} // namespace ServiceTexts
