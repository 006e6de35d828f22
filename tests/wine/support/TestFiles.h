// Files the tests write for the program to read, or read after it wrote them.
#pragma once

#include "changes/JournalTrust.h"

#include <string>

// The whole file; "(unreadable)" when it cannot be read.
std::string ReadFileText(const std::string& strPath);
bool FileExists(const std::string& strPath);
// Creates or replaces the file; a failure fails the test.
void WriteFileText(const std::string& strPath, const std::string& strData);

// Wine names the Unix user as the owner and a holder of every file, where
// on Windows an administrator's files are Administrators'. Read that way,
// only what others may do decides whether the journal is trusted.
bool ReadSecurityAsOnWindows(const std::string& strPath, JournalTrust::Descriptor* pDescriptor);
// Gives Everyone every right on the file or folder (Wine: mode 0666/0777).
void LetEveryoneWrite(const std::string& strPath);
