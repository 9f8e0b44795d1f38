#include "fft.h"

#include "fft_tables.h"
#include "numeric.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <utility>

namespace kelvox {

namespace {

constexpr float kInvSqrt2 = 0.707106781186548f;

// Twiddles of angles 1 … 7 times 2πj/groupLength for a block of consecutive j, by
// angle addition from the table value, in single precision.
constexpr int kTwiddleBlock = 16;
struct TwiddleBlock {
    std::array<std::array<float, kTwiddleBlock>, 8> c, s;  // [angle][j − first j]; angle 0 unused
};

void twiddlesOf(const AnalysisWorkspace& ws, int tableStep, int firstJ, int count, TwiddleBlock& t)
{
    for (int d = 0; d < count; ++d) {
        const auto j = static_cast<size_t>(firstJ + d);
        const auto e = static_cast<size_t>(d);
        const float c1 = ws.FftCos[j * static_cast<size_t>(tableStep)];
        const float s1 = ws.FftSin[j * static_cast<size_t>(tableStep)];
        const float c2 = c1 * c1 - s1 * s1, s2 = c1 * s1 + c1 * s1;
        const float c3 = c1 * c2 - s1 * s2, s3 = c2 * s1 + s2 * c1;
        const float c4 = c2 * c2 - s2 * s2, s4 = c2 * s2 + c2 * s2;
        const float c5 = c2 * c3 - s2 * s3, s5 = c3 * s2 + s3 * c2;
        const float c6 = c3 * c3 - s3 * s3, s6 = c3 * s3 + c3 * s3;
        const float c7 = c3 * c4 - s3 * s4, s7 = c4 * s3 + s4 * c3;
        t.c[1][e] = c1, t.c[2][e] = c2, t.c[3][e] = c3, t.c[4][e] = c4, t.c[5][e] = c5, t.c[6][e] = c6, t.c[7][e] = c7;
        t.s[1][e] = s1, t.s[2][e] = s2, t.s[3][e] = s3, t.s[4][e] = s4, t.s[5][e] = s5, t.s[6][e] = s6, t.s[7][e] = s7;
    }
}

// The 8-point DFTs of `count` consecutive groups x[d + q·span], q = 0 … 7 (the
// pointers r0 … r7, i0 … i7 are x + q·span at the first one), output p stored at
// position q = bitreverse3(p), so that the final bit reversal puts it in place;
// with Turn, outputs 1 … 7 are then turned by the block's twiddles. Without, they
// stay as they are (j = 0, where a turn by angle 0 could still change a zero's sign).
// The groups are independent and contiguous, so the loop runs on vector registers;
// each value still goes through exactly the same operations.
template <bool Turn>
void butterflies8(float* __restrict r0, float* __restrict r1, float* __restrict r2, float* __restrict r3,
                  float* __restrict r4, float* __restrict r5, float* __restrict r6, float* __restrict r7,
                  float* __restrict i0, float* __restrict i1, float* __restrict i2, float* __restrict i3,
                  float* __restrict i4, float* __restrict i5, float* __restrict i6, float* __restrict i7,
                  const TwiddleBlock* __restrict t, int count)
{
    for (int d = 0; d < count; ++d) {
        // Sums and differences of the two halves.
        const float ar0 = r0[d] + r4[d], ar4 = r0[d] - r4[d];
        const float ar1 = r1[d] + r5[d], ar5 = r1[d] - r5[d];
        const float ar2 = r2[d] + r6[d], ar6 = r2[d] - r6[d];
        const float ar3 = r3[d] + r7[d], ar7 = r3[d] - r7[d];
        const float ai0 = i0[d] + i4[d], ai4 = i0[d] - i4[d];
        const float ai1 = i1[d] + i5[d], ai5 = i1[d] - i5[d];
        const float ai2 = i2[d] + i6[d], ai6 = i2[d] - i6[d];
        const float ai3 = i3[d] + i7[d], ai7 = i3[d] - i7[d];
        // Even outputs: a 4-point DFT of the sums; odd outputs: of the differences
        // turned by 1, e^(iπ/4), i, e^(3iπ/4).
        const float br0 = ar0 + ar2, br2 = ar0 - ar2;
        const float br1 = ar1 + ar3, br3 = ar1 - ar3;
        const float br4 = ar4 - ai6, br6 = ar4 + ai6;
        const float br5 = ar5 - ai7, br7 = ar5 + ai7;
        const float bi0 = ai0 + ai2, bi2 = ai0 - ai2;
        const float bi1 = ai1 + ai3, bi3 = ai1 - ai3;
        const float bi4 = ai4 + ar6, bi6 = ai4 - ar6;
        const float bi5 = ai5 + ar7, bi7 = ai5 - ar7;

        r0[d] = br0 + br1;
        i0[d] = bi0 + bi1;
        const float x4r = br0 - br1, x4i = bi0 - bi1;  // output 4 → position 1
        const float x2r = br2 - bi3, x2i = bi2 + br3;  // output 2 → position 2
        const float x6r = br2 + bi3, x6i = bi2 - br3;  // output 6 → position 3
        float tr = kInvSqrt2 * (br5 - bi5);
        float ti = kInvSqrt2 * (br5 + bi5);
        const float x1r = br4 + tr, x1i = bi4 + ti;  // output 1 → position 4
        const float x5r = br4 - tr, x5i = bi4 - ti;  // output 5 → position 5
        tr = -kInvSqrt2 * (br7 + bi7);
        ti = kInvSqrt2 * (br7 - bi7);
        const float x3r = br6 + tr, x3i = bi6 + ti;  // output 3 → position 6
        const float x7r = br6 - tr, x7i = bi6 - ti;  // output 7 → position 7
        if constexpr (!Turn) {
            r1[d] = x4r, i1[d] = x4i;
            r2[d] = x2r, i2[d] = x2i;
            r3[d] = x6r, i3[d] = x6i;
            r4[d] = x1r, i4[d] = x1i;
            r5[d] = x5r, i5[d] = x5i;
            r6[d] = x3r, i6[d] = x3i;
            r7[d] = x7r, i7[d] = x7i;
        } else {
            const auto e = static_cast<size_t>(d);
            const auto& c = t->c;
            const auto& s = t->s;
            r1[d] = c[4][e] * x4r - s[4][e] * x4i, i1[d] = c[4][e] * x4i + s[4][e] * x4r;
            r2[d] = c[2][e] * x2r - s[2][e] * x2i, i2[d] = c[2][e] * x2i + s[2][e] * x2r;
            r3[d] = c[6][e] * x6r - s[6][e] * x6i, i3[d] = c[6][e] * x6i + s[6][e] * x6r;
            r4[d] = c[1][e] * x1r - s[1][e] * x1i, i4[d] = c[1][e] * x1i + s[1][e] * x1r;
            r5[d] = c[5][e] * x5r - s[5][e] * x5i, i5[d] = c[5][e] * x5i + s[5][e] * x5r;
            r6[d] = c[3][e] * x3r - s[3][e] * x3i, i6[d] = c[3][e] * x3i + s[3][e] * x3r;
            r7[d] = c[7][e] * x7r - s[7][e] * x7i, i7[d] = c[7][e] * x7i + s[7][e] * x7r;
        }
    }
}

// The butterflies j = first … first + count − 1 of the group that starts at `base`.
template <bool Turn>
void groupButterflies(float* re, float* im, int base, int span, int first, const TwiddleBlock* t, int count)
{
    float* r = re + base + first;
    float* i = im + base + first;
    butterflies8<Turn>(r, r + span, r + 2 * span, r + 3 * span, r + 4 * span, r + 5 * span, r + 6 * span, r + 7 * span,
                       i, i + span, i + 2 * span, i + 3 * span, i + 4 * span, i + 5 * span, i + 6 * span, i + 7 * span,
                       t, count);
}

// One radix-8 decimation-in-frequency pass with e^(+2πi/N) twiddles: each 8-point
// group x[j + q·span], q = 0 … 7, is replaced by its 8-point DFT, its outputs
// 1 … 7 turned by the twiddle of angle p·2πj/(8·span). Taken in blocks of
// consecutive j with their twiddles made once for every group.
void radix8Pass(const AnalysisWorkspace& ws, float* re, float* im, int n, int span)
{
    const int groupLength = 8 * span;
    const int tableStep = n / groupLength;
    for (int base = 0; base < n; base += groupLength)
        groupButterflies<false>(re, im, base, span, 0, nullptr, 1);
    TwiddleBlock t;
    for (int first = 1; first < span; first += kTwiddleBlock) {
        const int count = std::min(kTwiddleBlock, span - first);
        twiddlesOf(ws, tableStep, first, count, t);
        for (int base = 0; base < n; base += groupLength)
            groupButterflies<true>(re, im, base, span, first, &t, count);
    }
}

// The last stage when one factor of two remains: (a, b) → (a + b, a − b).
void radix2Pass(float* re, float* im, int n)
{
    for (int k = 0; k < n; k += 2) {
        const float r = re[k] + re[k + 1];
        re[k + 1] = re[k] - re[k + 1];
        re[k] = r;
        const float i = im[k] + im[k + 1];
        im[k + 1] = im[k] - im[k + 1];
        im[k] = i;
    }
}

// The last stage when two factors of two remain: 4-point DFTs with e^(+2πi/4),
// output p stored at position bitreverse2(p).
void radix4Pass(float* re, float* im, int n)
{
    for (int k = 0; k < n; k += 4) {
        const float r1 = re[k] + re[k + 2], r2 = re[k] - re[k + 2];
        const float r3 = re[k + 1] + re[k + 3], r4 = re[k + 1] - re[k + 3];
        const float i1 = im[k] + im[k + 2], i2 = im[k] - im[k + 2];
        const float i3 = im[k + 1] + im[k + 3], i4 = im[k + 1] - im[k + 3];
        re[k] = r1 + r3, im[k] = i1 + i3;
        re[k + 1] = r1 - r3, im[k + 1] = i1 - i3;
        re[k + 2] = r2 - i4, im[k + 2] = i2 + r4;
        re[k + 3] = r2 + i4, im[k + 3] = i2 - r4;
    }
}

void negate(float* values, int n)
{
    for (int k = 0; k < n; ++k)
        values[k] = -values[k];
}

}  // namespace

int fftsetup(AnalysisWorkspace& ws, int wanted)
{
    // log2 through the natural logarithm, rounded on the log scale.
    const double order = std::log(static_cast<double>(wanted)) * 1.4426950408889634 + 0.5;
    int k = satInt(order);
    if (k < 0)
        k = 0;
    if (k > 14)
        k = 14;
    const int n = 1 << k;
    detail::buildTwiddleTables(n, ws.FftCos, ws.FftSin);
    ws.FftSwaps.clear();
    detail::bitReversalPairs(
        n, [&ws](int i, int r) { ws.FftSwaps.push_back(static_cast<uint32_t>(i) << 16 | static_cast<uint32_t>(r)); });
    ws.FftSize = n;
    return n;
}

bool fft842(const AnalysisWorkspace& ws, float* re, float* im, int inverse)
{
    const int n = ws.FftSize;
    // m with 2^m = N, by doubling from 2.
    int m = 1;
    for (int size = 2; size != n; size *= 2) {
        if (++m > 15) {
            std::fputs("-- N is not a power of two for fft842\n", stderr);
            std::fflush(stderr);
            return false;
        }
    }
    if (ws.FftCos.size() != static_cast<size_t>(n) || ws.FftSin.size() != static_cast<size_t>(n)) {
        std::fprintf(stderr, "-- fft842 tables do not match N = %d\n", n);
        std::fflush(stderr);
        return false;
    }

    // The core transform uses e^(+2πikn/N); conjugating before and after makes it the
    // forward transform.
    if (inverse == 0)
        negate(im, n);
    const int radix8Passes = m / 3;
    for (int pass = 1; pass <= radix8Passes; ++pass)
        radix8Pass(ws, re, im, n, 1 << (m - 3 * pass));
    switch (m - 3 * radix8Passes) {
    case 1:
        radix2Pass(re, im, n);
        break;
    case 2:
        radix4Pass(re, im, n);
        break;
    default:
        break;
    }
    for (const uint32_t swap : ws.FftSwaps) {
        const uint32_t i = swap >> 16, r = swap & 0xFFFF;
        std::swap(re[i], re[r]);
        std::swap(im[i], im[r]);
    }
    if (inverse != 0) {
        const float size = static_cast<float>(n);
        for (int k = 0; k < n; ++k) {
            re[k] = re[k] / size;
            im[k] = im[k] / size;
        }
    } else {
        negate(im, n);
    }
    return true;
}

}  // namespace kelvox
