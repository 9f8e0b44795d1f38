#include "sound_file.h"

#include "load_helpers.h"
#include "sound_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace kelvox;
using namespace kelvox::test;

namespace {

Bytes float32(const std::vector<float>& v)
{
    Bytes b(v.size() * 4);
    std::memcpy(b.data(), v.data(), b.size());
    return b;
}

Bytes withFmtSize(Bytes wav, uint32_t size)
{
    for (std::size_t i = 0; i < 4; ++i)
        wav[16 + i] = static_cast<uint8_t>((size >> (8 * i)) & 0xFF);
    return wav;
}

}  // namespace

TEST(LoadWav, CanonicalStereoFile)
{
    Bytes data = pcm16(std::vector<int>(44100, 0));
    data[0] = 0x10;  // first sample 16
    SignalState s;
    const LoadResult r = load(makeWav({.channels = 2, .rateHz = 22050}, data), "/data/take.wav", s);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(s.dataOffset, 22);
    EXPECT_EQ(s.sampleCount, 44100);
    EXPECT_EQ(s.channelCount, 2);
    EXPECT_EQ(s.sampleRateHz, 22050);
    EXPECT_FLOAT_EQ(s.fileDuration, 1.0f);
    EXPECT_EQ(s.selectionStart, 0.0f);
    EXPECT_FLOAT_EQ(s.selectionEnd, 1.0f);
    EXPECT_FLOAT_EQ(s.maxSamplesPerPixel, 22050.0f / kViewWidth);
    EXPECT_EQ(s.sampleLimit, 44100);
    EXPECT_EQ(frameSample(s, 0, 0), 16);
    EXPECT_EQ(r.report.channelMaximum, 1);
    EXPECT_TRUE(r.report.channelEnabled);
    EXPECT_TRUE(r.report.byteSwapEnabled);
    EXPECT_FALSE(r.report.signFlipEnabled);
    EXPECT_FALSE(r.report.byteSwapChecked);
    EXPECT_EQ(r.report.caption, "/data/take.wav  88244");
    EXPECT_EQ(r.report.parameterLine, "1.000 s @ 22.050 kHz, 16b, 2 ch, max 0.00");
}

TEST(LoadWav, ChunksBeforeDataAreSkipped)
{
    const Bytes data = pcm16({1, 2, 3, 4});
    SignalState s;
    // A 26-byte LIST chunk: the walk steps 8 + 26 bytes.
    WavSpec list{.extraChunksBeforeData = makeChunk("LIST", Bytes(26, 'x'), false)};
    ASSERT_TRUE(load(makeWav(list, data), "a.wav", s).ok);
    EXPECT_EQ(s.dataOffset, (44 + 34) / 2);
    EXPECT_EQ(frameSample(s, 3, 0), 4);

    // An odd chunk followed by its RIFF pad byte: found by the second walk.
    WavSpec padded{.extraChunksBeforeData = makeChunk("bext", Bytes(5, 'y'), true)};
    ASSERT_TRUE(load(makeWav(padded, data), "b.wav", s).ok);
    EXPECT_EQ(s.sampleCount, 4);
    EXPECT_EQ(frameSample(s, 0, 0), 1);
    EXPECT_EQ(frameSample(s, 3, 0), 4);

    // An odd chunk without pad: data starts at an odd byte and is moved to a word.
    WavSpec unpadded{.extraChunksBeforeData = makeChunk("bext", Bytes(5, 'y'), false)};
    ASSERT_TRUE(load(makeWav(unpadded, data), "c.wav", s).ok);
    EXPECT_EQ(s.sampleCount, 4);
    EXPECT_EQ(frameSample(s, 0, 0), 1);
    EXPECT_EQ(frameSample(s, 3, 0), 4);

    // A chunk walk that continues past byte 1024.
    WavSpec big{.extraChunksBeforeData = makeChunk("JUNK", Bytes(3000, 0), false)};
    ASSERT_TRUE(load(makeWav(big, data), "d.wav", s).ok);
    EXPECT_EQ(frameSample(s, 2, 0), 3);
}

