// Printing through a real CUPS queue: the analysis windows' "Print" buttons, the
// program's print service and Qt's QPrinter on the default printer, which is a
// private cups-pdf queue. Each printed page must come out as its own job, one
// landscape A4 page holding the page image at the resolution it was drawn, placed
// at the printable area's origin at its physical size.

#include "app_windows.h"
#include "private_services.h"

#include <QImage>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QTransform>

#include <gtest/gtest.h>

#include <cmath>

using namespace kelvox;
using namespace kelvox::test;

namespace {

// Hands every call to the program's own print service and keeps what each
// printed page was: the picture, the page rectangle it came from and the
// resolution the page was drawn at.
class WatchedPrintService : public PrintService {
public:
    struct Page {
        int pageDpi = 0;
        PageRect source;
        QImage picture;
    };
    explicit WatchedPrintService(PrintService& real) : m_real(real) {}
    std::string beginJob() override { return m_real.beginJob(); }
    void drawPicture(const QImage& picture, const PageRect& source, int pageDpi) override
    {
        pages.push_back({pageDpi, source, picture});
        m_real.drawPicture(picture, source, pageDpi);
    }
    std::string endJob() override
    {
        ++ended;
        return m_real.endJob();
    }
    void abortJob() override { m_real.abortJob(); }
    bool jobOpen() const override { return m_real.jobOpen(); }

    std::vector<Page> pages;
    int ended = 0;

private:
    PrintService& m_real;
};

// The queue's printable area begins this far from the sheet's edges on every side
// (its PPD's ImageableArea for A4).
constexpr double marginMm = PrivateCups::marginPoints * 25.4 / 72.0;
// Resolution the printed PDF is looked at.
constexpr int viewDpi = 100;

struct PdfFacts {
    int pages = 0;
    double widthPt = 0, heightPt = 0;
    int images = 0;
    int imageWidth = 0, imageHeight = 0, xPpi = 0, yPpi = 0;
};

PdfFacts readPdf(const QString& path)
{
    PdfFacts facts;
    const ToolResult info = runTool(QStringLiteral("pdfinfo"), {path});
    static const QRegularExpression pages(QStringLiteral("Pages:\\s+(\\d+)"));
    static const QRegularExpression size(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts"));
    if (const auto m = pages.match(info.output); m.hasMatch())
        facts.pages = m.captured(1).toInt();
    if (const auto m = size.match(info.output); m.hasMatch()) {
        facts.widthPt = m.captured(1).toDouble();
        facts.heightPt = m.captured(2).toDouble();
    }
    // page num type width height color comp bpc enc interp object ID x-ppi y-ppi size ratio
    const ToolResult list = runTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), path});
    for (const QString& line : list.output.split(QLatin1Char('\n'))) {
        const QStringList f = line.simplified().split(QLatin1Char(' '));
        if (f.size() < 14 || f[2] != QStringLiteral("image"))
            continue;
        ++facts.images;
        facts.imageWidth = f[3].toInt();
        facts.imageHeight = f[4].toInt();
        facts.xPpi = f[12].toInt();
        facts.yPpi = f[13].toInt();
    }
    return facts;
}

// The printed sheet at viewDpi in gray, seen in landscape. A queue that prints on
// portrait sheets turns a landscape page as its PPD says (*LandscapeOrientation:
// Plus90, a quarter turn counter-clockwise: the page's top-left corner lies at the
// sheet's bottom-left); turning the sheet a quarter clockwise undoes that.
QImage landscapeView(const QString& pdf, const QString& scratch)
{
    const QString base = scratch + QStringLiteral("/sheet");
    runTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(viewDpi), QStringLiteral("-gray"),
                                         QStringLiteral("-singlefile"), pdf, base});
    QImage sheet(base + QStringLiteral(".pgm"));
    QFile::remove(base + QStringLiteral(".pgm"));
    if (sheet.isNull() || sheet.width() > sheet.height())
        return sheet;
    return sheet.transformed(QTransform().rotate(90));
}

bool dark(const QImage& image, int x, int y) { return qGray(image.pixel(x, y)) < 192; }

