#include "services/RunOperation.h"

const RunOperationInfo& InfoOf(RunOperation operation)
{
    static const RunOperationInfo kOperations[] = {
        {IServiceSession::kAccessStart, 0, ServiceTexts::kStartPending, RunState::StartPending, kCommandsStopOnly},
        {IServiceSession::kAccessStop, SERVICE_CONTROL_STOP, ServiceTexts::kStopPending, RunState::StopPending,
         kCommandsStartable},
        {IServiceSession::kAccessPauseContinue, SERVICE_CONTROL_PAUSE, ServiceTexts::kPausing, RunState::PausePending,
         kCommandsPaused},
        {IServiceSession::kAccessPauseContinue, SERVICE_CONTROL_CONTINUE, ServiceTexts::kContinuing,
         RunState::ContinuePending, kCommandsPauseAndStop},
    };
    return kOperations[operation - kRunStart];
}

DWORD RunServiceOperation(IServiceSession& session, const std::wstring& wstrName, RunOperation operation)
{
    const RunOperationInfo& info = InfoOf(operation);
    CService service;
    if (DWORD dwError = session.Open(wstrName, info.dwAccess, &service))
        return dwError;
    SERVICE_STATUS status = {};
    return info.dwControl == 0 ? service.Start() : service.Control(info.dwControl, &status);
}
