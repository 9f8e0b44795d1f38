#pragma once
// The arithmetic of a spectrogram run before anything is drawn: the window's
// settings to numbers (with the replacements of values that would divide by zero or
// never end), the page geometry, the analysis sizes and tables, the filters and the
// gray scale. No drawing and no samples: the run applies the result to the plot
// device and the FFT tables, fills the buffer and, for the automatic gain, measures
// it (spectrogramAutoGain).

#include "page_layout.h"
#include "signal_state.h"
#include "spectrogram_parameters.h"
#include "spectrogram_settings.h"
#include "typical_pitch.h"

#include <functional>
#include <string>
#include <vector>

namespace kelvox {

/// The page the set-up lays out for: its resolution and size in pixels.
struct SpectrogramPageSize {
    int resolution = 96;  // dots per inch
    int widthPx = 0;
    int heightPx = 0;
};

/// The voice's typical pitch over the analysis interval (the run estimates it from
/// the selected channel); asked for only when "Mid pitch Hz" says "Auto".
using TypicalPitchSource = std::function<TypicalPitch()>;

/// Run set-up for `page`. Reads the settings with parseNumber and replaces, writing
/// the box's default (or the corrected value) back into `settings` and appending one
/// line to `replacements` each (`Time scale mm/s: "0" replaced by "100"`), in this
/// order:
///  - "Mid pitch Hz" "Auto" → the mid pitch that fits `typicalPitch()` for the pitch
///    method at the recording's rate (autoMidPitchText), listed as
///    `Mid pitch Hz: "Auto" set to "133"`; when no frame was voiced (or there is no
///    source), "100", listed as
///    `Mid pitch Hz: "Auto" set to "100" (no voice found in the interval)`;
///  - "Time scale mm/s", "Print size %", "Mid pitch Hz" that are not positive → the
///    default; then a time scale giving less than one pixel column per second at
///    full size, or above 250 × sampleRate mm/s → "100"; a print size that leaves
///    less than one column per second → "100";
///  - "Gain dB" above 300 → "300" (below −100 it is measured: autoGain);
///  - "Range between black and white" that is 0 or not finite, "Gray level-range"
///    that is not finite → the default;
///  - "F range Hz" below fs/64 → trunc(fs/64), above fs/2 → "fs/2"; "Q=34" writes
///    the bandwidth it implies into "Bandwidth Hz" (not a replacement);
///  - "Bandwidth Hz" that is not positive → "250".
/// Reads sampleRateHz, peakAmplitude, preEmphasis and the analysis interval of
/// `signal`, and `layout`'s sub-displays.
SpectrogramParameters spectrogramSetup(SpectrogramSettings& settings, const SignalState& signal,
                                       const PageLayout& layout, SpectrogramPageSize page, bool printing,
                                       std::vector<std::string>& replacements,
                                       const TypicalPitchSource& typicalPitch = {});

/// The automatic gain of a run whose gain is measured: the gain that brings
/// `largestConditioned` (the largest conditioned value of the first buffer at
/// 0 dB) near 16384, 2·trunc(10·log10(16384/largest)) dB within ±300 (0 dB for
/// silence), with the gain factor and waveform scale that follow. Reads
/// `peakAmplitude` of the recording.
void spectrogramAutoGain(SpectrogramParameters& p, float largestConditioned, float peakAmplitude);

}  // namespace kelvox
