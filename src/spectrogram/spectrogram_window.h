#pragma once
// TForm3, the "SPECTROGRAM" window: the settings of running spectrogram pages, the
// time span and page count, and "Layout", "Advanced", "Preview", "View next",
// "Print" and "Abort".

#include "analysis_window.h"
#include "signal_state.h"
#include "spectrogram_run.h"
#include "spectrogram_settings.h"

#include <functional>

class QButtonGroup;
class QComboBox;
class QLabel;
class QPushButton;

namespace kelvox {

class TForm3 : public AnalysisWindow {
    Q_OBJECT
public:
    TForm3(SignalState& signal, SpectrogramRun& run, RunCoordinator& runs, PlotDevice& plot,
           QWidget* parent = nullptr);

    /// Shows the layout dialog ("Layout"; set by start-up).
    std::function<void()> showLayoutDialog;

    /// The controls as the user left them.
    SpectrogramSettings readSettings() const;
    /// Copies a settings record (after a run's write-backs) into the controls.
    void applySettings(const SpectrogramSettings& settings);

    void FormCreate();
    void FormActivate() override;
    /// Shows which label file and tier the pages will mark.
    void showLabelSource();
    QString viewName() const override { return QStringLiteral("spectrogram"); }
    void ComboBox1Change();
    void RadioGroup2Click();
    void Button1Click();  // "Preview"
    void Button2Click();  // "View next"
    void Button3Click();  // "Layout"
    void Button5Click();  // "Print"
    void Button6Click();  // "Abort"

protected:
    RunProgress runProgress() const override { return m_run.progress(); }

private:
    /// A run with the settings the controls hold; corrections go back into them.
    void runPages(PageHost& host, bool printing);
    /// Beside "Mid pitch Hz": "no voice" when the last run's "Auto" found no voiced
    /// frame (the box then shows the default), nothing otherwise.
    void showMidPitchNote();
    QComboBox* box(SpectrogramBox which) const { return m_boxes[static_cast<int>(which)]; }

    SignalState& m_signal;
    SpectrogramRun& m_run;
    QComboBox* m_boxes[8] = {};
    QLabel* m_span = nullptr;   // Label1
    QLabel* m_pages = nullptr;  // Label6
    QLabel* m_labelSource = nullptr;
    QLabel* m_midPitchNote = nullptr;
    QButtonGroup* m_analysis = nullptr;     // RadioGroup2 "Spgm Z axis"
    QButtonGroup* m_pitchMethod = nullptr;  // RadioGroup1 "Pitch method"
    QButtonGroup* m_levels = nullptr;       // RadioGroup3 "Levels"
    QPushButton* m_next = nullptr;
    QPushButton* m_abort = nullptr;
};

}  // namespace kelvox
