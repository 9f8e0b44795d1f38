#include "waveform_setup.h"

#include "engineering_notation.h"
#include "parse_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace kelvox;

namespace {

// Page sizes of the plot device: 96 dpi screen and 192 dpi print pages.
constexpr int kScreenW = 1068, kScreenH = 755;
constexpr int kPrintW = 2137, kPrintH = 1511;

SignalState recording(int rateHz = 8000, int bytesPerSample = 2)
{
    SignalState s;
    s.sampleRateHz = rateHz;
    s.sampleRate = rateHz;
    s.bytesPerSample = bytesPerSample;
    s.peakAmplitude = 16384;
    return s;
}

struct SetupResult {
    WaveformParameters p;
    WaveformSettings settings;
    std::vector<std::string> replaced;
    double tickStep = 0.1;
};

SetupResult setUp(WaveformSettings settings, int dpi = 96, const SignalState& signal = recording())
{
    SetupResult r;
    r.settings = settings;
    r.p = waveformSetup(r.settings, signal, dpi, dpi == 96 ? kScreenW : kPrintW, dpi == 96 ? kScreenH : kPrintH,
                        r.tickStep, r.replaced);
    return r;
}

WaveformSettings with(const char* timeScale, const char* lines = "1", const char* gain = "Auto",
                      const char* printSize = "100")
{
    WaveformSettings s;
    s.timeScaleText = timeScale;
    s.timeScaleItem = -1;
    s.linesText = lines;
    s.linesItem = -1;
    s.gainText = gain;
    s.gainItem = std::string(gain) == "Auto" ? 0 : -1;
    s.printSizeText = printSize;
    s.printSizeItem = -1;
    return s;
}

}  // namespace

TEST(WaveformSetup, ScreenPageAtOneHundredMillimetresPerSecond)
{
    const SetupResult r = setUp(WaveformSettings{});
    const WaveformParameters& p = r.p;
    EXPECT_TRUE(r.replaced.empty());
    EXPECT_EQ(p.pixelsPerSecond, 377);  // trunc(96 × 100 / 25.4)
    EXPECT_DOUBLE_EQ(p.tickStep, 0.2);  // largest step below 25 / 100
    EXPECT_DOUBLE_EQ(r.tickStep, 0.2);
    EXPECT_FLOAT_EQ(p.pageTimeScale, 100);
    // x × 1068 / 2828 and y × 755 / 2000, truncated.
    EXPECT_EQ(p.layout.frame, (PageBox{0, -3000, 1640, 3000, 37, 37, 1057, 717}));
    EXPECT_EQ(p.layout.tracks, (PageBox{0, -1, 1600, 1, 94, 679, 1038, 75}));
    EXPECT_EQ(p.usedArea, (PageRect{36, 13, 1059, 719}));
    EXPECT_DOUBLE_EQ(p.textSize, 1.0);
    EXPECT_NEAR(p.lineDuration, 944.378 / 377, 1e-12);  // 2.505 s: a little over 250 mm
    EXPECT_NEAR(p.secondsPerColumn, 1.0 / 377, 1e-15);
}

TEST(WaveformSetup, TickStepsAndLabelFormatsAcrossTimeScales)
{
    SetupResult r = setUp(with("10"));
    EXPECT_DOUBLE_EQ(r.p.tickStep, 2.0);
    EXPECT_EQ(tickLabel(4.0, r.p.tickStep), "4.0");  // "%5.1f" without its blanks
    r = setUp(with("2000"));
    EXPECT_DOUBLE_EQ(r.p.tickStep, 0.01);
    EXPECT_EQ(r.p.pixelsPerSecond, 7559);
    EXPECT_EQ(tickLabel(1.25, r.p.tickStep), "1.25");  // "%6.2f"
    EXPECT_EQ(tickLabel(0.03, r.p.tickStep), "0.03");
    EXPECT_EQ(tickLabel(0.2, 0.2), "0.2");
    EXPECT_EQ(tickLabel(0.125, 0.005), "0.125");     // "%7.3f"
    EXPECT_EQ(tickLabel(0.0125, 0.0005), "0.0125");  // "%8.4f"
    EXPECT_EQ(tickLabel(-0.4, 0.2), "-0.4");

    // The step must be smaller than a tenth of a line's time, not equal to it.
    EXPECT_DOUBLE_EQ(waveformTickStep(125, 0.1), 0.1);  // 0.2 is not below 0.2
    EXPECT_DOUBLE_EQ(waveformTickStep(124, 0.1), 0.2);
    EXPECT_DOUBLE_EQ(waveformTickStep(0.4, 0.1), 5.0);
    EXPECT_DOUBLE_EQ(waveformTickStep(24999, 0.7), 0.001);
    // From 25000 mm/s on no step is small enough: the previous one stays.
    EXPECT_DOUBLE_EQ(waveformTickStep(25000, 0.7), 0.7);
}

