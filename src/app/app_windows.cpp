#include "app_windows.h"

#include "label_choice_dialog.h"

#include <QAction>
#include <QCoreApplication>
#include <QMessageBox>

#include <cstdio>
#include <initializer_list>

namespace kelvox {

AppWindows::AppWindows(ProgramState& s, ProgramMemory* memory)
    : state(s), waveformRun(s.signal, s.plot), sectionRun(s.signal, s.plot, s.analysis, s.labelFileName),
      spectrogramRun(s.signal, s.layout, s.plot, s.analysis, s.spectrogram, s.labelFileName, s.labelChoice),
      form1(s.signal), plotWindow(s.plot), form3(s.signal, spectrogramRun, s.runs, s.plot),
      form2(s.signal, waveformRun, s.runs, s.plot), form4(s.signal, sectionRun, s.runs, s.plot),
      layoutDialog(s.layout, s.plot),
      printer([&s] { return s.signal.fileName; },
              [this](const std::string& where) {
                  QMessageBox::information(&form1, QStringLiteral("Print"), QString::fromStdString(where));
              })
{
    // Only the main window ends the program when it closes.
    for (QWidget* w : std::initializer_list<QWidget*>{&plotWindow, &form3, &form2, &form4, &layoutDialog})
        w->setAttribute(Qt::WA_QuitOnClose, false);

    // The plot window opens large enough for a screen page, clear of the buttons of
    // the window whose run it shows.
    for (AnalysisWindow* form : std::initializer_list<AnalysisWindow*>{&form3, &form2, &form4})
        form->showPlotWindow = [this, form] {
            m_pageWindow = form;
            plotWindow.openClearOf(form->buttonArea(), Tnylxform::decorations(*form));
            plotWindow.raise();
        };
    // "Save" proposes the recording's name, the view and the page shown.
    plotWindow.proposeSaveName = [this] {
        const QString recording = QString::fromStdString(state.signal.fileName);
        if (!m_pageWindow)
            return savedPageName(recording, QString(), 0);
        return savedPageName(recording, m_pageWindow->viewName(), m_pageWindow->shownPage());
    };
    form3.showLayoutDialog = [this] {
        layoutDialog.show();
        layoutDialog.raise();
        layoutDialog.activateWindow();
    };

    form1.addMenuItem(QStringLiteral("Wave"), QStringLiteral("Display time waveform"), [this] { showWave(); });
    form1.addMenuItem(QStringLiteral("Section"), QStringLiteral("Display spectra at specific times"),
                      [this] { showSection(); });
    form1.addMenuItem(QStringLiteral("Spectrogram"), QStringLiteral("Make running spectrogram"),
                      [this] { showSpectrogram(); });
    form1.setExitHandler([this] {
        // A run waiting for "View next" ends first; then every event loop leaves.
        state.runs.quit();
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
    askLabels = [this](const LabelChoice& current, double sampleRate) -> std::optional<LabelChoice> {
        LabelChoiceDialog dialog(current, sampleRate, &form1);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.choice();
    };
    labelsItem = form1.addFileMenuItem(QStringLiteral("Labels..."),
                                       QStringLiteral("Choose the label file the spectrogram pages mark"),
                                       [this] { chooseLabels(); });
    labelsItem->setObjectName(QStringLiteral("Labels1"));
    labelsItem->setEnabled(false);
    form1.setLoadedHandler([this] {
        // A new recording forgets the old one's label files.
        state.labelFileName.clear();
        state.labelChoice = {};
        labelsItem->setEnabled(true);
        form3.showLabelSource();
    });
    state.plot.setPrintService(&printer);

    // Windows come back where the user left them at the last start.
    m_memory = memory;
    form1.setMemory(memory);
    if (m_memory)
        for (const auto& [name, window] : keptWindows()) {
            const QByteArray geometry = m_memory->windowGeometry(name);
            if (geometry.isEmpty())
                continue;
            if (window == &plotWindow)
                plotWindow.restorePlace(geometry);
            else
                window->restoreGeometry(geometry);
        }
}

AppWindows::~AppWindows()
{
    if (m_memory)
        for (const auto& [name, window] : keptWindows())
            m_memory->setWindowGeometry(name, window->saveGeometry());
}

std::vector<std::pair<QString, QWidget*>> AppWindows::keptWindows()
{
    return {{QStringLiteral("main"), &form1},        {QStringLiteral("plot"), &plotWindow},
            {QStringLiteral("spectrogram"), &form3}, {QStringLiteral("wave"), &form2},
            {QStringLiteral("section"), &form4},     {QStringLiteral("layout"), &layoutDialog}};
}

void AppWindows::chooseLabels()
{
    if (const std::optional<LabelChoice> choice = askLabels(state.labelChoice, state.signal.sampleRateHz)) {
        state.labelChoice = *choice;
        form3.showLabelSource();
    }
}

bool AppWindows::openArgument(const QStringList& arguments)
{
    return arguments.size() < 2 || form1.loadFile(arguments.at(1));
}

void AppWindows::showOnly(QWidget* shown, std::initializer_list<QWidget*> hidden)
{
    for (QWidget* w : hidden)
        w->hide();
    shown->show();
    shown->raise();
    shown->activateWindow();
}

void AppWindows::showWave()
{
    showOnly(&form2, {&form3, &form4});
}

void AppWindows::showSection()
{
    showOnly(&form4, {&form3, &form2});
}

void AppWindows::showSpectrogram()
{
    // A fresh screen page; a run in progress is ended first, never drawn under.
    state.runs.supersede();
    state.plot.plotscreen();
    showOnly(&form3, {&form2, &form4});
}

}  // namespace kelvox
