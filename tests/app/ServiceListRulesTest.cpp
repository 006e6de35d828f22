#include "app/ServiceListRules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace
{
using namespace ServiceListRules;

TEST(ServiceListRulesTest, CategoryItemsBecomeFilters)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", "全部"},         {"启动类型", "全部"}, {"运行状态", "全部"}, {"Windows系统服务", "全部"},
        {"已启动", "已启动"}, {"已停止", "已停止"}, {"已禁用", "已禁用"}, {"其他", "其他"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, CategoryFor(c.first).strWord) << c.first;
}

// Each leaf keeps what its word kept when the words were compared: a state
// leaf only the rows in that state with no run command's word showing, a
// start-type leaf only the rows of that known start type.
TEST(ServiceListRulesTest, FiltersKeepTheirServices)
{
    constexpr std::uint32_t kUnknown = 0xFFFFFFFF;
    struct Case
    {
        std::string strCategory;
        RunState state;
        const char* pszPending;
        std::uint32_t dwStartType; // kUnknown: none could be read
        bool bListed;
    };
    const Case cases[] = {
        {"全部", RunState::StartPending, nullptr, kUnknown, true},
        {"已启动", RunState::Running, nullptr, ServiceTexts::kStartDemand, true},
        {"已启动", RunState::Paused, nullptr, ServiceTexts::kStartDemand, false},
        {"已启动", RunState::ContinuePending, ServiceTexts::kContinuing, ServiceTexts::kStartDemand, false},
        {"已暂停", RunState::Paused, nullptr, ServiceTexts::kStartAuto, true},
        {"已暂停", RunState::PausePending, ServiceTexts::kPausing, ServiceTexts::kStartAuto, false},
        {"已停止", RunState::Stopped, nullptr, ServiceTexts::kStartDisabled, true},
        // Pending and unknown states are under no state leaf.
        {"已停止", RunState::StopPending, nullptr, ServiceTexts::kStartAuto, false},
        {"已停止", RunState::StopPending, ServiceTexts::kStopPending, ServiceTexts::kStartAuto, false},
        {"已停止", RunState::Unknown, nullptr, ServiceTexts::kStartAuto, false},
        {"自动", RunState::StartPending, nullptr, ServiceTexts::kStartAuto, true},
        {"手动", RunState::Stopped, nullptr, ServiceTexts::kStartDemand, true},
        {"已禁用", RunState::Stopped, nullptr, ServiceTexts::kStartDisabled, true},
        // A boot or system start type is never counted as disabled.
        {"已禁用", RunState::Stopped, nullptr, ServiceTexts::kStartSystem, false},
        {"已禁用", RunState::Stopped, nullptr, kUnknown, false},
        {"未知", RunState::Stopped, nullptr, ServiceTexts::kStartBoot, false},
        {"未知", RunState::Stopped, nullptr, kUnknown, false},
        {"其他", RunState::Stopped, nullptr, ServiceTexts::kStartAuto, false},
    };
    for (const Case& c : cases)
    {
        ServiceRow row;
        row.state = c.state;
        row.pszPendingWord = c.pszPending;
        row.bStartTypeKnown = c.dwStartType != kUnknown;
        row.startType.dwCode = c.dwStartType;
        SCOPED_TRACE(c.strCategory + "/" + row.StateText() + "/" + row.StartTypeText());
        EXPECT_EQ(c.bListed, CategoryFor(c.strCategory).filter.Passes(row));
    }
}

TEST(ServiceListRulesTest, DisplayNamesSortByUnsignedBytes)
{
    std::vector<std::string> names = {"b", "测试", "Zeta", "a", "ab", "", "A", "\x7F", "服务"};
    std::sort(names.begin(), names.end(),
              [](const std::string& l, const std::string& r) { return CompareDisplayNames(l, r) < 0; });
    // Upper case before lower, a prefix first, GBK (lead bytes >= 0x81) last.
    const std::vector<std::string> expected = {"", "A", "Zeta", "a", "ab", "b", "\x7F", "测试", "服务"};
    EXPECT_EQ(expected, names);
    EXPECT_EQ(0, CompareDisplayNames("same", "same"));
    EXPECT_GT(CompareDisplayNames("\xB7\xFE", "\x7A"), 0);
}

TEST(ServiceListRulesTest, SummaryNamesCountAndFilter)
{
    EXPECT_EQ("共有16项全部系统服务", SummaryText(16, "全部"));
    EXPECT_EQ("共有0项其他系统服务", SummaryText(0, "其他"));
}

} // namespace
