#include "page_frame.h"

#include "page_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace kelvox;
using namespace kelvox::test;

namespace {

std::vector<std::string> labels(const std::vector<AxisTick>& ticks)
{
    std::vector<std::string> texts;
    for (const AxisTick& t : ticks)
        if (!t.label.empty())
            texts.push_back(t.label);
    return texts;
}

}  // namespace

TEST(TickSteps, TimeStepIsTheLargestBelowATenthOfThePage)
{
    EXPECT_DOUBLE_EQ(timeTickStep(2.0), 0.1);  // 0.2 is not below 0.2
    EXPECT_DOUBLE_EQ(timeTickStep(2.7), 0.2);
    EXPECT_DOUBLE_EQ(timeTickStep(30.0), 2.0);
    EXPECT_DOUBLE_EQ(timeTickStep(1000.0), 5.0);  // 10 takes no part
    EXPECT_DOUBLE_EQ(timeTickStep(0.005), 0.001);  // none below: the smallest
    EXPECT_EQ(timeTickLabel(1.3, 0.1), "1.3");
    EXPECT_EQ(timeTickLabel(12.0, 2.0), "12");
    EXPECT_EQ(timeTickLabel(0.25, 0.05), "0.25");
    EXPECT_EQ(timeTickLabel(0.125, 0.005), "0.125");
}

TEST(TickSteps, FrequencyAndQuefrencySteps)
{
    EXPECT_DOUBLE_EQ(frequencyTickStep(8000.0), 2.0);
    EXPECT_DOUBLE_EQ(frequencyTickStep(1000.0), 0.2);
    EXPECT_DOUBLE_EQ(frequencyTickStep(2.0), 0.001);
    EXPECT_DOUBLE_EQ(quefrencyTickStep(160, 16000.0), 0.0005);
    EXPECT_DOUBLE_EQ(quefrencyTickStep(4096, 100.0), 1.0);  // beyond the table: its last step
}

TEST(TimeTicks, TwoSecondPageLabelsTenthsAndThirtySecondPageWholeSeconds)
{
    PageFixture f;
    const int width = f.p.geometry.spgmRight - f.p.geometry.spgmLeft;
    f.st.cursor.analysisStart = 1.0f;
    f.p.analysisEnd = 100.0f;
    f.p.pixelsPerSecond = width / 2.0f;
    std::vector<AxisTick> ticks = timeTicks(f.p, f.st.cursor.analysisStart, timeTickStep(2.0));
    ASSERT_EQ(ticks.size(), 19u);  // 1.1 … 2.9
    EXPECT_EQ(ticks[2].label, "1.3");
    EXPECT_EQ(ticks[2].pixel, f.p.geometry.spgmLeft + static_cast<int>(0.3 * width / 2.0));

    f.p.pixelsPerSecond = width / 30.0f;
    ticks = timeTicks(f.p, f.st.cursor.analysisStart, timeTickStep(30.0));
    EXPECT_EQ(labels(ticks), (std::vector<std::string>{"2", "4", "6", "8", "10", "12", "14", "16", "18", "20",
                                                       "22", "24", "26", "28", "30"}));

    // The axis stops about a tenth of a second after the analysis end.
    f.p.analysisEnd = 5.0f;
    ticks = timeTicks(f.p, f.st.cursor.analysisStart, 2.0);
    EXPECT_EQ(labels(ticks), (std::vector<std::string>{"2", "4"}));
}

TEST(TimeTicks, EndsForStartsFarBeyondFloatResolution)
{
    PageFixture f;
    f.st.cursor.analysisStart = 1e20f;
    f.p.analysisEnd = 1e21f;
    f.p.pixelsPerSecond = 1e-15f;
    EXPECT_LE(timeTicks(f.p, f.st.cursor.analysisStart, 0.001).size(), 10000u);
}

TEST(SpectrogramTicks, LinearAxisInKilohertzOrHertz)
{
    PageFixture f;
    f.p.topFrequency = 8000.0;
    std::vector<AxisTick> ticks = spectrogramTicks(f.p, frequencyTickStep(8000.0), 0.0);
    EXPECT_EQ(labels(ticks), (std::vector<std::string>{"0k", "2k", "4k", "6k", "8k"}));
    const int bottom = f.p.geometry.spgmTop + f.p.geometry.rowCount;
    EXPECT_EQ(ticks[0].pixel, bottom);
    EXPECT_FALSE(ticks[0].line);  // on the frame: no dotted line
    EXPECT_EQ(ticks[2].pixel, bottom - f.p.geometry.rowCount / 2);
    EXPECT_TRUE(ticks[2].line);
    EXPECT_EQ(ticks[4].pixel, f.p.geometry.spgmTop);
    EXPECT_FALSE(ticks[4].line);

    f.p.topFrequency = 1000.0;
    ticks = spectrogramTicks(f.p, frequencyTickStep(1000.0), 0.0);
    EXPECT_EQ(labels(ticks), (std::vector<std::string>{"0", "200", "400", "600", "800", "1000"}));
}

