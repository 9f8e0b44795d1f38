#include "plot_device.h"

#include "page_image_checks.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>
#include <gtest/gtest.h>

#include <cmath>
#include <utility>

using namespace kelvox;
using namespace kelvox::test;

namespace {

// Pages compare text widths against the font the layout was made for.
void requireArial(const PlotDevice& d)
{
    ASSERT_EQ(QFontInfo(d.font()).family().toStdString(), "Liberation Sans")
        << "\"Arial\" must resolve to Liberation Sans (fonts-liberation2)";
}

}  // namespace

// --- page begin ------------------------------------------------------------------

TEST(PlotDevicePage, StartsAtScreenResolutionBeforeAnyPage)
{
    PlotDevice d;
    EXPECT_EQ(d.resolution(), 96);
    EXPECT_EQ(d.pageHeightPx(), 755);
    EXPECT_EQ(d.image().size(), QSize(2136, 1514));
    EXPECT_EQ(d.image().format(), QImage::Format_RGB32);
    EXPECT_TRUE(d.usedarea.isEmpty());
}

TEST(PlotDevicePage, ScreenPageSizeAndTextCell)
{
    PlotDevice d;
    requireArial(d);
    d.plotprinter();
    d.plotscreen();
    EXPECT_EQ(d.resolution(), 96);
    EXPECT_EQ(d.pageWidthPx(), 1068);
    EXPECT_EQ(d.pageHeightPx(), 755);
    EXPECT_EQ(d.fontCellHeight(), 10);
    EXPECT_EQ(QFontMetrics(d.font()).height(), 10);
    EXPECT_EQ(d.lineheight(), 12);
    EXPECT_EQ(d.image().dotsPerMeterX(), 3780);
}

TEST(PlotDevicePage, PrintPageSizeAndTextCell)
{
    PlotDevice d;
    requireArial(d);
    d.plotprinter();
    EXPECT_EQ(d.resolution(), 192);
    EXPECT_EQ(d.pageWidthPx(), 2137);
    EXPECT_EQ(d.pageHeightPx(), 1511);
    EXPECT_EQ(d.fontCellHeight(), 21);
    EXPECT_EQ(QFontMetrics(d.font()).height(), 21);
    EXPECT_EQ(d.lineheight(), 23);
    EXPECT_EQ(d.image().dotsPerMeterY(), 7559);
    EXPECT_FALSE(d.font().styleStrategy() & QFont::PreferAntialias);
    EXPECT_TRUE(d.font().styleStrategy() & QFont::NoAntialias);
}

TEST(PlotDevicePage, PageBeginWhitensThePageAndOutlinesIt)
{
    PlotDevice d;
    paintGrey(d);
    d.plotscreen();
    EXPECT_TRUE(isWhite(d.image(), 500, 400));
    EXPECT_TRUE(isBlack(d.image(), 0, 400));
    EXPECT_TRUE(isBlack(d.image(), 1067, 400));
    EXPECT_TRUE(isBlack(d.image(), 500, 754));
    // Outside the page nothing of an earlier (larger) page remains.
    EXPECT_TRUE(isWhite(d.image(), 1068, 400));
    EXPECT_TRUE(isWhite(d.image(), 2000, 1500));
}

TEST(PlotDevicePage, PageBeginGivesACleanPenAndKeepsTheWindow)
{
    PlotDevice d;
    d.plotlw(3);
    d.plotcolor(4);
    d.plotwindow(0, 0, 10, 10, 100, 100, 200, 200, 0);
    d.plotprinter();
    EXPECT_EQ(d.lineWidth(), 1);
    EXPECT_EQ(d.colour(), 0);
    EXPECT_EQ(d.plotxpix(5), 150);

    // The last line of a run was dotted: the next page's outline is solid all the same.
    d.plotmove(10, 10, 0);
    d.plotmove(300, 10, 5);
    d.plotscreen();
    EXPECT_EQ(blackRuns(d.image(), 0, 0, 1068), std::vector<int>{1068});
    EXPECT_EQ(blackRuns(d.image(), 754, 0, 1068), std::vector<int>{1068});
}

