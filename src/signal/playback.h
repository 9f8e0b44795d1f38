#pragma once
// What the Play button plays: the selection from trunc(selectionStart × 1000) ms to
// trunc(selectionEnd × 1000) ms, clamped to the recording, taken from the samples
// in memory as the main view shows them (after any byte swap or sign flip), so that
// SMP and raw files play too.

#include "signal_state.h"

#include <cstdint>
#include <vector>

namespace kelvox {

struct PlaySlice {
    int64_t startMs = 0;      // the positions the player is given
    int64_t endMs = 0;
    int64_t firstFrame = 0;   // frames [firstFrame, endFrame) after clamping
    int64_t endFrame = 0;
    bool empty() const { return endFrame <= firstFrame; }
};

/// The play range of the current selection, clamped to [0, fileDuration]; empty
/// when the clamped end is not after the start.
PlaySlice playSlice(const SignalState& s);

/// 16-bit interleaved samples of the slice: all channels of a mono or stereo file,
/// the selected channel alone when the file has more than two. `channels` receives
/// the channel count of the result.
std::vector<int16_t> playSamples(const SignalState& s, const PlaySlice& slice, int& channels);

}  // namespace kelvox
