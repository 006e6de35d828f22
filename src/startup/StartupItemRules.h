// Texts of the startup items window that need no registry.
#pragma once

#include <cstddef>
#include <string>

namespace StartupItemRules
{
constexpr const char* kRunKeyPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kCurrentUser = "HKEY_CURRENT_USER";
constexpr const char* kLocalMachine = "HKEY_LOCAL_MACHINE";

// The program file a command starts, cut out only to fetch its icon:
// up to ".exe" (or ".dll", else the first three characters), from the drive
// letter on when there is one. Case-sensitive, as the command is written.
std::string ExtractIconPath(const std::string& strCommand);

// What follows the location of a key in the 32-bit programs' view.
constexpr const char* kThirtyTwoBitView = " (32位)";

// "HKEY_...\\SOFTWARE\\...\\Run", and kThirtyTwoBitView after it for the
// 32-bit programs' view.
std::string LocationText(const std::string& strRootName, const std::string& strSubkey, bool bThirtyTwoBit = false);
// Splits a location at its first backslash; false when it has none.
bool SplitLocation(const std::string& strLocation, std::string* pstrRootName, std::string* pstrSubkey);

// A value's data as text: the bytes returned, up to their first NUL.
std::string DataAsText(const unsigned char* pData, std::size_t nBytes);

// The details pane: name, command and location under their labels.
std::string DetailsText(const std::string& strName, const std::string& strCommand, const std::string& strLocation);
} // namespace StartupItemRules
