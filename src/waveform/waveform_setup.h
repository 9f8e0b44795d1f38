#pragma once
// The arithmetic of a waveform run before anything is drawn: settings to numbers
// (with the replacements of values that would divide by zero or never end), the
// page layout in pixels, time scale, ticks, gain and reference values, and the
// texts of the page (caption, tick labels). No drawing here.

#include "page_box.h"
#include "plot_device.h"
#include "signal_state.h"
#include "waveform_settings.h"

#include <string>
#include <vector>

namespace kelvox {

/// The page frame (px0, py0 its top-left corner; the caption sits above it) and
/// the tracks area (px0 … px1 the time axis of every line, py1 its top, py0 its
/// bottom, divided among the lines).
struct WaveformLayout {
    PageBox frame;
    PageBox tracks;
};

/// The default layout: frame 0, −3000, 1640, 3000 on 100, 100, 2800, 1900;
/// tracks 0, −1, 1600, 1 on 250, 1800, 2750, 200 (250 mm of time axis).
const WaveformLayout& waveformDefaultLayout();

/// The default layout on a page of pageWidthPx × pageHeightPx pixels (tenths of a
/// millimetre × page pixels / page tenths, integer arithmetic), shrunk by
/// printScale (at most 1): the tracks about their smaller-x, smaller-y corner, the
/// frame about its own by the same number of pixels, so the margins between them
/// keep their size.
WaveformLayout waveformPageLayout(int pageWidthPx, int pageHeightPx, double printScale);

/// Every number a run draws with, from the settings (after replacements) and
/// the page resolution.
struct WaveformParameters {
    int resolution = 96;          // page dots per inch
    double timeScale = 100;       // "Time scale mm/s" as a number
    float pageTimeScale = 100;    // timeScale × printScale, mm of page per second
    double printScale = 1;        // "Print size %" × 0.01, in (0, 1]
    double gain = 1;              // "Gain factor", or 32767 / peakAmplitude for "Auto"
    bool autoGain = true;
    int lines = 1;                // lines per page, ≥ 1
    WaveformLayout layout;        // in page pixels, shrunk by printScale
    PageRect usedArea;            // saved and printed: frame.px0 − 1, frame.py0 − 24, frame.px1 + 2, frame.py1 + 2
                                  // (fixedPixels at the resolution)
    double textSize = 1;          // plottextsize argument: √printScale sixths of an inch
    // Timing: up to 192 dpi the page's own; a finer page keeps the 192-dpi page's,
    // in finer pixels, so that its lines and page breaks fall where that page's do.
    double pixelsPerSecond = 0;   // trunc(resolution × pageTimeScale / 25.4), ≥ 1 (finer:
                                  // the 192-dpi value × resolution / 192)
    double secondsPerColumn = 0;  // 1 / pixelsPerSecond
    double lineDuration = 0;      // seconds of one line: (tracks width + 0.378) columns
                                  // (finer: the 192-dpi page's line duration)
    int lineColumns = 0;          // a line ends at this column at the latest: the tracks'
                                  // width (finer: + fixedPixels(1) − 1, its last 192-dpi pixel)
    double channelScale = 0;      // gain per raw sample unit: gain/128 (8-bit), gain/32768 (16-bit)
    double sampleScale = 0;       // gain per 16-bit unit (the decoders' unit): gain/32768
    double topValue = 0;          // 1 / gain: the value at a line's top edge
    double bottomValue = 0;       // −1 / gain
    double zeroValue = 0;         // zeroOffset × channelScale
    double tickStep = 0.1;        // seconds between time-grid lines
};

/// The largest of 0.001, 0.002, 0.005, …, 1, 2, 5 s that is smaller than a tenth
/// of the time one line shows (250 mm at `timeScale` mm/s); `previous` when even
/// 0.001 is not smaller (time scales of 25000 mm/s and more).
double waveformTickStep(double timeScale, double previous);

/// Run set-up for a page of pageWidthPx × pageHeightPx pixels at `resolution`
/// dpi. Reads the settings with parseNumber and replaces, writing the control's
/// default back into `settings` and appending one line to `replacements` each
/// ("Time scale mm/s: \"0\" replaced by \"100\""):
///  - a time scale ≤ 0, not finite, giving pixelsPerSecond < 1 at full size or at
///    the print size, or above 250 × sampleRate mm/s (a line shorter than one
///    frame: a run would take more pages than the data has frames) → "100";
///  - a gain that is 0 or not finite → "Auto";
///  - fewer than 1 line, or more lines than the tracks area has pixel rows → "1";
///  - a print size ≤ 0, or one that leaves pixelsPerSecond < 1 even at 100 mm/s
///    → "100" (the time scale is then kept).
/// A print size above 100 % is taken as 100 % without being written back.
/// `tickStep` is the step kept from the previous run; it is updated.
/// Reads peakAmplitude, bytesPerSample, zeroOffset and sampleRate of `signal`.
WaveformParameters waveformSetup(WaveformSettings& settings, const SignalState& signal, int resolution,
                                 int pageWidthPx, int pageHeightPx, double& tickStep,
                                 std::vector<std::string>& replacements);

/// Pixel rows of line `index` (0 at the top) of a page of `lines` lines at
/// `resolution` dpi: pitch p = trunc(tracks height / lines); top = tracks top +
/// index × p; bottom = top + p − lineHeightPx − 10 (fixedPixels at the resolution;
/// the space below holds the time labels).
struct WaveformLineRows {
    int top = 0;
    int bottom = 0;
};
WaveformLineRows waveformLineRows(const PageBox& tracks, int lines, int index, int lineHeightPx, int resolution);

/// The ticks of a line starting at time t0: the multiples of tickStep from
/// trunc(t0 / tickStep) × tickStep on (at or before t0; just after it when t0 is
/// negative), while the column x = trunc((time − t0) × pixelsPerSecond) + px0 is
/// ≤ px1, each labelled tickLabel(time, tickStep). The first tick may lie left of px0
/// (its label is still drawn there). Empty for a step ≤ 0 or a t0 that is not finite.
std::vector<AxisTick> waveformTicks(double t0, double tickStep, double pixelsPerSecond, int px0, int px1);

/// The page caption: "Kelvox|Wave " + fileName + ", Page " + pageNumberText +
/// ". Sftot %d*%1.2f kHz" (channels, sampleRate / 1000). The file name is text,
/// never a format.
std::string waveformCaption(const std::string& fileName, const std::string& pageNumberText, int channels,
                            double sampleRate);

}  // namespace kelvox
