#include "plot_window.h"

#include "page_image_checks.h"
#include "recording_print_service.h"
#include "print_service.h"

#include <QAction>
#include <QFile>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace kelvox;
using namespace kelvox::test;

namespace {

int blackInColumn(const QImage& image, int x, int y0, int y1)
{
    int n = 0;
    for (int y = y0; y < y1; ++y)
        n += isBlack(image, x, y);
    return n;
}

class PlotWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        device.plotscreen();
        window = std::make_unique<Tnylxform>(device);
        window->chooseSaveFile = [this](const QString& proposal) {
            ++dialogs;
            proposed = proposal;
            return savePath;
        };
        window->showError = [this](const QString& text) { errors.push_back(text.toStdString()); };
        window->show();
        view = window->findChild<QWidget*>(QStringLiteral("Image1"));
        ASSERT_NE(view, nullptr);
    }

    QString file(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }

    QTemporaryDir dir;
    PlotDevice device;
    std::unique_ptr<Tnylxform> window;
    QWidget* view = nullptr;
    QString savePath;
    QString proposed;
    int dialogs = 0;
    std::vector<std::string> errors;
};

}  // namespace

TEST_F(PlotWindowTest, CaptionSizeMenuAndHints)
{
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Rovidid"));
    // As large as a whole 96-dpi page needs, where the screen allows.
    EXPECT_EQ(window->size(), window->pageFitSize().boundedTo(window->screen()->availableGeometry().size()));
    EXPECT_GE(window->pageFitSize().width(), 1068);
    EXPECT_GE(window->pageFitSize().height(), 755);
    EXPECT_EQ(view->size(), QSize(1068, 755));
    EXPECT_EQ(window->palette().color(QPalette::Window), QColor(192, 192, 192));
    struct Item {
        const char* name;
        const char* text;
        const char* hint;
    };
    for (const Item& item : {Item{"Save1", "Save", "Save all|selection as .bmp"},
                             Item{"Print1", "Print", "Print @ screen resolution"},
                             Item{"Select1", "Select", "Select area to save as .bmp"}}) {
        const auto* a = window->findChild<QAction*>(QString::fromUtf8(item.name));
        ASSERT_NE(a, nullptr) << item.name;
        EXPECT_EQ(a->text().toStdString(), item.text);
        EXPECT_EQ(a->toolTip().toStdString(), item.hint);
        EXPECT_TRUE(window->menuBar()->actions().contains(const_cast<QAction*>(a)));
    }
}

TEST_F(PlotWindowTest, ShowHookShowsTheWindow)
{
    window->hide();
    device.plotshow();
    EXPECT_TRUE(window->isVisible());
    window.reset();
    device.plotshow();  // the hook went with the window
}

TEST_F(PlotWindowTest, ReadoutInTheCaptionAndCrossHair)
{
    device.addregion(100, 400, 300, 200, 0, 0, 2, 8000, false);
    device.addregion(100, 400, 300, 200, 5, 5, 6, 6, false);  // hidden by the first
    QTest::mouseMove(view, QPoint(200, 300));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("1.00   4000"));
    EXPECT_EQ(view->cursor().shape(), Qt::CrossCursor);
    QTest::mouseMove(view, QPoint(50, 300));
    EXPECT_EQ(window->windowTitle(), QString());
    EXPECT_EQ(view->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(PlotWindowTest, SelectTwiceWithoutDraggingDrawsNothing)
{
    const QImage before = device.image();
    window->Select1Click();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Select area to save"));
    window->Select1Click();
    EXPECT_EQ(window->windowTitle(), QString());
    EXPECT_EQ(device.image(), before);
}

TEST_F(PlotWindowTest, RubberBandIsRestoredByteForByte)
{
    device.plotwindow(0, 0, 1, 1, 20, 20, 200, 150, 1);
    device.plottext(40, 40, "Kelvox", 0);
    const QImage before = device.image().copy();
    window->Select1Click();
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(view, QPoint(60, 50));
    QTest::mouseMove(view, QPoint(120, 90));
    EXPECT_TRUE(window->bandShown());
    EXPECT_EQ(window->band(), (PageRect{10, 10, 120, 90}));
    // The band is visible: white pixels it crosses turned black.
    EXPECT_GT(blackInColumn(device.image(), 10, 11, 90), 30);
    EXPECT_GT(blackInColumn(device.image(), 120, 11, 90), 30);
    EXPECT_TRUE(isWhite(device.image(), 60, 50));  // the earlier band is gone
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(130, 100));
    EXPECT_TRUE(window->isVisible());  // no hiding in select mode
    EXPECT_EQ(window->band(), (PageRect{10, 10, 130, 100}));
    window->Select1Click();
    EXPECT_FALSE(window->bandShown());
    EXPECT_EQ(device.image(), before);
}

