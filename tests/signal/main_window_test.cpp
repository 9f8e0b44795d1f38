#include "main_window.h"

#include "audio_player.h"
#include "program_memory.h"
#include "signal_state.h"
#include "sound_files.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

#include "named_child.h"

#include <gtest/gtest.h>

using namespace kelvox;
using namespace kelvox::test;

namespace {

struct FakeAudio : AudioOutput {
    std::vector<PlaySlice> played;
    std::size_t samples = 0;
    bool fail = false;
    bool play(const PlaySlice& slice, const std::vector<int16_t>& s, int, int, QString& error) override
    {
        if (fail) {
            error = QStringLiteral("no device");
            return false;
        }
        played.push_back(slice);
        samples = s.size();
        return true;
    }
};

// A main window with every dialog, box and device replaced by a recorder.
struct Harness {
    SignalState state;
    TForm1 form{state};
    QStringList chosen;  // answers of the file dialog, in order; empty string = Cancel
    QStringList filters;  // the filter each file dialog was given
    int dialogs = 0;
    int errorBoxes = 0;
    QStringList errorDetails;               // the informative text of each error box
    bool cursorDuringBox = false;           // an override cursor was still set while a box showed
    std::vector<RawParameters> rawAnswers;  // answers of the raw dialog; none left = Cancel
    std::vector<RawParameters> rawAsked;    // what the raw dialog was shown
    QStringList notices;
    FakeAudio* audio = nullptr;
    int exits = 0;
    int loads = 0;

    Harness()
    {
        form.setFileChooser([this](QWidget*, const QString&, const QString& filter) {
            ++dialogs;
            filters << filter;
            return chosen.isEmpty() ? QString() : chosen.takeFirst();
        });
        form.setErrorBox([this](QWidget*, const QString& details) {
            ++errorBoxes;
            errorDetails << details;
            cursorDuringBox = cursorDuringBox || QApplication::overrideCursor() != nullptr;
        });
        form.setRawAsker([this](QWidget*, const QString&, RawParameters& p) {
            rawAsked.push_back(p);
            if (rawAnswers.empty())
                return false;
            p = rawAnswers.front();
            rawAnswers.erase(rawAnswers.begin());
            return true;
        });
        form.setNotifier([this](QWidget*, const QString& text) { notices << text; });
        auto fake = std::make_unique<FakeAudio>();
        audio = fake.get();
        form.setAudioOutput(std::move(fake));
        form.setExitHandler([this] { ++exits; });
        form.setLoadedHandler([this] { ++loads; });
    }
    template <typename T>
    T* child(const char* name)
    {
        return namedChild<T>(form, name);
    }
    void typeInto(const char* field, const QString& text)
    {
        auto* edit = child<QLineEdit>(field);
        edit->setText(text);
        QTest::keyRelease(edit, Qt::Key_Return);
    }
};

// A tone of `seconds` written as `name` in `dir`.
QString wavIn(const QTemporaryDir& dir, const char* name, double seconds)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    const Bytes wav = makeWav({}, pcm16(sine(200, 16000, static_cast<int>(seconds * 16000), 8000)));
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(reinterpret_cast<const char*>(wav.data()), static_cast<qint64>(wav.size()));
    return path;
}

void turnWheel(QWidget* view, int angle, Qt::KeyboardModifiers modifiers = {})
{
    QWheelEvent wheel(QPointF(100, 100), view->mapToGlobal(QPointF(100, 100)), QPoint(), QPoint(0, angle), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &wheel);
}

QString wavFile(const char* name, double seconds, int channels = 1, int rate = 16000)
{
    const int frames = static_cast<int>(seconds * rate);
    return QString::fromStdString(
        writeTempFile(name, makeWav({.channels = channels, .rateHz = rate}, pcm16(sine(200, rate, frames * channels, 8000)))));
}

}  // namespace

