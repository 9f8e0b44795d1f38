#pragma once
// Conditioning of the spectrogram's sample buffer: gain, emphasis, DC-blocking
// high-pass, and the band-limiting resonator cascade for the pitch trackers.

#include "spectrogram_parameters.h"
#include "spectrogram_state.h"

#include <cstdint>
#include <span>

namespace kelvox {

/// Processes `samples` into the first samples.size() entries of `conditioned` and
/// `resonator` (both must hold at least as many), leaving the entries beyond
/// untouched. For each sample s[i]:
///  1. v = gainFactor·s[i];
///  2. preEmphasis > 0: v −= preEmphasis·gainFactor·s[i+1], where the next sample of
///     the last index reads 0; preEmphasis < 0: one-pole de-emphasis
///     v = 5·(1 + pe)·v − pe·m, m = v (m starts at 0 in each call);
///  3. high-pass with a double zero at 0 Hz, in double:
///     y = v − 2·x1 + x2 − A1·y1 − A2·y2 → conditioned[i];
///  4. leaky integrator r = 0.9·r + y, then three identical sections
///     w = u − u_prev + B1·w1 − B2·w2 in cascade → resonator[i].
/// The high-pass memories carry over from call to call, so a buffer can be
/// processed piecewise (a spectrogram run sets them to 0 at its start); the
/// de-emphasis memory and the resonator
/// states restart at zero with every call.
void condition(const ConditioningParameters& c, HighPassMemory& memory, std::span<const int16_t> samples,
               std::span<float> conditioned, std::span<float> resonator);

/// condition() over the buffer's SampleBuffer[0 … min(bufferHigh, bufferFill) − 1]
/// (clipped to the arrays) into its ConditionedSamples and ResonatorSamples; counts
/// the buffer's generation on.
void conditionBuffer(const ConditioningParameters& c, HighPassMemory& memory, SampleBufferState& buffer);

}  // namespace kelvox
