#pragma once
// Recordings for the section tests, loaded from WAV bytes made in the test.

#include "signal_state.h"

#include <string>
#include <vector>

namespace kelvox::test {

/// A SignalState loaded from a 16-bit WAV of the interleaved `samples`, as if the
/// file `name` had been opened; the selection is the whole file.
SignalState loadedRecording(const std::vector<int>& samples, int rateHz, int channels = 1,
                            const std::string& name = "/tmp/kelvox-section/take.wav");

/// Sum of sines: frequencies `hz` at equal amplitude `amp` (16-bit units), `frames` long.
std::vector<int> harmonicSound(const std::vector<double>& hz, int rateHz, int frames, double amp);

}  // namespace kelvox::test
