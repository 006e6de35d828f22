#include "services/ServiceTexts.h"

namespace ServiceTexts
{
const char* RunStateText(std::uint32_t dwCurrentState)
{
    switch (dwCurrentState)
    {
    case kStateRunning:
        return kRunning;
    case kStateStopped:
        return kStopped;
    case kStatePaused:
        return kPaused;
    case kStateStopPending:
        return kStopPending;
    case kStateStartPending:
        return kStartPending;
    default:
        // Pause and continue pending have no word of their own.
        return kUnknownState;
    }
}

const char* StartTypeText(std::uint32_t dwStartType)
{
    switch (dwStartType)
    {
    case kStartAuto:
        return kAuto;
    case kStartDemand:
        return kManual;
    case kStartDisabled:
        return kDisabled;
    default:
        return kUnknownStartType;
    }
}

int StartTypeIndex(std::uint32_t dwStartType)
{
    switch (dwStartType)
    {
    case kStartAuto:
        return 0;
    case kStartDemand:
        return 1;
    default:
        return 2;
    }
}

std::uint32_t StartTypeFromWord(const std::string& word)
{
    if (word == kAuto)
        return kStartAuto;
    if (word == kManual)
        return kStartDemand;
    return kStartDisabled;
}

bool IsSettableStartTypeWord(const std::string& word)
{
    return word == kAuto || word == kManual || word == kDisabled;
}
} // namespace ServiceTexts
