// What the preview window writes into its list and its notes, from the
// content it is given. Portable: the window only puts these texts up.
#pragma once

#include "changes/ChangePreview.h"

#include <array>
#include <string>

namespace PreviewText
{
constexpr int kColumnCount = 5;
// The list's headings, in the order of its columns.
constexpr std::array<const char*, kColumnCount> kColumns = {"显示名称", "服务名称", "当前启动类型", "新启动类型",
                                                            "运行中的依赖服务"};
// The headings the content asks for, or the start types' own.
inline const std::array<const char*, kColumnCount>& HeadingsOf(const PreviewContent& content)
{
    return content.pHeadings != nullptr ? *content.pHeadings : kColumns;
}
// Put before the display name of a marked row.
constexpr const char* kMarker = "※";
// The line under the notes that explains the marker.
constexpr const char* kLegend = "※ 禁用后将停止正在运行的依赖服务";
constexpr const char* kDependentSeparator = "、";
// Between the lines of the notes area (a multi-line edit control).
constexpr const char* kLineBreak = "\r\n";

// The row's cells, column by column.
std::array<std::string, kColumnCount> Cells(const PreviewRow& row);
// Whether any row is marked, so that the legend is wanted.
bool AnyMarked(const PreviewContent& content);
// The notes, one per line, then the legend when a row is marked; empty when
// there is neither.
std::string NotesText(const PreviewContent& content);

using ColumnWidthArray = std::array<int, kColumnCount>;
// Widths of the columns in a list nAvailable pixels wide, from the width
// each heading needs and the width each column would need to show all its
// cells. The start types get what they need; the names and the dependents
// share the rest, a narrow one keeping what it needs and the others taking
// equal parts of what is left, but never less than their heading. Whatever
// is left over widens the last column to the list's edge.
ColumnWidthArray ColumnWidths(const ColumnWidthArray& headings, const ColumnWidthArray& wanted, int nAvailable);
} // namespace PreviewText
