#include "app_windows.h"

#include "sound_files.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelvox;
using namespace kelvox::test;

namespace {

QAction* menuItem(TForm1& form, const QString& text)
{
    for (QAction* a : form.menuBar()->actions())
        if (a->text() == text)
            return a;
    return nullptr;
}

}  // namespace

TEST(AppWindows, MenuShowsOneAnalysisWindowAtATime)
{
    ProgramState state;
    AppWindows w(state);
    QStringList items;
    for (QAction* a : w.form1.menuBar()->actions())
        items << a->text();
    EXPECT_EQ(items, (QStringList{"File", "Wave", "Section", "Spectrogram"}));
    EXPECT_EQ(menuItem(w.form1, "Spectrogram")->toolTip(), "Make running spectrogram");
    for (QWidget* hidden : std::initializer_list<QWidget*>{&w.plotWindow, &w.form3, &w.form2, &w.form4, &w.layoutDialog})
        EXPECT_FALSE(hidden->isVisible());

    state.plot.plotprinter();
    menuItem(w.form1, "Spectrogram")->trigger();
    EXPECT_TRUE(w.form3.isVisible());
    EXPECT_EQ(state.plot.resolution(), 96);  // a fresh screen page
    menuItem(w.form1, "Wave")->trigger();
    EXPECT_TRUE(w.form2.isVisible());
    EXPECT_FALSE(w.form3.isVisible());
    menuItem(w.form1, "Section")->trigger();
    EXPECT_TRUE(w.form4.isVisible());
    EXPECT_FALSE(w.form2.isVisible());
    EXPECT_FALSE(w.form3.isVisible());
    EXPECT_EQ(state.plot.printService(), &w.printer);
}

TEST(AppWindows, ALoadForgetsTheLabelFilesOfTheRecordingBefore)
{
    ProgramState state;
    AppWindows w(state);
    state.labelFileName = "/old/take.mix";
    state.labelChoice = {"/old/take.TextGrid", "words"};
    const std::string path = writeTempFile("fresh.wav", makeWav({}, pcm16(sine(100, 16000, 1600, 1000))));
    ASSERT_TRUE(w.form1.loadFile(QString::fromStdString(path)));
    EXPECT_TRUE(state.labelFileName.empty());
    EXPECT_EQ(state.labelChoice, LabelChoice{});
}

TEST(AppWindows, LabelsInTheFileMenuKeepsTheChoiceAndTheSpectrogramWindowShowsIt)
{
    ProgramState state;
    AppWindows w(state);
    QStringList items;
    for (QAction* a : w.form1.menuBar()->actions().front()->menu()->actions())
        items << a->text();
    EXPECT_EQ(items, (QStringList{"Open", "Open raw...", "Recent", "Labels...", "Exit"}));
    EXPECT_FALSE(w.labelsItem->isEnabled());  // nothing loaded to label yet

    const std::string path = writeTempFile("labelled.wav", makeWav({}, pcm16(sine(100, 16000, 1600, 1000))));
    ASSERT_TRUE(w.form1.loadFile(QString::fromStdString(path)));
    EXPECT_TRUE(w.labelsItem->isEnabled());
    std::optional<LabelChoice> answer = LabelChoice{"/data/take.TextGrid", "phones"};
    double askedRate = 0.0;
    w.askLabels = [&](const LabelChoice&, double rate) {
        askedRate = rate;
        return answer;
    };
    w.labelsItem->trigger();
    EXPECT_EQ(askedRate, 16000.0);
    EXPECT_EQ(state.labelChoice, *answer);
    const auto* source = w.form3.findChild<QLabel*>("LabelSource");
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->text(), "Labels: take.TextGrid, tier \"phones\"");

    answer.reset();  // cancelled: the choice stays
    w.labelsItem->trigger();
    EXPECT_EQ(state.labelChoice.fileName, "/data/take.TextGrid");
}

TEST(AppWindows, ARecordingNamedOnTheCommandLineIsOpened)
{
    ProgramState state;
    AppWindows w(state);
    int errorBoxes = 0;
    w.form1.setErrorBox([&](QWidget*, const QString&) { ++errorBoxes; });

    EXPECT_TRUE(w.openArgument({"kelvox"}));
    EXPECT_EQ(state.signal.fileSize, 0);

    const std::string path = writeTempFile("named.wav", makeWav({}, pcm16(sine(100, 16000, 1600, 1000))));
    EXPECT_TRUE(w.openArgument({"kelvox", QString::fromStdString(path)}));
    EXPECT_EQ(state.signal.fileName, path);
    EXPECT_EQ(state.signal.fileSize, 44 + 2 * 1600);
    EXPECT_EQ(errorBoxes, 0);

    // A file that cannot be read leaves the recording that was loaded.
    EXPECT_FALSE(w.openArgument({"kelvox", QString::fromStdString(path + ".missing")}));
    EXPECT_EQ(errorBoxes, 1);
    EXPECT_EQ(state.signal.fileName, path);
}

TEST(AppWindows, SaveProposesTheRecordingViewAndPageShown)
{
    ProgramState state;
    AppWindows w(state);
    EXPECT_EQ(w.plotWindow.proposeSaveName(), "page0.bmp");
    QTemporaryDir dir;
    const QString path = dir.filePath("take7.wav");
    const Bytes wav = makeWav({}, pcm16(sine(100, 16000, 3200, 1000)));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(wav.data()), static_cast<qint64>(wav.size()));
    file.close();
    ASSERT_TRUE(w.form1.loadFile(path));
    w.showSection();
    w.form4.findChild<QPushButton*>("Button1")->click();  // a one-page preview
    EXPECT_EQ(w.plotWindow.proposeSaveName(), "take7-section-page0.bmp");
    EXPECT_TRUE(w.plotWindow.isVisible());
    EXPECT_FALSE(w.plotWindow.frameGeometry().intersects(w.form4.buttonArea()));
}

TEST(AppWindows, WindowPlacesAreKeptFromOneStartToTheNext)
{
    QTemporaryDir dir;
    const QString settings = dir.filePath("kelvox.conf");
    QSize size;
    {
        ProgramMemory memory(settings);
        ProgramState state;
        AppWindows w(state, &memory);
        w.form3.move(300, 200);
        w.form1.resize(w.form1.size() + QSize(120, 60));
        size = w.form1.size();
    }
    ProgramMemory memory(settings);
    ProgramState state;
    AppWindows w(state, &memory);
    EXPECT_EQ(w.form3.pos(), QPoint(300, 200));
    EXPECT_EQ(w.form1.size(), size);
    EXPECT_EQ(size.width(), TForm1::kClientWidth + 120);
    // Settings of the analysis windows start from their defaults all the same.
    EXPECT_EQ(w.form3.readSettings(), SpectrogramSettings{});
}