TEST_F(PlotWindowTest, SaveWritesTheBandEitherWayDragged)
{
    QPainter(&device.image()).fillRect(QRect(30, 30, 10, 10), QColor(200, 0, 0));
    window->Select1Click();
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(100, 80));
    QTest::mouseMove(view, QPoint(50, 50));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(20, 20));
    savePath = file("up.bmp");
    window->Save1Click();
    EXPECT_FALSE(window->bandShown());

    window->Select1Click();
    window->Select1Click();
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(100, 80));
    savePath = file("down.bmp");
    window->Save1Click();

    EXPECT_TRUE(errors.empty());
    const MonoBmp up = readMonoBmp(file("up.bmp").toStdString());
    const MonoBmp down = readMonoBmp(file("down.bmp").toStdString());
    ASSERT_TRUE(up.valid);
    ASSERT_TRUE(down.valid);
    EXPECT_EQ(up.width, 80);
    EXPECT_EQ(up.height, 60);
    EXPECT_EQ(up.bytes, down.bytes);
    // The band itself was erased before saving: only the red square, now black.
    EXPECT_EQ(up.colourAt(0, 0), 0xFFFFFFu);
    EXPECT_EQ(up.colourAt(40, 0), 0xFFFFFFu);
    EXPECT_EQ(up.colourAt(15, 15), 0u);
    EXPECT_EQ(up.colourAt(20, 15), 0xFFFFFFu);
}

TEST_F(PlotWindowTest, SaveWithoutBandWritesUsedAreaAndTurnsThePageBlackAndWhite)
{
    device.plotcolor(3);
    device.plotmove(10, 10, 0);
    device.plotmove(300, 10, 1);
    device.usedarea = PageRect{0, -15, 1070, 757};
    savePath = file("page.bmp");
    window->Save1Click();
    ASSERT_TRUE(errors.empty());
    const MonoBmp bmp = readMonoBmp(savePath.toStdString());
    ASSERT_TRUE(bmp.valid);
    EXPECT_EQ(bmp.width, 1070);
    EXPECT_EQ(bmp.height, 772);
    EXPECT_EQ(bmp.colourAt(500, 5), 0xFFFFFFu);   // above the image: white
    EXPECT_EQ(bmp.colourAt(100, 25), 0u);         // the yellow line, row 10
    EXPECT_EQ(device.image().pixel(100, 10), 0xFF000000u);
}

TEST_F(PlotWindowTest, CancelledDialogAndFailuresAreHandled)
{
    QPainter(&device.image()).fillRect(QRect(0, 0, 5, 5), QColor(255, 255, 0));
    device.usedarea = PageRect{0, 0, 100, 100};
    savePath.clear();
    window->Save1Click();
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(device.image().pixel(2, 2), qRgb(255, 255, 0));  // nothing happened
    EXPECT_TRUE(errors.empty());

    savePath = file("missing/page.bmp");
    window->Save1Click();
    EXPECT_EQ(errors.size(), 1u);

    window->Print1Click();  // no print service
    EXPECT_EQ(errors.size(), 2u);
}

TEST_F(PlotWindowTest, PrintStretchesTheUsedAreaOverOnePage)
{
    RecordingPrintService printer;
    device.setPrintService(&printer);
    device.usedarea = PageRect{0, 0, 1070, 757};
    window->Print1Click();
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(printer.ended, 1);
    EXPECT_EQ(printer.pageDpi, 0);
    EXPECT_EQ(printer.picture.size(), QSize(1070, 757));
}

TEST_F(PlotWindowTest, ClickHidesOutsideSelectMode)
{
    window->Select1Click();
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(40, 40));
    EXPECT_TRUE(window->isVisible());
    window->Select1Click();
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(40, 40));
    EXPECT_FALSE(window->isVisible());
}

TEST_F(PlotWindowTest, DoubleClickHidesInSelectModeToo)
{
    window->Select1Click();
    QTest::mouseDClick(view, Qt::LeftButton, {}, QPoint(40, 40));
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->selecting());  // select mode survives hiding
}

TEST_F(PlotWindowTest, TheCanvasIsThePageInHandAtItsResolution)
{
    device.plotprinter();
    EXPECT_EQ(view->size(), QSize(2136, 1511));  // the page's last column lies beyond the image
    device.plotscreen();
    EXPECT_EQ(view->size(), QSize(1068, 755));
}

