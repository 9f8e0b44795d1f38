// Pages drawn finer than 192 dpi (a printer's own 300 or 600 dpi, up to 1200 for
// kelvox-render): the same page as at 192 dpi in finer pixels, in an 8-bit image of
// the page's own size; the screen and 192-dpi pages keep the plot window's image.
#include "plot_device.h"

#include "monochrome_bitmap.h"
#include "page_image_checks.h"
#include "print_service.h"

#include <QFontMetrics>
#include <gtest/gtest.h>

using namespace kelvox;
using namespace kelvox::test;

namespace {

// The black rows of column x over [y0, y1), as a list of row numbers.
std::vector<int> blackRowsOf(const QImage& image, int x, int y0, int y1)
{
    std::vector<int> rows;
    for (int y = y0; y < y1; ++y)
        if (isBlack(image, x, y))
            rows.push_back(y);
    return rows;
}

class FixedResolutionService : public PrintService {
public:
    explicit FixedResolutionService(int dpi) : m_dpi(dpi) {}
    std::string beginJob() override { return {}; }
    void drawPicture(const QImage&, const PageRect&, int) override {}
    std::string endJob() override { return {}; }
    void abortJob() override {}
    bool jobOpen() const override { return false; }
    int pageResolution() const override { return m_dpi; }

private:
    int m_dpi;
};

}  // namespace

TEST(FixedPixels, StayAsTheyAreUpTo192DpiAndScaleFromThereAbove)
{
    for (int dpi : {96, 150, 192}) {
        EXPECT_EQ(fixedPixels(4, dpi), 4);
        EXPECT_EQ(fixedPixels(-12, dpi), -12);
        EXPECT_EQ(fixedPixels(18, dpi), 18);
    }
    // 4 × 600/192 = 12.5, −12 × 600/192 = −37.5: halves go away from zero.
    EXPECT_EQ(fixedPixels(4, 600), 13);
    EXPECT_EQ(fixedPixels(-12, 600), -38);
    EXPECT_EQ(fixedPixels(18, 600), 56);  // 56.25
    EXPECT_EQ(fixedPixels(1, 600), 3);    // 3.125
    EXPECT_EQ(fixedPixels(2, 300), 3);    // 3.125
    EXPECT_EQ(fixedPixels(30, 300), 47);  // 46.875
    EXPECT_EQ(fixedPixels(1, 1200), 6);   // 6.25
    EXPECT_EQ(fixedPixels(0, 1200), 0);
}

TEST(FinePage, SixHundredDpiPageHasAnEightBitImageOfItsOwnSize)
{
    PlotDevice d;
    d.plotprinter(600);
    EXPECT_EQ(d.resolution(), 600);
    EXPECT_EQ(d.pageWidthPx(), 6680);   // 600 × 2828 div 254
    EXPECT_EQ(d.pageHeightPx(), 4724);  // 600 × 2000 div 254
    EXPECT_EQ(d.image().size(), QSize(6680, 4724));
    EXPECT_EQ(d.image().format(), QImage::Format_Grayscale8);
    EXPECT_EQ(d.image().dotsPerMeterX(), 23622);
    // Text cell 600 div 9, the line height's 2 pixels scaled like the rest.
    EXPECT_EQ(d.fontCellHeight(), 66);
    EXPECT_LE(QFontMetrics(d.font()).height(), 66);
    EXPECT_GE(QFontMetrics(d.font()).height(), 63);
    EXPECT_EQ(d.lineheight(), 72);
    EXPECT_EQ(d.labelOffsetY(), -38);

    // Back to the screen: the plot window's image again.
    d.plotscreen();
    EXPECT_EQ(d.image().size(), QSize(2136, 1514));
    EXPECT_EQ(d.image().format(), QImage::Format_RGB32);
    EXPECT_EQ(d.lineheight(), 12);
}

TEST(FinePage, ResolutionsOutsideTheRangeAreTakenToItsEnds)
{
    PlotDevice d;
    d.plotprinter(5000);
    EXPECT_EQ(d.resolution(), 1200);
    EXPECT_EQ(d.image().size(), QSize(13360, 9448));
    d.plotprinter(10);
    EXPECT_EQ(d.resolution(), 96);
    EXPECT_EQ(d.image().format(), QImage::Format_RGB32);
}

