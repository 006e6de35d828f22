#include "changes/PreviewText.h"
#include "changes/StartTypePreview.h"
#include "changes/TickRule.h"
#include "changes/UndoPlan.h"
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
    const struct
    {
        const char* pszAdvice;
        bool bAutomatic;
    } kCases[] = {
        {"解析 DNS 名称。\n\n建议： 自动", true},
        {"建议：自动", true},
        {"建议: 自动", true},
        {"建议:自动", true},
        {"建议：　自动\n", true}, // a full-width space
        {"如上所说。建议：自动", true}, // no line of its own
        {"\n\n建议： 手动", false},
        {"\n\n建议： 已禁用", false},
        {"禁用后自动更新无法下载。\n\n建议： 已禁用", false}, // the word elsewhere
        {"我们建议自动。\n\n建议： 手动", false},              // the last advice counts
        {"建议自动", false},                                  // no colon
        {"建议： ", false},
        {"", false},
    };
    for (const auto& test : kCases)
        EXPECT_EQ(test.bAutomatic, TickRule::AdvisesAutomatic(test.pszAdvice)) << test.pszAdvice;
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
    PreviewContent content = StartTypePreview::Build("配置预览", services, {});
    std::map<std::string, std::string> held;
    for (const PreviewRow& row : content.rows)
    {
        EXPECT_EQ(row.strHeld.empty(), row.bTicked) << row.strName;
        if (!row.bTicked)
            held[row.strName] = row.strHeld;
    }
    // Every entry whose advice says 自动 and that the profile disables (two
    // of them also protected); Eventlog and RpcSs stay automatic: no row.
    std::map<std::string, std::string> kExpected;
    for (const char* pszName : {"DcomLaunch", "lanmanworkstation", "Dnscache", "dmserver", "seclogon",
                                "ShellHWDetection", "MySQL", "VMnetDHCP", "VMware NAT Service", "AeLookupSvc"})
        kExpected[pszName] = kAdvice;
    for (const auto& expected : kExpected)
        EXPECT_EQ(expected.second, held[expected.first]) << expected.first;
    for (const auto& found : held)
        EXPECT_EQ(1u, kExpected.count(found.first)) << found.first << " unticked: " << found.second;
    EXPECT_TRUE(content.bTickBoxes);
}

TEST(TickRuleTest, WhatWindowsNeedsToStartIsHeld)
{
    TickRule::StartFacts plain, needed, severe, critical, normal;
    needed.bNeededToStart = true;
    severe = {false, true, 2};
    critical = {false, true, 3};
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
        {L"gpsvc", false, 0, kManual, plain, kBoot},      // unreadable may be automatic
        {L"RpcSs", true, kManual, kAuto, plain, ""},      // onto automatic
        {L"RpcSs", true, kDisabled, kManual, plain, ""},  // neither disables nor takes off automatic
        {L"QmNeeded", true, kAuto, kManual, needed, kBoot}, // RpcSs depends on it
        {L"QmNeeded", true, kManual, kDisabled, needed, kBoot},
        {L"QmSevere", true, kAuto, kManual, severe, kBoot},
        {L"QmCritical", true, kAuto, kDisabled, critical, kBoot},
        {L"QmSevere", true, kManual, kDisabled, severe, ""}, // never started at boot
        {L"QmNormal", true, kAuto, kDisabled, normal, ""},
        {L"QmPlain", true, kAuto, kDisabled, plain, ""},
        {L"DcomLaunch", true, kAuto, kDisabled, plain, kAdvice}, // the knowledge base first
        {L"DcomLaunch", true, kAuto, kManual, plain, kBoot},     // not disabled: only the boot rule
        {L"lanmanworkstation", true, kManual, kDisabled, plain, kAdvice},
        {L"Eventlog", true, kDisabled, kDisabled, plain, ""},
    };
    const TickRule::CKnowledgeHolds& knowledge = TickRule::CKnowledgeHolds::Shared();
    for (const auto& test : kCases)
    {
        EXPECT_EQ(test.strHeld,
                  TickRule::HeldReason(knowledge, test.pszName, test.bKnown, test.dwCurrent, test.dwNew, test.facts))
            << std::string(test.pszName, test.pszName + wcslen(test.pszName)) << " " << test.dwCurrent << "->"
            << test.dwNew;
    }
}

