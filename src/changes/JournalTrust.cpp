#include "changes/JournalTrust.h"

namespace JournalTrust
{
bool IsTrustedSid(const std::string& strSid)
{
    static const char* const kTrusted[] = {
        "S-1-5-18",     // SYSTEM
        "S-1-5-32-544", // Administrators
        "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464", // TrustedInstaller
    };
    for (const char* pszTrusted : kTrusted)
    {
        if (strSid == pszTrusted)
            return true;
    }
    return false;
}

std::string UntrustedHolder(const Descriptor& descriptor)
{
    if (!IsTrustedSid(descriptor.strOwnerSid))
        return descriptor.strOwnerSid.empty() ? std::string("?") : descriptor.strOwnerSid;
    if (descriptor.bNullDacl)
        return kEveryoneSid;
    for (const Ace& ace : descriptor.aces)
    {
        if (ace.kind == AceKind::Allow && !ace.bInheritOnly && (ace.dwMask & kChangeRights) != 0 &&
            !IsTrustedSid(ace.strSid))
            return ace.strSid;
    }
    return std::string();
}

std::string UntrustedText(const std::string& strPath, const std::string& strWho)
{
    return "更改记录(" + strPath + ")可被管理员以外的帐户(" + strWho + ")修改,不能信任其中的记录,未做任何更改!";
}

std::string UnreadableSecurityText(const std::string& strPath)
{
    return "无法读取更改记录(" + strPath + ")的安全设置,不能信任其中的记录,未做任何更改!";
}
} // namespace JournalTrust