TEST(MainWindow, StartsEmptyWithItsCaptionsAndHints)
{
    Harness h;
    EXPECT_EQ(h.form.windowTitle(), "Vevov selection");
    EXPECT_EQ(h.child<QLabel>("Label1")->text(), "Parameters");
    EXPECT_EQ(h.child<QLabel>("Label1")->toolTip(), "Parameters for file loaded");
    EXPECT_FALSE(h.child<QCheckBox>("CheckBox1")->isEnabled());
    EXPECT_FALSE(h.child<QCheckBox>("CheckBox2")->isEnabled());
    EXPECT_EQ(h.child<QPushButton>("Button6")->toolTip(), "Show selected interval");
    EXPECT_EQ(h.child<QWidget>("PaintBox1")->size(), QSize(665, 201));
    EXPECT_EQ(h.child<QLineEdit>("Edit1")->text(), " ");
    EXPECT_EQ(h.child<QLineEdit>("Edit3")->text(), "");
    const QList<QAction*> menus = h.form.menuBar()->actions();
    ASSERT_FALSE(menus.isEmpty());
    EXPECT_EQ(menus[0]->text(), "File");
}

TEST(MainWindow, OpenLoadsAndSetsTheControls)
{
    Harness h;
    const QString path = wavFile("stereo.wav", 1.0, 2, 22050);
    h.chosen << path;
    h.form.Open1Click();
    EXPECT_EQ(h.loads, 1);
    EXPECT_EQ(h.form.windowTitle(), path + "  88244");
    EXPECT_TRUE(h.child<QCheckBox>("CheckBox1")->isEnabled());
    EXPECT_FALSE(h.child<QCheckBox>("CheckBox2")->isEnabled());
    EXPECT_TRUE(h.child<QSpinBox>("SpinEdit1")->isEnabled());
    EXPECT_EQ(h.child<QSpinBox>("SpinEdit1")->maximum(), 1);
    EXPECT_TRUE(h.child<QPushButton>("Button1")->isEnabled());
    EXPECT_FALSE(h.child<QPushButton>("Button2")->isEnabled());
    EXPECT_EQ(h.child<QLabel>("Label1")->text(), "1.000 s @ 22.050 kHz, 16b, 2 ch, max 0.24");
    EXPECT_EQ(h.child<QLineEdit>("Edit2")->text(), "1.0000");
    EXPECT_EQ(h.form.openFolder(), QFileInfo(path).absolutePath());
    h.child<QSpinBox>("SpinEdit1")->setValue(1);
    EXPECT_EQ(h.state.selectedChannel, 1);
}

TEST(MainWindow, RefusedFileShowsTheBoxAndKeepsTheRecording)
{
    Harness h;
    ASSERT_TRUE(h.form.loadFile(wavFile("keep.wav", 0.5)));
    const QString title = h.form.windowTitle();
    h.chosen << QString::fromStdString(writeTempFile("broken.wav", Bytes(10, 0)));
    h.form.Open1Click();
    EXPECT_EQ(h.errorBoxes, 1);
    EXPECT_EQ(h.form.windowTitle(), title);
    EXPECT_FLOAT_EQ(h.state.fileDuration, 0.5f);
    // The box names the file and says why, on two lines; no busy cursor is left over it.
    EXPECT_EQ(h.errorDetails,
              QStringList{"broken.wav\nnot a sound file (neither RIFF WAVE nor a format libsndfile knows)"});
    EXPECT_FALSE(h.cursorDuringBox);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    h.chosen << QString::fromStdString(writeTempFile("noise.flac", Bytes(500, 0x33)));
    h.form.Open1Click();
    ASSERT_EQ(h.errorDetails.size(), 2);
    EXPECT_TRUE(h.errorDetails[1].startsWith("noise.flac\nFLAC decoding failed: ")) << h.errorDetails[1].toStdString();
    EXPECT_FLOAT_EQ(h.state.fileDuration, 0.5f);
}

