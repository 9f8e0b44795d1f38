// Spectrogram runs that mark a chosen label file: TextGrid marks in the columns of
// the same .mix labels, the mark at time 0, marks outside the interval, the label
// row in the gap above the spectrogram, and what the window is told.
#include "run_fixture.h"

#include "label_files.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <vector>

using namespace kelvox;
using namespace kelvox::test;

namespace {

// Black pixels of `image` in columns x0 … x1 − 1, rows y0 … y1 − 1.
int inkIn(const QImage& image, int x0, int y0, int x1, int y1)
{
    int ink = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            ink += qGray(image.pixel(x, y)) < 128;
    return ink;
}

// Times off the 0.2 s time grid, so that a tick never meets a dotted grid line.
const std::vector<GridTier> kWords = {
    {"words", false, {{0.0, 0.33, ""}, {0.33, 0.77, "ðə"}, {0.77, 1.13, "bɜːd"}, {1.13, 1.9, "gone"}}},
    {"stress", true, {{0.5, 0, "ˈ"}}},
};

struct MarkedRun {
    RunFixture f{noisyTone(440.0, 16000, 2.0, 3000.0)};
    TempFolder dir;
    std::vector<QImage> pages;

    MarkedRun() { f.settings.timeScaleText = "100"; }

    void run(int dpi = 96)
    {
        pages.clear();
        RecordingHost host;
        // The page itself: the image around it keeps what earlier pages left there.
        host.onPage = [this](int) {
            pages.push_back(f.plot.image().copy(0, 0, f.plot.pageWidthPx(), f.plot.pageHeightPx()));
        };
        f.runPages(host, dpi);
    }

    // Whether the page shows a label tick (the 10 pixels above the waveform strip's
    // bottom) in the column of `seconds` or the next, with the page starting at `start`.
    bool tickAt(double seconds, double start = 0.0) const
    {
        const PageBox& wave = f.p.geometry.sub[PageLayout::kWave];
        const int x = wave.px0 + static_cast<int>((seconds - start) * f.p.pixelsPerSecond);
        for (int dx = 0; dx <= 1; ++dx)
            if (qGray(pages.front().pixel(x + dx, wave.py0 - 3)) < 128)
                return true;
        return false;
    }
};

}  // namespace

TEST(SpectrogramLabels, TextGridMarksLandInTheColumnsOfTheSameMixLabels)
{
    for (int dpi : {96, 192}) {
        // Fresh owners for each: what runs keep (the pitch estimate, filter
        // memories) would tell two runs apart otherwise.
        MarkedRun mix, r;
        // In sample numbers: a .mix time in seconds is summed in single precision
        // and may land a sample early ("FR 0.770" on 12319 at 16 kHz).
        mix.f.labelFile = mix.dir.write("take.mix", "FR 5280 ðə\nFR 12320 bɜːd\nFR 18080 gone\n");
        mix.run(dpi);
        r.f.labelChoice = {r.dir.write("take.TextGrid", longTextGrid(kWords, 1.9)), "words"};
        r.run(dpi);
        ASSERT_EQ(r.pages.size(), mix.pages.size());
        EXPECT_TRUE(r.pages.front() == mix.pages.front()) << dpi;
        EXPECT_TRUE(r.tickAt(0.33) && r.tickAt(0.77) && r.tickAt(1.13)) << dpi;
    }
}

TEST(SpectrogramLabels, AMarkAtTimeZeroStandsAtTheLeftEdgeAndTheOthersFollow)
{
    MarkedRun r;
    std::vector<GridTier> tiers = kWords;
    tiers[0].entries[0].text = "start";
    r.f.labelChoice = {r.dir.write("take.TextGrid", shortTextGrid(tiers, 1.9)), ""};
    r.run();
    const PageBox& wave = r.f.p.geometry.sub[PageLayout::kWave];
    // The left frame line carries the tick; its text begins 4 pixels to the right.
    EXPECT_GT(inkIn(r.pages.front(), wave.px0 + 4, wave.py0 + 1, wave.px0 + 30, r.f.p.geometry.spgmTop), 10);
    EXPECT_TRUE(r.tickAt(0.33) && r.tickAt(0.77) && r.tickAt(1.13));
}

