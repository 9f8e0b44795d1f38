#include "page_loop.h"

#include "page_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kelvox;
using namespace kelvox::test;

TEST(Pagegeometry, ScalesTheLayoutToTheScreenPage)
{
    PageFixture f;  // lays out the built-in layout at 96 dpi
    const PageBox& spgm = f.p.geometry.sub[PageLayout::kSpectrogram];
    EXPECT_EQ(spgm.px0, 100 * 1068 / 2828);
    EXPECT_EQ(spgm.px1, 2800 * 1068 / 2828);
    EXPECT_EQ(spgm.py0, 900 * 755 / 2000);
    EXPECT_EQ(spgm.py1, 400 * 755 / 2000);
    EXPECT_EQ(f.p.geometry.spgmLeft, 37);
    EXPECT_EQ(f.p.geometry.spgmRight, 1057);
    EXPECT_EQ(f.p.geometry.spgmTop, 151);
    EXPECT_EQ(f.p.geometry.rowCount, 339 - 151);
    EXPECT_EQ(spgm.caption, "F spgm");
    EXPECT_DOUBLE_EQ(f.p.geometry.sub[PageLayout::kPitch].y1, std::log10(100.0) + 0.30103);
    EXPECT_TRUE(f.p.geometry.subOn[PageLayout::kWave]);
    const PageBox& frame = f.p.geometry.sub[PageLayout::kFrame];
    EXPECT_EQ(f.plot.usedarea, (PageRect{frame.px0, frame.py0 - 30, frame.px1 + 2, frame.py1 + 2}));
    EXPECT_EQ(f.plot.lineheight(), 16);  // text size 1: 96/6 pixels
}

TEST(Pagegeometry, PrintSizeShrinksTowardTheWaveformCornerAndCapsAtFullSize)
{
    const SpectrogramGeometry half = pagegeometry(builtInLayout(), 1068, 755, 0.5);
    const int a = 100 * 1068 / 2828, b = 350 * 755 / 2000;
    const PageBox& spgm = half.sub[PageLayout::kSpectrogram];
    EXPECT_EQ(spgm.px0, a);
    EXPECT_EQ(spgm.px1, a + (2800 * 1068 / 2828 - a) / 2);
    EXPECT_EQ(spgm.py1, b + static_cast<int>((400 * 755 / 2000 - b) * 0.5));
    EXPECT_FLOAT_EQ(half.textSize, static_cast<float>(std::sqrt(0.5)));

    const SpectrogramGeometry large = pagegeometry(builtInLayout(), 1068, 755, 1.5);
    EXPECT_FLOAT_EQ(large.textSize, 1.0f);
    EXPECT_EQ(large.spgmRight, 1057);
}

TEST(BufferOrigin, HalfAWindowBeforeTheStartOnAnEvenBoundary)
{
    EXPECT_EQ(bufferOriginFor(0.1, 16000.0, 160), 1520);
    EXPECT_EQ(bufferOriginFor(0.1, 16000.0, 161), 1519);  // 3039 → 3038 → 1519
    EXPECT_EQ(bufferOriginFor(0.001, 16000.0, 160), 0);
    EXPECT_EQ(bufferOriginFor(-5.0, 16000.0, 160), 0);
    EXPECT_GT(bufferOriginFor(1e30, 16000.0, 160), 0);  // saturates
}

namespace {

// The pages of a recording drawn one after another: a 3 kHz tone on a ramp, so that
// every sample position holds its own value.
struct LongRun {
    explicit LongRun(int frames)
    {
        std::vector<int> samples(static_cast<size_t>(frames));
        for (int i = 0; i < frames; ++i)
            samples[static_cast<size_t>(i)] =
                i % 20000 - 10000 + static_cast<int>(std::lround(3000 * std::sin(2 * 3.141592653589793 * 3000 * i / 16000.0)));
        f.signal = recording(samples, 16000);
        f.signal.selectedChannel = 0;
        f.useFourier(256, 160, 80);
        f.st.buffer.keepBack = 4096;
        f.st.cursor.analysisStart = 0.0f;
        f.p.analysisEnd = f.signal.fileDuration;
        f.st.buffer.bufferOrigin = 0;
        f.p.conditioning.gainFactor = 1.0f;
        fillSampleBuffer(f.signal, f.p, f.st.buffer, f.st.highPass);
        f.st.cursor.pageTime = 0.0;
        f.st.cursor.analysisPos = 0;
    }

    PageFixture f;
};

}  // namespace

