// Every Win32 service in one exactly sized buffer.
#pragma once

#include <windows.h>

#include <vector>

// 0 or the enumeration's error code; on an error the count is 0, since a
// failed call's count is not to be trusted (Wine leaves garbage there). A
// service registered between the size query and the call makes the call ask
// for more; it is then made again with the new size.
DWORD EnumerateWin32Services(SC_HANDLE hManager, std::vector<BYTE>* pBuffer, DWORD* pdwCount);

inline const ENUM_SERVICE_STATUSA* EnumeratedServices(const std::vector<BYTE>& buffer)
{
    return reinterpret_cast<const ENUM_SERVICE_STATUSA*>(buffer.data());
}
