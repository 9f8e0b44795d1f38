#include "sound_file.h"

#include "numeric.h"
#include "parse_number.h"
#include "sample_decoding.h"
#include "sound_library.h"
#include "wav_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

namespace kelvox {

namespace {

constexpr int kSmpHeaderBytes = 1024;
constexpr int64_t kMaxFileBytes = std::numeric_limits<int32_t>::max();

SampleLayout readSmp(const std::vector<uint8_t>& b)
{
    SampleLayout l;
    const std::span<const uint8_t> bytes(b);
    const double channels = std::trunc(parseNumber(headerValue(bytes, kSmpHeaderBytes, "nchans")));
    if (channels == 0.0)
        l.channelCount = 1;
    else if (channels < 1.0 || channels > 32767.0)
        throw LoadRefusal{format("SMP file with nchans %.0f", channels)};
    else
        l.channelCount = static_cast<int16_t>(channels);
    double rate = parseNumber(headerValue(bytes, kSmpHeaderBytes, "sftot")) / l.channelCount;
    if (rate == 0.0)
        rate = 16000.0;
    l.sampleRateHz = satInt(rate);
    if (l.sampleRateHz < 1)
        throw LoadRefusal{format("SMP file with sample rate %.3f Hz", rate)};
    const std::string msb = headerValue(bytes, kSmpHeaderBytes, "msb");
    l.byteSwap = !msb.empty() && msb[0] == 'f';
    if (b.size() < static_cast<std::size_t>(kSmpHeaderBytes) + 2u * static_cast<std::size_t>(l.channelCount))
        throw LoadRefusal{"SMP file without a whole frame after its header"};
    l.bitsPerSample = 16;
    l.bytesPerSample = 2;
    l.dataOffset = kSmpHeaderBytes / 2;
    l.sampleCount = static_cast<int32_t>((b.size() - kSmpHeaderBytes) / 2);
    return l;
}

SampleFormat sampleFormatOf(RawSampleFormat f)
{
    switch (f) {
    case RawSampleFormat::S16le: return {SampleEncoding::Signed16};
    case RawSampleFormat::S16be: return {SampleEncoding::Signed16, true};
    case RawSampleFormat::U8: return {SampleEncoding::Unsigned8};
    case RawSampleFormat::S8: return {SampleEncoding::Signed8};
    case RawSampleFormat::S24le: return {SampleEncoding::Signed24};
    case RawSampleFormat::S32le: return {SampleEncoding::Signed32};
    case RawSampleFormat::F32le: return {SampleEncoding::Float32};
    case RawSampleFormat::Alaw: return {SampleEncoding::Alaw};
    case RawSampleFormat::Ulaw: return {SampleEncoding::Mulaw};
    }
    return {};
}

// A headerless file; with the default parameters, 16-bit mono at 16 kHz from byte 0.
SampleLayout readRaw(std::vector<uint8_t>& b, const RawParameters& p)
{
    if (p.rateHz < 1)
        throw LoadRefusal{format("headerless file at %d Hz", p.rateHz)};
    if (p.channels < 1 || p.channels > 32767)
        throw LoadRefusal{format("headerless file with %d channels", p.channels)};
    if (p.skipBytes < 0 || static_cast<uint64_t>(p.skipBytes) > b.size())
        throw LoadRefusal{format("headerless file of %zu bytes, shorter than the %lld bytes to skip", b.size(),
                                 static_cast<long long>(p.skipBytes))};
    const SampleFormat f = sampleFormatOf(p.format);
    const int width = sampleWidth(f.encoding);
    const auto start = static_cast<std::size_t>(p.skipBytes);
    const uint64_t present = b.size() - start;
    SampleLayout l;
    l.channelCount = static_cast<int16_t>(p.channels);
    l.sampleRateHz = p.rateHz;
    l.bitsPerSample = static_cast<int16_t>(8 * width);
    decodeSamples(b, start, availableSamples(present, present, width, p.channels), f, l);
    return l;
}

// Replaces `b` by what libsndfile decodes from `source`; `what` says what the file
// is for the reason of a refusal.
SampleLayout readWithLibrary(std::vector<uint8_t>& b, const LibrarySource& source, const std::string& kind,
                             const std::string& failure)
{
    LibrarySound sound;
    std::string why;
    if (!decodeWithLibrary(source, kind, sound, why))
        throw LoadRefusal{failure + why};
    b = std::move(sound.samples);
    SampleLayout l;
    l.channelCount = static_cast<int16_t>(sound.channels);
    l.sampleRateHz = sound.rateHz;
    l.sampleCount = static_cast<int32_t>(sound.sampleCount);
    return l;
}

// A .wav file: the WAV reader, or libsndfile for what the reader leaves to it.
SampleLayout readWavFile(std::vector<uint8_t>& b)
{
    try {
        return readWav(b);
    } catch (const WavForLibrary& w) {
        const std::vector<uint8_t> file = std::move(b);
        if (w.what.empty()) {
            try {
                return readWithLibrary(b, {file, {}}, {}, {});
            } catch (const LoadRefusal&) {
                // Last, the fixed offsets of the usual layout (its tags may be damaged).
                b = file;
                return readWavAtFixedOffsets(b, "not a sound file (neither RIFF WAVE nor a format libsndfile knows)");
            }
        }
        return readWithLibrary(b, {file, {}}, {}, w.what + ", which libsndfile cannot decode: ");
    }
}

// Chooses the reader by the file name's extension.
SampleLayout readByExtension(std::vector<uint8_t>& b, const std::string& path)
{
    const std::string ext = lowerExtension(path);
    if (ext == ".wav")
        return readWavFile(b);
    if (ext == ".smp")
        return readSmp(b);
    if (const std::string kind = libraryFileKind(ext); !kind.empty()) {
        const std::vector<uint8_t> file = std::move(b);
        return readWithLibrary(b, {file, {}}, kind, kind + " decoding failed: ");
    }
    return readRaw(b, RawParameters{});
}

// Checks what a reader found and makes it the loaded recording.
LoadResult commit(std::vector<uint8_t> bytes, const SampleLayout& l, int64_t fileSize, const std::string& path,
                  SignalState& state, int viewWidthPx, int viewHeightPx)
{
    LoadResult result;
    if (l.sampleCount / l.channelCount < 1) {
        result.reason = "no whole frame of samples";
        return result;
    }

    // Every file-derived field anew; the analysis windows' shared settings
    // (pageTimeScale, preEmphasis) carry over.
    SignalState next;
    next.pageTimeScale = state.pageTimeScale;
    next.preEmphasis = state.preEmphasis;
    next.fileBytes = std::move(bytes);
    next.fileSize = static_cast<int32_t>(std::min(fileSize, kMaxFileBytes));  // a file decoded from disk may be larger
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
        static_cast<float>(l.sampleCount) / (static_cast<float>(l.channelCount) * static_cast<float>(viewWidthPx));
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

LoadResult refused(std::string reason)
{
    LoadResult r;
    r.reason = std::move(reason);
    return r;
}

// Reads, checks and commits; `read` turns the file's bytes into samples.
template <typename Read>
LoadResult loadWith(std::vector<uint8_t> bytes, const std::string& path, SignalState& state, int viewWidthPx,
                    int viewHeightPx, Read read)
{
    if (bytes.size() > static_cast<std::size_t>(kMaxFileBytes))
        return refused("file larger than 2 GiB");
    const auto fileSize = static_cast<int32_t>(bytes.size());
    try {
        const SampleLayout l = read(bytes);
        return commit(std::move(bytes), l, fileSize, path, state, viewWidthPx, viewHeightPx);
    } catch (const LoadRefusal& r) {
        return refused(r.reason);
    } catch (const std::bad_alloc&) {
        return refused("not enough memory for the file");
    }
}

// The size of the file at `path`, or a refusal.
bool fileLength(const std::string& path, int64_t& size, std::string& reason)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        reason = "cannot open the file";
        return false;
    }
    size = std::fseek(f, 0, SEEK_END) == 0 ? static_cast<int64_t>(ftello(f)) : -1;
    std::fclose(f);
    if (size < 0) {
        reason = "cannot read the file";
        return false;
    }
    return true;
}

// The whole file at `path`, or a refusal.
bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& reason)
{
    int64_t size = 0;
    if (!fileLength(path, size, reason))
        return false;
    if (size > kMaxFileBytes) {
        reason = "file larger than 2 GiB";
        return false;
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        reason = "cannot open the file";
        return false;
    }
    bool readOk = false;
    try {
        bytes.resize(static_cast<std::size_t>(size));
        readOk = std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size() && !std::ferror(f);
    } catch (const std::bad_alloc&) {
        std::fclose(f);
        reason = "not enough memory for the file";
        return false;
    }
    std::fclose(f);
    if (!readOk)
        reason = "cannot read the file";
    return readOk;
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

const char* rawFormatName(RawSampleFormat format)
{
    switch (format) {
    case RawSampleFormat::S16le: return "s16le";
    case RawSampleFormat::S16be: return "s16be";
    case RawSampleFormat::U8: return "u8";
    case RawSampleFormat::S8: return "s8";
    case RawSampleFormat::S24le: return "s24le";
    case RawSampleFormat::S32le: return "s32le";
    case RawSampleFormat::F32le: return "f32le";
    case RawSampleFormat::Alaw: return "alaw";
    case RawSampleFormat::Ulaw: return "ulaw";
    }
    return "";
}

bool parseRawParameters(const std::string& text, RawParameters& parameters, std::string& error)
{
    std::vector<std::string> fields(1);
    for (char c : text) {
        if (c == ',')
            fields.emplace_back();
        else
            fields.back() += c;
    }
    if (fields.size() > 4) {
        error = "RATE[,CHANNELS[,FORMAT[,SKIP]]] has at most four fields";
        return false;
    }
    // A whole decimal number within [low, high].
    auto whole = [](const std::string& field, int64_t low, int64_t high, int64_t& value) {
        if (field.empty() || field.size() > 10 || field.find_first_not_of("0123456789") != std::string::npos)
            return false;
        value = std::stoll(field);
        return value >= low && value <= high;
    };
    RawParameters p;
    int64_t v = 0;
    if (!whole(fields[0], 1, std::numeric_limits<int32_t>::max(), v)) {
        error = "RATE must be a whole number of Hz from 1";
        return false;
    }
    p.rateHz = static_cast<int>(v);
    if (fields.size() > 1 && !fields[1].empty()) {
        if (!whole(fields[1], 1, 32767, v)) {
            error = "CHANNELS must be a whole number from 1 to 32767";
            return false;
        }
        p.channels = static_cast<int>(v);
    }
    if (fields.size() > 2 && !fields[2].empty()) {
        const auto* found = std::find_if(std::begin(kRawSampleFormats), std::end(kRawSampleFormats),
                                         [&](RawSampleFormat f) { return fields[2] == rawFormatName(f); });
        if (found == std::end(kRawSampleFormats)) {
            error = "FORMAT must be one of s16le s16be u8 s8 s24le s32le f32le alaw ulaw";
            return false;
        }
        p.format = *found;
    }
    if (fields.size() > 3 && !fields[3].empty()) {
        if (!whole(fields[3], 0, kMaxFileBytes, v)) {
            error = "SKIP must be a whole number of bytes from 0";
            return false;
        }
        p.skipBytes = v;
    }
    parameters = p;
    return true;
}

const std::vector<std::string>& soundFileExtensions()
{
    static const std::vector<std::string> all = [] {
        std::vector<std::string> v{".wav", ".smp"};
        const std::vector<std::string>& library = libraryExtensions();
        v.insert(v.end(), library.begin(), library.end());
        return v;
    }();
    return all;
}

LoadResult loadSoundBytes(std::vector<uint8_t> bytes, const std::string& path, SignalState& state, int viewWidthPx,
                          int viewHeightPx)
{
    return loadWith(std::move(bytes), path, state, viewWidthPx, viewHeightPx,
                    [&path](std::vector<uint8_t>& b) { return readByExtension(b, path); });
}

LoadResult loadRawSoundBytes(std::vector<uint8_t> bytes, const std::string& path, const RawParameters& parameters,
                             SignalState& state, int viewWidthPx, int viewHeightPx)
{
    return loadWith(std::move(bytes), path, state, viewWidthPx, viewHeightPx,
                    [&parameters](std::vector<uint8_t>& b) { return readRaw(b, parameters); });
}

LoadResult loadSoundFile(const std::string& path, SignalState& state, int viewWidthPx, int viewHeightPx)
{
    std::string reason;
    const std::string ext = lowerExtension(path);
    std::string kind = libraryFileKind(ext);
    int64_t size = 0;
    if (!fileLength(path, size, reason))
        return refused(reason);
    // A WAV too large to hold whole (an RF64 field recording, say) is decoded from
    // disk as well; its 16-bit samples must still fit in 2 GiB.
    if (kind.empty() && ext == ".wav" && size > kMaxFileBytes)
        kind = "WAV";
    if (!kind.empty()) {
        // Decoded straight from the file: the coded bytes are never held whole.
        try {
            std::vector<uint8_t> samples;
            const SampleLayout l = readWithLibrary(samples, {{}, path}, kind, kind + " decoding failed: ");
            return commit(std::move(samples), l, size, path, state, viewWidthPx, viewHeightPx);
        } catch (const LoadRefusal& r) {
            return refused(r.reason);
        } catch (const std::bad_alloc&) {
            return refused("not enough memory for the file");
        }
    }
    std::vector<uint8_t> bytes;
    if (!readWholeFile(path, bytes, reason))
        return refused(reason);
    return loadSoundBytes(std::move(bytes), path, state, viewWidthPx, viewHeightPx);
}

LoadResult loadRawSoundFile(const std::string& path, const RawParameters& parameters, SignalState& state,
                            int viewWidthPx, int viewHeightPx)
{
    std::string reason;
    std::vector<uint8_t> bytes;
    if (!readWholeFile(path, bytes, reason))
        return refused(reason);
    return loadRawSoundBytes(std::move(bytes), path, parameters, state, viewWidthPx, viewHeightPx);
}

}  // namespace kelvox
