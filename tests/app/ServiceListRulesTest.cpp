#include "app/ServiceListRules.h"

#include <gtest/gtest.h>

#include <algorithm>
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
        EXPECT_EQ(c.second, FilterForCategory(c.first)) << c.first;
}

TEST(ServiceListRulesTest, FiltersKeepTheirServices)
{
    struct Case
    {
        std::string strFilter, strState, strStartType;
        bool bListed;
    };
    const Case cases[] = {
        {"全部", "正在启动", "未知", true},
        {"已启动", "已启动", "手动", true},
        {"已启动", "已暂停", "手动", false},
        {"已暂停", "已暂停", "自动", true},
        {"已停止", "", "已禁用", true},
        // Pending and unknown states are under no state leaf.
        {"已停止", "正在停止", "自动", false},
        {"已停止", "未知状态", "自动", false},
        {"已停止", "已停止", "自动", false},
        {"自动", "正在启动", "自动", true},
        {"手动", "", "手动", true},
        {"已禁用", "", "已禁用", true},
        // A boot or system start type is never counted as disabled.
        {"已禁用", "", "未知", false},
        {"未知", "", "未知", false},
        {"其他", "", "自动", false},
        {"", "", "", false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.strFilter + "/" + c.strState + "/" + c.strStartType);
        EXPECT_EQ(c.bListed, PassesFilter(c.strFilter, c.strState, c.strStartType));
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
