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

} // namespace DetailsText
