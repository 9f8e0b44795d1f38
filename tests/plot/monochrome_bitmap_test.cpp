#include "monochrome_bitmap.h"

#include "page_image_checks.h"

#include <QFileInfo>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <random>

using namespace kelvox;
using namespace kelvox::test;

namespace {

constexpr uint32_t kBlackBmp = 0x000000, kWhiteBmp = 0xFFFFFF;

}  // namespace

TEST(Monochrome, EveryNonWhitePixelTurnsBlack)
{
    QImage img(6, 1, QImage::Format_RGB32);
    const QRgb colours[] = {qRgb(255, 255, 0), qRgb(0, 255, 255), qRgb(254, 255, 255),
                            qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(200, 0, 0)};
    for (int x = 0; x < 6; ++x)
        img.setPixel(x, 0, colours[x]);
    switchToMonochrome(img);
    EXPECT_EQ(img.format(), QImage::Format_RGB32);
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(img.pixel(x, 0), x == 3 ? 0xFFFFFFFFu : 0xFF000000u) << x;
}

TEST(Monochrome, AreaPartlyOutsideTheImageIsWhiteThere)
{
    QImage img(20, 10, QImage::Format_RGB32);
    img.fill(Qt::black);
    const QImage copy = copyArea(img, PageRect{-5, -3, 10, 12});
    ASSERT_EQ(copy.size(), QSize(15, 15));
    EXPECT_TRUE(isWhite(copy, 0, 5));    // column −5
    EXPECT_TRUE(isWhite(copy, 10, 0));   // row −3
    EXPECT_TRUE(isWhite(copy, 10, 13));  // row 10, below the image
    EXPECT_TRUE(isBlack(copy, 5, 3));    // pixel (0, 0)
    EXPECT_TRUE(isBlack(copy, 14, 12));  // pixel (9, 9)
    EXPECT_TRUE(copyArea(img, PageRect{5, 5, 5, 9}).isNull());
}

TEST(Monochrome, AreaBitsAreWhiteExactlyWhereTheColourIsWhite)
{
    // Every column phase of the eight-pixel bytes, and areas that start and end
    // between them.
    QImage img(61, 7, QImage::Format_RGB32);
    std::mt19937 random(5);
    const QRgb colours[] = {0xFFFFFFFFu, 0x00FFFFFFu, 0xFFFFFFFEu, 0xFF000000u, 0xFFFEFFFFu};
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, colours[random() % 5]);
    for (const PageRect area : {PageRect{0, 0, 61, 7}, PageRect{3, 1, 58, 6}, PageRect{-4, -2, 70, 9}}) {
        const QImage mono = monochromeArea(img, area);
        ASSERT_EQ(mono.size(), QSize(area.width(), area.height()));
        for (int y = 0; y < area.height(); ++y)
            for (int x = 0; x < area.width(); ++x) {
                const int sx = area.left + x, sy = area.top + y;
                const bool inside = sx >= 0 && sy >= 0 && sx < img.width() && sy < img.height();
                const bool white = !inside || (img.pixel(sx, sy) & 0x00FFFFFFu) == 0x00FFFFFFu;
                ASSERT_EQ(mono.pixelIndex(x, y), white ? 1 : 0) << sx << "," << sy;
            }
    }
}

class MonoBmpFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::string path(const char* name) const { return dir.filePath(QString::fromUtf8(name)).toStdString(); }
};

TEST_F(MonoBmpFile, OneBitBottomUpWithBlackAndWhitePalette)
{
    PlotDevice d;
    d.plotscreen();
    d.image().fill(Qt::white);
    QPainter(&d.image()).fillRect(QRect(10, 20, 20, 5), QColor(255, 255, 0));  // yellow bar
    const std::string file = path("page.bmp");
    ASSERT_EQ(saveMonochromeBmp(d.image(), PageRect{0, 0, 64, 48}, file), "");

    const MonoBmp bmp = readMonoBmp(file);
    ASSERT_TRUE(bmp.valid);
    EXPECT_EQ(bmp.width, 64);
    EXPECT_EQ(bmp.height, 48);  // positive: bottom-up rows
    EXPECT_EQ(bmp.bitCount, 1);
    EXPECT_EQ(bmp.compression, 0);
    EXPECT_EQ(bmp.xPelsPerMetre, 3780);
    ASSERT_EQ(bmp.palette.size(), 2u);
    EXPECT_NE(bmp.palette[0], bmp.palette[1]);
    for (uint32_t c : bmp.palette)
        EXPECT_TRUE(c == kBlackBmp || c == kWhiteBmp) << std::hex << c;
    EXPECT_EQ(bmp.bytes.size(), bmp.pixelOffset + 8u * 48u);

    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const bool inBar = x >= 10 && x < 30 && y >= 20 && y < 25;
            ASSERT_EQ(bmp.colourAt(x, y), inBar ? kBlackBmp : kWhiteBmp) << x << "," << y;
        }
    // The page on screen is black and white from now on.
    EXPECT_EQ(d.image().pixel(15, 22), 0xFF000000u);
}

TEST_F(MonoBmpFile, AreaPastTheImageKeepsItsSizeAndIsWhiteOutside)
{
    QImage img(100, 50, QImage::Format_RGB32);
    img.fill(Qt::black);
    const std::string file = path("band");  // no extension: written as named
    ASSERT_EQ(saveMonochromeBmp(img, PageRect{110, 60, 80, 30}, file), "");  // unordered
    const MonoBmp bmp = readMonoBmp(file);
    ASSERT_TRUE(bmp.valid);
    EXPECT_EQ(bmp.width, 30);
    EXPECT_EQ(bmp.height, 30);
    EXPECT_EQ(bmp.colourAt(0, 0), kBlackBmp);     // image pixel (80, 30)
    EXPECT_EQ(bmp.colourAt(19, 19), kBlackBmp);   // (99, 49)
    EXPECT_EQ(bmp.colourAt(20, 5), kWhiteBmp);    // (100, 35): right of the image
    EXPECT_EQ(bmp.colourAt(5, 20), kWhiteBmp);    // (85, 50): below it
    EXPECT_EQ(bmp.colourAt(29, 29), kWhiteBmp);
}

TEST_F(MonoBmpFile, EmptyAreaWritesNothingAndSaysSo)
{
    QImage img(100, 50, QImage::Format_RGB32);
    img.fill(qRgb(255, 255, 0));
    const std::string file = path("empty.bmp");
    EXPECT_NE(saveMonochromeBmp(img, PageRect{10, 10, 10, 40}, file), "");
    EXPECT_NE(saveMonochromeBmp(img, PageRect{}, file), "");
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(file)));
    EXPECT_EQ(img.pixel(5, 5), qRgb(255, 255, 0));  // untouched
}

TEST_F(MonoBmpFile, UnwritablePathIsAnError)
{
    QImage img(10, 10, QImage::Format_RGB32);
    img.fill(Qt::white);
    const std::string error = saveMonochromeBmp(img, PageRect{0, 0, 10, 10}, path("no-such-folder/x.bmp"));
    EXPECT_NE(error.find("no-such-folder"), std::string::npos) << error;
}
