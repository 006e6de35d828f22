// A program that holds what it is told to, for the sampler's test:
//   qm_soak_target.exe COUNT EVENTS
// sets the event EVENTS_ready, waits for EVENTS_go, then makes COUNT
// events, COUNT brushes, COUNT menus and COUNT icons, commits and touches
// COUNT times 256 KB and spends COUNT times 20 ms of CPU, sets
// EVENTS_holding and waits to be ended.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    int nCount = std::atoi(argv[1]);
    std::string strEvents = argv[2];
    HANDLE hReady = OpenEventA(EVENT_MODIFY_STATE, FALSE, (strEvents + "_ready").c_str());
    HANDLE hGo = OpenEventA(SYNCHRONIZE, FALSE, (strEvents + "_go").c_str());
    HANDLE hHolding = OpenEventA(EVENT_MODIFY_STATE, FALSE, (strEvents + "_holding").c_str());
    if (hReady == nullptr || hGo == nullptr || hHolding == nullptr)
        return 3;
    // The icon copied below is loaded either way.
    HICON hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    SetEvent(hReady);
    WaitForSingleObject(hGo, INFINITE);
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
    SetEvent(hHolding);
    Sleep(INFINITE);
    return 0;
}
