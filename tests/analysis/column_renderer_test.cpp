#include "column_renderer.h"

#include "page_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace kelvox;
using namespace kelvox::test;

namespace {

class DrawColumn : public testing::Test {
protected:
    void SetUp() override
    {
        f.useFourier(256, 160, 80);
        // Rows up to bin 64: none of them reads the zero above the last bin.
        f.p.topFrequency = 4000.0;
        resetRendererRows(f.st.renderer, f.p.geometry.rowCount);
        f.p.blackLevel = 6.0f;
        f.p.grayRange = 40.0f;
    }
    void fill(float db) { std::fill(f.ws.AnalysisRe.begin(), f.ws.AnalysisRe.begin() + 129, db); }
    const QImage& image() const { return f.plot.image(); }
    int left() const { return f.p.geometry.spgmLeft; }
    int top() const { return f.p.geometry.spgmTop; }
    int bottom() const { return f.p.geometry.spgmTop + f.p.geometry.rowCount; }

    PageFixture f;
};

}  // namespace

TEST_F(DrawColumn, BlackAtTheBlackLevelWhiteBelowTheRange)
{
    fill(98.0f - 6.0f);
    f.drawColumn(0, 10);
    // Rows 1 … rowCount of the strip: every pixel black; the bottom row is not drawn.
    EXPECT_EQ(blackCount(image(), left(), top(), left() + 10, bottom()), 10 * f.p.geometry.rowCount);
    EXPECT_TRUE(isWhite(image(), left(), bottom()));

    fill(98.0f - 6.0f - 40.0f);
    f.drawColumn(10, 10);
    f.drawColumn(20, 10);
    // The second column blends from black; the third is white throughout.
    EXPECT_EQ(blackCount(image(), left() + 20, top(), left() + 30, bottom()), 0);
}

TEST_F(DrawColumn, HalfRangeDithersToHalfBlack)
{
    fill(98.0f - 6.0f - 20.0f);
    f.drawColumn(0, 40);
    const double share = blackCount(image(), left(), top(), left() + 40, bottom()) / (40.0 * f.p.geometry.rowCount);
    EXPECT_NEAR(share, 0.5, 0.03);
    // Checker-like: no long runs of one colour up a pixel column.
    int longest = 0, run = 0;
    for (int y = top(); y < bottom(); ++y) {
        run = isBlack(image(), left() + 20, y) ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    EXPECT_LE(longest, 2);
}

TEST_F(DrawColumn, WidthOneShowsThePreviousColumnWidthZeroNothing)
{
    fill(98.0f - 6.0f);
    f.drawColumn(0, 1);  // first column of the page: blends from itself
    fill(0.0f);
    f.drawColumn(1, 1);  // shows the black column before it
    const QImage before = image().copy();
    f.drawColumn(2, 0);  // draws nothing
    EXPECT_EQ(image(), before);
    fill(98.0f - 6.0f);
    f.drawColumn(2, 1);  // shows the white (0 dB) column before it
    EXPECT_EQ(blackCount(image(), left(), top(), left() + 1, bottom()), f.p.geometry.rowCount);
    EXPECT_EQ(blackCount(image(), left() + 1, top(), left() + 2, bottom()), f.p.geometry.rowCount);
    EXPECT_EQ(blackCount(image(), left() + 2, top(), left() + 3, bottom()), 0);
}

TEST_F(DrawColumn, NothingAtOrRightOfTheStripsRightEdge)
{
    fill(98.0f - 6.0f);
    f.drawColumn(0, 1);
    const int width = f.p.geometry.spgmRight - f.p.geometry.spgmLeft;
    f.drawColumn(width - 3, 10);
    EXPECT_EQ(blackCount(image(), f.p.geometry.spgmRight - 3, top(), f.p.geometry.spgmRight, bottom()),
              3 * f.p.geometry.rowCount);
    EXPECT_EQ(blackCount(image(), f.p.geometry.spgmRight, top(), f.p.geometry.spgmRight + 8, bottom()), 0);
}

TEST_F(DrawColumn, ClipsToTheImageAndSkipsAnEmptyStrip)
{
    fill(98.0f - 6.0f);
    f.p.geometry.spgmLeft = image().width() - 4;
    f.p.geometry.spgmRight = image().width() + 50;
    f.drawColumn(0, 20);
    EXPECT_EQ(blackCount(image(), image().width() - 4, top(), image().width(), bottom()), 4 * f.p.geometry.rowCount);

    f.p.geometry.spgmLeft = 100;
    f.p.geometry.spgmRight = 200;
    f.p.geometry.spgmTop = image().height() - 5;  // the strip reaches below the image
    resetRendererRows(f.st.renderer, f.p.geometry.rowCount);
    f.drawColumn(0, 5);
    EXPECT_EQ(blackCount(image(), 100, image().height() - 5, 105, image().height()), 25);

    const QImage before = image().copy();
    f.p.geometry.rowCount = 0;
    f.drawColumn(0, 5);
    f.p.geometry.rowCount = -40;  // a strip flipped upside down in the layout
    f.drawColumn(0, 5);
    EXPECT_EQ(image(), before);
}

TEST_F(DrawColumn, BarkAxisTakesTheLoudestBinOfEachSlot)
{
    f.p.barkCount = 4.0;
    f.p.topFrequency = 400.0;
    // 256-point bins of 62.5 Hz: six slot groups of the lower bins.
    f.p.barkSlots = 6;
    f.p.barkBins = {0, 1, 2, 3, 4, 5, 6, 7};
    fill(0.0f);
    f.ws.AnalysisRe[3] = 98.0f - 6.0f;
    f.drawColumn(0, 4);
    // Slot 3 holds the loud bin; the rows reach slot 6.4 at the top.
    const int row = bottom() - static_cast<int>(f.p.geometry.rowCount * 3 / (400.0 * 256 / 16000));
    EXPECT_TRUE(isBlack(image(), left() + 1, row));
    EXPECT_EQ(blackCount(image(), left(), top(), left() + 4, top() + 10), 0);
}
