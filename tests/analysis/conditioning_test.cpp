#include "conditioning.h"

#include "analysis_workspace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

using namespace kelvox;

namespace {

// A spectrogram state with a stable high-pass (poles of a 50 Hz two-pole low-pass at
// 16 kHz) and a resonator around 150 Hz, holding `samples`.
SpectrogramState stateWith(const std::vector<int>& samples)
{
    SpectrogramState st;
    const double w = 2 * 0.7071 * std::numbers::pi * 50.0 / 16000.0;
    st.A1 = -2 * std::exp(-w) * std::cos(w);
    st.A2 = std::exp(-2 * w);
    const double r1 = std::exp(-4 * std::numbers::pi * 150.0 / 16000.0);
    const double r2 = std::exp(-std::numbers::pi * 150.0 / 16000.0);
    st.B1 = static_cast<float>(r1 + r2);
    st.B2 = static_cast<float>(r1 * r2);
    for (size_t i = 0; i < samples.size(); ++i)
        st.SampleBuffer[i] = static_cast<int16_t>(samples[i]);
    st.bufferFill = static_cast<int>(samples.size());
    st.bufferHigh = static_cast<int>(samples.size());
    return st;
}

// The conditioned values of one call, computed here with the high-pass written out.
std::vector<double> highPassReference(const SpectrogramState& st, const std::vector<double>& v)
{
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    std::vector<double> y(v.size());
    for (size_t i = 0; i < v.size(); ++i) {
        y[i] = v[i] - 2 * x1 + x2 - st.A1 * y1 - st.A2 * y2;
        x2 = x1, x1 = v[i], y2 = y1, y1 = y[i];
    }
    return y;
}

}  // namespace

TEST(Condition, ConstantInputDecaysToZero)
{
    SpectrogramState st = stateWith(std::vector<int>(16000, 1000));
    condition(st);
    EXPECT_GT(std::fabs(st.ConditionedSamples[0]), 500.0f);  // the step gets through
    for (int i = 8000; i < 16000; ++i)
        ASSERT_NEAR(st.ConditionedSamples[static_cast<size_t>(i)], 0.0, 1e-2) << i;
    for (int i = 15000; i < 16000; ++i)
        ASSERT_NEAR(st.ResonatorSamples[static_cast<size_t>(i)], 0.0, 1e-1) << i;
}

TEST(Condition, GainScalesTheSignal)
{
    SpectrogramState quiet = stateWith({100, -50, 300, 0, 20});
    SpectrogramState loud = quiet;
    loud.gainFactor = 4.0f;
    condition(quiet);
    condition(loud);
    for (int i = 0; i < 5; ++i)
        EXPECT_NEAR(loud.ConditionedSamples[static_cast<size_t>(i)], 4.0 * quiet.ConditionedSamples[static_cast<size_t>(i)], 1e-3);
}

TEST(Condition, ProcessesOnlyTheRealData)
{
    SpectrogramState st = stateWith(std::vector<int>(200, 700));
    st.bufferFill = 100;
    std::fill(st.ConditionedSamples.begin(), st.ConditionedSamples.end(), 123.0f);
    std::fill(st.ResonatorSamples.begin(), st.ResonatorSamples.end(), 123.0f);
    condition(st);
    EXPECT_NE(st.ConditionedSamples[99], 123.0f);
    for (int i = 100; i < 200; ++i) {
        EXPECT_EQ(st.ConditionedSamples[static_cast<size_t>(i)], 123.0f) << i;
        EXPECT_EQ(st.ResonatorSamples[static_cast<size_t>(i)], 123.0f) << i;
    }
}

TEST(Condition, PreEmphasisTakesTheNextSampleAndZeroAfterTheLast)
{
    const std::vector<int> s = {1000, 3000, -2000, 500};
    SpectrogramState st = stateWith(s);
    st.SampleBuffer[4] = 30000;  // stale: beyond the data
    st.preEmphasis = 0.9f;
    st.gainFactor = 2.0f;
    condition(st);
    const std::vector<double> v = {2 * (1000 - 0.9 * 3000), 2 * (3000 - 0.9 * -2000),
                                   2 * (-2000 - 0.9 * 500), 2 * 500.0};
    const std::vector<double> y = highPassReference(stateWith(s), v);
    for (size_t i = 0; i < s.size(); ++i)
        EXPECT_NEAR(st.ConditionedSamples[i], y[i], 1e-2) << i;
}

TEST(Condition, DeEmphasisIsAOnePoleLowPass)
{
    const std::vector<int> s = {1000, 0, 0, 0};
    SpectrogramState st = stateWith(s);
    st.preEmphasis = -0.5f;
    condition(st);
    // v = 5·(1 + pe)·v − pe·m, m = v: 2500, 1250, 625, 312.5.
    const std::vector<double> y = highPassReference(stateWith(s), {2500, 1250, 625, 312.5});
    for (size_t i = 0; i < s.size(); ++i)
        EXPECT_NEAR(st.ConditionedSamples[i], y[i], 1e-2) << i;
}

