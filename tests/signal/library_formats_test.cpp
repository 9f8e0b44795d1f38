// Files decoded through libsndfile: one of each extension, ADPCM and GSM 6.10
// inside WAV, NIST SPHERE named .wav as TIMIT ships it. Each is written at test
// time (by libsndfile, or byte by byte for the SPHERE header) from a known signal
// and checked for rate, channels, duration and samples.
#include "sound_file.h"

#include "library_files.h"
#include "load_helpers.h"
#include "sound_files.h"

#include <sndfile.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace kelvox;
using namespace kelvox::test;

namespace {

std::vector<int> interleave(const std::vector<int>& left, const std::vector<int>& right)
{
    std::vector<int> v;
    for (std::size_t i = 0; i < left.size(); ++i)
        v.insert(v.end(), {left[i], right[i]});
    return v;
}

// RMS of (decoded − original) over the original's length, relative to the
// original's RMS; the decoded samples may run longer (codec block padding).
double relativeError(const std::vector<int>& decoded, const std::vector<int>& original)
{
    double err = 0, power = 0;
    for (std::size_t i = 0; i < original.size(); ++i) {
        const double d = (i < decoded.size() ? decoded[i] : 0) - original[i];
        err += d * d;
        power += double(original[i]) * original[i];
    }
    return std::sqrt(err / power);
}

struct LosslessCase {
    const char* name;
    int format;
};

}  // namespace

