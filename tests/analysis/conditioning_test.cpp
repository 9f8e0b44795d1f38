#include "conditioning.h"

#include "analysis_workspace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

using namespace kelvox;

namespace {

// A sample buffer with its conditioning: a stable high-pass (poles of a 50 Hz
// two-pole low-pass at 16 kHz) and a resonator around 150 Hz.
struct Conditioned {
    ConditioningParameters c;
    HighPassMemory hp;
    SampleBufferState buffer;
};

void condition(Conditioned& st) { conditionBuffer(st.c, st.hp, st.buffer); }

// The conditioning above, holding `samples`.
Conditioned stateWith(const std::vector<int>& samples)
{
    Conditioned st;
    const double w = 2 * 0.7071 * std::numbers::pi * 50.0 / 16000.0;
    st.c.A1 = -2 * std::exp(-w) * std::cos(w);
    st.c.A2 = std::exp(-2 * w);
    const double r1 = std::exp(-4 * std::numbers::pi * 150.0 / 16000.0);
    const double r2 = std::exp(-std::numbers::pi * 150.0 / 16000.0);
    st.c.B1 = static_cast<float>(r1 + r2);
    st.c.B2 = static_cast<float>(r1 * r2);
    for (size_t i = 0; i < samples.size(); ++i)
        st.buffer.SampleBuffer[i] = static_cast<int16_t>(samples[i]);
    st.buffer.bufferFill = static_cast<int>(samples.size());
    st.buffer.bufferHigh = static_cast<int>(samples.size());
    return st;
}

// The conditioned values of one call, computed here with the high-pass written out.
std::vector<double> highPassReference(const Conditioned& st, const std::vector<double>& v)
{
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    std::vector<double> y(v.size());
    for (size_t i = 0; i < v.size(); ++i) {
        y[i] = v[i] - 2 * x1 + x2 - st.c.A1 * y1 - st.c.A2 * y2;
        x2 = x1, x1 = v[i], y2 = y1, y1 = y[i];
    }
    return y;
}

}  // namespace

TEST(Condition, ConstantInputDecaysToZero)
{
    Conditioned st = stateWith(std::vector<int>(16000, 1000));
    condition(st);
    EXPECT_GT(std::fabs(st.buffer.ConditionedSamples[0]), 500.0f);  // the step gets through
    for (int i = 8000; i < 16000; ++i)
        ASSERT_NEAR(st.buffer.ConditionedSamples[static_cast<size_t>(i)], 0.0, 1e-2) << i;
    for (int i = 15000; i < 16000; ++i)
        ASSERT_NEAR(st.buffer.ResonatorSamples[static_cast<size_t>(i)], 0.0, 1e-1) << i;
}

TEST(Condition, GainScalesTheSignal)
{
    Conditioned quiet = stateWith({100, -50, 300, 0, 20});
    Conditioned loud = quiet;
    loud.c.gainFactor = 4.0f;
    condition(quiet);
    condition(loud);
    for (int i = 0; i < 5; ++i)
        EXPECT_NEAR(loud.buffer.ConditionedSamples[static_cast<size_t>(i)],
                    4.0 * quiet.buffer.ConditionedSamples[static_cast<size_t>(i)], 1e-3);
}

TEST(Condition, ProcessesOnlyTheRealData)
{
    Conditioned st = stateWith(std::vector<int>(200, 700));
    st.buffer.bufferFill = 100;
    std::fill(st.buffer.ConditionedSamples.begin(), st.buffer.ConditionedSamples.end(), 123.0f);
    std::fill(st.buffer.ResonatorSamples.begin(), st.buffer.ResonatorSamples.end(), 123.0f);
    condition(st);
    EXPECT_NE(st.buffer.ConditionedSamples[99], 123.0f);
    for (int i = 100; i < 200; ++i) {
        EXPECT_EQ(st.buffer.ConditionedSamples[static_cast<size_t>(i)], 123.0f) << i;
        EXPECT_EQ(st.buffer.ResonatorSamples[static_cast<size_t>(i)], 123.0f) << i;
    }
}

TEST(Condition, PreEmphasisTakesTheNextSampleAndZeroAfterTheLast)
{
    const std::vector<int> s = {1000, 3000, -2000, 500};
    Conditioned st = stateWith(s);
    st.buffer.SampleBuffer[4] = 30000;  // stale: beyond the data
    st.c.preEmphasis = 0.9f;
    st.c.gainFactor = 2.0f;
    condition(st);
    const std::vector<double> v = {2 * (1000 - 0.9 * 3000), 2 * (3000 - 0.9 * -2000),
                                   2 * (-2000 - 0.9 * 500), 2 * 500.0};
    const std::vector<double> y = highPassReference(stateWith(s), v);
    for (size_t i = 0; i < s.size(); ++i)
        EXPECT_NEAR(st.buffer.ConditionedSamples[i], y[i], 1e-2) << i;
}

TEST(Condition, DeEmphasisIsAOnePoleLowPass)
{
    const std::vector<int> s = {1000, 0, 0, 0};
    Conditioned st = stateWith(s);
    st.c.preEmphasis = -0.5f;
    condition(st);
    // v = 5·(1 + pe)·v − pe·m, m = v: 2500, 1250, 625, 312.5.
    const std::vector<double> y = highPassReference(stateWith(s), {2500, 1250, 625, 312.5});
    for (size_t i = 0; i < s.size(); ++i)
        EXPECT_NEAR(st.buffer.ConditionedSamples[i], y[i], 1e-2) << i;
}

