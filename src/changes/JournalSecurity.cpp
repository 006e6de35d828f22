#include "changes/JournalSecurity.h"

#include <aclapi.h>
#include <sddl.h>

namespace
{
std::string SidText(PSID pSid)
{
    char* pszSid = nullptr;
    if (pSid == nullptr || !ConvertSidToStringSidA(pSid, &pszSid))
        return std::string();
    std::string strSid = pszSid;
    LocalFree(pszSid);
    return strSid;
}

JournalTrust::AceKind KindOf(BYTE nType)
{
    switch (nType)
    {
    case ACCESS_ALLOWED_ACE_TYPE:
    case ACCESS_ALLOWED_OBJECT_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE:
    case ACCESS_ALLOWED_COMPOUND_ACE_TYPE:
        return JournalTrust::AceKind::Allow;
    case ACCESS_DENIED_ACE_TYPE:
    case ACCESS_DENIED_OBJECT_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE:
        return JournalTrust::AceKind::Deny;
    default:
        return JournalTrust::AceKind::Other;
    }
}

// The SID of an entry: after the mask for the plain kinds, after the
// object GUIDs for the object kinds.
PSID AceSid(const ACE_HEADER* pHeader)
{
    switch (pHeader->AceType)
    {
    case ACCESS_ALLOWED_OBJECT_ACE_TYPE:
    case ACCESS_DENIED_OBJECT_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE:
    {
        auto* pAce = reinterpret_cast<const ACCESS_ALLOWED_OBJECT_ACE*>(pHeader);
        const BYTE* pAt = reinterpret_cast<const BYTE*>(&pAce->ObjectType);
        if (pAce->Flags & ACE_OBJECT_TYPE_PRESENT)
            pAt += sizeof(GUID);
        if (pAce->Flags & ACE_INHERITED_OBJECT_TYPE_PRESENT)
            pAt += sizeof(GUID);
        return const_cast<BYTE*>(pAt);
    }
    case ACCESS_ALLOWED_COMPOUND_ACE_TYPE:
        return nullptr; // names two SIDs; left unnamed, and so refused
    default:
        return const_cast<DWORD*>(&reinterpret_cast<const ACCESS_ALLOWED_ACE*>(pHeader)->SidStart);
    }
}
} // namespace

namespace JournalSecurity
{
bool Read(const std::string& strPath, JournalTrust::Descriptor* pDescriptor)
{
    *pDescriptor = JournalTrust::Descriptor();
    PSECURITY_DESCRIPTOR pSecurity = nullptr;
    PSID pOwner = nullptr;
    PACL pDacl = nullptr;
    if (GetNamedSecurityInfoA(const_cast<char*>(strPath.c_str()), SE_FILE_OBJECT,
                              OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &pOwner, nullptr, &pDacl,
                              nullptr, &pSecurity) != ERROR_SUCCESS)
        return false;
    bool bRead = true;
    pDescriptor->strOwnerSid = SidText(pOwner);
    pDescriptor->bNullDacl = pDacl == nullptr;
    for (DWORD i = 0; pDacl != nullptr && i < pDacl->AceCount; ++i)
    {
        ACE_HEADER* pHeader = nullptr;
        if (!GetAce(pDacl, i, reinterpret_cast<void**>(&pHeader)))
        {
            bRead = false;
            break;
        }
        JournalTrust::Ace ace;
        ace.kind = KindOf(pHeader->AceType);
        ace.bInheritOnly = (pHeader->AceFlags & INHERIT_ONLY_ACE) != 0;
        ace.dwMask = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(pHeader)->Mask;
        ace.strSid = SidText(AceSid(pHeader));
        pDescriptor->aces.push_back(ace);
    }
    LocalFree(pSecurity);
    return bRead;
}

bool SystemEnforcesFileAcls()
{
    HMODULE hNtdll = GetModuleHandleA("ntdll.dll");
    return hNtdll == nullptr || GetProcAddress(hNtdll, "wine_get_version") == nullptr;
}

std::string AccountText(const std::string& strSid)
{
    PSID pSid = nullptr;
    if (!ConvertStringSidToSidA(strSid.c_str(), &pSid))
        return strSid;
    char szName[256] = {};
    char szDomain[256] = {};
    DWORD dwName = sizeof(szName);
    DWORD dwDomain = sizeof(szDomain);
    SID_NAME_USE use = SidTypeUnknown;
    std::string strText = strSid;
    if (LookupAccountSidA(nullptr, pSid, szName, &dwName, szDomain, &dwDomain, &use) && szName[0] != '\0')
        strText = std::string(szDomain[0] != '\0' ? std::string(szDomain) + "\\" : std::string()) + szName + " " +
                  strSid;
    LocalFree(pSid);
    return strText;
}

CAttributes::CAttributes(For what)
{
    // Owned by Administrators, so that the check this journal is read under
    // accepts what this program made, whoever the token names by default.
    const char* pszSddl = what == For::Folder
                              ? "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)"
                              : "O:BA";
    m_attributes.nLength = sizeof(m_attributes);
    PSECURITY_DESCRIPTOR pSecurity = nullptr;
    if (ConvertStringSecurityDescriptorToSecurityDescriptorA(pszSddl, SDDL_REVISION_1, &pSecurity, nullptr))
        m_attributes.lpSecurityDescriptor = pSecurity;
}

CAttributes::~CAttributes()
{
    if (m_attributes.lpSecurityDescriptor != nullptr)
        LocalFree(m_attributes.lpSecurityDescriptor);
}
} // namespace JournalSecurity
