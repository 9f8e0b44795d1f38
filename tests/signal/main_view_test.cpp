#include "main_view.h"
#include "playback.h"
#include "sound_file.h"

#include "sound_files.h"

#include <gtest/gtest.h>

#include <random>

using namespace kelvox;
using namespace kelvox::test;

namespace {

constexpr int kW = 665, kH = 201;

// A mono 16-bit recording of `seconds` at `rate`, loaded as the main window would.
SignalState recording(double seconds, int rate = 16000, int channels = 1, std::vector<int> samples = {})
{
    if (samples.empty())
        samples = sine(100, rate, static_cast<int>(seconds * rate) * channels, 1000);
    SignalState s;
    const LoadResult r = loadSoundBytes(makeWav({.channels = channels, .rateHz = rate}, pcm16(samples)), "t.wav", s,
                                        kW, kH);
    EXPECT_TRUE(r.ok) << r.reason;
    return s;
}

}  // namespace

TEST(MainViewZoom, PlusStopsAtOneFramePerColumnAndMinusReturns)
{
    SignalState s = recording(2.5);
    MainView v(s, kW, kH);
    v.afterLoad();
    EXPECT_TRUE(v.zoomInEnabled());
    EXPECT_FALSE(v.zoomOutEnabled());
    for (int i = 0; i < 20 && v.zoomInEnabled(); ++i)
        v.zoomIn();
    EXPECT_EQ(s.samplesPerPixel, 1.0f);
    EXPECT_FALSE(v.zoomInEnabled());
    EXPECT_TRUE(v.zoomOutEnabled());
    EXPECT_FLOAT_EQ(s.displayEnd, 665.0f / 16000.0f);
    for (int i = 0; i < 20 && v.zoomOutEnabled(); ++i)
        v.zoomOut();
    EXPECT_EQ(s.samplesPerPixel, s.maxSamplesPerPixel);
    EXPECT_FALSE(v.zoomOutEnabled());
}

TEST(MainViewZoom, ScrollKeepsTheSpanAndStopsNearTheEnd)
{
    SignalState s = recording(10.0);
    MainView v(s, kW, kH);
    v.afterLoad();
    v.zoomIn();
    v.zoomIn();  // a quarter of the file in view
    const float span = s.displayEnd - s.displayStart;
    v.setTimeScrollPosition(5000);
    EXPECT_NEAR(s.displayStart, 5.0f, 1e-4);
    EXPECT_NEAR(s.displayEnd - s.displayStart, span, 1e-4);
    v.setTimeScrollPosition(10000);  // pulled back so that the view ends near the file's end
    EXPECT_LE(v.timeScrollPosition(), 7500);
    EXPECT_NEAR(s.displayEnd, 10.0f, 0.01f);
    // Half a view: 1250 positions, one less where the float zoom rounds down.
    EXPECT_NEAR(v.timeScrollLargeChange(), 1250, 1);
    EXPECT_NEAR(v.timeScrollSmallChange(), 25, 1);
}

TEST(MainViewAmplitude, ButtonsDoubleAndHalveUpToTheirLimits)
{
    SignalState s = recording(1.0);
    MainView v(s, kW, kH);
    v.afterLoad();
    v.setZeroLinePosition(3);
    for (float expected : {2.0f, 4.0f, 8.0f, 16.0f, 32.0f}) {
        v.amplitudeUp();
        EXPECT_EQ(s.displayGain, expected);
    }
    EXPECT_EQ(v.zeroLinePosition(), 96);
    EXPECT_TRUE(v.amplitudeUpEnabled());
    v.amplitudeUp();  // at 32 (>= 20) only disables
    EXPECT_EQ(s.displayGain, 32.0f);
    EXPECT_FALSE(v.amplitudeUpEnabled());
    v.amplitudeNormal();
    EXPECT_EQ(s.displayGain, 1.0f);
    EXPECT_EQ(v.zeroLinePosition(), 3);
    // "-": the peak is 1000, so a 32000 full scale needs gain 1000/32000 to fill the view.
    int clicks = 0;
    while (v.amplitudeDownEnabled() && clicks < 20) {
        v.amplitudeDown();
        ++clicks;
    }
    EXPECT_EQ(s.displayGain, 1.0f / 32.0f);
    EXPECT_TRUE(v.amplitudeUpEnabled());
}

TEST(MainViewAmplitude, ZeroLineGivesZeroOffset)
{
    SignalState s = recording(1.0);
    MainView v(s, kW, kH);
    v.afterLoad();
    s.amplitudeScale = 0.01f;
    v.setZeroLinePosition(20);
    EXPECT_EQ(s.zeroOffset, -1999);
    s.bytesPerSample = 1;
    v.computeView();
    EXPECT_EQ(s.zeroOffset, -7);
    v.setZeroLinePosition(500);
    EXPECT_EQ(v.zeroLinePosition(), 100);
}

