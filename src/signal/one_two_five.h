#pragma once
// The 1-2-5 sequence every axis of the program steps by, named once.

#include <array>
#include <cstddef>
#include <span>

namespace kelvox {

/// 1, 2 and 5 times each power of ten from 1e-5 to 1e4, then 1e5.
inline constexpr std::array<double, 31> kOneTwoFive = {
    1e-5, 2e-5, 5e-5, 1e-4, 2e-4, 5e-4, 0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1,
    2,    5,    10,   20,   50,   100,  200,   500,   1000,  2000, 5000, 1e4,  2e4, 5e4, 1e5};

/// The part of the sequence from `first` to `last`, both members of it
/// (oneTwoFive(0.001, 5): 0.001, 0.002, 0.005 … 2, 5).
constexpr std::span<const double> oneTwoFive(double first, double last)
{
    std::size_t from = 0, to = 0;
    for (std::size_t i = 0; i < kOneTwoFive.size(); ++i) {
        if (kOneTwoFive[i] == first)
            from = i;
        if (kOneTwoFive[i] == last)
            to = i;
    }
    return std::span<const double>(kOneTwoFive).subspan(from, to - from + 1);
}

/// The largest of `steps` below `limit`; the first of them when none is.
constexpr double largestStepBelow(std::span<const double> steps, double limit)
{
    double chosen = steps.front();
    for (const double step : steps)
        if (step < limit)
            chosen = step;
    return chosen;
}

/// The first of `steps` not below `limit`; the last of them when none is.
constexpr double firstStepNotBelow(std::span<const double> steps, double limit)
{
    for (const double step : steps)
        if (step >= limit)
            return step;
    return steps.back();
}

/// The step of a page's time axis spanning `spanSeconds`: the largest of 0.001,
/// 0.002, 0.005 … 5 s below a tenth of the span; 0.001 when none is.
constexpr double timeTickStep(double spanSeconds) { return largestStepBelow(oneTwoFive(0.001, 5), spanSeconds / 10.0); }

}  // namespace kelvox
