#pragma once
// The loader's common ground: the file-derived fields of a load before it is
// committed, the refusal that ends a load, and the one-time decoding of sample
// data into the 8- and 16-bit forms the rest of the program reads. Shared by the
// WAV reader, the headerless reader and the libsndfile decoder. No Qt.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kelvox {

constexpr int kDefaultRateHz = 16000;

/// What a reader found, before the load is committed to the SignalState.
struct SampleLayout {
    int32_t dataOffset = 0;   // first sample, in sample-width units
    int32_t sampleCount = 0;  // samples of all channels together
    int16_t channelCount = 1;
    int32_t bytesPerSample = 2;
    int16_t bitsPerSample = 16;
    int32_t sampleRateHz = kDefaultRateHz;
    bool byteSwap = false;  // 16-bit data stored most significant byte first
    bool signFlip = false;  // 8-bit data stored offset binary
};

/// A file the loader will not load; `reason` is one line that says what the file
/// is and why ("RIFF file without a fmt chunk").
struct LoadRefusal {
    std::string reason;
};

/// How samples are stored in a file.
enum class SampleEncoding {
    Unsigned8,  // offset binary bytes: kept as bytes, sign-flipped at commit
    Signed8,    // two's complement bytes: kept as bytes
    Signed16,   // kept as 16-bit words
    Signed24,   // 3-byte integers
    Signed32,   // 4-byte integers, or fewer valid bits in a 4-byte container
    Float32,
    Float64,
    Alaw,
    Mulaw,
};

struct SampleFormat {
    SampleEncoding encoding = SampleEncoding::Signed16;
    bool bigEndian = false;
    /// Signed32 only: the valid bits sit in the low three bytes (sign-extended)
    /// rather than in the high three, as some writers store 24 bits in 32.
    bool lowJustified = false;
};

/// Bytes per stored sample of `encoding`.
int sampleWidth(SampleEncoding encoding);

/// Samples present: min(declared, present) bytes in samples of `width` bytes; when
/// the data are cut short, rounded down to whole frames of `channels`.
int64_t availableSamples(uint64_t declaredBytes, uint64_t presentBytes, int width, int channels);

/// Makes `count` samples of `format` that start at byte `start` of `b` readable
/// by the program, in place, and sets dataOffset, sampleCount, bytesPerSample,
/// byteSwap and signFlip of `layout`:
/// - 8-bit data stay bytes (offset binary is flagged for the sign flip);
/// - 16-bit data stay words, moved down by one byte when they start at an odd byte
///   (over the byte before them, which the reader has used already); big-endian
///   words are flagged for the byte swap;
/// - every wider, float or companded encoding becomes 16-bit little-endian
///   samples: integers keep their 16 most significant bits, floats are × 32767,
///   rounded and clipped, A-law and µ-law are expanded.
/// The bytes before `start` are kept; bytes after the data are dropped when the
/// samples are converted. `b` must hold start + count × width bytes.
void decodeSamples(std::vector<uint8_t>& b, std::size_t start, int64_t count, SampleFormat format,
                   SampleLayout& layout);

/// A float sample (full scale ±1.0) as a 16-bit value: × 32767, rounded to
/// nearest, clipped to the int16 range; NaN gives 0.
int16_t floatTo16(double v);

/// Decoders of the two G.711 companding laws, to 16-bit linear.
int16_t alawToLinear(uint8_t a);
int16_t mulawToLinear(uint8_t u);

}  // namespace kelvox
