#include "layout_dialog.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace kelvox;

namespace {

class LayoutDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        device.plotscreen();
        dialog = std::make_unique<TForm5>(live, device);
        showActive();
        preview = dialog->findChild<QWidget*>(QStringLiteral("Image1"));
        ASSERT_NE(preview, nullptr);
    }

    // Activation arrives after show; wait for it so that it cannot reset the
    // working copy in the middle of a test.
    void showActive() const
    {
        dialog->show();
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    }
    QLineEdit* topField(int strip) const
    {
        return dialog->findChild<QLineEdit*>(QStringLiteral("Edit%1").arg(strip));
    }
    QLineEdit* heightField(int strip) const
    {
        return dialog->findChild<QLineEdit*>(QStringLiteral("Edit%1").arg(strip + 4));
    }
    void type(QLineEdit* field, const char* text) const
    {
        field->setText(QString::fromUtf8(text));
        QTest::keyClick(field, Qt::Key_Return);
    }
    void click(const char* button) const
    {
        QTest::mouseClick(dialog->findChild<QPushButton*>(QString::fromUtf8(button)), Qt::LeftButton);
    }
    const SubDisplay& work(int k) const { return dialog->workingLayout().sub[static_cast<std::size_t>(k)]; }
    bool previewBlack(int x, int y) const { return (dialog->previewImage().pixel(x, y) & 0xFFFFFFu) == 0; }

    PlotDevice device;
    PageLayout live = builtInLayout();
    std::unique_ptr<TForm5> dialog;
    QWidget* preview = nullptr;
};

}  // namespace

TEST_F(LayoutDialogTest, WindowControlsAndHints)
{
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Form5"));
    EXPECT_EQ(dialog->size(), QSize(252, 706));
    EXPECT_EQ(preview->geometry(), QRect(16, 0, 137, 670));
    EXPECT_EQ(preview->toolTip(), QStringLiteral("Mouse drag upper and lower borders"));
    const auto* def = dialog->findChild<QPushButton*>(QStringLiteral("Button1"));
    const auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("Button3"));
    ASSERT_TRUE(def && ok);
    EXPECT_EQ(def->text(), QStringLiteral("Default"));
    EXPECT_EQ(def->toolTip(), QStringLiteral("Use defult layout"));
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_EQ(ok->toolTip(), QStringLiteral("Accept layout as shown here"));
    EXPECT_EQ(dialog->findChild<QPushButton*>(QStringLiteral("Button2"))->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(topField(3)->geometry(), QRect(168, 272, 41, 21));
    EXPECT_EQ(heightField(3)->geometry(), QRect(184, 304, 41, 21));
}

TEST_F(LayoutDialogTest, FieldsAtActivationShowTheBuiltInLayout)
{
    EXPECT_NEAR(dialog->layoutScale(), 0.0998802, 1e-6);
    const char* heights[] = {" 20.0", " 50.0", " 48.0", " 40.0"};
    const char* tops[] = {" 15.0", " 40.0", "100.0", "150.0"};
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(heightField(k)->text().toStdString(), heights[k - 1]) << k;
        EXPECT_EQ(topField(k)->text().toStdString(), tops[k - 1]) << k;
    }
}

TEST_F(LayoutDialogTest, ScaleFollowsThePrintResolution)
{
    device.plotprinter();
    dialog->FormActivate();
    EXPECT_NEAR(dialog->layoutScale(), 0.0999463, 1e-6);
}

TEST_F(LayoutDialogTest, PreviewDrawsTheStripsAtOneThirdScale)
{
    // Spectrogram strip: upper edge at 400 / 3 = 133, lower at 300, left at 33.
    EXPECT_TRUE(previewBlack(80, 133));
    EXPECT_TRUE(previewBlack(80, 300));
    EXPECT_TRUE(previewBlack(33, 200));
    EXPECT_FALSE(previewBlack(80, 200));
    EXPECT_FALSE(previewBlack(129, 200));  // open on the right
    // Marker box below the level strip's lower left corner (strip value 100 > 30).
    EXPECT_TRUE(previewBlack(33, 635));
    EXPECT_TRUE(previewBlack(52, 645));
}

TEST_F(LayoutDialogTest, ZeroHeightSwitchesAStripOffAndBackOn)
{
    ASSERT_TRUE(previewBlack(80, 333));  // pitch strip's upper edge, 1001 / 3
    type(heightField(3), "0");
    EXPECT_EQ(dialog->workingLayout().stripValue[3], 0);
    EXPECT_FALSE(previewBlack(80, 333));
    QTest::mouseMove(preview, QPoint(80, 400));
    EXPECT_EQ(dialog->activeStrip(), 0);  // cannot be hovered

    type(heightField(3), "30");
    EXPECT_EQ(dialog->workingLayout().stripValue[3], 20);  // its built-in value
    EXPECT_EQ(work(3).py1, 1001);
    EXPECT_EQ(work(3).py0, 1001 + 300);
    EXPECT_EQ(work(4).py0, 1901);  // the level strip did not move
    EXPECT_EQ(work(4).py1, 1501);
    EXPECT_EQ(heightField(3)->text(), QStringLiteral(" 30.0"));
    EXPECT_EQ(live, builtInLayout());  // only the working copy changed
}