TEST(PlotDevicePage, TextSizeInSixthsOfAnInch)
{
    PlotDevice d;
    d.plotscreen();
    d.plottextsize(1.0f);
    EXPECT_EQ(d.fontCellHeight(), 16);
    EXPECT_EQ(d.lineheight(), 16);  // no + 2 here
    EXPECT_LE(QFontMetrics(d.font()).height(), 16);
    d.plotprinter();
    d.plottextsize(0.5f);
    EXPECT_EQ(d.lineheight(), 16);
    d.plottextsize(0.0f);  // a zero size still leaves a usable font
    EXPECT_EQ(d.lineheight(), 0);
    EXPECT_GE(d.font().pixelSize(), 1);
}

TEST(PlotDevicePage, CellHeightPicksTheLargestFittingPixelSize)
{
    for (int cell : {10, 15, 21, 40}) {
        const int size = pixelSizeForCellHeight(QStringLiteral("Arial"), cell);
        QFont f(QStringLiteral("Arial"));
        f.setPixelSize(size);
        EXPECT_LE(QFontMetrics(f).height(), cell) << cell;
        f.setPixelSize(size + 1);
        EXPECT_GT(QFontMetrics(f).height(), cell) << cell;
    }
}

// --- data window -----------------------------------------------------------------

TEST(PlotDeviceWindow, UnitSquareOnTheWholePage)
{
    PlotDevice d;
    d.plotscreen();
    d.plotwindow(0, 0, 1, 1, 0, 0, d.pageWidthPx(), d.pageHeightPx(), 0);
    EXPECT_EQ(d.plotxpix(0), 0);
    EXPECT_EQ(d.plotxpix(1), 1068);
    EXPECT_EQ(d.plotxpix(0.5), 534);
    EXPECT_EQ(d.plotypix(0.25), 188);  // trunc(188.75), y downward
    EXPECT_EQ(d.plotypix(1), 755);
    EXPECT_EQ(d.frameLeft(), 0);
    EXPECT_EQ(d.frameTop(), 0);
    EXPECT_EQ(d.frameWidth(), 1069);
    EXPECT_EQ(d.frameHeight(), 756);
}

TEST(PlotDeviceWindow, ValuesOutsideLandOnTheFrameEdge)
{
    PlotDevice d;
    d.plotwindow(10, 0, 20, 1, 100, 0, 200, 50, 0);
    EXPECT_EQ(d.plotxpix(25), 200);
    EXPECT_EQ(d.plotxpix(5), 100);
    EXPECT_EQ(d.plotxpix(15), 150);
}

TEST(PlotDeviceWindow, ReversedPixelFrameClampsTheOtherWay)
{
    PlotDevice d;
    d.plotwindow(10, 0, 20, 1, 200, 0, 100, 50, 0);
    EXPECT_EQ(d.plotxpix(25), 100);
    EXPECT_EQ(d.plotxpix(5), 200);
    EXPECT_EQ(d.plotxpix(12.5), 175);
    EXPECT_EQ(d.frameLeft(), 100);
    EXPECT_EQ(d.frameWidth(), 101);
}

TEST(PlotDeviceWindow, UpwardYAxisFromTheBottomRow)
{
    PlotDevice d;
    d.plotwindow(0, 0, 1, 100, 0, 500, 100, 300, 0);
    EXPECT_EQ(d.plotypix(0), 500);
    EXPECT_EQ(d.plotypix(100), 300);
    EXPECT_EQ(d.plotypix(50), 400);
    EXPECT_EQ(d.plotypix(-10), 500);
    EXPECT_EQ(d.plotypix(1000), 300);
    EXPECT_EQ(d.plotypix(std::nan("")), 500);  // undefined values stay on the frame
    EXPECT_EQ(d.frameTop(), 300);
    EXPECT_EQ(d.frameHeight(), 201);
}

