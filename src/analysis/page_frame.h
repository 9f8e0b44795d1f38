#pragma once
// What completes a spectrogram page after its columns, strokes and curves: the
// sub-display frames and captions, the two caption lines, the time axis with its
// grid, the frequency (Bark, band or quefrency) scale, the pitch and level scales and
// the mouse read-out regions. The tick positions and texts are computed as data.

#include "one_two_five.h"
#include "plot_device.h"
#include "signal_state.h"
#include "spectrogram_parameters.h"
#include "spectrogram_state.h"

#include <cstdint>

#include <string>
#include <vector>

namespace kelvox {

/// The smallest value of the 1-2-5 sequence from 1e-5 to 1e5 that is not below x;
/// x itself when x ≤ 0.5e-5 or x ≥ 1e5.
double nicestep(double x);

/// Pixel row in the level strip (sub-display 4) of a level in whole dB:
///   bottom + trunc((top − bottom)·(dB − gainDb + levelTop − 60)/grayRange),
/// with bottom/top the strip's lower and upper pixel rows (saturated, never UB).
int leveltoy(const SpectrogramParameters& p, int16_t dB);

/// Frequency axis step in kHz: the largest tick step below topFrequencyHz/3000;
/// 0.001 when none is.
double frequencyTickStep(double topFrequencyHz);

/// Quefrency axis step in seconds: a tenth of the first tick step not below
/// (windowLength/2)/sampleRate; a tenth of 10 s when none is.
double quefrencyTickStep(int windowLength, double sampleRate);

/// Label of time t (s) on an axis of the given step: "%8.3f" below 0.01, "%8.2f"
/// below 0.1, "%d" of trunc(t) from 1 on, "%8.1f" otherwise; leading blanks removed.
std::string timeTickLabel(double t, double step);

/// The time ticks of a page starting at `analysisStart` (s): from the first whole
/// step after it, at spgmLeft + trunc((t − analysisStart)·pixelsPerSecond), while
/// left of spgmRight and t − 0.095 < p.analysisEnd (at most 10 000).
std::vector<AxisTick> timeTicks(const SpectrogramParameters& p, float analysisStart, double step);

/// The ticks of the spectrogram's vertical scale, by axis: "Q=34" octaves down from
/// topFrequency, Bark every 2 Bark, "Cepstrum" quefrency in s or ms, otherwise
/// frequency in Hz or "k" (lines only strictly inside the strip). `frequencyStep` in
/// kHz, `quefrencyStep` in s.
std::vector<AxisTick> spectrogramTicks(const SpectrogramParameters& p, double frequencyStep, double quefrencyStep);

/// The pitch scale's ticks: for the 16 factors 0.5 … 2.0 of nicestep(midPitch), at
/// plotypix(log10 f) of the pitch strip (which it selects, without frame), those
/// strictly between its top and bottom − 1 rows; each labelled "%d" of trunc(f + 0.6)
/// unless it lies less than a text line above the last label (then the label is "").
std::vector<AxisTick> pitchTicks(const SpectrogramParameters& p, PlotDevice& plot);

/// Completes the page: frames and captions of sub-displays 0, 1 (when on) and 2; the
/// caption "Kelvox|Speg <file>, Ch <channel>(<channels>), Page <page>" and, when the
/// print size exceeds 0.5, the analysis line; the resolution box (linear axes but
/// "Q=34"); the time axis with labels that do not overlap and dotted grid lines
/// through every strip that is drawn; the spectrogram scale; the pitch scale and the
/// level scale with their frames (when on); the read-out regions (emptied first).
/// The page's start time and number come from `cursor`, the file name and channels
/// from `signal`. The offsets of texts and the resolution box from their anchors
/// are fixed pixels (PlotDevice::fixedPx). Refreshes the plot window unless printing.
void pageframe(const SpectrogramParameters& p, const PageCursor& cursor, const SignalState& signal, PlotDevice& plot);

}  // namespace kelvox
