#include "app/DetailsText.h"

namespace DetailsText
{
std::string Description(const std::string& strDescription, const std::string& strAdvice)
{
    return "服务描述:\n\n  " + strDescription + "\n\n补充:\n\n  " + strAdvice;
}

std::string StatusLine(const std::string& strBinaryPath)
{
    return "文件路径:" + strBinaryPath;
}

bool IsShownDependency(const std::string& strName)
{
    return strName.size() > 1;
}

std::vector<std::string> SplitMultiString(const char* pData, std::size_t nBytes)
{
    std::vector<std::string> names;
    std::size_t nStart = 0;
    while (nStart < nBytes && pData[nStart] != '\0')
    {
        std::size_t nEnd = nStart;
        while (nEnd < nBytes && pData[nEnd] != '\0')
            ++nEnd;
        names.emplace_back(pData + nStart, nEnd - nStart);
        nStart = nEnd + 1;
    }
    return names;
}
} // namespace DetailsText
