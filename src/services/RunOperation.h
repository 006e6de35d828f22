// The run commands as the manager is asked them, and what a row shows
// until the next pass.
#pragma once

#include "services/CommandState.h"
#include "services/ServiceSession.h"
#include "services/ServiceTexts.h"

#include <string>

enum RunOperation
{
    kRunStart = 1,
    kRunStop = 2,
    kRunPause = 3,
    kRunContinue = 4,
};
struct RunOperationInfo
{
    DWORD dwAccess;
    DWORD dwControl; // 0 for a start
    const char* pszPendingWord;
    RunState pendingState;
    int nCommandState; // what the commands allow meanwhile
};
const RunOperationInfo& InfoOf(RunOperation operation);
// 0 or the error of the open or of the command itself.
DWORD RunServiceOperation(IServiceSession& session, const std::wstring& wstrName, RunOperation operation);
