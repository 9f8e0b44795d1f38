#include "qt_print_service.h"

#include "page_image_checks.h"
#include "recording_print_service.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <regex>

using namespace kelvox;
using namespace kelvox::test;

namespace {

int pdfPageCount(const std::string& path)
{
    const std::vector<uint8_t> bytes = readFile(path);
    const std::string text(bytes.begin(), bytes.end());
    static const std::regex page(R"(/Type\s*/Page[^s])");
    return static_cast<int>(std::distance(std::sregex_iterator(text.begin(), text.end(), page), std::sregex_iterator()));
}

}  // namespace

TEST(PrintDestination, ScalesEachCoordinateByPrinterOverPageDpi)
{
    EXPECT_EQ(printDestination(PageRect{0, -15, 1070, 745}, 1200, 96), QRect(0, -187, 13375, 9499));
    EXPECT_EQ(printDestination(PageRect{1, 1, 193, 97}, 600, 192), QRect(3, 3, 600, 300));
    EXPECT_TRUE(printDestination(PageRect{0, 0, 10, 10}, 600, 0).isNull());
}

TEST(PrintUsedArea, OneJobWithTheMonochromedArea)
{
    PlotDevice d;
    d.plotprinter();
    d.image().fill(Qt::white);
    QPainter(&d.image()).fillRect(QRect(100, 100, 50, 50), QColor(0, 255, 255));
    d.usedarea = PageRect{0, -30, 2139, 1467};
    RecordingPrintService printer;
    ASSERT_EQ(printUsedArea(d, printer, PrintFit::PageScale), "");
    EXPECT_EQ(printer.begun, 1);
    EXPECT_EQ(printer.ended, 1);
    EXPECT_EQ(printer.pageDpi, 192);
    EXPECT_EQ(printer.source, d.usedarea);
    ASSERT_EQ(printer.picture.size(), QSize(2139, 1497));
    EXPECT_EQ(printer.picture.format(), QImage::Format_Mono);
    EXPECT_EQ(printer.picture.pixel(120, 150) & 0xFFFFFFu, 0u);         // cyan → black
    EXPECT_EQ(printer.picture.pixel(120, 5) & 0xFFFFFFu, 0xFFFFFFu);    // above the image
    EXPECT_EQ(d.image().pixel(120, 120), 0xFF000000u);                  // page on screen too
}

TEST(PrintUsedArea, WholePageAndAnAlreadyOpenJob)
{
    PlotDevice d;
    d.usedarea = PageRect{10, 10, 110, 60};
    RecordingPrintService printer;
    d.setPrintService(&printer);
    ASSERT_EQ(d.plotbegindoc(), "");
    ASSERT_EQ(printUsedArea(d, printer, PrintFit::WholePage), "");
    EXPECT_EQ(printer.begun, 1);  // the job begun before the page is the page's job
    EXPECT_EQ(printer.ended, 1);
    EXPECT_EQ(printer.pageDpi, 0);
    EXPECT_EQ(printer.picture.size(), QSize(100, 50));
}

TEST(PrintUsedArea, FailuresAreReportedAndNothingIsDrawn)
{
    PlotDevice d;
    RecordingPrintService printer;
    EXPECT_NE(printUsedArea(d, printer, PrintFit::PageScale), "");  // empty usedarea
    EXPECT_EQ(printer.begun, 0);
    d.usedarea = PageRect{0, 0, 10, 10};
    printer.beginError = "Cannot start the print job on the printer X.";
    EXPECT_EQ(printUsedArea(d, printer, PrintFit::PageScale), printer.beginError);
    EXPECT_EQ(printer.pageDpi, -1);
    EXPECT_EQ(printer.ended, 0);
}

TEST(PrintUsedArea, DeviceJobCallsNeedAService)
{
    PlotDevice d;
    EXPECT_NE(d.plotbegindoc(), "");
    d.plotabort();  // nothing to abandon
    RecordingPrintService printer;
    d.setPrintService(&printer);
    d.plotbegindoc();
    d.plotabort();
    EXPECT_EQ(printer.aborted, 1);
    EXPECT_FALSE(printer.jobOpen());
}

