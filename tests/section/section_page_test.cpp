// Geometry of the section page: boxes, grid, and the ticks and labels of the axes.
#include "section_page.h"

#include "one_two_five.h"
#include "page_units.h"
#include "parse_number.h"

#include <gtest/gtest.h>

using namespace kelvox;

namespace {
// A 96-dpi page.
constexpr int kWidth = 1068, kHeight = 755;
}  // namespace

TEST(SectionLayout, BoxesScaledToTheScreenPage)
{
    const SectionLayout g = sectionLayout(kWidth, kHeight, kScreenDpi, 1.0, 16, 1);
    EXPECT_EQ(g.frame.px0, 0);
    EXPECT_EQ(g.frame.py0, 37);   // 100 × 755 div 2000
    EXPECT_EQ(g.frame.px1, 1064); // 2820 × 1068 div 2828
    EXPECT_EQ(g.frame.py1, 751);
    EXPECT_EQ(g.strip.px0, 26);
    EXPECT_EQ(g.strip.py0, 124);  // the strip's bottom
    EXPECT_EQ(g.strip.py1, 49);
    EXPECT_EQ(g.area.py0, 743);
    EXPECT_EQ(g.area.py1, 124 + 2 * 16);  // two text lines below the strip
    EXPECT_EQ(g.strip.caption, "Time wave");
}

TEST(SectionLayout, PrintSizeShrinksTowardTheFramesTop)
{
    const SectionLayout g = sectionLayout(kWidth, kHeight, kScreenDpi, 0.7, 13, 1);
    EXPECT_EQ(g.strip.px0, 26);                 // px0 is not scaled
    EXPECT_EQ(g.strip.px1, 732);                // trunc(1046 × 0.7)
    EXPECT_EQ(g.strip.py0, 37 + 60);            // 37 + trunc(87 × 0.7)
    EXPECT_EQ(g.frame.py0, 37);
    EXPECT_EQ(g.frame.py1, 37 + 499);
    EXPECT_EQ(g.area.py1, 97 + 26);
}

TEST(SectionLayout, GridShapesForTheBoxItemsAndTypedCounts)
{
    const std::vector<std::pair<int, std::pair<int, int>>> shapes = {
        {1, {1, 1}}, {2, {2, 1}}, {3, {2, 2}}, {4, {2, 2}}, {6, {3, 2}}, {9, {3, 3}},
        {12, {4, 3}}, {16, {4, 4}}, {20, {5, 4}}, {25, {5, 5}}};
    for (const auto& [n, shape] : shapes) {
        const SectionLayout g = sectionLayout(kWidth, kHeight, kScreenDpi, 1.0, 16, n);
        EXPECT_EQ(g.columns, shape.first) << n;
        EXPECT_EQ(g.rows, shape.second) << n;
    }
}

TEST(SectionLayout, CellsFillColumnByColumn)
{
    const SectionLayout g = sectionLayout(kWidth, kHeight, kScreenDpi, 1.0, 16, 16);
    const SectionCell first = sectionCell(g, 0), second = sectionCell(g, 1), fifth = sectionCell(g, 4);
    // The second section sits below the first, the fifth starts the next column.
    EXPECT_EQ(second.left, first.left);
    EXPECT_EQ(second.top, first.top + g.cellHeight);
    EXPECT_EQ(fifth.top, first.top);
    EXPECT_EQ(fifth.left, first.left + g.cellWidth);
    EXPECT_EQ(first.left, g.area.px0 + g.leftMargin);
    EXPECT_EQ(first.right, g.area.px0 + g.cellWidth);
    EXPECT_EQ(first.bottom, first.top + g.cellHeight - (16 + 10));
    // The last cell ends inside the spectrum area.
    const SectionCell last = sectionCell(g, 15);
    EXPECT_LE(last.right, g.area.px1);
    EXPECT_LE(last.bottom + g.bottomMargin, g.area.py0);

    // Three sections typed: a 2 × 2 grid, the third at the top of column two.
    const SectionLayout three = sectionLayout(kWidth, kHeight, kScreenDpi, 1.0, 16, 3);
    EXPECT_EQ(sectionCell(three, 2).top, sectionCell(three, 0).top);
    EXPECT_GT(sectionCell(three, 2).left, sectionCell(three, 1).left);
}

TEST(SectionAxes, StripTickStepsAndLabels)
{
    EXPECT_DOUBLE_EQ(timeTickStep(4.0), 0.2);
    EXPECT_DOUBLE_EQ(timeTickStep(0.2), 0.01);
    EXPECT_DOUBLE_EQ(timeTickStep(100.0), 5.0);
    // No step lies below a tenth of these spans: the smallest is used.
    EXPECT_DOUBLE_EQ(timeTickStep(0.01), 0.001);
    EXPECT_DOUBLE_EQ(timeTickStep(0.0), 0.001);
    EXPECT_DOUBLE_EQ(timeTickStep(-0.5), 0.001);
    EXPECT_EQ(tickLabel(1.2, 0.2), "1.2");
    EXPECT_EQ(tickLabel(0.83, 0.01), "0.83");
    EXPECT_EQ(tickLabel(0.005, 0.001), "0.005");
}