TEST(SpectrogramTicks, OctavesBarksAndQuefrencies)
{
    PageFixture f;
    f.p.topFrequency = 5000.0;
    f.p.analysis = AnalysisType::ConstantQ;
    EXPECT_EQ(labels(spectrogramTicks(f.p, 1.0, 0.0)),
              (std::vector<std::string>{"5000", "2500", "1250", "625", "312", "156"}));

    f.p.analysis = AnalysisType::Fourier;
    f.p.barkCount = 4.0;
    const std::vector<AxisTick> bark = spectrogramTicks(f.p, 1.0, 0.0);
    EXPECT_EQ(labels(bark), (std::vector<std::string>{"  20", " 196", " 403"}));
    EXPECT_EQ(bark[1].pixel, f.p.geometry.spgmTop + f.p.geometry.rowCount - f.p.geometry.rowCount / 2);

    f.p.barkCount = 0.0;
    f.p.analysis = AnalysisType::Cepstrum;
    f.p.bandwidth = 200.0;
    const std::vector<AxisTick> quefrency = spectrogramTicks(f.p, 1.0, 0.0005);
    ASSERT_EQ(quefrency.size(), 11u);
    EXPECT_EQ(quefrency[0].label, "0.0m");
    EXPECT_EQ(quefrency[10].label, "5.0m");
    EXPECT_EQ(quefrency[10].pixel, f.p.geometry.spgmTop);
}

TEST(PitchTicks, MidPitch14142LabelsFrom100Upward)
{
    PageFixture f;
    f.useMidPitch(141.42);
    EXPECT_DOUBLE_EQ(nicestep(141.42), 200.0);
    const std::vector<AxisTick> ticks = pitchTicks(f.p, f.plot);
    const std::vector<std::string> texts = labels(ticks);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.front(), "100");
    EXPECT_TRUE(std::find(texts.begin(), texts.end(), "200") != texts.end());
    // Everything shown lies within the strip's octave below and above 141.42 Hz.
    EXPECT_EQ(ticks.size(), 10u);  // 100, 120, … 280
    int previous = 1 << 20;
    for (const AxisTick& t : ticks) {
        EXPECT_LT(t.pixel, previous);  // upward
        if (!t.label.empty()) {
            EXPECT_LE(t.pixel, previous - f.plot.lineheight());
            previous = t.pixel;
        }
    }
}

TEST(Nicestep, OneTwoFiveUpward)
{
    EXPECT_DOUBLE_EQ(nicestep(100.0), 100.0);
    EXPECT_DOUBLE_EQ(nicestep(0.3), 0.5);
    EXPECT_DOUBLE_EQ(nicestep(600.0), 1000.0);
    EXPECT_NEAR(nicestep(1.5e-5), 2e-5, 1e-12);
    EXPECT_DOUBLE_EQ(nicestep(1e-6), 1e-6);
    EXPECT_DOUBLE_EQ(nicestep(2e5), 2e5);
}

TEST(Leveltoy, GrayRangeSpansTheStrip)
{
    PageFixture f;
    const PageBox& strip = f.p.geometry.sub[PageLayout::kLevel];
    EXPECT_EQ(leveltoy(f.p, 0), strip.py0);
    EXPECT_EQ(leveltoy(f.p, 40), strip.py1);
    EXPECT_EQ(leveltoy(f.p, 20), strip.py0 + (strip.py1 - strip.py0) / 2);
    f.p.gainDb = 10.0f;
    EXPECT_EQ(leveltoy(f.p, 10), strip.py0);
    f.p.grayRange = 1e-4f;  // saturates instead of overflowing
    EXPECT_LT(leveltoy(f.p, 40), -1000000);
}

TEST(Pageframe, DrawsCaptionsAxesAndTheReadoutRegions)
{
    PageFixture f;
    f.useFourier(256, 160, 80);
    f.p.topFrequency = 5000.0;
    f.st.cursor.analysisStart = 0.5f;
    f.p.analysisEnd = 3.0f;
    f.st.cursor.pageNumber = 3;
    pageframe(f.p, f.st.cursor, f.signal, f.plot);
    const std::vector<ReadoutRegion>& regions = f.plot.regions();
    ASSERT_EQ(regions.size(), 3u);  // spectrogram, pitch, level
    EXPECT_EQ(regions[0].left, f.p.geometry.spgmLeft);
    EXPECT_FLOAT_EQ(regions[0].xAtLeft, 0.5f);
    EXPECT_FLOAT_EQ(regions[0].yAtTop, 5000.0f);
    EXPECT_TRUE(regions[1].logY);
    EXPECT_NEAR(std::pow(10.0, regions[1].yAtTop), 200.0, 1e-3);
    EXPECT_FLOAT_EQ(regions[2].yAtTop, 0.0f);
    EXPECT_FLOAT_EQ(regions[2].yAtBottom, -40.0f);
    // Frames: the spectrogram's left edge is a solid line; its caption top left.
    const QImage& image = f.plot.image();
    EXPECT_EQ(blackCount(image, f.p.geometry.spgmLeft, f.p.geometry.spgmTop + 30, f.p.geometry.spgmLeft + 1,
                         f.p.geometry.spgmTop + 150),
              120);
    EXPECT_GT(blackCount(image, f.p.geometry.spgmLeft + 1, f.p.geometry.spgmTop + 1, f.p.geometry.spgmLeft + 60,
                         f.p.geometry.spgmTop + 15),
              20);
    // A grid line through the level strip at 1.0 s.
    const int x = f.p.geometry.spgmLeft + static_cast<int>(0.5 * f.p.pixelsPerSecond);
    const PageBox& level = f.p.geometry.sub[PageLayout::kLevel];
    const int dots = blackCount(image, x, level.py1 + 2, x + 1, level.py0 - 2);
    EXPECT_GT(dots, (level.py0 - level.py1) / 3);
    EXPECT_LT(dots, 2 * (level.py0 - level.py1) / 3);
}
