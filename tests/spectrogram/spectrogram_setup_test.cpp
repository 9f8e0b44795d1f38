// The run's parameter set-up: what the settings become before the first page.
#include "run_fixture.h"

#include "bark.h"
#include "spectrogram_setup.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kelvox;
using namespace kelvox::test;

namespace {

std::vector<int> oneSecond(int rateHz) { return noisyTone(440.0, rateHz, 1.0, 3000.0); }

// The set-up of a run of f.settings on f's recording and 96-dpi page, by value; the
// replacements it made are appended to `replacements`.
SpectrogramParameters setUp(RunFixture& f, std::vector<std::string>& replacements)
{
    return spectrogramSetup(f.settings, f.signal, f.layout,
                            {f.plot.resolution(), f.plot.pageWidthPx(), f.plot.pageHeightPx()}, false, replacements);
}

}  // namespace

TEST(SpectrogramSetUp, DefaultsAtSixteenKilohertz)
{
    RunFixture f(oneSecond(16000));
    std::vector<std::string> replacements;
    SpectrogramParameters p;
    p = setUp(f, replacements);
    EXPECT_EQ(p.windowLength, 160);
    EXPECT_EQ(p.fftSize, 256);  // trunc(ln 160 · log10 e · 10/3 + 1) = 8
    EXPECT_EQ(p.binCount, 128);
    EXPECT_EQ(p.pairStep, 80);
    EXPECT_DOUBLE_EQ(p.bandwidth, 200.0);
    EXPECT_DOUBLE_EQ(p.topFrequency, 5000.0);
    EXPECT_FLOAT_EQ(p.pixelsPerSecond, 377.0f);
    EXPECT_EQ(p.keepBack, 4096);  // 6400 limited
    EXPECT_EQ(p.lowBandBins, 16);
    EXPECT_EQ(p.highBandStart, -16);  // SPL/SPLH
    EXPECT_EQ(p.firstColumnWidth, 1);
    EXPECT_EQ(p.highShift, 2);  // 377 · 4/(π · 200)
    EXPECT_EQ(p.analysisWindow.size(), 257u);
    EXPECT_NEAR(p.analysisWindow[80], 1.4, 1e-6);
    EXPECT_EQ(p.analysisWindow[160], 0.0f);
    EXPECT_NEAR(p.highWeight[16], (1 + 0.04) * 25 / (1 + 25), 1e-6);  // 1 kHz
    EXPECT_EQ(p.pitchMethod, PitchMethod::Amdf);
    EXPECT_EQ(p.geometry.sub[PageLayout::kSpectrogram].caption, "Fourier");
    EXPECT_EQ(p.geometry.sub[PageLayout::kPitch].caption, "AMDF");
    EXPECT_EQ(p.geometry.sub[PageLayout::kLevel].caption, "SPL/SPLH");
    EXPECT_DOUBLE_EQ(p.geometry.sub[PageLayout::kLevel].y0, 20.0);
    EXPECT_TRUE(replacements.empty());
    EXPECT_EQ(f.settings, SpectrogramSettings{});
}

TEST(SpectrogramSetUp, AWindowOfAPowerOfTwoGetsTheNextFft)
{
    RunFixture f(oneSecond(16000));
    std::vector<std::string> replacements;
    SpectrogramParameters p;
    f.settings.bandwidthText = "250";
    p = setUp(f, replacements);
    EXPECT_EQ(p.windowLength, 128);
    EXPECT_EQ(p.fftSize, 256);
    EXPECT_EQ(p.pairStep, 64);
}

TEST(SpectrogramSetUp, PairStepIsCappedBySixteenPixelColumnsAndNeverZero)
{
    RunFixture f(oneSecond(16000));
    std::vector<std::string> replacements;
    SpectrogramParameters p;
    f.settings.bandwidthText = "25";  // window 1280
    f.settings.timeScaleText = "1000";  // 3779 px/s: 4 samples per column
    p = setUp(f, replacements);
    EXPECT_EQ(p.pairStep, 64);
    f.settings.timeScaleText = "9000";  // more columns than samples per second
    p = setUp(f, replacements);
    EXPECT_EQ(p.pairStep, 1);
}

