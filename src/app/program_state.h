#pragma once
// The state Kelvox has once, created at start-up and passed by reference: the
// loaded recording, the spectrogram page layout, the plot device with its page
// image, the analysis working arrays, what the spectrogram run keeps from run to
// run, the label-file name the section run forms and the spectrogram opens, and
// the label file chosen instead.
// kelvox-render and the tests make their own.

#include "analysis_workspace.h"
#include "label_marks.h"
#include "page_hosts.h"
#include "page_layout.h"
#include "plot_device.h"
#include "signal_state.h"
#include "spectrogram_state.h"

#include <string>

namespace kelvox {

struct ProgramState {
    SignalState signal;
    PageLayout layout = builtInLayout();
    PlotDevice plot;  // needs a QGuiApplication
    AnalysisWorkspace analysis;
    SpectrogramState spectrogram;
    /// The ".mix" file the spectrogram run opens: formed by each section run,
    /// cleared by every load.
    std::string labelFileName;
    /// The label file chosen for the recording ("Labels...", --labels), which the
    /// spectrogram pages use instead; cleared by every load.
    LabelChoice labelChoice;
    /// One page run at a time, whichever window starts it.
    RunCoordinator runs;
};

}  // namespace kelvox