TEST(TickRuleTest, WhatTheBootServicesDependOnIsFollowedOnce)
{
    const std::map<std::wstring, std::vector<std::wstring>> kStore = {
        {L"RpcSs", {L"RpcEptMapper", L"QmA"}}, {L"QmA", {L"qmb", L"+Group", L""}},
        {L"qmb", {L"QMA"}}, // a cycle
        {L"QmLonely", {L"QmNever"}},
    };
    std::map<std::wstring, int> reads;
    std::unordered_set<std::wstring> needed = TickRule::NeededToStart([&](const std::wstring& wstrName) {
        ++reads[wstrName];
        auto found = kStore.find(wstrName);
        return found != kStore.end() ? found->second : std::vector<std::wstring>();
    });
    for (const wchar_t* pszName : {L"rpcss", L"qma", L"qmb", L"rpceptmapper", L"gpsvc", L"eventlog"})
        EXPECT_EQ(1u, needed.count(pszName)) << static_cast<char>(pszName[0]);
    for (const wchar_t* pszName : {L"qmlonely", L"qmnever", L"group", L"+group", L""})
        EXPECT_EQ(0u, needed.count(pszName));
    for (const auto& read : reads)
        EXPECT_EQ(1, read.second);
}

// The summary counts what the ticked rows change; "应用" needs one ticked.
TEST(TickRuleTest, TheSummaryAndTheAppliedItemsFollowTheTicks)
{
    std::vector<PlannedService> services = {
        {"QmOff", "", true, kAuto, kDisabled, {}},
        {"Same", "", true, kManual, kManual, {}},
        {"RpcSs", "", true, kAuto, kManual, {}},
        {"QmOn", "", true, kManual, kAuto, {}},
    };
    PreviewContent content = StartTypePreview::Build("配置预览", services, {1, {}, {}});
    ASSERT_EQ(3u, content.rows.size());
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
    EXPECT_EQ("系统启动所需", content.rows[1].strHeld);
    EXPECT_EQ("【系统启动所需】", PreviewText::Cells(content.rows[1])[4]);
}

TEST(TickRuleTest, AutomaticServicesThatWouldFailAreMarkedAndNamed)
{
    PlannedService off = {"QmBase", "基础服务", true, kManual, kDisabled, {"运行中"}};
    off.failingAtStart = {"甲服务", "乙服务"};
    PlannedService toManual = {"QmOther", "", true, kAuto, kManual, {}};
    toManual.failingAtStart = {"不该显示"}; // only a disabled service cannot be started
    PreviewContent content = StartTypePreview::Build("配置预览", {off, toManual}, {});
    ASSERT_EQ(2u, content.rows.size());
    EXPECT_EQ("※△基础服务", PreviewText::Cells(content.rows[0])[0]);
    EXPECT_EQ("QmOther", PreviewText::Cells(content.rows[1])[0]);
    EXPECT_EQ("△ 禁用 基础服务 后,依赖它的自动服务 甲服务、乙服务 下次启动 Windows 时将无法启动。\r\n"
              "※ 禁用后将停止正在运行的依赖服务",
              PreviewText::NotesText(content));
}

TEST(TickRuleTest, UndoKeepsOnlyTheTickedRows)
{
    ChangeJournal::Entry entry;
    entry.kind = ChangeJournal::Kind::StartTypes;
    entry.bComplete = true;
    entry.startTypes = {{L"QmUp", kDisabled, kAuto, true, kAuto}, {L"RpcSs", kManual, kAuto, true, kAuto},
                        {L"QmDown", kManual, kAuto, true, kAuto}};
    entry.runValues = {{"HKCU", "Software\\Microsoft\\Windows\\CurrentVersion\\Run", L"Qm", 1, "x\0"}};
    UndoPlan::Facts facts;
    facts.startTypes = {{true, true, kAuto, ""}, {true, true, kAuto, ""}, {true, true, kAuto, ""}};
    facts.runValues = {{}};
    UndoPlan::Plan plan = UndoPlan::Make(entry, facts, "撤销上次配置");
    ASSERT_EQ(4u, plan.preview.rows.size());
    EXPECT_EQ((std::vector<bool>{true, false, true, true}), PreviewText::DefaultTicks(plan.preview));
    EXPECT_EQ("将恢复 3 项,0 项已是原样,1 项保留不动。", plan.preview.strSummary);
    EXPECT_EQ("将恢复 4 项,0 项已是原样,0 项保留不动。", PreviewText::SummaryFor(plan.preview, {true, true, true, true}));

    UndoPlan::Plan kept = UndoPlan::KeepTicked(plan, {false, true, false, true});
    ASSERT_EQ(1u, kept.startTypes.size());
    EXPECT_EQ(L"RpcSs", kept.startTypes[0].wstrName);
    EXPECT_EQ(1u, kept.startTypes[0].nRecord);
    EXPECT_EQ(std::vector<size_t>{0}, kept.runValues);
    ASSERT_EQ(2u, kept.preview.rows.size());
    EXPECT_EQ("RpcSs", kept.preview.rows[0].strName);
    EXPECT_FALSE(UndoPlan::KeepTicked(plan, {false, false, false, false}).Any());
}
} // namespace
