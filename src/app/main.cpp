// Kelvox: start-up creates the windows in their order (the main window TForm1, the
// plot window Tnylxform, the analysis windows, the layout dialog TForm5) and runs
// the event loop until the main window closes or "Exit" is chosen.

#include "application.h"
#include "layout_dialog.h"
#include "main_window.h"
#include "plot_window.h"
#include "print_service.h"
#include "section_window.h"
#include "spectrogram_window.h"
#include "waveform_window.h"
#include "program_state.h"

#include <QMessageBox>

#include <cstdio>
#include <exception>
#include <initializer_list>
#include <memory>

namespace {

int runKelvox(kelvox::KelvoxApplication& app)
{
    using namespace kelvox;
    auto state = std::make_unique<ProgramState>();

    // The runs live as long as the program: what they keep from run to run persists.
    WaveformRun waveformRun(state->signal, state->plot);
    SectionRun sectionRun(state->signal, state->plot, state->analysis, state->labelFileName);
    SpectrogramRun spectrogramRun(state->signal, state->layout, state->plot, state->analysis, state->spectrogram,
                                  state->labelFileName);

    TForm1 form1(state->signal);
    Tnylxform plotWindow(state->plot);
    TForm3 form3(state->signal, spectrogramRun, state->runs, state->plot);
    TForm2 form2(state->signal, waveformRun, state->runs, state->plot);
    TForm4 form4(state->signal, sectionRun, state->runs, state->plot);
    TForm5 layoutDialog(state->layout, state->plot);
    // Only the main window ends the program when it closes.
    for (QWidget* w : std::initializer_list<QWidget*>{&plotWindow, &form3, &form2, &form4, &layoutDialog})
        w->setAttribute(Qt::WA_QuitOnClose, false);

    const auto showPlotWindow = [&plotWindow] {
        plotWindow.show();
        plotWindow.raise();
    };
    form3.showPlotWindow = showPlotWindow;
    form2.showPlotWindow = showPlotWindow;
    form4.showPlotWindow = showPlotWindow;
    const auto showOnly = [](QWidget* shown, std::initializer_list<QWidget*> hidden) {
        for (QWidget* w : hidden)
            w->hide();
        shown->show();
        shown->raise();
        shown->activateWindow();
    };
    form1.addMenuItem(QStringLiteral("Wave"), QStringLiteral("Display time waveform"),
                      [&] { showOnly(&form2, {&form3, &form4}); });
    form1.addMenuItem(QStringLiteral("Section"), QStringLiteral("Display spectra at specific times"),
                      [&] { showOnly(&form4, {&form3, &form2}); });
    form1.addMenuItem(QStringLiteral("Spectrogram"), QStringLiteral("Make running spectrogram"), [&] {
        // A fresh screen page; a run in progress is ended first, never redrawn under.
        state->runs.supersede();
        state->plot.plotscreen();
        showOnly(&form3, {&form2, &form4});
    });
    form3.showLayoutDialog = [&layoutDialog] {
        layoutDialog.show();
        layoutDialog.raise();
        layoutDialog.activateWindow();
    };
    form1.setExitHandler([&state] {
        // A run waiting for "View next" ends first; then every event loop leaves.
        state->runs.quit();
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });

    // One print service for every print job of the program.
    QtPrintService printer([&state] { return state->signal.fileName; },
                           [&form1](const std::string& where) {
                               QMessageBox::information(&form1, QStringLiteral("Print"),
                                                        QString::fromStdString(where));
                           });
    state->plot.setPrintService(&printer);
    form1.setLoadedHandler([&state] { state->labelFileName.clear(); });

    form1.show();
    return app.exec();
}

}  // namespace

int main(int argc, char** argv)
{
    kelvox::KelvoxApplication app(argc, argv);
    try {
        return runKelvox(app);
    } catch (const std::exception& e) {
        kelvox::showApplicationError(QString::fromLocal8Bit(e.what()));
        return 1;
    }
}
