#pragma once
// Loading a sound file into the SignalState. The extension of the file name's
// last component, compared in lower case, chooses how:
// - ".wav": RIFF WAVE in any chunk order, RF64 and RIFX (wav_reader.h); WAV data
//   in a codec the reader does not decode (ADPCM, GSM 6.10 …), and a ".wav" file
//   that is not RIFF at all (NIST SPHERE, as TIMIT names them), go to libsndfile;
// - ".smp": a 1024-byte key=value text header, then 16-bit samples;
// - the extensions of libraryExtensions() (".flac", ".aiff", ".sph", ".ogg",
//   ".mp3" …): decoded by libsndfile (sound_library.h);
// - any other: headerless 16-bit little-endian mono at 16 kHz. "Open raw..." and
//   kelvox-render --raw read a headerless file with other parameters instead.
//
// A load is parsed and checked into a temporary and committed only when it
// succeeds; a refused file leaves the previous recording (or the empty start
// state) untouched. Every encoding other than 8- and 16-bit PCM (24- and 32-bit
// integers, floats, A-law, µ-law, and everything libsndfile decodes) is decoded
// once into 16-bit samples, so that the rest of the program sees only 8- and
// 16-bit data.

#include "signal_state.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kelvox {

/// What the main window sets from a successful load (the loader never touches a
/// widget). The check boxes are reported as the data now stand: the loader has
/// already byte-swapped or sign-flipped fileBytes where the format demands it.
struct LoadReport {
    std::string caption;        // full path, two blanks, file size in bytes
    std::string parameterLine;  // the "Parameters" label after refreshParameters
    bool byteSwapChecked = false;
    bool signFlipChecked = false;
    bool byteSwapEnabled = false;  // bytesPerSample == 2
    bool signFlipEnabled = false;  // bytesPerSample == 1
    int channelMaximum = 0;        // channelCount - 1
    bool channelEnabled = false;   // channelCount > 1
};

struct LoadResult {
    bool ok = false;
    std::string reason;  // one line: what the file is and why it was refused; empty on success
    LoadReport report;
};

/// How the samples of a headerless file are stored.
enum class RawSampleFormat { S16le, S16be, U8, S8, S24le, S32le, F32le, Alaw, Ulaw };

/// Every raw sample format, in the order the "Open raw..." dialog lists them.
constexpr RawSampleFormat kRawSampleFormats[] = {
    RawSampleFormat::S16le, RawSampleFormat::S16be, RawSampleFormat::U8,
    RawSampleFormat::S8,    RawSampleFormat::S24le, RawSampleFormat::S32le,
    RawSampleFormat::F32le, RawSampleFormat::Alaw,  RawSampleFormat::Ulaw,
};

/// The name of a raw sample format as typed: "s16le", "s16be", "u8", "s8",
/// "s24le", "s32le", "f32le", "alaw", "ulaw".
const char* rawFormatName(RawSampleFormat format);

/// What a headerless file holds. The defaults are the rule for unknown extensions.
struct RawParameters {
    int rateHz = 16000;
    int channels = 1;
    RawSampleFormat format = RawSampleFormat::S16le;
    int64_t skipBytes = 0;  // header bytes before the first sample
};

/// Reads "RATE[,CHANNELS[,FORMAT[,SKIP]]]" (kelvox-render --raw): whole numbers,
/// RATE ≥ 1 Hz, 1 ≤ CHANNELS ≤ 32767, FORMAT one of the names above, SKIP ≥ 0
/// bytes; an empty field keeps its default. False with `error` set for anything else.
bool parseRawParameters(const std::string& text, RawParameters& parameters, std::string& error);

/// Reads the file at `path` whole and loads it into `state` (see above).
/// viewWidthPx and viewHeightPx are the main view's size (665 × 201): the time
/// zoom and the amplitude scale are derived from them.
LoadResult loadSoundFile(const std::string& path, SignalState& state, int viewWidthPx, int viewHeightPx);

/// The same load from bytes already in memory; `path` names the file (its
/// extension chooses the layout; it becomes fileName and the caption).
LoadResult loadSoundBytes(std::vector<uint8_t> bytes, const std::string& path, SignalState& state,
                          int viewWidthPx, int viewHeightPx);

/// Loads the file at `path` as headerless samples described by `parameters`,
/// whatever its extension. 8-bit data stay bytes ("u8" sign-flipped, as the
/// "MSbit comp" box shows), "s16be" is byte-swapped (the "Byte swap" box), every
/// other format becomes 16-bit as in WAV files. A SKIP beyond the file is refused.
LoadResult loadRawSoundFile(const std::string& path, const RawParameters& parameters, SignalState& state,
                            int viewWidthPx, int viewHeightPx);

/// The same from bytes already in memory.
LoadResult loadRawSoundBytes(std::vector<uint8_t> bytes, const std::string& path, const RawParameters& parameters,
                             SignalState& state, int viewWidthPx, int viewHeightPx);

/// Every extension read by its content, lower case with the dot: ".wav", ".smp",
/// then those decoded by libsndfile.
const std::vector<std::string>& soundFileExtensions();

/// The extension of the last path component from its last '.', in lower case
/// ("" when there is none): "/a/b.WAV" → ".wav", "/a.b/c" → "".
std::string lowerExtension(const std::string& path);

}  // namespace kelvox