TEST(LoadWav, EightBitIsSignFlipped)
{
    SignalState s;
    const LoadResult r = load(makeWav({.bitsPerSample = 8}, Bytes{0x80, 0xFF, 0x00}), "x.wav", s);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(s.bytesPerSample, 1);
    EXPECT_TRUE(s.signFlipOn);
    EXPECT_TRUE(r.report.signFlipChecked);
    EXPECT_TRUE(r.report.signFlipEnabled);
    EXPECT_FALSE(r.report.byteSwapEnabled);
    EXPECT_EQ(frameSample(s, 0, 0), 0);
    EXPECT_EQ(frameSample(s, 1, 0), 127 * 256);
    EXPECT_EQ(frameSample(s, 2, 0), -128 * 256);
    EXPECT_EQ(r.report.parameterLine, "0.000 s @ 16.000 kHz, 8b, 1 ch, max 1.00");
}

TEST(LoadWav, ZeroHeaderFieldsTakeDefaults)
{
    SignalState s;
    const Bytes wav = makeWav({.formatTag = 0, .channels = 0, .rateHz = 0, .bitsPerSample = 0}, pcm16({5, 6}));
    ASSERT_TRUE(load(wav, "z.wav", s).ok);
    EXPECT_EQ(s.sampleRateHz, 16000);
    EXPECT_EQ(s.channelCount, 1);
    EXPECT_EQ(s.bitsPerSample, 16);
    EXPECT_EQ(s.bytesPerSample, 2);
}

TEST(LoadWav, UpperCaseExtensionIsWav)
{
    SignalState s;
    ASSERT_TRUE(load(makeWav({.rateHz = 8000}, pcm16({1, 2})), "/x/LOUD.WAV", s).ok);
    EXPECT_EQ(s.sampleRateHz, 8000);
    EXPECT_EQ(s.dataOffset, 22);
}

TEST(LoadWav, WiderAndCompandedFormatsBecomeSixteenBit)
{
    SignalState s;
    // 24-bit: the top 16 bits of 0x123456 and of -1.
    Bytes d24{0x56, 0x34, 0x12, 0xFF, 0xFF, 0xFF};
    ASSERT_TRUE(load(makeWav({.bitsPerSample = 24}, d24), "a.wav", s).ok);
    EXPECT_EQ(s.bytesPerSample, 2);
    EXPECT_EQ(s.sampleCount, 2);
    EXPECT_EQ(frameSample(s, 0, 0), 0x1234);
    EXPECT_EQ(frameSample(s, 1, 0), -1);

    Bytes d32{0x00, 0x00, 0x00, 0x80};
    ASSERT_TRUE(load(makeWav({.bitsPerSample = 32}, d32), "b.wav", s).ok);
    EXPECT_EQ(frameSample(s, 0, 0), -32768);

    ASSERT_TRUE(load(makeWav({.formatTag = 3, .bitsPerSample = 32}, float32({0.5f, -1.0f, 2.0f, NAN})), "c.wav", s).ok);
    EXPECT_EQ(frameSample(s, 0, 0), 16384);
    EXPECT_EQ(frameSample(s, 1, 0), -32767);
    EXPECT_EQ(frameSample(s, 2, 0), 32767);  // clipped
    EXPECT_EQ(frameSample(s, 3, 0), 0);

    // µ-law 0x00 is the most negative step, 0xFF is zero; A-law 0xD5 is +8.
    ASSERT_TRUE(load(makeWav({.formatTag = 7, .bitsPerSample = 8}, Bytes{0x00, 0xFF, 0x80}), "d.wav", s).ok);
    EXPECT_EQ(frameSample(s, 0, 0), -32124);
    EXPECT_EQ(frameSample(s, 1, 0), 0);
    EXPECT_EQ(frameSample(s, 2, 0), 32124);
    EXPECT_FALSE(s.signFlipOn);
    ASSERT_TRUE(load(makeWav({.formatTag = 6, .bitsPerSample = 8}, Bytes{0xD5, 0x55}), "e.wav", s).ok);
    EXPECT_EQ(frameSample(s, 0, 0), 8);
    EXPECT_EQ(frameSample(s, 1, 0), -8);

    // WAVE_FORMAT_EXTENSIBLE carrying 24-bit PCM (sub-format tag 1).
    WavSpec ext{.formatTag = 0xFFFE, .bitsPerSample = 24, .fmtSize = 40};
    Bytes wav = makeWav(ext, d24);
    wav[44] = 1;
    ASSERT_TRUE(load(wav, "f.wav", s).ok);
    EXPECT_EQ(frameSample(s, 0, 0), 0x1234);
}

