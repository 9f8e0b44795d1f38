#include "harmonic_spectrum.h"

#include "dft_reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

using namespace kelvox;

TEST(Harmspec, OneHarmonicKeepsTheSpectrumButRaisesTheLastBin)
{
    std::vector<float> spectrum = kelvox::test::randomSignal(100, 31u);
    for (float& v : spectrum)
        v = v * v + 0.01f;
    const std::vector<float> original = spectrum;
    const float b = *std::max_element(original.begin() + 1, original.end());
    harmspec(spectrum.data(), 100, 1);
    EXPECT_EQ(spectrum[0], original[0]);
    for (int i = 1; i < 99; ++i)
        EXPECT_NEAR(spectrum[static_cast<size_t>(i)], original[static_cast<size_t>(i)], 1e-6 * b) << i;
    // The last bin's only harmonic falls at count − 1 and is skipped: factor 1.
    EXPECT_NEAR(spectrum[99], b, 1e-6 * b);
}

TEST(Harmspec, FourHarmonicsPickTheCommonFundamental)
{
    const int count = 64;
    std::vector<float> spectrum(count, 1e-3f);
    for (int peak : {10, 20, 30, 40})
        spectrum[static_cast<size_t>(peak)] = 1.0f;
    harmspec(spectrum.data(), count, 4);
    // Output bin 40 stands for a fundamental of 10 bins: all four harmonics on peaks.
    const auto top = std::max_element(spectrum.begin() + 1, spectrum.end());
    EXPECT_EQ(top - spectrum.begin(), 40);
    EXPECT_NEAR(spectrum[40], 1.0, 1e-6);
    // A bin whose harmonics miss the peaks falls towards 0.
    EXPECT_LT(spectrum[37], 1e-6);
    EXPECT_LT(spectrum[20], 1e-3);  // fundamental 5: harmonics 5 and 15 miss
}

TEST(Harmspec, LowBinsInterpolateBetweenTheFirstInputBins)
{
    // Bin 1 with nharm 2: harmonic 1 at 0.5 (between bins 0 and 1), harmonic 2 at 1.
    std::vector<float> spectrum = {2.0f, 4.0f, 1.0f, 1.0f, 1.0f};
    harmspec(spectrum.data(), 5, 2);
    // b = 4; bin 1: (3/4)·(4/4) = 0.75; bin 2: h(1) = 4, h(2) = 1 → 0.25;
    // bin 3: h(1.5) = 2.5, h(3) = 1 → 0.15625; bin 4: h(2) = 1, h(4) skipped → 0.25.
    // The maximum 0.75 is scaled back to b = 4.
    EXPECT_NEAR(spectrum[1], 4.0, 1e-6);
    EXPECT_NEAR(spectrum[2], 4.0 * 0.25 / 0.75, 1e-6);
    EXPECT_NEAR(spectrum[3], 4.0 * 0.15625 / 0.75, 1e-6);
    EXPECT_NEAR(spectrum[4], 4.0 * 0.25 / 0.75, 1e-6);
    EXPECT_EQ(spectrum[0], 2.0f);
}

TEST(Harmspec, NothingToDoLeavesTheSpectrumAlone)
{
    std::vector<float> spectrum = {1.0f, 2.0f, 3.0f};
    harmspec(spectrum.data(), 3, 0);
    harmspec(spectrum.data(), 1, 4);
    EXPECT_EQ(spectrum, (std::vector<float>{1.0f, 2.0f, 3.0f}));
}

TEST(Db10, ConvertsPowerToDecibelsWithAFloor)
{
    EXPECT_NEAR(static_cast<double>(db10(0.0f)), -250.0, 1e-9);
    EXPECT_NEAR(static_cast<double>(db10(1.0f)), 0.0, 1e-12);
    EXPECT_NEAR(static_cast<double>(db10(100.0f)), 20.0, 1e-9);
    EXPECT_NEAR(static_cast<double>(db10(2.0f)), 3.0103, 1e-4);
    EXPECT_NEAR(static_cast<double>(db10(-5.0f)), -250.0, 1e-9);
    EXPECT_NEAR(static_cast<double>(db10(1e-30f)), -250.0, 1e-9);
    EXPECT_NEAR(static_cast<double>(db10(std::numeric_limits<float>::quiet_NaN())), -250.0, 1e-9);
}
