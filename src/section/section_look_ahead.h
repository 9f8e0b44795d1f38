#pragma once
// The section analyses of a page on a helper thread, ahead of the drawing: while the
// section run draws one section (strip, cell, axes, curve), the helper analyses the
// coming sections of the page with its own analyser. Only for runs with a time step,
// where every section is its own frame; a long-time average stays on the run's
// thread. The run stops the helper before it hands a page on (the recording may
// change while a preview waits).

#include "analysis_workspace.h"
#include "look_ahead.h"
#include "section_analysis.h"
#include "signal_state.h"

#include <vector>

namespace kelvox {

/// A section the helper analysed: its time, its display levels and its average.
struct AnalysedSection {
    double time = 0.0;
    int64_t readPosition = 0;
    std::vector<float> levels;
    std::vector<float> average;
};

/// Where a planned section lies: the run's current time and read position for it,
/// and the time of the section after it.
struct PlannedSection {
    double time = 0.0;
    int64_t readPosition = 0;
    double nextTime = 0.0;
};

class SectionLookAhead {
public:
    explicit SectionLookAhead(int depth = 64);

    /// Takes a copy of the FFT tables the run's set-up made in `ws` and of the run's
    /// settings, and prepares the helper's analyser like the run's.
    void prepare(const AnalysisWorkspace& ws, const SectionSettings& settings);
    /// Starts analysing `sections` of `signal` in order; the recording must not
    /// change until stop().
    void start(const SignalState& signal, std::vector<PlannedSection> sections);
    /// The next planned section when it lies at `readPosition`, once analysed;
    /// nullptr otherwise (the run then analyses it itself).
    const AnalysedSection* take(int64_t readPosition);
    /// Waits for the section in hand and forgets the rest.
    void stop() { m_worker.stop(); }

private:
    void make(const PlannedSection& planned, AnalysedSection& section);

    AnalysisWorkspace m_ws;
    SectionSettings m_settings;
    SectionAnalyser m_analyser;
    const SignalState* m_signal = nullptr;
    PlannedLookAhead<PlannedSection, AnalysedSection> m_worker;  // last: its thread stops before the rest goes
};

}  // namespace kelvox
