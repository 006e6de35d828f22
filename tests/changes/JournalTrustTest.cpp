#include "changes/JournalTrust.h"

#include <gtest/gtest.h>

namespace
{
using namespace JournalTrust;

const char* const kSystem = "S-1-5-18";
const char* const kAdmins = "S-1-5-32-544";
const char* const kInstaller = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
const char* const kUsers = "S-1-5-32-545";
const char* const kUser = "S-1-5-21-1-2-3-1001";
const uint32_t kFullControl = 0x001F01FF;
const uint32_t kReadAndExecute = 0x001200A9;

Descriptor Protected()
{
    return {kAdmins,
            false,
            {{AceKind::Allow, false, kFullControl, kSystem},
             {AceKind::Allow, false, kFullControl, kAdmins},
             {AceKind::Allow, false, kReadAndExecute, kUsers}}};
}

// Who, if anyone, stands in the way, for descriptors as Windows and Wine
// hand them out.
TEST(JournalTrustTest, OnlyTheSystemsOwnAccountsMayOwnOrChange)
{
    struct Case
    {
        const char* pszWhat;
        Descriptor descriptor;
        std::string strHolder;
    };
    auto with = [](Ace ace) {
        Descriptor descriptor = Protected();
        descriptor.aces.push_back(ace);
        return descriptor;
    };
    Descriptor ownedByUser = Protected();
    ownedByUser.strOwnerSid = kUser;
    Descriptor ownedByInstaller = Protected();
    ownedByInstaller.strOwnerSid = kInstaller;
    Descriptor nullDacl = Protected();
    nullDacl.bNullDacl = true;
    nullDacl.aces.clear();
    const Case cases[] = {
        {"as the folder is made", Protected(), ""},
        {"owned by TrustedInstaller", ownedByInstaller, ""},
        {"owned by SYSTEM, no one else", {kSystem, false, {{AceKind::Allow, false, kFullControl, kSystem}}}, ""},
        {"empty access list", {kAdmins, false, {}}, ""},
        {"a user made it first", ownedByUser, kUser},
        {"no owner read", {"", false, {}}, "?"},
        {"no access list at all", nullDacl, kEveryoneSid},
        {"Everyone may write (Wine, mode 0666)", with({AceKind::Allow, false, 0x2, kEveryoneSid}), kEveryoneSid},
        {"users may append", with({AceKind::Allow, false, 0x4, kUsers}), kUsers},
        {"a user may delete", with({AceKind::Allow, false, 0x10000, kUser}), kUser},
        {"a user may change the rights", with({AceKind::Allow, false, 0x40000, kUser}), kUser},
        {"a user may take ownership", with({AceKind::Allow, false, 0x80000, kUser}), kUser},
        {"a user may delete what the folder holds", with({AceKind::Allow, false, 0x40, kUser}), kUser},
        {"generic write", with({AceKind::Allow, false, 0x40000000, kUser}), kUser},
        {"generic all", with({AceKind::Allow, false, 0x10000000, kUser}), kUser},
        {"write attributes", with({AceKind::Allow, false, 0x100, kUser}), kUser},
        {"Everyone may read", with({AceKind::Allow, false, kReadAndExecute, kEveryoneSid}), ""},
        {"denied write", with({AceKind::Deny, false, kFullControl, kUser}), ""},
        {"audit entry", with({AceKind::Other, false, kFullControl, kUser}), ""},
        {"only for what is made inside", with({AceKind::Allow, true, kFullControl, "S-1-3-0"}), ""},
        {"creator owner on the object itself", with({AceKind::Allow, false, kFullControl, "S-1-3-0"}), "S-1-3-0"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        EXPECT_EQ(c.strHolder, UntrustedHolder(c.descriptor));
    }
}
} // namespace
