#pragma once
// The WAV reader: RIFF WAVE in every chunk order, RF64/BW64 with its ds64 sizes,
// and big-endian RIFX. No Qt.
//
// The usual layout, a "fmt " chunk at byte 12, is read at fixed offsets and its
// "data" chunk found by the walk from byte 20 + fmt size, as the program always
// has (the RIFF and WAVE tags unchecked). Any other layout is walked chunk by
// chunk from byte 12 and the format taken from its "fmt " chunk wherever it
// stands. Both walks are bounded by the file, with 64-bit positions; they first
// step over odd-sized chunks without a pad byte and, when that fails, with one.

#include "sample_decoding.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kelvox {

/// A .wav file the reader leaves to libsndfile: RIFF data in a format it does not
/// decode itself (ADPCM, GSM 6.10 …), or a file that is not RIFF at all.
struct WavForLibrary {
    /// What the file is ("WAV file in IMA ADPCM (format tag 0x0011)"); empty when
    /// it is not RIFF at all.
    std::string what;
};

/// Reads the WAV file in `b` and makes its samples readable (decodeSamples).
/// Throws LoadRefusal for a file it refuses and WavForLibrary for one that
/// libsndfile may decode. A RIFF file without any "fmt " chunk (its tag damaged)
/// is read at the usual layout's fixed offsets, as the program always has, when
/// a format stands there (readWavAtFixedOffsets).
SampleLayout readWav(std::vector<uint8_t>& b);

/// The usual layout's fixed-offset reading, whatever the tags say, for a .wav
/// file that neither the chunk walk nor libsndfile recognises: only when bytes
/// 20 … 35 hold a self-consistent format (byte rate = sample rate × block align,
/// both at least 1), so that no other chunk is misread as one. Throws
/// LoadRefusal{reasonIfNot} when that reading does not apply or fails.
SampleLayout readWavAtFixedOffsets(std::vector<uint8_t>& b, const std::string& reasonIfNot);

}  // namespace kelvox
