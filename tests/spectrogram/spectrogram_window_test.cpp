#include "spectrogram_window.h"

#include "form_fixture.h"
#include "page_layout.h"
#include "plot_window.h"
#include "qt_print_service.h"
#include "spectrogram_state.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "named_child.h"

#include <gtest/gtest.h>

using namespace kelvox;
using namespace kelvox::test;

namespace {

struct SpectrogramForm : FormFixture, ::testing::Test {
    PageLayout layout = builtInLayout();
    SpectrogramState st;
    SpectrogramRun run{signal, layout, plot, analysis, st, labelFile, labelChoice};
    TForm3 form{signal, run, runs, plot};

    template <typename T>
    T* child(const char* name)
    {
        return namedChild<T>(form, name);
    }
    void chooseAnalysis(int item) { form.findChild<QButtonGroup*>("RadioGroup2Items")->button(item)->click(); }
    QString text(const char* name) { return child<QComboBox>(name)->currentText(); }
};

}  // namespace

TEST_F(SpectrogramForm, StartsWithItsDefaultsAndHints)
{
    EXPECT_EQ(form.windowTitle(), "SPECTROGRAM");
    EXPECT_EQ(form.readSettings(), SpectrogramSettings{});
    EXPECT_EQ(text("ComboBox1"), "100");
    EXPECT_EQ(text("ComboBox6"), "5000");
    EXPECT_EQ(text("ComboBox8"), "0");
    EXPECT_EQ(text("ComboBox7"), "40");
    EXPECT_EQ(child<QComboBox>("ComboBox8")->toolTip(), "Adjust black level");
    EXPECT_EQ(child<QPushButton>("Button3")->toolTip(), "Set up sub-display sizes");
    EXPECT_FALSE(child<QPushButton>("Button4")->isEnabled());  // "Advanced"
    EXPECT_FALSE(child<QPushButton>("Button2")->isEnabled());
    EXPECT_FALSE(child<QPushButton>("Button6")->isEnabled());
    EXPECT_EQ(child<QPushButton>("Button6")->toolTip(), "Abort printing operation");
}

TEST_F(SpectrogramForm, SpanAndPageCountOnActivation)
{
    loadTone(2.5);
    form.FormActivate();
    EXPECT_EQ(child<QLabel>("Label1")->text(), "From 0.000 to 2.500 => 2.500 s");
    EXPECT_EQ(child<QLabel>("Label6")->text(), "1 pages");
    signal.selectionStart = 0.2f;
    signal.selectionEnd = 2.8f;
    form.FormActivate();
    EXPECT_EQ(child<QLabel>("Label1")->text(), "From 0.200 to 2.800 => 2.600 s");
    EXPECT_EQ(child<QLabel>("Label6")->text(), "2 pages");
    signal.selectionStart = signal.selectionEnd = 0.0f;  // nothing selected: the shown interval
    signal.displayStart = 1.0f;
    form.FormActivate();
    EXPECT_EQ(child<QLabel>("Label1")->text(), "From 1.000 to 2.500 => 1.500 s");
    child<QComboBox>("ComboBox1")->setEditText("abc");
    EXPECT_EQ(child<QLabel>("Label6")->text(), "0 pages");
}

TEST_F(SpectrogramForm, QBandwidthFollowsTheLastRun)
{
    loadTone(0.3);
    chooseAnalysis(1);  // "Q=34" before any run
    EXPECT_EQ(text("ComboBox2"), "0");
    chooseAnalysis(0);
    child<QComboBox>("ComboBox2")->setCurrentText("200");
    QTest::mouseClick(child<QPushButton>("Button5"), Qt::LeftButton);  // a print run at 5000 Hz
    chooseAnalysis(2);
    EXPECT_EQ(text("ComboBox2"), "200");  // other types leave the box alone
    chooseAnalysis(1);
    EXPECT_EQ(text("ComboBox2"), "294");
}

TEST_F(SpectrogramForm, FrequencyRangeCorrectionsComeBack)
{
    loadTone(0.3, 8000);
    child<QComboBox>("ComboBox6")->setEditText("100");
    QTest::mouseClick(child<QPushButton>("Button5"), Qt::LeftButton);
    EXPECT_EQ(text("ComboBox6"), "125");
    EXPECT_EQ(form.readSettings().frequencyRangeItem, -1);  // typed, not an item
    child<QComboBox>("ComboBox6")->setCurrentText("5000");
    QTest::mouseClick(child<QPushButton>("Button5"), Qt::LeftButton);
    EXPECT_EQ(text("ComboBox6"), "fs/2");
    EXPECT_EQ(form.readSettings().frequencyRangeItem, 1);
}

