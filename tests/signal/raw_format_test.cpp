// Headerless files with the rate, channels, sample format and header size given
// by the user ("Open raw...", kelvox-render --raw).
#include "sound_file.h"

#include "load_helpers.h"
#include "sound_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace kelvox;
using namespace kelvox::test;

namespace {

LoadResult loadRaw(const Bytes& bytes, const RawParameters& p, SignalState& s)
{
    return loadRawSoundBytes(bytes, "/data/take.bin", p, s, 665, 201);
}

RawParameters parsed(const std::string& text)
{
    RawParameters p;
    std::string error;
    EXPECT_TRUE(parseRawParameters(text, p, error)) << text << ": " << error;
    return p;
}

}  // namespace

TEST(RawParameters, ParsesRateChannelsFormatAndSkip)
{
    RawParameters p = parsed("8000");
    EXPECT_EQ(p.rateHz, 8000);
    EXPECT_EQ(p.channels, 1);
    EXPECT_EQ(p.format, RawSampleFormat::S16le);
    EXPECT_EQ(p.skipBytes, 0);
    p = parsed("44100,2,s24le,1024");
    EXPECT_EQ(p.rateHz, 44100);
    EXPECT_EQ(p.channels, 2);
    EXPECT_EQ(p.format, RawSampleFormat::S24le);
    EXPECT_EQ(p.skipBytes, 1024);
    p = parsed("8000,,ulaw");  // an empty field keeps its default
    EXPECT_EQ(p.channels, 1);
    EXPECT_EQ(p.format, RawSampleFormat::Ulaw);
    for (RawSampleFormat f : kRawSampleFormats)
        EXPECT_EQ(parsed(std::string("16000,1,") + rawFormatName(f)).format, f);

    for (const char* bad : {"", "0", "-8000", "8000.5", "8k", "8000,0", "8000,40000", "8000,1,s16", "8000,1,S16LE",
                            "8000,1,s16le,-1", "8000,1,s16le,x", "8000,1,s16le,0,9", "99999999999"}) {
        RawParameters q;
        std::string error;
        EXPECT_FALSE(parseRawParameters(bad, q, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(RawFiles, EveryFormatAfterASkippedHeader)
{
    // An odd header of 7 bytes: 16-bit samples are moved down to a word.
    auto withHeader = [](const Bytes& samples) {
        Bytes b(7 + samples.size(), 0xEE);
        std::copy(samples.begin(), samples.end(), b.begin() + 7);
        return b;
    };
    const struct {
        RawSampleFormat format;
        Bytes data;
        std::vector<int> expected;  // 16-bit values of the stereo frames, interleaved
        int bytesPerSample;
    } cases[] = {
        {RawSampleFormat::S16le, {0x34, 0x12, 0xFE, 0xFF}, {0x1234, -2}, 2},
        {RawSampleFormat::S16be, {0x12, 0x34, 0xFF, 0xFE}, {0x1234, -2}, 2},
        {RawSampleFormat::U8, {0x80, 0xFF}, {0, 127 * 256}, 1},
        {RawSampleFormat::S8, {0x80, 0x01}, {-128 * 256, 256}, 1},
        {RawSampleFormat::S24le, {0x56, 0x34, 0x12, 0xFF, 0xFF, 0xFF}, {0x1234, -1}, 2},
        {RawSampleFormat::S32le, {0, 0, 0, 0x80, 0x78, 0x56, 0x34, 0x12}, {-32768, 0x1234}, 2},
        {RawSampleFormat::F32le, {}, {16384, -32767}, 2},
        {RawSampleFormat::Alaw, {0xD5, 0x55}, {8, -8}, 2},
        {RawSampleFormat::Ulaw, {0x00, 0xFF}, {-32124, 0}, 2},
    };
    for (const auto& c : cases) {
        Bytes data = c.data;
        if (c.format == RawSampleFormat::F32le) {
            data.resize(8);
            const float v[2] = {0.5f, -1.0f};
            std::memcpy(data.data(), v, 8);
        }
        SignalState s;
        const RawParameters p{.rateHz = 11025, .channels = 2, .format = c.format, .skipBytes = 7};
        const LoadResult r = loadRaw(withHeader(data), p, s);
        const char* name = rawFormatName(c.format);
        ASSERT_TRUE(r.ok) << name << ": " << r.reason;
        EXPECT_EQ(s.sampleRateHz, 11025) << name;
        EXPECT_EQ(s.channelCount, 2) << name;
        EXPECT_EQ(s.frameCount(), 1) << name;
        EXPECT_EQ(s.bytesPerSample, c.bytesPerSample) << name;
        EXPECT_EQ(frameSample(s, 0, 0), c.expected[0]) << name;
        EXPECT_EQ(frameSample(s, 0, 1), c.expected[1]) << name;
        // The boxes show what the loader did: big-endian words swapped, offset bytes flipped.
        EXPECT_EQ(r.report.byteSwapChecked, c.format == RawSampleFormat::S16be) << name;
        EXPECT_EQ(r.report.signFlipChecked, c.format == RawSampleFormat::U8) << name;
    }
}

TEST(RawFiles, DefaultsAreTheRuleForUnknownExtensions)
{
    const Bytes data = pcm16(sine(100, 16000, 333, 9000));
    SignalState byName, byParameters;
    const LoadResult a = loadSoundBytes(data, "/data/take.bin", byName, 665, 201);
    const LoadResult b = loadRaw(data, RawParameters{}, byParameters);
    ASSERT_TRUE(a.ok && b.ok);
    EXPECT_EQ(a.report.parameterLine, b.report.parameterLine);
    EXPECT_EQ(byName.fileBytes, byParameters.fileBytes);
    EXPECT_EQ(byName.dataOffset, byParameters.dataOffset);
    EXPECT_EQ(byName.sampleCount, byParameters.sampleCount);
    EXPECT_EQ(byName.bitsPerSample, byParameters.bitsPerSample);
}

TEST(RawFiles, ImpossibleParametersAreRefused)
{
    SignalState s;
    ASSERT_TRUE(loadRaw(pcm16({4, 5, 6}), RawParameters{.rateHz = 8000}, s).ok);
    const Bytes data(100, 1);
    for (const RawParameters& p :
         {RawParameters{.skipBytes = 101}, RawParameters{.skipBytes = 100}, RawParameters{.rateHz = 0},
          RawParameters{.channels = 0}, RawParameters{.channels = 51},
          RawParameters{.format = RawSampleFormat::F32le, .skipBytes = 97}}) {
        const LoadResult r = loadRaw(data, p, s);
        EXPECT_FALSE(r.ok) << p.skipBytes;
        EXPECT_FALSE(r.reason.empty());
    }
    // Skipping every byte of an odd-sized file leaves no word to move down.
    EXPECT_FALSE(loadRaw(Bytes(101, 1), RawParameters{.skipBytes = 101}, s).ok);
    EXPECT_EQ(s.sampleRateHz, 8000);
    EXPECT_EQ(channelSamples(s, 0), (std::vector<int>{4, 5, 6}));
}
