// What the preview window writes into its list and its notes, from the
// content it is given. Portable: the window only puts these texts up.
#pragma once

#include "changes/ChangePreview.h"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

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
// Put before the display name of a row whose disabling makes automatic
// services fail at the next start of Windows; its note line says which.
constexpr const char* kFailingMarker = "△";
// Around the reason a row starts unticked, before its running dependents.
constexpr const char* kHeldOpen = "【";
constexpr const char* kHeldClose = "】";
// Between the lines of the notes area (a multi-line edit control).
constexpr const char* kLineBreak = "\r\n";

// The row's cells, column by column.
std::array<std::string, kColumnCount> Cells(const PreviewRow& row);
// Whether any row is marked, so that the legend is wanted.
bool AnyMarked(const PreviewContent& content);
// The line under the list that names the automatic services a row's
// change makes fail at the next start of Windows.
std::string FailingNote(const PreviewRow& row);
// The notes, one per line, the lines of rows that make automatic services
// fail, then the legend when a row is marked; empty when there is none.
std::string NotesText(const PreviewContent& content);

// The tick of each row as the window first shows it.
std::vector<bool> DefaultTicks(const PreviewContent& content);
// The summary for these ticks (as many as there are rows).
std::string SummaryFor(const PreviewContent& content, const std::vector<bool>& ticked);
// Whether "应用" would change anything with these ticks.
bool CanApply(const PreviewContent& content, const std::vector<bool>& ticked);
// The planned items of the ticked rows, in the rows' order; every row's
// when the content has no tick boxes.
std::vector<std::size_t> TickedItems(const PreviewContent& content, const std::vector<bool>& ticked);

using ColumnWidthArray = std::array<int, kColumnCount>;
// Widths of the columns in a list nAvailable pixels wide, from the width
// each heading needs and the width each column would need to show all its
// cells. The start types get what they need; the names and the dependents
// share the rest, a narrow one keeping what it needs and the others taking
// equal parts of what is left, but never less than their heading. Whatever
// is left over widens the last column to the list's edge.
ColumnWidthArray ColumnWidths(const ColumnWidthArray& headings, const ColumnWidthArray& wanted, int nAvailable);
} // namespace PreviewText
