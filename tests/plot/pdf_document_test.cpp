// PDF files of pages: every page one landscape A4 page, the 1-bit page image
// JBIG2-coded at its own resolution and placed at its physical size. What the
// files hold is read back with poppler's tools, an independent JBIG2 decoder.
#include "pdf_document.h"

#include "jbig2_generic.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <random>

using namespace kelvox;

namespace {

// Runs a poppler tool; "" when it is not installed.
QString popplerTool(const QString& tool, const QStringList& arguments)
{
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty())
        return {};
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, arguments);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAll());
}

#define REQUIRE_POPPLER()                                                      \
    if (QStandardPaths::findExecutable(QStringLiteral("pdfimages")).isEmpty()) \
    GTEST_SKIP() << "poppler-utils not installed (scripts/install-deps installs it)"

// A 1-bit picture as the print path makes it (colour 0 black, 1 white): seeded
// noise of the given black share, with solid stripes, a black row and a black
// column, so that long runs, dense noise and edges are all coded.
QImage picture(int width, int height, double blackShare, unsigned seed)
{
    QImage image(width, height, QImage::Format_Mono);
    image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    std::mt19937 random(seed);
    std::bernoulli_distribution black(blackShare);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool stripe = (x / 17) % 5 == 0 && y > height / 3;
            const bool line = y == height / 2 || x == width - 1;
            image.setPixel(x, y, stripe || line || black(random) ? 0 : 1);
        }
    return image;
}

bool isBlackPixel(const QImage& image, int x, int y) { return qGray(image.pixel(x, y)) < 128; }

// The images pdfimages extracts from `pdf`, decoded, in page order.
std::vector<QImage> extractedImages(const QString& pdf, const QString& folder)
{
    const QString root = folder + QStringLiteral("/img");
    popplerTool(QStringLiteral("pdfimages"), {QStringLiteral("-png"), pdf, root});
    std::vector<QImage> images;
    for (const QString& name : QDir(folder).entryList({QStringLiteral("img-*.png")}, QDir::Files, QDir::Name))
        images.emplace_back(folder + QLatin1Char('/') + name);
    return images;
}

struct ListedImage {
    int page = 0, width = 0, height = 0, bpc = 0, xPpi = 0;
    QString encoding;
};

// pdfimages -list: page num type width height color comp bpc enc interp object ID x-ppi y-ppi size ratio
std::vector<ListedImage> listedImages(const QString& pdf)
{
    std::vector<ListedImage> images;
    for (const QString& line : popplerTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}).split('\n')) {
        const QStringList f = line.simplified().split(QLatin1Char(' '));
        if (f.size() < 14 || f[2] != QStringLiteral("image"))
            continue;
        images.push_back({f[0].toInt(), f[3].toInt(), f[4].toInt(), f[7].toInt(), f[12].toInt(), f[8]});
    }
    return images;
}

}  // namespace

TEST(Jbig2Pdf, PopplerDecodesEveryPictureBitForBit)
{
    REQUIRE_POPPLER();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("pages.pdf"));
    // Widths that are and are not whole bytes; sparse, half and dense noise.
    const std::vector<QImage> pictures = {picture(301, 97, 0.02, 1), picture(256, 64, 0.5, 2),
                                          picture(1003, 211, 0.93, 3), picture(9, 5, 0.5, 4)};
    PdfDocument pdf(file.toStdString());
    for (const QImage& p : pictures) {
        ASSERT_EQ(pdf.beginJob(), "");
        pdf.drawPicture(p, {10, 20, 10 + p.width(), 20 + p.height()}, 300);
        ASSERT_EQ(pdf.endJob(), "");
    }
    ASSERT_EQ(pdf.finish(), "");

    const std::vector<QImage> decoded = extractedImages(file, dir.path());
    ASSERT_EQ(decoded.size(), pictures.size());
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        SCOPED_TRACE("picture " + std::to_string(i));
        ASSERT_EQ(decoded[i].size(), pictures[i].size());
        int differing = 0;
        for (int y = 0; y < pictures[i].height(); ++y)
            for (int x = 0; x < pictures[i].width(); ++x)
                differing += isBlackPixel(decoded[i], x, y) != (pictures[i].pixelIndex(x, y) == 0);
        EXPECT_EQ(differing, 0);
    }
    for (const ListedImage& listed : listedImages(file)) {
        EXPECT_EQ(listed.encoding, QStringLiteral("jbig2"));
        EXPECT_EQ(listed.bpc, 1);
        EXPECT_NEAR(listed.xPpi, 300, 1);
    }
}

TEST(Jbig2Pdf, DitherLikeNoiseTakesFarLessThanItsBits)
{
    // Half-tone-like content (neighbours predict a pixel) comes out well below its
    // raw size; pure noise cannot, but grows only by what 65536 contexts cost to
    // learn on a small image.
    QImage ordered(800, 400, QImage::Format_Mono);
    ordered.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 800; ++x)
            ordered.setPixel(x, y, ((x + 2 * y) % 5 == 0 || (x * x + y) % 7 == 0) ? 0 : 1);
    std::vector<uint8_t> bits(100 * 400);
    for (int y = 0; y < 400; ++y)
        for (int b = 0; b < 100; ++b)
            bits[static_cast<std::size_t>(y * 100 + b)] = static_cast<uint8_t>(~ordered.constScanLine(y)[b]);
    const std::size_t raw = bits.size();
    EXPECT_LT(jbig2GenericRegion({bits.data(), 800, 400, 100}).size(), raw / 4);

    std::mt19937 random(7);
    for (uint8_t& b : bits)
        b = static_cast<uint8_t>(random());
    EXPECT_LT(jbig2GenericRegion({bits.data(), 800, 400, 100}).size(), raw * 5 / 4);
}

