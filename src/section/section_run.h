#pragma once
// A run of the spectrum section window: walks the analysis interval section by
// section, draws each page through the PlotDevice (captions, time-wave strip with
// the analysis-window marker, a grid of section cells with their axes, curves and
// peak labels) and hands every finished page to a PageHost.

#include "analysis_workspace.h"
#include "page_run.h"
#include "plot_device.h"
#include "section_analysis.h"
#include "section_controls.h"
#include "section_look_ahead.h"
#include "section_page.h"
#include "signal_state.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kelvox {

/// One drawn section as the page's mouse readout reads it, bin by bin.
struct DrawnSection {
    int number = 0;            // on the run, 0 for the first
    double timeSeconds = 0.0;  // the run's current time when the section was drawn
    bool lag = false;          // x in seconds of lag ("Cepstrum", "Autocorrel"), else Hz
    std::vector<double> x;     // each computed bin that is drawn: k fs / N Hz, or k / fs s
    std::vector<double> readout;  // its level on the cell's readout scale (not clamped)
};

class SectionRun {
public:
    /// The run reads the recording and writes signal.preEmphasis, draws on `plot`,
    /// works in `ws` (AnalysisRe/Im, the FFT tables) and forms the shared
    /// label-file name (the last path component's extension replaced by ".mix").
    SectionRun(SignalState& signal, PlotDevice& plot, AnalysisWorkspace& ws, std::string& labelFileName);
    ~SectionRun();

    /// One run over the analysis interval of the SignalState, on a page the caller
    /// has begun (plotscreen or plotprinter). Print size and sections per page are
    /// read first: a print size ≤ 0 becomes "70" (above 100 % it is taken as 100 %),
    /// sections per page become |n|, 0 → "1", above 25 → "25"; then the analysis
    /// set-up (sectionSetup), whose corrections are written back too. Each page ends
    /// with host.pageFinished(page, lastPage); plotshow() is called at the refresh
    /// points unless `printing`. host.stopRequested() is polled after every section
    /// and page; the run then ends at once, its page finished as the last one.
    /// No page is drawn without data (sampleLimit ≤ 0, no sample rate) or when the
    /// start lies beyond the data. `settingsRead`, when set, is called once the
    /// controls have been read and corrected, before the first page.
    void run(SectionControls& controls, bool printing, PageHost& host, const std::function<void()>& settingsRead = {});

    /// The page in hand and the time the run has reached.
    RunProgress progress() const;

    /// One line per corrected control of the last run, in the order corrected.
    const std::vector<std::string>& replacements() const { return m_replacements; }
    const SectionSettings& settings() const { return m_settings; }
    const SectionLayout& layout() const { return m_layout; }
    const SectionAnalyser& analyser() const { return m_analyser; }

    /// Called with every section as it is drawn (data output beside the pages).
    void setSectionObserver(std::function<void(const DrawnSection&)> observer) { m_observer = std::move(observer); }

    /// Whether a run with a time step analyses the coming sections of each page on a
    /// helper thread while it draws (the pages are the same either way). On by
    /// default when the machine has more than one core.
    void setHelperThread(bool on) { m_helperThread = on; }

private:
    bool setUp(SectionControls& controls);
    bool moreSections() const;
    void planSections(bool wholeRun);
    void refresh();
    void sectionpage(const std::string& pageText);
    void drawStripTimeAxis();
    void sectionanalyse();
    void drawStripAndMarker();
    void drawSection(int c);
    void drawCellAxes(const SectionCell& cell, int binCount, bool lag, double readoutOffset);
    void reportSection(int binCount, bool lag, double readoutOffset);

    SignalState& m_signal;
    PlotDevice& m_plot;
    AnalysisWorkspace& m_ws;
    std::string& m_labelFileName;

    SectionSettings m_settings;
    SectionAnalyser m_analyser;
    SectionLayout m_layout;
    std::vector<std::string> m_replacements;
    std::function<void(const DrawnSection&)> m_observer;
    bool m_helperThread;
    std::unique_ptr<SectionLookAhead> m_lookAhead;  // made for the first run that uses it
    bool m_lookingAhead = false;                    // this run uses it

    // Per run.
    bool m_printing = false;
    bool m_stopped = false;
    int m_page = 0;  // the page in hand, 0 for the first
    int m_timeStepItem = 0;
    double m_stripEnd = 0.0;  // s: how far the time-wave strip has been drawn
    int m_onPage = 0;         // sections drawn on the current page
    int m_sectionsDrawn = 0;  // on the run
    double m_nextTime = 0.0;
    std::array<int, 3> m_lastMarker{};  // the window marker last drawn on this page
    std::array<int, 3> m_lastBar{};     // the strip's last column bar: x, rows of min and max
    std::vector<std::pair<int, int>> m_lastWindowShape;  // and the window shape
    std::vector<float> m_stripChunk;
};

/// The section run as kelvox-render drives it: controls by label, pages at 96 dpi
/// (screen) or a print resolution, and "--values" writing every drawn section as CSV rows
/// "section,time_s,x,value" (x in Hz, or seconds of lag; value on the readout scale).
std::unique_ptr<LabelledRun> makeSectionLabelledRun(SignalState& signal, PlotDevice& plot, AnalysisWorkspace& ws,
                                                    std::string& labelFileName);

}  // namespace kelvox
