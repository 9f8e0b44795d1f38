#pragma once
// The windows of Kelvox and their wiring, made once at start-up in their order:
// the main window TForm1, the plot window Tnylxform, the analysis windows TForm3,
// TForm2 and TForm4, and the layout dialog TForm5. The runs that the analysis
// windows drive live here too, as long as the program: what they keep from run
// to run persists.

#include "label_marks.h"
#include "layout_dialog.h"
#include "main_window.h"
#include "plot_window.h"
#include "program_memory.h"
#include "program_state.h"
#include "qt_print_service.h"
#include "section_window.h"
#include "spectrogram_window.h"
#include "waveform_window.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QAction;

namespace kelvox {

struct AppWindows {
    /// `memory`, when given, supplies the windows' places and sizes, the open
    /// dialog's folder and the Recent list, and keeps them when the windows go.
    explicit AppWindows(ProgramState& state, ProgramMemory* memory = nullptr);
    ~AppWindows();
    AppWindows(const AppWindows&) = delete;
    AppWindows& operator=(const AppWindows&) = delete;

    ProgramState& state;
    WaveformRun waveformRun;
    SectionRun sectionRun;
    SpectrogramRun spectrogramRun;

    TForm1 form1;
    Tnylxform plotWindow;
    TForm3 form3;
    TForm2 form2;
    TForm4 form4;
    TForm5 layoutDialog;

    /// One print service for every print job of the program.
    QtPrintService printer;

    /// Opens the sound file named by the first argument after the program's name,
    /// as File → Open would: how a file manager's "Open with" hands a recording
    /// over. Nothing happens without an argument. False when the file was refused
    /// (the "Can't Open File" box has then been shown).
    bool openArgument(const QStringList& arguments);

    /// What the "Wave", "Section" and "Spectrogram" items do.
    void showWave();
    void showSection();
    void showSpectrogram();
    /// What File → "Labels..." does: asks for the label file and tier of the
    /// loaded recording and keeps them until the next load.
    void chooseLabels();

    /// Asks for a label choice, starting from the current one, at the recording's
    /// sample rate; nullopt when cancelled. The default runs the labels dialog.
    std::function<std::optional<LabelChoice>(const LabelChoice&, double)> askLabels;
    /// The "Labels..." item (enabled once a recording is loaded).
    QAction* labelsItem = nullptr;

private:
    void showOnly(QWidget* shown, std::initializer_list<QWidget*> hidden);
    /// The windows whose places are kept, by the names they are kept under.
    std::vector<std::pair<QString, QWidget*>> keptWindows();

    ProgramMemory* m_memory = nullptr;

    AnalysisWindow* m_pageWindow = nullptr;  // whose preview the plot window shows
};

}  // namespace kelvox
