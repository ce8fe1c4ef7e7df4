#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <type_traits>
#include <vector>

// Times two ways of doing the same work in alternation, round by round, so that drift on a shared machine
// (clock changes, other jobs) moves both sides alike instead of one half of the run. Which side goes first
// also alternates, so neither always runs on the other's warm caches. Every benchmark reports this way:
// the median of each side and the median and range of the per-round ratios.
namespace AlternatingRounds
{

struct Summary {
    double firstMedian = 0;  // milliseconds
    double secondMedian = 0; // milliseconds
    // second / first, per round
    double ratioMedian = 0;
    double ratioMin = 0;
    double ratioMax = 0;
};

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Milliseconds the work took. What it returns is released after the clock stops.
template <typename Work> double timed(Work &work)
{
    const auto start = std::chrono::steady_clock::now();
    if constexpr (std::is_void_v<decltype(work())>) {
        work();
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    } else {
        [[maybe_unused]] const auto result = work();
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    }
}

// Each side's values and the per-round ratios (second / first), for measures other than the wall time of a call
// (a fresh process's own figure, its resident memory).
struct Samples {
    std::vector<double> first;
    std::vector<double> second;
    std::vector<double> ratios;
};

template <typename Measure> Samples sample(int rounds, Measure measure, const auto &firstSide, const auto &secondSide)
{
    Samples samples;
    for (int round = 0; round < rounds; ++round) {
        const bool firstFirst = round % 2 == 0;
        const double a = measure(firstFirst ? firstSide : secondSide);
        const double b = measure(firstFirst ? secondSide : firstSide);
        samples.first.push_back(firstFirst ? a : b);
        samples.second.push_back(firstFirst ? b : a);
        samples.ratios.push_back(samples.second.back() / samples.first.back());
    }
    return samples;
}

template <typename First, typename Second> Summary run(int rounds, First first, Second second)
{
    std::vector<double> firstTimes;
    std::vector<double> secondTimes;
    std::vector<double> ratios;
    for (int round = 0; round < rounds; ++round) {
        double firstTime = 0;
        double secondTime = 0;
        if (round % 2 == 0) {
            firstTime = timed(first);
            secondTime = timed(second);
        } else {
            secondTime = timed(second);
            firstTime = timed(first);
        }
        firstTimes.push_back(firstTime);
        secondTimes.push_back(secondTime);
        ratios.push_back(secondTime / firstTime);
    }
    const auto [low, high] = std::minmax_element(ratios.begin(), ratios.end());
    return {median(firstTimes), median(secondTimes), median(ratios), *low, *high};
}

inline void print(int rounds, const char *first, const char *second, const Summary &summary)
{
    std::printf("%d alternating rounds, medians:\n", rounds);
    std::printf("  %-32s %10.2f ms\n", first, summary.firstMedian);
    std::printf("  %-32s %10.2f ms\n", second, summary.secondMedian);
    std::printf("  ratio second / first: median %.3f, range %.3f to %.3f\n", summary.ratioMedian, summary.ratioMin,
                summary.ratioMax);
}

} // namespace AlternatingRounds