TEST(QtPrintServicePdf, OneJobIsOneLandscapePage)
{
    QTemporaryDir dir;
    const std::string file = dir.filePath(QStringLiteral("page.pdf")).toStdString();
    PlotDevice d;
    d.plotprinter();
    d.plotwindow(0, 0, 1, 1, 100, 100, 1000, 700, 2);
    d.plottext(200, 200, "Kelvox", 0);
    d.usedarea = PageRect{0, 0, 2139, 1467};
    QtPrintService printer(file);
    ASSERT_EQ(printUsedArea(d, printer, PrintFit::PageScale), "");
    EXPECT_FALSE(printer.jobOpen());
    EXPECT_EQ(pdfPageCount(file), 1);

    const QString pdfinfo = QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
    if (pdfinfo.isEmpty())
        GTEST_SKIP() << "pdfinfo not installed; page count checked from the file";
    QProcess info;
    info.start(pdfinfo, {QString::fromStdString(file)});
    ASSERT_TRUE(info.waitForFinished(10000));
    const QString out = QString::fromUtf8(info.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n")))) << out.toStdString();
    // A4 landscape: 842 × 595 points, wider than high.
    EXPECT_TRUE(out.contains(QRegularExpression(QStringLiteral("Page size:\\s+84[12](\\.\\d+)? x 595")))) << out.toStdString();
}

TEST(QtPrintServicePdf, WithoutPrinterEachJobIsANewNumberedFile)
{
    QTemporaryDir dir;
    QFile existing(dir.filePath(QStringLiteral("take1-print-1.pdf")));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();

    std::vector<std::string> notices;
    QtPrintService printer([&] { return dir.filePath(QStringLiteral("take1.wav")).toStdString(); },
                           [&](const std::string& text) { notices.push_back(text); });
    printer.setUseInstalledPrinter(false);
    PlotDevice d;
    d.plotscreen();
    d.usedarea = PageRect{0, 0, 1070, 757};
    ASSERT_EQ(printUsedArea(d, printer, PrintFit::PageScale), "");
    EXPECT_EQ(printer.currentPdf(), dir.filePath(QStringLiteral("take1-print-2.pdf")).toStdString());
    ASSERT_EQ(printUsedArea(d, printer, PrintFit::WholePage), "");
    EXPECT_EQ(printer.currentPdf(), dir.filePath(QStringLiteral("take1-print-3.pdf")).toStdString());
    EXPECT_EQ(pdfPageCount(printer.currentPdf()), 1);
    EXPECT_EQ(QFileInfo(existing).size(), 0);  // never overwritten
    ASSERT_EQ(notices.size(), 1u);             // told once where the pages go
    EXPECT_NE(notices[0].find(QDir(dir.path()).absolutePath().toStdString()), std::string::npos) << notices[0];
}

TEST(QtPrintServicePdf, BeforeAnyLoadFilesGoToTheCurrentFolder)
{
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    QtPrintService printer([] { return std::string(); }, nullptr);
    printer.setUseInstalledPrinter(false);
    PlotDevice d;
    d.usedarea = PageRect{0, 0, 100, 100};
    const std::string error = printUsedArea(d, printer, PrintFit::PageScale);
    QDir::setCurrent(previous);
    ASSERT_EQ(error, "");
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("kelvox-print-1.pdf"))));
}

TEST(QtPrintServicePdf, AbortLeavesNoOpenJob)
{
    QTemporaryDir dir;
    QtPrintService printer(dir.filePath(QStringLiteral("a.pdf")).toStdString());
    ASSERT_EQ(printer.beginJob(), "");
    EXPECT_TRUE(printer.jobOpen());
    printer.abortJob();
    EXPECT_FALSE(printer.jobOpen());
    EXPECT_EQ(printer.endJob(), "");  // nothing left to end
}

TEST(QtPrintServicePdf, AJobThatCannotStartIsAnError)
{
    QtPrintService printer(std::string("/no-such-folder/kelvox/page.pdf"));
    const std::string error = printer.beginJob();
    EXPECT_NE(error.find("/no-such-folder/kelvox/page.pdf"), std::string::npos) << error;
    EXPECT_FALSE(printer.jobOpen());
}
