#include "changes/PreviewText.h"

#include <gtest/gtest.h>

namespace
{
PreviewRow Row(const char* pszDisplay, const char* pszName, std::vector<std::string> dependents, bool bMarked)
{
    PreviewRow row;
    row.strDisplayName = pszDisplay;
    row.strName = pszName;
    row.strCurrent = "自动";
    row.strNew = "已禁用";
    row.runningDependents = std::move(dependents);
    row.bMarked = bMarked;
    return row;
}

TEST(PreviewTextTest, CellsFollowTheColumns)
{
    struct Case
    {
        const char* pszWhat;
        PreviewRow row;
        std::array<std::string, PreviewText::kColumnCount> cells;
    };
    const Case cases[] = {
        {"no dependents", Row("Print Spooler", "Spooler", {}, false),
         {"Print Spooler", "Spooler", "自动", "已禁用", ""}},
        {"one dependent", Row("Workstation", "LanmanWorkstation", {"Computer Browser"}, false),
         {"Workstation", "LanmanWorkstation", "自动", "已禁用", "Computer Browser"}},
        {"marked, three dependents", Row("远程过程调用", "RpcSs", {"Windows 音频", "任务计划", "事件日志"}, true),
         {"※远程过程调用", "RpcSs", "自动", "已禁用", "Windows 音频、任务计划、事件日志"}},
        {"marked, empty display name", Row("", "x", {"", "b"}, true), {"※", "x", "自动", "已禁用", "、b"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.cells, PreviewText::Cells(c.row)) << c.pszWhat;
}

TEST(PreviewTextTest, NotesEndWithTheLegendWhenARowIsMarked)
{
    struct Case
    {
        const char* pszWhat;
        std::vector<std::string> notes;
        bool bMarked;
        std::string strExpected;
    };
    const Case cases[] = {
        {"nothing", {}, false, ""},
        {"legend only", {}, true, "※ 禁用后将停止正在运行的依赖服务"},
        {"one note", {"保持不变: 12 项"}, false, "保持不变: 12 项"},
        {"notes and legend", {"第一行", "第二行"}, true, "第一行\r\n第二行\r\n※ 禁用后将停止正在运行的依赖服务"},
    };
    for (const Case& c : cases)
    {
        PreviewContent content;
        content.rows.push_back(Row("A", "a", {}, false));
        content.rows.push_back(Row("B", "b", {"C"}, c.bMarked));
        content.notes = c.notes;
        EXPECT_EQ(c.bMarked, PreviewText::AnyMarked(content)) << c.pszWhat;
        EXPECT_EQ(c.strExpected, PreviewText::NotesText(content)) << c.pszWhat;
    }
    EXPECT_FALSE(PreviewText::AnyMarked(PreviewContent()));
}
} // namespace

namespace
{
using PreviewText::ColumnWidthArray;

TEST(PreviewTextTest, ColumnWidthsShareTheListWidth)
{
    const ColumnWidthArray headings = {60, 60, 80, 70, 100};
    struct Case
    {
        const char* pszWhat;
        ColumnWidthArray wanted;
        int nAvailable;
        ColumnWidthArray expected;
    };
    const Case cases[] = {
        {"all fits, the rest to the last", {100, 80, 80, 70, 100}, 500, {100, 80, 80, 70, 170}},
        {"exactly fits", {100, 80, 80, 70, 170}, 500, {100, 80, 80, 70, 170}},
        // 350 left after the start types: 80 for the service names, then
        // 135 each for the display names and the dependents.
        {"long display names and dependents share", {300, 80, 80, 70, 400}, 500, {135, 80, 80, 70, 135}},
        // The display names need less than their share: the dependents get
        // the rest.
        {"only the dependents are long", {120, 80, 80, 70, 400}, 500, {120, 80, 80, 70, 150}},
        // Narrower than the headings: the headings stay whole.
        {"too narrow", {300, 300, 80, 70, 300}, 300, {60, 60, 80, 70, 100}},
        {"wanted below the headings", {10, 10, 10, 10, 10}, 400, {60, 60, 80, 70, 130}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, PreviewText::ColumnWidths(headings, c.wanted, c.nAvailable)) << c.pszWhat;
}
} // namespace