TEST(MainWindow, OpenListsEveryReadableExtensionFirst)
{
    Harness h;
    h.form.Open1Click();
    ASSERT_EQ(h.filters.size(), 1);
    const QStringList entries = h.filters[0].split(";;");
    ASSERT_EQ(entries.size(), 4);
    EXPECT_TRUE(entries[0].startsWith("Sound files (*.wav *.WAV *.smp *.SMP *.flac *.FLAC "))
        << entries[0].toStdString();
    for (const char* pattern :
         {"*.aiff", "*.AIF", "*.sph", "*.NIST", "*.ogg", "*.opus", "*.mp3", "*.MP3", "*.w64", "*.caf"})
        EXPECT_TRUE(entries[0].contains(QString(" ") + pattern)) << pattern;
    EXPECT_EQ(entries[1], "Wave files (*.wav *.WAV)");
    EXPECT_EQ(entries[2], "SMP files (*.smp *.SMP)");
    EXPECT_EQ(entries[3], "All files (*)");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(MainWindow, OpenRawAsksForTheParametersAndRemembersThem)
{
    Harness h;
    QAction* openRaw = h.form.findChild<QAction*>("OpenRaw1");
    ASSERT_NE(openRaw, nullptr);
    EXPECT_EQ(openRaw->text(), "Open raw...");
    EXPECT_TRUE(h.form.menuBar()->actions()[0]->menu()->actions().contains(openRaw));

    // Big-endian stereo at 8 kHz after a 16-byte header.
    Bytes file(16, 'h');
    for (int v : sine(100, 8000, 1600, 9000)) {
        file.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
        file.push_back(static_cast<uint8_t>(v & 0xFF));
    }
    const QString path = QString::fromStdString(writeTempFile("raw take.pcm", file));
    h.chosen << path;
    h.rawAnswers.push_back({.rateHz = 8000, .channels = 2, .format = RawSampleFormat::S16be, .skipBytes = 16});
    openRaw->trigger();
    ASSERT_EQ(h.loads, 1);
    EXPECT_EQ(h.filters, QStringList{"All files (*)"});
    EXPECT_EQ(h.rawAsked.size(), 1u);
    EXPECT_EQ(h.rawAsked[0].rateHz, 16000);  // the headerless defaults the first time
    EXPECT_EQ(h.child<QLabel>("Label1")->text(), "0.100 s @ 8.000 kHz, 16b, 2 ch, max 0.27");
    EXPECT_TRUE(h.child<QCheckBox>("CheckBox1")->isChecked());  // stored most significant byte first
    EXPECT_EQ(h.form.windowTitle(), path + "  " + QString::number(file.size()));
    EXPECT_EQ(h.form.openFolder(), QFileInfo(path).absolutePath());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The next time the dialog shows the last values; Cancel loads nothing.
    h.chosen << path;
    openRaw->trigger();
    ASSERT_EQ(h.rawAsked.size(), 2u);
    EXPECT_EQ(h.rawAsked[1].rateHz, 8000);
    EXPECT_EQ(h.rawAsked[1].format, RawSampleFormat::S16be);
    EXPECT_EQ(h.loads, 1);

    // Parameters the file cannot satisfy end in the error box; the recording stays.
    h.chosen << path;
    h.rawAnswers.push_back({.rateHz = 8000, .skipBytes = 1000000});
    openRaw->trigger();
    EXPECT_EQ(h.errorBoxes, 1);
    EXPECT_EQ(h.state.sampleRateHz, 8000);
    EXPECT_EQ(h.state.channelCount, 2);
}

TEST(MainWindow, CancelledDialogDoesNotComeBackAtOnce)
{
    Harness h;
    h.form.show();
    QTest::qWait(50);
    EXPECT_EQ(h.dialogs, 1);  // opened on the first show, then cancelled
    QEvent activate(QEvent::ActivationChange);
    QApplication::sendEvent(&h.form, &activate);
    QTest::qWait(20);
    EXPECT_EQ(h.dialogs, 1);  // the activation that follows the dialog's close is not the user's
    h.form.findChild<QAction*>("Exit1")->trigger();
    EXPECT_EQ(h.exits, 1);
    EXPECT_EQ(h.form.findChild<QAction*>("Exit1")->shortcut(), QKeySequence("Ctrl+Q"));
    EXPECT_EQ(h.form.findChild<QAction*>("Open1")->shortcut(), QKeySequence("Ctrl+O"));
}

TEST(MainWindow, CheckBoxesTransformTheSamples)
{
    Harness h;
    ASSERT_TRUE(h.form.loadFile(wavFile("swap.wav", 0.1)));
    const auto before = h.state.fileBytes;
    const QString params = h.child<QLabel>("Label1")->text();
    QTest::mouseClick(h.child<QCheckBox>("CheckBox1"), Qt::LeftButton);
    EXPECT_TRUE(h.state.byteSwapOn);
    EXPECT_NE(h.state.fileBytes, before);
    QTest::mouseClick(h.child<QCheckBox>("CheckBox1"), Qt::LeftButton);
    EXPECT_EQ(h.state.fileBytes, before);
    EXPECT_EQ(h.child<QLabel>("Label1")->text(), params);
}

TEST(MainWindow, TimeFieldsActOnEnterOnly)
{
    Harness h;
    ASSERT_TRUE(h.form.loadFile(wavFile("five.wav", 5.0)));
    auto* start = h.child<QLineEdit>("Edit1");
    start->setText("3");
    QTest::keyRelease(start, Qt::Key_A);
    EXPECT_EQ(h.state.displayStart, 0.0f);
    QTest::keyRelease(start, Qt::Key_Enter);
    EXPECT_FLOAT_EQ(h.state.displayStart, 3.0f);
    h.typeInto("Edit2", "1");
    EXPECT_FLOAT_EQ(h.state.displayStart, 1.0f);
    EXPECT_FLOAT_EQ(h.state.displayEnd, 3.0f);
    EXPECT_EQ(h.child<QLineEdit>("Edit1")->text(), "1.0000");
    h.typeInto("Edit4", "2");
    EXPECT_EQ(h.state.selectionEnd, 2.0f);
    EXPECT_EQ(h.child<QLineEdit>("Edit4")->text(), "2.0000");
}

TEST(MainWindow, MouseDragSelectsAndButtonsShowIt)
{
    Harness h;
    ASSERT_TRUE(h.form.loadFile(wavFile("drag.wav", 2.0)));
    QWidget* view = h.child<QWidget>("PaintBox1");
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(400, 100));
    QTest::mouseMove(view, QPoint(200, 100));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(200, 100));
    EXPECT_NEAR(h.state.selectionStart, 200 * 32000.0 / 665 / 16000, 1e-3);
    EXPECT_NEAR(h.state.selectionEnd, 400 * 32000.0 / 665 / 16000, 1e-3);
    QTest::mouseClick(h.child<QPushButton>("Button6"), Qt::LeftButton);
    EXPECT_NEAR(h.state.displayStart, h.state.selectionStart, 1e-3);
    EXPECT_NEAR(h.state.displayEnd, h.state.selectionEnd, 1e-3);
    EXPECT_TRUE(h.child<QPushButton>("Button2")->isEnabled());
    QTest::mouseClick(h.child<QPushButton>("Button7"), Qt::LeftButton);
    EXPECT_EQ(h.state.selectionStart, 0.0f);
    EXPECT_EQ(h.state.selectionEnd, 2.0f);
}