TEST(MainViewTimes, TypedDisplayIntervalIsOrderedAndClamped)
{
    SignalState s = recording(5.0);
    MainView v(s, kW, kH);
    v.afterLoad();
    v.typeTime(TimeField::DisplayStart, "3");
    EXPECT_FLOAT_EQ(s.displayStart, 3.0f);
    EXPECT_FLOAT_EQ(s.displayEnd, 5.0f);
    v.typeTime(TimeField::DisplayEnd, "1");
    EXPECT_FLOAT_EQ(s.displayStart, 1.0f);
    EXPECT_FLOAT_EQ(s.displayEnd, 3.0f);
    EXPECT_EQ(v.fieldText(TimeField::DisplayStart), "1.0000");
    // Both ends beyond the file: clamped first, then ordered.
    v.typeTime(TimeField::DisplayStart, "7");
    v.typeTime(TimeField::DisplayEnd, "9");
    EXPECT_LE(s.displayStart, s.displayEnd);
    EXPECT_LE(s.displayEnd, 5.0f);
    // Selections are stored as typed.
    v.typeTime(TimeField::SelectionEnd, "7.5");
    EXPECT_EQ(s.selectionEnd, 7.5f);
    EXPECT_EQ(v.fieldText(TimeField::SelectionEnd), "7.5000");
    v.typeTime(TimeField::SelectionStart, "1" + std::string(300, '0'));
    EXPECT_GT(s.selectionStart, 1e38f);
}

TEST(MainViewTimes, TenMillisecondsZoomsBelowOneFramePerColumn)
{
    SignalState s = recording(1.0);
    MainView v(s, kW, kH);
    v.afterLoad();
    v.typeTime(TimeField::DisplayStart, "0.5");
    v.typeTime(TimeField::DisplayEnd, "0.51");
    EXPECT_NEAR(s.samplesPerPixel, 160.0 / 665.0, 1e-3);
    EXPECT_FALSE(v.zoomOutEnabled() && s.samplesPerPixel >= s.maxSamplesPerPixel);
}

TEST(MainViewSelection, DragInBothDirectionsAndPastTheEdges)
{
    SignalState s = recording(2.0);
    MainView v(s, kW, kH);
    v.afterLoad();
    v.mousePress(100);
    v.mouseMove(300);
    v.mouseRelease(300);
    const float a = s.selectionStart, b = s.selectionEnd;
    EXPECT_LT(a, b);
    v.mousePress(300);
    v.mouseMove(100);
    v.mouseRelease(100);
    EXPECT_EQ(s.selectionStart, a);
    EXPECT_EQ(s.selectionEnd, b);
    v.mousePress(50);
    v.mouseRelease(-40);
    EXPECT_EQ(s.selectionStart, 0.0f);
    v.mousePress(600);
    v.mouseRelease(900);
    EXPECT_EQ(s.selectionEnd, s.fileDuration);
    // Wholly beyond the end: ordered and inside the file.
    v.zoomIn();
    v.setTimeScrollPosition(10000);
    v.mousePress(700);
    v.mouseRelease(800);
    EXPECT_LE(s.selectionStart, s.selectionEnd);
    EXPECT_EQ(s.selectionEnd, s.fileDuration);
    // A click without movement selects an empty interval at the click.
    v.mousePress(200);
    v.mouseRelease(200);
    EXPECT_EQ(s.selectionStart, s.selectionEnd);
}

TEST(MainViewSelection, ShowSelectionAndAll)
{
    SignalState s = recording(4.0);
    MainView v(s, kW, kH);
    v.afterLoad();
    s.selectionStart = 0.0f;
    s.selectionEnd = 0.0f;
    v.showSelection();
    EXPECT_FLOAT_EQ(s.displayEnd, 4.0f);
    s.selectionStart = 1.0f;
    s.selectionEnd = 2.0f;
    v.showSelection();
    EXPECT_NEAR(s.displayStart, 1.0f, 1e-3);
    EXPECT_NEAR(s.displayEnd, 2.0f, 1e-3);
    v.selectAll();
    EXPECT_EQ(s.selectionStart, 0.0f);
    EXPECT_EQ(s.selectionEnd, 4.0f);
    EXPECT_NEAR(s.displayStart, 1.0f, 1e-3);
}

