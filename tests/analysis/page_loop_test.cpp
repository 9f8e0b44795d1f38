#include "page_loop.h"

#include "page_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kelvox;
using namespace kelvox::test;

TEST(Pagegeometry, ScalesTheLayoutToTheScreenPage)
{
    PageFixture f;  // lays out the built-in layout at 96 dpi
    const PageSubDisplay& spgm = f.st.sub[PageLayout::kSpectrogram];
    EXPECT_EQ(spgm.px0, 100 * 1068 / 2828);
    EXPECT_EQ(spgm.px1, 2800 * 1068 / 2828);
    EXPECT_EQ(spgm.py0, 900 * 755 / 2000);
    EXPECT_EQ(spgm.py1, 400 * 755 / 2000);
    EXPECT_EQ(f.st.spgmLeft, 37);
    EXPECT_EQ(f.st.spgmRight, 1057);
    EXPECT_EQ(f.st.spgmTop, 151);
    EXPECT_EQ(f.st.rowCount, 339 - 151);
    EXPECT_EQ(spgm.caption, "F spgm");
    EXPECT_DOUBLE_EQ(f.st.sub[PageLayout::kPitch].y1, std::log10(100.0) + 0.30103);
    EXPECT_TRUE(f.st.subOn[PageLayout::kWave]);
    const PageSubDisplay& frame = f.st.sub[PageLayout::kFrame];
    EXPECT_EQ(f.plot.usedarea, (PageRect{frame.px0, frame.py0 - 30, frame.px1 + 2, frame.py1 + 2}));
    EXPECT_EQ(f.plot.lineheight(), 16);  // text size 1: 96/6 pixels
}

TEST(Pagegeometry, PrintSizeShrinksTowardTheWaveformCornerAndCapsAtFullSize)
{
    PageFixture half;
    half.st.printScale = 0.5;
    half.signal.pageTimeScale = 100.0f;
    pagegeometry(half.page, builtInLayout());
    const int a = 100 * 1068 / 2828, b = 350 * 755 / 2000;
    const PageSubDisplay& spgm = half.st.sub[PageLayout::kSpectrogram];
    EXPECT_EQ(spgm.px0, a);
    EXPECT_EQ(spgm.px1, a + (2800 * 1068 / 2828 - a) / 2);
    EXPECT_EQ(spgm.py1, b + static_cast<int>((400 * 755 / 2000 - b) * 0.5));
    EXPECT_FLOAT_EQ(half.signal.pageTimeScale, 50.0f);
    EXPECT_EQ(half.plot.lineheight(), static_cast<int>(96 * std::sqrt(0.5) / 6));

    PageFixture large;
    large.st.printScale = 1.5;
    large.signal.pageTimeScale = 100.0f;
    pagegeometry(large.page, builtInLayout());
    EXPECT_DOUBLE_EQ(large.st.printScale, 1.0);
    EXPECT_FLOAT_EQ(large.signal.pageTimeScale, 100.0f);
    EXPECT_EQ(large.st.spgmRight, 1057);
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
        f.st.keepBack = 4096;
        f.st.analysisStart = 0.0f;
        f.st.analysisEnd = f.signal.fileDuration;
        f.st.bufferOrigin = 0;
        f.st.gainFactor = 1.0f;
        fillSampleBuffer(f.page);
        f.st.pageTime = 0.0;
        f.st.analysisPos = 0;
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
        if (st.analysisPos < 0 || st.analysisPos >= st.bufferFill || st.bufferFill > kBufferSamples)
            ++outside;
        else if (st.SampleBuffer[static_cast<size_t>(st.analysisPos)] !=
                 frameSample(run.f.signal, int64_t{st.bufferOrigin} + st.analysisPos, 0))
            ++misplaced;
        largestOrigin = std::max(largestOrigin, st.bufferOrigin);
    };
    int pages = 0;
    while (st.bufferFill > 0 && pages < 100) {
        ASSERT_TRUE(drawpage(run.f.page));
        st.analysisStart = static_cast<float>(st.pageTime);
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
    f.st.bufferOrigin = 1000;
    fillSampleBuffer(f.page);
    EXPECT_EQ(f.st.bufferFill, 0);
    f.st.bufferOrigin = 990;
    fillSampleBuffer(f.page);
    EXPECT_EQ(f.st.bufferFill, 10);
    EXPECT_EQ(f.st.bufferHigh, 10);
    EXPECT_EQ(f.st.SampleBuffer[9], 5);
    EXPECT_EQ(f.st.SampleBuffer[10], 0);
}

TEST(Drawpage, AnIntervalShorterThanAPageEndsWithItsFrame)
{
    LongRun run(8000);  // half a second
    SpectrogramState& st = run.f.st;
    st.analysisEnd = 0.25f;
    ASSERT_TRUE(drawpage(run.f.page));
    EXPECT_EQ(st.bufferFill, 0);  // the run's last page
    EXPECT_GE(st.pageTime, 0.25);
    EXPECT_LT(st.pageTime, 0.25 + 80 / 16000.0 + 1e-9);
    // The frame and axes are there: the spectrogram's right edge is a solid line.
    const QImage& image = run.f.plot.image();
    EXPECT_EQ(blackCount(image, st.spgmRight, st.spgmTop + 20, st.spgmRight + 1, st.spgmTop + 120), 100);
    // The tone's rows are black up to where the interval ends, and only the grid's
    // dots lie beyond.
    const int row = st.spgmTop + st.rowCount - st.rowCount * 3 / 8;
    const int end = st.spgmLeft + static_cast<int>(0.25 * st.pixelsPerSecond);
    const double before = blackCount(image, st.spgmLeft + 10, row - 2, end - 2, row + 3) / (5.0 * (end - 12 - st.spgmLeft));
    const double after = blackCount(image, end + 2, row - 2, st.spgmRight, row + 3) / (5.0 * (st.spgmRight - end - 2));
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
    EXPECT_LT(run.f.st.pageTime, 0.5);  // a few refreshes of 32 pixels into the page
}
