#pragma once
// The owners a spectrogram run works on, with a recording loaded from WAV bytes, and
// a page host that records the pages it is handed.

#include "analysis_workspace.h"
#include "page_layout.h"
#include "page_run.h"
#include "plot_device.h"
#include "signal_state.h"
#include "spectrogram_run.h"
#include "spectrogram_state.h"

#include <functional>
#include <string>
#include <vector>

namespace kelvox::test {

/// A tone of `hz` at `rateHz`, `seconds` long, amplitude `amp`, with a little noise.
std::vector<int> noisyTone(double hz, int rateHz, double seconds, double amp);

struct RecordingHost : PageHost {
    std::vector<int> pages;
    std::vector<bool> lastFlags;
    int stopAfterPages = -1;  // ask to stop once this many pages are done
    bool followOn = false;    // pages follow one another at once, as kelvox-render's do
    std::function<void(int)> onPage;

    void pageFinished(int pageNumber, bool lastPage) override
    {
        pages.push_back(pageNumber);
        lastFlags.push_back(lastPage);
        if (onPage)
            onPage(pageNumber);
    }
    bool stopRequested() const override
    {
        return stopAfterPages >= 0 && static_cast<int>(pages.size()) >= stopAfterPages;
    }
    bool pagesFollowOn() const override { return followOn; }
};

struct RunFixture {
    SignalState signal;
    PageLayout layout = builtInLayout();
    PlotDevice plot;
    AnalysisWorkspace ws;
    SpectrogramState st;
    std::string labelFile;
    LabelChoice labelChoice;
    SpectrogramRun run{signal, layout, plot, ws, st, labelFile, labelChoice};
    /// The parameters of the last run or prepare.
    const SpectrogramParameters& p = run.parameters();
    SpectrogramSettings settings;

    /// Loads `samples` as a mono 16-bit WAV named `name` and begins a screen page.
    explicit RunFixture(const std::vector<int>& samples, int rateHz = 16000, const std::string& name = "take.wav");

    /// A run on a freshly begun page at 96 dpi (screen) or at `dpi` (print).
    void runPages(RecordingHost& host, int dpi = 96);
};

}  // namespace kelvox::test