TEST(LoadWav, TruncatedDataIsClampedToWholeFrames)
{
    SignalState s;
    // Declares 1000 bytes, holds 10: 2 whole stereo frames (8 bytes).
    const Bytes wav = makeWav({.channels = 2, .declaredDataBytes = 1000}, Bytes(10, 1));
    ASSERT_TRUE(load(wav, "t.wav", s).ok);
    EXPECT_EQ(s.sampleCount, 4);
    // A streaming size of 0xFFFFFFFF.
    const Bytes stream = makeWav({.declaredDataBytes = 0xFFFFFFFF}, pcm16({7, 8, 9}));
    ASSERT_TRUE(load(stream, "u.wav", s).ok);
    EXPECT_EQ(s.sampleCount, 3);
    EXPECT_EQ(frameSample(s, 2, 0), 9);
}

TEST(LoadSmp, HeaderKeysChooseChannelsRateAndByteOrder)
{
    SignalState s;
    const Bytes data{0x01, 0x02, 0x03, 0x04};
    LoadResult r = load(makeSmp("nchans=1\r\nsftot=16000\r\nmsb=first\r\n", data), "/d/a.smp", s);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(s.sampleRateHz, 16000);
    EXPECT_EQ(s.channelCount, 1);
    EXPECT_EQ(s.dataOffset, 512);
    EXPECT_EQ(s.sampleCount, 2);
    EXPECT_TRUE(s.byteSwapOn);
    EXPECT_TRUE(r.report.byteSwapChecked);
    EXPECT_EQ(frameSample(s, 0, 0), 0x0102);

    ASSERT_TRUE(load(makeSmp("nchans=2\nsftot=16000\n", data), "b.SMP", s).ok);
    EXPECT_EQ(s.sampleRateHz, 8000);
    EXPECT_EQ(s.channelCount, 2);
    EXPECT_FALSE(s.byteSwapOn);
    EXPECT_EQ(frameSample(s, 0, 1), 0x0403);

    ASSERT_TRUE(load(makeSmp("nchans=1\n", data), "c.smp", s).ok);
    EXPECT_EQ(s.sampleRateHz, 16000);
}

TEST(LoadRaw, AnyOtherExtensionIsSixteenKilohertzMono)
{
    SignalState s;
    ASSERT_TRUE(load(pcm16({1, -1, 3}), "/a.b/noext", s).ok);
    EXPECT_EQ(s.sampleRateHz, 16000);
    EXPECT_EQ(s.dataOffset, 0);
    EXPECT_EQ(s.sampleCount, 3);
    ASSERT_TRUE(load(Bytes{1, 0, 2, 0, 9}, "x.pcm", s).ok);
    EXPECT_EQ(s.sampleCount, 2);
}

