#include "services/ServiceRegistry.h"

#include "common/AsciiText.h"
#include "common/MultiString.h"
#include "common/RegistryListing.h"

namespace
{
constexpr const char* kServicesPath = "SYSTEM\\CurrentControlSet\\Services";
}

CServicesKey::CServicesKey()
{
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServicesPath, 0, KEY_READ, &m_hKey) != ERROR_SUCCESS)
        m_hKey = nullptr;
}

CServicesKey::~CServicesKey()
{
    if (m_hKey != nullptr)
        RegCloseKey(m_hKey);
}

bool CServicesKey::ReadStartType(const std::string& strService, DWORD* pdwStartType) const
{
    if (m_hKey == nullptr)
        return false;
    HKEY hService = nullptr;
    if (RegOpenKeyExA(m_hKey, strService.c_str(), 0, KEY_QUERY_VALUE, &hService) != ERROR_SUCCESS)
        return false;
    DWORD dwType = 0, dwValue = 0, dwSize = sizeof(dwValue);
    LONG nResult =
        RegQueryValueExA(hService, "Start", nullptr, &dwType, reinterpret_cast<BYTE*>(&dwValue), &dwSize);
    RegCloseKey(hService);
    if (nResult != ERROR_SUCCESS || dwType != REG_DWORD || dwSize != sizeof(dwValue))
        return false;
    *pdwStartType = dwValue;
    return true;
}

std::vector<std::string> CServicesKey::ReadMultiString(HKEY hKey, const char* pszValue) const
{
    DWORD dwType = 0, dwSize = 0;
    if (RegQueryValueExA(hKey, pszValue, nullptr, &dwType, nullptr, &dwSize) != ERROR_SUCCESS ||
        (dwType != REG_MULTI_SZ && dwType != REG_SZ) || dwSize == 0)
        return {};
    std::vector<char> data(dwSize);
    if (RegQueryValueExA(hKey, pszValue, nullptr, &dwType, reinterpret_cast<BYTE*>(data.data()), &dwSize) !=
        ERROR_SUCCESS)
        return {};
    return SplitMultiString(data.data(), dwSize < data.size() ? dwSize : data.size());
}

std::vector<std::string> CServicesKey::ReadDependencies(const std::string& strService) const
{
    std::vector<std::string> names;
    HKEY hService = nullptr;
    if (m_hKey == nullptr || RegOpenKeyExA(m_hKey, strService.c_str(), 0, KEY_READ, &hService) != ERROR_SUCCESS)
        return names;
    names = ReadMultiString(hService, "DependOnService");
    for (const std::string& strGroup : ReadMultiString(hService, "DependOnGroup"))
        names.push_back("+" + strGroup);
    RegCloseKey(hService);
    return names;
}

std::vector<std::string> CServicesKey::ReadDependents(const std::string& strService) const
{
    std::vector<std::string> dependents;
    if (m_hKey == nullptr)
        return dependents;
    ForEachRegistrySubkey(m_hKey, [&](const std::string& strName) {
        HKEY hService = nullptr;
        if (RegOpenKeyExA(m_hKey, strName.c_str(), 0, KEY_READ, &hService) != ERROR_SUCCESS)
            return;
        for (const std::string& strDependency : ReadMultiString(hService, "DependOnService"))
        {
            if (EqualsNoCaseAscii(strDependency, strService))
            {
                dependents.push_back(strName);
                break;
            }
        }
        RegCloseKey(hService);
    });
    return dependents;
}
