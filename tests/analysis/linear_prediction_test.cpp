#include "linear_prediction.h"

#include "parse_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

using namespace kelvox;

namespace {

// The predictor of order p by solving the normal equations
// Σ_i a[i]·R[|i − j|] = −R[j], j = 1 … p, with Gaussian elimination in double.
std::vector<double> normalEquationPredictor(const std::vector<float>& x, int p)
{
    const int n = static_cast<int>(x.size());
    std::vector<double> r(static_cast<size_t>(p + 1), 0.0);
    for (int lag = 0; lag <= p; ++lag)
        for (int j = 0; j + lag < n; ++j)
            r[static_cast<size_t>(lag)] += static_cast<double>(x[static_cast<size_t>(j)]) * x[static_cast<size_t>(j + lag)];
    std::vector<std::vector<double>> m(static_cast<size_t>(p), std::vector<double>(static_cast<size_t>(p + 1)));
    for (int row = 0; row < p; ++row) {
        for (int col = 0; col < p; ++col)
            m[static_cast<size_t>(row)][static_cast<size_t>(col)] = r[static_cast<size_t>(std::abs(row - col))];
        m[static_cast<size_t>(row)][static_cast<size_t>(p)] = -r[static_cast<size_t>(row + 1)];
    }
    for (int piv = 0; piv < p; ++piv)
        for (int row = piv + 1; row < p; ++row) {
            const double f = m[static_cast<size_t>(row)][static_cast<size_t>(piv)] / m[static_cast<size_t>(piv)][static_cast<size_t>(piv)];
            for (int col = piv; col <= p; ++col)
                m[static_cast<size_t>(row)][static_cast<size_t>(col)] -= f * m[static_cast<size_t>(piv)][static_cast<size_t>(col)];
        }
    std::vector<double> a(static_cast<size_t>(p + 1), 0.0);
    a[0] = 1.0;
    for (int row = p - 1; row >= 0; --row) {
        double v = m[static_cast<size_t>(row)][static_cast<size_t>(p)];
        for (int col = row + 1; col < p; ++col)
            v -= m[static_cast<size_t>(row)][static_cast<size_t>(col)] * a[static_cast<size_t>(col + 1)];
        a[static_cast<size_t>(row + 1)] = v / m[static_cast<size_t>(row)][static_cast<size_t>(row)];
    }
    return a;
}

// 25 ms of a voiced sound at 16 kHz: harmonics of 120 Hz under two formant peaks,
// a little noise, Hamming-windowed.
std::vector<float> vowelFrame()
{
    const int n = 400;
    std::mt19937 generator(17u);
    std::normal_distribution<double> noise(0.0, 20.0);
    std::vector<float> x(static_cast<size_t>(n));
    for (int t = 0; t < n; ++t) {
        double v = noise(generator);
        for (int h = 1; h * 120 < 8000; ++h) {
            const double f = h * 120.0;
            const double formants = 1.0 / (1.0 + std::pow((f - 700.0) / 150.0, 2))
                                    + 0.5 / (1.0 + std::pow((f - 1200.0) / 200.0, 2));
            v += 3000.0 * formants * std::cos(2 * std::numbers::pi * f * t / 16000.0 + h);
        }
        const double window = 0.54 - 0.46 * std::cos(2 * std::numbers::pi * t / (n - 1));
        x[static_cast<size_t>(t)] = static_cast<float>(v * window);
    }
    return x;
}

}  // namespace

TEST(Autoc, FirstOrderAutoregressionGivesOneCoefficient)
{
    std::vector<float> x(1000);
    for (size_t j = 0; j < x.size(); ++j)
        x[j] = static_cast<float>(std::pow(0.9, static_cast<double>(j)));
    const int p = 10;
    std::vector<float> a(p + 1), k(p);
    float err = -1.0f;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(autoc(static_cast<int>(x.size()), x.data(), p, a.data(), &err, k.data(), 0));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_FLOAT_EQ(a[0], 1.0f);
    EXPECT_NEAR(a[1], -0.9, 1e-3);
    EXPECT_NEAR(k[0], -0.9, 1e-3);
    for (int i = 2; i <= p; ++i)
        EXPECT_NEAR(a[static_cast<size_t>(i)], 0.0, 1e-3) << "a[" << i << "]";
    // The prediction error of 0.9^j is the first sample alone.
    EXPECT_NEAR(err, 1.0, 1e-2);
}

