#include "section_window.h"

#include "form_fixture.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include "named_child.h"

#include <gtest/gtest.h>

using namespace kelvox;
using namespace kelvox::test;

namespace {

struct SectionForm : FormFixture, ::testing::Test {
    SectionRun run{signal, plot, analysis, labelFile};
    TForm4 form{signal, run, runs, plot};

    template <typename T>
    T* child(const char* name)
    {
        return namedChild<T>(form, name);
    }
    void chooseAnalysis(int item)
    {
        form.findChild<QButtonGroup*>("RadioGroup2Items")->button(item)->click();
    }
};

}  // namespace

TEST_F(SectionForm, StartsWithItsDefaults)
{
    EXPECT_EQ(form.windowTitle(), "SPECTRUM SECTION");
    EXPECT_EQ(child<QComboBox>("ComboBox1")->currentText(), "LTAS");
    EXPECT_EQ(child<QComboBox>("ComboBox4")->currentText(), "-10");
    EXPECT_EQ(child<QComboBox>("ComboBox5")->currentText(), "70");
    EXPECT_EQ(child<QComboBox>("ComboBox1")->toolTip(),
              "Select long time average vs. interval between short ime analyses");
    EXPECT_EQ(child<QLabel>("Label9")->text(), "=>1 page");
    EXPECT_FALSE(child<QSpinBox>("CSpinEdit1")->isEnabled());
    EXPECT_EQ(child<QSpinBox>("CSpinEdit1")->value(), 10);
    EXPECT_FALSE(child<QPushButton>("Button2")->isEnabled());
    EXPECT_FALSE(child<QPushButton>("Button4")->isEnabled());
    const SectionControls c = form.readControls();
    EXPECT_EQ(c.window, SectionWindow::Hamming);
    EXPECT_EQ(c.bandwidthItem, 2);
    EXPECT_EQ(c.levelRangeText, "60");
}

TEST_F(SectionForm, PageCountFollowsTheTimeStepAndSections)
{
    loadTone(0.5);
    form.FormActivate();
    EXPECT_EQ(child<QLabel>("Label7")->text(), "From 0.000 to 0.500 => 0.500 s");
    EXPECT_EQ(child<QLabel>("Label9")->text(), "=> 1 pages");
    child<QComboBox>("ComboBox1")->setCurrentText("10");
    EXPECT_EQ(child<QLabel>("Label9")->text(), "=> 50 pages");
    child<QComboBox>("ComboBox6")->setCurrentText("16");
    EXPECT_EQ(child<QLabel>("Label9")->text(), "=> 4 pages");
}

TEST_F(SectionForm, AnalysisChoiceEnablesTheSpinEditForOrderedAnalyses)
{
    chooseAnalysis(1);  // "LP spectrum"
    EXPECT_TRUE(child<QSpinBox>("CSpinEdit1")->isEnabled());
    EXPECT_EQ(form.choice().lpOrder, 10);
    chooseAnalysis(2);  // "Cepstrum"
    EXPECT_FALSE(child<QSpinBox>("CSpinEdit1")->isEnabled());
    EXPECT_EQ(form.choice().lpOrder, 0);
    EXPECT_EQ(form.choice().cepstrum, 1);
    chooseAnalysis(4);  // "Harm sum"
    child<QSpinBox>("CSpinEdit1")->setValue(5);
    EXPECT_EQ(form.choice().harmonicCount, 5);
}

TEST_F(SectionForm, PreviewStepsWithNextAndPrintCanBeAborted)
{
    loadTone(0.5);
    child<QComboBox>("ComboBox1")->setCurrentText("100");
    NextClicker clicker(child<QPushButton>("Button2"));
    QTest::mouseClick(child<QPushButton>("Button1"), Qt::LeftButton);
    EXPECT_GE(clicker.clicks(), 4);  // sections at 0.0 … 0.4 s, one per page
    EXPECT_FALSE(child<QPushButton>("Button2")->isEnabled());
    EXPECT_EQ(labelFile, "/tmp/tone.mix");  // the run names the label file

    // "Abort" while the first page is spooled: that page is the last one.
    printer.onEndJob = [this] { child<QPushButton>("Button4")->click(); };
    QTest::mouseClick(child<QPushButton>("Button3"), Qt::LeftButton);
    EXPECT_EQ(printer.ended, 1);
    EXPECT_FALSE(child<QPushButton>("Button4")->isEnabled());
    EXPECT_EQ(plot.resolution(), 96);
}

TEST_F(SectionForm, ReplacedSettingsComeBackIntoTheBoxes)
{
    loadTone(0.3);
    child<QComboBox>("ComboBox6")->setEditText("0");
    child<QComboBox>("ComboBox7")->setEditText("-5");
    QTest::mouseClick(child<QPushButton>("Button3"), Qt::LeftButton);
    EXPECT_EQ(child<QComboBox>("ComboBox6")->currentText(), "1");
    EXPECT_EQ(child<QComboBox>("ComboBox7")->currentText(), "60");
}

TEST_F(SectionForm, SettingsTypedWhileAPageWaitsStayAndDrawTheNextPreview)
{
    loadTone(0.1);
    child<QComboBox>("ComboBox1")->setCurrentText("10");  // one section per page: ten pages
    WaitingUser user(child<QPushButton>("Button2"), [this] {
        child<QComboBox>("ComboBox4")->setEditText("20");
        child<QComboBox>("ComboBox6")->setEditText("2x");
        child<QPushButton>("Button1")->click();
    });
    QTest::mouseClick(child<QPushButton>("Button1"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(run.settings().gainDb == 20.0f && !runs.busy(), 20000);
    EXPECT_EQ(run.layout().sectionsPerPage, 2);
    EXPECT_EQ(child<QComboBox>("ComboBox4")->currentText(), "20");
    EXPECT_EQ(child<QComboBox>("ComboBox6")->currentText(), "2");  // "2x" is read as 2
    EXPECT_EQ(child<QComboBox>("ComboBox1")->currentText(), "10");
    EXPECT_GE(user.waits(), 2);
}

TEST_F(SectionForm, AbortEndsAPreviewAndTheProgressLineFollowsTheRun)
{
    loadTone(0.1);
    child<QComboBox>("ComboBox1")->setCurrentText("10");  // ten pages of one section
    int sections = 0;
    run.setSectionObserver([&](const DrawnSection&) { ++sections; });
    auto* abort = child<QPushButton>("Button4");
    QString progress;
    bool abortEnabled = false;
    WaitingUser user(child<QPushButton>("Button2"), [&] {
        progress = child<QLabel>("LabelProgress")->text();
        abortEnabled = abort->isEnabled();
        abort->click();
    });
    QTest::mouseClick(child<QPushButton>("Button1"), Qt::LeftButton);
    EXPECT_TRUE(abortEnabled);
    EXPECT_EQ(progress, "Page 0: 0.010 s of 0.000 to 0.100 s");
    EXPECT_EQ(user.waits(), 1);
    EXPECT_EQ(sections, 1);
    EXPECT_FALSE(runs.busy());
    EXPECT_FALSE(abort->isEnabled());
    EXPECT_FALSE(child<QPushButton>("Button2")->isEnabled());
    EXPECT_EQ(child<QLabel>("LabelProgress")->text(), "");
}
