#pragma once
// A crude synthetic voice of known pitch for the tests of pitch estimates: a pulse
// train through a glottal shaping and two formant resonators, voiced in bursts, with
// noise over all of it.

#include <cstdint>
#include <vector>

namespace kelvox::test {

struct VoiceSettings {
    double f0Hz = 120.0;
    double rateHz = 16000.0;
    double seconds = 3.0;
    double noiseRms = 100.0;  // 16-bit units, everywhere, silences included
    unsigned seed = 1;
    bool telephone = false;  // cut below 300 Hz, as a telephone line does
};

/// A pulse train whose F0 swings ±6 % about f0Hz (so the median F0 is f0Hz), shaped
/// like a glottal source seen at the lips (−6 dB per octave: two one-pole low-passes
/// at 100 Hz and a first difference), through two formant resonators of an open
/// vowel, voiced for 350 ms out of every 550 ms with 20 ms ramps, peaks near 8000,
/// and Gaussian noise over all of it.
std::vector<int16_t> syntheticVoice(const VoiceSettings& voice);

}  // namespace kelvox::test
