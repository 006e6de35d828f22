// Walks the values or the subkeys of an open registry key by index.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Real name, type and data of one value; the data (strings in UTF-16) is
// only good during the call.
using RegistryValueVisitor =
    std::function<void(const std::wstring& wstrName, DWORD dwType, const BYTE* pData, DWORD dwDataSize)>;
using RegistrySubkeyVisitor = std::function<void(const std::wstring& wstrName)>;

// Each value of the key in the order the registry gives. ERROR_SUCCESS once
// the end is reached, otherwise the error that ended the walk early.
LONG ForEachRegistryValue(HKEY hKey, const RegistryValueVisitor& visit);
// Each subkey name, likewise.
LONG ForEachRegistrySubkey(HKEY hKey, const RegistrySubkeyVisitor& visit);