TEST_F(PlotWindowTest, APageBeginTakesTheRubberBandOffFirst)
{
    window->Select1Click();
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(view, QPoint(120, 90));
    ASSERT_TRUE(window->bandShown());
    device.plotscreen();
    EXPECT_FALSE(window->bandShown());
    window->Select1Click();  // turning select mode off erases nothing on the new page
    EXPECT_EQ(boxOfPixelsNot(device.image(), qRgb(255, 255, 255), QRect(2, 2, 1060, 750)), QRect());
}

TEST_F(PlotWindowTest, TheScreenPageComesBackWholeAfterPrintPages)
{
    device.plotwindow(0, 0, 1, 1, 20, 20, 400, 300, 1);
    device.usedarea = PageRect{0, 0, 500, 400};
    device.addregion(20, 300, 400, 20, 0, 0, 1, 1, false);
    const QImage screenPage = device.image().copy();
    device.keepScreenPage();
    device.plotprinter();
    device.plotwindow(0, 0, 1, 1, 100, 100, 2000, 1400, 3);
    device.usedarea = PageRect{0, 0, 2136, 1511};
    device.clearRegions();
    device.restoreScreenPage();
    EXPECT_EQ(device.resolution(), 96);
    EXPECT_EQ(device.pageWidthPx(), 1068);
    EXPECT_EQ(device.image(), screenPage);
    EXPECT_EQ(device.usedarea, (PageRect{0, 0, 500, 400}));
    EXPECT_EQ(device.regions().size(), 1u);
    EXPECT_EQ(view->size(), QSize(1068, 755));
    device.restoreScreenPage();  // nothing kept any more: a fresh screen page
    EXPECT_TRUE(isWhite(device.image(), 200, 20));
}

TEST(PlotWindowPlace, StaysWhereItIsWhenClearOfTheButtons)
{
    const QRect screen(0, 0, 1920, 1080), buttons(728, 300, 310, 60);
    EXPECT_EQ(placeClearOf(screen, QRect(0, 400, 700, 600), buttons), QRect(0, 400, 700, 600));
}

TEST(PlotWindowPlace, MovesBesideTheButtonsWhereTheRoomIsLargest)
{
    const QRect screen(0, 0, 1920, 1080), buttons(728, 300, 310, 60);
    // Centred over the buttons: below them is the most room, 720 rows of it.
    EXPECT_EQ(placeClearOf(screen, QRect(420, 140, 1080, 800), buttons), QRect(420, 360, 1080, 720));
    // A small window fits below whole, as near its place as it can be.
    EXPECT_EQ(placeClearOf(screen, QRect(700, 290, 400, 300), buttons), QRect(700, 360, 400, 300));
    // Buttons near the screen's bottom: several sides hold the whole window; it
    // takes the shortest way, up here, left there.
    const QRect low(728, 1000, 310, 60);
    EXPECT_EQ(placeClearOf(screen, QRect(500, 600, 800, 500), low), QRect(500, 500, 800, 500));
    EXPECT_EQ(placeClearOf(screen, QRect(100, 700, 600, 500), low), QRect(100, 580, 600, 500));
}

TEST(PlotWindowPlace, ALargerWindowThanTheScreenIsShrunkOntoIt)
{
    const QRect screen(0, 0, 800, 600);
    const QRect placed = placeClearOf(screen, QRect(-50, -50, 1200, 900), QRect(2000, 2000, 10, 10));
    EXPECT_EQ(placed, QRect(0, 0, 800, 600));
}

TEST_F(PlotWindowTest, SaveProposesANameAndAddsBmpToANameWithoutExtension)
{
    window->proposeSaveName = [] { return savedPageName("/rec/take1.wav", "spectrogram", 2); };
    device.usedarea = PageRect{0, 0, 100, 80};
    savePath = file("first");
    window->Save1Click();
    EXPECT_EQ(proposed, "take1-spectrogram-page2.bmp");
    EXPECT_TRUE(readMonoBmp(file("first.bmp").toStdString()).valid);
    EXPECT_FALSE(QFile::exists(file("first")));
    savePath = file("second.dib");  // an extension of its own stays
    window->Save1Click();
    EXPECT_TRUE(readMonoBmp(file("second.dib").toStdString()).valid);
    EXPECT_TRUE(errors.empty());
}

TEST(PlotWindowSaveName, RecordingViewAndPage)
{
    EXPECT_EQ(savedPageName("/data/v1.2/take1.wav", "section", 0), "take1-section-page0.bmp");
    EXPECT_EQ(savedPageName("/data/take.one.smp", "wave", 3), "take.one-wave-page3.bmp");
    EXPECT_EQ(savedPageName("/data/take1.wav", "", 1), "take1-page1.bmp");
    EXPECT_EQ(savedPageName("", "", 0), "page0.bmp");
}
