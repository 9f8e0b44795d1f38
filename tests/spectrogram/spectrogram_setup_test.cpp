// The run's parameter set-up: what the settings become before the first page.
#include "run_fixture.h"

#include "bark.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kelvox;
using namespace kelvox::test;

namespace {

std::vector<int> oneSecond(int rateHz) { return noisyTone(440.0, rateHz, 1.0, 3000.0); }

}  // namespace

TEST(SpectrogramSetUp, DefaultsAtSixteenKilohertz)
{
    RunFixture f(oneSecond(16000));
    ASSERT_TRUE(f.run.prepare(f.settings, false));
    EXPECT_EQ(f.st.windowLength, 160);
    EXPECT_EQ(f.ws.FftSize, 256);  // trunc(ln 160 · log10 e · 10/3 + 1) = 8
    EXPECT_EQ(f.st.binCount, 128);
    EXPECT_EQ(f.st.pairStep, 80);
    EXPECT_DOUBLE_EQ(f.st.bandwidth, 200.0);
    EXPECT_DOUBLE_EQ(f.st.topFrequency, 5000.0);
    EXPECT_FLOAT_EQ(f.st.pixelsPerSecond, 377.0f);
    EXPECT_EQ(f.st.samplesPerColumn, 42);
    EXPECT_EQ(f.st.keepBack, 4096);  // 6400 limited
    EXPECT_EQ(f.st.lowBandBins, 16);
    EXPECT_EQ(f.st.highBandStart, -16);  // SPL/SPLH
    EXPECT_EQ(f.st.firstColumnWidth, 1);
    EXPECT_EQ(f.st.highShift, 2);        // 377 · 4/(π · 200)
    EXPECT_EQ(f.st.analysisWindow.size(), 257u);
    EXPECT_NEAR(f.st.analysisWindow[80], 1.4, 1e-6);
    EXPECT_EQ(f.st.analysisWindow[160], 0.0f);
    EXPECT_NEAR(f.st.highWeight[16], (1 + 0.04) * 25 / (1 + 25), 1e-6);  // 1 kHz
    EXPECT_TRUE(f.st.amdfMode);
    EXPECT_EQ(f.st.sub[PageLayout::kSpectrogram].caption, "Fourier");
    EXPECT_EQ(f.st.sub[PageLayout::kPitch].caption, "AMDF");
    EXPECT_EQ(f.st.sub[PageLayout::kLevel].caption, "SPL/SPLH");
    EXPECT_DOUBLE_EQ(f.st.sub[PageLayout::kLevel].y0, 20.0);
    EXPECT_TRUE(f.run.replacements().empty());
    EXPECT_EQ(f.settings, SpectrogramSettings{});
}

TEST(SpectrogramSetUp, AWindowOfAPowerOfTwoGetsTheNextFft)
{
    RunFixture f(oneSecond(16000));
    f.settings.bandwidthText = "250";
    ASSERT_TRUE(f.run.prepare(f.settings, false));
    EXPECT_EQ(f.st.windowLength, 128);
    EXPECT_EQ(f.ws.FftSize, 256);
    EXPECT_EQ(f.st.pairStep, 64);
}

TEST(SpectrogramSetUp, PairStepIsCappedBySixteenPixelColumnsAndNeverZero)
{
    RunFixture f(oneSecond(16000));
    f.settings.bandwidthText = "25";  // window 1280
    f.settings.timeScaleText = "1000";  // 3779 px/s: 4 samples per column
    ASSERT_TRUE(f.run.prepare(f.settings, false));
    EXPECT_EQ(f.st.pairStep, 64);
    f.settings.timeScaleText = "9000";  // more columns than samples per second
    ASSERT_TRUE(f.run.prepare(f.settings, false));
    EXPECT_EQ(f.st.samplesPerColumn, 0);
    EXPECT_EQ(f.st.pairStep, 1);
}

TEST(SpectrogramSetUp, FrequencyRangeIsCorrectedAndWrittenBack)
{
    RunFixture f(oneSecond(8000), 8000);
    ASSERT_TRUE(f.run.prepare(f.settings, false));
    EXPECT_DOUBLE_EQ(f.st.topFrequency, 4000.0);
    EXPECT_EQ(f.settings.frequencyRangeText, "fs/2");
    EXPECT_EQ(f.settings.frequencyRangeItem, 1);
    ASSERT_EQ(f.run.replacements().size(), 1u);
    EXPECT_EQ(f.run.replacements()[0], "F range Hz: \"5000\" replaced by \"fs/2\"");

    f.settings.frequencyRangeText = "100";
    f.settings.frequencyRangeItem = -1;
    ASSERT_TRUE(f.run.prepare(f.settings, false));
    EXPECT_DOUBLE_EQ(f.st.topFrequency, 125.0);
    EXPECT_EQ(f.settings.frequencyRangeText, "125");

    f.settings.frequencyRangeText = "abc";  // reads as 0: fs/2, and the box says so
    ASSERT_TRUE(f.run.prepare(f.settings, false));
    EXPECT_DOUBLE_EQ(f.st.topFrequency, 4000.0);
    EXPECT_EQ(f.settings.frequencyRangeText, "fs/2");
    EXPECT_EQ(f.settings.frequencyRangeItem, 1);
}

