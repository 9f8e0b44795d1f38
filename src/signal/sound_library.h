#pragma once
// The one place where libsndfile is called: the sound files Kelvox does not read
// itself (FLAC, AIFF, NIST SPHERE, AU, CAF, W64, Ogg Vorbis and Opus, MP3, and WAV
// data in ADPCM or GSM 6.10) are decoded once into 16-bit samples. No Qt.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kelvox {

/// What libsndfile reads: the file's bytes already in memory, or else the file at
/// `path` (read straight from disk, never held whole).
struct LibrarySource {
    std::span<const uint8_t> bytes;
    std::string path;
};

/// A decoded recording: interleaved 16-bit little-endian samples.
struct LibrarySound {
    std::vector<uint8_t> samples;
    int64_t sampleCount = 0;  // of all channels together
    int channels = 0;
    int rateHz = 0;
};

/// Decodes the whole recording in `source`, recognised by its content, into
/// `sound.samples`, which grows as the samples come (no second copy of them).
/// Integer data keep their 16 most significant bits; float data and the lossy
/// codecs (Vorbis, Opus, MP3) are × 32767, rounded and clipped, as the WAV reader
/// does. A file cut short gives the samples before the cut. On failure returns
/// false with `reason` set to libsndfile's one-line message (or the limit hit):
/// no recognised format, more than 2 GiB of 16-bit samples, a channel count
/// beyond 32767, no samples at all. `expectedKind`, a name such as "MP3" for the
/// file's extension, lets the reason say when this libsndfile cannot read that
/// kind of file at all; "" when there is no expectation.
bool decodeWithLibrary(const LibrarySource& source, const std::string& expectedKind, LibrarySound& sound,
                       std::string& reason);

/// The kind of file libsndfile decodes for a lower-case extension with its dot
/// (".flac" → "FLAC", ".sph" → "NIST SPHERE"), or "" for an extension the loader
/// does not hand to libsndfile.
std::string libraryFileKind(const std::string& extension);

/// Every extension handed to libsndfile, lower case with the dot.
const std::vector<std::string>& libraryExtensions();

}  // namespace kelvox