TEST(PlotDeviceWindow, EqualDataBoundsAreWidenedByOne)
{
    PlotDevice d;
    d.plotwindow(5, 2, 5, 2, 100, 0, 200, 10, 0);
    EXPECT_EQ(d.plotxpix(5), 100);
    EXPECT_EQ(d.plotxpix(6), 200);
    EXPECT_EQ(d.plotxpix(5.5), 150);
    EXPECT_EQ(d.plotypix(3), 10);
}

TEST(PlotDeviceWindow, FrameIsCutAtThePageEdge)
{
    PlotDevice d;
    d.plotscreen();
    d.plotwindow(0, 0, 1, 1, 1000, 700, 2000, 900, 0);
    EXPECT_EQ(d.frameWidth(), 1068 - 1000 + 1);
    EXPECT_EQ(d.frameHeight(), 755 - 700 + 1);
}

TEST(PlotDeviceWindow, FrameWidthDrawsAClosedOutline)
{
    PlotDevice d;
    d.plotscreen();
    d.plotwindow(0, 0, 1, 1, 200, 150, 100, 100, 1);
    const QImage& img = d.image();
    for (QPoint p : {QPoint(100, 100), QPoint(150, 100), QPoint(200, 100), QPoint(100, 125),
                     QPoint(200, 125), QPoint(100, 150), QPoint(150, 150), QPoint(200, 150)})
        EXPECT_TRUE(isBlack(img, p.x(), p.y())) << p.x() << "," << p.y();
    EXPECT_TRUE(isWhite(img, 150, 125));
    EXPECT_TRUE(isWhite(img, 201, 125));
    EXPECT_TRUE(isWhite(img, 150, 99));
    EXPECT_EQ(d.lineWidth(), 1);
    EXPECT_EQ(d.penX(), 100);
    EXPECT_EQ(d.penY(), 100);
}

TEST(PlotDeviceWindow, ClearFillsTheFrameWhite)
{
    PlotDevice d;
    d.plotscreen();
    paintGrey(d);
    d.plotwindow(0, 0, 1, 1, 10, 20, 40, 60, 0);
    d.plotclear();
    EXPECT_TRUE(isWhite(d.image(), 25, 40));
    EXPECT_TRUE(isBlack(d.image(), 10, 40));  // outlined with the current pen
    EXPECT_TRUE(isBlack(d.image(), 40, 40));
    EXPECT_EQ(d.image().pixel(41, 40), kGrey);
    EXPECT_EQ(d.image().pixel(25, 61), kGrey);
}

// A page handed over with takePage is the page as drawn; the device goes on in the
// blank it was given, where the next page's clear has nothing to fill but the
// outline, and says where the page handed over was drawn: the page with a margin,
// unless something went beyond that.
TEST(PlotDeviceWindow, TakePageHandsOverThePageAndGoesOnInTheBlank)
{
    const auto newPage = [](PlotDevice& device) {
        device.plotwindow(0, 0, 1, 1, 0, 0, device.pageWidthPx(), device.pageHeightPx(), 0);
        device.plotclear();
    };
    PlotDevice d;
    d.plotscreen();
    newPage(d);
    d.plotmove(12, 30, 0);
    d.plotmove(300, 30, 1);
    const QImage drawn = std::as_const(d).image().copy();
    QImage blank(drawn.size(), drawn.format());
    blank.fill(Qt::white);
    PageRect where;
    const QImage page = d.takePage(blank, where);
    EXPECT_TRUE(page == drawn);
    EXPECT_EQ(where.left, 0);
    EXPECT_EQ(where.top, 0);
    EXPECT_GT(where.right, d.pageWidthPx());
    EXPECT_LT(where.right, drawn.width());
    EXPECT_GT(where.bottom, d.pageHeightPx());
    EXPECT_LT(where.bottom, drawn.height());

    // The next page, cleared and outlined, is what a page begun afresh is.
    newPage(d);
    PlotDevice fresh;
    fresh.plotscreen();
    newPage(fresh);
    EXPECT_TRUE(std::as_const(d).image() == std::as_const(fresh).image());

    // A line beyond the page and its margin: the whole image counts as drawn.
    d.plotwindow(0, 0, 1, 1, 0, 0, drawn.width(), drawn.height(), 0);
    d.plotmove(drawn.width() - 20, drawn.height() - 5, 0);
    d.plotmove(drawn.width() - 2, drawn.height() - 5, 1);
    const QImage second = d.takePage(page, where);
    EXPECT_TRUE(isBlack(second, drawn.width() - 10, drawn.height() - 5));
    EXPECT_EQ(where.right, drawn.width());
    EXPECT_EQ(where.bottom, drawn.height());

    // A blank that does not fit: the page comes as a copy, the device keeps its own.
    const QImage third = d.takePage(QImage(10, 10, QImage::Format_RGB32), where);
    EXPECT_TRUE(third == std::as_const(d).image());
}