TEST_F(LayoutDialogTest, TopFieldMovesTheStripKeepingItsHeight)
{
    type(topField(2), "60");
    EXPECT_EQ(work(2).py1, 601);  // trunc(60 / 0.0998802 + 0.5)
    EXPECT_EQ(work(2).py0, 1101);
    EXPECT_EQ(topField(2)->text(), QStringLiteral(" 60.1"));
    EXPECT_EQ(heightField(2)->text(), QStringLiteral(" 50.0"));
}

TEST_F(LayoutDialogTest, OnlyEnterActs)
{
    heightField(1)->setText(QStringLiteral("0"));
    QTest::keyClick(heightField(1), Qt::Key_Tab);
    QTest::keyClick(heightField(1), Qt::Key_A);
    EXPECT_EQ(dialog->workingLayout().stripValue[1], 50);
    QTest::keyClick(heightField(1), Qt::Key_Enter);  // the keypad's Enter works too
    EXPECT_EQ(dialog->workingLayout().stripValue[1], 0);
}

TEST_F(LayoutDialogTest, HugeTypedValuesSaturate)
{
    type(heightField(4), "5000");
    EXPECT_EQ(work(4).py0, 32767);
    type(topField(1), "-9000");
    EXPECT_EQ(work(1).py1, -32768);
}

TEST_F(LayoutDialogTest, HoverPicksBorderOrStripWithTheirCursors)
{
    QTest::mouseMove(preview, QPoint(80, 133));
    EXPECT_EQ(dialog->activeStrip(), 2);
    EXPECT_EQ(dialog->dragEdge(), 1);
    EXPECT_EQ(preview->cursor().shape(), Qt::SplitVCursor);
    QTest::mouseMove(preview, QPoint(80, 301));
    EXPECT_EQ(dialog->dragEdge(), -1);
    QTest::mouseMove(preview, QPoint(80, 200));
    EXPECT_EQ(dialog->activeStrip(), 2);
    EXPECT_EQ(dialog->dragEdge(), 0);
    EXPECT_EQ(preview->cursor().shape(), Qt::SizeVerCursor);
    QTest::mouseMove(preview, QPoint(20, 200));  // left of the strips
    EXPECT_EQ(dialog->activeStrip(), 0);
    EXPECT_EQ(preview->cursor().shape(), Qt::ArrowCursor);
    // The waveform strip's lower edge (350 / 3 = 116) and the spectrogram's
    // upper edge (133) are apart; between them nothing is hit.
    QTest::mouseMove(preview, QPoint(80, 125));
    EXPECT_EQ(dialog->activeStrip(), 0);
}

TEST_F(LayoutDialogTest, DraggingTheUpperBorderStoresMultiplesOfThree)
{
    const QImage before = dialog->previewImage().copy();
    QTest::mouseMove(preview, QPoint(80, 133));
    QTest::mousePress(preview, Qt::LeftButton, {}, QPoint(80, 133));
    QTest::mouseMove(preview, QPoint(80, 123));
    EXPECT_TRUE(dialog->bandDrawn());
    EXPECT_NE(dialog->previewImage(), before);
    EXPECT_EQ(topField(2)->text(), QStringLiteral(" 36.9"));  // 0.0998802 × 3 × 123
    QTest::mouseRelease(preview, Qt::LeftButton, {}, QPoint(80, 123));
    EXPECT_FALSE(dialog->bandDrawn());
    EXPECT_EQ(work(2).py1, 369);
    EXPECT_EQ(work(2).py0, 900);
    EXPECT_TRUE(previewBlack(110, 123));
    EXPECT_FALSE(previewBlack(110, 133));
}

TEST_F(LayoutDialogTest, DraggingTheWholeStripMovesBothBorders)
{
    QTest::mouseMove(preview, QPoint(80, 550));  // inside the level strip (500 … 633)
    ASSERT_EQ(dialog->activeStrip(), 4);
    QTest::mousePress(preview, Qt::LeftButton, {}, QPoint(80, 550));
    QTest::mouseMove(preview, QPoint(80, 540));
    QTest::mouseRelease(preview, Qt::LeftButton, {}, QPoint(80, 530));
    EXPECT_EQ(work(4).py1, (1501 / 3 - 20) * 3);
    EXPECT_EQ(work(4).py0, (1901 / 3 - 20) * 3);
}

TEST_F(LayoutDialogTest, CancelDiscardsAndOkKeeps)
{
    type(heightField(2), "70");
    click("Button2");
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(live, builtInLayout());
    showActive();
    EXPECT_EQ(heightField(2)->text(), QStringLiteral(" 50.0"));

    type(heightField(2), "70");
    click("Button3");
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(live.sub[2].py0, 400 + 701);
    EXPECT_EQ(live, dialog->workingLayout());
}

TEST_F(LayoutDialogTest, DefaultRestoresTheBuiltInLayout)
{
    live.sub[3].py0 = 1700;
    live.stripValue[1] = 0;
    dialog->FormActivate();
    EXPECT_EQ(work(3).py0, 1700);
    click("Button1");
    EXPECT_EQ(dialog->workingLayout(), builtInLayout());
    EXPECT_EQ(heightField(3)->text(), QStringLiteral(" 48.0"));
    EXPECT_EQ(live.sub[3].py0, 1700);  // until "OK"
}
