#pragma once
// What the spectrogram page loop works on: the recording, the plot device, the
// analysis working arrays, the run's fixed parameters and its running state, plus
// two optional hooks of whoever drives the run (a stop request and the per-pair
// track values) and an optional helper thread for the column analysis.

#include "analysis_workspace.h"
#include "plot_device.h"
#include "signal_state.h"
#include "spectrogram_parameters.h"
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

class ColumnLookAhead;

struct SpectrogramPage {
    const SignalState& signal;
    PlotDevice& plot;
    AnalysisWorkspace& ws;
    const SpectrogramParameters& params;
    SpectrogramState& st;
    /// Polled at the page loop's refresh points; true ends the page at once.
    std::function<bool()> stopRequested;
    /// Called once per column pair, when set.
    std::function<void(const PairTrack&)> trackSink;
    /// Analyses the coming column pairs on a helper thread, when set; the page is
    /// the same without it.
    ColumnLookAhead* lookAhead = nullptr;
    /// The look-ahead may go on into the next page (the host's pages follow on).
    bool lookAcrossPages = false;
};

}  // namespace kelvox
