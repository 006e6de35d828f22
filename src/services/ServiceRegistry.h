// What the manager keeps about its services in the registry, under
// SYSTEM\CurrentControlSet\Services. Read where the manager's own answer is
// slow (start types of a whole list) or empty (dependencies under Wine).
#pragma once

#include "common/RegKey.h"

#include <windows.h>

#include <string>
#include <vector>

class CServicesKey
{
public:
    static constexpr const char* kPath = "SYSTEM\\CurrentControlSet\\Services";

    CServicesKey();
    CServicesKey(const CServicesKey&) = delete;
    CServicesKey& operator=(const CServicesKey&) = delete;

    // The Start value of one service's open key. ERROR_SUCCESS, the
    // registry's error (ERROR_KEY_DELETED for a key deleted since it was
    // opened), or ERROR_INVALID_DATA when the value is not a DWORD.
    static LONG ReadStartValue(HKEY hServiceKey, DWORD* pdwStartType);

    bool IsOpen() const { return m_key.IsOpen(); }
    // The stored start type; false when the key or value cannot be read.
    bool ReadStartType(const std::string& strService, DWORD* pdwStartType) const;
    // DependOnService, then (unless bGroups is false) DependOnGroup with
    // each group marked by '+'; *pbKeyRead, when asked, says whether the
    // service's key could be read.
    std::vector<std::string> ReadDependencies(const std::string& strService, bool* pbKeyRead = nullptr,
                                              bool bGroups = true) const;
    // The services whose DependOnService names this one.
    std::vector<std::string> ReadDependents(const std::string& strService) const;

private:
    std::vector<std::string> ReadMultiString(HKEY hKey, const char* pszValue) const;

    CRegKey m_key;
};
