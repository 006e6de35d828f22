#include "services/CommandState.h"

CommandState CommandStateFor(RunState state, std::uint32_t dwAccepted, bool bStartTypeKnown, std::uint32_t dwStartType)
{
    if (state == RunState::Running)
    {
        // A service that pauses gets stop too, whatever it says about stop.
        if (dwAccepted & kAcceptPauseContinue)
            return kCommandsPauseAndStop;
        if (!(dwAccepted & kAcceptStop))
            return kCommandsNone;
        return kCommandsStopOnly;
    }
    if (state == RunState::Paused)
        return kCommandsPaused;
    if (state == RunState::Stopped && !(bStartTypeKnown && dwStartType == ServiceTexts::kStartDisabled))
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