// --- lines -----------------------------------------------------------------------

TEST(PlotDeviceLines, MoveDrawsNothingAndSetsThePen)
{
    PlotDevice d;
    d.plotscreen();
    const QImage before = d.image();
    d.plotmove(300, 200, 0);
    EXPECT_EQ(d.image(), before);
    EXPECT_EQ(d.penX(), 300);
    EXPECT_EQ(d.penY(), 200);
}

TEST(PlotDeviceLines, DashStyleFollowsBitsTwoAndThree)
{
    PlotDevice d;
    d.plotscreen();
    struct Case {
        int mode;
        std::vector<int> runs;  // black, gap, black, ...
    };
    const Case cases[] = {
        {1, {100, 1}}, {2, {100, 1}}, {3, {100, 1}},
        {5, {3, 3, 3, 3}},
        {9, {18, 6, 18, 6}},
        {13, {9, 6, 3, 6, 9}},
    };
    int y = 50;
    for (const Case& c : cases) {
        d.plotmove(10, y, 0);
        d.plotmove(110, y, c.mode);
        const std::vector<int> runs = blackRuns(d.image(), y, 10, 111);
        ASSERT_GE(runs.size(), c.runs.size()) << "mode " << c.mode;
        for (std::size_t i = 0; i < c.runs.size(); ++i)
            EXPECT_EQ(runs[i], c.runs[i]) << "mode " << c.mode << " run " << i;
        y += 10;
    }
}

TEST(PlotDeviceLines, LineEndsBeforeItsLastPixel)
{
    PlotDevice d;
    d.plotscreen();
    d.plotmove(10, 30, 0);
    d.plotmove(20, 30, 1);
    EXPECT_TRUE(isBlack(d.image(), 10, 30));
    EXPECT_TRUE(isBlack(d.image(), 19, 30));
    EXPECT_TRUE(isWhite(d.image(), 20, 30));
    // Leftward and upward the far end is left out as well.
    d.plotmove(20, 40, 0);
    d.plotmove(20, 30, 1);
    EXPECT_TRUE(isBlack(d.image(), 20, 40));
    EXPECT_TRUE(isBlack(d.image(), 20, 31));
    EXPECT_TRUE(isWhite(d.image(), 20, 30));
    d.plotmove(0, 60, 0);
    d.plotmove(60, 60, 0);
    d.plotmove(40, 60, 1);
    EXPECT_TRUE(isBlack(d.image(), 60, 60));
    EXPECT_TRUE(isBlack(d.image(), 41, 60));
    EXPECT_TRUE(isWhite(d.image(), 40, 60));
}

TEST(PlotDeviceLines, WideLinesAreSolidWhateverTheMode)
{
    PlotDevice d;
    d.plotscreen();
    d.plotlw(3);
    d.plotmove(10, 100, 0);
    d.plotmove(110, 100, 5);
    const std::vector<int> runs = blackRuns(d.image(), 100, 10, 110);
    EXPECT_EQ(runs.front(), 100);
    EXPECT_TRUE(isBlack(d.image(), 50, 101));
}

