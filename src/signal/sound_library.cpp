#include "sound_library.h"

#include "parse_number.h"
#include "sample_decoding.h"

#include <sndfile.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>

namespace kelvox {

namespace {

// The extensions handed to libsndfile, the kind of file each names, and the
// libsndfile format that reads it (a sub-type where one codec of a container is meant).
struct LibraryKind {
    const char* extension;
    const char* name;
    int major;
    int subtype;
};
constexpr LibraryKind kKinds[] = {
    {".flac", "FLAC", SF_FORMAT_FLAC, 0},
    {".aif", "AIFF", SF_FORMAT_AIFF, 0},
    {".aiff", "AIFF", SF_FORMAT_AIFF, 0},
    {".aifc", "AIFF-C", SF_FORMAT_AIFF, 0},
    {".au", "AU", SF_FORMAT_AU, 0},
    {".snd", "AU", SF_FORMAT_AU, 0},
    {".sph", "NIST SPHERE", SF_FORMAT_NIST, 0},
    {".nist", "NIST SPHERE", SF_FORMAT_NIST, 0},
    {".caf", "CAF", SF_FORMAT_CAF, 0},
    {".w64", "Wave64", SF_FORMAT_W64, 0},
    {".ogg", "Ogg", SF_FORMAT_OGG, 0},
    {".oga", "Ogg", SF_FORMAT_OGG, 0},
    {".opus", "Opus", SF_FORMAT_OGG, SF_FORMAT_OPUS},
    {".mp3", "MP3", SF_FORMAT_MPEG, 0},
};

// The recording's buffer is indexed by int32 bytes: at most this many samples.
constexpr int64_t kMaxSamples = std::numeric_limits<int32_t>::max() / 2;
// Samples decoded per read, over all channels.
constexpr int kBlockSamples = 16384;

// libsndfile's virtual I/O over bytes in memory (read only).
struct MemoryFile {
    std::span<const uint8_t> bytes;
    sf_count_t pos = 0;
};

sf_count_t memoryLength(void* user) { return static_cast<sf_count_t>(static_cast<MemoryFile*>(user)->bytes.size()); }

sf_count_t memorySeek(sf_count_t offset, int whence, void* user)
{
    auto* m = static_cast<MemoryFile*>(user);
    const sf_count_t base = whence == SEEK_CUR ? m->pos : whence == SEEK_END ? memoryLength(user) : 0;
    if (offset > std::numeric_limits<sf_count_t>::max() - std::max<sf_count_t>(base, 0) || base + offset < 0)
        return -1;
    m->pos = base + offset;
    return m->pos;
}

sf_count_t memoryRead(void* into, sf_count_t count, void* user)
{
    auto* m = static_cast<MemoryFile*>(user);
    const sf_count_t left = std::max<sf_count_t>(0, memoryLength(user) - m->pos);
    const sf_count_t n = std::clamp<sf_count_t>(count, 0, left);
    if (n > 0)
        std::memcpy(into, m->bytes.data() + m->pos, static_cast<std::size_t>(n));
    m->pos += n;
    return n;
}

sf_count_t memoryWrite(const void*, sf_count_t, void*) { return 0; }

sf_count_t memoryTell(void* user) { return static_cast<MemoryFile*>(user)->pos; }

// Whether this libsndfile reads `major` files (and the `subtype` codec, when given).
bool libraryReads(int major, int subtype)
{
    auto listed = [](int countCommand, int itemCommand, int format) {
        int count = 0;
        sf_command(nullptr, countCommand, &count, sizeof(int));
        for (int i = 0; i < count; ++i) {
            SF_FORMAT_INFO info{};
            info.format = i;
            sf_command(nullptr, itemCommand, &info, sizeof(info));
            if (info.format == format)
                return true;
        }
        return false;
    };
    return listed(SFC_GET_FORMAT_MAJOR_COUNT, SFC_GET_FORMAT_MAJOR, major) &&
           (subtype == 0 || listed(SFC_GET_FORMAT_SUBTYPE_COUNT, SFC_GET_FORMAT_SUBTYPE, subtype));
}

std::string libraryMessage(SNDFILE* file)
{
    std::string m = sf_strerror(file);
    while (!m.empty() && (m.back() == '\n' || m.back() == ' '))
        m.pop_back();
    return m;
}

// Codecs whose samples libsndfile hands over as floats; all others as integers.
bool floatSamples(int format)
{
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_FLOAT:
    case SF_FORMAT_DOUBLE:
    case SF_FORMAT_VORBIS:
    case SF_FORMAT_OPUS:
    case SF_FORMAT_MPEG_LAYER_I:
    case SF_FORMAT_MPEG_LAYER_II:
    case SF_FORMAT_MPEG_LAYER_III: return true;
    default: return false;
    }
}

void store16(uint8_t* p, int16_t v)
{
    const auto u = static_cast<uint16_t>(v);
    p[0] = static_cast<uint8_t>(u & 0xFF);
    p[1] = static_cast<uint8_t>(u >> 8);
}

}  // namespace

