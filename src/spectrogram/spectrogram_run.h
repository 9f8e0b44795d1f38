#pragma once
// The spectrogram run: turns the window's settings into one consistent set of
// analysis and drawing parameters, loads the first stretch of samples and the label
// file, and draws the pages of the analysis interval one after another, handing each
// to the page host.

#include "analysis_workspace.h"
#include "label_marks.h"
#include "page_layout.h"
#include "page_loop.h"
#include "page_run.h"
#include "pair_look_ahead.h"
#include "plot_device.h"
#include "signal_state.h"
#include "spectrogram_page.h"
#include "spectrogram_parameters.h"
#include "spectrogram_settings.h"
#include "spectrogram_state.h"
#include "typical_pitch.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kelvox {

class SpectrogramRun {
public:
    /// The run reads and writes these owners; `layout` is copied at each run.
    /// `labelChoice` is the label file chosen for the recording; without one, the
    /// pages use `labelFileName`, the shared .mix name a section run forms (empty:
    /// no labels).
    SpectrogramRun(SignalState& signal, const PageLayout& layout, PlotDevice& plot, AnalysisWorkspace& ws,
                   SpectrogramState& st, const std::string& labelFileName, const LabelChoice& labelChoice);
    ~SpectrogramRun();

    /// Sets up the run and draws every page of the analysis interval (taken afresh
    /// from the SignalState) on a page the caller has begun (plotscreen or
    /// plotprinter). After each page: host.pageFinished(number, lastPage), then the
    /// run stops if host.stopRequested(); the host is also polled at the refresh
    /// points, where a stop abandons the page in hand. `printing` skips the screen
    /// refreshes. Settings the run corrects or replaces are written back into
    /// `settings`; replacements() lists them. Prints "Mix file >%s< not found\n" when
    /// a named .mix file cannot be opened, "Label file >%s< not used: <reason>\n"
    /// when a label file cannot be read, and "Negative datpos %d\n" when a next
    /// page starts before the buffer (the buffer is then refilled from that start).
    /// The labels marked are those from the interval's first sample on; the first
    /// one after its last sample ends the labelling. A preview takes the end of the
    /// interval afresh after each page: a selection changed meanwhile moves it.
    /// `settingsRead`, when set, is called once the settings have been read and
    /// corrected, before the first page: a window shows the values in use then.
    void run(SpectrogramSettings& settings, bool printing, PageHost& host,
             const std::function<void()>& settingsRead = {});

    /// Parameter set-up (spectrogramSetup), applied to the plot device and the
    /// analysis tables, first buffer fill with the automatic gain, and label file of
    /// a run, without pages. False (nothing set up) when no recording is loaded.
    /// "Mid pitch Hz" "Auto" is resolved from the typical pitch of the selected
    /// channel over the analysis interval (estimateTypicalPitch).
    bool prepare(SpectrogramSettings& settings, bool printing);

    /// What the last run's "Auto" found in its interval; empty when the last run's
    /// mid pitch was a number.
    const std::optional<TypicalPitch>& typicalPitch() const { return m_typicalPitch; }

    /// The parameters of the last run (or prepare).
    const SpectrogramParameters& parameters() const { return m_parameters; }

    /// The page in hand and the time the run has reached (the page just drawn while
    /// its host holds it).
    RunProgress progress() const;

    /// One line per setting the last run replaced or corrected, e.g.
    /// `Time scale mm/s: "0" replaced by "100"`, or resolved, e.g.
    /// `Mid pitch Hz: "Auto" set to "133"`.
    const std::vector<std::string>& replacements() const { return m_replacements; }

    /// Which label file and tier the pages will use, as the window shows it:
    /// `Labels: take1.TextGrid, tier "phones"` (the chosen file and tier; no tier
    /// named: its first), `Labels: take1.mix` (the .mix a section run named) or
    /// `Labels: none`.
    std::string labelSourceText() const;

    /// The top of the frequency axis of the last run in Hz (0 before any run).
    double topFrequency() const { return m_parameters.topFrequency; }

    /// Called once per column pair with its track values (kelvox-render --tracks).
    void setTrackSink(std::function<void(const PairTrack&)> sink) { m_trackSink = std::move(sink); }

    /// Whether run() analyses the coming column pairs on a helper thread while it
    /// draws (the pages are the same either way). On by default when the machine
    /// has more than one core; kelvox-render turns it off when it draws several
    /// recordings at once.
    void setHelperThread(bool on) { m_helperThread = on; }
    /// Plans the helper started afresh since it was made (0 without one).
    int helperPlans() const { return m_lookAhead ? m_lookAhead->plans() : 0; }
    bool helperThread() const { return m_helperThread; }

private:
    SpectrogramPage page(PageHost* host);
    void applyToDevices();
    void resetRunState();
    void firstFill();
    void openLabels();
    void startNextPage();

    SignalState& m_signal;
    const PageLayout& m_layout;
    PlotDevice& m_plot;
    AnalysisWorkspace& m_ws;
    SpectrogramState& m_st;
    const std::string& m_labelFileName;
    const LabelChoice& m_labelChoice;
    std::function<void(const PairTrack&)> m_trackSink;
    bool m_helperThread;
    std::unique_ptr<ColumnLookAhead> m_lookAhead;  // made for the first run that uses it
    std::vector<std::string> m_replacements;
    SpectrogramParameters m_parameters;
    std::optional<TypicalPitch> m_typicalPitch;
    double m_runStart = 0.0;                // s: where the run in hand began
    std::optional<RunProgress> m_pageDone;  // while the host holds a finished page
};

/// The spectrogram as kelvox-render drives it: settings set by control labels, pages
/// begun at 96 dpi (screen) or a print resolution (beginPageAt), "--tracks FILE" for a CSV of the
/// pitch and level tracks (one row per column pair: time_s, pitch_hz,
/// pitch_quality, pitch_drawn, low_db, high_db, total_db; the pitch columns empty
/// when the pitch strip is off).
std::unique_ptr<LabelledRun> makeSpectrogramLabelledRun(SignalState& signal, PageLayout& layout, PlotDevice& plot,
                                                        AnalysisWorkspace& ws, SpectrogramState& st,
                                                        std::string& labelFileName, const LabelChoice& labelChoice);

}  // namespace kelvox
