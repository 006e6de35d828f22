#include "soak/ObjectCounts.h"

#include <winternl.h>

namespace
{
constexpr DWORD kUnknown = 0xFFFFFFFF;

// USER handles are an index into one table in the low word; a zero high
// word matches whatever generation the object has.
constexpr DWORD kFirstUserHandle = 0x20;
constexpr DWORD kLastUserHandle = 0xFFEF;

// Wine's GDI handle table, whose address is in the process environment
// block: 16384 entries of 24 bytes, a nonzero type byte at offset 12 marks
// a live object.
constexpr int kGdiEntries = 16384;
constexpr int kGdiEntrySize = 24;
constexpr int kGdiTypeOffset = 12;
#ifdef _WIN64
constexpr int kPebGdiTableOffset = 0xF8;
#else
constexpr int kPebGdiTableOffset = 0x94;
#endif
BOOL CALLBACK CountChild(HWND, LPARAM lParam)
{
    ++*reinterpret_cast<DWORD*>(lParam);
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND hWnd, LPARAM lParam)
{
    DWORD dwOwner = 0;
    GetWindowThreadProcessId(hWnd, &dwOwner);
    if (dwOwner == GetCurrentProcessId())
    {
        ++*reinterpret_cast<DWORD*>(lParam);
        EnumChildWindows(hWnd, CountChild, lParam);
    }
    return TRUE;
}

} // namespace

DWORD CountUserObjects()
{
    // Windows by walking them (the top-level ones, their children, the
    // message-only ones): asking the server about every handle value would
    // take a second.
    DWORD dwCount = 0;
    EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&dwCount));
    for (HWND hMessage = FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr); hMessage != nullptr;
         hMessage = FindWindowExA(HWND_MESSAGE, hMessage, nullptr, nullptr))
        CountTopLevel(hMessage, reinterpret_cast<LPARAM>(&dwCount));
    // Menus and icons are this process's own: every handle value is asked.
    for (DWORD dwValue = kFirstUserHandle; dwValue <= kLastUserHandle; dwValue += 2)
    {
        HANDLE hObject = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(dwValue));
        if (IsMenu(static_cast<HMENU>(hObject)))
        {
            ++dwCount;
            continue;
        }
        ICONINFO info;
        if (GetIconInfo(static_cast<HICON>(hObject), &info))
        {
            ++dwCount;
            // The copies the call made.
            if (info.hbmMask != nullptr)
                DeleteObject(info.hbmMask);
            if (info.hbmColor != nullptr)
                DeleteObject(info.hbmColor);
        }
    }
    return dwCount;
}

DWORD CountGdiObjects()
{
    PROCESS_BASIC_INFORMATION basic;
    ULONG ulLength = 0;
    if (NtQueryInformationProcess(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof(basic), &ulLength) != 0)
        return kUnknown;
    const BYTE* pPeb = reinterpret_cast<const BYTE*>(basic.PebBaseAddress);
    const BYTE* pTable = *reinterpret_cast<const BYTE* const*>(pPeb + kPebGdiTableOffset);
    if (pTable == nullptr)
        return kUnknown;
    DWORD dwCount = 0;
    for (int i = 0; i < kGdiEntries; ++i)
        dwCount += pTable[i * kGdiEntrySize + kGdiTypeOffset] != 0 ? 1 : 0;
    return dwCount;
}

DWORD PrivateKilobytes()
{
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    ULONGLONG ullBytes = 0;
    const BYTE* pAddress = static_cast<const BYTE*>(system.lpMinimumApplicationAddress);
    MEMORY_BASIC_INFORMATION region;
    while (pAddress < system.lpMaximumApplicationAddress &&
           VirtualQuery(pAddress, &region, sizeof(region)) == sizeof(region))
    {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            ullBytes += region.RegionSize;
        pAddress = static_cast<const BYTE*>(region.BaseAddress) + region.RegionSize;
    }
    return static_cast<DWORD>(ullBytes / 1024);
}

