// Every Win32 service (or driver) the manager lists, and the services that
// depend on one, copied out of the manager's buffers.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct EnumeratedServiceA
{
    std::string strName;        // GBK
    std::string strDisplayName; // GBK
    SERVICE_STATUS status;
};

// What is called in place of EnumServicesStatusA and EnumDependentServicesA:
// the system's functions by default, a stand-in of the tests otherwise.
using EnumServicesFunction = std::function<BOOL(SC_HANDLE hManager, DWORD dwServiceType, DWORD dwServiceState,
                                                ENUM_SERVICE_STATUSA* pServices, DWORD cbBufSize,
                                                DWORD* pcbBytesNeeded, DWORD* pServicesReturned,
                                                DWORD* pResumeHandle)>;
using EnumDependentsFunction =
    std::function<BOOL(SC_HANDLE hService, DWORD dwServiceState, ENUM_SERVICE_STATUSA* pServices, DWORD cbBufSize,
                       DWORD* pcbBytesNeeded, DWORD* pServicesReturned)>;

// Every service of the types (SERVICE_WIN32, SERVICE_DRIVER) the manager
// lists; 0 or the enumeration's error code, the list empty on an error.
DWORD EnumerateServices(SC_HANDLE hManager, DWORD dwServiceType, std::vector<EnumeratedServiceA>* pServices,
                        const EnumServicesFunction& enumerate = EnumServicesStatusA);

inline DWORD EnumerateWin32Services(SC_HANDLE hManager, std::vector<EnumeratedServiceA>* pServices,
                                    const EnumServicesFunction& enumerate = EnumServicesStatusA)
{
    return EnumerateServices(hManager, SERVICE_WIN32, pServices, enumerate);
}

// The names of the services that depend on an open service, in any state;
// 0 or the error code, with the list empty on an error.
DWORD EnumerateDependentServices(SC_HANDLE hService, std::vector<std::string>* pNames,
                                 const EnumDependentsFunction& enumerate = EnumDependentServicesA);