TEST(FinePage, PrintPagesAreDrawnAtTheResolutionOfThePrintService)
{
    PlotDevice d;
    d.plotprinter();
    EXPECT_EQ(d.resolution(), 192);  // no service: the classic print page
    FixedResolutionService printer(300);
    d.setPrintService(&printer);
    d.plotprinter();
    EXPECT_EQ(d.resolution(), 300);
    EXPECT_EQ(d.pageWidthPx(), 3340);
}

TEST(FinePage, PageOutlineLiesOnTheOutermost192DpiPixels)
{
    PlotDevice d;
    d.plotprinter(600);
    // Three pixels (one of 192 dpi) on each edge, inside the page.
    EXPECT_EQ(blackRuns(d.image(), 2000, 0, 6680).front(), 3);
    EXPECT_TRUE(isWhite(d.image(), 3, 2000));
    EXPECT_TRUE(isBlack(d.image(), 6677, 2000));
    EXPECT_TRUE(isWhite(d.image(), 6676, 2000));
    EXPECT_EQ(blackRowsOf(d.image(), 3000, 4700, 4724), (std::vector<int>{4721, 4722, 4723}));
}

TEST(FinePage, ThinLinesAreOne192DpiPixelWideToTheRightAndBelowTheirPoints)
{
    PlotDevice d;
    d.plotprinter(600);
    // Rightward: rows 100 … 102, columns 100 … 399 (the far end left out).
    d.plotmove(100, 100, 0);
    d.plotmove(400, 100, 1);
    EXPECT_EQ(blackRowsOf(d.image(), 250, 95, 110), (std::vector<int>{100, 101, 102}));
    EXPECT_EQ(blackRuns(d.image(), 101, 95, 410), (std::vector<int>{0, 5, 300, 10}));
    // Upward from row 900 to row 600: the pixel at 900 is drawn, the one at 600 is not,
    // each a 3 × 3 block below and right of its point.
    d.plotmove(1000, 900, 0);
    d.plotmove(1000, 600, 1);
    EXPECT_EQ(blackRuns(d.image(), 700, 995, 1010), (std::vector<int>{0, 5, 3, 7}));
    const std::vector<int> rows = blackRowsOf(d.image(), 1001, 590, 910);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front(), 603);
    EXPECT_EQ(rows.back(), 902);
    EXPECT_EQ(rows.size(), 300u);
}

TEST(FinePage, DashesKeepTheirLengthInMillimetres)
{
    PlotDevice d;
    d.plotprinter(600);
    struct Case {
        int mode;
        std::vector<int> runs;  // black, gap, black, ... (× 3 of the 192-dpi lengths)
    };
    const Case cases[] = {
        {5, {9, 9, 9, 9}},
        {9, {54, 18, 54, 18}},
        {13, {27, 18, 9, 18, 27}},
    };
    int y = 200;
    for (const Case& c : cases) {
        d.plotmove(100, y, 0);
        d.plotmove(600, y, c.mode);
        const std::vector<int> runs = blackRuns(d.image(), y + 1, 100, 601);
        ASSERT_GE(runs.size(), c.runs.size()) << "mode " << c.mode;
        for (std::size_t i = 0; i < c.runs.size(); ++i)
            EXPECT_EQ(runs[i], c.runs[i]) << "mode " << c.mode << " run " << i;
        y += 40;
    }
}

TEST(FinePage, WideLinesKeepTheir192DpiWidth)
{
    PlotDevice d;
    d.plotprinter(600);
    d.plotlw(2);
    d.plotmove(100, 1000, 0);
    d.plotmove(900, 1000, 5);  // wide lines are solid
    EXPECT_EQ(blackRowsOf(d.image(), 500, 980, 1020).size(), 6u);
    EXPECT_EQ(blackRuns(d.image(), 1000, 100, 900).front(), 800);
}

TEST(FinePage, TextOffsetsAndLineStepsScaleWithTheResolution)
{
    PlotDevice d;
    d.plotprinter(600);
    paintGrey(d);
    d.plotlabel(2000, 2000, "Hz");
    EXPECT_EQ(boxOfPixelsNot(d.image(), kGrey, QRect(1900, 1900, 300, 300)).topLeft(), QPoint(2013, 1962));

    paintGrey(d);
    d.plotlines(1000, 3000, "a\n\nb\n");
    const QRect all = boxOfPixelsNot(d.image(), kGrey, QRect(900, 2900, 400, 300));
    const int cell = QFontMetrics(d.font()).height();
    EXPECT_EQ(all.top(), 2962);                      // "a" at py − 38
    EXPECT_EQ(all.bottom(), 2962 + 112 + cell - 1);  // "b" two 56-pixel steps lower
}