TEST(Load, RefusedFilesLeaveTheRecordingUntouched)
{
    SignalState s;
    ASSERT_TRUE(load(makeWav({}, pcm16({11, 12, 13})), "good.wav", s).ok);
    s.preEmphasis = 1.0f;
    const SignalState before = s;
    const std::vector<std::pair<Bytes, std::string>> bad = {
        {Bytes{}, "empty.wav"},
        {Bytes{1}, "one.raw"},
        {Bytes(20, 0), "short.wav"},
        {makeWav({.channels = -1}, pcm16({1, 2})), "neg.wav"},
        {makeWav({.rateHz = -5}, pcm16({1, 2})), "rate.wav"},
        {makeWav({}, Bytes{}), "nodata.wav"},
        {makeWav({.channels = 3}, pcm16({1, 2})), "partial.wav"},
        {makeWav({.formatTag = 2}, pcm16({1, 2})), "adpcm.wav"},
        {makeWav({.bitsPerSample = 48}, Bytes(12, 0)), "deep.wav"},
        {withFmtSize(makeWav({}, pcm16({1})), 0xFFFFFFF0u), "hugefmt.wav"},
        {withFmtSize(makeWav({}, pcm16({1})), 0x7FFFFFF0u), "farfmt.wav"},
        {makeSmp("nchans=-2\n", Bytes(8, 0)), "neg.smp"},
        {makeSmp("nchans=40000\n", Bytes(8, 0)), "many.smp"},
        {makeSmp("nchans=4\nsftot=2\n", Bytes(64, 0)), "slow.smp"},
        {makeSmp("nchans=1\n", Bytes{}), "empty.smp"},
        {Bytes(500, 0), "tiny.smp"},
    };
    for (const auto& [bytes, name] : bad) {
        const LoadResult r = load(bytes, name, s);
        EXPECT_FALSE(r.ok) << name;
        EXPECT_FALSE(r.reason.empty()) << name;
        EXPECT_EQ(s.fileBytes, before.fileBytes) << name;
        EXPECT_EQ(s.fileName, "good.wav") << name;
        EXPECT_EQ(s.sampleCount, 3) << name;
    }
    SignalState fresh;
    EXPECT_FALSE(load(Bytes{}, "x.wav", fresh).ok);
    EXPECT_EQ(fresh.fileSize, 0);
    EXPECT_FALSE(fresh.fileOpened);
}

TEST(Load, ChunkSizesThatWouldWrapEndTheWalk)
{
    SignalState s;
    // A chunk of size 0xFFFFFFF8 would leave a 32-bit position unchanged forever.
    WavSpec loop{.extraChunksBeforeData = makeChunk("LIST", Bytes{}, false)};
    Bytes wav = makeWav(loop, pcm16({1}));
    wav[40] = 0xF8, wav[41] = 0xFF, wav[42] = 0xFF, wav[43] = 0xFF;
    EXPECT_FALSE(load(wav, "loop.wav", s).ok);
}

TEST(Load, AnalysisSettingsSurviveALoad)
{
    SignalState s;
    s.preEmphasis = 1.0f;
    s.pageTimeScale = 55.0f;
    ASSERT_TRUE(load(makeWav({}, pcm16({1, 2})), "a.wav", s).ok);
    EXPECT_EQ(s.preEmphasis, 1.0f);
    EXPECT_EQ(s.pageTimeScale, 55.0f);
    EXPECT_TRUE(s.fileOpened);
}

TEST(Load, FromDisk)
{
    SignalState s;
    const std::string path = writeTempFile("disk.wav", makeWav({}, pcm16({3, 4})));
    const LoadResult r = loadSoundFile(path, s, kViewWidth, kViewHeight);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(s.fileName, path);
    EXPECT_EQ(s.fileSize, 48);
    EXPECT_FALSE(loadSoundFile(path + ".missing", s, kViewWidth, kViewHeight).ok);
    EXPECT_FALSE(loadSoundFile("/tmp", s, kViewWidth, kViewHeight).ok);
    EXPECT_EQ(s.fileName, path);
}

TEST(Load, ExtensionOfTheLastComponent)
{
    EXPECT_EQ(lowerExtension("/a/b.WAV"), ".wav");
    EXPECT_EQ(lowerExtension("/a.b/c"), "");
    EXPECT_EQ(lowerExtension("c.tar.SMP"), ".smp");
    EXPECT_EQ(lowerExtension("noext"), "");
}