TEST(SpectrogramLabels, MarksBeforeTheIntervalAreSkippedAndOneAfterItEndsTheLabels)
{
    MarkedRun r;
    r.f.signal.selectionStart = 0.5f;
    r.f.signal.selectionEnd = 1.0f;
    // 0.497 s lies in the half window the buffer holds before the interval.
    const std::vector<GridTier> tiers = {
        {"t", true, {{0.2, 0, "gone"}, {0.497, 0, "early"}, {0.77, 0, "in"}, {1.002, 0, "late"}}}};
    r.f.labelChoice = {r.dir.write("take.TextGrid", longTextGrid(tiers, 1.9)), ""};
    r.run();
    ASSERT_EQ(r.pages.size(), 1u);
    EXPECT_TRUE(r.tickAt(0.77, 0.5));
    EXPECT_FALSE(r.tickAt(1.002, 0.5));
    // No text at the left edge.
    const PageBox& wave = r.f.p.geometry.sub[PageLayout::kWave];
    EXPECT_EQ(inkIn(r.pages.front(), wave.px0 + 1, wave.py0 + 1, wave.px0 + 40, r.f.p.geometry.spgmTop), 0);
}

TEST(SpectrogramLabels, NoLabelIsCutByTheSpectrogramsTopFrame)
{
    for (int dpi : {96, 192}) {
        MarkedRun r;
        r.f.labelChoice = {r.dir.write("take.TextGrid", longTextGrid(kWords, 1.9)), ""};
        r.run(dpi);
        // "gone" as the page font draws it alone, and what of it the page shows
        // between the waveform strip and the spectrogram.
        const QString word = QStringLiteral("gone");
        QImage alone(200, 100, QImage::Format_RGB32);
        alone.fill(Qt::white);
        {
            QPainter p(&alone);
            p.setFont(r.f.plot.font());
            p.setPen(Qt::black);
            p.drawText(QPoint(10, 50), word);
        }
        const int ink = inkIn(alone, 0, 0, alone.width(), alone.height());
        const PageBox& wave = r.f.p.geometry.sub[PageLayout::kWave];
        const int x0 = wave.px0 + static_cast<int>(1.13 * r.f.p.pixelsPerSecond) + PlotDevice::kLabelDx;
        const int width = QFontMetrics(r.f.plot.font()).horizontalAdvance(word);
        EXPECT_GT(ink, 20);
        EXPECT_EQ(inkIn(r.pages.front(), x0, wave.py0 + 1, x0 + width, r.f.p.geometry.spgmTop), ink) << dpi;
    }
}

TEST(SpectrogramLabels, AChosenFileReplacesTheMixAndAnUnusableOneIsReported)
{
    MarkedRun r;
    r.f.labelFile = r.dir.write("take.mix", "FR 0.500 mix\n");
    r.f.labelChoice = {r.dir.write("take.phn", "5280 9000 ðə\n"), ""};
    r.run();
    EXPECT_TRUE(r.tickAt(0.33));
    EXPECT_FALSE(r.tickAt(0.5));
    EXPECT_EQ(r.f.run.labelSourceText(), "Labels: take.phn");

    r.f.labelChoice = {r.dir.write("bad.TextGrid", "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n0\n"), ""};
    testing::internal::CaptureStdout();
    r.run();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("Label file >" + r.f.labelChoice.fileName + "< not used: line ", 0), 0u) << out;
    EXPECT_FALSE(r.tickAt(0.5));
    EXPECT_EQ(r.pages.size(), 1u);
}

TEST(SpectrogramLabels, TheWindowIsToldWhichFileAndTierThePagesMark)
{
    RunFixture f(noisyTone(440.0, 16000, 0.5, 3000.0));
    EXPECT_EQ(f.run.labelSourceText(), "Labels: none");
    f.labelFile = "/data/v1.2/take.mix";
    EXPECT_EQ(f.run.labelSourceText(), "Labels: take.mix");
    f.labelChoice = {"/data/take.TextGrid", "phones"};
    EXPECT_EQ(f.run.labelSourceText(), "Labels: take.TextGrid, tier \"phones\"");
}