TEST(SpectrogramSetUp, FrequencyRangeIsCorrectedAndWrittenBack)
{
    RunFixture f(oneSecond(8000), 8000);
    std::vector<std::string> replacements;
    SpectrogramParameters p;
    p = setUp(f, replacements);
    EXPECT_DOUBLE_EQ(p.topFrequency, 4000.0);
    EXPECT_EQ(f.settings.frequencyRangeText, "fs/2");
    EXPECT_EQ(f.settings.frequencyRangeItem, 1);
    ASSERT_EQ(replacements.size(), 1u);
    EXPECT_EQ(replacements[0], "F range Hz: \"5000\" replaced by \"fs/2\"");

    f.settings.frequencyRangeText = "100";
    f.settings.frequencyRangeItem = -1;
    p = setUp(f, replacements);
    EXPECT_DOUBLE_EQ(p.topFrequency, 125.0);
    EXPECT_EQ(f.settings.frequencyRangeText, "125");

    f.settings.frequencyRangeText = "abc";  // reads as 0: fs/2, and the box says so
    p = setUp(f, replacements);
    EXPECT_DOUBLE_EQ(p.topFrequency, 4000.0);
    EXPECT_EQ(f.settings.frequencyRangeText, "fs/2");
    EXPECT_EQ(f.settings.frequencyRangeItem, 1);
}

TEST(SpectrogramSetUp, BarkAxisCountsWholeBarksBelowHalfTheRate)
{
    RunFixture f(oneSecond(16000));
    std::vector<std::string> replacements;
    SpectrogramParameters p;
    f.settings.frequencyRangeText = "Bark";
    f.settings.frequencyRangeItem = 0;
    p = setUp(f, replacements);
    EXPECT_DOUBLE_EQ(p.barkCount, 21.0);  // bark2hz(22) ≈ 9659 > 8000 ≥ bark2hz(21)
    EXPECT_DOUBLE_EQ(p.topFrequency, bark2hz(21.0));
    const int slotCount = static_cast<int>(256 * bark2hz(21.0) / 16000);
    EXPECT_EQ(p.barkSlots, slotCount);
    ASSERT_EQ(p.barkBins.size(), static_cast<size_t>(slotCount) + 2);
    EXPECT_EQ(p.barkBins[0], static_cast<int>(20.0 * 256 / 16000));
    EXPECT_TRUE(std::is_sorted(p.barkBins.begin(), p.barkBins.end()));
    EXPECT_LE(p.barkBins.back(), 128);
}

TEST(SpectrogramSetUp, ConstantQWritesItsBandwidth)
{
    RunFixture f(oneSecond(16000));
    std::vector<std::string> replacements;
    SpectrogramParameters p;
    EXPECT_EQ(qBandwidthText(f.run.topFrequency()), "0");  // before any run
    f.settings.analysis = AnalysisType::ConstantQ;
    p = setUp(f, replacements);
    EXPECT_EQ(f.settings.bandwidthText, "294");
    EXPECT_EQ(qBandwidthText(p.topFrequency), "294");
    EXPECT_EQ(p.fftSize, 300);
    EXPECT_EQ(p.binCount, 150);
    EXPECT_EQ(p.windowLength, 108);
    EXPECT_EQ(p.lowBandBins, 77);
    EXPECT_EQ(p.highBandStart, 77);
}

TEST(SpectrogramSetUp, PrintSizeHalvesTheTimeScaleAndAbove100IsFullSize)
{
    RunFixture half(oneSecond(16000));
    std::vector<std::string> replacements;
    half.settings.printSizeText = "50";
    const SpectrogramParameters halfP = setUp(half, replacements);
    EXPECT_FLOAT_EQ(halfP.pageTimeScale, 50.0f);
    EXPECT_FLOAT_EQ(halfP.pixelsPerSecond, 188.0f);
    EXPECT_EQ(halfP.geometry.spgmRight - halfP.geometry.spgmLeft, 510);

    RunFixture large(oneSecond(16000));
    large.settings.printSizeText = "150";
    const SpectrogramParameters largeP = setUp(large, replacements);
    EXPECT_FLOAT_EQ(largeP.pageTimeScale, 100.0f);
    EXPECT_EQ(largeP.geometry.spgmRight - largeP.geometry.spgmLeft, 1020);
    EXPECT_TRUE(replacements.empty());
}

