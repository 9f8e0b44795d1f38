// A corpus of broken and unusual sound files, each loaded over a good recording:
// every file either loads with sane values or is refused, and a refused load never
// changes the recording that was loaded before.
#include "main_view.h"
#include "sound_file.h"

#include "sound_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace kelvox;
using namespace kelvox::test;

namespace {

struct Case {
    std::string name;  // its extension chooses the layout
    Bytes bytes;
};

void setU32(Bytes& b, std::size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<uint8_t>((v >> (8 * i)) & 0xFF);
}

std::vector<Case> corpus()
{
    std::vector<Case> c;
    const Bytes tone = pcm16(sine(300, 8000, 400, 12000));
    const Bytes good = makeWav({.rateHz = 8000}, tone);

    // Every header field zeroed in turn (bytes 0 … 43 of a canonical file).
    for (std::size_t field = 0; field < 44; field += 2) {
        Bytes b = good;
        b[field] = b[field + 1] = 0;
        c.push_back({"zero" + std::to_string(field) + ".wav", b});
    }
    // Huge and wrapped chunk sizes: fmt, an extra chunk, the data chunk.
    for (uint32_t size : {0xFFFFFFFFu, 0xFFFFFFF8u, 0x80000000u, 0x7FFFFFFFu, 1000000u}) {
        Bytes fmt = good;
        setU32(fmt, 16, size);
        c.push_back({"fmt" + std::to_string(size) + ".wav", fmt});
        Bytes data = good;
        setU32(data, 40, size);
        c.push_back({"data" + std::to_string(size) + ".wav", data});
        Bytes extra = makeWav({.rateHz = 8000, .extraChunksBeforeData = makeChunk("LIST", Bytes(6, 1), false)}, tone);
        setU32(extra, 40, size);
        c.push_back({"list" + std::to_string(size) + ".wav", extra});
    }
    // A data chunk that starts past the end, or whose header is cut.
    c.push_back({"pastend.wav", Bytes(good.begin(), good.begin() + 42)});
    c.push_back({"noheader.wav", Bytes(good.begin(), good.begin() + 36)});
    // Odd-sized chunks with and without their pad byte, and with an odd fmt size.
    c.push_back({"oddpad.wav", makeWav({.extraChunksBeforeData = makeChunk("bext", Bytes(7, 2), true)}, tone)});
    c.push_back({"oddnopad.wav", makeWav({.extraChunksBeforeData = makeChunk("bext", Bytes(7, 2), false)}, tone)});
    c.push_back({"oddfmt.wav", makeWav({.fmtSize = 17}, tone)});
    // Extensible headers: PCM, float, an unknown sub-format, and one cut short.
    for (int sub : {1, 3, 0x55, 0}) {
        Bytes b = makeWav({.formatTag = 0xFFFE, .bitsPerSample = sub == 3 ? 32 : 16, .fmtSize = 40}, tone);
        b[44] = static_cast<uint8_t>(sub);
        c.push_back({"ext" + std::to_string(sub) + ".wav", b});
    }
    c.push_back({"extshort.wav", Bytes(makeWav({.formatTag = 0xFFFE}, tone))});
    // Tiny files of every layout.
    for (const char* ext : {".wav", ".smp", ".raw"}) {
        c.push_back({std::string("empty") + ext, Bytes{}});
        c.push_back({std::string("one") + ext, Bytes{0x42}});
    }
    // SMP with only a header, and with hostile keys.
    c.push_back({"headeronly.smp", makeSmp("nchans=1\nsftot=8000\n", Bytes{})});
    for (const char* header : {"nchans=-1\n", "nchans=-2\nsftot=16000\n", "nchans=99999999999999\n",
                               "nchans=2\nsftot=-16000\n", "sftot=99999999999999999999\n", "nchans=3\nsftot=1\n",
                               "nchans=0.5\nsftot=0.5\n", "nchans=1\nsftot=abc\nmsb=f\n"})
        c.push_back({std::string("keys") + std::to_string(c.size()) + ".smp", makeSmp(header, tone)});
    // Unusual but legal: 3-channel 8-bit, 8-bit stereo with a partial frame, 64-bit float.
    c.push_back({"three8.wav", makeWav({.channels = 3, .bitsPerSample = 8}, Bytes(301, 0x90))});
    c.push_back({"float64.wav", makeWav({.formatTag = 3, .bitsPerSample = 64}, Bytes(64, 0x3F))});
    c.push_back({"odd.raw", Bytes(1001, 0x11)});
    return c;
}

bool sane(const SignalState& s)
{
    return s.channelCount >= 1 && s.sampleRateHz >= 1 && s.frameCount() >= 1 && s.fileOpened
           && (s.bytesPerSample == 1 || s.bytesPerSample == 2) && std::isfinite(s.fileDuration)
           && s.fileDuration > 0 && s.displayEnd == s.fileDuration
           && static_cast<int64_t>(s.dataOffset + s.sampleCount) * s.bytesPerSample
                  <= static_cast<int64_t>(s.fileBytes.size())
           && s.peakAmplitude >= 1.0f && std::isfinite(s.amplitudeScale);
}

}  // namespace

TEST(LoadCorpus, EveryFileLoadsSanelyOrIsRefusedWithoutHarm)
{
    int loaded = 0, refused = 0;
    for (const Case& c : corpus()) {
        SignalState s;
        ASSERT_TRUE(loadSoundBytes(makeWav({.rateHz = 11025}, pcm16({1, 2, 3, 4})), "before.wav", s, 665, 201).ok);
        const SignalState before = s;
        const LoadResult r = loadSoundBytes(c.bytes, c.name, s, 665, 201);
        if (r.ok) {
            ++loaded;
            EXPECT_TRUE(sane(s)) << c.name;
            // The main view's arithmetic must cope with whatever loaded.
            MainView view(s, 665, 201);
            view.afterLoad();
            const auto columns = view.envelope();
            EXPECT_FALSE(view.grid().empty()) << c.name;
            for (const auto& col : columns)
                ASSERT_TRUE(col.yLo >= -100000 && col.yHi <= 100000) << c.name;
            byteSwapInPlace(s);
            signFlipInPlace(s);
            refreshParameters(s, 201);
        } else {
            ++refused;
            EXPECT_FALSE(r.reason.empty()) << c.name;
            EXPECT_EQ(s.fileBytes, before.fileBytes) << c.name;
            EXPECT_EQ(s.fileName, "before.wav") << c.name;
            EXPECT_EQ(s.sampleRateHz, 11025) << c.name;
            EXPECT_EQ(s.sampleCount, 4) << c.name;
        }
    }
    // The corpus must exercise both outcomes.
    EXPECT_GT(loaded, 10);
    EXPECT_GT(refused, 10);
}
