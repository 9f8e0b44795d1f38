#include "waveform_window.h"

#include "form_fixture.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "named_child.h"

#include <gtest/gtest.h>

using namespace kelvox;
using namespace kelvox::test;

namespace {

struct WaveformWindow : FormFixture, ::testing::Test {
    WaveformRun run{signal, plot};
    TForm2 form{signal, run, runs, plot};

    template <typename T>
    T* child(const char* name)
    {
        return namedChild<T>(form, name);
    }
};

}  // namespace

TEST_F(WaveformWindow, StartsWithItsDefaultsAndHints)
{
    EXPECT_EQ(form.windowTitle(), "WAVEFORM");
    EXPECT_EQ(child<QComboBox>("ComboBox1")->currentText(), "100");
    EXPECT_EQ(child<QComboBox>("ComboBox3")->currentText(), "1");
    EXPECT_EQ(child<QComboBox>("ComboBox2")->currentText(), "Auto");
    EXPECT_EQ(child<QComboBox>("ComboBox4")->currentText(), "100");
    EXPECT_EQ(child<QComboBox>("ComboBox2")->toolTip(), "Select or type vertical gain factor");
    EXPECT_FALSE(child<QPushButton>("Button2")->isEnabled());
    EXPECT_EQ(child<QPushButton>("Button3")->toolTip(), "Print high resolution results");
    EXPECT_TRUE(child<QLabel>("Label6")->isHidden());
    EXPECT_EQ(form.readSettings(), WaveformSettings{});
}

TEST_F(WaveformWindow, ActivationShowsTheSpanAndPageCount)
{
    loadTone(2.5);
    form.FormActivate();
    EXPECT_EQ(child<QLabel>("Label10")->text(), "From 0.000 to 2.500 => 2.500 s");
    EXPECT_EQ(child<QLabel>("Label5")->text(), "=> 1 pages");
    signal.selectionEnd = 3.0f;
    form.FormActivate();
    EXPECT_EQ(child<QLabel>("Label5")->text(), "=> 2 pages");
    child<QComboBox>("ComboBox3")->setCurrentText("2");
    EXPECT_EQ(child<QLabel>("Label5")->text(), "=> 1 pages");
    // A typed text is typed, not an item.
    child<QComboBox>("ComboBox1")->setEditText("250");
    EXPECT_EQ(form.readSettings().timeScaleItem, -1);
    EXPECT_EQ(form.readSettings().timeScaleText, "250");
}

TEST_F(WaveformWindow, PreviewWaitsForViewNextPageByPage)
{
    loadTone(6.0);
    auto* next = child<QPushButton>("Button2");
    NextClicker clicker(next);
    QTest::mouseClick(child<QPushButton>("Button1"), Qt::LeftButton);
    // 6 s at 100 mm/s with one 250 mm line per page: 3 pages, "View next" twice.
    EXPECT_EQ(clicker.clicks(), 2);
    EXPECT_FALSE(next->isEnabled());
    EXPECT_FALSE(runs.busy());
}

TEST_F(WaveformWindow, PrintSendsOneJobPerPageAndWritesBackReplacements)
{
    loadTone(6.0);
    child<QComboBox>("ComboBox3")->setEditText("0");
    QTest::mouseClick(child<QPushButton>("Button3"), Qt::LeftButton);
    EXPECT_EQ(printer.ended, 3);
    EXPECT_EQ(printer.pageDpi, 192);
    EXPECT_EQ(child<QComboBox>("ComboBox3")->currentText(), "1");
    EXPECT_EQ(plot.resolution(), 96);  // a screen page again after printing
}

TEST_F(WaveformWindow, SettingsTypedWhileAPageWaitsStayAndDrawTheNextPreview)
{
    loadTone(6.0);
    WaitingUser user(child<QPushButton>("Button2"), [this] {
        child<QComboBox>("ComboBox2")->setCurrentText("20");
        child<QComboBox>("ComboBox3")->setEditText("4");
        child<QPushButton>("Button1")->click();
    });
    QTest::mouseClick(child<QPushButton>("Button1"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(run.parameters().lines == 4 && !runs.busy(), 20000);
    EXPECT_DOUBLE_EQ(run.parameters().gain, 20.0);
    EXPECT_EQ(child<QComboBox>("ComboBox3")->currentText(), "4");
    EXPECT_EQ(child<QComboBox>("ComboBox2")->currentText(), "20");
    EXPECT_EQ(run.pageSpans().size(), 1u);  // four lines of 2.5 s hold the whole 6 s
    EXPECT_EQ(user.waits(), 1);
}
