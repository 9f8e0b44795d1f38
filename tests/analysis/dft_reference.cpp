#include "dft_reference.h"

#include <cmath>
#include <random>

namespace kelvox::test {

DirectDft::DirectDft(int n) : m_n(n), m_cos(static_cast<size_t>(n)), m_sin(static_cast<size_t>(n))
{
    const long double twoPi = 6.283185307179586476925286766559L;
    for (int t = 0; t < n; ++t) {
        m_cos[static_cast<size_t>(t)] = std::cos(twoPi * t / n);
        m_sin[static_cast<size_t>(t)] = std::sin(twoPi * t / n);
    }
}

BinLD DirectDft::bin(const std::vector<float>& re, const std::vector<float>& im, int k, int sign) const
{
    BinLD sum;
    long long phase = 0;  // k·t mod n, exact
    for (int t = 0; t < m_n; ++t) {
        const long double c = m_cos[static_cast<size_t>(phase)];
        const long double s = sign * m_sin[static_cast<size_t>(phase)];
        const long double xr = re[static_cast<size_t>(t)];
        const long double xi = im[static_cast<size_t>(t)];
        sum.re += xr * c - xi * s;
        sum.im += xr * s + xi * c;
        phase = (phase + k) % m_n;
    }
    return sum;
}

std::vector<float> randomSignal(int n, unsigned seed)
{
    std::mt19937 generator(seed);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    std::vector<float> x(static_cast<size_t>(n));
    for (float& v : x)
        v = uniform(generator);
    return x;
}

std::vector<int> binsToCheck(int n)
{
    std::vector<int> bins;
    if (n <= 1024) {
        for (int k = 0; k < n; ++k)
            bins.push_back(k);
        return bins;
    }
    for (int k : {0, 1, 2, 3, n / 2 - 1, n / 2, n / 2 + 1, n - 2, n - 1})
        bins.push_back(k);
    for (int k = 5; k < n; k += n / 61 + 1)
        bins.push_back(k);
    return bins;
}

}  // namespace kelvox::test