TEST(Autoc, SpeechFrameOfOrder17MatchesTheNormalEquations)
{
    const std::vector<float> x = vowelFrame();
    const int p = 17;
    std::vector<float> a(p + 1), k(p);
    float err = 0.0f;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(autoc(static_cast<int>(x.size()), x.data(), p, a.data(), &err, k.data(), 4000));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_GT(err, 0.0f);
    const std::vector<double> ref = normalEquationPredictor(x, p);
    for (int i = 0; i <= p; ++i)
        EXPECT_NEAR(a[static_cast<size_t>(i)], ref[static_cast<size_t>(i)], 2e-2 * (1.0 + std::fabs(ref[static_cast<size_t>(i)])))
            << "a[" << i << "]";
    for (int i = 0; i < p; ++i)
        EXPECT_LT(std::fabs(k[static_cast<size_t>(i)]), 1.0f) << "k[" << i << "]";  // a stable model
    EXPECT_FLOAT_EQ(a[static_cast<size_t>(p)], k[static_cast<size_t>(p - 1)]);
}

TEST(Autoc, SilentFrameReportsEveryOrderAndStaysFinite)
{
    const std::vector<float> x(200, 0.0f);
    const int p = 12;
    std::vector<float> a(p + 1, 7.0f), k(p, 7.0f);
    float err = 7.0f;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(autoc(static_cast<int>(x.size()), x.data(), p, a.data(), &err, k.data(), 1234));
    const std::string out = testing::internal::GetCapturedStdout();
    std::string expected;
    for (int m = 1; m < p; ++m)
        expected += format("singular matrix in function autoc, minc=%d, datpos=%d\n", m, 1234);
    EXPECT_EQ(out, expected);
    EXPECT_EQ(a[0], 1.0f);
    for (int i = 1; i <= p; ++i)
        EXPECT_EQ(a[static_cast<size_t>(i)], 0.0f) << "a[" << i << "]";
    for (int i = 0; i < p; ++i)
        EXPECT_EQ(k[static_cast<size_t>(i)], 0.0f) << "k[" << i << "]";
    EXPECT_EQ(err, 0.0f);
}

TEST(Autoc, OrderOneRunsOnlyTheFirstStep)
{
    const std::vector<float> silence(50, 0.0f);
    float a[2] = {9.0f, 9.0f}, k[1] = {9.0f}, err = 9.0f;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(autoc(50, silence.data(), 1, a, &err, k, 0));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(a[0], 1.0f);
    EXPECT_EQ(a[1], 0.0f);
    EXPECT_EQ(err, 0.0f);

    const float ramp[4] = {1.0f, 2.0f, 3.0f, 4.0f};
    ASSERT_TRUE(autoc(4, ramp, 1, a, &err, k, 0));
    // R0 = 30, R1 = 2 + 6 + 12 = 20.
    EXPECT_NEAR(k[0], -20.0 / 30.0, 1e-6);
    EXPECT_NEAR(err, 30.0 - 400.0 / 30.0, 1e-4);
}

TEST(Autoc, RefusesOrdersOutsideOneTo32)
{
    const std::vector<float> x = vowelFrame();
    std::vector<float> a(40, 5.0f), k(40, 5.0f);
    float err = 5.0f;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(autoc(static_cast<int>(x.size()), x.data(), 0, a.data(), &err, k.data(), 0));
    EXPECT_FALSE(autoc(static_cast<int>(x.size()), x.data(), -3, a.data(), &err, k.data(), 0));
    EXPECT_FALSE(autoc(static_cast<int>(x.size()), x.data(), 33, a.data(), &err, k.data(), 0));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(a, std::vector<float>(40, 5.0f));
    EXPECT_EQ(err, 5.0f);
    EXPECT_TRUE(autoc(static_cast<int>(x.size()), x.data(), 32, a.data(), &err, k.data(), 0));
}
