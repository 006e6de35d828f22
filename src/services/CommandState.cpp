#include "services/CommandState.h"

#include "services/ServiceTexts.h"

CommandState CommandStateFor(const std::string& strState, std::uint32_t dwAccepted,
                             const std::string& strStartType)
{
    if (strState == ServiceTexts::kRunning)
    {
        // A service that pauses gets stop too, whatever it says about stop.
        if (dwAccepted & kAcceptPauseContinue)
            return kCommandsPauseAndStop;
        if (!(dwAccepted & kAcceptStop))
            return kCommandsNone;
        return kCommandsStopOnly;
    }
    if (strState == ServiceTexts::kPaused)
        return kCommandsPaused;
    if (strState.empty() && strStartType != ServiceTexts::kDisabled)
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
