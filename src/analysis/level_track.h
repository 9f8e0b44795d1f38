#pragma once
// The sample-by-sample pass over a column pair: smoothed low, high and total band
// levels, the waveform strip as a min/max envelope, the label marks under it, and
// the level strip's two curves.

#include "plot_device.h"
#include "spectrogram_parameters.h"
#include "spectrogram_state.h"

#include <array>

namespace kelvox {

/// One column pair at cursor.analysisPos, for each of its p.pairStep samples
/// u = the conditioned sample at analysisPos + n (0 outside the valid buffer):
///  - band powers: "LinPr 17": u filtered by two low-pass and by two high-pass
///    sections at 1 kHz, squared, and u²; otherwise `bandEnergy` (the column-pair
///    analysis's, ws.BandEnergy) of frame A for the first half of the pair and of
///    frame B for the second; each floored at 0.001;
///  - each band's two-pole smoother (p.levelSmoother) on 10·log10 of its power and
///    the one-pole follower (p.levelFollower); lowLevel, highLevel, totalLevel =
///    follower − 34 dB; midLevel/endLevel = the total smoother at mid/end of pair;
///  - at each sample whose pixel column x differs from the previous sample's (so at
///    a page's first sample too), and at the pair's last sample, while x lies left
///    of the strip's right edge: the waveform envelope as a vertical line (waveform
///    strip on), the held label with its tick when its sample is reached (the next
///    label is then read), and the high (width 1, +14 dB with "SPL/SPLH") and low
///    (width 2) level curves shifted left by highShift and highShift + lowShift
///    (level strip on, shifted x inside it).
/// The first call of a run seeds every smoother and follower with frame A's band
/// energies. Owns `level` and `labels`.
void levelpass(const SpectrogramParameters& p, const SampleBufferState& buffer, const PageCursor& cursor,
               const std::array<float, 6>& bandEnergy, LevelTrackState& level, LabelMarks& labels, PlotDevice& plot);

}  // namespace kelvox