TEST(MainViewPaint, GridSpacingAndFormats)
{
    SignalState s = recording(2.5);
    MainView v(s, kW, kH);
    v.afterLoad();
    auto g = v.grid();
    EXPECT_FLOAT_EQ(v.tickStep(), 0.5f);
    ASSERT_GE(g.size(), 6u);
    EXPECT_EQ(g[0].x, 0);
    EXPECT_EQ(g[0].label, "  0.0");
    EXPECT_EQ(g[1].label, "  0.5");
    EXPECT_EQ(g[1].x, 133);
    EXPECT_GE(g.back().x, kW);

    SignalState longOne = recording(600.0, 1000);
    MainView w(longOne, kW, kH);
    w.afterLoad();
    g = w.grid();
    EXPECT_FLOAT_EQ(w.tickStep(), 50.0f);
    EXPECT_EQ(g[1].label, " 50");
}

TEST(MainViewPaint, EnvelopeCoversEveryColumnButTheLast)
{
    SignalState s = recording(2.5);
    MainView v(s, kW, kH);
    v.afterLoad();
    const auto columns = v.envelope();
    ASSERT_FALSE(columns.empty());
    EXPECT_EQ(columns.front().x, 0);
    // 40000 frames over 665 columns: column i reads up to frame trunc((i + 1) × 60.15…);
    // column 665 would reach frame 40000, past the data, and stays empty.
    EXPECT_EQ(static_cast<int>(columns.size()), 665);
    EXPECT_EQ(columns.back().x, 664);
    for (const auto& c : columns)
        EXPECT_LE(c.yHi, c.yLo);
}

TEST(MainViewPaint, SummaryGivesTheSameExtremesAsAScan)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> d(-30000, 30000);
    std::vector<int> samples(200003);
    for (int& x : samples)
        x = d(rng);
    SignalState s = recording(0, 16000, 1, samples);
    EnvelopeSummary summary;
    for (auto [first, last] : {std::pair<int64_t, int64_t>{0, 255}, {3, 70000}, {256, 511}, {199000, 200002},
                               {5, 5}, {0, 200002}}) {
        int lo = 32767, hi = -32767, slo = 32767, shi = -32767;
        summary.widen(s, 0, first, last, lo, hi);
        for (int64_t f = first; f <= last; ++f) {
            slo = std::min(slo, frameSample(s, f, 0));
            shi = std::max(shi, frameSample(s, f, 0));
        }
        EXPECT_EQ(lo, slo) << first << ".." << last;
        EXPECT_EQ(hi, shi) << first << ".." << last;
    }
}

namespace {

// The extremes of frames [first, last] of `channel` read one by one.
std::pair<int, int> scannedExtremes(const SignalState& s, int channel, int64_t first, int64_t last)
{
    int lo = 32767, hi = -32767;
    for (int64_t f = first; f <= last; ++f) {
        lo = std::min(lo, frameSample(s, f, channel));
        hi = std::max(hi, frameSample(s, f, channel));
    }
    return {lo, hi};
}

}  // namespace