// The smallest rectangle holding every dark pixel; null for a blank image.
QRect inkBox(const QImage& image)
{
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (dark(image, x, y)) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

struct BoxMm {
    double left, top, right, bottom;
};

// Where the page's ink must land on the sheet, in millimetres from its top-left
// corner: the printable area's origin plus the used area's page position, each
// page pixel 1/pageDpi inch.
BoxMm expectedInk(const WatchedPrintService::Page& page)
{
    const QRect ink = inkBox(page.picture);
    const double mmPerPixel = 25.4 / page.pageDpi;
    return {marginMm + (page.source.left + ink.left()) * mmPerPixel,
            marginMm + (page.source.top + ink.top()) * mmPerPixel,
            marginMm + (page.source.left + ink.right() + 1) * mmPerPixel,
            marginMm + (page.source.top + ink.bottom() + 1) * mmPerPixel};
}

BoxMm printedInk(const QImage& view)
{
    const QRect ink = inkBox(view);
    const double mmPerPixel = 25.4 / viewDpi;
    return {ink.left() * mmPerPixel, ink.top() * mmPerPixel, (ink.right() + 1) * mmPerPixel,
            (ink.bottom() + 1) * mmPerPixel};
}

// The page's ink as the program means to put it on the sheet: for each view
// pixel, the share of dark page pixels under it.
std::vector<double> expectedDarkness(const WatchedPrintService::Page& page, QSize view)
{
    const double scale = static_cast<double>(page.pageDpi) / viewDpi;  // page pixels per view pixel
    const double originPx = marginMm / 25.4 * page.pageDpi;            // printable origin in page pixels
    std::vector<double> map(static_cast<std::size_t>(view.width() * view.height()));
    for (int vy = 0; vy < view.height(); ++vy)
        for (int vx = 0; vx < view.width(); ++vx) {
            const auto pagePixel = [&](int v, int sourceOrigin) {
                return static_cast<int>(std::floor(v * scale - originPx)) - sourceOrigin;
            };
            const int x0 = pagePixel(vx, page.source.left), x1 = pagePixel(vx + 1, page.source.left);
            const int y0 = pagePixel(vy, page.source.top), y1 = pagePixel(vy + 1, page.source.top);
            int black = 0, count = 0;
            for (int y = std::max(0, y0); y < std::min(page.picture.height(), y1); ++y)
                for (int x = std::max(0, x0); x < std::min(page.picture.width(), x1); ++x) {
                    ++count;
                    black += dark(page.picture, x, y) ? 1 : 0;
                }
            map[static_cast<std::size_t>(vy * view.width() + vx)] =
                count > 0 ? static_cast<double>(black) / count : 0.0;
        }
    return map;
}

std::vector<double> printedDarkness(const QImage& view)
{
    std::vector<double> map(static_cast<std::size_t>(view.width() * view.height()));
    for (int y = 0; y < view.height(); ++y)
        for (int x = 0; x < view.width(); ++x)
            map[static_cast<std::size_t>(y * view.width() + x)] = 1.0 - qGray(view.pixel(x, y)) / 255.0;
    return map;
}

// Averages over squares of (2r + 1) pixels: small misalignments and the
// renderer's sampling of thin lines then weigh little.
std::vector<double> blurred(const std::vector<double>& map, QSize size, int r)
{
    std::vector<double> out(map.size());
    const int w = size.width(), h = size.height();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double sum = 0;
            int n = 0;
            for (int yy = std::max(0, y - r); yy <= std::min(h - 1, y + r); ++yy)
                for (int xx = std::max(0, x - r); xx <= std::min(w - 1, x + r); ++xx) {
                    sum += map[static_cast<std::size_t>(yy * w + xx)];
                    ++n;
                }
            out[static_cast<std::size_t>(y * w + x)] = sum / n;
        }
    return out;
}

// Correlation coefficient: near 1 when the sheet shows the page where it belongs,
// near 0 for a blank, shifted or foreign one.
double correlation(const std::vector<double>& a, const std::vector<double>& b)
{
    double n = 0, sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        n += 1;
        sa += a[i];
        sb += b[i];
        saa += a[i] * a[i];
        sbb += b[i] * b[i];
        sab += a[i] * b[i];
    }
    const double cov = sab - sa * sb / n, va = saa - sa * sa / n, vb = sbb - sb * sb / n;
    return va > 0 && vb > 0 ? cov / std::sqrt(va * vb) : 0.0;
}

}  // namespace

