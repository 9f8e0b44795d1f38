// Writes the seed corpora of the fuzz targets into DIR/<target>/: well-formed and
// unusual files made by the test writers, so that fuzzing starts from real layouts.
#include "label_files.h"
#include "library_files.h"
#include "sound_files.h"

#include <sndfile.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

using namespace kelvox::test;

namespace {

void put(const std::filesystem::path& dir, const std::string& name, const Bytes& bytes)
{
    std::filesystem::create_directories(dir);
    std::ofstream out(dir / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The loader target reads its file name from the first byte: 0 wav, 1 smp, 2 raw,
// 3 flac, 4 aiff, 5 sph, 6 au, 7 caf, 8 w64, 9 ogg, 10 opus, 11 mp3, 12 aifc,
// 13 headerless with parameters.
Bytes named(int kind, const Bytes& file)
{
    Bytes b{static_cast<uint8_t>(kind)};
    b.insert(b.end(), file.begin(), file.end());
    return b;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seed_corpus DIR\n");
        return 2;
    }
    const std::filesystem::path root = argv[1];
    const auto loader = root / "fuzz_loader";
    const Bytes tone = pcm16(sine(440, 8000, 64, 9000));
    put(loader, "mono.wav", named(0, makeWav({.rateHz = 8000}, tone)));
    put(loader, "stereo.wav", named(0, makeWav({.channels = 2, .rateHz = 8000}, tone)));
    put(loader, "eight.wav", named(0, makeWav({.bitsPerSample = 8}, Bytes(40, 0x80))));
    put(loader, "wide.wav", named(0, makeWav({.bitsPerSample = 24}, Bytes(48, 7))));
    put(loader, "float.wav", named(0, makeWav({.formatTag = 3, .bitsPerSample = 32}, Bytes(32, 0x3F))));
    put(loader, "mulaw.wav", named(0, makeWav({.formatTag = 7, .bitsPerSample = 8}, Bytes(20, 0x10))));
    put(loader, "list.wav",
        named(0, makeWav({.extraChunksBeforeData = makeChunk("LIST", Bytes(5, 'x'), true)}, tone)));
    put(loader, "ext.wav", named(0, makeWav({.formatTag = 0xFFFE, .fmtSize = 40}, tone)));
    put(loader, "header.smp", named(1, makeSmp("nchans=2\r\nsftot=16000\r\nmsb=first\r\n", tone)));
    put(loader, "plain.smp", named(1, makeSmp("nchans=1\n", tone)));
    put(loader, "raw.raw", named(2, tone));

    // Other chunk orders, RF64 and RIFX, written by the test writer and by libsndfile.
    const std::vector<int> samples = sine(440, 8000, 64, 9000);
    const Bytes usual = makeWav({.rateHz = 8000}, {});
    const Bytes fmt = makeChunk("fmt ", Bytes(usual.begin() + 20, usual.begin() + 36), false);
    Bytes late = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const Bytes& c : {makeChunk("bext", Bytes(7, 'b'), true), makeChunk("data", tone, false), fmt})
        late.insert(late.end(), c.begin(), c.end());
    put(loader, "late-fmt.wav", named(0, late));
    put(loader, "rf64.wav", named(0, writeWithLibrary(SF_FORMAT_RF64 | SF_FORMAT_PCM_16, 1, 8000, samples)));
    put(loader, "rifx.wav",
        named(0, writeWithLibrary(SF_FORMAT_WAV | SF_FORMAT_PCM_24 | SF_ENDIAN_BIG, 1, 8000, samples)));
    // What libsndfile decodes: a FLAC, an AIFF, a SPHERE, ADPCM and GSM WAVs, Ogg, MP3.
    put(loader, "tone.flac", named(3, writeWithLibrary(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1, 8000, samples)));
    put(loader, "tone.aiff", named(4, writeWithLibrary(SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 2, 8000, samples)));
    put(loader, "tone.sph", named(5, writeWithLibrary(SF_FORMAT_NIST | SF_FORMAT_PCM_16, 1, 16000, samples)));
    put(loader, "sphere.wav", named(0, writeWithLibrary(SF_FORMAT_NIST | SF_FORMAT_PCM_16, 1, 16000, samples)));
    put(loader, "ima.wav", named(0, writeWithLibrary(SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 1, 8000, samples)));
    put(loader, "ms.wav", named(0, writeWithLibrary(SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM, 1, 8000, samples)));
    put(loader, "gsm.wav", named(0, writeWithLibrary(SF_FORMAT_WAV | SF_FORMAT_GSM610, 1, 8000, samples)));
    put(loader, "tone.au", named(6, writeWithLibrary(SF_FORMAT_AU | SF_FORMAT_ULAW, 1, 8000, samples)));
    put(loader, "tone.ogg", named(9, writeWithLibrary(SF_FORMAT_OGG | SF_FORMAT_VORBIS, 1, 8000, samples)));
    put(loader, "tone.mp3", named(11, writeWithLibrary(SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 1, 8000, samples)));
    put(loader, "float.aifc", named(12, writeWithLibrary(SF_FORMAT_AIFF | SF_FORMAT_FLOAT, 1, 8000, samples)));
    Bytes rawParameters{4, 1, 3, 'h', 'e', 'a'};  // s24le, stereo, 3 header bytes
    rawParameters.insert(rawParameters.end(), tone.begin(), tone.end());
    put(loader, "raw-params", named(13, rawParameters));

    const auto parse = root / "fuzz_parse";
    int n = 0;
    for (const std::string t : {"1,5", "-2.25", "  3", "12ab", "1.2.3", ".5x", "nchans=2\r\nsftot=16000\r\n"})
        put(parse, "text" + std::to_string(n++), Bytes(t.begin(), t.end()));

    // Label files: a byte of rate choice, the wanted position, whose last two bytes
    // also pick the extension (byte 2 mod 8: 0 TextGrid, 1 phn, 3 lab, 5 txt, 6 mix)
    // and the tier (byte 3 mod 4: 2 is "2", 3 is "words"), then the text.
    const auto labels = root / "fuzz_labels";
    const auto label = [&labels](const std::string& name, uint8_t extension, uint8_t tier, const std::string& t) {
        Bytes b{2, 0, extension, tier};
        b.insert(b.end(), t.begin(), t.end());
        put(labels, name, b);
    };
    n = 0;
    for (const std::string t : {"FR 1.250 aa\nFR 20000 bb\n", "xx\r\nFR 0,5 x\r\nFR 3 \xc9\x99\n", "FR\nFR 12\nFR 9.9.9 z y\n"})
        label("mix" + std::to_string(n++), 6, 0, t);
    const std::vector<GridTier> tiers = {
        {"words", false, {{0.0, 0.3, ""}, {0.3, 0.7, "\xc3\xb0\xc9\x99"}, {0.7, 1.2, "say \"ah\""}}},
        {"tones", true, {{0.45, 0, "H*"}, {1.0, 0, ""}}},
    };
    label("long.TextGrid", 0, 3, longTextGrid(tiers, 1.5));
    label("short.TextGrid", 0, 2, shortTextGrid(tiers, 1.5));
    label("utf16be.TextGrid", 0, 0, utf16(crlf(longTextGrid(tiers, 1.5)), true));
    label("utf16le.TextGrid", 0, 2, utf16(shortTextGrid(tiers, 1.5), false));
    label("timit.phn", 1, 0, "0 3050 h#\n3050 4559 sh\n4559 5723 iy\n");
    label("htk.lab", 3, 0, "0 2500000 sil -120.5\r\n2500000 6000000 the -80.2 x\r\n///\n0 1 a\n");
    label("audacity.txt", 5, 0, "0.25\t0.659\tshe\n\\\t100\t2000\n0,9\t0,9\t\n");

    // Page runs: view and resolution, interval, then one choice byte per control.
    const auto runs = root / "fuzz_runs";
    for (uint8_t view = 0; view < 6; ++view)
        put(runs, "run" + std::to_string(view), Bytes{view, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    put(runs, "hostile", Bytes{0, 1, 1, 6, 11, 16, 21, 26, 31, 36, 41, 46, 3, 8});
    put(runs, "raw", Bytes{1, 4, 4, '1', '2', 0, 4, '-', '3', 0, 4, 'x', 0});
    return 0;
}
