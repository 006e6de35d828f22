#include "changes/PreviewText.h"
#include "changes/StartTypePreview.h"
#include "changes/TickRule.h"
#include "knowledge/ServiceAdvice.h"
#include "knowledge/ServiceKnowledgeBase.h"

#include <gtest/gtest.h>

#include <map>

namespace
{
constexpr std::uint32_t kAuto = 2, kManual = 3, kDisabled = 4;
const std::string kAdvice = TickRule::kKeptByAdvice, kBoot = TickRule::kNeededToStart;

TEST(TickRuleTest, TheAdviceLineIsReadTolerantly)
{
    const std::pair<const char*, bool> kCases[] = {
        {"解析 DNS 名称。\n\n建议： 自动", true}, {"建议：自动", true}, {"建议: 自动", true},
        {"建议:自动", true}, {"建议：　自动\n", true}, {"如上所说。建议：自动", true},
        {"\n\n建议： 手动", false}, {"禁用后自动更新无法下载。\n\n建议： 已禁用", false},
        {"我们建议:自动。\n\n建议： 手动", false}, // the last advice counts
        {"建议自动", false}, {"建议： ", false}, {"", false},
    };
    for (const auto& test : kCases)
        EXPECT_EQ(test.second, TickRule::AdvisesAutomatic(test.first)) << test.first;
}

// The fifth profile over the whole knowledge base, every service now
// automatic: what it disables that the knowledge base keeps starts unticked.
TEST(TickRuleTest, ProfileFiveLeavesWhatTheKnowledgeBaseKeepsUnticked)
{
    std::vector<PlannedService> services;
    for (int nId = ServiceKnowledgeBase::kFirstEntryId; nId <= ServiceKnowledgeBase::kLastEntryId; ++nId)
    {
        ServiceAdvice advice(ServiceKnowledgeBase::Entry(nId));
        services.push_back({advice.ServiceName(), "", true, kAuto, advice.StartTypeCodeFor(5), {}});
    }
    std::map<std::string, std::string> held;
    for (const PreviewRow& row : StartTypePreview::Build("配置预览", services, {}).rows)
    {
        if (!row.bTicked)
            held[row.strName] = row.strHeld;
    }
    // Every entry advising 自动 that the profile disables (two of them also
    // protected); Eventlog and RpcSs stay automatic and have no row.
    std::map<std::string, std::string> expected;
    for (const char* pszName : {"DcomLaunch", "lanmanworkstation", "Dnscache", "dmserver", "seclogon",
                                "ShellHWDetection", "MySQL", "VMnetDHCP", "VMware NAT Service", "AeLookupSvc"})
        expected[pszName] = kAdvice;
    EXPECT_EQ(expected, held);
}

TEST(TickRuleTest, WhatWindowsNeedsToStartIsHeld)
{
    const TickRule::StartFacts plain, needed = {true, false, 0}, severe = {false, true, 2}, critical = {false, true, 3},
                                      normal = {false, true, 1};
    const struct
    {
        const wchar_t* pszName;
        bool bKnown;
        std::uint32_t dwCurrent, dwNew;
        TickRule::StartFacts facts;
        std::string strHeld;
    } kCases[] = {
        {L"RpcSs", true, kAuto, kManual, plain, kBoot},
        {L"rpcss", true, kAuto, kDisabled, plain, kAdvice}, // the knowledge base protects it too
        {L"RPCEPTMAPPER", true, kManual, kDisabled, plain, kBoot}, // names case-blind
        {L"RpcSs", true, kDisabled, kManual, plain, ""},  // neither disables nor takes off automatic
        {L"gpsvc", false, 0, kManual, normal, kBoot},     // unreadable may be automatic
        {L"QmNeeded", true, kManual, kDisabled, needed, kBoot}, // a boot service depends on it
        {L"QmSevere", true, kAuto, kManual, severe, kBoot},
        {L"QmCritical", true, kAuto, kDisabled, critical, kBoot},
        {L"QmSevere", true, kManual, kDisabled, severe, ""}, // never started at boot
        {L"DcomLaunch", true, kAuto, kManual, normal, kBoot}, // not disabled: only the boot rule
    };
    for (const auto& test : kCases)
        EXPECT_EQ(test.strHeld, TickRule::HeldReason(TickRule::CKnowledgeHolds::Shared(), test.pszName, test.bKnown,
                                                     test.dwCurrent, test.dwNew, test.facts))
            << &test - kCases;
}

// The summary counts what the ticked rows change; "应用" needs one ticked.
TEST(TickRuleTest, TheSummaryAndTheAppliedItemsFollowTheTicks)
{
    PreviewContent content = StartTypePreview::Build(
        "配置预览", {{"QmOff", "", true, kAuto, kDisabled, {}}, {"Same", "", true, kManual, kManual, {}},
                     {"RpcSs", "", true, kAuto, kManual, {}}, {"QmOn", "", true, kManual, kAuto, {}}},
        {1, {}, {}});
    EXPECT_EQ((std::vector<bool>{true, false, true}), PreviewText::DefaultTicks(content));
    EXPECT_EQ("将更改 2 个服务的启动类型,2 个不变,1 个未安装。", content.strSummary);
    const struct
    {
        std::vector<bool> ticked;
        std::string strSummary;
        std::vector<std::size_t> items;
    } kCases[] = {
        {{true, true, true}, "将更改 3 个服务的启动类型,1 个不变,1 个未安装。", {0, 2, 3}},
        {{false, false, true}, "将更改 1 个服务的启动类型,3 个不变,1 个未安装。", {3}},
        {{false, false, false}, "没有需要更改的服务,不会做任何更改。(4 个不变,1 个未安装)", {}},
    };
    for (const auto& test : kCases)
    {
        EXPECT_EQ(test.strSummary, PreviewText::SummaryFor(content, test.ticked));
        EXPECT_EQ(test.items, PreviewText::TickedItems(content, test.ticked));
        EXPECT_EQ(!test.items.empty(), PreviewText::CanApply(content, test.ticked));
    }
}
} // namespace