TEST(RealPrinter, EachPageBecomesOneLandscapeA4JobAtItsPhysicalSize)
{
    PrivateCups cups;
    ASSERT_TRUE(cups.error().isEmpty()) << cups.error().toStdString();
    ASSERT_EQ(QPrinterInfo::defaultPrinter().printerName(), PrivateCups::queueName())
        << "the private queue is not the default printer";

    ProgramState state;
    AppWindows w(state);
    WatchedPrintService watched(w.printer);
    state.plot.setPrintService(&watched);
    QStringList errors;
    for (AnalysisWindow* window : std::initializer_list<AnalysisWindow*>{&w.form3, &w.form2, &w.form4})
        window->showError = [&](const QString& text) { errors << text; };
    ASSERT_TRUE(w.form1.loadFile(QStringLiteral(KELVOX_EXAMPLES "/kelvox-demo.wav")));

    // A spectrogram page, a section page and two waveform pages.
    state.signal.selectionStart = 0.5f;
    state.signal.selectionEnd = 1.5f;
    w.form3.findChild<QPushButton*>("Button5")->click();
    w.form4.findChild<QPushButton*>("Button3")->click();
    state.signal.selectionEnd = 3.5f;
    w.form2.findChild<QPushButton*>("Button3")->click();
    ASSERT_TRUE(errors.isEmpty()) << errors.join(QLatin1Char('\n')).toStdString();
    const int pages = static_cast<int>(watched.pages.size());
    ASSERT_EQ(pages, 4);
    EXPECT_EQ(watched.ended, pages);

    ASSERT_TRUE(cups.waitForJobs(pages)) << cups.logs().toStdString();
    EXPECT_EQ(cups.completedJobs(), pages);
    const QStringList pdfs = cups.outputPdfs();
    ASSERT_EQ(pdfs.size(), pages) << cups.logs().toStdString();

    for (int i = 0; i < pages; ++i) {
        SCOPED_TRACE("printed page " + std::to_string(i));
        const WatchedPrintService::Page& page = watched.pages[static_cast<std::size_t>(i)];
        const PdfFacts facts = readPdf(pdfs[i]);
        EXPECT_EQ(facts.pages, 1);
        // An A4 sheet (595 × 842 points), either way round.
        EXPECT_NEAR(std::min(facts.widthPt, facts.heightPt), 595.0, 1.0);
        EXPECT_NEAR(std::max(facts.widthPt, facts.heightPt), 842.0, 1.0);
        // The page image, pixel for pixel, at the resolution the page was drawn.
        EXPECT_EQ(facts.images, 1);
        EXPECT_EQ(facts.imageWidth, page.picture.width());
        EXPECT_EQ(facts.imageHeight, page.picture.height());
        EXPECT_NEAR(facts.xPpi, page.pageDpi, 1);
        EXPECT_NEAR(facts.yPpi, page.pageDpi, 1);

        const QImage view = landscapeView(pdfs[i], cups.scratchFolder());
        ASSERT_FALSE(view.isNull());
        EXPECT_GT(view.width(), view.height());
        const BoxMm expected = expectedInk(page);
        const BoxMm printed = printedInk(view);
        // Placed at the printable area's origin and at its physical size: every
        // edge of the ink within 0.6 mm (a view pixel is 0.25 mm).
        EXPECT_NEAR(printed.left, expected.left, 0.6);
        EXPECT_NEAR(printed.top, expected.top, 0.6);
        EXPECT_NEAR(printed.right, expected.right, 0.6);
        EXPECT_NEAR(printed.bottom, expected.bottom, 0.6);
        // The sheet shows this page: 0.97 and more as printed; a page 1 mm off
        // gives about 0.85–0.95, another page or a blank sheet about 0.
        const QSize size = view.size();
        EXPECT_GT(correlation(blurred(expectedDarkness(page, size), size, 2), blurred(printedDarkness(view), size, 2)),
                  0.9);
    }
}
