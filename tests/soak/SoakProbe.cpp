// Loaded into the program under soak by CResourceSampler: each export runs
// as a thread of that process and answers one count of it as its exit code
// (0xFFFFFFFF when it cannot tell). Wine answers GetGuiResources and the
// process memory counters with zeros, and reports no CPU time of another
// process, so the program is asked from inside.
#include "soak/ObjectCounts.h"

#include <windows.h>

namespace
{
constexpr DWORD kUnknown = 0xFFFFFFFF;

// CPU time the probes themselves spent in this process, in 100 ns units,
// so that the program's own time can be told apart.
volatile LONG64 g_llProbeTime = 0;

ULONGLONG ValueOf(const FILETIME& time)
{
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Adds the calling probe thread's time so far.
DWORD Counted(DWORD dwResult)
{
    FILETIME created, exited, kernel, user;
    if (GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user))
        InterlockedExchangeAdd64(&g_llProbeTime, static_cast<LONG64>(ValueOf(kernel) + ValueOf(user)));
    return dwResult;
}
} // namespace

extern "C" {

// Windows, menus, icons and cursors of this process.
__declspec(dllexport) DWORD WINAPI QmCountUserObjects(void*)
{
    return Counted(CountUserObjects());
}

__declspec(dllexport) DWORD WINAPI QmCountGdiObjects(void*)
{
    DWORD dwCount = CountGdiObjects();
    return dwCount == kUnknown ? kUnknown : Counted(dwCount);
}

// Committed private memory, in KB.
__declspec(dllexport) DWORD WINAPI QmPrivateKilobytes(void*)
{
    return Counted(PrivateKilobytes());
}

// User plus kernel time of this process, the probes' own left out, in ms.
__declspec(dllexport) DWORD WINAPI QmCpuMilliseconds(void*)
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return kUnknown;
    Counted(0);
    LONG64 llOwn = static_cast<LONG64>(ValueOf(kernel) + ValueOf(user)) - g_llProbeTime;
    return static_cast<DWORD>(llOwn > 0 ? llOwn / 10000 : 0);
}
}