TEST(WaveformSetup, TicksOfTheFirstAndSecondLine)
{
    const SetupResult r = setUp(WaveformSettings{});
    const WaveformParameters& p = r.p;
    std::vector<AxisTick> ticks = waveformTicks(0, 0.2, 377, 94, 1038);
    ASSERT_EQ(ticks.size(), 13u);  // 0.0 … 2.4 s; 2.6 s lies beyond 944 columns
    for (std::size_t k = 0; k < ticks.size(); ++k) {
        EXPECT_EQ(ticks[k].label, tickLabel(0.2 * static_cast<double>(k), 0.2));
        EXPECT_EQ(ticks[k].pixel, 94 + static_cast<int>(std::trunc(75.4 * k + 1e-9))) << k;
    }
    EXPECT_EQ(ticks[1].label, "0.2");
    EXPECT_EQ(ticks[2].label, "0.4");

    // The second line starts at 2.505 s; its first tick, 2.4 s, lies left of the
    // track (trunc(−39.6) + 94).
    ticks = waveformTicks(p.lineDuration, 0.2, 377, 94, 1038);
    ASSERT_FALSE(ticks.empty());
    EXPECT_EQ(ticks[0].label, "2.4");
    EXPECT_EQ(ticks[0].pixel, 55);
    EXPECT_EQ(ticks[1].label, "2.6");
    EXPECT_EQ(ticks[1].pixel, 94 + 35);

    // Before time 0 the first tick lies after the start (truncation toward zero).
    ticks = waveformTicks(-0.3, 0.2, 377, 94, 1038);
    ASSERT_FALSE(ticks.empty());
    EXPECT_EQ(ticks[0].label, "-0.2");
    EXPECT_EQ(ticks[0].pixel, 94 + 37);

    // A start so large that the next multiple of the step rounds to the same
    // time ends the list instead of looping.
    EXPECT_LE(waveformTicks(1e30, 0.2, 377, 94, 1038).size(), 2u);
    EXPECT_TRUE(waveformTicks(0, 0, 377, 94, 1038).empty());
}

TEST(WaveformSetup, AutoGainLabelsHalfScaleReferences)
{
    const SetupResult r = setUp(WaveformSettings{});
    EXPECT_DOUBLE_EQ(r.p.gain, 32767.0 / 16384.0);
    EXPECT_TRUE(r.p.autoGain);
    EXPECT_NEAR(r.p.topValue, 0.50002, 1e-5);
    EXPECT_DOUBLE_EQ(r.p.zeroValue, 0);
    EXPECT_EQ(engineeringNotation(r.p.topValue + r.p.zeroValue), "500m");
    EXPECT_EQ(engineeringNotation(r.p.bottomValue + r.p.zeroValue), "-500m");
}

TEST(WaveformSetup, GainAndZeroValueInRawUnitsOfEitherWidth)
{
    SignalState s = recording();
    s.zeroOffset = 100;
    SetupResult r = setUp(with("100", "1", "2"), 96, s);
    EXPECT_DOUBLE_EQ(r.p.gain, 2);
    EXPECT_FALSE(r.p.autoGain);
    EXPECT_DOUBLE_EQ(r.p.channelScale, 2.0 / 32768);
    EXPECT_DOUBLE_EQ(r.p.zeroValue, 100 * 2.0 / 32768);
    EXPECT_DOUBLE_EQ(r.p.topValue, 0.5);

    s.bytesPerSample = 1;
    s.zeroOffset = 3;
    r = setUp(with("100", "1", "2"), 96, s);
    EXPECT_DOUBLE_EQ(r.p.channelScale, 2.0 / 128);
    EXPECT_DOUBLE_EQ(r.p.sampleScale, 2.0 / 32768);  // 8-bit samples decode × 256
    EXPECT_DOUBLE_EQ(r.p.zeroValue, 3 * 2.0 / 128);

    WaveformSettings typedAuto;
    typedAuto.gainItem = -1;  // "Auto" typed rather than picked is still "Auto"
    r = setUp(typedAuto);
    EXPECT_TRUE(r.p.autoGain);
    EXPECT_TRUE(r.replaced.empty());

    r = setUp(with("100", "1", "-5"));  // a negative gain turns the trace over
    EXPECT_DOUBLE_EQ(r.p.topValue, -0.2);
    EXPECT_TRUE(r.replaced.empty());
}

