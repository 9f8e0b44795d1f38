#pragma once
// The windows of Kelvox and their wiring, made once at start-up in their order:
// the main window TForm1, the plot window Tnylxform, the analysis windows TForm3,
// TForm2 and TForm4, and the layout dialog TForm5. The runs that the analysis
// windows drive live here too, as long as the program: what they keep from run
// to run persists.

#include "layout_dialog.h"
#include "main_window.h"
#include "plot_window.h"
#include "program_state.h"
#include "qt_print_service.h"
#include "section_window.h"
#include "spectrogram_window.h"
#include "waveform_window.h"

namespace kelvox {

struct AppWindows {
    explicit AppWindows(ProgramState& state);

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

    /// What the "Wave", "Section" and "Spectrogram" items do.
    void showWave();
    void showSection();
    void showSpectrogram();

private:
    void showOnly(QWidget* shown, std::initializer_list<QWidget*> hidden);
};

}  // namespace kelvox