TEST(MainWindow, ZoomAndAmplitudeButtonsFollowTheirLimits)
{
    Harness h;
    ASSERT_TRUE(h.form.loadFile(wavFile("zoom.wav", 1.0)));
    auto* plus = h.child<QPushButton>("Button1");
    while (plus->isEnabled())
        QTest::mouseClick(plus, Qt::LeftButton);
    EXPECT_EQ(h.state.samplesPerPixel, 1.0f);
    auto* scroll = h.child<QScrollBar>("ScrollBar1");
    scroll->setValue(5000);
    EXPECT_NEAR(h.state.displayStart, 0.5f, 1e-3);
    h.child<QScrollBar>("ScrollBar2")->setValue(20);
    const int offset = h.state.zeroOffset;
    EXPECT_LT(offset, 0);
    QTest::mouseClick(h.child<QPushButton>("Button3"), Qt::LeftButton);
    EXPECT_EQ(h.state.displayGain, 2.0f);
    EXPECT_EQ(h.child<QScrollBar>("ScrollBar2")->value(), 40);
    EXPECT_EQ(h.state.zeroOffset, offset);  // the same sample value stays on the middle line
}

TEST(MainWindow, PlayHandsTheSelectionToTheAudioOutput)
{
    Harness h;
    ASSERT_TRUE(h.form.loadFile(wavFile("play.wav", 1.0)));
    h.typeInto("Edit3", "0.25");
    h.typeInto("Edit4", "0.75");
    QTest::mouseClick(h.child<QToolButton>("MediaPlayer1"), Qt::LeftButton);
    ASSERT_EQ(h.audio->played.size(), 1u);
    EXPECT_EQ(h.audio->played[0].startMs, 250);
    EXPECT_EQ(h.audio->played[0].endMs, 750);
    EXPECT_EQ(h.audio->samples, 8000u);
    h.typeInto("Edit3", "0.8");  // reversed: nothing plays
    QTest::mouseClick(h.child<QToolButton>("MediaPlayer1"), Qt::LeftButton);
    EXPECT_EQ(h.audio->played.size(), 1u);
    h.audio->fail = true;
    h.typeInto("Edit3", "0");
    QTest::mouseClick(h.child<QToolButton>("MediaPlayer1"), Qt::LeftButton);
    EXPECT_EQ(h.notices, QStringList{"no device"});
    EXPECT_FLOAT_EQ(h.state.fileDuration, 1.0f);
}

