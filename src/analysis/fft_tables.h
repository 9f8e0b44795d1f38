#pragma once
// Pieces shared by the complex and the real FFT: the twiddle tables and the
// bit-reversal permutation.

#include <cmath>
#include <vector>

namespace kelvox::detail {

/// cos/sin(2πi/n), i = 0 … n − 1, computed in double and stored as float.
inline void buildTwiddleTables(int n, std::vector<float>& cosTable, std::vector<float>& sinTable)
{
    constexpr double kTwoPi = 6.283185307179586;
    cosTable.assign(static_cast<size_t>(n), 0.0f);
    sinTable.assign(static_cast<size_t>(n), 0.0f);
    for (int i = 0; i < n; ++i) {
        const double angle = kTwoPi * i / n;
        cosTable[static_cast<size_t>(i)] = static_cast<float>(std::cos(angle));
        sinTable[static_cast<size_t>(i)] = static_cast<float>(std::sin(angle));
    }
}

/// Calls exchange(i, r) once for every i < r = bit reversal of i among n = 2^m indices.
template <typename Exchange>
void bitReversalPairs(int n, Exchange exchange)
{
    int j = 0;
    for (int i = 0; i < n - 1; ++i) {
        if (i < j)
            exchange(i, j);
        int bit = n >> 1;
        while (bit <= j) {
            j -= bit;
            bit >>= 1;
        }
        j += bit;
    }
}

}  // namespace kelvox::detail
