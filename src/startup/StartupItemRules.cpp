#include "startup/StartupItemRules.h"

#include <cstring>

namespace StartupItemRules
{
std::string ExtractIconPath(const std::string& strCommand)
{
    std::string strPath;
    std::string::size_type nExe = strCommand.find(".exe");
    if (nExe != std::string::npos)
    {
        strPath = strCommand.substr(0, nExe + 4);
    }
    else
    {
        std::string::size_type nDll = strCommand.find(".dll");
        // Without either the first three characters stand (or fewer).
        std::string::size_type nLength = nDll == std::string::npos ? 3 : nDll + 4;
        strPath = strCommand.substr(0, nLength);
    }
    std::string::size_type nDrive = strPath.find(":\\");
    if (nDrive != std::string::npos && nDrive > 0)
        strPath = strPath.substr(nDrive - 1);
    return strPath;
}

std::string LocationText(const std::string& strRootName, const std::string& strSubkey, bool bThirtyTwoBit)
{
    return strRootName + "\\" + strSubkey + (bThirtyTwoBit ? kThirtyTwoBitView : "");
}

bool SplitLocation(const std::string& strLocation, std::string* pstrRootName, std::string* pstrSubkey)
{
    std::string::size_type nSeparator = strLocation.find('\\');
    if (nSeparator == std::string::npos)
        return false;
    *pstrRootName = strLocation.substr(0, nSeparator);
    *pstrSubkey = strLocation.substr(nSeparator + 1);
    return true;
}

std::string DataAsText(const unsigned char* pData, std::size_t nBytes)
{
    const void* pNul = nBytes > 0 ? std::memchr(pData, 0, nBytes) : nullptr;
    std::size_t nLength = pNul != nullptr ? static_cast<const unsigned char*>(pNul) - pData : nBytes;
    return std::string(reinterpret_cast<const char*>(pData), nLength);
}

std::string DetailsText(const std::string& strName, const std::string& strCommand, const std::string& strLocation)
{
    return "\n项目名称：" + strName + "\n\n执行命令：" + strCommand + "\n\n注册表位置：" + strLocation;
}
} // namespace StartupItemRules
