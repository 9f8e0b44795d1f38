#include "constant_q.h"

#include "bark.h"
#include "spectrogram_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

using namespace kelvox;

namespace {

constexpr double kRate = 16000.0;

// What qframe reads: the conditioned buffer, the emphasis and the band split.
struct QInput {
    SampleBufferState buffer;
    float preEmphasis = 0.0f;
    BandSplit split;  // "SPL/SPLH" unless a test says otherwise
};

bool qframe(AnalysisWorkspace& ws, const QInput& in, int centre, PairFrame frame)
{
    return kelvox::qframe(ws, in.buffer.conditioned(), centre, in.preEmphasis, in.split, frame);
}

// A full buffer holding a sine of `hz`, amplitude 1000.
QInput sineState(double hz)
{
    QInput st;
    st.buffer.bufferFill = 16384;
    st.buffer.bufferHigh = 16384;
    for (int i = 0; i < 16384; ++i)
        st.buffer.ConditionedSamples[static_cast<size_t>(i)] =
            static_cast<float>(1000.0 * std::sin(2 * std::numbers::pi * hz * i / kRate));
    return st;
}

int peakBand(const AnalysisWorkspace& ws)
{
    return static_cast<int>(std::max_element(ws.QBands.begin(), ws.QBands.end()) - ws.QBands.begin());
}

class ConstantQTest : public testing::Test {
protected:
    void SetUp() override { qsetup(m_ws, 34.0, kRate); }
    AnalysisWorkspace m_ws;
};

}  // namespace

TEST(QSetup, KernelLengthsSpanTheSameNumberOfCycles)
{
    AnalysisWorkspace ws;
    qsetup(ws, 34.0, kRate);
    EXPECT_TRUE(ws.qReady);
    EXPECT_EQ(ws.qKernelLength[0], 80);
    EXPECT_EQ(ws.qKernelLength[6], 68);
    EXPECT_EQ(ws.qKernelLength[29], 34);
    // Centre tap: the Hamming peak 1, scaled by L[0]/L[i]; taps from L[i] on are 0.
    EXPECT_NEAR(ws.qCos[6 * kQMaxTaps], 80.0 / 68.0, 1e-12);
    EXPECT_EQ(ws.qCos[6 * kQMaxTaps + 68], 0.0);
    EXPECT_EQ(ws.qSin[29 * kQMaxTaps + 40], 0.0);
    // Kernel 6 turns by a quarter cycle per tap: fs/4.
    EXPECT_NEAR(ws.qCos[6 * kQMaxTaps + 2] / ws.qCos[6 * kQMaxTaps], -(0.5434782608695652 + 0.4565217391304348 * std::cos(std::numbers::pi * 2 / 68)), 1e-12);
}

TEST(QSetup, BandsSit24PerOctaveWithSplhWeights)
{
    EXPECT_NEAR(qBandFrequency(126, kRate), kRate / 4, 1e-9);
    EXPECT_NEAR(qBandFrequency(102, kRate), kRate / 8, 1e-9);
    EXPECT_NEAR(qBandFrequency(0, kRate), kRate / std::pow(2.0, 174.0 / 24), 1e-9);
    EXPECT_NEAR(splhWeight(0.0), 0.04, 1e-12);
    EXPECT_NEAR(splhWeight(1000.0), 1.04 * 25 / 26, 1e-12);
    EXPECT_NEAR(splhWeight(1e6), 25.0, 1e-3);
    AnalysisWorkspace ws;
    qsetup(ws, 34.0, kRate);
    EXPECT_NEAR(ws.qBandWeight[126], splhWeight(4000.0), 1e-12);
}

TEST_F(ConstantQTest, RefusesToRunWithoutKernels)
{
    AnalysisWorkspace fresh;
    const QInput st = sineState(1000.0);
    EXPECT_FALSE(qframe(fresh, st, 8192, PairFrame::A));
    EXPECT_EQ(fresh.QBands[0], 0.0);
}

TEST_F(ConstantQTest, SineAtAQuarterOfTheRatePeaksInBand126)
{
    const QInput st = sineState(kRate / 4);
    ASSERT_TRUE(qframe(m_ws, st, 8192, PairFrame::A));
    EXPECT_EQ(peakBand(m_ws), 126);
    // One band off lies clearly lower, two octaves off far lower.
    EXPECT_GT(m_ws.QBands[126] - m_ws.QBands[125], 1.0);
    EXPECT_GT(m_ws.QBands[126] - m_ws.QBands[78], 40.0);
}

TEST_F(ConstantQTest, EachOctaveDownPeaks24BandsLowerAtTheSameLevel)
{
    // fs/8 in band 102, … fs/128 in band 6, after every decimation pass; the
    // decimation keeps the level, so the same tone reads the same in every octave.
    double topPeak = 0.0;
    for (int octave = 0; octave <= 5; ++octave) {
        const QInput st = sineState(kRate / 4 / (1 << octave));
        ASSERT_TRUE(qframe(m_ws, st, 8192, PairFrame::A));
        const int band = 126 - kQBandsPerOctave * octave;
        EXPECT_EQ(peakBand(m_ws), band) << "octave " << octave;
        if (octave == 0)
            topPeak = m_ws.QBands[126];
        EXPECT_NEAR(m_ws.QBands[static_cast<size_t>(band)], topPeak, 0.2) << "octave " << octave;
    }
}

