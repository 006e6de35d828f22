// A Run value's exact bytes, read before it is deleted and written back
// when the deletion is taken back.
#pragma once

#include <windows.h>

#include <string>

namespace RunValues
{
// "HKLM" or "HKCU" as the change journal names the two roots; nullptr or
// an empty name for any other. hLocalMachine is the computer's
// HKEY_LOCAL_MACHINE as its session opened it.
const char* RootToken(HKEY hRoot, HKEY hLocalMachine);
HKEY RootFromToken(const std::string& strToken, HKEY hLocalMachine);

// ERROR_SUCCESS with the value's type and its bytes as the registry keeps
// them (strings in UTF-16), or the registry's error
// (ERROR_FILE_NOT_FOUND for a value or key that is not there).
// Values are named by their real UTF-16 names.
LONG Read(HKEY hRoot, const std::string& strSubkey, const std::wstring& wstrName, DWORD* pdwType,
          std::string* pData);
// Writes the value as given, making the key when it is missing.
LONG Write(HKEY hRoot, const std::string& strSubkey, const std::wstring& wstrName, DWORD dwType,
           const std::string& data);
} // namespace RunValues
