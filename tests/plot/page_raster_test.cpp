#include "page_raster.h"

#include "page_image_checks.h"
#include "plot_device.h"

#include <QFontInfo>
#include <QPainter>
#include <gtest/gtest.h>

#include <random>

using namespace kelvox;
using namespace kelvox::test;

namespace {

QImage greyImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kGrey);
    return image;
}

// The line as the plot device's painter draws it.
void paintLine(QImage& image, QPoint from, QPoint to, QRgb colour, int width, DashStyle style)
{
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(QColor(colour), width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    if (style != DashStyle::Solid)
        pen.setDashPattern(dashPattern(style));
    p.setPen(pen);
    drawPageLine(p, from, to);
}

std::vector<int> dashes(DashStyle style)
{
    std::vector<int> lengths;
    for (qreal v : dashPattern(style))
        lengths.push_back(static_cast<int>(v));
    return lengths;
}

QFont pageFont(int pixelSize)
{
    QFont f(QStringLiteral("Arial"));
    f.setStyleStrategy(QFont::NoAntialias);
    f.setPixelSize(pixelSize);
    f.setFamilies({QFontInfo(f).family(), QStringLiteral("DejaVu Sans")});
    return f;
}

// The text as the plot device's painter draws it: a white cell, black letters.
void paintText(QImage& image, const QFont& font, int x, int y, const QString& text)
{
    const QFontMetrics fm(font, &image);
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.fillRect(QRect(x, y, fm.horizontalAdvance(text), fm.height()), Qt::white);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QPoint(x, y + fm.ascent()), text);
}

}  // namespace

TEST(PageRaster, RowAndColumnLinesSetThePixelsThePainterSets)
{
    std::mt19937 random(7);
    int drawn = 0;
    for (int trial = 0; trial < 4000; ++trial) {
        const auto style = static_cast<DashStyle>(trial % 4);
        const int width = trial / 4 % 2;  // 0 and 1 are both one pixel wide
        const QRgb colour = trial % 3 ? 0xFF000000u : 0xFFC80000u;
        // Lines partly outside the image too; a dashed one is drawn here only inside.
        const QPoint from(static_cast<int>(random() % 140) - 20, static_cast<int>(random() % 100) - 20);
        const int length = static_cast<int>(random() % 81) - 40;
        const QPoint to = trial % 5 < 2 ? from + QPoint(length, 0) : from + QPoint(0, length);
        QImage expected = greyImage(100, 60);
        paintLine(expected, from, to, colour, width, style);
        QImage actual = greyImage(100, 60);
        const std::vector<int> lengths = dashes(style);
        if (!drawAxisLine(RasterTarget::of(actual), from, to, colour, lengths)) {
            EXPECT_NE(style, DashStyle::Solid);
            EXPECT_TRUE(actual == greyImage(100, 60)) << "nothing is drawn when the painter must draw";
            continue;
        }
        ++drawn;
        ASSERT_TRUE(actual == expected) << "style " << static_cast<int>(style) << " from " << from.x() << ","
                                        << from.y() << " to " << to.x() << "," << to.y();
    }
    EXPECT_GT(drawn, 1500);
}

TEST(PageRaster, SlantedLinesAndDashesCutByTheEdgeAreLeftToThePainter)
{
    QImage image = greyImage(40, 40);
    const RasterTarget target = RasterTarget::of(image);
    EXPECT_FALSE(drawAxisLine(target, {1, 1}, {20, 5}, 0xFF000000u, {}));
    const std::vector<int> dotted = dashes(DashStyle::Dotted);
    EXPECT_FALSE(drawAxisLine(target, {-5, 10}, {20, 10}, 0xFF000000u, dotted));
    EXPECT_TRUE(drawAxisLine(target, {5, 10}, {20, 10}, 0xFF000000u, dotted));
    // A line of no length sets its one pixel, as the painter does.
    EXPECT_TRUE(drawAxisLine(target, {30, 30}, {30, 30}, 0xFF000000u, {}));
    EXPECT_EQ(image.pixel(30, 30), 0xFF000000u);
}

TEST(PageRaster, FillIsCutToTheImage)
{
    QImage image = greyImage(20, 10);
    fillPixels(RasterTarget::of(image), -5, 8, 3, 30, 0xFFFFFFFFu);
    EXPECT_EQ(image.pixel(0, 9), 0xFFFFFFFFu);
    EXPECT_EQ(image.pixel(2, 8), 0xFFFFFFFFu);
    EXPECT_EQ(image.pixel(3, 8), kGrey);
    EXPECT_EQ(image.pixel(0, 7), kGrey);
}

TEST(PageRaster, StampedTextEqualsPaintedTextAnywhereOnTheImage)
{
    std::mt19937 random(11);
    const QStringList texts = {QStringLiteral("0.5k"),         QStringLiteral("Kelvox|Speg take1.wav, Ch 0(1), Page 3"),
                               QStringLiteral("-20"),          QStringLiteral("Wj(gy)_"),
                               QString::fromUtf8("ʃɪ ə ŋ ↑˥"), QStringLiteral("ffi AV To")};
    for (int pixelSize : {10, 13, 21}) {
        const QFont font = pageFont(pixelSize);
        TextStamps stamps;
        QImage scratch = greyImage(1, 1);
        stamps.useFont(font, scratch.dotsPerMeterX(), scratch.dotsPerMeterY());
        for (const QString& text : texts) {
            const TextStamp& first = stamps.lookUp(text);
            EXPECT_FALSE(first.stamped) << "a text seen once is only measured";
            const TextStamp& stamp = stamps.lookUp(text);
            ASSERT_TRUE(stamp.stamped);
            const QFontMetrics fm(font, &scratch);
            EXPECT_EQ(stamp.width, fm.horizontalAdvance(text));
            EXPECT_EQ(stamp.height, fm.height());
            for (int trial = 0; trial < 30; ++trial) {
                // Positions that cut the text at every edge as well.
                const int x = static_cast<int>(random() % 360) - 120, y = static_cast<int>(random() % 100) - 30;
                QImage expected = greyImage(240, 60);
                paintText(expected, font, x, y, text);
                QImage actual = greyImage(240, 60);
                TextStamps::apply(RasterTarget::of(actual), stamp, x, y);
                ASSERT_TRUE(actual == expected) << text.toStdString() << " at " << x << "," << y;
            }
        }
    }
}

TEST(PageRaster, ANewFontForgetsTheStamps)
{
    TextStamps stamps;
    stamps.useFont(pageFont(10), 3780, 3780);
    stamps.lookUp(QStringLiteral("12"));
    EXPECT_EQ(stamps.lookUp(QStringLiteral("12")).uses, 2);
    stamps.useFont(pageFont(10), 3780, 3780);  // the same font: kept
    EXPECT_EQ(stamps.lookUp(QStringLiteral("12")).uses, 3);
    stamps.useFont(pageFont(21), 3780, 3780);
    const TextStamp& again = stamps.lookUp(QStringLiteral("12"));
    EXPECT_EQ(again.uses, 1);
    EXPECT_EQ(again.height, QFontMetrics(pageFont(21)).height());
}
