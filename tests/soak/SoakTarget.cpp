// A program that holds what it is told to, for the sampler's test:
//   qm_soak_target.exe COUNT READY_EVENT
// makes COUNT events, COUNT brushes, COUNT menus and COUNT icons, commits
// and touches COUNT times 256 KB and spends COUNT times 20 ms of CPU, then
// sets the named event and waits to be ended.
#include <windows.h>

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    int nCount = std::atoi(argv[1]);
    // The icon copied below is loaded either way.
    HICON hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    for (int i = 0; i < nCount; ++i)
    {
        CreateEventA(nullptr, TRUE, FALSE, nullptr);
        CreateSolidBrush(RGB(i, 0, 0));
        CreatePopupMenu();
        CopyIcon(hIcon);
        const SIZE_T nSize = 256 * 1024;
        void* pMemory = VirtualAlloc(nullptr, nSize, MEM_COMMIT, PAGE_READWRITE);
        if (pMemory != nullptr)
            std::memset(pMemory, 1, nSize);
    }
    FILETIME created, exited, kernel, user;
    auto cpu = [&] {
        GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
        return ((static_cast<ULONGLONG>(user.dwHighDateTime) << 32) | user.dwLowDateTime) / 10000;
    };
    ULONGLONG ullStart = cpu();
    volatile unsigned uSpin = 0;
    while (cpu() - ullStart < static_cast<ULONGLONG>(nCount) * 20)
        ++uSpin;
    HANDLE hReady = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]);
    if (hReady == nullptr)
        return 3;
    SetEvent(hReady);
    Sleep(INFINITE);
    return 0;
}
