#pragma once
// The waveform run: the analysis interval drawn as pages of waveform lines at a
// chosen time scale, like a chart recorder, all channels overlaid in each line.
// Preview, print and kelvox-render drive it through a PageHost.

#include "page_run.h"
#include "plot_device.h"
#include "signal_state.h"
#include "waveform_settings.h"
#include "waveform_setup.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kelvox {

/// What one channel of one pixel column showed, for observers (tests, checks).
struct WaveformColumn {
    int pageNumber = 0;
    int lineIndex = 0;
    int column = 0;          // 0 at the line's left edge
    int channel = 0;
    bool empty = false;      // no frame began in the column: the frame at its start was taken
    int64_t position = 0;    // sample index of the column's first frame (channel 0)
    int64_t endPosition = 0; // sample index where the next column starts (exclusive)
    double minValue = 0, maxValue = 0, lastValue = 0;  // drawn values, y upward is negative
    bool lineEnds = false;
};

/// The stretch of time and data one page covered.
struct WaveformPageSpan {
    double lineStart = 0;       // time at the left edge of the page's first line
    double endTime = 0;         // time at the end of the page's last drawn column
    int64_t firstPosition = 0;  // sample index of the page's first frame
    int64_t endPosition = 0;    // sample index just past the page's last frame
    int linesDrawn = 0;
};

class WaveformRun {
public:
    /// The run reads the recording from `signal` and writes sampleLimit and
    /// pageTimeScale into it; it draws through `plot`. Both outlive the run. The
    /// tick step lives here and carries from one run to the next (0.1 s at first).
    WaveformRun(SignalState& signal, PlotDevice& plot);

    /// Draws the pages of the analysis interval (taken afresh from the signal
    /// state); a start before the recording draws silence from the start as typed,
    /// but at most 32767 pages of it before time 0. The caller has begun the page (plotscreen for a preview,
    /// plotprinter for print). Settings that would divide by zero or never end are replaced and written back into
    /// `settings` (see waveformSetup), one line each in replacements(). Calls plotshow (only when not printing) after
    /// each page header, every 128 columns, at each line end and after each page; calls host.pageFinished once per
    /// finished page, lastPage true for the one that ends the run; ends when host.stopRequested() is true after a page
    /// or at a refresh point (a page stopped part-way is not finished). Sets sampleLimit := sampleCount − dataOffset
    /// and pageTimeScale := time scale × print size, and the device's usedarea (the set-up's, its top raised to the
    /// caption's top where the caption stands higher). Returns the number of
    /// pages finished. `settingsRead`, when set, is called once the settings have
    /// been read and corrected, before the first page.
    int run(WaveformSettings& settings, bool printing, PageHost& host, const std::function<void()>& settingsRead = {});

    /// The page in hand and the time reached while a run draws; zeros otherwise.
    RunProgress progress() const;

    /// One line per setting the last run replaced.
    const std::vector<std::string>& replacements() const { return m_replacements; }
    /// The tick step the next run starts from.
    double tickStep() const { return m_tickStep; }
    /// The numbers of the last run.
    const WaveformParameters& parameters() const { return m_params; }
    /// The pages of the last run, in order.
    const std::vector<WaveformPageSpan>& pageSpans() const { return m_pageSpans; }
    /// Called for every channel of every drawn column (nothing when unset).
    void setColumnObserver(std::function<void(const WaveformColumn&)> observer)
    {
        m_observer = std::move(observer);
    }

private:
    struct Walk;
    void drawPageHeader(const Walk& w);
    void drawLineAxes(const Walk& w, int lineIndex);
    void selectLine(int lineIndex, int framewidth);
    double columnValue(int64_t index) const;
    bool drawColumn(Walk& w, bool printing, const PageHost& host);
    void show(bool printing);

    SignalState& m_signal;
    PlotDevice& m_plot;
    double m_tickStep = 0.1;
    WaveformParameters m_params;
    std::vector<std::string> m_replacements;
    std::vector<WaveformPageSpan> m_pageSpans;
    std::string m_pageNumberText = "0";
    const Walk* m_walk = nullptr;  // while a run draws
    double m_start = 0;            // where the run in hand began, seconds
    std::function<void(const WaveformColumn&)> m_observer;
};

/// The waveform window as kelvox-render drives it: the settings record with its
/// defaults and a WaveformRun on `signal` and `plot`. run(dpi, host) begins the
/// page with plotscreen (96) or plotprinter (192) and runs with printing =
/// (dpi == 192).
std::unique_ptr<LabelledRun> makeWaveformLabelledRun(SignalState& signal, PlotDevice& plot);

}  // namespace kelvox
