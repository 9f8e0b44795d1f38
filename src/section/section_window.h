#pragma once
// TForm4, the "SPECTRUM SECTION" window: the settings of spectrum sections or a
// long-time average spectrum, the time span and page count, and "Preview",
// "Next", "Print" and "Abort".

#include "analysis_window.h"
#include "section_controls.h"
#include "section_run.h"
#include "signal_state.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace kelvox {

class TForm4 : public AnalysisWindow {
    Q_OBJECT
public:
    TForm4(SignalState& signal, SectionRun& run, RunCoordinator& runs, PlotDevice& plot, QWidget* parent = nullptr);

    /// The controls as the user left them.
    SectionControls readControls() const;
    /// Copies a controls record (after a run's write-backs) into the controls.
    void applyControls(const SectionControls& controls);
    /// The analysis choice fields as RadioGroup2Click last set them.
    const AnalysisChoice& choice() const { return m_choice; }

    void FormActivate() override;
    QString viewName() const override { return QStringLiteral("section"); }
    void ComboBox1Change();
    void ComboBox6Change();
    void RadioGroup2Click();  // also the spin edit's change
    void Button1Click();      // "Preview"
    void Button2Click();      // "Next"
    void Button3Click();      // "Print"
    void Button4Click();      // "Abort"

protected:
    RunProgress runProgress() const override { return m_run.progress(); }

private:
    /// A run with the controls as they stand; corrections go back into them.
    void runPages(PageHost& host, bool printing);
    QComboBox* box(SectionBox which) const { return m_boxes[static_cast<int>(which)]; }

    SignalState& m_signal;
    SectionRun& m_run;
    AnalysisChoice m_choice;
    QComboBox* m_boxes[8] = {};
    QLabel* m_span = nullptr;   // Label7
    QLabel* m_pages = nullptr;  // Label9
    QButtonGroup* m_window = nullptr;
    QButtonGroup* m_analysis = nullptr;
    QButtonGroup* m_preEmphasis = nullptr;
    QSpinBox* m_order = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_abort = nullptr;
};

}  // namespace kelvox