TEST_F(SpectrogramForm, PreviewWaitsAfterEachPageUntilViewNext)
{
    loadTone(6.0);
    auto* next = child<QPushButton>("Button2");
    bool enabledAfterFirstPage = false;
    int pagesSeenWaiting = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (next->isEnabled()) {
            enabledAfterFirstPage = true;
            ++pagesSeenWaiting;
            next->click();
        }
    });
    probe.start(5);
    QTest::mouseClick(child<QPushButton>("Button1"), Qt::LeftButton);
    EXPECT_TRUE(enabledAfterFirstPage);
    EXPECT_GE(pagesSeenWaiting, 2);  // 6 s at 100 mm/s takes three pages
    EXPECT_FALSE(next->isEnabled());
    EXPECT_FALSE(runs.busy());
}

TEST_F(SpectrogramForm, PreviewWhileWaitingRestartsCleanly)
{
    loadTone(6.0);
    auto* next = child<QPushButton>("Button2");
    int restarts = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (!next->isEnabled())
            return;
        if (restarts == 0) {
            ++restarts;
            child<QPushButton>("Button1")->click();  // "Preview" again while the first run waits
        } else {
            next->click();
        }
    });
    probe.start(5);
    QTest::mouseClick(child<QPushButton>("Button1"), Qt::LeftButton);
    QTest::qWait(50);  // the restarted run is queued after the first one returns
    QTRY_VERIFY_WITH_TIMEOUT(!runs.busy(), 10000);
    EXPECT_EQ(restarts, 1);
    EXPECT_FALSE(next->isEnabled());
}

TEST_F(SpectrogramForm, PrintToPdfWritesOnePerPageAndAbortStopsAfterThePageInHand)
{
    loadTone(6.0);
    QTemporaryDir dir;
    QtPrintService pdf([&dir] { return QDir(dir.path()).filePath("rec.wav").toStdString(); }, [](const std::string&) {});
    pdf.setUseInstalledPrinter(false);
    plot.setPrintService(&pdf);
    QTest::mouseClick(child<QPushButton>("Button5"), Qt::LeftButton);
    EXPECT_EQ(QDir(dir.path()).entryList({"rec-print-*.pdf"}).size(), 3);
    EXPECT_EQ(plot.resolution(), 96);

    plot.setPrintService(&printer);
    printer.onEndJob = [this] { child<QPushButton>("Button6")->click(); };
    QTest::mouseClick(child<QPushButton>("Button5"), Qt::LeftButton);
    EXPECT_EQ(printer.ended, 1);
    EXPECT_FALSE(child<QPushButton>("Button6")->isEnabled());
}

