#include "wav_reader.h"

#include "parse_number.h"

#include <cstring>

namespace kelvox {

namespace {

// WAVE format tags the reader decodes itself.
constexpr int kTagUnknown = 0;  // read as PCM, like tag 1 (keeps all-zero headers readable)
constexpr int kTagPcm = 1;
constexpr int kTagFloat = 3;
constexpr int kTagAlaw = 6;
constexpr int kTagMulaw = 7;
constexpr int kTagExtensible = 0xFFFE;
constexpr uint32_t kSizeInDs64 = 0xFFFFFFFF;  // RF64: the real size is in the ds64 chunk

// Byte access in the file's byte order; callers check the bounds.
struct ByteReader {
    const std::vector<uint8_t>& b;
    bool big;
    uint64_t get(std::size_t at, int width) const
    {
        uint64_t u = 0;
        for (int k = 0; k < width; ++k)
            u = (u << 8) | b[at + static_cast<std::size_t>(big ? k : width - 1 - k)];
        return u;
    }
    uint16_t u16(std::size_t at) const { return static_cast<uint16_t>(get(at, 2)); }
    uint32_t u32(std::size_t at) const { return static_cast<uint32_t>(get(at, 4)); }
    uint64_t u64(std::size_t at) const { return get(at, 8); }
    bool is(std::size_t at, const char* tag) const { return at + 4 <= b.size() && std::memcmp(&b[at], tag, 4) == 0; }
};

// The fields of a "fmt " chunk the reader uses.
struct WavFormat {
    int tag = kTagPcm;  // after WAVE_FORMAT_EXTENSIBLE: its sub-format
    int16_t channels = 1;
    int32_t rateHz = kDefaultRateHz;
    int blockAlign = 0;
    int16_t bits = 16;
    int validBits = 0;  // WAVE_FORMAT_EXTENSIBLE only
};

std::string describeTag(int tag)
{
    const char* name = tag == 0x0002   ? "MS ADPCM"
                       : tag == 0x0011 ? "IMA ADPCM"
                       : tag == 0x0031 ? "GSM 6.10"
                       : tag == 0x0040 ? "G.721 ADPCM"
                       : tag == 0x0050 ? "MPEG"
                       : tag == 0x0055 ? "MPEG Layer 3"
                                       : nullptr;
    return name ? format("%s (format tag 0x%04X)", name, tag) : format("format tag 0x%04X", tag);
}

// Reads the format from the 16 (or, for WAVE_FORMAT_EXTENSIBLE, 26) bytes of a fmt
// body at `at`; zero fields take their defaults.
WavFormat readFormat(const ByteReader& in, std::size_t at, uint64_t fmtSize, const char* kind)
{
    WavFormat f;
    f.tag = in.u16(at);
    f.channels = static_cast<int16_t>(in.u16(at + 2));
    f.rateHz = static_cast<int32_t>(in.u32(at + 4));
    f.blockAlign = in.u16(at + 12);
    f.bits = static_cast<int16_t>(in.u16(at + 14));
    if (f.rateHz == 0)
        f.rateHz = kDefaultRateHz;
    if (f.channels == 0)
        f.channels = 1;
    if (f.bits == 0)
        f.bits = 16;
    if (f.channels < 1)
        throw LoadRefusal{format("%s with channel count %d", kind, static_cast<int>(f.channels))};
    if (f.rateHz < 1)
        throw LoadRefusal{format("%s with sample rate %d Hz", kind, static_cast<int>(f.rateHz))};
    if (f.bits < 1)
        throw LoadRefusal{format("%s with %d bits per sample", kind, static_cast<int>(f.bits))};
    if (f.tag == kTagExtensible) {
        // The sub-format GUID starts 24 bytes into the fmt body; its first two
        // bytes are the format tag it stands for.
        if (fmtSize < 26 || in.b.size() < at + 26)
            throw LoadRefusal{format("%s with a WAVE_FORMAT_EXTENSIBLE header cut short", kind)};
        f.validBits = in.u16(at + 18);
        f.tag = in.u16(at + 24);
    }
    return f;
}

// Bytes per sample container for 17 to 32 bits: the block align per channel when
// it is a container that holds the bits (24 bits in 32), else the bits rounded up.
int containerWidth(const WavFormat& f)
{
    const int natural = (f.bits + 7) / 8;
    if (f.blockAlign > 0 && f.blockAlign % f.channels == 0) {
        const int perChannel = f.blockAlign / f.channels;
        if (perChannel >= natural && perChannel <= 4)
            return perChannel;
    }
    return natural;
}

// 24 valid bits in a 4-byte container are normally high-justified (low byte 0);
// some writers store them sign-extended in the low three bytes instead. Only that
// second reading fits every sample when the two differ.
bool lowJustified(const std::vector<uint8_t>& b, std::size_t start, int64_t count, bool big)
{
    bool highFits = true, lowFits = true;
    for (int64_t i = 0; i < count && (highFits || lowFits); ++i) {
        const uint8_t* p = &b[start + static_cast<std::size_t>(i) * 4];
        const uint8_t top = big ? p[0] : p[3];
        const uint8_t next = big ? p[1] : p[2];
        const uint8_t bottom = big ? p[3] : p[0];
        highFits = highFits && bottom == 0;
        lowFits = lowFits && top == ((next & 0x80) ? 0xFF : 0x00);
    }
    return lowFits && !highFits;
}

SampleLayout decodeWavData(std::vector<uint8_t>& b, const WavFormat& f, std::size_t start, uint64_t declared, bool big,
                           const char* kind)
{
    SampleFormat sf{.bigEndian = big};
    const int bits = f.bits;
    if (f.tag == kTagUnknown || f.tag == kTagPcm) {
        if (bits <= 8) {
            sf.encoding = SampleEncoding::Unsigned8;
        } else if (bits <= 16) {
            sf.encoding = SampleEncoding::Signed16;
        } else if (bits <= 32) {
            sf.encoding = containerWidth(f) == 3 ? SampleEncoding::Signed24 : SampleEncoding::Signed32;
        } else {
            throw LoadRefusal{format("%s with %d-bit PCM samples", kind, bits)};
        }
    } else if (f.tag == kTagFloat) {
        if (bits != 32 && bits != 64)
            throw LoadRefusal{format("%s with %d-bit float samples", kind, bits)};
        sf.encoding = bits == 32 ? SampleEncoding::Float32 : SampleEncoding::Float64;
    } else if (f.tag == kTagAlaw || f.tag == kTagMulaw) {
        if (bits != 8)
            throw LoadRefusal{format("%s with %d-bit companded samples", kind, bits)};
        sf.encoding = f.tag == kTagAlaw ? SampleEncoding::Alaw : SampleEncoding::Mulaw;
    } else {
        throw WavForLibrary{std::string(kind) + " in " + describeTag(f.tag)};
    }

    const int width = sampleWidth(sf.encoding);
    const int64_t count = availableSamples(declared, b.size() - start, width, f.channels);
    const int valid = f.validBits > 0 ? f.validBits : bits;
    if (sf.encoding == SampleEncoding::Signed32 && valid <= 24)
        sf.lowJustified = lowJustified(b, start, count, big);

    SampleLayout l;
    l.channelCount = f.channels;
    l.sampleRateHz = f.rateHz;
    l.bitsPerSample = f.bits;
    decodeSamples(b, start, count, sf, l);
    return l;
}

// The usual layout: "data" found from byte 20 + fmt size on. Returns its header
// position, or -1.
int64_t findDataChunk(const std::vector<uint8_t>& b, bool honourPadBytes)
{
    const ByteReader in{b, false};
    const auto size = static_cast<int64_t>(b.size());
    int64_t pos = 20 + static_cast<int64_t>(in.u32(16));
    while (pos + 8 <= size) {
        if (in.is(static_cast<std::size_t>(pos), "data"))
            return pos;
        const uint32_t chunk = in.u32(static_cast<std::size_t>(pos) + 4);
        pos += 8 + static_cast<int64_t>(chunk) + (honourPadBytes ? (chunk & 1u) : 0);
    }
    return -1;
}

SampleLayout readUsualLayout(std::vector<uint8_t>& b)
{
    const char* kind = "WAV file";
    if (b.size() < 36)
        throw LoadRefusal{"WAV file with a header shorter than 36 bytes"};
    const WavFormat f = readFormat(ByteReader{b, false}, 20, ByteReader{b, false}.u32(16), kind);
    int64_t pos = findDataChunk(b, false);
    if (pos < 0)
        pos = findDataChunk(b, true);
    if (pos < 0)
        throw LoadRefusal{"WAV file without a data chunk"};
    const uint64_t declared = ByteReader{b, false}.u32(static_cast<std::size_t>(pos) + 4);
    return decodeWavData(b, f, static_cast<std::size_t>(pos + 8), declared, false, kind);
}

// Where the chunk walk found the format and the samples.
struct ChunkWalk {
    int64_t fmtAt = -1;  // body position
    uint64_t fmtSize = 0;
    int64_t dataAt = -1;
    uint64_t dataSize = 0;
    bool complete() const { return fmtAt >= 0 && dataAt >= 0; }
};

// RF64's ds64 chunk: the 64-bit data size and a table of other chunks' sizes.
struct Ds64 {
    bool present = false;
    uint64_t dataSize = 0;
    std::vector<std::pair<uint32_t, uint64_t>> table;  // chunk id as read, size

