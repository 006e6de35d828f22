#include "app/ServiceListRules.h"

#include "services/ServiceTexts.h"

#include <cstring>

namespace ServiceListRules
{
Category CategoryFor(const std::string& strItemText)
{
    if (strItemText.empty() || strItemText == kAll || strItemText == kStartTypeGroup ||
        strItemText == kRunStateGroup || strItemText == kRoot)
        return AllServices();
    static const struct
    {
        const char* pszLeaf;
        RunState state;
    } kRunStateLeaves[] = {
        {ServiceTexts::kRunning, RunState::Running},
        {ServiceTexts::kPaused, RunState::Paused},
        {kStoppedLeaf, RunState::Stopped},
    };
    for (const auto& leaf : kRunStateLeaves)
    {
        if (strItemText == leaf.pszLeaf)
            return {ServiceFilter::OfRunState(leaf.state), strItemText};
    }
    std::size_t nStartTypes = 0;
    const StartTypeInfo* pStartTypes = ServiceTexts::StartTypeTable(&nStartTypes);
    for (std::size_t i = 0; i < nStartTypes; ++i)
    {
        if (pStartTypes[i].bLeaf && strItemText == pStartTypes[i].pszWord)
            return {ServiceFilter::OfStartType(pStartTypes[i].dwCode), strItemText};
    }
    return {ServiceFilter::Nothing(), strItemText};
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

std::string SummaryText(int nCount, const std::string& strWord)
{
    return "共有" + std::to_string(nCount) + "项" + strWord + "系统服务";
}
} // namespace ServiceListRules