TEST(MainViewPaint, SummaryOfALongRecordingBuiltOnTwoCoresMatchesAScan)
{
    // Over a million stereo frames (the summary is built in two halves at once), in
    // 16 and 8 bits, whole and cut short inside a block, both channels.
    std::mt19937 rng(11);
    constexpr int kFrames = (1 << 20) + 1234;
    for (const int bits : {16, 8}) {
        // Positive samples only, so that a frame cut off (read as 0) lowers the minimum.
        Bytes data(static_cast<std::size_t>(kFrames) * 2 * static_cast<std::size_t>(bits / 8));
        std::uniform_int_distribution<int> low(0, 255), high(10, 120), unsignedByte(140, 250);
        for (std::size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<uint8_t>(bits == 8 ? unsignedByte(rng) : i % 2 == 0 ? low(rng) : high(rng));
        SignalState s;
        const LoadResult r =
            loadSoundBytes(makeWav({.channels = 2, .rateHz = 48000, .bitsPerSample = bits}, data), "t.wav", s, kW, kH);
        ASSERT_TRUE(r.ok) << r.reason;
        for (const bool cut : {false, true}) {
            if (cut)  // the last 1000 bytes gone: the frames there read 0
                s.fileBytes.resize(s.fileBytes.size() - 1001);
            for (const int channel : {0, 1}) {
                EnvelopeSummary summary;
                const int64_t last = s.frameCount() - 1;
                for (auto [first, end] : {std::pair<int64_t, int64_t>{0, last},
                                          {0, 255},
                                          {524288, 525311},
                                          {kFrames / 2 - 700, kFrames / 2 + 700},
                                          {last - 1500, last},
                                          {last / 256 * 256 - 256, last / 256 * 256 - 1}}) {
                    int lo = 32767, hi = -32767;
                    summary.widen(s, channel, first, end, lo, hi);
                    EXPECT_EQ(std::make_pair(lo, hi), scannedExtremes(s, channel, first, end))
                        << bits << " bits, cut " << cut << ", channel " << channel << ", " << first << ".." << end;
                }
            }
        }
    }
}

TEST(MainViewPaint, StereoChannelOneAndShading)
{
    std::vector<int> interleaved;
    for (int f = 0; f < 16000; ++f) {
        interleaved.push_back(100);
        interleaved.push_back(-5000);
    }
    SignalState s = recording(0, 16000, 2, interleaved);
    MainView v(s, kW, kH);
    v.afterLoad();
    v.setChannel(1);
    EXPECT_EQ(v.firstViewSample(), s.dataOffset + 1);
    const auto columns = v.envelope();
    ASSERT_FALSE(columns.empty());
    EXPECT_EQ(columns[5].yLo, columns[5].yHi);
    EXPECT_GT(columns[5].yLo, v.zeroY());  // a negative value is drawn below the zero line
    EXPECT_EQ(v.shadeLeftEnd(), -1);
    s.selectionStart = 0.5f;
    s.selectionEnd = 0.75f;
    EXPECT_EQ(v.shadeLeftEnd(), 332);
    EXPECT_EQ(v.shadeRightStart(), 498);
}

TEST(Playback, SliceInMillisecondsClampedToTheRecording)
{
    SignalState s = recording(1.0);
    s.selectionStart = 0.25f;
    s.selectionEnd = 0.75f;
    PlaySlice p = playSlice(s);
    EXPECT_EQ(p.startMs, 250);
    EXPECT_EQ(p.endMs, 750);
    EXPECT_EQ(p.firstFrame, 4000);
    EXPECT_EQ(p.endFrame, 12000);
    int channels = 0;
    EXPECT_EQ(playSamples(s, p, channels).size(), 8000u);
    EXPECT_EQ(channels, 1);
    s.selectionStart = -1.0f;
    s.selectionEnd = 9.0f;
    p = playSlice(s);
    EXPECT_EQ(p.firstFrame, 0);
    EXPECT_EQ(p.endFrame, 16000);
    s.selectionStart = 0.7f;
    s.selectionEnd = 0.2f;
    EXPECT_TRUE(playSlice(s).empty());
}

TEST(MainViewSize, AWiderViewOfAZoomedFileScrollsBackIntoTheFile)
{
    SignalState s = recording(2.0);
    MainView v(s, kW, kH);
    v.afterLoad();
    v.zoomIn();
    v.setTimeScrollPosition(v.scrollPositionFor(1.0));  // 1.0 … 2.0 s shown
    EXPECT_NEAR(s.displayEnd, 2.0, 1e-3);
    // Wider at the same scale the view would pass the file's end: its start moves back.
    v.setSize(2 * kW, kH);
    EXPECT_FLOAT_EQ(s.maxSamplesPerPixel, 32000.0f / (2 * kW));
    EXPECT_FLOAT_EQ(s.samplesPerPixel, s.maxSamplesPerPixel);  // no more than the whole file
    EXPECT_FLOAT_EQ(s.displayStart, 0.0f);
    EXPECT_FLOAT_EQ(s.displayEnd, 2.0f);
    EXPECT_FALSE(v.zoomOutEnabled());
}

TEST(MainViewScroll, AtLeastOneStepAndNeverPastTheEnds)
{
    SignalState s = recording(100.0);
    MainView v(s, kW, kH);
    v.afterLoad();
    for (int i = 0; i < 12; ++i)
        v.zoomIn();  // 665 × 0.39 frames: far less than one scroll step of the file
    v.scrollBy(0.1);
    EXPECT_EQ(v.timeScrollPosition(), 1);
    v.scrollBy(-0.1);
    v.scrollBy(-0.1);
    EXPECT_EQ(v.timeScrollPosition(), 0);
    EXPECT_FLOAT_EQ(s.displayStart, 0.0f);
}

TEST(MainViewReadout, TimeOnlyBeyondTheDataAndNothingWithoutAFile)
{
    SignalState none;
    EXPECT_EQ(MainView(none, kW, kH).readoutText(10), "");
    SignalState s = recording(1.0);
    MainView v(s, kW, kH);
    v.afterLoad();
    EXPECT_EQ(v.readoutText(700), "Time 1.0526 s");         // right of the last frame
    EXPECT_EQ(v.readoutText(0), "Time 0.0000 s  Value 0");  // the sine starts at 0
}