TEST(WaveformSetup, PrintSizeShrinksBothRectanglesByTheSamePixels)
{
    const SetupResult full = setUp(WaveformSettings{});
    const SetupResult half = setUp(with("100", "1", "Auto", "50"));
    const PageBox& t = half.p.layout.tracks;
    const PageBox& f = half.p.layout.frame;
    EXPECT_EQ(t.px0, 94);
    EXPECT_EQ(t.py1, 75);
    EXPECT_EQ(t.px1, 94 + 472);  // 944 × 0.5
    EXPECT_EQ(t.py0, 75 + 302);  // 604 × 0.5
    EXPECT_EQ(f.px0, 37);
    EXPECT_EQ(f.py0, 37);
    // The margins between frame and tracks keep their size.
    EXPECT_EQ(f.px1 - t.px1, full.p.layout.frame.px1 - full.p.layout.tracks.px1);
    EXPECT_EQ(f.py1 - t.py0, full.p.layout.frame.py1 - full.p.layout.tracks.py0);
    EXPECT_FLOAT_EQ(half.p.pageTimeScale, 50);
    EXPECT_EQ(half.p.pixelsPerSecond, 188);
    EXPECT_NEAR(half.p.textSize, std::sqrt(0.5), 1e-12);
    EXPECT_DOUBLE_EQ(half.p.tickStep, 0.2);  // the step follows the typed scale
    EXPECT_NEAR(half.p.lineDuration, (472 + 0.378) / 188, 1e-12);

    const SetupResult seventy = setUp(with("100", "1", "Auto", "70"));
    EXPECT_EQ(seventy.p.layout.frame.px1 - seventy.p.layout.tracks.px1, 19);
    EXPECT_EQ(seventy.p.layout.frame.py1 - seventy.p.layout.tracks.py0, 38);

    // Above 100 % the page stays at full size, and the text is left as typed.
    const SetupResult big = setUp(with("100", "1", "Auto", "200"));
    EXPECT_DOUBLE_EQ(big.p.printScale, 1.0);
    EXPECT_EQ(big.p.layout.tracks, full.p.layout.tracks);
    EXPECT_TRUE(big.replaced.empty());
    EXPECT_EQ(big.settings.printSizeText, "200");
}

TEST(WaveformSetup, PrintPageAtOneHundredNinetyTwoDpi)
{
    const SetupResult r = setUp(WaveformSettings{}, 192);
    EXPECT_EQ(r.p.pixelsPerSecond, 755);
    EXPECT_EQ(r.p.layout.frame, (PageBox{0, -3000, 1640, 3000, 75, 75, 2115, 1435}));
    EXPECT_EQ(r.p.layout.tracks, (PageBox{0, -1, 1600, 1, 188, 1359, 2078, 151}));
    EXPECT_EQ(r.p.usedArea, (PageRect{74, 51, 2117, 1437}));
}

TEST(WaveformSetup, LineRowsLeaveRoomForTheTimeLabels)
{
    const PageBox tracks{0, -1, 1600, 1, 94, 679, 1038, 75};
    WaveformLineRows r = waveformLineRows(tracks, 1, 0, 16);
    EXPECT_EQ(r.top, 75);
    EXPECT_EQ(r.bottom, 75 + 604 - 16 - 10);
    r = waveformLineRows(tracks, 5, 4, 16);
    EXPECT_EQ(r.top, 75 + 4 * 120);
    EXPECT_EQ(r.bottom, 75 + 4 * 120 + 120 - 26);
}

