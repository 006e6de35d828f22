// A Run value's exact bytes, read before it is deleted and written back
// when the deletion is taken back.
#pragma once

#include <windows.h>

#include <string>

namespace RunValues
{
// Where a Run key is read: a root, and for the machine's the registry view
// (KEY_WOW64_64KEY or KEY_WOW64_32KEY; 0 for the one this build sees).
struct Place
{
    HKEY hRoot = nullptr;
    REGSAM samView = 0;
};

// How the change journal names a place: "HKCU"; "HKLM64" and "HKLM32" for
// the machine's two views; "HKLM", as earlier versions wrote it, for the
// view this build sees by default. nullptr for any other place; false for
// any other token. hLocalMachine is the computer's HKEY_LOCAL_MACHINE as
// its session opened it.
const char* PlaceToken(const Place& place, HKEY hLocalMachine);
bool PlaceFromToken(const std::string& strToken, HKEY hLocalMachine, Place* pPlace);
// Whether the computer keeps the 32-bit programs' keys apart (64-bit
// Windows); on 32-bit Windows both views are the one key.
bool HasSeparate32BitView(HKEY hLocalMachine);

// ERROR_SUCCESS with the value's type and its bytes as the registry keeps
// them (strings in UTF-16), or the registry's error
// (ERROR_FILE_NOT_FOUND for a value or key that is not there).
// Values are named by their real UTF-16 names.
LONG Read(const Place& place, const std::string& strSubkey, const std::wstring& wstrName, DWORD* pdwType,
          std::string* pData);
// Writes the value as given, making the key when it is missing.
LONG Write(const Place& place, const std::string& strSubkey, const std::wstring& wstrName, DWORD dwType,
           const std::string& data);
// Deletes the value; ERROR_SUCCESS or the registry's error.
LONG Delete(const Place& place, const std::string& strSubkey, const std::wstring& wstrName);
} // namespace RunValues
