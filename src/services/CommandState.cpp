#include "services/CommandState.h"

#include "services/ServiceTexts.h"

CommandState CommandStateFor(std::uint32_t dwState, std::uint32_t dwAccepted, bool bStartTypeKnown,
                             std::uint32_t dwStartType)
{
    if (dwState == ServiceTexts::kStateRunning)
    {
        // A service that pauses gets stop too, whatever it says about stop.
        if (dwAccepted & kAcceptPauseContinue)
            return kCommandsPauseAndStop;
        if (!(dwAccepted & kAcceptStop))
            return kCommandsNone;
        return kCommandsStopOnly;
    }
    if (dwState == ServiceTexts::kStatePaused)
        return kCommandsPaused;
    if (dwState == ServiceTexts::kStateStopped && !(bStartTypeKnown && dwStartType == ServiceTexts::kStartDisabled))
        return kCommandsStartable;
    return kCommandsNone;
}

bool EnablingFor(int nCommandState, RunCommandEnabling* pEnabling)
{
    switch (nCommandState)
    {
    case kCommandsNone:
        *pEnabling = {false, false, false};
        return true;
    case kCommandsStopOnly:
        *pEnabling = {false, false, true};
        return true;
    case kCommandsPauseAndStop:
        *pEnabling = {false, true, true};
        return true;
    case kCommandsStartable:
        *pEnabling = {true, false, false};
        return true;
    case kCommandsPaused:
        *pEnabling = {true, false, true};
        return true;
    default:
        return false;
    }
}
