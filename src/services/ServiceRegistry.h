// What the manager keeps about its services in the registry, under
// SYSTEM\CurrentControlSet\Services of its computer's root. Read where the
// manager's own answer is slow (start types of a whole list) or empty
// (dependencies under Wine).
#pragma once

#include "common/RegKey.h"

#include <windows.h>

#include <string>
#include <vector>

class CServicesKey
{
public:
    // The same path as IServiceSession::kServicesKeyPath, for 8-bit calls.
    static constexpr const char* kPath = "SYSTEM\\CurrentControlSet\\Services";

    // hRoot is the HKEY_LOCAL_MACHINE of the session's computer; a null one
    // gives a key that reads nothing.
    explicit CServicesKey(HKEY hRoot);
    CServicesKey(const CServicesKey&) = delete;
    CServicesKey& operator=(const CServicesKey&) = delete;

    // A DWORD value of one service's open key. ERROR_SUCCESS, the
    // registry's error (ERROR_KEY_DELETED for a key deleted since it was
    // opened), or ERROR_INVALID_DATA when the value is not a DWORD.
    static LONG ReadNumberValue(HKEY hServiceKey, const wchar_t* pszValue, DWORD* pdwValue);
    static LONG ReadStartValue(HKEY hServiceKey, DWORD* pdwStartType)
    {
        return ReadNumberValue(hServiceKey, L"Start", pdwStartType);
    }
    // A list value (DependOnService, DependOnGroup) of an open key; none
    // when it is missing or not a list.
    static std::vector<std::wstring> ReadListValue(HKEY hKey, const wchar_t* pszValue);

    bool IsOpen() const { return m_key.IsOpen(); }
    HKEY Get() const { return m_key.Get(); }
    // The stored start type; false when the key or value cannot be read.
    bool ReadStartType(const std::wstring& wstrService, DWORD* pdwStartType) const;
    // DependOnService, then (unless bGroups is false) DependOnGroup with
    // each group marked by '+'; *pbKeyRead, when asked, says whether the
    // service's key could be read.
    std::vector<std::wstring> ReadDependencies(const std::wstring& wstrService, bool* pbKeyRead = nullptr,
                                               bool bGroups = true) const;
    // The services whose DependOnService names this one.
    std::vector<std::wstring> ReadDependents(const std::wstring& wstrService) const;

private:
    CRegKey m_key;
};
