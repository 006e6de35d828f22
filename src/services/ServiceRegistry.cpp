#include "services/ServiceRegistry.h"

#include "common/AsciiText.h"
#include "common/MultiString.h"
#include "common/RegistryListing.h"

CServicesKey::CServicesKey()
{
    m_key.Open(HKEY_LOCAL_MACHINE, kPath, KEY_READ);
}

LONG CServicesKey::ReadStartValue(HKEY hServiceKey, DWORD* pdwStartType)
{
    DWORD dwType = 0, dwValue = 0, dwSize = sizeof(dwValue);
    LONG nResult =
        RegQueryValueExA(hServiceKey, "Start", nullptr, &dwType, reinterpret_cast<BYTE*>(&dwValue), &dwSize);
    if (nResult != ERROR_SUCCESS)
        return nResult;
    if (dwType != REG_DWORD || dwSize != sizeof(dwValue))
        return ERROR_INVALID_DATA;
    *pdwStartType = dwValue;
    return ERROR_SUCCESS;
}

bool CServicesKey::ReadStartType(const std::string& strService, DWORD* pdwStartType) const
{
    CRegKey service;
    return m_key.IsOpen() && service.Open(m_key.Get(), strService.c_str(), KEY_QUERY_VALUE) == ERROR_SUCCESS &&
           ReadStartValue(service.Get(), pdwStartType) == ERROR_SUCCESS;
}

std::vector<std::string> CServicesKey::ReadMultiString(HKEY hKey, const char* pszValue) const
{
    // Most lists fit the first buffer, so one call is usually enough; a
    // longer one is read again with the size it gave.
    std::vector<char> data(512);
    for (int nTry = 0; nTry < 3; ++nTry)
    {
        DWORD dwType = 0, dwSize = static_cast<DWORD>(data.size());
        LONG lResult = RegQueryValueExA(hKey, pszValue, nullptr, &dwType, reinterpret_cast<BYTE*>(data.data()), &dwSize);
        if (lResult == ERROR_MORE_DATA && dwSize > data.size())
        {
            data.assign(dwSize, '\0');
            continue;
        }
        if (lResult != ERROR_SUCCESS || (dwType != REG_MULTI_SZ && dwType != REG_SZ) || dwSize == 0)
            return {};
        return SplitMultiString(data.data(), dwSize < data.size() ? dwSize : data.size());
    }
    return {};
}

std::vector<std::string> CServicesKey::ReadDependencies(const std::string& strService, bool* pbKeyRead,
                                                        bool bGroups) const
{
    std::vector<std::string> names;
    CRegKey service;
    bool bOpened = m_key.IsOpen() && service.Open(m_key.Get(), strService.c_str(), KEY_READ) == ERROR_SUCCESS;
    if (pbKeyRead != nullptr)
        *pbKeyRead = bOpened;
    if (!bOpened)
        return names;
    names = ReadMultiString(service.Get(), "DependOnService");
    if (bGroups)
    {
        for (const std::string& strGroup : ReadMultiString(service.Get(), "DependOnGroup"))
            names.push_back("+" + strGroup);
    }
    return names;
}

std::vector<std::string> CServicesKey::ReadDependents(const std::string& strService) const
{
    std::vector<std::string> dependents;
    if (!m_key.IsOpen())
        return dependents;
    ForEachRegistrySubkey(m_key.Get(), [&](const std::string& strName) {
        CRegKey service;
        if (service.Open(m_key.Get(), strName.c_str(), KEY_READ) != ERROR_SUCCESS)
            return;
        for (const std::string& strDependency : ReadMultiString(service.Get(), "DependOnService"))
        {
            if (EqualsNoCaseAscii(strDependency, strService))
            {
                dependents.push_back(strName);
                break;
            }
        }
    });
    return dependents;
}