TEST_F(SpectrogramForm, SettingsTypedWhileAPageWaitsStayAndDrawTheNextPreview)
{
    loadTone(6.0);
    WaitingUser user(child<QPushButton>("Button2"), [this] {
        chooseAnalysis(3);  // "LinPr 17"
        child<QComboBox>("ComboBox3")->setEditText("20");
        child<QPushButton>("Button1")->click();
    });
    QTest::mouseClick(child<QPushButton>("Button1"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(run.parameters().linPr() && !runs.busy(), 20000);
    EXPECT_FLOAT_EQ(run.parameters().gainDb, 20.0f);
    EXPECT_EQ(text("ComboBox3"), "20");
    EXPECT_EQ(form.readSettings().analysis, AnalysisType::LinPr17);
    EXPECT_GE(user.waits(), 3);  // the new run paged through its own pages
}

TEST_F(SpectrogramForm, BoxesShowTheValuesInUseWhileThePagesAreShown)
{
    loadTone(6.0, 8000);
    child<QComboBox>("ComboBox3")->setEditText("-1e9");  // read as -1 dB
    child<QComboBox>("ComboBox6")->setEditText("100");   // below fs/64 = 125 Hz
    child<QComboBox>("ComboBox1")->setEditText("0");     // no time scale: the default
    auto* next = child<QPushButton>("Button2");
    QStringList shown;
    WaitingUser user(next, [&] {
        shown << text("ComboBox3") << text("ComboBox6") << text("ComboBox1");
        next->click();
    });
    QTest::mouseClick(child<QPushButton>("Button1"), Qt::LeftButton);
    EXPECT_EQ(shown, (QStringList{"-1", "125", "100"}));
    EXPECT_FLOAT_EQ(run.parameters().gainDb, -1.0f);
    EXPECT_EQ(text("ComboBox3"), "-1");
}

TEST_F(SpectrogramForm, AWaitingRunTakesTheEndOfAChangedSelection)
{
    loadTone(6.0);  // three pages at 100 mm/s
    auto* next = child<QPushButton>("Button2");
    WaitingUser user(next, [&] {  // the user selects 0 … 3 s in the main window
        signal.selectionStart = 0.0f;
        signal.selectionEnd = 3.0f;
        next->click();
    });
    QTest::mouseClick(child<QPushButton>("Button1"), Qt::LeftButton);
    EXPECT_EQ(user.waits(), 1);  // the second page reached the new end: no third page
    EXPECT_FLOAT_EQ(run.parameters().analysisEnd, 3.0f);
    EXPECT_NEAR(st.cursor.pageTime, 2.9, 0.02);  // 10 mm before 3.0 s: where a page after it would begin
}

TEST_F(SpectrogramForm, TwoPreviewsOfTheSameSettingsDrawTheSamePage)
{
    // Loud from its first sample: a run that ended on it leaves the conditioning
    // and the level curves a start of their own to forget.
    loadTone(2.0);
    for (int type : {0, 3}) {  // "Fourier", and "LinPr 17" whose levels come first
        chooseAnalysis(type);
        std::vector<QImage> pages;
        for (int attempt = 0; attempt < 2; ++attempt) {
            st.pitchTrack.pitch = 50.0;  // the pitch estimate carries from run to run by design
            st.pitchTrack.pitchQuality = 0;
            st.pitchTrack.jitter = 0.0;
            QTest::mouseClick(child<QPushButton>("Button1"), Qt::LeftButton);
            pages.push_back(plot.image().copy(0, 0, plot.pageWidthPx(), plot.pageHeightPx()));
        }
        EXPECT_TRUE(pages[0] == pages[1]) << "analysis item " << type;
        for (int x = 0; x < 40; ++x)  // a solid border, not a dashed one
            EXPECT_EQ(pages[1].pixel(x, 0), qRgb(0, 0, 0)) << x;
    }
}

TEST_F(SpectrogramForm, AbortEndsAWaitingPreview)
{
    loadTone(6.0);
    auto* abort = child<QPushButton>("Button6");
    QString progress;
    WaitingUser user(child<QPushButton>("Button2"), [&] {
        progress = child<QLabel>("LabelProgress")->text();
        abort->click();
    });
    QTest::mouseClick(child<QPushButton>("Button1"), Qt::LeftButton);
    EXPECT_TRUE(progress.startsWith("Page 0: 2.")) << progress.toStdString();  // the first page reaches 2.x s
    EXPECT_TRUE(progress.endsWith(" s of 0.000 to 6.000 s")) << progress.toStdString();
    EXPECT_EQ(user.waits(), 1);
    EXPECT_EQ(st.cursor.pageNumber, 1);
    EXPECT_FALSE(runs.busy());
    EXPECT_FALSE(abort->isEnabled());
    // The progress line has a row of its own, below the label file's, inside the window.
    const QRect line = child<QLabel>("LabelProgress")->geometry(), labels = child<QLabel>("LabelSource")->geometry();
    EXPECT_FALSE(line.intersects(labels));
    EXPECT_TRUE(form.rect().contains(line) && form.rect().contains(labels));
}

TEST_F(SpectrogramForm, AfterPrintingThePlotWindowShowsThePreviewPageWhole)
{
    loadTone(2.0);
    Tnylxform plotWindow(plot);
    form.showPlotWindow = [&] { plotWindow.openClearOf(form.buttonArea(), {}); };
    QTest::mouseClick(child<QPushButton>("Button1"), Qt::LeftButton);
    const QImage preview = plot.image().copy(0, 0, 1068, 755);
    EXPECT_FALSE(plotWindow.frameGeometry().intersects(form.buttonArea()));

    QTest::mouseClick(child<QPushButton>("Button5"), Qt::LeftButton);
    EXPECT_EQ(printer.ended, 1);
    EXPECT_EQ(printer.pageDpi, 192);
    EXPECT_EQ(plot.resolution(), 96);
    auto* view = plotWindow.findChild<QWidget*>("Image1");
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->size(), QSize(1068, 755));
    const QImage shown = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(shown == preview);
}

TEST_F(SpectrogramForm, PrintedPagesAreDrawnAtThePrintersOwnResolution)
{
    loadTone(2.0);
    Tnylxform plotWindow(plot);
    form.showPlotWindow = [&] { plotWindow.openClearOf(form.buttonArea(), {}); };
    QTest::mouseClick(child<QPushButton>("Button1"), Qt::LeftButton);
    const QImage preview = plot.image().copy(0, 0, 1068, 755);

    // A 600-dpi printer: the page is drawn at 600 dpi, its used area three and an
    // eighth times as large as at 192 dpi (within two 192-dpi pixels: the 192-dpi
    // page's size and layout are cut to whole pixels).
    printer.resolution = 600;
    QTest::mouseClick(child<QPushButton>("Button5"), Qt::LeftButton);
    EXPECT_EQ(printer.ended, 1);
    EXPECT_EQ(printer.pageDpi, 600);
    const QSize fine = printer.picture.size();
    printer.resolution = 192;
    QTest::mouseClick(child<QPushButton>("Button5"), Qt::LeftButton);
    EXPECT_EQ(printer.pageDpi, 192);
    const QSize classic = printer.picture.size();
    EXPECT_NEAR(fine.width(), classic.width() * 600.0 / 192, 2 * 600.0 / 192);
    EXPECT_NEAR(fine.height(), classic.height() * 600.0 / 192, 2 * 600.0 / 192);

    // The screen page comes back whole.
    EXPECT_EQ(plot.resolution(), 96);
    EXPECT_EQ(plot.image().format(), QImage::Format_RGB32);
    auto* view = plotWindow.findChild<QWidget*>("Image1");
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->size(), QSize(1068, 755));
    EXPECT_TRUE(view->grab().toImage().convertToFormat(QImage::Format_RGB32) == preview);
}

