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
    return {(row.bMarked ? kMarker : "") + row.strDisplayName, row.strName, row.strCurrent, row.strNew,
            Joined(row.runningDependents, kDependentSeparator)};
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
    if (AnyMarked(content))
        lines.push_back(kLegend);
    return Joined(lines, kLineBreak);
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
