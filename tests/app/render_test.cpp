// kelvox-render run as a user runs it: exit codes, stdout and stderr.
#include "library_files.h"
#include "sound_files.h"

#include <sndfile.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/wait.h>

using namespace kelvox::test;

namespace {

struct RenderRun {
    int status = -1;
    std::string out;  // stdout and stderr together, stderr after "|"
};

// Runs kelvox-render with `args` (already quoted for the shell).
RenderRun render(const std::string& args)
{
    const std::string errFile = writeTempFile("render-stderr.txt", {});
    const std::string cmd = std::string(KELVOX_RENDER) + " " + args + " 2>" + errFile;
    RenderRun r;
    FILE* p = popen(cmd.c_str(), "r");
    std::array<char, 4096> buf{};
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0)
        r.out.append(buf.data(), n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    r.out += "|";
    if (FILE* e = std::fopen(errFile.c_str(), "r")) {
        while ((n = std::fread(buf.data(), 1, buf.size(), e)) > 0)
            r.out.append(buf.data(), n);
        std::fclose(e);
    }
    return r;
}

}  // namespace

TEST(RenderInfo, PrintsTheParameterLine)
{
    const RenderRun r = render(std::string("'") + KELVOX_EXAMPLES + "/kelvox-demo.wav' --info");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "4.010 s @ 16.000 kHz, 16b, 1 ch, max 0.71\n|");

    const std::string stereo =
        writeTempFile("info stereo.wav", makeWav({.channels = 2, .rateHz = 22050}, pcm16(std::vector<int>(44100, 0))));
    EXPECT_EQ(render("'" + stereo + "' --info").out, "1.000 s @ 22.050 kHz, 16b, 2 ch, max 0.00\n|");
}

TEST(RenderInfo, RefusedFilesAndUsageErrors)
{
    const std::string broken = writeTempFile("broken.wav", Bytes(12, 0));
    RenderRun r = render("'" + broken + "' --info");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("|Can't Open File"), std::string::npos) << r.out;

    r = render("--info");
    EXPECT_EQ(r.status, 2);
    r = render("x.wav --nonsense");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("--nonsense"), std::string::npos);
    r = render("x.wav");
    EXPECT_EQ(r.status, 2);
}

TEST(RenderInfo, ReadsWhatLibsndfileDecodesAndSaysWhyNot)
{
    const std::string flac = writeTempFile("info tone.flac", writeWithLibrary(SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 1,
                                                                              44100, sine(440, 44100, 22050, 16384)));
    RenderRun r = render("'" + flac + "' --info");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "0.500 s @ 44.100 kHz, 16b, 1 ch, max 0.50\n|");

    const std::string noise = writeTempFile("noise.aiff", Bytes(400, 0x61));
    r = render("'" + noise + "' --info");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("|Can't Open File: " + noise + ": AIFF decoding failed: "), std::string::npos) << r.out;
}

TEST(RenderInfo, RawReadsHeaderlessFilesWithTheGivenParameters)
{
    // 0.25 s of stereo at 8 kHz in each format, after a 10-byte header.
    const std::vector<int> tone = sine(100, 8000, 4000, 16384);
    const struct {
        const char* format;
        int width;
        const char* line;
    } cases[] = {
        {"s16le", 2, "0.250 s @ 8.000 kHz, 16b, 2 ch, max 0.50"},
        {"s16be", 2, "0.250 s @ 8.000 kHz, 16b, 2 ch, max 0.50"},
        {"u8", 1, "0.250 s @ 8.000 kHz, 8b, 2 ch, max 0.50"},
        {"s8", 1, "0.250 s @ 8.000 kHz, 8b, 2 ch, max 0.50"},
        {"s24le", 3, "0.250 s @ 8.000 kHz, 16b, 2 ch, max 0.50"},
        {"s32le", 4, "0.250 s @ 8.000 kHz, 16b, 2 ch, max 0.50"},
        {"f32le", 4, "0.250 s @ 8.000 kHz, 16b, 2 ch, max 0.50"},
        {"alaw", 1, "0.250 s @ 8.000 kHz, 16b, 2 ch, max 0.00"},
        {"ulaw", 1, "0.250 s @ 8.000 kHz, 16b, 2 ch, max 0.00"},
    };
    for (const auto& c : cases) {
        Bytes file(10, 0xAB);
        for (int v : tone) {
            const std::string f = c.format;
            if (f == "s16be") {
                file.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
                file.push_back(static_cast<uint8_t>(v & 0xFF));
            } else if (f == "u8" || f == "s8") {
                file.push_back(static_cast<uint8_t>((v >> 8) + (f == "u8" ? 128 : 0)));
            } else if (f == "f32le") {
                const float x = static_cast<float>(v / 32767.0);
                uint32_t u;
                std::memcpy(&u, &x, 4);
                put32(file, u);
            } else if (f == "alaw" || f == "ulaw") {
                file.push_back(f == "alaw" ? 0xD5 : 0xFF);  // silence: +8 and 0
            } else {
                const int32_t wide = static_cast<int32_t>(static_cast<uint32_t>(v) << (8 * (c.width - 2)));
                for (int k = 0; k < c.width; ++k)
                    file.push_back(static_cast<uint8_t>((wide >> (8 * k)) & 0xFF));
            }
        }
        const std::string path = writeTempFile(std::string("raw-") + c.format + ".dat", file);
        const RenderRun r = render("'" + path + "' --info --raw 8000,2," + c.format + ",10");
        EXPECT_EQ(r.status, 0) << c.format << r.out;
        EXPECT_EQ(r.out, std::string(c.line) + "\n|") << c.format;
    }

    const std::string path = writeTempFile("raw-usage.dat", Bytes(100, 0));
    for (const char* bad : {"--raw", "--raw 0", "--raw 8000,1,mp3", "--raw 8000,1,s16le,1,2"}) {
        const RenderRun r = render("'" + path + "' --info " + bad);
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_NE(r.out.find("|kelvox-render: --raw"), std::string::npos) << bad << ": " << r.out;
    }
    const RenderRun past = render("'" + path + "' --info --raw 8000,1,s16le,200");
    EXPECT_EQ(past.status, 1);
    EXPECT_NE(past.out.find("|Can't Open File: "), std::string::npos);
}

TEST(RenderHelp, ListsEveryViewsSettingsFormatsAndExitCodes)
{
    const RenderRun r = render("--help");
    EXPECT_EQ(r.status, 0);
    for (const char* text : {"--view spectrogram",
                             "--view section",
                             "--view waveform",
                             "\"Time scale mm/s\"",
                             "\"Range between black and white\"",
                             "one of Fourier, Q=34, Cepstrum, LinPr 17",
                             "\"No of interpolated data points\"",
                             "\"Lines/page\"",
                             "default \"Auto\"",
                             ".png",
                             ".bmp",
                             ".pdf",
                             "--tracks FILE.csv",
                             "--values FILE.csv",
                             "Exit status",
                             "--raw RATE[,CHANNELS[,FORMAT[,SKIP]]]",
                             "s16le",
                             "ulaw",
                             ".flac",
                             ".mp3"})
        EXPECT_NE(r.out.find(text), std::string::npos) << text;
}

TEST(RenderProgress, NothingOnStderrWhenItIsNotATerminal)
{
    const std::string out = writeTempFile("progress/page-%d.png", {});
    const RenderRun r = render(std::string("'") + KELVOX_EXAMPLES + "/kelvox-demo.wav' --view waveform --out '" + out + "'");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "|");  // no stdout, no stderr
}