TEST(SampleBuffer, SlidesThroughALongRecordingKeepingPositionsInside)
{
    LongRun run(50000);
    SpectrogramState& st = run.f.st;
    int pairs = 0, misplaced = 0, outside = 0, largestOrigin = 0;
    run.f.page.trackSink = [&](const PairTrack&) {
        ++pairs;
        if (st.cursor.analysisPos < 0 || st.cursor.analysisPos >= st.buffer.bufferFill ||
            st.buffer.bufferFill > kBufferSamples)
            ++outside;
        else if (st.buffer.SampleBuffer[static_cast<size_t>(st.cursor.analysisPos)] !=
                 frameSample(run.f.signal, int64_t{st.buffer.bufferOrigin} + st.cursor.analysisPos, 0))
            ++misplaced;
        largestOrigin = std::max(largestOrigin, st.buffer.bufferOrigin);
    };
    int pages = 0;
    while (st.buffer.bufferFill > 0 && pages < 100) {
        ASSERT_TRUE(drawpage(run.f.page));
        st.cursor.analysisStart = static_cast<float>(st.cursor.pageTime);
        ++pages;
    }
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(misplaced, 0);
    EXPECT_GT(largestOrigin, 16384);  // the buffer moved on
    // Every pair of the recording but its last dataOffset (0) frames was analysed.
    EXPECT_NEAR(pairs, 50000 / 80, 2);
    EXPECT_EQ(pages, 2);  // 3.125 s at 2.7 s per page (1020 px at 377 px/s)
}

TEST(SampleBuffer, AFillBeyondTheDataGetsNothing)
{
    PageFixture f;
    f.signal = recording(std::vector<int>(1000, 5), 16000);
    f.st.buffer.bufferOrigin = 1000;
    fillSampleBuffer(f.signal, f.p, f.st.buffer, f.st.highPass);
    EXPECT_EQ(f.st.buffer.bufferFill, 0);
    f.st.buffer.bufferOrigin = 990;
    fillSampleBuffer(f.signal, f.p, f.st.buffer, f.st.highPass);
    EXPECT_EQ(f.st.buffer.bufferFill, 10);
    EXPECT_EQ(f.st.buffer.bufferHigh, 10);
    EXPECT_EQ(f.st.buffer.SampleBuffer[9], 5);
    EXPECT_EQ(f.st.buffer.SampleBuffer[10], 0);
}

TEST(Drawpage, AnIntervalShorterThanAPageEndsWithItsFrame)
{
    LongRun run(8000);  // half a second
    SpectrogramState& st = run.f.st;
    SpectrogramParameters& p = run.f.p;
    p.analysisEnd = 0.25f;
    ASSERT_TRUE(drawpage(run.f.page));
    EXPECT_EQ(st.buffer.bufferFill, 0);  // the run's last page
    EXPECT_GE(st.cursor.pageTime, 0.25);
    EXPECT_LT(st.cursor.pageTime, 0.25 + 80 / 16000.0 + 1e-9);
    // The frame and axes are there: the spectrogram's right edge is a solid line.
    const QImage& image = run.f.plot.image();
    EXPECT_EQ(blackCount(image, p.geometry.spgmRight, p.geometry.spgmTop + 20, p.geometry.spgmRight + 1,
                         p.geometry.spgmTop + 120),
              100);
    // The tone's rows are black up to where the interval ends, and only the grid's
    // dots lie beyond.
    const int row = p.geometry.spgmTop + p.geometry.rowCount - p.geometry.rowCount * 3 / 8;
    const int end = p.geometry.spgmLeft + static_cast<int>(0.25 * p.pixelsPerSecond);
    const double before = blackCount(image, p.geometry.spgmLeft + 10, row - 2, end - 2, row + 3) /
                          (5.0 * (end - 12 - p.geometry.spgmLeft));
    const double after =
        blackCount(image, end + 2, row - 2, p.geometry.spgmRight, row + 3) / (5.0 * (p.geometry.spgmRight - end - 2));
    EXPECT_GT(before, 0.7);
    EXPECT_LT(after, 0.05);
}

TEST(Drawpage, StopsAtARefreshPointWhenAsked)
{
    LongRun run(50000);
    int polls = 0;
    run.f.page.stopRequested = [&polls] { return ++polls >= 3; };
    EXPECT_FALSE(drawpage(run.f.page));
    EXPECT_EQ(polls, 3);
    EXPECT_LT(run.f.st.cursor.pageTime, 0.5);  // a few refreshes of 32 pixels into the page
}
