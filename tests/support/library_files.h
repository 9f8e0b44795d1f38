#pragma once
// Sound files written by libsndfile itself, in memory, for the tests and the fuzz
// seeds: FLAC, AIFF, NIST SPHERE, Ogg, MP3, ADPCM and GSM WAV … from known samples.

#include "sound_files.h"

#include <cstdint>
#include <vector>

namespace kelvox::test {

/// The bytes of a file in libsndfile's `format` (SF_FORMAT_* major | sub-type |
/// endianness) holding the interleaved 16-bit `samples` of `channels` channels at
/// `rateHz`. Throws std::runtime_error when libsndfile cannot write it.
Bytes writeWithLibrary(int format, int channels, int rateHz, const std::vector<int>& samples);

/// The same from 32-bit samples at full scale (a 24-bit file keeps their top 24 bits).
Bytes writeIntsWithLibrary(int format, int channels, int rateHz, const std::vector<int32_t>& samples);

/// The same from float samples (full scale ±1.0), for float files.
Bytes writeFloatsWithLibrary(int format, int channels, int rateHz, const std::vector<double>& samples);

}  // namespace kelvox::test
