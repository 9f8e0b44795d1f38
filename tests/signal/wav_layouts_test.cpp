// WAV files in every layout recorders and other programs write: chunks before
// "fmt ", data before fmt, odd chunks with and without pad bytes, RF64 with its
// ds64 sizes, big-endian RIFX, 24 valid bits in 32-bit containers. Fixtures are
// built byte by byte here, and also written by libsndfile as an independent writer.
#include "sound_file.h"

#include "library_files.h"
#include "load_helpers.h"
#include "sound_files.h"

#include <sndfile.h>

#include <gtest/gtest.h>

#include <cstring>

using namespace kelvox;
using namespace kelvox::test;

namespace {

void putBig(Bytes& b, uint64_t v, int width)
{
    for (int i = width - 1; i >= 0; --i)
        b.push_back(static_cast<uint8_t>((v >> (8 * i)) & 0xFF));
}

void putLittle(Bytes& b, uint64_t v, int width)
{
    for (int i = 0; i < width; ++i)
        b.push_back(static_cast<uint8_t>((v >> (8 * i)) & 0xFF));
}

struct Fmt {
    int tag = 1;
    int channels = 1;
    int rateHz = 8000;
    int bits = 16;
    int blockAlign = 0;  // 0: channels × bytes of `bits`
    int validBits = 0;   // WAVE_FORMAT_EXTENSIBLE: valid bits and the sub-format tag
    int subTag = 1;
};

// A fmt chunk body in the given byte order (40 bytes for WAVE_FORMAT_EXTENSIBLE).
Bytes fmtBody(const Fmt& f, bool big)
{
    Bytes b;
    auto put = [&](uint64_t v, int width) { big ? putBig(b, v, width) : putLittle(b, v, width); };
    const int align = f.blockAlign ? f.blockAlign : f.channels * ((f.bits + 7) / 8);
    put(static_cast<uint64_t>(f.tag), 2);
    put(static_cast<uint64_t>(f.channels), 2);
    put(static_cast<uint64_t>(f.rateHz), 4);
    put(static_cast<uint64_t>(f.rateHz * align), 4);
    put(static_cast<uint64_t>(align), 2);
    put(static_cast<uint64_t>(f.bits), 2);
    if (f.tag == 0xFFFE) {
        put(22, 2);
        put(static_cast<uint64_t>(f.validBits), 2);
        put(0, 4);
        put(static_cast<uint64_t>(f.subTag), 2);
        const uint8_t guidRest[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                      0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        b.insert(b.end(), std::begin(guidRest), std::end(guidRest));
    }
    return b;
}

// A chunk in the given byte order, padded to an even length when asked.
Bytes chunk(const char* id, const Bytes& body, bool big = false, bool pad = true, int64_t declared = -1)
{
    Bytes c;
    putTag(c, id);
    const uint64_t size = declared < 0 ? body.size() : static_cast<uint64_t>(declared);
    big ? putBig(c, size, 4) : putLittle(c, size, 4);
    c.insert(c.end(), body.begin(), body.end());
    if (pad && body.size() % 2 == 1)
        c.push_back(0);
    return c;
}

// A RIFF-style file: magic, size, "WAVE", then the chunks as given.
Bytes riff(const char* magic, const std::vector<Bytes>& chunks, bool big = false)
{
    Bytes b;
    putTag(b, magic);
    Bytes body;
    putTag(body, "WAVE");
    for (const Bytes& c : chunks)
        body.insert(body.end(), c.begin(), c.end());
    big ? putBig(b, body.size(), 4) : putLittle(b, body.size(), 4);
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

Bytes bigPcm16(const std::vector<int>& samples)
{
    Bytes b;
    for (int v : samples)
        putBig(b, static_cast<uint16_t>(v), 2);
    return b;
}

}  // namespace

TEST(WavLayouts, FmtAfterBextJunkAndList)
{
    // 1.6 s at 8 kHz: read at fixed offsets this showed as "1.576 s @ 16.000 kHz".
    const std::vector<int> tone = sine(300, 8000, 12800, 12000);
    const Bytes bext = chunk("bext", Bytes(602, 'b'));
    const Bytes junk = chunk("JUNK", Bytes(28, 0));
    const Bytes list = chunk("LIST", Bytes(33, 'l'));  // odd, with its pad byte
    for (const auto& first : {bext, junk, list}) {
        SignalState s;
        const LoadResult r =
            load(riff("RIFF", {first, chunk("fmt ", fmtBody({}, false)), chunk("data", pcm16(tone))}), "take.wav", s);
        ASSERT_TRUE(r.ok) << r.reason;
        EXPECT_EQ(s.sampleRateHz, 8000);
        EXPECT_EQ(s.channelCount, 1);
        EXPECT_EQ(s.sampleCount, 12800);
        EXPECT_EQ(channelSamples(s, 0), tone);
        EXPECT_EQ(r.report.parameterLine, "1.600 s @ 8.000 kHz, 16b, 1 ch, max 0.37");
    }
    // Several chunks before fmt, one of them odd without its pad byte.
    SignalState s;
    const Bytes unpadded = chunk("LIST", Bytes(7, 'x'), false, false);
    ASSERT_TRUE(load(riff("RIFF", {bext, unpadded, junk, chunk("fmt ", fmtBody({.channels = 2}, false)),
                                   chunk("data", pcm16(tone))}),
                     "bwf.wav", s)
                    .ok);
    EXPECT_EQ(s.channelCount, 2);
    EXPECT_EQ(s.frameCount(), 6400);
    EXPECT_EQ(frameSample(s, 5, 1), tone[11]);
}

TEST(WavLayouts, DataBeforeFmt)
{
    const std::vector<int> tone = sine(440, 22050, 2205, 20000);
    SignalState s;
    ASSERT_TRUE(load(riff("RIFF", {chunk("data", pcm16(tone)), chunk("fmt ", fmtBody({.rateHz = 22050}, false))}),
                     "late.wav", s)
                    .ok);
    EXPECT_EQ(s.sampleRateHz, 22050);
    EXPECT_EQ(channelSamples(s, 0), tone);
    EXPECT_FLOAT_EQ(s.fileDuration, 0.1f);

    // 24-bit samples before the fmt chunk: decoding drops the bytes after the data.
    Bytes d24;
    for (int v : tone)
        putLittle(d24, static_cast<uint32_t>(v * 256 + 0x7F), 3);
    ASSERT_TRUE(load(riff("RIFF", {chunk("data", d24), chunk("LIST", Bytes(9, 1)),
                                   chunk("fmt ", fmtBody({.rateHz = 22050, .bits = 24}, false))}),
                     "late24.wav", s)
                    .ok);
    EXPECT_EQ(channelSamples(s, 0), tone);
}

TEST(WavLayouts, UsualLayoutReadsAsItAlwaysHas)
{
    const std::vector<int> tone = sine(250, 16000, 800, 16000);
    SignalState s;
    // fmt at byte 12, a LIST chunk between it and the data: the walk from 20 + fmt size.
    LoadResult r =
        load(makeWav({.fmtSize = 18, .extraChunksBeforeData = makeChunk("LIST", Bytes(26, 'x'), false)}, pcm16(tone)),
             "usual.wav", s);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(s.dataOffset, (20 + 18 + 8 + 26 + 8) / 2);
    EXPECT_EQ(s.sampleCount, 800);
    EXPECT_EQ(r.report.parameterLine, "0.050 s @ 16.000 kHz, 16b, 1 ch, max 0.49");

    // The RIFF and WAVE tags are not checked when fmt stands at byte 12.
    Bytes untagged = makeWav({.rateHz = 11025}, pcm16(tone));
    std::memcpy(untagged.data(), "JUNK", 4);
    std::memcpy(untagged.data() + 8, "XXXX", 4);
    r = load(untagged, "untagged.wav", s);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(s.sampleRateHz, 11025);
    EXPECT_EQ(s.dataOffset, 22);

    // Damaged fmt and RIFF tags: no chunk walk finds a format, so the fixed
    // offsets are read as they always were.
    Bytes damaged = makeWav({.rateHz = 22050}, pcm16(tone));
    damaged[13] = 'x';
    r = load(damaged, "damaged.wav", s);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(s.sampleRateHz, 22050);
    damaged[0] = 'r';
    ASSERT_TRUE(load(damaged, "damaged2.wav", s).ok);
    EXPECT_EQ(channelSamples(s, 0), tone);

    // The fmt size is taken as it stands, even where a RIFF walk would pad it.
    r = load(makeWav({.fmtSize = 17}, pcm16(tone)), "oddfmt.wav", s);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(s.dataOffset, (20 + 17 + 8 - 1) / 2);  // moved down to a word
    EXPECT_EQ(channelSamples(s, 0), tone);
}

TEST(WavLayouts, Rf64TakesItsSizesFromDs64)
{
    const std::vector<int> tone = sine(500, 8000, 1000, 9000);
    Bytes ds64;
    putLittle(ds64, 0, 8);     // RIFF size: not used
    putLittle(ds64, 2000, 8);  // data size: 1000 samples
    putLittle(ds64, 1000, 8);  // sample count
    putLittle(ds64, 0, 4);     // no table
    // A chunk after the data: only ds64's size tells where the samples end.
    const Bytes file =
        riff("RF64", {chunk("ds64", ds64), chunk("fmt ", fmtBody({}, false)),
                      chunk("data", pcm16(tone), false, true, 0xFFFFFFFF), chunk("LIST", Bytes(40, 0x7F))});
    SignalState s;
    LoadResult r = load(file, "field.wav", s);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(s.sampleCount, 1000);
    EXPECT_EQ(channelSamples(s, 0), tone);
    EXPECT_EQ(r.report.parameterLine, "0.125 s @ 8.000 kHz, 16b, 1 ch, max 0.27");

    // BW64 is the same layout; a 64-bit size from the table for another chunk.
    Bytes table = ds64;
    table[24] = 1;
    putTag(table, "JUNK");
    putLittle(table, 6, 8);
    const Bytes bw64 = riff("BW64", {chunk("ds64", table), chunk("JUNK", Bytes(6, 0), false, true, 0xFFFFFFFF),
                                     chunk("fmt ", fmtBody({}, false)), chunk("data", pcm16(tone))});
    ASSERT_TRUE(load(bw64, "bw.wav", s).ok);
    EXPECT_EQ(channelSamples(s, 0), tone);

    // Written by libsndfile, 24-bit stereo.
    std::vector<int> stereo;
    for (int v : tone)
        stereo.insert(stereo.end(), {v, -v});
    r = load(writeWithLibrary(SF_FORMAT_RF64 | SF_FORMAT_PCM_24, 2, 8000, stereo), "lib.wav", s);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(s.channelCount, 2);
    EXPECT_EQ(channelSamples(s, 0), tone);
    EXPECT_EQ(frameSample(s, 10, 1), -tone[10]);
}

TEST(WavLayouts, RifxIsBigEndian)
{
    const std::vector<int> tone = sine(700, 16000, 1600, 30000);
    SignalState s;
    LoadResult r =
        load(riff("RIFX", {chunk("fmt ", fmtBody({.rateHz = 16000}, true), true), chunk("data", bigPcm16(tone), true)},
                  true),
             "mac.wav", s);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(s.sampleRateHz, 16000);
    EXPECT_EQ(channelSamples(s, 0), tone);
    // Stored most significant byte first, as the "Byte swap" box shows.
    EXPECT_TRUE(r.report.byteSwapChecked);
    EXPECT_EQ(r.report.parameterLine, "0.100 s @ 16.000 kHz, 16b, 1 ch, max 0.92");

    // Big-endian float and 24-bit samples become 16-bit.
    Bytes floats;
    for (float v : {0.5f, -0.25f, 1.5f}) {
        uint32_t u;
        std::memcpy(&u, &v, 4);
        putBig(floats, u, 4);
    }
    ASSERT_TRUE(
        load(riff("RIFX", {chunk("fmt ", fmtBody({.tag = 3, .bits = 32}, true), true), chunk("data", floats, true)},
                  true),
             "float.wav", s)
            .ok);
    EXPECT_EQ(channelSamples(s, 0), (std::vector<int>{16384, -8192, 32767}));
    EXPECT_FALSE(s.byteSwapOn);

    // Written by libsndfile.
    r = load(writeWithLibrary(SF_FORMAT_WAV | SF_FORMAT_PCM_24 | SF_ENDIAN_BIG, 1, 16000, tone), "lib.wav", s);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(channelSamples(s, 0), tone);
}

TEST(WavLayouts, TwentyFourBitsInThirtyTwoInBothHeaderKinds)
{
    const std::vector<int> tone = sine(1000, 48000, 480, 25000);
    // The same samples stored high-justified (low byte 0) and sign-extended low.
    Bytes high, low;
    for (int v : tone) {
        const int32_t valid = v * 256 + 0x55;  // 24 valid bits below the 16 kept
        putLittle(high, static_cast<uint32_t>(valid) << 8, 4);
        putLittle(low, static_cast<uint32_t>(valid), 4);
    }
    const std::vector<Fmt> headers = {
        {.rateHz = 48000, .bits = 24, .blockAlign = 4},                                  // plain PCM
        {.tag = 0xFFFE, .rateHz = 48000, .bits = 32, .validBits = 24},                   // EXTENSIBLE
        {.tag = 0xFFFE, .rateHz = 48000, .bits = 24, .blockAlign = 4, .validBits = 24},  // both say 24
    };
    for (const Fmt& f : headers)
        for (const Bytes* data : {&high, &low}) {
            SignalState s;
            const LoadResult r =
                load(riff("RIFF", {chunk("JUNK", Bytes(4, 0)), chunk("fmt ", fmtBody(f, false)), chunk("data", *data)}),
                     "a.wav", s);
            ASSERT_TRUE(r.ok) << r.reason;
            EXPECT_EQ(s.sampleCount, 480);
            EXPECT_EQ(channelSamples(s, 0), tone) << "tag " << f.tag << (data == &low ? " low" : " high");
            // The same in the usual layout's fixed-offset reading (fmt at byte 12).
            const LoadResult usual =
                load(riff("RIFF", {chunk("fmt ", fmtBody(f, false)), chunk("LIST", Bytes(4, 0)), chunk("data", *data)}),
                     "b.wav", s);
            ASSERT_TRUE(usual.ok);
            EXPECT_EQ(channelSamples(s, 0), tone);
        }
}

TEST(WavLayouts, BrokenChunkStructuresAreRefusedWithTheirReason)
{
    const Bytes data = chunk("data", pcm16({1, 2, 3}));
    const Bytes fmt = chunk("fmt ", fmtBody({}, false));
    SignalState s;
    LoadResult r = load(riff("RIFF", {chunk("LIST", Bytes(4, 0)), data}), "nofmt.wav", s);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.reason, "RIFF file without a fmt chunk");
    r = load(riff("RIFF", {chunk("LIST", Bytes(4, 0)), fmt}), "nodata.wav", s);
    EXPECT_EQ(r.reason, "RIFF file without a data chunk");
    r = load(riff("RIFX", {chunk("JUNK", Bytes(2, 0), true)}, true), "x.wav", s);
    EXPECT_EQ(r.reason, "RIFX file without a fmt chunk");

    // Sizes that would wrap a 32-bit position or point far beyond the file end the walk.
    for (uint32_t size : {0xFFFFFFF8u, 0xFFFFFFFFu, 0x80000000u}) {
        Bytes b = riff("RIFF", {chunk("JUNK", Bytes(4, 0)), fmt, data});
        b[16] = static_cast<uint8_t>(size & 0xFF), b[17] = static_cast<uint8_t>((size >> 8) & 0xFF);
        b[18] = static_cast<uint8_t>((size >> 16) & 0xFF), b[19] = static_cast<uint8_t>(size >> 24);
        EXPECT_FALSE(load(b, "wrap.wav", s).ok);
        Bytes rf = riff("RF64", {chunk("JUNK", Bytes(4, 0)), fmt, data});
        std::memcpy(rf.data() + 16, b.data() + 16, 4);
        EXPECT_FALSE(load(rf, "wrap64.wav", s).ok);
    }
    // A ds64 whose sizes and table are nonsense.
    Bytes ds64;
    putLittle(ds64, ~0ull, 8);
    putLittle(ds64, ~0ull, 8);
    putLittle(ds64, ~0ull, 8);
    putLittle(ds64, 0xFFFFFFFF, 4);
    r = load(riff("RF64", {chunk("ds64", ds64), fmt, chunk("data", pcm16({5, 6}), false, true, 0xFFFFFFFF)}), "n.wav",
             s);
    ASSERT_TRUE(r.ok) << r.reason;  // the data end at the file's end
    EXPECT_EQ(channelSamples(s, 0), (std::vector<int>{5, 6}));
}
