#pragma once
// The naive reference the transforms are checked against: a direct DFT in long double.

#include <vector>

namespace kelvox::test {

struct BinLD {
    long double re = 0.0L;
    long double im = 0.0L;
};

class DirectDft {
public:
    /// Tables of cos/sin(2πt/n), t = 0 … n − 1, in long double.
    explicit DirectDft(int n);

    /// Bin k of Σ x[t]·e^(sign·2πikt/n), unscaled (sign −1 forward, +1 inverse).
    BinLD bin(const std::vector<float>& re, const std::vector<float>& im, int k, int sign) const;

private:
    int m_n;
    std::vector<long double> m_cos;
    std::vector<long double> m_sin;
};

/// n values uniform in [−1, 1] from a fixed seed.
std::vector<float> randomSignal(int n, unsigned seed);

/// The bins worth checking for length n: all of them up to 1024, else the edges,
/// the middle and a spread of others.
std::vector<int> binsToCheck(int n);

}  // namespace kelvox::test
