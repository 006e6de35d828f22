#include "config/ServiceConfigStore.h"

#include "common/FileHandle.h"
#include "common/GbkText.h"
#include "config/ServiceConfigFile.h"
#include "services/ServiceTexts.h"

#include <commdlg.h>

#include <vector>

namespace
{
// A configuration file is a few kilobytes; anything far larger is not one.
constexpr DWORD kMaxConfigFileBytes = 16 * 1024 * 1024;
} // namespace

bool ReadServiceConfigFile(const std::string& strPath, std::string* pstrData)
{
    return ReadWholeFile(strPath, pstrData, kMaxConfigFileBytes);
}

bool ChooseServiceConfigFile(HWND hOwner, bool bSave, std::string* pstrPath)
{
    char szPath[MAX_PATH] = "config.svc";
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = hOwner;
    ofn.lpstrFilter = "服务配置文件(*.svc)\0*.svc\0";
    ofn.lpstrFile = szPath;
    ofn.nMaxFile = sizeof(szPath);
    ofn.lpstrDefExt = "svc";
    ofn.Flags = OFN_HIDEREADONLY;
    BOOL bChosen = bSave ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    if (!bChosen)
        return false;
    *pstrPath = szPath;
    return true;
}

bool WriteServiceConfigFile(IServiceSession& session, const std::string& strPath,
                            const std::function<void(DWORD dwError)>& report, int* pnLeftOut)
{
    *pnLeftOut = 0;
    // The list first: a failed enumeration leaves an older file as it was.
    std::vector<EnumeratedService> services;
    CFileHandle file;
    if (session.Enumerate(SERVICE_WIN32, &services) != 0 || !file.Create(strPath))
        return false;
    // Half a backup is no backup: the file goes again when anything fails.
    auto abandon = [&] {
        file.Close();
        DeleteFileA(strPath.c_str());
        return false;
    };
    for (const EnumeratedService& listed : services)
    {
        // The file is GBK: a name it cannot hold exactly would name another
        // service, or none, when the file is read.
        std::string strName;
        if (!GbkText::FromWideExactly(listed.wstrName, &strName))
        {
            ++*pnLeftOut;
            continue;
        }
        DWORD dwStartType = 0;
        DWORD dwError = ReadStartTypeOf(session, listed.wstrName, &dwStartType);
        if (dwError == ERROR_SERVICE_DOES_NOT_EXIST)
            continue;
        if (dwError != 0)
        {
            report(dwError);
            continue;
        }
        if (!file.Write(ServiceConfigFile::FormatRecord(strName, ServiceTexts::StartTypeText(dwStartType))))
            return abandon();
    }
    if (!FlushFileBuffers(file.Get()))
        return abandon();
    file.Close();
    return true;
}