TEST(LibraryFormats, EveryLosslessExtensionLoadsItsSamplesExactly)
{
    const std::vector<int> left = sine(440, 22050, 2205, 12000);
    const std::vector<int> right = sine(1300, 22050, 2205, -7000);
    const std::vector<int> stereo = interleave(left, right);
    const LosslessCase cases[] = {
        {"a.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},    {"a.aif", SF_FORMAT_AIFF | SF_FORMAT_PCM_16},
        {"a.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16},    {"a.aifc", SF_FORMAT_AIFF | SF_FORMAT_ULAW},
        {"a.au", SF_FORMAT_AU | SF_FORMAT_PCM_16},        {"a.snd", SF_FORMAT_AU | SF_FORMAT_PCM_16},
        {"a.sph", SF_FORMAT_NIST | SF_FORMAT_PCM_16},     {"a.nist", SF_FORMAT_NIST | SF_FORMAT_PCM_16},
        {"a.caf", SF_FORMAT_CAF | SF_FORMAT_PCM_16},      {"a.w64", SF_FORMAT_W64 | SF_FORMAT_PCM_16},
        {"LOUD.FLAC", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
    };
    for (const LosslessCase& c : cases) {
        SignalState s;
        const LoadResult r = load(writeWithLibrary(c.format, 2, 22050, stereo), c.name, s);
        ASSERT_TRUE(r.ok) << c.name << ": " << r.reason;
        EXPECT_EQ(s.sampleRateHz, 22050) << c.name;
        EXPECT_EQ(s.channelCount, 2) << c.name;
        EXPECT_EQ(s.frameCount(), 2205) << c.name;
        EXPECT_FLOAT_EQ(s.fileDuration, 0.1f) << c.name;
        EXPECT_EQ(s.bytesPerSample, 2) << c.name;
        if ((c.format & SF_FORMAT_SUBMASK) == SF_FORMAT_ULAW) {
            EXPECT_LT(relativeError(channelSamples(s, 0), left), 0.02) << c.name;
        } else {
            EXPECT_EQ(channelSamples(s, 0), left) << c.name;
            EXPECT_EQ(channelSamples(s, 1), right) << c.name;
        }
        // The parameter line reads as for any 16-bit file.
        EXPECT_EQ(r.report.parameterLine.substr(0, 33), "0.100 s @ 22.050 kHz, 16b, 2 ch, ") << c.name;
        EXPECT_TRUE(r.report.byteSwapEnabled);
        EXPECT_FALSE(r.report.byteSwapChecked);
    }
}

TEST(LibraryFormats, LossyCodecsComeCloseToTheSignal)
{
    const std::vector<int> tone = sine(440, 16000, 8000, 10000);
    const struct {
        const char* name;
        int format;
        int rateHz;
        double tolerance;  // relative RMS error
    } cases[] = {
        {"a.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 16000, 0.1},
        {"a.oga", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 16000, 0.1},
        {"a.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 16000, 0.1},
        {"a.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 16000, 0.1},
    };
    for (const auto& c : cases) {
        SignalState s;
        const LoadResult r = load(writeWithLibrary(c.format, 1, c.rateHz, tone), c.name, s);
        ASSERT_TRUE(r.ok) << c.name << ": " << r.reason;
        EXPECT_EQ(s.sampleRateHz, c.rateHz) << c.name;
        EXPECT_EQ(s.channelCount, 1) << c.name;
        EXPECT_NEAR(s.fileDuration, 0.5, 0.01) << c.name;
        EXPECT_LT(relativeError(channelSamples(s, 0), tone), c.tolerance) << c.name;
    }
}

TEST(LibraryFormats, AdpcmAndGsmInsideWav)
{
    const std::vector<int> tone = sine(300, 8000, 8000, 10000);
    const struct {
        int format;
        double tolerance;
    } cases[] = {
        {SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 0.1},
        {SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM, 0.1},
        {SF_FORMAT_WAV | SF_FORMAT_GSM610, 0.25},
    };
    for (const auto& c : cases) {
        SignalState s;
        const LoadResult r = load(writeWithLibrary(c.format, 1, 8000, tone), "codec.wav", s);
        ASSERT_TRUE(r.ok) << r.reason;
        EXPECT_EQ(s.sampleRateHz, 8000);
        // The codecs pad to whole blocks: at most one block more.
        EXPECT_GE(s.frameCount(), 8000);
        EXPECT_LT(s.frameCount(), 8000 + 1024);
        EXPECT_LT(relativeError(channelSamples(s, 0), tone), c.tolerance) << std::hex << c.format;
    }
}

TEST(LibraryFormats, TimitSphereNamedWav)
{
    const std::vector<int> speech = sine(180, 16000, 4800, 3000);
    std::string header =
        "NIST_1A\n   1024\n"
        "database_id -s5 TIMIT\n"
        "database_version -s3 1.0\n"
        "utterance_id -s8 dab0_sa1\n"
        "channel_count -i 1\n"
        "sample_count -i 4800\n"
        "sample_rate -i 16000\n"
        "sample_min -i -3000\n"
        "sample_max -i 3000\n"
        "sample_n_bytes -i 2\n"
        "sample_byte_format -s2 01\n"
        "sample_sig_bits -i 16\n"
        "end_head\n";
    header.resize(1024, ' ');
    Bytes file(header.begin(), header.end());
    const Bytes data = pcm16(speech);
    file.insert(file.end(), data.begin(), data.end());

    SignalState s;
    const LoadResult r = load(file, "/timit/train/dr1/fcjf0/SA1.WAV", s);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(s.sampleRateHz, 16000);
    EXPECT_EQ(s.channelCount, 1);
    EXPECT_EQ(channelSamples(s, 0), speech);
    EXPECT_EQ(r.report.parameterLine, "0.300 s @ 16.000 kHz, 16b, 1 ch, max 0.09");
    EXPECT_EQ(r.report.caption, "/timit/train/dr1/fcjf0/SA1.WAV  " + std::to_string(file.size()));
}

TEST(LibraryFormats, WideAndFloatDataReduceAsTheWavReaderDoes)
{
    // 24-bit integers: the same 16 bits from FLAC and AIFF as from a 24-bit WAV.
    std::vector<int> wide;
    Bytes wav24;
    for (int i = 0; i < 3000; ++i) {
        const int v = static_cast<int>(std::lround(8000000 * std::sin(i * 0.01))) - 3;
        wide.push_back(v);
        put16(wav24, v & 0xFFFF);
        wav24.push_back(static_cast<uint8_t>((v >> 16) & 0xFF));
    }
    SignalState fromWav;
    ASSERT_TRUE(load(makeWav({.bitsPerSample = 24}, wav24), "w.wav", fromWav).ok);
    // libsndfile writes 24-bit data from ints holding the value in their top 24 bits.
    std::vector<int32_t> topAligned;
    for (int v : wide)
        topAligned.push_back(static_cast<int32_t>(static_cast<uint32_t>(v) << 8));
    for (int format : {SF_FORMAT_FLAC | SF_FORMAT_PCM_24, SF_FORMAT_AIFF | SF_FORMAT_PCM_24}) {
        SignalState s;
        const char* name = (format & SF_FORMAT_TYPEMASK) == SF_FORMAT_FLAC ? "w.flac" : "w.aiff";
        ASSERT_TRUE(load(writeIntsWithLibrary(format, 1, 16000, topAligned), name, s).ok);
        EXPECT_EQ(channelSamples(s, 0), channelSamples(fromWav, 0)) << std::hex << format;
    }

    // Float data: × 32767, rounded and clipped, as in a float WAV.
    const std::vector<double> floats = {0.5, -0.25, 1.5, -2.0, 0.1, 0.999};
    Bytes wavFloat(floats.size() * 4);
    for (std::size_t i = 0; i < floats.size(); ++i) {
        const float f = static_cast<float>(floats[i]);
        std::memcpy(&wavFloat[i * 4], &f, 4);
    }
    ASSERT_TRUE(load(makeWav({.formatTag = 3, .bitsPerSample = 32}, wavFloat), "f.wav", fromWav).ok);
    SignalState s;
    ASSERT_TRUE(load(writeFloatsWithLibrary(SF_FORMAT_AIFF | SF_FORMAT_FLOAT, 1, 16000, floats), "f.aifc", s).ok);
    EXPECT_EQ(channelSamples(s, 0), channelSamples(fromWav, 0));
    EXPECT_EQ(channelSamples(s, 0), (std::vector<int>{16384, -8192, 32767, -32768, 3277, 32734}));
    EXPECT_EQ(s.peakAmplitude, fromWav.peakAmplitude);
}

TEST(LibraryFormats, DecodedStraightFromDisk)
{
    const std::vector<int> tone = sine(200, 11025, 11025, 20000);
    const Bytes flac = writeWithLibrary(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1, 11025, tone);
    const std::string path = writeTempFile("disk take.flac", flac);
    SignalState s;
    const LoadResult r = loadSoundFile(path, s, kViewWidth, kViewHeight);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(channelSamples(s, 0), tone);
    // The caption and fileSize give the file's size on disk, not the decoded size.
    EXPECT_EQ(s.fileSize, static_cast<int32_t>(flac.size()));
    EXPECT_EQ(r.report.caption, path + "  " + std::to_string(flac.size()));
    EXPECT_EQ(s.fileBytes.size(), tone.size() * 2);

    const LoadResult missing = loadSoundFile(path + ".missing.flac", s, kViewWidth, kViewHeight);
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.reason, "cannot open the file");
    EXPECT_EQ(s.fileName, path);
}

TEST(LibraryFormats, RefusalsSayWhatTheFileIs)
{
    SignalState s;
    ASSERT_TRUE(load(makeWav({.rateHz = 8000}, pcm16({1, 2, 3})), "before.wav", s).ok);
    const Bytes noise(3000, 0x5A);

    LoadResult r = load(noise, "song.flac", s);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.reason.rfind("FLAC decoding failed: ", 0), 0u) << r.reason;
    r = load(noise, "song.MP3", s);
    EXPECT_EQ(r.reason.rfind("MP3 decoding failed: ", 0), 0u) << r.reason;
    r = load(noise, "take.wav", s);
    EXPECT_EQ(r.reason, "not a sound file (neither RIFF WAVE nor a format libsndfile knows)");
    r = load(makeWav({.formatTag = 0x1234}, pcm16({1, 2})), "odd.wav", s);
    EXPECT_EQ(r.reason.rfind("WAV file in format tag 0x1234, which libsndfile cannot decode: ", 0), 0u) << r.reason;
    // A truncated FLAC header.
    const Bytes flac = writeWithLibrary(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1, 8000, sine(100, 8000, 800, 5000));
    r = load(Bytes(flac.begin(), flac.begin() + 20), "cut.flac", s);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.reason.empty());

    EXPECT_EQ(s.fileName, "before.wav");
    EXPECT_EQ(s.sampleRateHz, 8000);
    EXPECT_EQ(channelSamples(s, 0), (std::vector<int>{1, 2, 3}));
}

TEST(LibraryFormats, ExtensionsReadByContent)
{
    const std::vector<std::string>& all = soundFileExtensions();
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(all[0], ".wav");
    EXPECT_EQ(all[1], ".smp");
    for (const char* ext : {".flac", ".aif", ".aiff", ".aifc", ".au", ".snd", ".sph", ".nist", ".caf", ".w64", ".ogg",
                            ".oga", ".opus", ".mp3"})
        EXPECT_NE(std::find(all.begin(), all.end(), ext), all.end()) << ext;
    // Other extensions keep the headerless rule.
    SignalState s;
    ASSERT_TRUE(load(writeWithLibrary(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1, 8000, {1, 2, 3}), "x.pcm", s).ok);
    EXPECT_EQ(s.sampleRateHz, 16000);
    EXPECT_EQ(s.dataOffset, 0);
}
