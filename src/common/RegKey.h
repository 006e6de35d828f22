// An owned registry key: closed when its owner goes, handed on by moving.
#pragma once

#include <windows.h>

class CRegKey
{
public:
    CRegKey() = default;
    ~CRegKey() { Close(); }
    CRegKey(CRegKey&& other) noexcept : m_hKey(other.Release()) {}
    CRegKey& operator=(CRegKey&& other) noexcept;
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;

    // Each closes the key held before; on failure none is held afterwards.
    LONG Open(HKEY hParent, const char* pszSubkey, REGSAM samDesired);
    // Opens the key, making it (and the keys above it) when it is missing.
    LONG Create(HKEY hParent, const char* pszSubkey, REGSAM samDesired);
    // The same by real (UTF-16) names.
    LONG Open(HKEY hParent, const wchar_t* pszSubkey, REGSAM samDesired);
    LONG Create(HKEY hParent, const wchar_t* pszSubkey, REGSAM samDesired);

    bool IsOpen() const { return m_hKey != nullptr; }
    HKEY Get() const { return m_hKey; }
    // The caller owns the key from here on.
    HKEY Release()
    {
        HKEY hKey = m_hKey;
        m_hKey = nullptr;
        return hKey;
    }
    void Close();

private:
    // Holds the key a successful call gave.
    LONG Keep(LONG nResult, HKEY hKey);

    HKEY m_hKey = nullptr;
};
