#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

// Timing helpers shared by the benchmarks: each figure is the median of several rounds.
namespace BenchTiming {

using Clock = std::chrono::steady_clock;

inline double secondsOf(const std::function<void()> &work)
{
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

inline double medianOf(int rounds, const std::function<double()> &round)
{
    std::vector<double> values;
    for (int i = 0; i < rounds; ++i)
        values.push_back(round());
    return median(values);
}

} // namespace BenchTiming
