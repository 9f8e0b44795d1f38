#include "fft.h"

#include "fft_tables.h"
#include "numeric.h"

#include <cmath>
#include <cstdio>
#include <utility>

namespace kelvox {

namespace {

constexpr float kInvSqrt2 = 0.707106781186548f;

// One radix-8 decimation-in-frequency pass with e^(+2πi/N) twiddles. Each 8-point
// group x[j + q·span], q = 0 … 7, is replaced by its 8-point DFT, output p stored at
// position q = bitreverse3(p) (so the final bit reversal puts it in place), and
// outputs 1 … 7 are turned by the twiddle of angle p·2πj/(8·span).
void radix8Pass(const AnalysisWorkspace& ws, float* re, float* im, int n, int span)
{
    const int groupLength = 8 * span;
    const int tableStep = n / groupLength;
    float* r[8];
    float* i[8];
    for (int q = 0; q < 8; ++q) {
        r[q] = re + q * span;
        i[q] = im + q * span;
    }
    for (int j = 0; j < span; ++j) {
        // Twiddles of angles 1 … 7 times 2πj/groupLength by angle addition from the
        // table value, in single precision.
        const float c1 = ws.FftCos[static_cast<size_t>(j * tableStep)];
        const float s1 = ws.FftSin[static_cast<size_t>(j * tableStep)];
        const float c2 = c1 * c1 - s1 * s1, s2 = c1 * s1 + c1 * s1;
        const float c3 = c1 * c2 - s1 * s2, s3 = c2 * s1 + s2 * c1;
        const float c4 = c2 * c2 - s2 * s2, s4 = c2 * s2 + c2 * s2;
        const float c5 = c2 * c3 - s2 * s3, s5 = c3 * s2 + s3 * c2;
        const float c6 = c3 * c3 - s3 * s3, s6 = c3 * s3 + c3 * s3;
        const float c7 = c3 * c4 - s3 * s4, s7 = c4 * s3 + s4 * c3;
        for (int k = j; k < n; k += groupLength) {
            // Sums and differences of the two halves.
            const float ar0 = r[0][k] + r[4][k], ar4 = r[0][k] - r[4][k];
            const float ar1 = r[1][k] + r[5][k], ar5 = r[1][k] - r[5][k];
            const float ar2 = r[2][k] + r[6][k], ar6 = r[2][k] - r[6][k];
            const float ar3 = r[3][k] + r[7][k], ar7 = r[3][k] - r[7][k];
            const float ai0 = i[0][k] + i[4][k], ai4 = i[0][k] - i[4][k];
            const float ai1 = i[1][k] + i[5][k], ai5 = i[1][k] - i[5][k];
            const float ai2 = i[2][k] + i[6][k], ai6 = i[2][k] - i[6][k];
            const float ai3 = i[3][k] + i[7][k], ai7 = i[3][k] - i[7][k];
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

            r[0][k] = br0 + br1;
            i[0][k] = bi0 + bi1;
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
            if (j == 0) {
                r[1][k] = x4r, i[1][k] = x4i;
                r[2][k] = x2r, i[2][k] = x2i;
                r[3][k] = x6r, i[3][k] = x6i;
                r[4][k] = x1r, i[4][k] = x1i;
                r[5][k] = x5r, i[5][k] = x5i;
                r[6][k] = x3r, i[6][k] = x3i;
                r[7][k] = x7r, i[7][k] = x7i;
            } else {
                r[1][k] = c4 * x4r - s4 * x4i, i[1][k] = c4 * x4i + s4 * x4r;
                r[2][k] = c2 * x2r - s2 * x2i, i[2][k] = c2 * x2i + s2 * x2r;
                r[3][k] = c6 * x6r - s6 * x6i, i[3][k] = c6 * x6i + s6 * x6r;
                r[4][k] = c1 * x1r - s1 * x1i, i[4][k] = c1 * x1i + s1 * x1r;
                r[5][k] = c5 * x5r - s5 * x5i, i[5][k] = c5 * x5i + s5 * x5r;
                r[6][k] = c3 * x3r - s3 * x3i, i[6][k] = c3 * x3i + s3 * x3r;
                r[7][k] = c7 * x7r - s7 * x7i, i[7][k] = c7 * x7i + s7 * x7r;
            }
        }
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
    detail::bitReversalPairs(n, [re, im](int i, int j) {
        std::swap(re[i], re[j]);
        std::swap(im[i], im[j]);
    });
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
