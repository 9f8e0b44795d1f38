#include "fft.h"

#include "dft_reference.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

using namespace kelvox;
using kelvox::test::BinLD;
using kelvox::test::DirectDft;

namespace {

// Single-precision FFT error grows like eps·log2(N)·|x|; |x| ≈ sqrt(N/3) for the
// random signals. A wrong twiddle or a misplaced output is off by O(sqrt(N)).
double fftTolerance(int n)
{
    return 2e-7 * std::sqrt(static_cast<double>(n)) * std::log2(static_cast<double>(n));
}

// Largest deviation of the transformed re/im from the direct DFT of the input.
double maxDeviation(const std::vector<float>& inRe, const std::vector<float>& inIm,
                    const std::vector<float>& outRe, const std::vector<float>& outIm, int sign,
                    long double scale)
{
    const int n = static_cast<int>(inRe.size());
    const DirectDft dft(n);
    double worst = 0.0;
    for (int k : kelvox::test::binsToCheck(n)) {
        const BinLD ref = dft.bin(inRe, inIm, k, sign);
        worst = std::max(worst, static_cast<double>(std::fabs(ref.re * scale - outRe[static_cast<size_t>(k)])));
        worst = std::max(worst, static_cast<double>(std::fabs(ref.im * scale - outIm[static_cast<size_t>(k)])));
    }
    return worst;
}

}  // namespace

TEST(Fft842, ForwardMatchesDirectDftOnEveryRadixPath)
{
    AnalysisWorkspace ws;
    for (int m = 1; m <= 14; ++m) {
        const int n = 1 << m;
        ASSERT_EQ(fftsetup(ws, n), n);
        const std::vector<float> inRe = kelvox::test::randomSignal(n, 11u + static_cast<unsigned>(m));
        const std::vector<float> inIm = kelvox::test::randomSignal(n, 101u + static_cast<unsigned>(m));
        std::vector<float> re = inRe, im = inIm;
        ASSERT_TRUE(fft842(ws, re.data(), im.data(), 0));
        EXPECT_LE(maxDeviation(inRe, inIm, re, im, -1, 1.0L), fftTolerance(n)) << "N = " << n;
    }
}

TEST(Fft842, InverseMatchesScaledDirectDft)
{
    AnalysisWorkspace ws;
    for (int m = 1; m <= 14; ++m) {
        const int n = 1 << m;
        fftsetup(ws, n);
        const std::vector<float> inRe = kelvox::test::randomSignal(n, 7u * static_cast<unsigned>(m));
        const std::vector<float> inIm = kelvox::test::randomSignal(n, 7u * static_cast<unsigned>(m) + 3);
        std::vector<float> re = inRe, im = inIm;
        ASSERT_TRUE(fft842(ws, re.data(), im.data(), 1));
        EXPECT_LE(maxDeviation(inRe, inIm, re, im, +1, 1.0L / n), fftTolerance(n) / n) << "N = " << n;
    }
}

TEST(Fft842, InverseUndoesForward)
{
    AnalysisWorkspace ws;
    for (int m = 1; m <= 14; ++m) {
        const int n = 1 << m;
        fftsetup(ws, n);
        const std::vector<float> inRe = kelvox::test::randomSignal(n, 5u + static_cast<unsigned>(m));
        const std::vector<float> inIm = kelvox::test::randomSignal(n, 50u + static_cast<unsigned>(m));
        std::vector<float> re = inRe, im = inIm;
        ASSERT_TRUE(fft842(ws, re.data(), im.data(), 0));
        ASSERT_TRUE(fft842(ws, re.data(), im.data(), 1));
        double worst = 0.0;
        for (int t = 0; t < n; ++t) {
            worst = std::max(worst, static_cast<double>(std::fabs(re[static_cast<size_t>(t)] - inRe[static_cast<size_t>(t)])));
            worst = std::max(worst, static_cast<double>(std::fabs(im[static_cast<size_t>(t)] - inIm[static_cast<size_t>(t)])));
        }
        EXPECT_LE(worst, 2e-7 * m) << "N = " << n;
    }
}

TEST(Fft842, ImpulseGivesFlatSpectrumAndComesBack)
{
    AnalysisWorkspace ws;
    for (int n : {2, 4, 8, 16, 32, 512}) {
        fftsetup(ws, n);
        std::vector<float> re(static_cast<size_t>(n), 0.0f), im(static_cast<size_t>(n), 0.0f);
        re[0] = 1.0f;
        ASSERT_TRUE(fft842(ws, re.data(), im.data(), 0));
        for (int k = 0; k < n; ++k) {
            EXPECT_NEAR(re[static_cast<size_t>(k)], 1.0, 1e-6) << "N = " << n << ", bin " << k;
            EXPECT_NEAR(im[static_cast<size_t>(k)], 0.0, 1e-6) << "N = " << n << ", bin " << k;
        }
        ASSERT_TRUE(fft842(ws, re.data(), im.data(), 1));
        EXPECT_NEAR(re[0], 1.0, 1e-6);
        for (int t = 1; t < n; ++t)
            EXPECT_NEAR(re[static_cast<size_t>(t)], 0.0, 1e-6) << "N = " << n << ", sample " << t;
    }
}

