// kelvox-screenshots: pictures of Kelvox's windows for the README, made from the
// real windows with the bundled recording loaded and a stretch of it selected.
//
//   kelvox-screenshots EXAMPLE.wav OUTDIR
//
// Writes OUTDIR/main-window.png, spectrogram-window.png, section-window.png,
// waveform-window.png, layout-dialog.png, file-menu.png and labels-dialog.png (with
// the IPA tier of the TextGrid beside EXAMPLE.wav chosen). scripts/screenshots runs it under
// xvfb-run together with kelvox-render for the pages.

#include "app_windows.h"
#include "application.h"
#include "label_choice_dialog.h"
#include "program_state.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QTest>

#include <cstdio>
#include <memory>

namespace {

bool save(QWidget& w, const QString& dir, const char* name)
{
    w.show();
    w.raise();
    QTest::qWait(100);
    const QString path = QDir(dir).filePath(QString::fromLatin1(name));
    if (!w.grab().save(path)) {
        std::fprintf(stderr, "kelvox-screenshots: cannot write %s\n", path.toLocal8Bit().constData());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: kelvox-screenshots EXAMPLE.wav OUTDIR\n");
        return 2;
    }
    kelvox::KelvoxApplication app(argc, argv);
    auto state = std::make_unique<kelvox::ProgramState>();
    auto w = std::make_unique<kelvox::AppWindows>(*state);
    w->form1.setFileChooser([](QWidget*, const QString&, const QString&) { return QString(); });
    if (!w->form1.loadFile(QString::fromLocal8Bit(argv[1])))
        return 1;
    // Select the first three words, as a user would by typing the times.
    const struct {
        const char* field;
        kelvox::TimeField which;
        const char* text;
    } typed[] = {{"Edit3", kelvox::TimeField::SelectionStart, "0.2"}, {"Edit4", kelvox::TimeField::SelectionEnd, "1.55"}};
    for (const auto& t : typed) {
        w->form1.findChild<QLineEdit*>(QString::fromLatin1(t.field))->setText(QString::fromLatin1(t.text));
        w->form1.EditKeyUp(t.which);
    }
    const QString out = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(out);
    bool ok = save(w->form1, out, "main-window.png");
    // The File menu open, then the example's TextGrid chosen with its IPA tier.
    QMenu* file = w->form1.menuBar()->actions().front()->menu();
    file->popup(w->form1.mapToGlobal(QPoint(0, w->form1.menuBar()->height())));
    QTest::qWait(100);
    ok = file->grab().save(QDir(out).filePath(QStringLiteral("file-menu.png"))) && ok;
    file->hide();
    const QFileInfo example(QString::fromLocal8Bit(argv[1]));
    state->labelChoice = {
        example.dir().filePath(example.completeBaseName() + QStringLiteral(".TextGrid")).toStdString(), "ipa"};
    {
        kelvox::LabelChoiceDialog labels(state->labelChoice, state->signal.sampleRateHz, &w->form1);
        ok = save(labels, out, "labels-dialog.png") && ok;
    }
    w->showSpectrogram();
    w->form3.FormActivate();
    ok = save(w->form3, out, "spectrogram-window.png") && ok;
    w->showSection();
    w->form4.FormActivate();
    ok = save(w->form4, out, "section-window.png") && ok;
    w->showWave();
    w->form2.FormActivate();
    ok = save(w->form2, out, "waveform-window.png") && ok;
    ok = save(w->layoutDialog, out, "layout-dialog.png") && ok;
    return ok ? 0 : 1;
}
