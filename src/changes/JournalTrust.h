// Whether the change journal can be trusted: the program runs elevated and
// takes back what the journal says, so the journal, its folder and the data
// kept beside it may be owned and changed only by the system's own
// accounts. Portable: the caller reads an object's security into a
// Descriptor.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace JournalTrust
{
enum class AceKind
{
    Allow,
    Deny,
    Other, // audit and the like: grants nothing
};

struct Ace
{
    AceKind kind = AceKind::Allow;
    bool bInheritOnly = false; // for what is made inside, not the object itself
    std::uint32_t dwMask = 0;
    std::string strSid; // "S-1-5-18"
};

struct Descriptor
{
    std::string strOwnerSid;
    // No access list at all lets everyone do everything.
    bool bNullDacl = false;
    std::vector<Ace> aces;
};

// Rights that let their holder change what the journal says or who may:
// writing or appending data, its attributes, deleting it or what a folder
// holds, and changing its rights or owner (generic rights included).
constexpr std::uint32_t kChangeRights = 0x00000002 | 0x00000004 | 0x00000010 | 0x00000040 | 0x00000100 |
                                        0x00010000 | 0x00040000 | 0x00080000 | 0x10000000 | 0x40000000;
// The one who can change everything, used when there is no access list.
constexpr const char* kEveryoneSid = "S-1-1-0";

// SYSTEM, Administrators and TrustedInstaller.
bool IsTrustedSid(const std::string& strSid);

// The first account, owner first, that is not trusted yet owns the object
// or holds a right to change it; empty when there is none. Deny entries
// are not weighed: an allowed right is enough to refuse.
std::string UntrustedHolder(const Descriptor& descriptor);

// What the user is told when the journal (or its folder) at strPath is not
// to be trusted; strWho names the account.
std::string UntrustedText(const std::string& strPath, const std::string& strWho);
// ... when its security cannot be read at all.
std::string UnreadableSecurityText(const std::string& strPath);
} // namespace JournalTrust