    void read(const ByteReader& in, std::size_t at, uint64_t bodySize)
    {
        const uint64_t end = std::min<uint64_t>(at + bodySize, in.b.size());
        if (at + 28 > end)
            return;
        present = true;
        dataSize = in.u64(at + 8);
        const uint32_t entries = in.u32(at + 24);
        for (uint64_t e = 0, p = at + 28; e < entries && p + 12 <= end; ++e, p += 12)
            table.emplace_back(in.u32(static_cast<std::size_t>(p)), in.u64(static_cast<std::size_t>(p) + 4));
    }
    // The size of a chunk whose 32-bit size field says "see ds64".
    uint64_t sizeOf(const ByteReader& in, std::size_t idAt, uint64_t restOfFile) const
    {
        if (present && in.is(idAt, "data"))
            return dataSize;
        const uint32_t id = in.u32(idAt);
        for (const auto& [tableId, size] : table)
            if (tableId == id)
                return size;
        return restOfFile;
    }
};

ChunkWalk walkChunks(const ByteReader& in, bool rf64, bool honourPadBytes)
{
    ChunkWalk w;
    Ds64 ds64;
    const uint64_t size = in.b.size();
    uint64_t pos = 12;
    while (pos + 8 <= size) {
        const auto at = static_cast<std::size_t>(pos);
        uint64_t chunk = in.u32(at + 4);
        if (rf64 && chunk == kSizeInDs64)
            chunk = ds64.sizeOf(in, at, size - pos - 8);
        if (rf64 && !ds64.present && in.is(at, "ds64"))
            ds64.read(in, at + 8, chunk);
        if (w.fmtAt < 0 && in.is(at, "fmt ")) {
            w.fmtAt = static_cast<int64_t>(pos + 8);
            w.fmtSize = chunk;
        } else if (w.dataAt < 0 && in.is(at, "data")) {
            w.dataAt = static_cast<int64_t>(pos + 8);
            w.dataSize = chunk;
        }
        if (w.complete() || chunk > size)
            break;
        pos += 8 + chunk + (honourPadBytes ? (chunk & 1u) : 0);
    }
    return w;
}

SampleLayout readChunks(std::vector<uint8_t>& b, bool big, bool rf64)
{
    const char* kind = big ? "RIFX file" : rf64 ? "RF64 file" : "RIFF file";
    const ByteReader in{b, big};
    ChunkWalk w = walkChunks(in, rf64, false);
    if (!w.complete()) {
        const ChunkWalk padded = walkChunks(in, rf64, true);
        if (padded.complete() || w.fmtAt < 0)
            w = padded;
    }
    if (w.fmtAt < 0) {
        const std::string reason = format("%s without a fmt chunk", kind);
        if (big || rf64)
            throw LoadRefusal{reason};
        // A RIFF file whose "fmt " tag is damaged reads at the usual fixed offsets,
        // as it always has.
        return readWavAtFixedOffsets(b, reason);
    }
    if (w.dataAt < 0)
        throw LoadRefusal{format("%s without a data chunk", kind)};
    const auto fmtAt = static_cast<std::size_t>(w.fmtAt);
    if (fmtAt + 16 > b.size())
        throw LoadRefusal{format("%s whose fmt chunk is cut short", kind)};
    const WavFormat f = readFormat(in, fmtAt, w.fmtSize, kind);
    return decodeWavData(b, f, static_cast<std::size_t>(w.dataAt), w.dataSize, big, kind);
}

}  // namespace

SampleLayout readWavAtFixedOffsets(std::vector<uint8_t>& b, const std::string& reasonIfNot)
{
    // Only where bytes 20 … 35 hold a self-consistent format (byte rate = sample
    // rate × block align): any other chunk there would give misread fields.
    const ByteReader in{b, false};
    const bool format =
        b.size() >= 36 && in.u16(32) >= 1 && in.u32(24) >= 1 && uint64_t{in.u32(24)} * in.u16(32) == in.u32(28);
    if (format) {
        try {
            return readUsualLayout(b);
        } catch (const LoadRefusal&) {
        } catch (const WavForLibrary&) {
        }
    }
    throw LoadRefusal{reasonIfNot};
}

SampleLayout readWav(std::vector<uint8_t>& b)
{
    const ByteReader in{b, false};
    if (in.is(0, "RIFX"))
        return readChunks(b, true, false);
    if (in.is(0, "RF64") || in.is(0, "BW64"))
        return readChunks(b, false, true);
    if (in.is(12, "fmt "))
        return readUsualLayout(b);
    if (in.is(0, "RIFF"))
        return readChunks(b, false, false);
    throw WavForLibrary{};
}

}  // namespace kelvox
