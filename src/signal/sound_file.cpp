#include "sound_file.h"

#include "numeric.h"
#include "parse_number.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

namespace kelvox {

namespace {

constexpr int kSmpHeaderBytes = 1024;
constexpr int kRawRateHz = 16000;

// WAVE format tags the loader decodes.
constexpr int kTagUnknown = 0;  // read as PCM, like tag 1 (keeps all-zero headers readable)
constexpr int kTagPcm = 1;
constexpr int kTagFloat = 3;
constexpr int kTagAlaw = 6;
constexpr int kTagMulaw = 7;
constexpr int kTagExtensible = 0xFFFE;

uint16_t le16(const std::vector<uint8_t>& b, std::size_t at)
{
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

uint32_t le32(const std::vector<uint8_t>& b, std::size_t at)
{
    return static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8)
           | (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

// The file-derived part of a load, before it is committed.
struct Layout {
    int32_t dataOffset = 0;
    int32_t sampleCount = 0;
    int16_t channelCount = 1;
    int32_t bytesPerSample = 2;
    int16_t bitsPerSample = 16;
    int32_t sampleRateHz = kRawRateHz;
    bool byteSwap = false;  // SMP with the most significant byte first
    bool signFlip = false;  // 8-bit WAV (offset binary)
};

struct Refusal {
    std::string reason;
};

// Samples available: the declared count, or what the file holds when it is cut
// short, then rounded down to whole frames in that case.
int64_t availableSamples(uint64_t declaredBytes, uint64_t presentBytes, int bytesPerContainer, int channels)
{
    const uint64_t bytes = std::min(declaredBytes, presentBytes);
    int64_t samples = static_cast<int64_t>(bytes / static_cast<uint64_t>(bytesPerContainer));
    if (declaredBytes > presentBytes)
        samples -= samples % channels;
    return samples;
}

// Finds the "data" chunk from byte 20 + fmt size on. Returns its header position,
// or -1. The walk is bounded by the file; positions are 64-bit so that no chunk
// size can wrap them.
int64_t findDataChunk(const std::vector<uint8_t>& b, bool honourPadBytes)
{
    const int64_t size = static_cast<int64_t>(b.size());
    int64_t pos = 20 + static_cast<int64_t>(le32(b, 16));
    while (pos + 8 <= size) {
        if (std::memcmp(&b[static_cast<std::size_t>(pos)], "data", 4) == 0)
            return pos;
        const uint32_t chunk = le32(b, static_cast<std::size_t>(pos) + 4);
        pos += 8 + static_cast<int64_t>(chunk) + (honourPadBytes ? (chunk & 1u) : 0);
    }
    return -1;
}

// Replaces the sample area [start, start + count × width) of `b` by `count` 16-bit
// little-endian samples made by `decode`, keeping the bytes before it (padded to
// an even length). Returns the word index of the first sample.
template <typename Decode>
int32_t decodeTo16Bit(std::vector<uint8_t>& b, std::size_t start, int64_t count, int width, Decode decode)
{
    const std::size_t head = (start + 1) & ~std::size_t{1};
    std::vector<uint8_t> out(head + static_cast<std::size_t>(count) * 2, 0);
    std::copy(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(start), out.begin());
    for (int64_t i = 0; i < count; ++i) {
        const int16_t v = decode(&b[start + static_cast<std::size_t>(i) * static_cast<std::size_t>(width)]);
        const auto u = static_cast<uint16_t>(v);
        out[head + static_cast<std::size_t>(i) * 2] = static_cast<uint8_t>(u & 0xFF);
        out[head + static_cast<std::size_t>(i) * 2 + 1] = static_cast<uint8_t>(u >> 8);
    }
    b.swap(out);
    return static_cast<int32_t>(head / 2);
}

int16_t floatTo16(double v)
{
    if (std::isnan(v))
        return 0;
    const double scaled = std::clamp(v * 32767.0, -32768.0, 32767.0);
    return static_cast<int16_t>(std::lrint(scaled));
}

Layout readWav(std::vector<uint8_t>& b)
{
    if (b.size() < 36)
        throw Refusal{"WAV header shorter than 36 bytes"};
    Layout l;
    int tag = le16(b, 20);
    l.channelCount = static_cast<int16_t>(le16(b, 22));
    l.sampleRateHz = static_cast<int32_t>(le32(b, 24));
    l.bitsPerSample = static_cast<int16_t>(le16(b, 34));
    if (l.sampleRateHz == 0)
        l.sampleRateHz = kRawRateHz;
    if (l.channelCount == 0)
        l.channelCount = 1;
    if (l.bitsPerSample == 0)
        l.bitsPerSample = 16;
    if (l.channelCount < 1)
        throw Refusal{format("channel count %d", static_cast<int>(l.channelCount))};
    if (l.sampleRateHz < 1)
        throw Refusal{format("sample rate %d Hz", static_cast<int>(l.sampleRateHz))};
    if (l.bitsPerSample < 1)
        throw Refusal{format("%d bits per sample", static_cast<int>(l.bitsPerSample))};
    if (tag == kTagExtensible) {
        // The sub-format GUID starts 24 bytes into the fmt body; its first two
        // bytes are the format tag it stands for.
        if (le32(b, 16) < 26 || b.size() < 46)
            throw Refusal{"WAVE_FORMAT_EXTENSIBLE header too short"};
        tag = le16(b, 44);
    }

    int64_t pos = findDataChunk(b, false);
    if (pos < 0)
        pos = findDataChunk(b, true);
    if (pos < 0)
        throw Refusal{"no \"data\" chunk"};
    const auto start = static_cast<std::size_t>(pos + 8);
    const uint64_t declared = le32(b, static_cast<std::size_t>(pos) + 4);
    const uint64_t present = b.size() - start;
    const int bits = l.bitsPerSample;
    const int channels = l.channelCount;

    if (tag == kTagUnknown || tag == kTagPcm) {
        if (bits <= 8) {
            l.bytesPerSample = 1;
            l.signFlip = true;
            l.dataOffset = static_cast<int32_t>(start);
            l.sampleCount = static_cast<int32_t>(availableSamples(declared, present, 1, channels));
        } else if (bits <= 16) {
            std::size_t first = start;
            const int64_t count = availableSamples(declared, present, 2, channels);
            if (first % 2 != 0) {
                // A word index cannot point at an odd byte: move the samples down by
                // one over the last byte of the chunk size, which is already read.
                std::memmove(&b[first - 1], &b[first], static_cast<std::size_t>(count) * 2);
                --first;
            }
            l.bytesPerSample = 2;
            l.dataOffset = static_cast<int32_t>(first / 2);
            l.sampleCount = static_cast<int32_t>(count);
        } else if (bits <= 32) {
            const int width = (bits + 7) / 8;
            const int64_t count = availableSamples(declared, present, width, channels);
            // The 16 most significant bits of each little-endian sample.
            l.dataOffset = decodeTo16Bit(b, start, count, width, [width](const uint8_t* p) {
                return static_cast<int16_t>(static_cast<uint16_t>(p[width - 2] | (p[width - 1] << 8)));
            });
            l.sampleCount = static_cast<int32_t>(count);
            l.bytesPerSample = 2;
        } else {
            throw Refusal{format("%d-bit PCM", bits)};
        }
    } else if (tag == kTagFloat) {
        if (bits != 32 && bits != 64)
            throw Refusal{format("%d-bit float", bits)};
        const int width = bits / 8;
        const int64_t count = availableSamples(declared, present, width, channels);
        l.dataOffset = decodeTo16Bit(b, start, count, width, [width](const uint8_t* p) {
            if (width == 4) {
                uint32_t u = 0;
                for (int k = 3; k >= 0; --k)
                    u = (u << 8) | p[k];
                float f;
                std::memcpy(&f, &u, 4);
                return floatTo16(f);
            }
            uint64_t u = 0;
            for (int k = 7; k >= 0; --k)
                u = (u << 8) | p[k];
            double d;
            std::memcpy(&d, &u, 8);
            return floatTo16(d);
        });
        l.sampleCount = static_cast<int32_t>(count);
        l.bytesPerSample = 2;
    } else if (tag == kTagAlaw || tag == kTagMulaw) {
        if (bits != 8)
            throw Refusal{format("%d-bit companded data", bits)};
        const int64_t count = availableSamples(declared, present, 1, channels);
        const bool alaw = tag == kTagAlaw;
        l.dataOffset = decodeTo16Bit(b, start, count, 1, [alaw](const uint8_t* p) {
            return alaw ? alawToLinear(*p) : mulawToLinear(*p);
        });
        l.sampleCount = static_cast<int32_t>(count);
        l.bytesPerSample = 2;
    } else {
        throw Refusal{format("WAVE format tag %d is not supported", tag)};
    }
    return l;
}

Layout readSmp(const std::vector<uint8_t>& b)
{
    Layout l;
    const std::span<const uint8_t> bytes(b);
    const double channels = std::trunc(parseNumber(headerValue(bytes, kSmpHeaderBytes, "nchans")));
    if (channels == 0.0)
        l.channelCount = 1;
    else if (channels < 1.0 || channels > 32767.0)
        throw Refusal{format("nchans %.0f", channels)};
    else
        l.channelCount = static_cast<int16_t>(channels);
    double rate = parseNumber(headerValue(bytes, kSmpHeaderBytes, "sftot")) / l.channelCount;
    if (rate == 0.0)
        rate = 16000.0;
    l.sampleRateHz = satInt(rate);
    if (l.sampleRateHz < 1)
        throw Refusal{format("sample rate %.3f Hz", rate)};
    const std::string msb = headerValue(bytes, kSmpHeaderBytes, "msb");
    l.byteSwap = !msb.empty() && msb[0] == 'f';
    if (b.size() < static_cast<std::size_t>(kSmpHeaderBytes) + 2u * static_cast<std::size_t>(l.channelCount))
        throw Refusal{"SMP file without a whole frame after its header"};
    l.bitsPerSample = 16;
    l.bytesPerSample = 2;
    l.dataOffset = kSmpHeaderBytes / 2;
    l.sampleCount = static_cast<int32_t>((b.size() - kSmpHeaderBytes) / 2);
    return l;
}

Layout readRaw(const std::vector<uint8_t>& b)
{
    Layout l;
    l.sampleCount = static_cast<int32_t>(b.size() / 2);
    return l;
}

}  // namespace

std::string lowerExtension(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < nameStart)
        return {};
    std::string ext = path.substr(dot);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

int16_t mulawToLinear(uint8_t u)
{
    u = static_cast<uint8_t>(~u);
    const int exponent = (u >> 4) & 0x07;
    const int mantissa = u & 0x0F;
    const int magnitude = (((mantissa << 3) + 0x84) << exponent) - 0x84;
    return static_cast<int16_t>((u & 0x80) ? -magnitude : magnitude);
}

int16_t alawToLinear(uint8_t a)
{
    a ^= 0x55;
    int t = (a & 0x0F) << 4;
    const int segment = (a & 0x70) >> 4;
    if (segment == 0)
        t += 8;
    else
        t = (t + 0x108) << (segment - 1);
    return static_cast<int16_t>((a & 0x80) ? t : -t);
}

LoadResult loadSoundBytes(std::vector<uint8_t> bytes, const std::string& path, SignalState& state,
                          int viewWidthPx, int viewHeightPx)
{
    LoadResult result;
    if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) {
        result.reason = "file larger than 2 GiB";
        return result;
    }
    const auto fileSize = static_cast<int32_t>(bytes.size());
    Layout l;
    try {
        const std::string ext = lowerExtension(path);
        if (ext == ".wav")
            l = readWav(bytes);
        else if (ext == ".smp")
            l = readSmp(bytes);
        else
            l = readRaw(bytes);
    } catch (const Refusal& r) {
        result.reason = r.reason;
        return result;
    }
    if (l.sampleCount / l.channelCount < 1) {
        result.reason = "no whole frame of samples";
        return result;
    }

    // Commit: every file-derived field anew; the analysis windows' shared settings
    // (pageTimeScale, preEmphasis) carry over.
    SignalState next;
    next.pageTimeScale = state.pageTimeScale;
    next.preEmphasis = state.preEmphasis;
    next.fileBytes = std::move(bytes);
    next.fileSize = fileSize;
    next.fileName = path;
    next.fileOpened = true;
    next.dataOffset = l.dataOffset;
    next.sampleCount = l.sampleCount;
    next.channelCount = l.channelCount;
    next.bytesPerSample = l.bytesPerSample;
    next.bitsPerSample = l.bitsPerSample;
    next.sampleRateHz = l.sampleRateHz;
    next.sampleRate = l.sampleRateHz;
    next.sampleLimit = l.sampleCount;
    next.samplesPerPixel = next.maxSamplesPerPixel =
        static_cast<float>(l.sampleCount) / (static_cast<float>(l.channelCount) * viewWidthPx);
    next.displayStart = 0.0f;
    next.fileDuration = next.displayEnd =
        static_cast<float>(l.sampleCount) / (static_cast<float>(l.channelCount) * static_cast<float>(l.sampleRateHz));
    next.selectionStart = next.displayStart;
    next.selectionEnd = next.displayEnd;
    if (l.byteSwap) {
        byteSwapInPlace(next);
        next.byteSwapOn = true;
    }
    if (l.signFlip) {
        signFlipInPlace(next);
        next.signFlipOn = true;
    }
    result.report.parameterLine = refreshParameters(next, viewHeightPx);
    state = std::move(next);

    result.ok = true;
    LoadReport& r = result.report;
    r.caption = path + "  " + std::to_string(fileSize);
    r.byteSwapChecked = state.byteSwapOn;
    r.signFlipChecked = state.signFlipOn;
    r.byteSwapEnabled = state.bytesPerSample == 2;
    r.signFlipEnabled = state.bytesPerSample == 1;
    r.channelMaximum = state.channelCount - 1;
    r.channelEnabled = state.channelCount > 1;
    return result;
}

LoadResult loadSoundFile(const std::string& path, SignalState& state, int viewWidthPx, int viewHeightPx)
{
    LoadResult result;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        result.reason = "cannot open the file";
        return result;
    }
    std::vector<uint8_t> bytes;
    bool readOk = false;
    try {
        if (std::fseek(f, 0, SEEK_END) == 0) {
            const long long size = ftello(f);
            if (size > std::numeric_limits<int32_t>::max()) {
                std::fclose(f);
                result.reason = "file larger than 2 GiB";
                return result;
            }
            if (size >= 0 && std::fseek(f, 0, SEEK_SET) == 0) {
                bytes.resize(static_cast<std::size_t>(size));
                readOk = std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size() && !std::ferror(f);
            }
        }
    } catch (const std::bad_alloc&) {
        std::fclose(f);
        result.reason = "not enough memory for the file";
        return result;
    }
    std::fclose(f);
    if (!readOk) {
        result.reason = "cannot read the file";
        return result;
    }
    try {
        return loadSoundBytes(std::move(bytes), path, state, viewWidthPx, viewHeightPx);
    } catch (const std::bad_alloc&) {
        result.reason = "not enough memory for the file";
        return result;
    }
}

}  // namespace kelvox
