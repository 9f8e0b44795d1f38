#pragma once
// What the spectrogram page routines work on: the recording, the plot device, the
// analysis working arrays and the run's shared variables, plus two optional hooks
// of whoever drives the run (a stop request and the per-pair track values).

#include "analysis_workspace.h"
#include "page_layout.h"
#include "page_lines.h"
#include "plot_device.h"
#include "signal_state.h"
#include "spectrogram_state.h"

#include <functional>

namespace kelvox {

/// The values of one column pair after its pitch track and level pass, for a
/// caller that records the tracks (kelvox-render --tracks).
struct PairTrack {
    double timeSeconds = 0.0;  // the pair's start time
    bool pitchOn = false;      // the pitch strip is drawn (pitch values are valid)
    double pitchHz = 0.0;      // the pitch estimate after the pair
    int pitchQuality = 0;      // 0 good, 1 weak, 2 clamped
    bool pitchDrawn = false;   // a pitch stroke was drawn for the pair
    double lowDb = 0.0, highDb = 0.0, totalDb = 0.0;  // lowLevel, highLevel, totalLevel
};

struct SpectrogramPage {
    SignalState& signal;
    PlotDevice& plot;
    AnalysisWorkspace& ws;
    SpectrogramState& st;
    /// Polled at the page loop's refresh points; true ends the page at once.
    std::function<bool()> stopRequested;
    /// Called once per column pair, when set.
    std::function<void(const PairTrack&)> trackSink;
    /// The pitch strokes, waveform columns, label ticks and level curves on their way
    /// to the page image. The routines draw them before they return unless
    /// deferLines is set (the page loop sets it and draws them at its refresh points,
    /// before anything else that could cover them, and at the page's end).
    PageLines lines;
    bool deferLines = false;
};

/// Draws the page's held lines now unless the page loop defers them.
inline void finishLines(SpectrogramPage& page)
{
    if (!page.deferLines)
        page.lines.flush(page.plot);
}

}  // namespace kelvox
