// The Windows side of the journal's protection: reading who owns and may
// change a file or folder, and the security the journal's folder and files
// are made with.
#pragma once

#include "changes/JournalTrust.h"

#include <windows.h>

#include <string>

namespace JournalSecurity
{
// The object's owner and access list; false when they cannot be read.
bool Read(const std::string& strPath, JournalTrust::Descriptor* pDescriptor);
// Whether the system enforces access lists on files at all: Wine keeps
// only Unix mode bits and checks none.
bool SystemEnforcesFileAcls();
// "Everyone (S-1-1-0)", or the SID alone when it has no name here.
std::string AccountText(const std::string& strSid);

// Security attributes for the journal's folder (Administrators and SYSTEM
// may change it and what it holds, users may read, nothing is inherited
// from above) or for a file made in it (owned by Administrators, its
// rights inherited from the folder).
class CAttributes
{
public:
    enum class For
    {
        Folder,
        File,
    };
    explicit CAttributes(For what);
    ~CAttributes();
    CAttributes(const CAttributes&) = delete;
    CAttributes& operator=(const CAttributes&) = delete;
    // nullptr when the descriptor could not be made.
    SECURITY_ATTRIBUTES* Get() { return m_attributes.lpSecurityDescriptor != nullptr ? &m_attributes : nullptr; }

private:
    SECURITY_ATTRIBUTES m_attributes = {};
};
} // namespace JournalSecurity
