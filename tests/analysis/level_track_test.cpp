#include "level_track.h"

#include "label_file.h"
#include "page_fixture.h"
#include "page_frame.h"
#include "sound_files.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kelvox;
using namespace kelvox::test;

namespace {

class LevelPass : public testing::Test {
protected:
    void SetUp() override
    {
        f.useFourier(256, 160, 80);
        const double w = 200.0 * 1.11069827814075 / kRate;
        f.p.levelSmoother.c1 = -2 * std::exp(-w) * std::cos(w);
        f.p.levelSmoother.c2 = std::exp(-2 * w);
        f.p.levelSmoother.c0 = 1 + f.p.levelSmoother.c1 + f.p.levelSmoother.c2;
        f.p.levelFollower = 1 - std::exp(-1.7 * w);
        f.st.levelTrack.levelPrevX = f.p.geometry.sub[PageLayout::kLevel].px0;
        f.setConditioned(std::vector<float>(16000, 0.0f));
    }

    void energies(double low, double high, double total)
    {
        for (PairFrame frame : {PairFrame::A, PairFrame::B}) {
            f.ws.BandEnergy[static_cast<size_t>(bandEnergyIndex(frame, kBandLow))] = static_cast<float>(low);
            f.ws.BandEnergy[static_cast<size_t>(bandEnergyIndex(frame, kBandHigh))] = static_cast<float>(high);
            f.ws.BandEnergy[static_cast<size_t>(bandEnergyIndex(frame, kBandTotal))] = static_cast<float>(total);
        }
    }

    // Level passes over `pairs` pairs, two pixels each, from the page's left edge.
    void pass(int pairs)
    {
        for (int p = 0; p < pairs; ++p) {
            f.st.cursor.analysisPos = 1000 + p * f.p.pairStep;
            f.st.cursor.pairX0 = 2 * p;
            f.st.cursor.pairX1 = 2 * p + 2;
            f.levelPass();
        }
    }

    PageFixture f;
};

}  // namespace

TEST_F(LevelPass, FirstPairSeedsTheLevelsSettled)
{
    energies(1e5, 1e6, 1e7);
    pass(1);
    EXPECT_NEAR(f.st.levelTrack.lowLevel, 50.0 - 34.0, 1e-6);
    EXPECT_NEAR(f.st.levelTrack.highLevel, 60.0 - 34.0, 1e-6);
    EXPECT_NEAR(f.st.levelTrack.totalLevel, 70.0 - 34.0, 1e-6);
    EXPECT_NEAR(f.st.levelTrack.midLevel, 70.0, 1e-6);
}

TEST_F(LevelPass, SteadyEnergiesGiveFlatLevelsAfterAFewTimeConstants)
{
    energies(1e3, 1e3, 1e3);
    pass(1);
    energies(1e5, 1e6, 1e7);
    pass(30);
    EXPECT_NEAR(f.st.levelTrack.lowLevel, 16.0, 0.01);
    EXPECT_NEAR(f.st.levelTrack.highLevel, 26.0, 0.01);
    EXPECT_NEAR(f.st.levelTrack.totalLevel, 36.0, 0.01);
    EXPECT_NEAR(f.st.levelTrack.endLevel, 70.0, 0.01);
}

TEST_F(LevelPass, SilenceSitsAtTheEnergyFloor)
{
    energies(kBandEnergyFloor, kBandEnergyFloor, kBandEnergyFloor);
    pass(10);
    EXPECT_NEAR(f.st.levelTrack.lowLevel, -30.0 - 34.0, 1e-3);
}

TEST_F(LevelPass, LinearPredictionBandFiltersStayFiniteOnSilence)
{
    f.p.analysis = AnalysisType::LinPr17;
    f.p.lowBandFilter = {TwoPole{0.1, -1.5, 0.6}, TwoPole{0.1, -1.5, 0.6}};
    f.p.highBandFilter = f.p.lowBandFilter;
    energies(0.0f, 0.0f, 0.0f);  // BandEnergy holds no level in this mode
    pass(10);
    EXPECT_NEAR(f.st.levelTrack.lowLevel, -64.0, 1e-3);
    EXPECT_NEAR(f.st.levelTrack.highLevel, -64.0, 1e-3);
    EXPECT_TRUE(std::isfinite(f.st.levelTrack.midLevel));
}

