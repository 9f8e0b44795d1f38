#pragma once
// Writers of small sound files for the tests: WAV with any header fields and
// extra chunks, SMP with a text header, raw 16-bit data, and signals to put in them.

#include <cstdint>
#include <string>
#include <vector>

namespace kelvox::test {

using Bytes = std::vector<uint8_t>;

void put16(Bytes& b, int v);
void put32(Bytes& b, uint32_t v);
void putTag(Bytes& b, const char* tag);

struct WavSpec {
    int formatTag = 1;
    int channels = 1;
    int rateHz = 16000;
    int bitsPerSample = 16;
    uint32_t fmtSize = 16;  // a larger size adds zero bytes to the fmt body
    Bytes extraChunksBeforeData;  // whole chunks, inserted between fmt and data
    int64_t declaredDataBytes = -1;  // -1: the real size
};

/// A RIFF WAVE file with the given header and data bytes.
Bytes makeWav(const WavSpec& header, const Bytes& data);

/// A chunk with the given identifier and body; a pad byte after odd bodies when asked.
Bytes makeChunk(const char* id, const Bytes& body, bool padOdd);

/// 16-bit little-endian bytes of the samples.
Bytes pcm16(const std::vector<int>& samples);

/// An SMP file: the header lines (joined with CR LF) padded to 1024 bytes, then the data.
Bytes makeSmp(const std::string& headerLines, const Bytes& data);

/// A tone of `hz` at `rateHz`, `frames` long, amplitude `amp`, as 16-bit samples.
std::vector<int> sine(double hz, int rateHz, int frames, double amp);

/// Writes bytes to a file in programTempFolder() (subfolders made as needed) and
/// returns its path.
std::string writeTempFile(const std::string& name, const Bytes& bytes);

}  // namespace kelvox::test
