// Files the tests write for the program to read, or read after it wrote them.
#pragma once

#include "changes/JournalTrust.h"

#include <string>
#include <vector>

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

// Every name in a folder but "." and "..".
std::vector<std::string> NamesIn(const std::string& strFolder);
// Removes a file, or a folder with everything in it; nothing when absent.
void RemoveTree(const std::string& strPath);

// A path in the temporary folder no other test or run uses (stem, process,
// count, extension), cleared now and removed with whatever is there at the
// end of the scope. A folder is made there when asked.
class CTempPath
{
public:
    enum Kind { kFile, kFolder };
    explicit CTempPath(const std::string& strStem, const std::string& strExtension = "", Kind kind = kFile);
    ~CTempPath() { RemoveTree(m_strPath); }
    CTempPath(const CTempPath&) = delete;
    CTempPath& operator=(const CTempPath&) = delete;

    const std::string& Path() const { return m_strPath; }
    operator const std::string&() const { return m_strPath; }
    const char* c_str() const { return m_strPath.c_str(); }
    // A path inside the folder.
    std::string File(const std::string& strName) const { return m_strPath + "\\" + strName; }

private:
    std::string m_strPath;
};
