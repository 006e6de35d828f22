// The manager-held parts of a service (failure actions, delayed start,
// required privileges, SID type, triggers) in ChangeServiceConfig2W's own
// records, which the headers for Windows XP do not declare; and both ways
// between those records and ServiceKeyParts.
#pragma once

#include "services/ServiceKeyParts.h"
#include "services/ServiceSession.h"

#include <windows.h>

#include <vector>

namespace ServiceConfig2
{
struct DelayedAutoStartInfo
{
    BOOL fDelayedAutostart;
};
struct FailureActionsFlag
{
    BOOL fFailureActionsOnNonCrashFailures;
};
struct SidInfo
{
    DWORD dwServiceSidType;
};
struct RequiredPrivilegesInfo
{
    wchar_t* pmszRequiredPrivileges;
};
struct TriggerDataItem
{
    DWORD dwDataType;
    DWORD cbData;
    BYTE* pData;
};
struct Trigger
{
    DWORD dwTriggerType;
    DWORD dwAction;
    GUID* pTriggerSubtype;
    DWORD cDataItems;
    TriggerDataItem* pDataItems;
};
struct TriggerInfo
{
    DWORD cTriggers;
    Trigger* pTriggers;
    BYTE* pReserved;
};

// Tells the manager each part the parts hold, one level at a time; the
// levels it refused are added to *pRefused with nothing else done about
// them here.
void SetParts(CService& service, const ServiceKeyParts::Parts& parts, std::vector<DWORD>* pRefused);
// What one ChangeServiceConfig2W record says, put into *pParts; false for a
// level or a record this does not know.
bool ReadRecord(DWORD dwLevel, const void* pInfo, ServiceKeyParts::Parts* pParts);
} // namespace ServiceConfig2