TEST(MainWindow, AddedMenuItemsRunTheirActions)
{
    Harness h;
    int waves = 0;
    QAction* wave = h.form.addMenuItem("Wave", "Display time waveform", [&] { ++waves; });
    wave->trigger();
    EXPECT_EQ(waves, 1);
    EXPECT_EQ(wave->toolTip(), "Display time waveform");
}

TEST(MainWindow, TheViewGrowsWithTheWindow)
{
    Harness h;
    ASSERT_TRUE(h.form.loadFile(wavFile("grow.wav", 2.0)));
    h.form.show();
    QWidget* view = h.child<QWidget>("PaintBox1");
    const QSize classic = h.form.size();
    EXPECT_EQ(view->size(), QSize(665, 201));
    h.form.resize(classic + QSize(200, 100));
    EXPECT_EQ(view->size(), QSize(865, 301));
    EXPECT_EQ(h.form.view().width(), 865);
    EXPECT_EQ(h.child<QPushButton>("Button1")->pos(), QPoint(800, 348));  // "+" moved with the corner
    EXPECT_EQ(h.child<QScrollBar>("ScrollBar2")->height(), 229);
    // The whole file is still shown, over the wider view, and fills its height.
    EXPECT_FLOAT_EQ(h.state.displayEnd, 2.0f);
    EXPECT_FLOAT_EQ(h.state.samplesPerPixel, 32000.0f / 865);
    EXPECT_NEAR(h.state.amplitudeScale * h.state.peakAmplitude, 150.5, 1e-3);
    // Zoomed in, a wider view shows more time at the same scale.
    QTest::mouseClick(h.child<QPushButton>("Button1"), Qt::LeftButton);
    const float spp = h.state.samplesPerPixel;
    h.form.resize(classic + QSize(400, 100));
    EXPECT_FLOAT_EQ(h.state.samplesPerPixel, spp);
    EXPECT_NEAR(h.state.displayEnd, 1065 * spp / 16000.0, 1e-4);
    EXPECT_TRUE(h.child<QPushButton>("Button2")->isEnabled());
    // The classic size is the smallest.
    h.form.resize(300, 200);
    EXPECT_EQ(view->size(), QSize(665, 201));
}

TEST(MainWindow, TimeAndValueUnderTheMouseAboveTheView)
{
    Harness h;
    ASSERT_TRUE(h.form.loadFile(wavFile("readout.wav", 1.0)));
    h.form.show();
    QWidget* view = h.child<QWidget>("PaintBox1");
    auto* readout = h.child<QLabel>("LabelReadout");
    QTest::mouseMove(view, QPoint(100, 50));
    // Column 100 of 16000 frames over 665 columns starts at frame 2406.
    const int value = frameSample(h.state, 2406, 0);
    EXPECT_EQ(readout->text(), QString("Time 0.1504 s  Value %1").arg(value));
    EXPECT_NE(value, 0);
    EXPECT_FALSE(readout->geometry().intersects(view->geometry()));
    turnWheel(view, 120, Qt::ControlModifier);  // zoomed in under the resting mouse
    EXPECT_EQ(readout->text(), QString("Time 0.0752 s  Value %1").arg(frameSample(h.state, 1203, 0)));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(view, &leave);
    EXPECT_EQ(readout->text(), "");
}

