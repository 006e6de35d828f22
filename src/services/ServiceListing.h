// Lists the service manager serves in batches: every service of some types,
// and the services that depend on one, copied out of the manager's buffers
// with their real names.
#pragma once

#include "services/ServiceSession.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// What is called in place of EnumServicesStatusW and EnumDependentServicesW:
// the system's functions by default, a stand-in otherwise.
using EnumServicesFunction = std::function<BOOL(SC_HANDLE hManager, DWORD dwServiceType, DWORD dwServiceState,
                                                ENUM_SERVICE_STATUSW* pServices, DWORD cbBufSize,
                                                DWORD* pcbBytesNeeded, DWORD* pServicesReturned,
                                                DWORD* pResumeHandle)>;
using EnumDependentsFunction =
    std::function<BOOL(SC_HANDLE hService, DWORD dwServiceState, ENUM_SERVICE_STATUSW* pServices, DWORD cbBufSize,
                       DWORD* pcbBytesNeeded, DWORD* pServicesReturned)>;

// Every service of the types the manager lists; 0 or the enumeration's
// error code, the list empty on an error. *pdwBufferBytes, when given, is
// the room the first call gets and afterwards the room the list took, so
// that a caller listing again and again asks the manager once each time.
DWORD ListServices(SC_HANDLE hManager, DWORD dwServiceType, std::vector<EnumeratedService>* pServices,
                   const EnumServicesFunction& enumerate = EnumServicesStatusW, DWORD* pdwBufferBytes = nullptr);

// The names of the services that depend on an open service, in any state;
// 0 or the error code, with the list empty on an error.
DWORD ListDependentServices(SC_HANDLE hService, std::vector<std::wstring>* pNames,
                            const EnumDependentsFunction& enumerate = EnumDependentServicesW);
