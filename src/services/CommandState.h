// Which of start, pause and stop a service allows, from its row's texts and
// the controls it accepts.
#pragma once

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

CommandState CommandStateFor(const std::string& strState, std::uint32_t dwAccepted,
                             const std::string& strStartType);

struct RunCommandEnabling
{
    bool bStart;
    bool bPause;
    bool bStop;
};

// The enabling of the three commands for a state; false for a code that
// names none, in which case the commands are left as they are.
bool EnablingFor(int nCommandState, RunCommandEnabling* pEnabling);