TEST(PlotDeviceLines, ColourIsTakenModuloEight)
{
    PlotDevice d;
    d.plotscreen();
    d.image().fill(Qt::black);
    d.plotcolor(9);
    EXPECT_EQ(d.colour(), 1);
    d.plotmove(10, 10, 0);
    d.plotmove(50, 10, 1);
    EXPECT_TRUE(isWhite(d.image(), 30, 10));
    d.plotcolor(3);
    d.plotmove(10, 20, 0);
    d.plotmove(50, 20, 1);
    EXPECT_EQ(d.image().pixel(30, 20), qRgb(255, 255, 0));
    d.plotcolor(-1);  // counts from the end, never outside the palette
    EXPECT_EQ(d.colour(), 7);
    EXPECT_EQ(d.paletteColor(6), qRgb(0, 0, 200));
    EXPECT_EQ(d.paletteColor(2), qRgb(160, 80, 0));
}

// --- text ------------------------------------------------------------------------

TEST(PlotDeviceText, AlignmentGridAroundTheAnchor)
{
    PlotDevice d;
    d.plotscreen();
    requireArial(d);
    const std::string text = "Kelvox|Speg";
    const QFontMetrics fm(d.font());
    const int w = fm.horizontalAdvance(QString::fromStdString(text));
    const int h = fm.height();
    ASSERT_GT(w, 20);
    for (int align = 0; align <= 8; ++align) {
        paintGrey(d);
        const int px = 400, py = 300;
        EXPECT_EQ(d.plottext(px, py, text, align), w);
        const int dx = align % 3 == 0 ? 0 : align % 3 == 1 ? -(w / 2) : -w;
        const int dy = align / 3 == 0 ? 0 : align / 3 == 1 ? -(h / 2) : -h;
        // The white text cell shows exactly where the text went.
        EXPECT_EQ(boxOfPixelsNot(d.image(), kGrey, QRect(300, 250, 300, 100)), QRect(px + dx, py + dy, w, h))
            << "align " << align;
    }
}

TEST(PlotDeviceText, RightBottomAlignmentEndsAtTheAnchor)
{
    PlotDevice d;
    d.plotprinter();
    paintGrey(d);
    const int w = d.plottext(800, 600, "0.123", 8);
    const QRect box = boxOfPixelsNot(d.image(), kGrey, QRect(600, 500, 400, 200));
    EXPECT_EQ(box.right() + 1, 800);
    EXPECT_EQ(box.bottom() + 1, 600);
    EXPECT_EQ(box.width(), w);
}

TEST(PlotDeviceText, TextIsPureBlackAndWhite)
{
    PlotDevice d;
    d.plotprinter();
    d.plottext(100, 100, "Kelvox 0.123 Hz", 0);
    int black = 0;
    for (int y = 100; y < 121; ++y)
        for (int x = 100; x < 300; ++x) {
            const QRgb c = d.image().pixel(x, y) & 0xFFFFFFu;
            ASSERT_TRUE(c == 0 || c == 0xFFFFFFu) << x << "," << y;
            black += c == 0;
        }
    EXPECT_GT(black, 50);
}

TEST(PlotDeviceText, LabelSitsAtFixedOffsets)
{
    PlotDevice d;
    d.plotprinter();
    paintGrey(d);
    d.plotlabel(500, 500, "Hz");
    const QRect box = boxOfPixelsNot(d.image(), kGrey, QRect(400, 400, 200, 200));
    EXPECT_EQ(box.topLeft(), QPoint(504, 488));
}

TEST(PlotDeviceText, LinesKeepEmptyLinesAndEighteenPixelSteps)
{
    PlotDevice d;
    d.plotscreen();
    paintGrey(d);
    d.plotlines(100, 200, "a\n\nb\n");
    const QRect area(50, 150, 200, 150);
    const QRect all = boxOfPixelsNot(d.image(), kGrey, area);
    EXPECT_EQ(all.top(), 188);                    // "a" at py − 12
    EXPECT_EQ(all.bottom(), 188 + 36 + 10 - 1);   // "b" two steps lower, no line after it
    // Nothing on the empty line between them.
    EXPECT_TRUE(boxOfPixelsNot(d.image(), kGrey, QRect(50, 198, 200, 26)).isNull());
}