TEST_F(ConstantQTest, PreEmphasisDifferencesButKeepsThePeak)
{
    QInput st = sineState(kRate / 4);
    ASSERT_TRUE(qframe(m_ws, st, 8192, PairFrame::A));
    const double plain = m_ws.QBands[126];
    st.preEmphasis = 1.0f;
    ASSERT_TRUE(qframe(m_ws, st, 8192, PairFrame::A));
    EXPECT_EQ(peakBand(m_ws), 126);
    // |e^(iπ/2) − 1|² = 2: +3 dB at fs/4.
    EXPECT_NEAR(m_ws.QBands[126] - plain, 3.01, 0.2);
}

TEST_F(ConstantQTest, SilenceSitsAtTheFloor)
{
    QInput st;
    st.buffer.bufferFill = 16384;
    ASSERT_TRUE(qframe(m_ws, st, 8192, PairFrame::B));
    for (double level : m_ws.QBands)
        ASSERT_NEAR(level, 10 * std::log10(0.001 / 3), 1e-9);
    for (int band : {kBandLow, kBandHigh, kBandTotal})
        EXPECT_EQ(m_ws.BandEnergy[static_cast<size_t>(bandEnergyIndex(PairFrame::B, band))], kBandEnergyFloor);
}

TEST_F(ConstantQTest, FrameAtTheBufferStartSeesZerosBeforeIt)
{
    const QInput st = sineState(kRate / 4);
    ASSERT_TRUE(qframe(m_ws, st, 0, PairFrame::A));
    const double half = m_ws.QBands[126];
    ASSERT_TRUE(qframe(m_ws, st, 8192, PairFrame::A));
    // Half the kernel sees the tone: a quarter of the power, about −6 dB.
    EXPECT_NEAR(half - m_ws.QBands[126], -6.0, 1.0);
    for (double level : m_ws.QBands)
        EXPECT_TRUE(std::isfinite(level));
}

TEST_F(ConstantQTest, DataBeyondTheFillIsNotRead)
{
    QInput st = sineState(kRate / 4);
    st.buffer.bufferFill = 100;  // the rest is stale
    ASSERT_TRUE(qframe(m_ws, st, 5000, PairFrame::A));
    for (double level : m_ws.QBands)
        ASSERT_NEAR(level, 10 * std::log10(0.001 / 3), 1e-9);
}

TEST_F(ConstantQTest, BandEnergiesFollowTheLevelsChoice)
{
    QInput st = sineState(kRate / 4);
    st.split.weighted = true;
    ASSERT_TRUE(qframe(m_ws, st, 8192, PairFrame::B));
    double total = 0, weighted = 0;
    for (int b = 0; b < kQBandCount; ++b) {
        const double p = std::pow(10.0, m_ws.QBands[static_cast<size_t>(b)] / 10);
        total += p;
        weighted += p * splhWeight(qBandFrequency(b, kRate));
    }
    const float low = m_ws.BandEnergy[static_cast<size_t>(bandEnergyIndex(PairFrame::B, kBandLow))];
    const float high = m_ws.BandEnergy[static_cast<size_t>(bandEnergyIndex(PairFrame::B, kBandHigh))];
    const float all = m_ws.BandEnergy[static_cast<size_t>(bandEnergyIndex(PairFrame::B, kBandTotal))];
    EXPECT_NEAR(low, total / 2400, 1e-3 * total / 2400);
    EXPECT_NEAR(all, total / 2400, 1e-3 * total / 2400);
    EXPECT_NEAR(high, weighted / 2400, 1e-3 * weighted / 2400);
    EXPECT_NEAR(high / low, splhWeight(4000.0), 0.05 * splhWeight(4000.0));

    // "LP/HP 1kHz": the 4 kHz tone lies above the high-band start and not in the low band.
    st.split.weighted = false;
    st.split.lowBandBins = static_cast<int>(std::log10(1000.0 / kRate) * 80 + 174);
    st.split.highBandStart = st.split.lowBandBins;
    ASSERT_TRUE(qframe(m_ws, st, 8192, PairFrame::A));
    const float lowA = m_ws.BandEnergy[static_cast<size_t>(bandEnergyIndex(PairFrame::A, kBandLow))];
    const float highA = m_ws.BandEnergy[static_cast<size_t>(bandEnergyIndex(PairFrame::A, kBandHigh))];
    const float totalA = m_ws.BandEnergy[static_cast<size_t>(bandEnergyIndex(PairFrame::A, kBandTotal))];
    EXPECT_LT(lowA, 1e-6 * totalA);
    EXPECT_NEAR(highA, totalA, 1e-3 * totalA);
}

TEST(Bark2hz, MapsBarkToHertz)
{
    EXPECT_NEAR(bark2hz(0.0), 20.0, 1e-12);
    EXPECT_NEAR(bark2hz(1.0), 100.853837, 1e-6);
    EXPECT_NEAR(bark2hz(24.0), 15317.438672, 1e-5);
    for (double z = 0.0; z < 24.0; z += 0.5)
        EXPECT_LT(bark2hz(z), bark2hz(z + 0.5)) << z;
}