TEST(WaveformSetup, SettingsThatWouldDivideByZeroOrNeverEndAreReplaced)
{
    SetupResult r = setUp(with("0"));
    ASSERT_EQ(r.replaced.size(), 1u);
    EXPECT_EQ(r.replaced[0], "Time scale mm/s: \"0\" replaced by \"100\"");
    EXPECT_EQ(r.settings.timeScaleText, "100");
    EXPECT_EQ(r.settings.timeScaleItem, 3);
    EXPECT_EQ(r.p.pixelsPerSecond, 377);

    // 0.2 mm/s is less than a pixel per second at 96 dpi, but 1.5 at 192 dpi.
    EXPECT_EQ(setUp(with("0.2")).replaced.size(), 1u);
    r = setUp(with("0.2"), 192);
    EXPECT_TRUE(r.replaced.empty());
    EXPECT_EQ(r.p.pixelsPerSecond, 1);

    // A line must hold at least one frame: 250 mm at most 250 × fs mm/s.
    EXPECT_TRUE(setUp(with("2000000")).replaced.empty());
    EXPECT_EQ(setUp(with("2000001")).replaced.size(), 1u);
    EXPECT_EQ(setUp(with(std::string(400, '9').c_str())).settings.timeScaleText, "100");

    r = setUp(with("100", "1", "abc"));
    ASSERT_EQ(r.replaced.size(), 1u);
    EXPECT_EQ(r.replaced[0], "Gain factor: \"abc\" replaced by \"Auto\"");
    EXPECT_EQ(r.settings.gainItem, 0);
    EXPECT_TRUE(r.p.autoGain);
    EXPECT_DOUBLE_EQ(r.p.gain, 32767.0 / 16384.0);
    EXPECT_EQ(setUp(with("100", "1", std::string(400, '9').c_str())).settings.gainText, "Auto");

    r = setUp(with("100", "0"));
    ASSERT_EQ(r.replaced.size(), 1u);
    EXPECT_EQ(r.replaced[0], "Lines/page: \"0\" replaced by \"1\"");
    EXPECT_EQ(r.settings.linesItem, 0);
    EXPECT_EQ(r.p.lines, 1);
    // As many lines as the tracks have pixel rows, but no more.
    EXPECT_EQ(setUp(with("100", "604")).p.lines, 604);
    EXPECT_EQ(setUp(with("100", "605")).p.lines, 1);

    r = setUp(with("100", "1", "Auto", "-5"));
    ASSERT_EQ(r.replaced.size(), 1u);
    EXPECT_EQ(r.replaced[0], "Print size %: \"-5\" replaced by \"100\"");
    EXPECT_EQ(r.settings.printSizeItem, 0);
    // 0.0001 % leaves less than a pixel per second even at 100 mm/s.
    r = setUp(with("100", "1", "Auto", "0.0001"));
    EXPECT_EQ(r.settings.printSizeText, "100");
    EXPECT_DOUBLE_EQ(r.p.printScale, 1);
    r = setUp(with("1000", "1", "Auto", "0.001"));
    EXPECT_EQ(r.replaced, (std::vector<std::string>{"Print size %: \"0.001\" replaced by \"100\""}));
    EXPECT_EQ(r.settings.timeScaleText, "1000");
    // 1 mm/s is fine at full size but less than a pixel per second at 25 %: the
    // time scale goes back to "100" and the print size stays.
    r = setUp(with("1", "1", "Auto", "25"));
    EXPECT_EQ(r.replaced, (std::vector<std::string>{"Time scale mm/s: \"1\" replaced by \"100\""}));
    EXPECT_EQ(r.settings.timeScaleText, "100");
    EXPECT_EQ(r.settings.timeScaleItem, 3);
    EXPECT_EQ(r.settings.printSizeText, "25");
    EXPECT_DOUBLE_EQ(r.p.printScale, 0.25);
    EXPECT_EQ(r.p.pixelsPerSecond, 94);  // trunc(96 × 25 / 25.4)

    // All four at once: one line each.
    r = setUp(with("", "", "", ""));
    EXPECT_EQ(r.replaced.size(), 4u);
    EXPECT_EQ(r.settings, WaveformSettings{});
}

TEST(WaveformCaption, ChannelsTimesTheRatePerChannel)
{
    EXPECT_EQ(waveformCaption("/data/stereo.wav", "0", 2, 8000),
              "Kelvox|Wave /data/stereo.wav, Page 0. Sftot 2*8.00 kHz");
    EXPECT_EQ(waveformCaption("/x/%n%s.wav", "12", 1, 44100), "Kelvox|Wave /x/%n%s.wav, Page 12. Sftot 1*44.10 kHz");
}