TEST(PdfDocumentPages, EveryJobIsTheNextLandscapeA4Page)
{
    REQUIRE_POPPLER();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("run.pdf"));
    {
        PdfDocument pdf(file.toStdString());
        for (int dpi : {96, 192, 600}) {
            ASSERT_EQ(pdf.beginJob(), "");
            EXPECT_TRUE(pdf.jobOpen());
            pdf.drawPicture(picture(dpi * 2, dpi, 0.1, 5), {0, 0, dpi * 2, dpi}, dpi);
            ASSERT_EQ(pdf.endJob(), "");
            EXPECT_FALSE(pdf.jobOpen());
        }
        EXPECT_EQ(pdf.pageCount(), 3);
    }  // the destructor ends the document
    const QString info = popplerTool(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"),
                                                                 QStringLiteral("-l"), QStringLiteral("3"), file});
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+3\\n")))) << info.toStdString();
    EXPECT_EQ(info.count(QRegularExpression(QStringLiteral("Page +\\d size:\\s+842 x 595 pts"))), 3)
        << info.toStdString();
    const std::vector<ListedImage> images = listedImages(file);
    ASSERT_EQ(images.size(), 3u);
    const int dpis[] = {96, 192, 600};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(images[static_cast<std::size_t>(i)].page, i + 1);
        EXPECT_EQ(images[static_cast<std::size_t>(i)].width, 2 * dpis[i]);
        EXPECT_NEAR(images[static_cast<std::size_t>(i)].xPpi, dpis[i], 1);
    }
}

TEST(PdfDocumentPages, PicturesLieAtTheirPhysicalPlaceFromThePrintableOrigin)
{
    REQUIRE_POPPLER();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("place.pdf"));
    // A black box 40 × 20 mm whose page rectangle starts 30 mm right of and 50 mm
    // below the page's origin, at 300 dpi; and a second page stretched whole.
    QImage box(472, 236, QImage::Format_Mono);
    box.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    box.fill(0);
    PdfDocument pdf(file.toStdString());
    ASSERT_EQ(pdf.beginJob(), "");
    pdf.drawPicture(box, {354, 590, 354 + 472, 590 + 236}, 300);
    ASSERT_EQ(pdf.endJob(), "");
    ASSERT_EQ(pdf.beginJob(), "");
    pdf.drawPicture(box, {0, 0, 472, 236}, 0);
    ASSERT_EQ(pdf.endJob(), "");
    ASSERT_EQ(pdf.finish(), "");

    const QString root = dir.filePath(QStringLiteral("sheet"));
    popplerTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("254"), QStringLiteral("-gray"), file,
                                             root});  // 10 pixels per millimetre
    const auto inkMm = [](const QImage& sheet) {
        QRect ink;
        for (int y = 0; y < sheet.height(); ++y)
            for (int x = 0; x < sheet.width(); ++x)
                if (isBlackPixel(sheet, x, y))
                    ink |= QRect(x, y, 1, 1);
        return std::array<double, 4>{ink.left() / 10.0, ink.top() / 10.0, (ink.right() + 1) / 10.0,
                                     (ink.bottom() + 1) / 10.0};
    };
    const QImage first(root + QStringLiteral("-1.pgm")), second(root + QStringLiteral("-2.pgm"));
    ASSERT_FALSE(first.isNull());
    EXPECT_GT(first.width(), first.height());
    const std::array<double, 4> placed = inkMm(first);
    // The 5 mm border, then 30 and 50 mm, 40 × 20 mm large, within 0.2 mm.
    EXPECT_NEAR(placed[0], 35.0, 0.2);
    EXPECT_NEAR(placed[1], 55.0, 0.2);
    EXPECT_NEAR(placed[2], 75.0, 0.2);
    EXPECT_NEAR(placed[3], 75.0, 0.2);
    const std::array<double, 4> stretched = inkMm(second);
    EXPECT_NEAR(stretched[0], 5.0, 0.2);
    EXPECT_NEAR(stretched[1], 5.0, 0.2);
    EXPECT_NEAR(stretched[2], 842 * 25.4 / 72 - 5.0, 0.2);
    EXPECT_NEAR(stretched[3], 595 * 25.4 / 72 - 5.0, 0.2);
}

TEST(PdfDocumentPages, AFileThatCannotBeWrittenAndAnAbandonedDocument)
{
    PdfDocument nowhere("/no-such-folder/kelvox/run.pdf");
    EXPECT_NE(nowhere.beginJob().find("/no-such-folder/kelvox/run.pdf"), std::string::npos);
    EXPECT_FALSE(nowhere.jobOpen());
    EXPECT_EQ(nowhere.finish(), "");  // nothing was begun

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("gone.pdf"));
    PdfDocument pdf(file.toStdString());
    ASSERT_EQ(pdf.beginJob(), "");
    pdf.drawPicture(picture(64, 64, 0.5, 6), {0, 0, 64, 64}, 96);
    EXPECT_TRUE(QFileInfo::exists(file));
    pdf.abortJob();
    EXPECT_FALSE(pdf.jobOpen());
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_EQ(pdf.finish(), "");
    EXPECT_FALSE(QFileInfo::exists(file));
}
