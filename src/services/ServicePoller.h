// One cheap look at every Win32 service for the status polling: a single
// enumeration carries states and accepted controls; start types come from
// the manager's registry store and are read again only when that store
// reports a change.
#pragma once

#include "common/RegKey.h"

#include <windows.h>

#include <string>
#include <unordered_map>

class IServiceSession;

class CServicePoller
{
public:
    struct Status
    {
        DWORD dwState;
        DWORD dwAccepted;
        bool bStartTypeKnown;
        DWORD dwStartType;
    };

    CServicePoller();
    ~CServicePoller();
    CServicePoller(const CServicePoller&) = delete;
    CServicePoller& operator=(const CServicePoller&) = delete;

    // 0, or the error of the enumeration (the last look is then kept).
    // Start types are read from the session's registry.
    DWORD Refresh(IServiceSession& session);
    // nullptr for a service the last enumeration did not list.
    const Status* Find(const std::wstring& wstrServiceName) const;
    // Start types are read under this root (the session's registry root);
    // another root forgets what was kept. Refresh sets it by itself.
    void UseRoot(HKEY hRoot);
    // Forgets the kept start types when the store reported a change since
    // the last check; Refresh checks by itself.
    void CheckStartTypes();
    // A service's start type from the manager's store, as a pass reads it:
    // kept from an earlier read unless the last check forgot it. False when
    // its key cannot be read.
    bool StartTypeOf(const std::wstring& wstrServiceName, DWORD* pdwStartType);
    // Makes the next Refresh read every start type again.
    void InvalidateStartTypes() { m_bStartTypesStale = true; }

private:
    bool StartTypesMayHaveChanged();
    void WatchServicesKey();
    // wstrKey is the ASCII-lowercased name.
    bool KeptStartType(const std::wstring& wstrKey, const wchar_t* pszName, DWORD* pdwStartType);
    bool ReadStartType(const std::wstring& wstrKey, const wchar_t* pszName, DWORD* pdwStartType);

    std::unordered_map<std::wstring, Status> m_services; // by ASCII-lowercased name
    std::unordered_map<std::wstring, DWORD> m_startTypes;
    // Each service's key stays open between reads: opening it costs twice
    // what the read itself does, and a re-read touches every service.
    std::unordered_map<std::wstring, CRegKey> m_serviceKeys;
    // The root the keys above were opened under; another one starts afresh.
    HKEY m_hRoot = nullptr;
    CRegKey m_servicesKey;
    CRegKey m_watchedKey;
    HANDLE m_hChanged = nullptr;
    bool m_bStartTypesStale = true;
};
