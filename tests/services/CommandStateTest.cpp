#include "services/CommandState.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
TEST(CommandStateTest, RuleGivesTheCommandsOfEachState)
{
    struct Case
    {
        std::uint32_t dwState, dwAccepted;
        bool bStartTypeKnown;
        std::uint32_t dwStartType;
        int nExpected;
    };
    // Run states 1 stopped, 2 starting, 4 running, 6 pausing, 7 paused;
    // start types 2 automatic, 3 manual, 4 disabled.
    const Case cases[] = {
        {4, kAcceptStop | kAcceptPauseContinue, true, 2, 9},
        {4, kAcceptPauseContinue, true, 2, 9}, // stop enabled all the same
        {4, 0, true, 2, 0},
        {4, kAcceptStop, true, 3, 1},
        {7, 0, true, 3, 101},
        {1, 0, true, 3, 100},
        {1, 0, false, 4, 100}, // a start type not known allows a start
        {1, 0, true, 4, 0},
        {2, kAcceptStop, true, 2, 0},
        {6, kAcceptStop, true, 2, 0},
        {0, kAcceptStop, true, 2, 0}, // a state the manager never gives
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.dwState) + "/" + std::to_string(c.dwAccepted) + "/" + std::to_string(c.dwStartType));
        EXPECT_EQ(c.nExpected, CommandStateFor(ServiceTexts::RunStateOf(c.dwState), c.dwAccepted, c.bStartTypeKnown,
                                               c.dwStartType));
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
