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

namespace {

// A buffer of a gliding chirp with noise, `fill` samples valid.
QInput chirpState(int fill)
{
    QInput st;
    st.buffer.bufferFill = fill;
    st.buffer.bufferHigh = fill;
    uint32_t noise = 12345;
    for (int i = 0; i < fill; ++i) {
        noise = noise * 1103515245u + 12345u;
        const double t = i / kRate;
        st.buffer.ConditionedSamples[static_cast<size_t>(i)] =
            static_cast<float>(3000.0 * std::sin(2 * std::numbers::pi * (100.0 + 900.0 * t) * t) +
                               static_cast<double>(noise >> 20) - 2048.0);
    }
    return st;
}

}  // namespace

// The octaves of a whole buffer give every frame of a pair what the frame's own
// analysis gives, to the last bit: near the buffer's ends (zeros before and after),
// with and without emphasis, for odd and even pair offsets, in both band splits.
TEST_F(ConstantQTest, PairsFromTheBufferOctavesEqualFramesAnalysedOneByOne)
{
    for (const int fill : {16384, 5000}) {
        QInput in = chirpState(fill);
        for (const float emphasis : {0.0f, 1.0f}) {
            in.preEmphasis = emphasis;
            for (const int offset : {27, 64, 1}) {
                for (const bool weighted : {true, false}) {
                    in.split = weighted ? BandSplit{true, 0, 0, {}} : BandSplit{false, 35, 35, {}};
                    QOctaves octaves;
                    qoctaves(in.buffer.conditioned(), emphasis, -offset, fill, octaves, offset);
                    for (const int centre : {-offset, 0, 1, 777, fill / 2, fill - offset - 1, fill - offset}) {
                        AnalysisWorkspace& ws = m_ws;
                        std::array<double, kQBandCount> bandsA{};
                        ASSERT_TRUE(qpairFromOctaves(ws, octaves, centre, in.split, bandsA));
                        const std::array<double, kQBandCount> pairB = ws.QBands;
                        const std::array<float, 6> pairEnergy = ws.BandEnergy;
                        AnalysisWorkspace alone;
                        qsetup(alone, 34.0, kRate);
                        ASSERT_TRUE(qframe(alone, in, centre, PairFrame::A));
                        const std::array<double, kQBandCount> frameA = alone.QBands;
                        ASSERT_TRUE(qframe(alone, in, centre + offset, PairFrame::B));
                        const std::string what = "fill " + std::to_string(fill) + " emphasis " +
                                                 std::to_string(emphasis) + " offset " + std::to_string(offset) +
                                                 " centre " + std::to_string(centre);
                        EXPECT_TRUE(bandsA == frameA) << what;
                        EXPECT_TRUE(pairB == alone.QBands) << what;
                        EXPECT_TRUE(pairEnergy == alone.BandEnergy) << what;
                    }
                    // A frame beyond the octaves' range is not analysed from them.
                    std::array<double, kQBandCount> bands{};
                    EXPECT_FALSE(qpairFromOctaves(m_ws, octaves, fill - offset + 1, in.split, bands));
                    EXPECT_FALSE(qpairFromOctaves(m_ws, octaves, -offset - 1, in.split, bands));
                }
            }
        }
    }
    // Octaves made for single frames serve no pairs.
    QInput in = chirpState(4000);
    QOctaves single;
    qoctaves(in.buffer.conditioned(), 0.0f, 0, 4000, single);
    std::array<double, kQBandCount> bands{};
    EXPECT_FALSE(qpairFromOctaves(m_ws, single, 100, in.split, bands));
}