std::string libraryFileKind(const std::string& extension)
{
    for (const LibraryKind& k : kKinds)
        if (extension == k.extension)
            return k.name;
    return {};
}

const std::vector<std::string>& libraryExtensions()
{
    static const std::vector<std::string> all = [] {
        std::vector<std::string> v;
        for (const LibraryKind& k : kKinds)
            v.emplace_back(k.extension);
        return v;
    }();
    return all;
}

bool decodeWithLibrary(const LibrarySource& source, const std::string& expectedKind, LibrarySound& sound,
                       std::string& reason)
{
    MemoryFile memory{source.bytes};
    SF_VIRTUAL_IO io{memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
    SF_INFO info{};
    SNDFILE* opened = source.path.empty() ? sf_open_virtual(&io, SFM_READ, &info, &memory)
                                          : sf_open(source.path.c_str(), SFM_READ, &info);
    if (!opened) {
        reason = libraryMessage(nullptr);
        for (const LibraryKind& k : kKinds)
            if (expectedKind == k.name && !libraryReads(k.major, k.subtype))
                reason = format("this libsndfile (%s) cannot read %s files", sf_version_string(), k.name);
        return false;
    }
    const std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> file(opened, sf_close);
    if (info.channels < 1 || info.channels > 32767) {
        reason = format("%d channels", info.channels);
        return false;
    }
    if (info.samplerate < 1) {
        reason = format("sample rate %d Hz", info.samplerate);
        return false;
    }

    // Room for the samples the header declares, unless that is beyond belief for
    // the file's size (a damaged header must not reserve gigabytes); the buffer
    // grows as needed after that.
    std::error_code ec;
    const uint64_t sourceBytes =
        source.path.empty() ? source.bytes.size() : static_cast<uint64_t>(std::filesystem::file_size(source.path, ec));
    const int64_t plausible =
        std::max<int64_t>(int64_t{1} << 23, static_cast<int64_t>(std::min<uint64_t>(sourceBytes, kMaxSamples)) * 128);
    const int64_t declared =
        info.frames > 0 && info.frames <= kMaxSamples / info.channels ? info.frames * info.channels : 0;
    if (info.frames > kMaxSamples / info.channels &&
        info.frames <= std::numeric_limits<int64_t>::max() / info.channels &&
        info.frames * info.channels <= plausible) {
        reason = "more than 2 GiB of 16-bit samples";  // known before decoding any
        return false;
    }
    sound.samples.clear();
    sound.samples.reserve(static_cast<std::size_t>(std::min({declared, plausible, kMaxSamples})) * 2);

    const bool asFloat = floatSamples(info.format);
    const int blockFrames = std::max(1, kBlockSamples / info.channels);
    const auto blockSize = static_cast<std::size_t>(blockFrames) * static_cast<std::size_t>(info.channels);
    std::vector<double> floats(asFloat ? blockSize : 0);
    std::vector<int> ints(asFloat ? 0 : blockSize);
    int64_t total = 0;
    for (;;) {
        const sf_count_t frames = asFloat ? sf_readf_double(file.get(), floats.data(), blockFrames)
                                          : sf_readf_int(file.get(), ints.data(), blockFrames);
        if (frames <= 0)
            break;
        const int64_t n = frames * info.channels;
        if (total + n > kMaxSamples) {
            reason = "more than 2 GiB of 16-bit samples";
            sound.samples = {};
            return false;
        }
        const std::size_t at = sound.samples.size();
        sound.samples.resize(at + static_cast<std::size_t>(n) * 2);
        uint8_t* out = sound.samples.data() + at;
        for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i)
            store16(out + 2 * i, asFloat ? floatTo16(floats[i]) : static_cast<int16_t>(ints[i] >> 16));
        total += n;
    }
    if (total == 0 && sf_error(file.get()) != SF_ERR_NO_ERROR) {
        reason = libraryMessage(file.get());
        return false;
    }
    sound.sampleCount = total;
    sound.channels = info.channels;
    sound.rateHz = info.samplerate;
    return true;
}

}  // namespace kelvox