TEST(SpectrogramSetUp, BarkAxisCountsWholeBarksBelowHalfTheRate)
{
    RunFixture f(oneSecond(16000));
    f.settings.frequencyRangeText = "Bark";
    f.settings.frequencyRangeItem = 0;
    ASSERT_TRUE(f.run.prepare(f.settings, false));
    EXPECT_DOUBLE_EQ(f.st.barkCount, 21.0);  // bark2hz(22) ≈ 9659 > 8000 ≥ bark2hz(21)
    EXPECT_DOUBLE_EQ(f.st.topFrequency, bark2hz(21.0));
    const int slotCount = static_cast<int>(256 * bark2hz(21.0) / 16000);
    EXPECT_EQ(f.st.barkSlots, slotCount);
    ASSERT_EQ(f.st.barkBins.size(), static_cast<size_t>(slotCount) + 2);
    EXPECT_EQ(f.st.barkBins[0], static_cast<int>(20.0 * 256 / 16000));
    EXPECT_TRUE(std::is_sorted(f.st.barkBins.begin(), f.st.barkBins.end()));
    EXPECT_LE(f.st.barkBins.back(), 128);
}

TEST(SpectrogramSetUp, ConstantQWritesItsBandwidth)
{
    RunFixture f(oneSecond(16000));
    EXPECT_EQ(qBandwidthText(f.run.topFrequency()), "0");  // before any run
    f.settings.analysis = AnalysisType::ConstantQ;
    ASSERT_TRUE(f.run.prepare(f.settings, false));
    EXPECT_EQ(f.settings.bandwidthText, "294");
    EXPECT_EQ(qBandwidthText(f.run.topFrequency()), "294");
    EXPECT_EQ(f.ws.FftSize, 300);
    EXPECT_EQ(f.st.binCount, 150);
    EXPECT_EQ(f.st.windowLength, 108);
    EXPECT_EQ(f.st.lowBandBins, 77);
    EXPECT_EQ(f.st.highBandStart, 77);
}

TEST(SpectrogramSetUp, PrintSizeHalvesTheTimeScaleAndAbove100IsFullSize)
{
    RunFixture half(oneSecond(16000));
    half.settings.printSizeText = "50";
    ASSERT_TRUE(half.run.prepare(half.settings, false));
    EXPECT_FLOAT_EQ(half.signal.pageTimeScale, 50.0f);
    EXPECT_FLOAT_EQ(half.st.pixelsPerSecond, 188.0f);
    EXPECT_EQ(half.st.spgmRight - half.st.spgmLeft, 510);

    RunFixture large(oneSecond(16000));
    large.settings.printSizeText = "150";
    ASSERT_TRUE(large.run.prepare(large.settings, false));
    EXPECT_FLOAT_EQ(large.signal.pageTimeScale, 100.0f);
    EXPECT_EQ(large.st.spgmRight - large.st.spgmLeft, 1020);
    EXPECT_TRUE(large.run.replacements().empty());
}

TEST(SpectrogramSetUp, LinPrUsesTheHammingShapeAfterOtherTypes)
{
    RunFixture f(oneSecond(16000));
    ASSERT_TRUE(f.run.prepare(f.settings, false));
    f.settings.analysis = AnalysisType::LinPr17;
    ASSERT_TRUE(f.run.prepare(f.settings, false));
    EXPECT_NEAR(f.st.analysisWindow[0], (1 - 0.8518) * 0.7, 1e-6);
    EXPECT_NEAR(f.st.analysisWindow[80], (1 + 0.8518) * 0.7, 1e-6);
    // The high band filter is built at +1 kHz although SPL/SPLH marks it negative.
    EXPECT_LT(f.st.highBandFilter[0].c2, 1.0);
    EXPECT_LT(f.st.highBandFilter[1].c2, 1.0);
}

TEST(SpectrogramSetUp, BufferOriginDoesNotDependOnThePreviousRun)
{
    RunFixture f(noisyTone(440.0, 16000, 3.0, 3000.0));
    f.signal.selectionStart = 1.0f;
    f.settings.bandwidthText = "25";
    ASSERT_TRUE(f.run.prepare(f.settings, false));
    f.settings.bandwidthText = "200";
    ASSERT_TRUE(f.run.prepare(f.settings, false));
    EXPECT_EQ(f.st.bufferOrigin, (32000 - 160) / 2);
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
