#include "changes/JournalTrust.h"

#include <gtest/gtest.h>

namespace
{
using namespace JournalTrust;

// Who, if anyone, stands in the way, for descriptors as Windows and Wine
// hand them out: the journal's folder as made, plus one entry.
TEST(JournalTrustTest, OnlyTheSystemsOwnAccountsMayOwnOrChange)
{
    const char* const kAdmins = "S-1-5-32-544";
    const char* const kUser = "S-1-5-21-1-2-3-1001";
    const struct
    {
        const char* pszWhat;
        const char* pszOwner;
        Ace added;
        bool bNullDacl;
        std::string strHolder;
    } cases[] = {
        {"as the folder is made", kAdmins, {AceKind::Other, false, 0, kUser}, false, ""},
        {"owned by TrustedInstaller", "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
         {AceKind::Other, false, 0, kUser}, false, ""},
        {"a user made it first", kUser, {AceKind::Other, false, 0, kUser}, false, kUser},
        {"no access list at all", kAdmins, {AceKind::Other, false, 0, kUser}, true, kEveryoneSid},
        {"Everyone may write (Wine, mode 0666)", kAdmins, {AceKind::Allow, false, 0x2, kEveryoneSid}, false,
         kEveryoneSid},
        {"may delete", kAdmins, {AceKind::Allow, false, 0x10000, kUser}, false, kUser},
        {"may change the rights", kAdmins, {AceKind::Allow, false, 0x40000, kUser}, false, kUser},
        {"may delete what the folder holds", kAdmins, {AceKind::Allow, false, 0x40, kUser}, false, kUser},
        {"generic write", kAdmins, {AceKind::Allow, false, 0x40000000, kUser}, false, kUser},
        {"Everyone may read", kAdmins, {AceKind::Allow, false, 0x1200A9, kEveryoneSid}, false, ""},
        {"denied everything", kAdmins, {AceKind::Deny, false, 0x1F01FF, kUser}, false, ""},
        {"only for what is made inside", kAdmins, {AceKind::Allow, true, 0x1F01FF, "S-1-3-0"}, false, ""},
        {"creator owner on the object", kAdmins, {AceKind::Allow, false, 0x1F01FF, "S-1-3-0"}, false, "S-1-3-0"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        Descriptor descriptor = {c.pszOwner,
                                 c.bNullDacl,
                                 {{AceKind::Allow, false, 0x1F01FF, "S-1-5-18"},
                                  {AceKind::Allow, false, 0x1F01FF, kAdmins},
                                  {AceKind::Allow, false, 0x1200A9, "S-1-5-32-545"},
                                  c.added}};
        EXPECT_EQ(c.strHolder, UntrustedHolder(descriptor));
    }
}
} // namespace
