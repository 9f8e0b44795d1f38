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
        f.st.topFrequency = 4000.0;
        resetRendererRows(f.st);
        f.st.blackLevel = 6.0f;
        f.st.grayRange = 40.0f;
    }
    void fill(float db) { std::fill(f.ws.AnalysisRe.begin(), f.ws.AnalysisRe.begin() + 129, db); }
    const QImage& image() const { return f.plot.image(); }
    int left() const { return f.st.spgmLeft; }
    int top() const { return f.st.spgmTop; }
    int bottom() const { return f.st.spgmTop + f.st.rowCount; }

    PageFixture f;
};

}  // namespace

TEST_F(DrawColumn, BlackAtTheBlackLevelWhiteBelowTheRange)
{
    fill(98.0f - 6.0f);
    drawcolumn(f.page, 0, 10);
    // Rows 1 … rowCount of the strip: every pixel black; the bottom row is not drawn.
    EXPECT_EQ(blackCount(image(), left(), top(), left() + 10, bottom()), 10 * f.st.rowCount);
    EXPECT_TRUE(isWhite(image(), left(), bottom()));

    fill(98.0f - 6.0f - 40.0f);
    drawcolumn(f.page, 10, 10);
    drawcolumn(f.page, 20, 10);
    // The second column blends from black; the third is white throughout.
    EXPECT_EQ(blackCount(image(), left() + 20, top(), left() + 30, bottom()), 0);
}

TEST_F(DrawColumn, HalfRangeDithersToHalfBlack)
{
    fill(98.0f - 6.0f - 20.0f);
    drawcolumn(f.page, 0, 40);
    const double share = blackCount(image(), left(), top(), left() + 40, bottom()) / (40.0 * f.st.rowCount);
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
    drawcolumn(f.page, 0, 1);  // first column of the page: blends from itself
    fill(0.0f);
    drawcolumn(f.page, 1, 1);  // shows the black column before it
    const QImage before = image().copy();
    drawcolumn(f.page, 2, 0);  // draws nothing
    EXPECT_EQ(image(), before);
    fill(98.0f - 6.0f);
    drawcolumn(f.page, 2, 1);  // shows the white (0 dB) column before it
    EXPECT_EQ(blackCount(image(), left(), top(), left() + 1, bottom()), f.st.rowCount);
    EXPECT_EQ(blackCount(image(), left() + 1, top(), left() + 2, bottom()), f.st.rowCount);
    EXPECT_EQ(blackCount(image(), left() + 2, top(), left() + 3, bottom()), 0);
}

TEST_F(DrawColumn, NothingAtOrRightOfTheStripsRightEdge)
{
    fill(98.0f - 6.0f);
    drawcolumn(f.page, 0, 1);
    const int width = f.st.spgmRight - f.st.spgmLeft;
    drawcolumn(f.page, width - 3, 10);
    EXPECT_EQ(blackCount(image(), f.st.spgmRight - 3, top(), f.st.spgmRight, bottom()), 3 * f.st.rowCount);
    EXPECT_EQ(blackCount(image(), f.st.spgmRight, top(), f.st.spgmRight + 8, bottom()), 0);
}

TEST_F(DrawColumn, ClipsToTheImageAndSkipsAnEmptyStrip)
{
    fill(98.0f - 6.0f);
    f.st.spgmLeft = image().width() - 4;
    f.st.spgmRight = image().width() + 50;
    drawcolumn(f.page, 0, 20);
    EXPECT_EQ(blackCount(image(), image().width() - 4, top(), image().width(), bottom()), 4 * f.st.rowCount);

    f.st.spgmLeft = 100;
    f.st.spgmRight = 200;
    f.st.spgmTop = image().height() - 5;  // the strip reaches below the image
    resetRendererRows(f.st);
    drawcolumn(f.page, 0, 5);
    EXPECT_EQ(blackCount(image(), 100, image().height() - 5, 105, image().height()), 25);

    const QImage before = image().copy();
    f.st.rowCount = 0;
    drawcolumn(f.page, 0, 5);
    f.st.rowCount = -40;  // a strip flipped upside down in the layout
    drawcolumn(f.page, 0, 5);
    EXPECT_EQ(image(), before);
}

TEST_F(DrawColumn, BarkAxisTakesTheLoudestBinOfEachSlot)
{
    f.st.barkCount = 4.0;
    f.st.topFrequency = 400.0;
    // 256-point bins of 62.5 Hz: six slot groups of the lower bins.
    f.st.barkSlots = 6;
    f.st.barkBins = {0, 1, 2, 3, 4, 5, 6, 7};
    fill(0.0f);
    f.ws.AnalysisRe[3] = 98.0f - 6.0f;
    drawcolumn(f.page, 0, 4);
    // Slot 3 holds the loud bin; the rows reach slot 6.4 at the top.
    const int row = bottom() - static_cast<int>(f.st.rowCount * 3 / (400.0 * 256 / 16000));
    EXPECT_TRUE(isBlack(image(), left() + 1, row));
    EXPECT_EQ(blackCount(image(), left(), top(), left() + 4, top() + 10), 0);
}