TEST(MainWindow, WheelScrollsAndCtrlWheelZooms)
{
    Harness h;
    ASSERT_TRUE(h.form.loadFile(wavFile("wheel.wav", 10.0)));
    QWidget* view = h.child<QWidget>("PaintBox1");
    turnWheel(view, 120, Qt::ControlModifier);  // up with Ctrl: as "+"
    turnWheel(view, 120, Qt::ControlModifier);
    EXPECT_FLOAT_EQ(h.state.samplesPerPixel, 160000.0f / 665 / 4);
    EXPECT_NEAR(h.state.displayEnd, 2.5, 1e-3);
    turnWheel(view, -120);  // down: a tenth of the view later
    EXPECT_NEAR(h.state.displayStart, 0.25, 1e-3);
    EXPECT_NEAR(h.state.displayEnd, 2.75, 1e-3);
    turnWheel(view, 60);  // half a notch does nothing yet …
    EXPECT_NEAR(h.state.displayStart, 0.25, 1e-3);
    turnWheel(view, 60);  // … the other half scrolls back
    EXPECT_NEAR(h.state.displayStart, 0.0, 1e-3);
    turnWheel(view, -120, Qt::ControlModifier);  // down with Ctrl: as "-"
    EXPECT_FLOAT_EQ(h.state.samplesPerPixel, 160000.0f / 665 / 2);
}

TEST(MainWindow, LeftAndRightScrollAndNeverFocusTheCheckBoxes)
{
    Harness h;
    ASSERT_TRUE(h.form.loadFile(wavFile("keys.wav", 10.0)));
    h.form.show();
    h.form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&h.form));
    QTest::mouseClick(h.child<QPushButton>("Button1"), Qt::LeftButton);  // 5 s shown
    auto* play = h.child<QToolButton>("MediaPlayer1");
    play->setFocus();
    QTest::keyClick(play, Qt::Key_Right);
    EXPECT_NEAR(h.state.displayStart, 0.5, 1e-3);
    EXPECT_EQ(QApplication::focusWidget(), play);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);  // plays, swaps nothing
    EXPECT_FALSE(h.state.byteSwapOn);
    QTest::keyClick(play, Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), play);
    QWidget* view = h.child<QWidget>("PaintBox1");
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Left);
    EXPECT_NEAR(h.state.displayStart, 0.0, 1e-3);
    // Tab still reaches a check box; an arrow there scrolls and leaves it alone.
    auto* swap = h.child<QCheckBox>("CheckBox1");
    EXPECT_TRUE(swap->focusPolicy() & Qt::TabFocus);
    swap->setFocus();
    QTest::keyClick(swap, Qt::Key_Right);
    EXPECT_EQ(QApplication::focusWidget(), swap);
    EXPECT_FALSE(h.state.byteSwapOn);
    EXPECT_NEAR(h.state.displayStart, 0.5, 1e-3);
}

TEST(MainWindow, RecentFilesAndTheLastFolderAreKeptBetweenStarts)
{
    QTemporaryDir dir;
    const QString settings = dir.filePath("kelvox.conf");
    const QString first = wavIn(dir, "first.wav", 0.2), second = wavIn(dir, "second.wav", 0.3);
    {
        ProgramMemory memory(settings);
        Harness h;
        h.form.setMemory(&memory);
        h.chosen << first << second;
        h.form.Open1Click();
        h.form.Open1Click();
        EXPECT_EQ(h.form.recentFiles(), (QStringList{second, first}));
        auto* recent = h.form.findChild<QMenu*>("Recent1");
        ASSERT_NE(recent, nullptr);
        ASSERT_EQ(recent->actions().size(), 2);
        EXPECT_EQ(recent->actions()[0]->text(), "&1 " + second);
    }
    // The next start: the dialog opens in that folder, and Recent opens the files.
    ProgramMemory memory(settings);
    EXPECT_EQ(memory.lastFolder(), QFileInfo(second).absolutePath());
    Harness h;
    h.form.setMemory(&memory);
    EXPECT_EQ(h.form.openFolder(), QFileInfo(second).absolutePath());
    h.form.findChild<QMenu*>("Recent1")->actions()[1]->trigger();
    EXPECT_EQ(h.loads, 1);
    EXPECT_EQ(QString::fromStdString(h.state.fileName), first);
    EXPECT_EQ(h.form.recentFiles(), (QStringList{first, second}));
    // Eight at the most.
    for (int i = 0; i < 9; ++i)
        memory.fileOpened(dir.filePath(QString("take%1.wav").arg(i)));
    EXPECT_EQ(memory.recentFiles().size(), 8);
    EXPECT_EQ(memory.recentFiles().front(), dir.filePath("take8.wav"));
}
