// What the manager keeps about its services in the registry, under
// SYSTEM\CurrentControlSet\Services. Read where the manager's own answer is
// slow (start types of a whole list) or empty (dependencies under Wine).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class CServicesKey
{
public:
    CServicesKey();
    ~CServicesKey();
    CServicesKey(const CServicesKey&) = delete;
    CServicesKey& operator=(const CServicesKey&) = delete;

    bool IsOpen() const { return m_hKey != nullptr; }
    // The stored start type; false when the key or value cannot be read.
    bool ReadStartType(const std::string& strService, DWORD* pdwStartType) const;
    // DependOnService, then DependOnGroup with each group marked by '+'.
    std::vector<std::string> ReadDependencies(const std::string& strService) const;
    // The services whose DependOnService names this one.
    std::vector<std::string> ReadDependents(const std::string& strService) const;

private:
    std::vector<std::string> ReadMultiString(HKEY hKey, const char* pszValue) const;

    HKEY m_hKey = nullptr;
};
