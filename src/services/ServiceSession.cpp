#include "services/ServiceSession.h"

namespace
{
// How long StopAndDelete gives a service to stop before marking it.
constexpr DWORD kStopGraceMs = 500;
constexpr DWORD kStopPollMs = 25;
} // namespace

DWORD CService::QueryStartType(DWORD* pdwStartType)
{
    ServiceConfig config;
    DWORD dwError = QueryConfig(&config);
    if (dwError == 0)
        *pdwStartType = config.dwStartType;
    return dwError;
}

DWORD ReadStartTypeOf(IServiceSession& session, const std::wstring& wstrName, DWORD* pdwStartType)
{
    CService service;
    DWORD dwError = session.Open(wstrName, IServiceSession::kAccessRead, &service);
    return dwError != 0 ? dwError : service.QueryStartType(pdwStartType);
}

DWORD CService::StopAndDelete()
{
    SERVICE_STATUS status = {};
    if (DWORD dwError = QueryStatus(&status))
        return dwError;
    if (status.dwCurrentState != SERVICE_STOPPED)
    {
        if (DWORD dwError = Control(SERVICE_CONTROL_STOP, &status))
            return dwError;
        // Give the service a moment to stop so that it can go at once; a
        // slower one is still marked and goes when it has stopped.
        for (DWORD dwWaited = 0; dwWaited < kStopGraceMs; dwWaited += kStopPollMs)
        {
            if (QueryStatus(&status) == 0 && status.dwCurrentState == SERVICE_STOPPED)
                break;
            Sleep(kStopPollMs);
        }
    }
    return Delete();
}
