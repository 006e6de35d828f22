#include "services/CommandState.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
TEST(CommandStateTest, RuleGivesTheCommandsOfEachState)
{
    struct Case
    {
        std::string strState;
        std::uint32_t dwAccepted;
        std::string strStartType;
        int nExpected;
    };
    const Case cases[] = {
        {"已启动", kAcceptStop | kAcceptPauseContinue, "自动", 9},
        {"已启动", kAcceptPauseContinue, "自动", 9}, // stop enabled all the same
        {"已启动", 0, "自动", 0},
        {"已启动", kAcceptStop, "手动", 1},
        {"已暂停", 0, "手动", 101},
        {"", 0, "手动", 100},
        {"", 0, "未知", 100},
        {"", 0, "已禁用", 0},
        {"正在启动", kAcceptStop, "自动", 0},
        {"正在暂停", kAcceptStop, "自动", 0},
        {"未知状态", kAcceptStop, "自动", 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.strState + "/" + std::to_string(c.dwAccepted) + "/" + c.strStartType);
        EXPECT_EQ(c.nExpected, CommandStateFor(c.strState, c.dwAccepted, c.strStartType));
    }
}

TEST(CommandStateTest, EnablingOfEachCode)
{
    struct Case
    {
        int nCode;
        bool bKnown, bStart, bPause, bStop;
    };
    const Case cases[] = {
        {0, true, false, false, false},  {1, true, false, false, true},  {9, true, false, true, true},
        {100, true, true, false, false}, {101, true, true, false, true}, {2, false, false, false, false},
        {-1, false, false, false, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.nCode);
        RunCommandEnabling enabling = {true, true, true};
        EXPECT_EQ(c.bKnown, EnablingFor(c.nCode, &enabling));
        if (!c.bKnown)
        {
            EXPECT_TRUE(enabling.bStart && enabling.bPause && enabling.bStop) << "left as it was";
            continue;
        }
        EXPECT_EQ(c.bStart, enabling.bStart);
        EXPECT_EQ(c.bPause, enabling.bPause);
        EXPECT_EQ(c.bStop, enabling.bStop);
    }
}
} // namespace
