#pragma once
// TForm2, the "WAVEFORM" window: the settings of chart-recorder waveform pages,
// the time span and page count of the analysis interval, and "Preview",
// "View next" and "Print".

#include "analysis_window.h"
#include "signal_state.h"
#include "waveform_run.h"
#include "waveform_settings.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace kelvox {

class TForm2 : public AnalysisWindow {
    Q_OBJECT
public:
    TForm2(SignalState& signal, WaveformRun& run, RunCoordinator& runs, PlotDevice& plot, QWidget* parent = nullptr);

    /// The controls as the user left them.
    WaveformSettings readSettings() const;
    /// Copies a settings record (after a run's write-backs) into the controls.
    void applySettings(const WaveformSettings& settings);

    void FormActivate() override;
    QString viewName() const override { return QStringLiteral("wave"); }
    void ComboBox1Change();
    void Button1Click();  // "Preview"
    void Button2Click();  // "View next"
    void Button3Click();  // "Print"

protected:
    RunProgress runProgress() const override { return m_run.progress(); }

private:
    /// A run with the settings the controls hold; corrections go back into them.
    void runPages(PageHost& host, bool printing);

    SignalState& m_signal;
    WaveformRun& m_run;
    QLabel* m_span = nullptr;   // Label10
    QLabel* m_pages = nullptr;  // Label5
    QComboBox* m_timeScale = nullptr;
    QComboBox* m_lines = nullptr;
    QComboBox* m_gain = nullptr;
    QComboBox* m_printSize = nullptr;
    QPushButton* m_preview = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_print = nullptr;
};

}  // namespace kelvox
