#include "changes/StartTypePreview.h"

#include "common/AsciiText.h"
#include "services/ServiceTexts.h"

#include <cstdio>
#include <set>

void CRunningDependents::AddRunning(const std::string& strName, const std::string& strDisplayName,
                                    const std::vector<std::string>& dependencies)
{
    std::string strKey = AsciiLower(strName);
    m_displayNames[strKey] = strDisplayName.empty() ? strName : strDisplayName;
    for (const std::string& strDependency : dependencies)
    {
        if (strDependency.empty() || strDependency[0] == '+')
            continue;
        m_dependentsOf[AsciiLower(strDependency)].push_back(strKey);
    }
}

std::vector<std::string> CRunningDependents::Of(const std::string& strName) const
{
    std::vector<std::string> names;
    std::set<std::string> seen = {AsciiLower(strName)};
    std::vector<std::string> pending = {AsciiLower(strName)};
    // Breadth first, so direct dependents come before those that need them.
    for (size_t i = 0; i < pending.size(); ++i)
    {
        auto found = m_dependentsOf.find(pending[i]);
        if (found == m_dependentsOf.end())
            continue;
        for (const std::string& strDependent : found->second)
        {
            if (!seen.insert(strDependent).second)
                continue;
            pending.push_back(strDependent);
            names.push_back(m_displayNames.at(strDependent));
        }
    }
    return names;
}

namespace StartTypePreview
{
std::string SummaryText(int nChanges, int nUnchanged, int nNotInstalled)
{
    char szText[160];
    if (nChanges == 0)
        std::snprintf(szText, sizeof(szText), "没有需要更改的服务,不会做任何更改。(%d 个不变,%d 个未安装)", nUnchanged,
                      nNotInstalled);
    else
        std::snprintf(szText, sizeof(szText), "将更改 %d 个服务的启动类型,%d 个不变,%d 个未安装。", nChanges,
                      nUnchanged, nNotInstalled);
    return szText;
}

PreviewContent Build(const std::string& strTitle, const std::vector<PlannedService>& services, int nNotInstalled)
{
    PreviewContent content;
    content.strTitle = strTitle;
    int nUnchanged = 0;
    for (const PlannedService& service : services)
    {
        if (service.bCurrentKnown && service.dwCurrent == service.dwNew)
        {
            ++nUnchanged;
            continue;
        }
        PreviewRow row;
        row.strDisplayName = service.strDisplayName.empty() ? service.strName : service.strDisplayName;
        row.strName = service.strName;
        row.strCurrent = service.bCurrentKnown ? ServiceTexts::StartTypeText(service.dwCurrent)
                                               : ServiceTexts::kUnknownStartType;
        row.strNew = ServiceTexts::StartTypeText(service.dwNew);
        if (service.dwNew == ServiceTexts::kStartDisabled)
        {
            row.runningDependents = service.runningDependents;
            row.bMarked = !row.runningDependents.empty();
        }
        content.rows.push_back(std::move(row));
    }
    content.bAnyChange = !content.rows.empty();
    content.strSummary = SummaryText(static_cast<int>(content.rows.size()), nUnchanged, nNotInstalled);
    return content;
}
} // namespace StartTypePreview