TEST(PlotDeviceText, LinesAreCutAt255Characters)
{
    PlotDevice d;
    d.plotprinter();
    paintGrey(d);
    d.plotlines(0, 100, std::string(300, 'i'));
    const QFontMetrics fm(d.font());
    const QRect box = boxOfPixelsNot(d.image(), kGrey, QRect(0, 80, 2136, 40));
    EXPECT_EQ(box.width(), fm.horizontalAdvance(QString(255, QLatin1Char('i'))));
}

TEST(PlotDeviceText, LatinOneTextIsShownByItsLetters)
{
    EXPECT_EQ(pageText("caf\xc3\xa9"), QStringLiteral("caf\u00e9"));
    EXPECT_EQ(pageText("caf\xe9"), QStringLiteral("caf\u00e9"));
}

// --- show hook, numbers, regions -------------------------------------------------

TEST(PlotDeviceShow, CallsTheInstalledHookOnly)
{
    PlotDevice d;
    d.plotshow();  // headless: nothing happens
    int calls = 0;
    d.setShowHook([&] { ++calls; });
    d.plotshow();
    d.plotshow();
    EXPECT_EQ(calls, 2);
}

// --- line batches -----------------------------------------------------------------

namespace {

// A page's mixture of drawing: dashed and wide lines in two colours, texts with their
// white cells over lines, a fill, and a direct pixel write between them.
void drawMixture(PlotDevice& d)
{
    d.plotscreen();
    d.plotwindow(0, 0, 1, 1, 0, 0, d.pageWidthPx(), d.pageHeightPx(), 0);
    for (int i = 0; i < 40; ++i) {
        d.plotlw(1 + i % 3);
        d.plotcolor(i % 2 == 0 ? 0 : 4);
        d.plotmove(20 + 7 * i, 40, 0);
        d.plotmove(60 + 5 * i, 200 - 3 * i, i % 4 == 0 ? 5 : 1);
    }
    d.plottext(100, 120, "Kelvox 0.123", kAlignMiddleCentre);
    d.pixels({140, 110, 160, 130}).setPixel(150, 120, qRgb(0, 0, 0));
    d.plotlw(2);
    d.plotmove(90, 110, 0);
    d.plotmove(210, 130, 1);
    d.plotlines(300, 300, "one\ntwo");
    d.plotwindow(0, 0, 1, 1, 400, 400, 500, 450, 0);
    d.plotclear();
    d.plotmove(380, 420, 1);
}

}  // namespace

TEST(PlotDeviceBatch, DrawsThePageAsWithoutABatch)
{
    PlotDevice plain;
    drawMixture(plain);
    PlotDevice batched;
    {
        PlotDevice::LineBatch outer(batched);
        PlotDevice::LineBatch inner(batched);  // batches nest
        drawMixture(batched);
    }
    EXPECT_TRUE(plain.image() == batched.image());
}

TEST(PlotDeviceBatch, HeldLinesAreDrawnBeforeAnythingCouldCoverThem)
{
    PlotDevice d;
    d.plotscreen();
    const PlotDevice& view = d;
    int shown = 0;
    d.setShowHook([&] { shown += isBlack(view.image(), 30, 10) ? 1 : 0; });
    {
        PlotDevice::LineBatch batch(d);
        d.plotmove(10, 10, 0);
        d.plotmove(50, 10, 1);
        EXPECT_TRUE(isWhite(view.image(), 30, 10));  // held
        d.pixels({100, 100, 200, 200});              // elsewhere: still held
        EXPECT_TRUE(isWhite(view.image(), 30, 10));
        d.pixels({25, 5, 35, 15});  // where the line lies: drawn first
        EXPECT_TRUE(isBlack(view.image(), 30, 10));
        d.plotmove(50, 30, 1);
        d.plotshow();  // the plot window sees every line
        EXPECT_EQ(shown, 1);
        EXPECT_TRUE(isBlack(view.image(), 50, 20));
        d.plotmove(90, 30, 1);
    }
    EXPECT_TRUE(isBlack(view.image(), 70, 30));  // the batch's end draws the rest
}

