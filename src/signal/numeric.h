#pragma once
// Float → integer conversions used everywhere a value in seconds, decibels or
// millimetres becomes a count or a pixel. The program truncates toward zero; these
// helpers do that, but first map NaN to 0 and clamp to the target type's range,
// because a typed 1e12 or a division by a zero setting must never become undefined
// behaviour.

#include <cmath>
#include <cstdint>
#include <limits>

namespace kelvox {

template <typename Int>
constexpr Int saturate(double v)
{
    static_assert(std::numeric_limits<Int>::is_integer);
    if (std::isnan(v))
        return 0;
    // The bounds are compared as doubles; for 64-bit types the upper bound is
    // rounded to 2^63, which is itself out of range, hence ">=".
    constexpr double lo = static_cast<double>(std::numeric_limits<Int>::min());
    constexpr double hi = static_cast<double>(std::numeric_limits<Int>::max());
    if (v <= lo)
        return std::numeric_limits<Int>::min();
    if (v >= hi)
        return std::numeric_limits<Int>::max();
    return static_cast<Int>(v);  // truncation toward zero
}

/// trunc(v) as int, saturated; NaN gives 0.
constexpr int satInt(double v) { return saturate<int>(v); }
/// trunc(v) as int16, saturated; NaN gives 0.
constexpr int16_t satInt16(double v) { return saturate<int16_t>(v); }
/// trunc(v) as int64, saturated; NaN gives 0.
constexpr int64_t satInt64(double v) { return saturate<int64_t>(v); }

/// Narrows an int to int16 with saturation (pixel values stored in 16-bit records).
constexpr int16_t clampInt16(long long v)
{
    if (v < std::numeric_limits<int16_t>::min())
        return std::numeric_limits<int16_t>::min();
    if (v > std::numeric_limits<int16_t>::max())
        return std::numeric_limits<int16_t>::max();
    return static_cast<int16_t>(v);
}

/// A double as float, saturated to the float range (NaN gives 0): typed values
/// such as 1e300 must not overflow the float fields they are stored in.
constexpr float satFloat(double v)
{
    if (std::isnan(v))
        return 0.0f;
    constexpr double lim = static_cast<double>(std::numeric_limits<float>::max());
    if (v > lim)
        return std::numeric_limits<float>::max();
    if (v < -lim)
        return -std::numeric_limits<float>::max();
    return static_cast<float>(v);
}

}  // namespace kelvox
