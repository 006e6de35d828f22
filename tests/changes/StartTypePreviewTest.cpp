#include "changes/StartTypePreview.h"

#include <gtest/gtest.h>

namespace
{
using Names = std::vector<std::string>;

// Running services: Web needs Rpc; Mail needs Web and the group +Net; Cron
// needs Mail; Loop and Back need each other.
CRunningDependents Sample()
{
    CRunningDependents running;
    running.AddRunning(L"Web", "网页服务", {L"RPC", L"+NetGroup"});
    running.AddRunning(L"Mail", "邮件服务", {L"web", L"+Net"});
    running.AddRunning(L"Cron", "Cron", {L"Mail"});
    running.AddRunning(L"Loop", "回环", {L"Back"});
    running.AddRunning(L"Back", "后台", {L"Loop", L""});
    // Names GBK shows alike are two services.
    running.AddRunning(L"Qm\uAC00", "Qm(AC00)", {L"Cron"});
    running.AddRunning(L"Qm?", "Qm?", {L"Web"});
    return running;
}

TEST(StartTypePreviewTest, RunningDependentsAreFollowedThroughRunningServices)
{
    const struct
    {
        const wchar_t* pszService;
        Names expected;
    } kCases[] = {
        {L"Rpc", {"网页服务", "邮件服务", "Qm?", "Cron", "Qm(AC00)"}}, // direct first, names case-blind
        {L"Web", {"邮件服务", "Qm?", "Cron", "Qm(AC00)"}},
        {L"Cron", {"Qm(AC00)"}},
        {L"NetGroup", {}}, // groups are not services
        {L"+NetGroup", {}},
        {L"Loop", {"后台"}}, // a cycle ends, the service itself is not its own dependent
        {L"Nobody", {}},
    };
    CRunningDependents running = Sample();
    for (size_t i = 0; i < std::size(kCases); ++i)
        EXPECT_EQ(kCases[i].expected, running.Of(kCases[i].pszService)) << i;
}

TEST(StartTypePreviewTest, OnlyChangesAreRowsAndOnlyDisablingMarks)
{
    std::vector<PlannedService> services = {
        {"Same", "不变服务", true, 3, 3, {}},
        {"ToOff", "将禁用", true, 2, 4, {"邮件服务"}},
        {"ToOffAlone", "", true, 3, 4, {}},
        {"ToAuto", "将自动", true, 4, 2, {"不该显示"}},
        {"Unread", "读不出", false, 0, 3, {}},
    };
    PreviewContent content = StartTypePreview::Build("配置预览", services, {7, {}, {}});
    ASSERT_EQ(4u, content.rows.size());
    const struct
    {
        const char* pszName;
        const char* pszDisplay;
        const char* pszCurrent;
        const char* pszNew;
        Names dependents;
        bool bMarked;
    } kRows[] = {
        {"ToOff", "将禁用", "自动", "已禁用", {"邮件服务"}, true},
        {"ToOffAlone", "ToOffAlone", "手动", "已禁用", {}, false},
        {"ToAuto", "将自动", "已禁用", "自动", {}, false}, // only a disabled service stops others
        {"Unread", "读不出", "未知", "手动", {}, false},
    };
    for (size_t i = 0; i < content.rows.size(); ++i)
    {
        const PreviewRow& row = content.rows[i];
        EXPECT_EQ(kRows[i].pszName, row.strName);
        EXPECT_EQ(kRows[i].pszDisplay, row.strDisplayName);
        EXPECT_EQ(kRows[i].pszCurrent, row.strCurrent);
        EXPECT_EQ(kRows[i].pszNew, row.strNew);
        EXPECT_EQ(kRows[i].dependents, row.runningDependents);
        EXPECT_EQ(kRows[i].bMarked, row.bMarked) << row.strName;
    }
    EXPECT_TRUE(content.bAnyChange);
    EXPECT_EQ("配置预览", content.strTitle);
    EXPECT_EQ("将更改 4 个服务的启动类型,1 个不变,7 个未安装。", content.strSummary);
}

TEST(StartTypePreviewTest, NothingToChangeSaysSo)
{
    PreviewContent content = StartTypePreview::Build("配置预览", {{"Same", "", true, 4, 4, {"X"}}}, {});
    EXPECT_TRUE(content.rows.empty());
    EXPECT_FALSE(content.bAnyChange);
    EXPECT_EQ("没有需要更改的服务,不会做任何更改。(1 个不变,0 个未安装)", content.strSummary);
    EXPECT_FALSE(StartTypePreview::Build("", {}, {3, {}, {}}).bAnyChange);
}
// Drivers and lines not understood are counted after the usual counts, and
// the notes say where the first bad line is and which drivers were named.
TEST(StartTypePreviewTest, WhatAFileLeavesOutIsCountedAndSaid)
{
    const std::string strFormat = "每行应为“服务名&启动类型”,启动类型为自动、手动或已禁用。";
    PreviewContent one = StartTypePreview::Build("", {}, {0, {}, {ServiceConfigFile::Encoding::Gbk, 1, 3}});
    EXPECT_EQ("没有需要更改的服务,不会做任何更改。(0 个不变,0 个未安装,1 行无法识别)", one.strSummary);
    EXPECT_EQ(Names{"第 3 行无法识别,已跳过。" + strFormat}, one.notes);
    PreviewContent many = StartTypePreview::Build("", {{"ToOff", "", true, 3, 4, {}}},
                                                  {2, {"MountMgr", "NDIS"}, {ServiceConfigFile::Encoding::Gbk, 4, 2}});
    EXPECT_EQ("将更改 1 个服务的启动类型,0 个不变,2 个未安装,2 个不适用,4 行无法识别。", many.strSummary);
    EXPECT_EQ((Names{"4 行无法识别,已跳过(第一处在第 2 行)。" + strFormat, "不适用(驱动程序,不更改):MountMgr、NDIS"}),
              many.notes);
}
} // namespace
