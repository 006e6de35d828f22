// Which of start, pause and stop a service allows, from its run state, its
// start type and the controls it accepts: values, never the words shown.
#pragma once

#include "services/ServiceTexts.h"

#include <cstdint>
#include <string>

enum CommandState : int
{
    kCommandsNone = 0,              // nothing possible
    kCommandsStopOnly = 1,          // running, can be stopped only
    kCommandsPauseAndStop = 9,      // running, can be paused and stopped
    kCommandsStartable = 100,       // stopped and startable
    kCommandsPaused = 101,          // paused: start continues it, stop stops it
};

constexpr std::uint32_t kAcceptStop = 1;
constexpr std::uint32_t kAcceptPauseContinue = 2;

// A start type that is not known counts as one that allows a start.
CommandState CommandStateFor(RunState state, std::uint32_t dwAccepted, bool bStartTypeKnown, std::uint32_t dwStartType);

struct RunCommandEnabling
{
    bool bStart;
    bool bPause;
    bool bStop;
};

// The enabling of the three commands for a state; false for a code that
// names none, in which case the commands are left as they are.
bool EnablingFor(int nCommandState, RunCommandEnabling* pEnabling);