TEST(SpectrogramSetUp, LinPrUsesTheHammingShapeAfterOtherTypes)
{
    RunFixture f(oneSecond(16000));
    std::vector<std::string> replacements;
    SpectrogramParameters p;
    p = setUp(f, replacements);
    f.settings.analysis = AnalysisType::LinPr17;
    p = setUp(f, replacements);
    EXPECT_NEAR(p.analysisWindow[0], (1 - 0.8518) * 0.7, 1e-6);
    EXPECT_NEAR(p.analysisWindow[80], (1 + 0.8518) * 0.7, 1e-6);
    // The high band filter is built at +1 kHz although SPL/SPLH marks it negative.
    EXPECT_LT(p.highBandFilter[0].c2, 1.0);
    EXPECT_LT(p.highBandFilter[1].c2, 1.0);
}

TEST(SpectrogramSetUp, BufferOriginDoesNotDependOnThePreviousRun)
{
    RunFixture f(noisyTone(440.0, 16000, 3.0, 3000.0));
    f.signal.selectionStart = 1.0f;
    f.settings.bandwidthText = "25";
    ASSERT_TRUE(f.run.prepare(f.settings, false));
    f.settings.bandwidthText = "200";
    ASSERT_TRUE(f.run.prepare(f.settings, false));
    EXPECT_EQ(f.st.buffer.bufferOrigin, (32000 - 160) / 2);
}

TEST(SpectrogramSetUp, AutomaticGainBringsTheLargestValueNear16384)
{
    SpectrogramParameters p;
    spectrogramAutoGain(p, 1024.0f, 2000.0f);  // 16 times too small: 2·trunc(12.04) dB
    EXPECT_FLOAT_EQ(p.gainDb, 24.0f);
    EXPECT_NEAR(p.conditioning.gainFactor, std::pow(10.0, 1.2), 1e-4);
    EXPECT_NEAR(p.waveScale, 35000.0 / (std::pow(10.0, 1.2) * 2000.0), 1e-5);
    spectrogramAutoGain(p, 1e-30f, 2000.0f);  // far too quiet: held at 300 dB
    EXPECT_FLOAT_EQ(p.gainDb, 300.0f);
    spectrogramAutoGain(p, 0.0f, 2000.0f);  // silence keeps 0 dB
    EXPECT_FLOAT_EQ(p.gainDb, 0.0f);
    EXPECT_FLOAT_EQ(p.conditioning.gainFactor, 1.0f);
}

TEST(NextPageStart, TenMillimetresBackOnATenthOfASecond)
{
    EXPECT_NEAR(nextPageStart(0.0f, 2.456, 100.0f), 2.3, 1e-6);
    EXPECT_NEAR(nextPageStart(1.0f, 2.05, 1000.0f), 2.0, 1e-6);
    // The cut would not move on: the uncut time.
    EXPECT_NEAR(nextPageStart(2.0f, 2.05, 5000.0f), 2.048, 1e-6);
    // A page narrower than 10 mm of time axis: the next starts where it ended.
    EXPECT_NEAR(nextPageStart(1.0f, 1.1, 50.0f), 1.1, 1e-6);
}

TEST(SpectrogramSetUp, NothingLoadedNothingPrepared)
{
    SignalState signal;
    std::vector<std::string> replacements;
    PageLayout layout = builtInLayout();
    PlotDevice plot;
    AnalysisWorkspace ws;
    SpectrogramState st;
    const std::string labels;
    const LabelChoice choice;
    SpectrogramRun run(signal, layout, plot, ws, st, labels, choice);
    SpectrogramSettings s;
    EXPECT_FALSE(run.prepare(s, false));
    RecordingHost host;
    run.run(s, false, host);
    EXPECT_TRUE(host.pages.empty());
}
