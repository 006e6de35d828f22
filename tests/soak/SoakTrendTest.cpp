#include "soak/SoakTrend.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace
{
// n samples of f(i), one per 2 s.
template <typename F>
std::vector<double> Series(int n, F f)
{
    std::vector<double> values;
    for (int i = 0; i < n; ++i)
        values.push_back(f(i));
    return values;
}

TEST(SoakTrendTest, TellsGrowthFromSettling)
{
    struct Case
    {
        const char* pszWhat;
        std::vector<double> values;
        double dFloor;
        bool bGrows;
    };
    const Case cases[] = {
        {"flat", Series(40, [](int) { return 120.0; }), 0, false},
        {"one handle per cycle", Series(40, [](int i) { return 120.0 + i; }), 0, true},
        {"one handle every third cycle", Series(40, [](int i) { return 120.0 + i / 3; }), 0, true},
        {"a leak under noise", Series(60, [](int i) { return 120.0 + i / 2 + (i % 3 == 0 ? 4 : 0); }), 0, true},
        {"noise", Series(40, [](int i) { return 120.0 + (i * 7 % 5); }), 0, false},
        {"one step after the warm-up", Series(40, [](int i) { return i < 20 ? 120.0 : 125.0; }), 0, false},
        {"warm-up growth, then flat", Series(40, [](int i) { return i < 8 ? 100.0 + 3 * i : 124.0; }), 0, false},
        {"a rise that falls back", Series(40, [](int i) { return 120.0 + (i < 30 ? i : 60 - i); }), 0, false},
        {"a saw tooth (a cache emptied now and then)", Series(40, [](int i) { return 120.0 + i % 10; }), 0,
         false},
        {"memory creeping within the floor", Series(40, [](int i) { return 30000.0 + i * 4; }), 512, false},
        {"memory growing past the floor", Series(40, [](int i) { return 30000.0 + i * 40; }), 512, true},
        {"too few samples to tell", Series(8, [](int i) { return 120.0 + 10 * i; }), 0, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.bGrows, SoakTrend::GrowsSteadily(c.values, c.dFloor)) << c.pszWhat;
}

TEST(SoakTrendTest, SlopeIsPerHour)
{
    std::vector<double> seconds = Series(30, [](int i) { return 2.0 * i; });
    // One a minute is 60 an hour, whatever the offset.
    EXPECT_NEAR(60.0, SoakTrend::SlopePerHour(seconds, Series(30, [](int i) { return 500 + 2.0 * i / 60; })),
                1e-9);
    EXPECT_NEAR(0.0, SoakTrend::SlopePerHour(seconds, Series(30, [](int) { return 7.0; })), 1e-9);
    EXPECT_NEAR(-1800.0, SoakTrend::SlopePerHour(seconds, Series(30, [](int i) { return 100 - i; })), 1e-9);
    EXPECT_EQ(0.0, SoakTrend::SlopePerHour({5.0}, {1.0}));
    EXPECT_EQ(0.0, SoakTrend::SlopePerHour({5.0, 5.0}, {1.0, 2.0}));
}
} // namespace
