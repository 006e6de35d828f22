#include "common/RegKey.h"

CRegKey& CRegKey::operator=(CRegKey&& other) noexcept
{
    if (this != &other)
    {
        Close();
        m_hKey = other.Release();
    }
    return *this;
}

LONG CRegKey::Keep(LONG nResult, HKEY hKey)
{
    if (nResult == ERROR_SUCCESS)
        m_hKey = hKey;
    return nResult;
}

LONG CRegKey::Open(HKEY hParent, const char* pszSubkey, REGSAM samDesired)
{
    Close();
    HKEY hKey = nullptr;
    LONG nResult = RegOpenKeyExA(hParent, pszSubkey, 0, samDesired, &hKey);
    return Keep(nResult, hKey);
}

LONG CRegKey::Create(HKEY hParent, const char* pszSubkey, REGSAM samDesired)
{
    Close();
    HKEY hKey = nullptr;
    LONG nResult = RegCreateKeyExA(hParent, pszSubkey, 0, nullptr, 0, samDesired, nullptr, &hKey, nullptr);
    return Keep(nResult, hKey);
}

LONG CRegKey::Open(HKEY hParent, const wchar_t* pszSubkey, REGSAM samDesired)
{
    Close();
    HKEY hKey = nullptr;
    LONG nResult = RegOpenKeyExW(hParent, pszSubkey, 0, samDesired, &hKey);
    return Keep(nResult, hKey);
}

LONG CRegKey::Create(HKEY hParent, const wchar_t* pszSubkey, REGSAM samDesired)
{
    Close();
    HKEY hKey = nullptr;
    LONG nResult = RegCreateKeyExW(hParent, pszSubkey, 0, nullptr, 0, samDesired, nullptr, &hKey, nullptr);
    return Keep(nResult, hKey);
}

void CRegKey::Close()
{
    if (m_hKey != nullptr)
        RegCloseKey(m_hKey);
    m_hKey = nullptr;
}
