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

bool StartTypeFromWord(const std::string& word, std::uint32_t* pdwStartType)
{
    static const struct
    {
        const char* pszWord;
        std::uint32_t dwStartType;
    } kWords[] = {{kAuto, kStartAuto}, {kManual, kStartDemand}, {kDisabled, kStartDisabled}};
    for (const auto& known : kWords)
    {
        if (word == known.pszWord)
        {
            *pdwStartType = known.dwStartType;
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
