#include "changes/PreviewText.h"

#include <algorithm>

namespace PreviewText
{
namespace
{
std::string Joined(const std::vector<std::string>& parts, const char* pszSeparator)
{
    std::string strJoined;
    for (std::size_t i = 0; i < parts.size(); ++i)
    {
        if (i > 0)
            strJoined += pszSeparator;
        strJoined += parts[i];
    }
    return strJoined;
}
} // namespace

std::array<std::string, kColumnCount> Cells(const PreviewRow& row)
{
    std::string strLast = Joined(row.runningDependents, kDependentSeparator);
    if (!row.strHeld.empty())
        strLast = kHeldOpen + row.strHeld + kHeldClose + strLast;
    return {std::string(row.bMarked ? kMarker : "") + (row.failingAtStart.empty() ? "" : kFailingMarker) +
                row.strDisplayName,
            row.strName, row.strCurrent, row.strNew, strLast};
}

std::string FailingNote(const PreviewRow& row)
{
    return std::string(kFailingMarker) + " 禁用 " + row.strDisplayName + " 后,依赖它的自动服务 " +
           Joined(row.failingAtStart, kDependentSeparator) + " 下次启动 Windows 时将无法启动。";
}

bool AnyMarked(const PreviewContent& content)
{
    for (const PreviewRow& row : content.rows)
    {
        if (row.bMarked)
            return true;
    }
    return false;
}

std::string NotesText(const PreviewContent& content)
{
    std::vector<std::string> lines = content.notes;
    for (const PreviewRow& row : content.rows)
    {
        if (!row.failingAtStart.empty())
            lines.push_back(FailingNote(row));
    }
    if (AnyMarked(content))
        lines.push_back(kLegend);
    return Joined(lines, kLineBreak);
}

std::vector<bool> DefaultTicks(const PreviewContent& content)
{
    std::vector<bool> ticked;
    for (const PreviewRow& row : content.rows)
        ticked.push_back(!content.bTickBoxes || row.bTicked);
    return ticked;
}

std::string SummaryFor(const PreviewContent& content, const std::vector<bool>& ticked)
{
    if (!content.bTickBoxes || !content.summaryFor)
        return content.strSummary;
    int nUnticked = 0;
    for (std::size_t i = 0; i < content.rows.size(); ++i)
        nUnticked += i < ticked.size() && ticked[i] ? 0 : 1;
    return content.summaryFor(nUnticked);
}

bool CanApply(const PreviewContent& content, const std::vector<bool>& ticked)
{
    return content.bAnyChange && (!content.bTickBoxes || !TickedItems(content, ticked).empty());
}

std::vector<std::size_t> TickedItems(const PreviewContent& content, const std::vector<bool>& ticked)
{
    std::vector<std::size_t> items;
    for (std::size_t i = 0; i < content.rows.size(); ++i)
    {
        if (!content.bTickBoxes || (i < ticked.size() && ticked[i]))
            items.push_back(content.rows[i].nItem);
    }
    return items;
}
ColumnWidthArray ColumnWidths(const ColumnWidthArray& headings, const ColumnWidthArray& wanted, int nAvailable)
{
    // The start-type columns, then the others from the narrowest wanted.
    constexpr int kFixed[] = {2, 3};
    std::array<int, 3> flexible = {0, 1, 4};
    ColumnWidthArray widths = {};
    int nLeft = nAvailable;
    for (int nColumn : kFixed)
    {
        widths[nColumn] = std::max(wanted[nColumn], headings[nColumn]);
        nLeft -= widths[nColumn];
    }
    std::stable_sort(flexible.begin(), flexible.end(), [&](int a, int b) { return wanted[a] < wanted[b]; });
    for (std::size_t i = 0; i < flexible.size(); ++i)
    {
        int nColumn = flexible[i];
        int nShare = std::max(nLeft, 0) / static_cast<int>(flexible.size() - i);
        widths[nColumn] = std::max(std::min(wanted[nColumn], nShare), headings[nColumn]);
        nLeft -= widths[nColumn];
    }
    if (nLeft > 0)
        widths[kColumnCount - 1] += nLeft;
    return widths;
}
} // namespace PreviewText
