#include "soak/SoakTrend.h"

#include <algorithm>

namespace SoakTrend
{
namespace
{
double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}
} // namespace

double SlopePerHour(const std::vector<double>& seconds, const std::vector<double>& values)
{
    std::size_t n = std::min(seconds.size(), values.size());
    if (n < 2)
        return 0.0;
    double dMeanX = 0, dMeanY = 0;
    for (std::size_t i = 0; i < n; ++i)
    {
        dMeanX += seconds[i];
        dMeanY += values[i];
    }
    dMeanX /= n;
    dMeanY /= n;
    double dCovariance = 0, dVariance = 0;
    for (std::size_t i = 0; i < n; ++i)
    {
        dCovariance += (seconds[i] - dMeanX) * (values[i] - dMeanY);
        dVariance += (seconds[i] - dMeanX) * (seconds[i] - dMeanX);
    }
    return dVariance == 0 ? 0.0 : dCovariance / dVariance * 3600.0;
}

std::size_t WarmUpCount(std::size_t nSamples)
{
    return std::max<std::size_t>(1, nSamples / 5);
}

bool GrowsSteadily(const std::vector<double>& values, double dFloor)
{
    std::size_t nSkip = WarmUpCount(values.size());
    if (values.size() < nSkip + 8)
        return false;
    std::vector<double> settled(values.begin() + static_cast<std::ptrdiff_t>(nSkip), values.end());
    double dMedians[4];
    for (std::size_t q = 0; q < 4; ++q)
    {
        std::size_t nBegin = settled.size() * q / 4, nEnd = settled.size() * (q + 1) / 4;
        dMedians[q] = Median(std::vector<double>(settled.begin() + static_cast<std::ptrdiff_t>(nBegin),
                                                 settled.begin() + static_cast<std::ptrdiff_t>(nEnd)));
    }
    for (int q = 1; q < 4; ++q)
    {
        if (dMedians[q] <= dMedians[q - 1])
            return false;
    }
    return dMedians[3] - dMedians[0] > dFloor;
}
} // namespace SoakTrend
