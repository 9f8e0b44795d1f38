#include "waveform_settings.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

using namespace kelvox;

TEST(WaveformControls, LabelsItemsAndDefaultsInWindowOrder)
{
    const std::vector<ControlInfo> c = waveformControls();
    ASSERT_EQ(c.size(), 4u);
    EXPECT_EQ(c[0].label, "Time scale mm/s");
    EXPECT_EQ(c[0].items, (std::vector<std::string>{"10", "20", "50", "100", "200", "500", "1000", "2000"}));
    EXPECT_EQ(c[0].defaultValue, "100");
    EXPECT_EQ(c[1].label, "Lines/page");
    EXPECT_EQ(c[1].items, (std::vector<std::string>{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(c[1].defaultValue, "1");
    EXPECT_EQ(c[2].label, "Gain factor");
    EXPECT_EQ(c[2].items, (std::vector<std::string>{"Auto", "1", "2", "5", "10", "20", "50", "100"}));
    EXPECT_EQ(c[2].defaultValue, "Auto");
    EXPECT_EQ(c[3].label, "Print size %");
    EXPECT_EQ(c[3].items, (std::vector<std::string>{"100", "70", "50", "35", "25"}));
    EXPECT_EQ(c[3].defaultValue, "100");
    for (const ControlInfo& i : c)
        EXPECT_TRUE(i.typed) << i.label;

    // The record's defaults are the controls' defaults.
    const WaveformSettings s;
    EXPECT_EQ(s.timeScaleText, "100");
    EXPECT_EQ(s.timeScaleItem, 3);
    EXPECT_EQ(s.gainItem, 0);
}

TEST(WaveformControls, ItemsPickTheirIndexAndOtherTextIsTyped)
{
    WaveformSettings s;
    std::string error;
    ASSERT_TRUE(applyWaveformSetting(s, "Time scale mm/s", "2000", error));
    EXPECT_EQ(s.timeScaleText, "2000");
    EXPECT_EQ(s.timeScaleItem, 7);
    ASSERT_TRUE(applyWaveformSetting(s, "Gain factor", "5", error));
    EXPECT_EQ(s.gainItem, 3);
    ASSERT_TRUE(applyWaveformSetting(s, "Gain factor", "7.5", error));
    EXPECT_EQ(s.gainText, "7.5");
    EXPECT_EQ(s.gainItem, -1);
    ASSERT_TRUE(applyWaveformSetting(s, "Print size %", "35", error));
    EXPECT_EQ(s.printSizeItem, 3);
    ASSERT_TRUE(applyWaveformSetting(s, "Lines/page", "5", error));
    EXPECT_EQ(s.linesItem, 4);

    EXPECT_FALSE(applyWaveformSetting(s, "Time scale", "100", error));
    EXPECT_NE(error.find("Time scale"), std::string::npos);
    EXPECT_EQ(error.find('\n'), std::string::npos);
}

TEST(WaveformPageCount, TwoHundredFiftyMillimetresPerLine)
{
    WaveformSettings s;
    // 100 × 0.004 × 2.5 + 0.999 = 1.999
    EXPECT_EQ(waveformPageCountText(s, {0.0f, 2.5f}), "=> 1 pages");
    EXPECT_EQ(waveformPageCount(s, {0.0f, 3.0f}), 2);
    s.linesText = "2";
    EXPECT_EQ(waveformPageCount(s, {0.0f, 2.5f}), 1);
    EXPECT_EQ(waveformPageCount(s, {1.0f, 11.0f}), 2);  // 10 s: 4 lines of 2.5 s, 2 per page
    s.timeScaleText = "1000";
    s.linesText = "5";
    EXPECT_EQ(waveformPageCount(s, {0.0f, 3.0f}), 3);  // 2.4 + 0.999
}

TEST(WaveformPageCount, FewerThanOneLineCountsAsOneAndLargeValuesSaturate)
{
    WaveformSettings s;
    for (const char* lines : {"0", "", "abc", "-3", "0.5"}) {
        s.linesText = lines;
        EXPECT_EQ(waveformPageCount(s, {0.0f, 3.0f}), 2) << lines;
    }
    s.linesText = "1";
    s.timeScaleText = std::string(400, '9');
    EXPECT_EQ(waveformPageCount(s, {0.0f, 3.0f}), std::numeric_limits<int>::max());
    s.timeScaleText = "abc";
    EXPECT_EQ(waveformPageCount(s, {0.0f, 3.0f}), 0);
}