TEST(FinePage, AFramedBoxCoversTheSameMillimetresAsAt192Dpi)
{
    // A box from 20 to 180 mm across and 30 to 120 mm down, framed, at both resolutions.
    const auto framedInk = [](int dpi) {
        PlotDevice d;
        d.plotprinter(dpi);
        const auto px = [dpi](int mm) { return pagePixels(mm * 10, dpi); };
        d.plotwindow(0, 0, 1, 1, px(20), px(120), px(180), px(30), 1);
        const QRect box = boxOfPixelsNot(d.image(), 0xFFFFFFFFu, QRect(px(10), px(20), px(180), px(110)));
        // Edges in millimetres: left and top edges, right and bottom past the last pixel.
        return std::array<double, 4>{box.left() * 25.4 / dpi, box.top() * 25.4 / dpi, (box.right() + 1) * 25.4 / dpi,
                                     (box.bottom() + 1) * 25.4 / dpi};
    };
    const std::array<double, 4> coarse = framedInk(192), fine = framedInk(600);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_NEAR(fine[i], coarse[i], 25.4 / 192) << "edge " << i;
}

TEST(FinePage, AScreenPageKeptDuringAFinePrintRunComesBackWhole)
{
    PlotDevice d;
    d.plotscreen();
    d.plotmove(10, 10, 0);
    d.plotmove(200, 10, 1);
    d.usedarea = {0, 0, 1068, 755};
    const QImage screen = d.image().copy();
    d.keepScreenPage();
    d.plotprinter(600);
    d.plotmove(100, 100, 0);
    d.plotmove(5000, 100, 1);
    d.restoreScreenPage();
    EXPECT_EQ(d.resolution(), 96);
    EXPECT_EQ(d.image().format(), QImage::Format_RGB32);
    EXPECT_TRUE(d.image() == screen);
    // Lines drawn on it have the screen's width again.
    d.plotmove(10, 50, 0);
    d.plotmove(200, 50, 1);
    EXPECT_EQ(blackRowsOf(d.image(), 100, 45, 56), std::vector<int>{50});
}

TEST(FinePage, BatchedLinesDrawThePageAsWithoutABatch)
{
    const auto compose = [](PlotDevice& d) {
        d.plotprinter(600);
        d.plotwindow(0, 0, 1, 1, 300, 3000, 3000, 300, 1);
        d.plotmove(400, 400, 0);
        d.plotmove(2000, 400, 5);
        d.plotmove(2000, 1500, 1);
        d.plotmove(1500, 1400, 1);
        d.plotlw(2);
        d.plotmove(600, 2500, 1);
        d.plotlw(1);
        d.plotlines(700, 700, "one\ntwo");
        d.plotmove(680, 690, 1);
        d.plotwindow(0, 0, 1, 1, 1200, 1200, 1500, 1350, 0);
        d.plotclear();
        d.plotmove(1100, 1300, 1);
    };
    PlotDevice plain;
    compose(plain);
    PlotDevice batched;
    {
        PlotDevice::LineBatch batch(batched);
        compose(batched);
    }
    EXPECT_TRUE(plain.image() == batched.image());
}

TEST(FinePage, EightBitPagesTurnBlackAndWhiteByTheSameRule)
{
    QImage gray(16, 2, QImage::Format_Grayscale8);
    const uchar values[] = {0, 1, 128, 200, 254, 255, 255, 0};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 16; ++x)
            gray.scanLine(y)[x] = values[(x + y) % 8];
    const QImage mono = monochromeArea(gray, {-2, 0, 15, 2});
    ASSERT_EQ(mono.format(), QImage::Format_Mono);
    for (int y = 0; y < 2; ++y)
        for (int x = -2; x < 15; ++x) {
            const bool white = x < 0 || values[(x + y) % 8] == 255;
            EXPECT_EQ(mono.pixelIndex(x + 2, y), white ? 1 : 0) << x << "," << y;
        }
    switchToMonochrome(gray);
    EXPECT_EQ(gray.format(), QImage::Format_Grayscale8);
    for (int x = 0; x < 16; ++x)
        EXPECT_EQ(gray.scanLine(0)[x], values[x % 8] == 255 ? 255 : 0) << x;
}