TEST(Condition, HighPassMemoriesCarryOverButResonatorsRestart)
{
    std::vector<int> signal(200);
    for (int i = 0; i < 200; ++i)
        signal[static_cast<size_t>(i)] = static_cast<int>(3000 * std::sin(0.05 * i) + 500);
    Conditioned whole = stateWith(signal);
    condition(whole);

    // The same signal in two calls: the second half slid to the start of the buffer.
    Conditioned pieces = stateWith(std::vector<int>(signal.begin(), signal.begin() + 100));
    condition(pieces);
    for (int i = 0; i < 100; ++i)
        pieces.buffer.SampleBuffer[static_cast<size_t>(i)] = static_cast<int16_t>(signal[static_cast<size_t>(100 + i)]);
    condition(pieces);
    Conditioned fresh = pieces;
    fresh.hp.hpX1 = fresh.hp.hpX2 = fresh.hp.hpY1 = fresh.hp.hpY2 = 0.0;
    condition(fresh);
    for (int i = 0; i < 100; ++i)
        EXPECT_NEAR(pieces.buffer.ConditionedSamples[static_cast<size_t>(i)],
                    whole.buffer.ConditionedSamples[static_cast<size_t>(100 + i)], 1e-2)
            << i;
    EXPECT_GT(std::fabs(fresh.buffer.ConditionedSamples[0] - pieces.buffer.ConditionedSamples[0]), 100.0f);

    // Run twice on the same data: the resonators start from zero each time, so their
    // output is a function of the conditioned samples alone.
    Conditioned again = stateWith(signal);
    condition(again);
    const std::vector<float> firstResonator(again.buffer.ResonatorSamples.begin(),
                                            again.buffer.ResonatorSamples.begin() + 200);
    again.hp.hpX1 = again.hp.hpX2 = again.hp.hpY1 = again.hp.hpY2 = 0.0;
    condition(again);
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(again.buffer.ResonatorSamples[static_cast<size_t>(i)], firstResonator[static_cast<size_t>(i)]) << i;
}

TEST(Condition, ResonatorPassesItsBandAndBlocksDc)
{
    // 150 Hz passes the cascade far better than 2 kHz; DC is blocked.
    const auto outputLevel = [](double hz) {
        std::vector<int> s(8000);
        for (int i = 0; i < 8000; ++i)
            s[static_cast<size_t>(i)] = static_cast<int>(1000 * std::sin(2 * std::numbers::pi * hz * i / 16000.0));
        Conditioned st = stateWith(s);
        condition(st);
        double peak = 0;
        for (int i = 4000; i < 8000; ++i)
            peak = std::max(peak, static_cast<double>(std::fabs(st.buffer.ResonatorSamples[static_cast<size_t>(i)])));
        return peak;
    };
    EXPECT_GT(outputLevel(150.0), 100.0 * outputLevel(2000.0));
}

TEST(SampleBufferState, GuardedReadsAreZeroOutsideTheData)
{
    Conditioned st;
    st.buffer.bufferFill = 10;
    for (int i = 0; i < 20; ++i) {
        st.buffer.SampleBuffer[static_cast<size_t>(i)] = static_cast<int16_t>(i + 1);
        st.buffer.ConditionedSamples[static_cast<size_t>(i)] = i + 1.0f;
        st.buffer.ResonatorSamples[static_cast<size_t>(i)] = -(i + 1.0f);
    }
    EXPECT_EQ(st.buffer.sampleAt(9), 10);
    EXPECT_EQ(st.buffer.conditionedAt(9), 10.0f);
    EXPECT_EQ(st.buffer.resonatorAt(0), -1.0f);
    EXPECT_EQ(st.buffer.sampleAt(10), 0);  // stale data beyond bufferFill
    EXPECT_EQ(st.buffer.conditionedAt(10), 0.0f);
    EXPECT_EQ(st.buffer.resonatorAt(15), 0.0f);
    EXPECT_EQ(st.buffer.conditionedAt(-1), 0.0f);
    st.buffer.bufferFill = 1 << 30;  // even a wrong fill never reads past the arrays
    EXPECT_EQ(st.buffer.conditionedAt(kConditionedSize), 0.0f);
    EXPECT_EQ(st.buffer.sampleAt(kSampleBufferSize), 0);
    st.buffer.bufferFill = 12;  // the valid part the kernels are handed
    EXPECT_EQ(st.buffer.conditioned().size(), 12u);
    EXPECT_EQ(st.buffer.resonator().back(), -12.0f);
}

TEST(SpectrogramState, StartsWithTheProgramStartValues)
{
    const SpectrogramState st;
    EXPECT_EQ(st.pitchTrack.pitch, 50.0);
    EXPECT_EQ(st.pitchTrack.pitchQuality, 0);
    EXPECT_EQ(st.pitchTrack.jitter, 0.0);
    EXPECT_EQ(st.highPass.hpY1, 0.0);
    EXPECT_EQ(st.buffer.SampleBuffer.size(), static_cast<size_t>(kSampleBufferSize));
    const AnalysisWorkspace ws;
    for (float e : ws.BandEnergy)
        EXPECT_EQ(e, kBandEnergyFloor);
    EXPECT_EQ(ws.AnalysisRe.size(), static_cast<size_t>(kAnalysisArraySize));
}