TEST(Condition, HighPassMemoriesCarryOverButResonatorsRestart)
{
    std::vector<int> signal(200);
    for (int i = 0; i < 200; ++i)
        signal[static_cast<size_t>(i)] = static_cast<int>(3000 * std::sin(0.05 * i) + 500);
    SpectrogramState whole = stateWith(signal);
    condition(whole);

    // The same signal in two calls: the second half slid to the start of the buffer.
    SpectrogramState pieces = stateWith(std::vector<int>(signal.begin(), signal.begin() + 100));
    condition(pieces);
    for (int i = 0; i < 100; ++i)
        pieces.SampleBuffer[static_cast<size_t>(i)] = static_cast<int16_t>(signal[static_cast<size_t>(100 + i)]);
    condition(pieces);
    SpectrogramState fresh = pieces;
    fresh.hpX1 = fresh.hpX2 = fresh.hpY1 = fresh.hpY2 = 0.0;
    condition(fresh);
    for (int i = 0; i < 100; ++i)
        EXPECT_NEAR(pieces.ConditionedSamples[static_cast<size_t>(i)], whole.ConditionedSamples[static_cast<size_t>(100 + i)], 1e-2) << i;
    EXPECT_GT(std::fabs(fresh.ConditionedSamples[0] - pieces.ConditionedSamples[0]), 100.0f);

    // Run twice on the same data: the resonators start from zero each time, so their
    // output is a function of the conditioned samples alone.
    SpectrogramState again = stateWith(signal);
    condition(again);
    const std::vector<float> firstResonator(again.ResonatorSamples.begin(), again.ResonatorSamples.begin() + 200);
    again.hpX1 = again.hpX2 = again.hpY1 = again.hpY2 = 0.0;
    condition(again);
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(again.ResonatorSamples[static_cast<size_t>(i)], firstResonator[static_cast<size_t>(i)]) << i;
}

TEST(Condition, ResonatorPassesItsBandAndBlocksDc)
{
    // 150 Hz passes the cascade far better than 2 kHz; DC is blocked.
    const auto outputLevel = [](double hz) {
        std::vector<int> s(8000);
        for (int i = 0; i < 8000; ++i)
            s[static_cast<size_t>(i)] = static_cast<int>(1000 * std::sin(2 * std::numbers::pi * hz * i / 16000.0));
        SpectrogramState st = stateWith(s);
        condition(st);
        double peak = 0;
        for (int i = 4000; i < 8000; ++i)
            peak = std::max(peak, static_cast<double>(std::fabs(st.ResonatorSamples[static_cast<size_t>(i)])));
        return peak;
    };
    EXPECT_GT(outputLevel(150.0), 100.0 * outputLevel(2000.0));
}

TEST(SpectrogramState, GuardedReadsAreZeroOutsideTheData)
{
    SpectrogramState st;
    st.bufferFill = 10;
    for (int i = 0; i < 20; ++i) {
        st.SampleBuffer[static_cast<size_t>(i)] = static_cast<int16_t>(i + 1);
        st.ConditionedSamples[static_cast<size_t>(i)] = i + 1.0f;
        st.ResonatorSamples[static_cast<size_t>(i)] = -(i + 1.0f);
    }
    EXPECT_EQ(st.sampleAt(9), 10);
    EXPECT_EQ(st.conditionedAt(9), 10.0f);
    EXPECT_EQ(st.resonatorAt(0), -1.0f);
    EXPECT_EQ(st.sampleAt(10), 0);  // stale data beyond bufferFill
    EXPECT_EQ(st.conditionedAt(10), 0.0f);
    EXPECT_EQ(st.resonatorAt(15), 0.0f);
    EXPECT_EQ(st.conditionedAt(-1), 0.0f);
    st.bufferFill = 1 << 30;  // even a wrong fill never reads past the arrays
    EXPECT_EQ(st.conditionedAt(kConditionedSize), 0.0f);
    EXPECT_EQ(st.sampleAt(kSampleBufferSize), 0);
}

TEST(SpectrogramState, StartsWithTheProgramStartValues)
{
    const SpectrogramState st;
    EXPECT_EQ(st.pitch, 50.0);
    EXPECT_EQ(st.pitchQuality, 0);
    EXPECT_EQ(st.jitter, 0.0);
    EXPECT_EQ(st.SampleBuffer.size(), static_cast<size_t>(kSampleBufferSize));
    const AnalysisWorkspace ws;
    for (float e : ws.BandEnergy)
        EXPECT_EQ(e, kBandEnergyFloor);
    EXPECT_EQ(ws.AnalysisRe.size(), static_cast<size_t>(kAnalysisArraySize));
}
