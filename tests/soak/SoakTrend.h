// What the soak makes of a series of samples: the slope, and whether a
// count grows steadily rather than settling.
#pragma once

#include <vector>

namespace SoakTrend
{
// Least-squares slope of the values over the times (seconds), per hour; 0
// for fewer than two samples or a single time.
double SlopePerHour(const std::vector<double>& seconds, const std::vector<double>& values);

// The samples a verdict leaves out at the start, while the program still
// fills its caches and opens each window the first time: a fifth of them,
// at least one.
std::size_t WarmUpCount(std::size_t nSamples);

// True when the series, its warm-up left out, rises from quarter to
// quarter: each quarter's median above the one before, and the last above
// the first by more than dFloor. A single step, a rise that falls back and
// noise within the floor are not growth. Fewer than eight samples after
// the warm-up cannot tell: false.
bool GrowsSteadily(const std::vector<double>& values, double dFloor);
} // namespace SoakTrend
