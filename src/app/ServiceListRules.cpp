#include "app/ServiceListRules.h"

#include "services/ServiceTexts.h"

#include <cstring>

namespace ServiceListRules
{
std::string FilterForCategory(const std::string& strItemText)
{
    if (strItemText.empty() || strItemText == kStartTypeGroup || strItemText == kRunStateGroup ||
        strItemText == kRoot)
        return kAll;
    return strItemText;
}

bool PassesFilter(const std::string& strFilter, const std::string& strState, const std::string& strStartType)
{
    if (strFilter == kAll)
        return true;
    if (strFilter == ServiceTexts::kRunning || strFilter == ServiceTexts::kPaused)
        return strState == strFilter;
    if (strFilter == kStoppedLeaf)
        return strState.empty();
    if (strFilter == ServiceTexts::kAuto || strFilter == ServiceTexts::kManual ||
        strFilter == ServiceTexts::kDisabled)
        return strStartType == strFilter;
    return false;
}

int CompareDisplayNames(const std::string& strLeft, const std::string& strRight)
{
    std::size_t nCommon = strLeft.size() < strRight.size() ? strLeft.size() : strRight.size();
    // memcmp compares as unsigned char, so GBK lead bytes sort after ASCII.
    int nResult = std::memcmp(strLeft.data(), strRight.data(), nCommon);
    if (nResult != 0)
        return nResult;
    if (strLeft.size() == strRight.size())
        return 0;
    return strLeft.size() < strRight.size() ? -1 : 1;
}

std::string SummaryText(int nCount, const std::string& strFilter)
{
    return "共有" + std::to_string(nCount) + "项" + strFilter + "系统服务";
}
} // namespace ServiceListRules
