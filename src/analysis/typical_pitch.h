#pragma once
// The speaker's typical fundamental frequency over an interval of a recording: the
// median of the frame-wise estimates of the voiced frames. A pitch track needs a
// rough idea of the voice it follows (its search range and band filter are centred
// on a mid pitch); this gives that idea from the recording itself.

#include <cstdint>
#include <functional>
#include <span>

namespace kelvox {

/// What estimateTypicalPitch found.
struct TypicalPitch {
    double hz = 0.0;         // median F0 of the voiced frames, Hz; 0 when there are none
    int voicedFrames = 0;    // frames that passed the level and periodicity tests
    int examinedFrames = 0;  // frames looked at

    /// Some frame was voiced: hz holds an estimate.
    bool found() const { return voicedFrames > 0; }
};

/// The F0 range searched, Hz: below the "70" and above the "560" items of "Mid pitch Hz".
inline constexpr double kTypicalPitchLowestHz = 55.0;
inline constexpr double kTypicalPitchHighestHz = 600.0;
/// At most this many frames are examined, whatever the interval's length.
inline constexpr int kTypicalPitchMaxFrames = 1000;

/// Reads `out.size()` consecutive samples, the first being sample `first` of the
/// interval (0 ≤ first, first + out.size() ≤ the interval's sample count).
using TypicalPitchReader = std::function<void(int64_t first, std::span<int16_t> out)>;

/// Estimates the typical F0 of the `sampleCount` samples that `read` delivers, at
/// `sampleRateHz` (≥ 4000 Hz; a lower rate, or an interval shorter than one frame,
/// finds nothing).
///
/// Samples are the recording's decoded 16-bit values (8-bit data scaled by 256), as
/// the spectrogram's sample buffer holds them before its conditioning: the gain
/// setting would move the absolute silence floor below, and the emphasis and the
/// high-pass do not matter, because the estimator removes DC and low-passes by itself.
///
/// Method: frames of 25 ms plus the longest period (1/55 Hz) are low-passed below
/// 1 kHz by a windowed-sinc FIR and decimated by trunc(fs/6000) (to 6 … 12 kHz;
/// rates below 12 kHz are only filtered), then scored with YIN's cumulative mean normalised
/// difference over the periods of 55 … 600 Hz. A frame is voiced when that
/// difference dips below 0.15 (the period is the bottom of the first such dip,
/// refined by a parabola), its RMS is at least 5 (16-bit units) and within 30 dB of
/// the interval's loud frames (the 95th percentile of the frames' RMS). The result is
/// the median F0 of the voiced frames.
///
/// Frames start every 10 ms; an interval that would give more than
/// kTypicalPitchMaxFrames frames (about 10 s) is examined at that many frames spread
/// evenly over it instead, so the work is bounded for any length and `read` is asked
/// only for those frames' samples.
TypicalPitch estimateTypicalPitch(int64_t sampleCount, double sampleRateHz, const TypicalPitchReader& read);

/// The same over samples already in memory.
TypicalPitch estimateTypicalPitch(std::span<const int16_t> samples, double sampleRateHz);

}  // namespace kelvox
