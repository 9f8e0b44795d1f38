#pragma once
// The pitch strip of the spectrogram page: one estimate of the fundamental per column
// pair (or per period for "Peak P"), drawn as short horizontal strokes on a log10 Hz
// axis. Three methods: peak picking and the average magnitude difference function
// on the resonator output, and the cepstral peak of the conditioned signal.

#include "analysis_workspace.h"
#include "plot_device.h"
#include "spectrogram_parameters.h"
#include "spectrogram_state.h"

#include <span>
#include <vector>

namespace kelvox {

/// The most samples "AMDF" compares, and so its longest period.
inline constexpr int kMaxAmdfWindow = 500;

/// Fractional period from an integer period T ending at buffer position `end`:
/// with R = `resonator` (the valid resonator samples; 0 outside them), over
/// i = 0 … T − 2 (skipping i where end − T − i ≤ 0), k = end − i,
///   t = ((R[k] − R[k−1]) + (R[k−T] − R[k−T−1]))/2, S += (R[k−T] − R[k])·t, B += t²;
/// the result is T + S/B, or T when B = 0: the shift that best aligns one period with
/// the next in the least-squares sense.
double refinelag(std::span<const float> resonator, int end, int T);

/// The pitch track of one column pair at cursor.analysisPos: selects sub-display 3
/// and, by p.pitchMethod,
///  - "AMDF": the lag of least average magnitude difference of the resonator
///    output, searched widely over W/4 … W − 1 (W = 2·fs/midPitch, at most 500,
///    every c-th sample compared, c = W/80 or 2 when that is not above 1) after a
///    weak or clamped estimate, else narrowly over 0.8 … 1.25 times the last period
///    comparing every sample; the smallest difference wins (the first on ties),
///    refined with refinelag, clamped to [minPitch, maxPitch] (quality 2), else
///    quality 0 when the least difference is at most a third of the largest, 1
///    otherwise; one stroke over the pair, width 2 for quality 0, else 1;
///  - "Cepstrum": the cepstral peak of a 512-point frame decimated to span about six
///    periods of midPitch (ws's real FFT tables, set up for 512 points), scored
///    against the running average avgPitch and jitter (both updated); not clamped;
///    below 10 dB of mean low-frequency level the estimate is midPitch and nothing
///    is drawn;
///  - "Peak P": a mark at each first new maximum after a new minimum of the decaying
///    peak trackers, the period refined from the samples since the last mark,
///    clamped; strokes of width 2 follow the pixel columns.
/// Strokes lie at plotypix(log10(pitch)) from track.lastX; "Peak P" and "AMDF" draw
/// only while `lowLevel` (the level track's low level) exceeds p.pitchGate. Owns
/// `track` (pitch, pitchQuality for "AMDF", lastX, pitchStrokeDrawn …); the estimate
/// persists from pair to pair and from run to run.
void pitchtrack(const SpectrogramParameters& p, const SampleBufferState& buffer, const PageCursor& cursor,
                double lowLevel, const AnalysisWorkspace& ws, PitchTrackState& track, PlotDevice& plot);

/// The estimate of pitchtrack without the drawing: advances `estimate` over the pair
/// at `analysisPos` whose pixels start at `pairX0`, and appends the strokes the pair
/// draws to `strokes` (gated: "Peak P" and "AMDF"). `scratch` is the AMDF search's.
/// Reads the buffer, `p` and ws's real FFT tables only, so it may run ahead of the
/// drawing on another thread.
void pitchestimate(const SpectrogramParameters& p, const SampleBufferState& buffer, int analysisPos, int pairX0,
                   const AnalysisWorkspace& ws, PitchEstimate& estimate, std::vector<PitchStroke>& strokes,
                   std::vector<float>& scratch);

/// The drawing of pitchtrack: selects sub-display 3 and draws `strokes`, the gated
/// ones only while `lowLevel` exceeds p.pitchGate; sets track.pitchStrokeDrawn.
void pitchdraw(const SpectrogramParameters& p, std::span<const PitchStroke> strokes, double lowLevel,
               PitchTrackState& track, PlotDevice& plot);

}  // namespace kelvox