TEST(Fft842, CosineAndSineLandInTheirTwoBins)
{
    AnalysisWorkspace ws;
    for (int n : {64, 2048}) {
        fftsetup(ws, n);
        std::vector<float> cre(static_cast<size_t>(n)), cim(static_cast<size_t>(n), 0.0f);
        std::vector<float> sre(static_cast<size_t>(n)), sim(static_cast<size_t>(n), 0.0f);
        for (int t = 0; t < n; ++t) {
            const double angle = 2 * std::numbers::pi * 5 * t / n;
            cre[static_cast<size_t>(t)] = static_cast<float>(std::cos(angle));
            sre[static_cast<size_t>(t)] = static_cast<float>(std::sin(angle));
        }
        ASSERT_TRUE(fft842(ws, cre.data(), cim.data(), 0));
        ASSERT_TRUE(fft842(ws, sre.data(), sim.data(), 0));
        const double tol = 1e-5 * n;
        for (int k = 0; k < n; ++k) {
            const bool atTone = k == 5 || k == n - 5;
            EXPECT_NEAR(cre[static_cast<size_t>(k)], atTone ? n / 2.0 : 0.0, tol) << "bin " << k;
            EXPECT_NEAR(cim[static_cast<size_t>(k)], 0.0, tol) << "bin " << k;
            EXPECT_NEAR(sre[static_cast<size_t>(k)], 0.0, tol) << "bin " << k;
            const double wantIm = k == 5 ? -n / 2.0 : (k == n - 5 ? n / 2.0 : 0.0);
            EXPECT_NEAR(sim[static_cast<size_t>(k)], wantIm, tol) << "bin " << k;
        }
    }
}

TEST(Fft842, InvalidLengthIsReportedAndNothingIsTransformed)
{
    AnalysisWorkspace ws;
    fftsetup(ws, 256);
    const std::vector<float> original = kelvox::test::randomSignal(512, 3u);
    for (int n : {0, 1, 3, 300, 65536, -8}) {
        ws.FftSize = n;
        std::vector<float> re = original, im = original;
        testing::internal::CaptureStderr();
        const bool done = fft842(ws, re.data(), im.data(), 0);
        const std::string message = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(done) << "N = " << n;
        EXPECT_EQ(message, "-- N is not a power of two for fft842\n") << "N = " << n;
        EXPECT_EQ(re, original);
        EXPECT_EQ(im, original);
    }
}

TEST(Fft842, LengthWithoutMatchingTablesIsRefused)
{
    AnalysisWorkspace ws;
    fftsetup(ws, 256);
    ws.FftSize = 512;  // set by hand, as a run might, without rebuilding the tables
    const std::vector<float> original = kelvox::test::randomSignal(512, 4u);
    std::vector<float> re = original, im = original;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(fft842(ws, re.data(), im.data(), 0));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "-- fft842 tables do not match N = 512\n");
    EXPECT_EQ(re, original);
}

TEST(FftSetup, RoundsToTheNearestPowerOfTwoOnALogScale)
{
    AnalysisWorkspace ws;
    EXPECT_EQ(fftsetup(ws, 300), 256);
    EXPECT_EQ(fftsetup(ws, 400), 512);
    EXPECT_EQ(fftsetup(ws, 362), 256);
    EXPECT_EQ(fftsetup(ws, 363), 512);
    EXPECT_EQ(fftsetup(ws, 2), 2);
    EXPECT_EQ(fftsetup(ws, 1), 1);
    EXPECT_EQ(ws.FftSize, 1);
}

TEST(FftSetup, ClampsHugeZeroAndNegativeLengths)
{
    AnalysisWorkspace ws;
    EXPECT_EQ(fftsetup(ws, 23170), 16384);
    EXPECT_EQ(fftsetup(ws, 23171), 16384);
    EXPECT_EQ(fftsetup(ws, INT_MAX), 16384);
    EXPECT_EQ(ws.FftCos.size(), 16384u);
    EXPECT_EQ(fftsetup(ws, 0), 1);
    EXPECT_EQ(fftsetup(ws, -5), 1);
    EXPECT_EQ(fftsetup(ws, INT_MIN), 1);
}

TEST(FftSetup, BuildsTheTwiddleTablesForN)
{
    AnalysisWorkspace ws;
    const int n = fftsetup(ws, 1024);
    ASSERT_EQ(ws.FftCos.size(), static_cast<size_t>(n));
    ASSERT_EQ(ws.FftSin.size(), static_cast<size_t>(n));
    for (int i : {0, 1, 100, 256, 512, 1000}) {
        const double angle = 2 * std::numbers::pi * i / n;
        EXPECT_NEAR(ws.FftCos[static_cast<size_t>(i)], std::cos(angle), 1e-7) << i;
        EXPECT_NEAR(ws.FftSin[static_cast<size_t>(i)], std::sin(angle), 1e-7) << i;
    }
}