TEST(SectionAxes, FrequencyTicksAtFiveKilohertz)
{
    EXPECT_DOUBLE_EQ(sectionFrequencyTickStep(5000), 500);
    const std::vector<AxisTick> ticks = frequencyTicks(100, 600, 5000);
    ASSERT_EQ(ticks.size(), 11u);
    EXPECT_EQ(ticks[0].label, "0.0k");
    EXPECT_EQ(ticks[1].label, "0.5k");
    EXPECT_EQ(ticks[10].label, "5.0k");
    for (std::size_t i = 0; i < ticks.size(); ++i)
        EXPECT_EQ(ticks[i].pixel, 100 + 50 * static_cast<int>(i));
}

TEST(SectionAxes, FrequencyTicksAtOtherRanges)
{
    const std::vector<AxisTick> eight = frequencyTicks(0, 800, 8000);
    ASSERT_EQ(eight.size(), 9u);
    EXPECT_EQ(eight[1].label, "1k");
    EXPECT_EQ(eight[8].label, "8k");
    const std::vector<AxisTick> low = frequencyTicks(0, 100, 250);
    EXPECT_EQ(low[1].label, " 50");
    // Far beyond the table the last step is used.
    EXPECT_DOUBLE_EQ(sectionFrequencyTickStep(96000), 5000);
}

TEST(SectionAxes, LagTicksInMilliseconds)
{
    // 160 lags at 16 kHz span 10 ms: 1 ms ticks.
    EXPECT_NEAR(lagTickStep(0.01), 0.001, 1e-12);
    const std::vector<AxisTick> ticks = lagTicks(0, 500, 160, 16000);
    ASSERT_EQ(ticks.size(), 11u);
    EXPECT_EQ(ticks[0].label, "0.0m");
    EXPECT_EQ(ticks[3].label, "3.0m");
    EXPECT_EQ(ticks[10].pixel, 500);
    // 8192 lags at 8 kHz span about 1 s: 0.1 s ticks labelled in seconds.
    EXPECT_NEAR(lagTickStep(8192 / 8000.0), 0.2, 1e-12);
    EXPECT_EQ(lagTicks(0, 500, 8192, 8000)[1].label, "0.2");
}

TEST(SectionAxes, LevelLabelsAtGainMinusTenAndRangeSixty)
{
    const std::vector<AxisTick> lines = levelLines(100, 400, -10, 60, false, 16);
    const std::vector<std::string> labels = {" 10", "  0", "-10", "-20", "-30", "-40"};
    ASSERT_EQ(lines.size(), labels.size());
    for (std::size_t i = 0; i < labels.size(); ++i) {
        EXPECT_EQ(lines[i].label, labels[i]);
        EXPECT_EQ(lines[i].pixel, 100 + 50 * static_cast<int>(i));  // the −50 row is the bottom line
    }
}

TEST(SectionAxes, LevelLabelsOfTheCepstrumCountDownFromZero)
{
    const std::vector<AxisTick> lines = levelLines(100, 400, -10, 60, true, 16);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].pixel, 100);
    EXPECT_EQ(lines[0].label, "  0");
    EXPECT_EQ(lines[1].label, "-10");
    // A fractional gain moves the lines by its fraction: 0 lies 0.5 dB below the top.
    const std::vector<AxisTick> shifted = levelLines(100, 400, -3.5, 60, true, 16);
    ASSERT_FALSE(shifted.empty());
    EXPECT_EQ(shifted[0].label, "  0");
    EXPECT_EQ(shifted[0].pixel, 102);  // 100 + trunc(300 × 0.5 / 60)
}

TEST(SectionAxes, LevelLabelsKeepALineApartAndNeverLoop)
{
    // 20 px for 80 dB: rows 2.5 px apart, so only every seventh line is labelled.
    const std::vector<AxisTick> dense = levelLines(100, 120, 0, 80, false, 16);
    ASSERT_GE(dense.size(), 1u);
    for (std::size_t i = 1; i < dense.size(); ++i)
        EXPECT_GE(dense[i].pixel - dense[i - 1].pixel, 16);
    EXPECT_TRUE(levelLines(100, 100, 0, 60, false, 16).empty());
    EXPECT_TRUE(levelLines(100, 90, 0, 60, false, 16).empty());
    EXPECT_TRUE(levelLines(100, 400, 0, 0, false, 16).empty());
    EXPECT_TRUE(levelLines(100, 400, 0, -60, false, 16).empty());
    // A gain far above the range puts every row below the cell.
    EXPECT_TRUE(levelLines(100, 400, -1000, 60, false, 16).empty());
}
