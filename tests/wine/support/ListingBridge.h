// The wide enumeration loop (ListServices) for a test file that also holds
// the 8-bit one: their headers give their function types the same names, so
// the two cannot meet in one file. Goes with the 8-bit loop.
#pragma once

#include "services/ServiceSession.h"

#include <windows.h>

#include <functional>
#include <vector>

// What ServiceListing.h calls EnumServicesFunction.
using WideEnumServicesFunction = std::function<BOOL(SC_HANDLE hManager, DWORD dwServiceType, DWORD dwServiceState,
                                                    ENUM_SERVICE_STATUSW* pServices, DWORD cbBufSize,
                                                    DWORD* pcbBytesNeeded, DWORD* pServicesReturned,
                                                    DWORD* pResumeHandle)>;

// ListServices(hManager, dwServiceType, pServices, enumerate).
DWORD ListServicesThrough(SC_HANDLE hManager, DWORD dwServiceType, std::vector<EnumeratedService>* pServices,
                          const WideEnumServicesFunction& enumerate);