TEST(PlotNumber, FormatFollowsTheStepSize)
{
    EXPECT_EQ(PlotDevice::plotnumber(123.456f, 500), "123");
    EXPECT_EQ(PlotDevice::plotnumber(0.1234f, 0.05f), "0.123");
    EXPECT_EQ(PlotDevice::plotnumber(0.1234f, 0), "  0.1234");
    EXPECT_EQ(PlotDevice::plotnumber(123.456f, 200000), "123.4560");
    EXPECT_EQ(PlotDevice::plotnumber(0.1234f, 5), "0.12");
    EXPECT_EQ(PlotDevice::plotnumber(12.34f, 50), " 12.3");
    EXPECT_EQ(PlotDevice::plotnumber(1234.5f, 2000), "1234");
    EXPECT_EQ(PlotDevice::plotnumber(1234.5f, 10000), " 1234");
    EXPECT_EQ(PlotDevice::plotnumber(0.1234f, 0.001f), "  0.1234");  // e = −3
    EXPECT_EQ(PlotDevice::plotnumber(1.5f, -20), "  1.5");            // |step|
    EXPECT_EQ(PlotDevice::plotnumber(1.5f, std::nanf("")), "1.50");
}

TEST(PlotDeviceRegions, SixteenthReplacesTheFifteenth)
{
    PlotDevice d;
    for (int i = 0; i < 16; ++i)
        d.addregion(i, 100, i + 10, 0, float(i), 0, 1, 1, false);
    ASSERT_EQ(d.regions().size(), 15u);
    EXPECT_EQ(d.regions()[13].left, 13);
    EXPECT_EQ(d.regions()[14].left, 15);
    d.clearRegions();
    EXPECT_TRUE(d.regions().empty());
}

TEST(PlotDeviceRegions, PixelEdgesAreStoredAsSixteenBit)
{
    PlotDevice d;
    d.addregion(-100000, 70000, 50, 10, 0, 1, 2, 3, true);
    const ReadoutRegion& r = d.regions().front();
    EXPECT_EQ(r.left, -32768);
    EXPECT_EQ(r.bottom, 32767);
    EXPECT_EQ(r.right, 50);
    EXPECT_EQ(r.top, 10);
    EXPECT_FLOAT_EQ(r.yAtTop, 3);
    EXPECT_TRUE(r.logY);
}

// --- characters the page font lacks --------------------------------------------

TEST(PlotDeviceText, CharactersArialLacksComeFromDejaVuSansAndTheRestIsUnchanged)
{
    PlotDevice d;
    requireArial(d);
    for (int dpi : {96, 192}) {
        dpi == 96 ? d.plotscreen() : d.plotprinter();
        d.plottextsize(1.0f);
        QFont arialAlone(QStringLiteral("Arial"));
        arialAlone.setStyleStrategy(QFont::NoAntialias);
        arialAlone.setPixelSize(d.font().pixelSize());
        // Text the page font has: drawn and measured as with Arial alone.
        const QString plain = QString::fromUtf8("Kelvox|Speg take.wav 0.123 ðə bɜːd təˈdeɪ");
        EXPECT_EQ(QFontMetrics(d.font()).horizontalAdvance(plain), QFontMetrics(arialAlone).horizontalAdvance(plain));
        EXPECT_EQ(QFontMetrics(d.font()).height(), QFontMetrics(arialAlone).height());
        EXPECT_EQ(d.textHeight(), QFontMetrics(arialAlone).height());
        // A rising-intonation arrow is not in Liberation Sans: it is drawn, from DejaVu Sans.
        const QString arrow = QString::fromUtf8("↗");
        ASSERT_FALSE(QRawFont::fromFont(arialAlone).supportsCharacter(char32_t{0x2197}));
        QTextLayout layout(arrow, d.font());
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        const QList<QGlyphRun> runs = layout.glyphRuns();
        ASSERT_EQ(runs.size(), 1);
        EXPECT_EQ(runs.front().rawFont().familyName(), "DejaVu Sans");
    }
}