TEST_F(LevelPass, SplshCurveIsDrawnFourteenDecibelsHigher)
{
    const PageBox& strip = f.p.geometry.sub[PageLayout::kLevel];
    const int x = strip.px0 + 20;
    for (LevelsMode mode : {LevelsMode::LowHigh1k, LevelsMode::SplSplh}) {
        f.plot.image().fill(Qt::white);
        f.p.levels = mode;
        f.st.levelTrack.levelsStarted = false;
        f.st.levelTrack.levelPrevX = strip.px0;
        energies(1e5, 1e6, 1e7);
        pass(20);
        const int expected = leveltoy(f.p, static_cast<int16_t>(26 + (mode == LevelsMode::SplSplh ? 14 : 0)));
        EXPECT_TRUE(isBlack(f.plot.image(), x, expected)) << static_cast<int>(mode);
        // The thick low-band curve lies at 16 dB in both modes.
        EXPECT_TRUE(isBlack(f.plot.image(), x, leveltoy(f.p, 16)));
        const int other = leveltoy(f.p, static_cast<int16_t>(mode == LevelsMode::SplSplh ? 26 : 40));
        EXPECT_FALSE(isBlack(f.plot.image(), x, other));
    }
}

TEST_F(LevelPass, WaveformColumnSpansTheEnvelope)
{
    f.p.geometry.subOn[PageLayout::kWave] = true;
    f.p.waveScale = 35.0f;  // ±1000 → ±17 500 of the strip's ±25 000
    std::vector<float> x(16000, 0.0f);
    for (int i = 1000; i < 1080; ++i)
        x[static_cast<size_t>(i)] = (i % 2 == 0) ? 1000.0f : -1000.0f;
    f.setConditioned(x);
    energies(1e3, 1e3, 1e3);
    pass(1);
    const PageBox& wave = f.p.geometry.sub[PageLayout::kWave];
    const int height = wave.py0 - wave.py1;
    // The second pixel column holds samples of both signs (the first only the first sample).
    const int column = blackCount(f.plot.image(), wave.px0 + 1, wave.py1, wave.px0 + 2, wave.py0 + 1);
    EXPECT_NEAR(column, 0.7 * height, 2.0);
}

TEST_F(LevelPass, LabelAtTheFirstAnalysedSampleIsMarkedAtTheStripsLeftEdge)
{
    f.st.buffer.bufferOrigin = 0;
    f.st.labels.marks = {{secondsOfSample(1000, kRate), "aa"}, {secondsOfSample(1170, kRate), "bb"}};
    f.st.labels.sampleRate = kRate;
    f.st.labels.lastSample = 1 << 30;
    f.st.labels.hold(0);
    energies(1e3, 1e3, 1e3);
    pass(1);  // the pair starts at sample 1000

    const PageBox& wave = f.p.geometry.sub[PageLayout::kWave];
    const int bottom = wave.py0;
    // The tick: from the strip's bottom 10 pixels up, at its left edge.
    EXPECT_EQ(blackCount(f.plot.image(), wave.px0, bottom - 9, wave.px0 + 1, bottom + 1), 10);
    // The text below it, starting 4 pixels to the right.
    EXPECT_GT(blackCount(f.plot.image(), wave.px0 + 4, bottom + 8, wave.px0 + 30, bottom + 30), 10);
    EXPECT_EQ(f.st.labels.next, 1u);
    EXPECT_EQ(f.st.labels.pos, 1170);
    EXPECT_TRUE(f.st.labels.open);

    pass(3);  // sample 1170 lies in the third pair: the last label, then the end
    EXPECT_FALSE(f.st.labels.open);
}
