#include "services/ServiceRegistry.h"

#include "common/MultiString.h"
#include "common/RegistryListing.h"
#include "common/WideText.h"
#include "services/ServiceSession.h"

CServicesKey::CServicesKey(HKEY hRoot)
{
    if (hRoot != nullptr)
        m_key.Open(hRoot, IServiceSession::kServicesKeyPath, KEY_READ);
}

LONG CServicesKey::ReadNumberValue(HKEY hServiceKey, const wchar_t* pszValue, DWORD* pdwValue)
{
    DWORD dwType = 0, dwValue = 0, dwSize = sizeof(dwValue);
    LONG nResult =
        RegQueryValueExW(hServiceKey, pszValue, nullptr, &dwType, reinterpret_cast<BYTE*>(&dwValue), &dwSize);
    if (nResult != ERROR_SUCCESS)
        return nResult;
    if (dwType != REG_DWORD || dwSize != sizeof(dwValue))
        return ERROR_INVALID_DATA;
    *pdwValue = dwValue;
    return ERROR_SUCCESS;
}

bool CServicesKey::ReadStartType(const std::wstring& wstrService, DWORD* pdwStartType) const
{
    CRegKey service;
    return m_key.IsOpen() && service.Open(m_key.Get(), wstrService.c_str(), KEY_QUERY_VALUE) == ERROR_SUCCESS &&
           ReadStartValue(service.Get(), pdwStartType) == ERROR_SUCCESS;
}

std::vector<std::wstring> CServicesKey::ReadListValue(HKEY hKey, const wchar_t* pszValue)
{
    // Most lists fit the first buffer, so one call is usually enough; a
    // longer one is read again with the size it gave.
    std::vector<wchar_t> data(256);
    for (int nTry = 0; nTry < 3; ++nTry)
    {
        DWORD dwType = 0, dwSize = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        LONG lResult =
            RegQueryValueExW(hKey, pszValue, nullptr, &dwType, reinterpret_cast<BYTE*>(data.data()), &dwSize);
        if (lResult == ERROR_MORE_DATA && dwSize > data.size() * sizeof(wchar_t))
        {
            data.assign(dwSize / sizeof(wchar_t) + 1, L'\0');
            continue;
        }
        if (lResult != ERROR_SUCCESS || (dwType != REG_MULTI_SZ && dwType != REG_SZ) || dwSize == 0)
            return {};
        size_t nChars = dwSize / sizeof(wchar_t);
        return SplitMultiString(data.data(), nChars < data.size() ? nChars : data.size());
    }
    return {};
}

std::vector<std::wstring> CServicesKey::ReadDependencies(const std::wstring& wstrService, bool* pbKeyRead,
                                                         bool bGroups) const
{
    std::vector<std::wstring> names;
    CRegKey service;
    bool bOpened = m_key.IsOpen() && service.Open(m_key.Get(), wstrService.c_str(), KEY_READ) == ERROR_SUCCESS;
    if (pbKeyRead != nullptr)
        *pbKeyRead = bOpened;
    if (!bOpened)
        return names;
    names = ReadListValue(service.Get(), L"DependOnService");
    if (bGroups)
    {
        for (const std::wstring& wstrGroup : ReadListValue(service.Get(), L"DependOnGroup"))
            names.push_back(L"+" + wstrGroup);
    }
    return names;
}

std::vector<std::wstring> CServicesKey::ReadDependents(const std::wstring& wstrService) const
{
    std::vector<std::wstring> dependents;
    if (!m_key.IsOpen())
        return dependents;
    ForEachRegistrySubkey(m_key.Get(), [&](const std::wstring& wstrName) {
        CRegKey service;
        if (service.Open(m_key.Get(), wstrName.c_str(), KEY_READ) != ERROR_SUCCESS)
            return;
        for (const std::wstring& wstrDependency : ReadListValue(service.Get(), L"DependOnService"))
        {
            if (EqualsNoCaseWide(wstrDependency, wstrService))
            {
                dependents.push_back(wstrName);
                break;
            }
        }
    });
    return dependents;
}