namespace {

// A mono recording of `samples` at 16 kHz, loaded as the main window would.
void loadSamples(FormFixture& f, const std::vector<int>& samples)
{
    ASSERT_TRUE(loadSoundBytes(makeWav({.rateHz = 16000}, pcm16(samples)), "/tmp/voice.wav", f.signal, 665, 201).ok);
    f.plot.setPrintService(&f.printer);
}

void pickItem(QComboBox* box, const QString& item)
{
    const int index = box->findText(item);
    ASSERT_GE(index, 0) << item.toStdString();
    box->setCurrentIndex(index);
}

}  // namespace

TEST_F(SpectrogramForm, AutoMidPitchIsEstimatedShownAndKeptUntilChosenAgain)
{
    std::vector<int> twoTones = sine(110.0, 16000, 16000, 9000.0);  // 1 s at 110 Hz, then 1 s at 220 Hz
    const std::vector<int> high = sine(220.0, 16000, 16000, 9000.0);
    twoTones.insert(twoTones.end(), high.begin(), high.end());
    loadSamples(*this, twoTones);
    auto* mid = child<QComboBox>("ComboBox5");
    EXPECT_EQ(mid->itemText(mid->count() - 1), "Auto");
    EXPECT_EQ(mid->currentText(), "100");
    auto* preview = child<QPushButton>("Button1");

    signal.selectionStart = 0.0f;
    signal.selectionEnd = 1.0f;
    pickItem(mid, "Auto");
    QTest::mouseClick(preview, Qt::LeftButton);
    EXPECT_EQ(text("ComboBox5"), "133");  // AMDF: 1.26 · 100 Hz · 1.1^0.6
    EXPECT_FLOAT_EQ(run.parameters().midPitch, 133.0f);
    EXPECT_TRUE(child<QLabel>("LabelMidPitch")->text().isEmpty());

    // Another interval with the box as it stands: the same number, nothing estimated.
    signal.selectionStart = 1.0f;
    signal.selectionEnd = 2.0f;
    QTest::mouseClick(preview, Qt::LeftButton);
    EXPECT_EQ(text("ComboBox5"), "133");
    EXPECT_FALSE(run.typicalPitch().has_value());

    // "Auto" chosen again hears the new interval.
    pickItem(mid, "Auto");
    QTest::mouseClick(preview, Qt::LeftButton);
    EXPECT_EQ(text("ComboBox5"), "202");  // 1.26 · 100 Hz · 2.2^0.6

    // Typed rather than picked, for "Peak P".
    form.findChild<QButtonGroup*>("RadioGroup1Items")->button(0)->click();
    mid->clearEditText();
    QTest::keyClicks(mid->lineEdit(), "Auto");
    QTest::mouseClick(preview, Qt::LeftButton);
    EXPECT_EQ(text("ComboBox5"), "154");  // 0.7 · 220 Hz
}

TEST_F(SpectrogramForm, AutoOnSilenceShowsTheDefaultAndSaysSo)
{
    loadSamples(*this, std::vector<int>(16000, 0));
    auto* mid = child<QComboBox>("ComboBox5");
    auto* note = child<QLabel>("LabelMidPitch");
    pickItem(mid, "Auto");
    QTest::mouseClick(child<QPushButton>("Button1"), Qt::LeftButton);
    EXPECT_EQ(text("ComboBox5"), "100");
    EXPECT_EQ(mid->currentIndex(), 1);
    EXPECT_EQ(note->text(), "no voice");
    EXPECT_FALSE(note->toolTip().isEmpty());

    // The note speaks of the number the run wrote: another one clears it, and so
    // does a run of a number.
    mid->setEditText("140");
    EXPECT_TRUE(note->text().isEmpty());
    pickItem(mid, "Auto");
    QTest::mouseClick(child<QPushButton>("Button1"), Qt::LeftButton);
    EXPECT_EQ(note->text(), "no voice");
    QTest::mouseClick(child<QPushButton>("Button1"), Qt::LeftButton);  // "100" as it stands
    EXPECT_TRUE(note->text().isEmpty());
}
