#include "config/ServiceConfigStore.h"

#include "common/FileHandle.h"
#include "config/ServiceConfigFile.h"

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

bool WriteServiceConfigFile(CServiceControl& service, const std::string& strPath,
                            const std::function<void(DWORD dwError)>& report, const EnumServicesFunction& enumerate)
{
    // The list first: a failed enumeration leaves an older file as it was.
    std::vector<EnumeratedServiceA> services;
    CFileHandle file;
    if (EnumerateWin32Services(service.ManagerHandle(), &services, enumerate) != 0 || !file.Create(strPath))
        return false;
    // Half a backup is no backup: the file goes again when anything fails.
    auto abandon = [&] {
        file.Close();
        DeleteFileA(strPath.c_str());
        return false;
    };
    for (const EnumeratedServiceA& listed : services)
    {
        std::string strStartType;
        int nIndex = 0;
        DWORD dwError = 0;
        {
            CServiceControl::COpenService open(service, listed.strName, CServiceControl::kAccessRead);
            dwError = open.Error();
            if (dwError == 0)
                dwError = service.QueryConfig(&strStartType, nullptr, nullptr, nullptr, &nIndex);
        }
        if (dwError == ERROR_SERVICE_DOES_NOT_EXIST)
            continue;
        if (dwError != 0)
        {
            report(dwError);
            continue;
        }
        if (!file.Write(ServiceConfigFile::FormatRecord(listed.strName, strStartType)))
            return abandon();
    }
    if (!FlushFileBuffers(file.Get()))
        return abandon();
    file.Close();
    return true;
}
