#include "changes/StartTypePreview.h"

#include "changes/PreviewText.h"
#include "common/AsciiText.h"
#include "common/WideText.h"
#include "services/ServiceErrors.h"
#include "services/ServiceTexts.h"

#include <cstdio>
#include <set>

namespace
{
// How a line of a configuration file is written, after a line that is not.
constexpr const char* kLineFormat = "每行应为“服务名&启动类型”,启动类型为自动、手动或已禁用。";
} // namespace

void CRunningDependents::AddRunning(const std::wstring& wstrName, const std::string& strShownName,
                                    const std::vector<std::wstring>& dependencies)
{
    std::wstring wstrKey = WideAsciiLower(wstrName);
    m_displayNames[wstrKey] = strShownName;
    for (const std::wstring& wstrDependency : dependencies)
    {
        if (wstrDependency.empty() || wstrDependency[0] == L'+')
            continue;
        m_dependentsOf[WideAsciiLower(wstrDependency)].push_back(wstrKey);
    }
}

std::vector<std::string> CRunningDependents::Of(const std::wstring& wstrName) const
{
    std::vector<std::string> names;
    std::set<std::wstring> seen = {WideAsciiLower(wstrName)};
    std::vector<std::wstring> pending = {WideAsciiLower(wstrName)};
    // Breadth first, so direct dependents come before those that need them.
    for (size_t i = 0; i < pending.size(); ++i)
    {
        auto found = m_dependentsOf.find(pending[i]);
        if (found == m_dependentsOf.end())
            continue;
        for (const std::wstring& wstrDependent : found->second)
        {
            if (!seen.insert(wstrDependent).second)
                continue;
            pending.push_back(wstrDependent);
            names.push_back(m_displayNames.at(wstrDependent));
        }
    }
    return names;
}

namespace StartTypePreview
{
namespace
{
std::string Format(const char* pszFormat, int nFirst, int nSecond = 0, int nThird = 0)
{
    char szText[160];
    std::snprintf(szText, sizeof(szText), pszFormat, nFirst, nSecond, nThird);
    return szText;
}

// What the user is told of a file that is not what the reader takes.
std::vector<std::string> NotesFor(const Skipped& skipped)
{
    std::vector<std::string> notes;
    const char* pszEncoding = skipped.file.encoding == ServiceConfigFile::Encoding::Utf8    ? "UTF-8"
                              : skipped.file.encoding == ServiceConfigFile::Encoding::Utf16 ? "UTF-16"
                                                                                            : nullptr;
    // A file in another encoding is not understood anywhere, so where the
    // first bad line is says nothing more.
    if (pszEncoding != nullptr)
        notes.push_back(std::string("文件是 ") + pszEncoding +
                        " 编码,不是配置文件所用的 GBK 编码,其中的内容无法识别。请另存为 GBK(ANSI)编码后再导入。");
    else if (skipped.file.nNotUnderstood == 1)
        notes.push_back(Format("第 %d 行无法识别,已跳过。", skipped.file.nFirstNotUnderstood) + kLineFormat);
    else if (skipped.file.nNotUnderstood > 1)
        notes.push_back(Format("%d 行无法识别,已跳过(第一处在第 %d 行)。", skipped.file.nNotUnderstood,
                               skipped.file.nFirstNotUnderstood) +
                        kLineFormat);
    if (!skipped.drivers.empty())
    {
        std::string strNames;
        for (const std::string& strName : skipped.drivers)
            strNames += (strNames.empty() ? "" : "、") + strName;
        notes.push_back("不适用(驱动程序,不更改):" + strNames);
    }
    return notes;
}
} // namespace

std::string SummaryText(int nChanges, int nUnchanged, const Skipped& skipped)
{
    // The rare counts go after the usual ones, and only when there are any.
    std::string strMore;
    if (!skipped.drivers.empty())
        strMore += Format(",%d 个不适用", static_cast<int>(skipped.drivers.size()));
    if (skipped.file.nNotUnderstood > 0)
        strMore += Format(",%d 行无法识别", skipped.file.nNotUnderstood);
    if (nChanges == 0)
        return Format("没有需要更改的服务,不会做任何更改。(%d 个不变,%d 个未安装", nUnchanged,
                      skipped.nNotInstalled) +
               strMore + ")";
    return Format("将更改 %d 个服务的启动类型,%d 个不变,%d 个未安装", nChanges, nUnchanged, skipped.nNotInstalled) +
           strMore + "。";
}

PreviewContent Build(const std::string& strTitle, const std::vector<PlannedService>& services,
                     const Skipped& skipped)
{
    PreviewContent content;
    content.strTitle = strTitle;
    content.bTickBoxes = true;
    int nUnchanged = 0;
    for (std::size_t nItem = 0; nItem < services.size(); ++nItem)
    {
        const PlannedService& service = services[nItem];
        if (service.bCurrentKnown && service.dwCurrent == service.dwNew)
        {
            ++nUnchanged;
            continue;
        }
        PreviewRow row;
        row.nItem = nItem;
        // Names of the knowledge base and of the boot services are ASCII: a
        // GBK byte widened as it is matches none of them.
        row.strHeld = TickRule::HeldReason(TickRule::CKnowledgeHolds::Shared(),
                                           std::wstring(service.strName.begin(), service.strName.end()),
                                           service.bCurrentKnown, service.dwCurrent, service.dwNew, service.start);
        row.bTicked = row.strHeld.empty();
        row.strDisplayName = service.strDisplayName.empty() ? service.strName : service.strDisplayName;
        row.strName = service.strName;
        row.strCurrent = service.bCurrentKnown ? ServiceTexts::StartTypeText(service.dwCurrent)
                                               : ServiceTexts::kUnknownStartType;
        row.strNew = ServiceTexts::StartTypeText(service.dwNew);
        if (service.dwNew == ServiceTexts::kStartDisabled)
        {
            row.runningDependents = service.runningDependents;
            row.bMarked = !row.runningDependents.empty();
            row.failingAtStart = service.failingAtStart;
        }
        content.rows.push_back(std::move(row));
    }
    content.bAnyChange = !content.rows.empty();
    const int nRows = static_cast<int>(content.rows.size());
    content.summaryFor = [nRows, nUnchanged, skipped](int nUnticked) {
        return SummaryText(nRows - nUnticked, nUnchanged + nUnticked, skipped);
    };
    content.strSummary = PreviewText::SummaryFor(content, PreviewText::DefaultTicks(content));
    content.notes = NotesFor(skipped);
    return content;
}

PreviewContent Failures(const std::vector<FailedService>& failed)
{
    PreviewContent content;
    content.strTitle = kFailuresTitle;
    content.pHeadings = &kFailureHeadings;
    for (const FailedService& service : failed)
    {
        PreviewRow row;
        row.strDisplayName = service.strDisplayName;
        row.strName = service.strName;
        row.strCurrent = std::to_string(service.dwError);
        row.strNew = ServiceTexts::StartTypeText(service.dwNew);
        row.runningDependents = {ServiceFailureText(service.dwError)};
        content.rows.push_back(std::move(row));
    }
    content.strSummary = "有 " + std::to_string(failed.size()) + " 个服务未能更改。";
    return content;
}
} // namespace StartTypePreview
