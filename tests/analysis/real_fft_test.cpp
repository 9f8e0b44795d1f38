#include "real_fft.h"

#include "dft_reference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

using namespace kelvox;

TEST(RealFft, RefusesToRunBeforeSetUp)
{
    AnalysisWorkspace ws;
    const std::vector<float> original = kelvox::test::randomSignal(512, 9u);
    std::vector<float> x = original;
    EXPECT_EQ(realfft(ws, 512, x.data()), 1);
    EXPECT_EQ(x, original);
}

TEST(RealFft, SetUpAcceptsPowersOfTwoOnly)
{
    AnalysisWorkspace ws;
    EXPECT_EQ(realfftsetup(ws, 300), 1);
    EXPECT_EQ(realfftsetup(ws, 0), 1);
    EXPECT_EQ(realfftsetup(ws, 1), 1);
    EXPECT_EQ(realfftsetup(ws, -512), 1);
    EXPECT_EQ(ws.realFftStages, 0);
    EXPECT_EQ(realfftsetup(ws, 512), 0);
    EXPECT_EQ(ws.realFftSize, 512);
    EXPECT_EQ(ws.realFftStages, 9);
    EXPECT_EQ(realfftsetup(ws, 300), 1);  // a refused length keeps the earlier set-up
    EXPECT_EQ(ws.realFftSize, 512);
}

TEST(RealFft, RefusesALengthItWasNotSetUpFor)
{
    AnalysisWorkspace ws;
    realfftsetup(ws, 256);
    const std::vector<float> original = kelvox::test::randomSignal(512, 10u);
    std::vector<float> x = original;
    EXPECT_EQ(realfft(ws, 512, x.data()), 1);
    EXPECT_EQ(x, original);
}

TEST(RealFft, PacksTheDirectDftOfARealSignal)
{
    AnalysisWorkspace ws;
    for (int stages = 1; stages <= 12; ++stages) {
        const int m = 1 << stages;
        ASSERT_EQ(realfftsetup(ws, m), 0);
        const std::vector<float> input = kelvox::test::randomSignal(m, 20u + static_cast<unsigned>(stages));
        const std::vector<float> zeros(static_cast<size_t>(m), 0.0f);
        std::vector<float> x = input;
        ASSERT_EQ(realfft(ws, m, x.data()), 0);

        const kelvox::test::DirectDft dft(m);
        const double tol = 1e-6 * std::sqrt(static_cast<double>(m)) * stages;
        for (int k = 0; k <= m / 2; ++k) {
            const kelvox::test::BinLD ref = dft.bin(input, zeros, k, -1);
            EXPECT_NEAR(x[static_cast<size_t>(k)], static_cast<double>(ref.re), tol) << "M = " << m << ", bin " << k;
            if (k > 0 && k < m / 2) {
                EXPECT_NEAR(x[static_cast<size_t>(m - k)], static_cast<double>(ref.im), tol) << "M = " << m << ", bin " << k;
            }
        }
    }
}

TEST(RealFft, ConstantFrameGivesOnlyDc)
{
    AnalysisWorkspace ws;
    const int m = 512;
    realfftsetup(ws, m);
    std::vector<float> x(static_cast<size_t>(m), 1.0f);
    ASSERT_EQ(realfft(ws, m, x.data()), 0);
    EXPECT_NEAR(x[0], m, 1e-4);
    for (int k = 1; k < m; ++k)
        EXPECT_NEAR(x[static_cast<size_t>(k)], 0.0, 1e-4) << k;
}

TEST(RealFft, CosineHasItsPowerInBinThree)
{
    AnalysisWorkspace ws;
    const int m = 512;
    realfftsetup(ws, m);
    std::vector<float> x(static_cast<size_t>(m));
    for (int i = 0; i < m; ++i)
        x[static_cast<size_t>(i)] = static_cast<float>(std::cos(2 * std::numbers::pi * 3 * i / m));
    ASSERT_EQ(realfft(ws, m, x.data()), 0);
    const double peak = (m / 2.0) * (m / 2.0);
    for (int k = 1; k < m / 2; ++k) {
        const double power = x[static_cast<size_t>(k)] * x[static_cast<size_t>(k)]
                             + x[static_cast<size_t>(m - k)] * x[static_cast<size_t>(m - k)];
        EXPECT_NEAR(power, k == 3 ? peak : 0.0, 1e-6 * peak) << "bin " << k;
    }
}
