// A service program for the tests. Its behaviour comes from its own command
// line, which is part of the service's configured path:
//
//   --accept=LIST           controls accepted while running: stop, pause
//                           (pause and continue), none; default "stop"
//   --start-pending=MS      linger in START_PENDING before running
//   --stop-pending=MS       linger in STOP_PENDING before stopping
//   --pause-pending=MS      linger in PAUSE_PENDING before pausing
//   --continue-pending=MS   linger in CONTINUE_PENDING before running
//   --never-report          never report a status (the start times out)
//   --exit-at-start         exit before connecting to the manager
//
// Unknown arguments are ignored, so tests can pad the path.
//
// Whatever it accepts, the service stops when the event named by
// TestBedQuitEventName is set, so that tests can always clean up: Wine
// notices a killed service process only after some twenty seconds.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
struct Options
{
    DWORD dwAccepted = SERVICE_ACCEPT_STOP;
    DWORD dwStartPendingMs = 0;
    DWORD dwStopPendingMs = 0;
    DWORD dwPausePendingMs = 0;
    DWORD dwContinuePendingMs = 0;
    bool bNeverReport = false;
    bool bExitAtStart = false;
};

Options g_options;
SERVICE_STATUS_HANDLE g_hStatus = nullptr;
SERVICE_STATUS g_status = {};
CRITICAL_SECTION g_lock;
HANDLE g_hRequest = nullptr;
HANDLE g_hQuit = nullptr;
DWORD g_dwRequest = 0; // the control the worker has still to carry out

bool HasItem(const std::string& list, const char* item)
{
    std::string::size_type start = 0;
    while (start <= list.size())
    {
        std::string::size_type end = list.find(',', start);
        if (end == std::string::npos)
            end = list.size();
        if (list.compare(start, end - start, item) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

bool ValueOf(const char* arg, const char* name, std::string* pValue)
{
    std::size_t len = std::strlen(name);
    if (std::strncmp(arg, name, len) != 0 || arg[len] != '=')
        return false;
    *pValue = arg + len + 1;
    return true;
}

void ParseOptions(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
    {
        std::string value;
        const char* arg = argv[i];
        if (ValueOf(arg, "--accept", &value))
        {
            g_options.dwAccepted = 0;
            if (HasItem(value, "stop"))
                g_options.dwAccepted |= SERVICE_ACCEPT_STOP;
            if (HasItem(value, "pause"))
                g_options.dwAccepted |= SERVICE_ACCEPT_PAUSE_CONTINUE;
        }
        else if (ValueOf(arg, "--start-pending", &value))
            g_options.dwStartPendingMs = std::strtoul(value.c_str(), nullptr, 10);
        else if (ValueOf(arg, "--stop-pending", &value))
            g_options.dwStopPendingMs = std::strtoul(value.c_str(), nullptr, 10);
        else if (ValueOf(arg, "--pause-pending", &value))
            g_options.dwPausePendingMs = std::strtoul(value.c_str(), nullptr, 10);
        else if (ValueOf(arg, "--continue-pending", &value))
            g_options.dwContinuePendingMs = std::strtoul(value.c_str(), nullptr, 10);
        else if (std::strcmp(arg, "--never-report") == 0)
            g_options.bNeverReport = true;
        else if (std::strcmp(arg, "--exit-at-start") == 0)
            g_options.bExitAtStart = true;
    }
}

void Report(DWORD dwState, DWORD dwAccepted, DWORD dwWaitHint)
{
    EnterCriticalSection(&g_lock);
    g_status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    g_status.dwCurrentState = dwState;
    g_status.dwControlsAccepted = dwAccepted;
    g_status.dwWin32ExitCode = NO_ERROR;
    g_status.dwWaitHint = dwWaitHint;
    bool bPending = dwState == SERVICE_START_PENDING || dwState == SERVICE_STOP_PENDING ||
                    dwState == SERVICE_PAUSE_PENDING || dwState == SERVICE_CONTINUE_PENDING;
    g_status.dwCheckPoint = bPending ? g_status.dwCheckPoint + 1 : 0;
    SetServiceStatus(g_hStatus, &g_status);
    LeaveCriticalSection(&g_lock);
}

// Lingering is what the service under test does; the tests themselves wait
// for the states it reports.
// Returns false when the quit event ended the wait.
bool Linger(DWORD dwState, DWORD dwAccepted, DWORD dwMs)
{
    if (dwMs == 0)
        return true;
    Report(dwState, dwAccepted, dwMs + 2000);
    return WaitForSingleObject(g_hQuit, dwMs) == WAIT_TIMEOUT;
}

DWORD WINAPI Handler(DWORD dwControl, DWORD, void*, void*)
{
    switch (dwControl)
    {
    case SERVICE_CONTROL_INTERROGATE:
        return NO_ERROR;
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_PAUSE:
    case SERVICE_CONTROL_CONTINUE:
        break;
    default:
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
    EnterCriticalSection(&g_lock);
    g_dwRequest = dwControl;
    LeaveCriticalSection(&g_lock);
    SetEvent(g_hRequest);
    return NO_ERROR;
}

void WINAPI ServiceMain(DWORD, char** argv)
{
    g_hStatus = RegisterServiceCtrlHandlerExA(argv[0], Handler, nullptr);
    if (g_hStatus == nullptr || g_options.bNeverReport)
    {
        if (g_options.bNeverReport)
            Sleep(INFINITE);
        return;
    }
    std::string strQuitEvent = std::string("QmTestBed.Quit.") + argv[0];
    g_hQuit = CreateEventA(nullptr, TRUE, FALSE, strQuitEvent.c_str());
    if (!Linger(SERVICE_START_PENDING, 0, g_options.dwStartPendingMs))
    {
        Report(SERVICE_STOPPED, 0, 0);
        return;
    }
    Report(SERVICE_RUNNING, g_options.dwAccepted, 0);

    for (;;)
    {
        HANDLE handles[] = {g_hRequest, g_hQuit};
        if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0)
        {
            Report(SERVICE_STOPPED, 0, 0);
            return;
        }
        EnterCriticalSection(&g_lock);
        DWORD dwRequest = g_dwRequest;
        g_dwRequest = 0;
        LeaveCriticalSection(&g_lock);

        switch (dwRequest)
        {
        case SERVICE_CONTROL_STOP:
            Linger(SERVICE_STOP_PENDING, 0, g_options.dwStopPendingMs);
            Report(SERVICE_STOPPED, 0, 0);
            return;
        case SERVICE_CONTROL_PAUSE:
            Linger(SERVICE_PAUSE_PENDING, g_options.dwAccepted, g_options.dwPausePendingMs);
            Report(SERVICE_PAUSED, g_options.dwAccepted, 0);
            break;
        case SERVICE_CONTROL_CONTINUE:
            Linger(SERVICE_CONTINUE_PENDING, g_options.dwAccepted, g_options.dwContinuePendingMs);
            Report(SERVICE_RUNNING, g_options.dwAccepted, 0);
            break;
        default:
            break;
        }
    }
}
} // namespace

int main(int argc, char** argv)
{
    ParseOptions(argc, argv);
    if (g_options.bExitAtStart)
        return 3;
    InitializeCriticalSection(&g_lock);
    g_hRequest = CreateEventA(nullptr, FALSE, FALSE, nullptr);

    char szEmpty[] = "";
    SERVICE_TABLE_ENTRYA table[] = {{szEmpty, ServiceMain}, {nullptr, nullptr}};
    if (!StartServiceCtrlDispatcherA(table))
        return static_cast<int>(GetLastError());
    return 0;
}
