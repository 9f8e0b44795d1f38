#pragma once
// Loading a sound file into the SignalState: RIFF WAVE (".wav"), SMP with a
// 1024-byte key=value text header (".smp"), and headerless 16-bit mono at 16 kHz
// (any other extension). The layout is chosen by the extension of the file name's
// last component, compared in lower case.
//
// A load is parsed and checked into a temporary and committed only when it
// succeeds; a refused file leaves the previous recording (or the empty start
// state) untouched. WAV data in 24- or 32-bit integer PCM, 32- or 64-bit float,
// A-law or µ-law (also inside WAVE_FORMAT_EXTENSIBLE) are decoded once into 16-bit
// samples, so that the rest of the program sees only 8- and 16-bit data.

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
    std::string reason;  // why a file was refused, for stderr; empty on success
    LoadReport report;
};

/// Reads the file at `path` whole and loads it into `state` (see above).
/// viewWidthPx and viewHeightPx are the main view's size (665 × 201): the time
/// zoom and the amplitude scale are derived from them.
LoadResult loadSoundFile(const std::string& path, SignalState& state, int viewWidthPx, int viewHeightPx);

/// The same load from bytes already in memory; `path` names the file (its
/// extension chooses the layout; it becomes fileName and the caption).
LoadResult loadSoundBytes(std::vector<uint8_t> bytes, const std::string& path, SignalState& state,
                          int viewWidthPx, int viewHeightPx);

/// The extension of the last path component from its last '.', in lower case
/// ("" when there is none): "/a/b.WAV" → ".wav", "/a.b/c" → "".
std::string lowerExtension(const std::string& path);

/// Decoders of the two G.711 companding laws, to 16-bit linear.
int16_t alawToLinear(uint8_t a);
int16_t mulawToLinear(uint8_t u);

}  // namespace kelvox
