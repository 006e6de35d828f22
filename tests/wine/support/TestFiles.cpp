#include "support/TestFiles.h"

#include "changes/JournalSecurity.h"
#include "common/FileHandle.h"

#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>

std::string ReadFileText(const std::string& strPath)
{
    std::string strData;
    // Large enough for the program itself, built with its debug information.
    if (!ReadWholeFile(strPath, &strData, 1 << 26))
        return "(unreadable)";
    return strData;
}

bool FileExists(const std::string& strPath)
{
    return GetFileAttributesA(strPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteFileText(const std::string& strPath, const std::string& strData)
{
    CFileHandle file;
    ASSERT_TRUE(file.Create(strPath)) << strPath;
    ASSERT_TRUE(file.Write(strData)) << strPath;
}

bool ReadSecurityAsOnWindows(const std::string& strPath, JournalTrust::Descriptor* pDescriptor)
{
    if (!JournalSecurity::Read(strPath, pDescriptor))
        return false;
    const std::string strUser = pDescriptor->strOwnerSid;
    pDescriptor->strOwnerSid = "S-1-5-32-544";
    for (JournalTrust::Ace& ace : pDescriptor->aces)
    {
        if (ace.strSid == strUser)
            ace.strSid = "S-1-5-32-544";
    }
    return true;
}

void LetEveryoneWrite(const std::string& strPath)
{
    PSECURITY_DESCRIPTOR pSecurity = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;;FA;;;WD)", SDDL_REVISION_1, &pSecurity,
                                                                     nullptr));
    BOOL bPresent = FALSE, bDefaulted = FALSE;
    PACL pDacl = nullptr;
    GetSecurityDescriptorDacl(pSecurity, &bPresent, &pDacl, &bDefaulted);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS),
              SetNamedSecurityInfoA(const_cast<char*>(strPath.c_str()), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                    nullptr, nullptr, pDacl, nullptr));
    LocalFree(pSecurity);
}

std::vector<std::string> NamesIn(const std::string& strFolder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found = {};
    HANDLE hFind = FindFirstFileA((strFolder + "\\*").c_str(), &found);
    if (hFind == INVALID_HANDLE_VALUE)
        return names;
    do
    {
        std::string strName = found.cFileName;
        if (strName != "." && strName != "..")
            names.push_back(strName);
    } while (FindNextFileA(hFind, &found));
    FindClose(hFind);
    return names;
}

void RemoveTree(const std::string& strPath)
{
    DWORD dwAttributes = GetFileAttributesA(strPath.c_str());
    if (dwAttributes == INVALID_FILE_ATTRIBUTES)
        return;
    SetFileAttributesA(strPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    if ((dwAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
    {
        DeleteFileA(strPath.c_str());
        return;
    }
    for (const std::string& strName : NamesIn(strPath))
        RemoveTree(strPath + "\\" + strName);
    RemoveDirectoryA(strPath.c_str());
}

CTempPath::CTempPath(const std::string& strStem, const std::string& strExtension, Kind kind)
{
    static int s_nPaths = 0;
    char szTemp[MAX_PATH] = {};
    EXPECT_NE(0u, GetTempPathA(sizeof(szTemp), szTemp));
    m_strPath = std::string(szTemp) + strStem + "-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++s_nPaths) + strExtension;
    RemoveTree(m_strPath);
    if (kind == kFolder)
        EXPECT_TRUE(CreateDirectoryA(m_strPath.c_str(), nullptr)) << m_strPath;
}
