// kelvox-render run as a user runs it: exit codes, stdout and stderr.
#include "sound_files.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
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

TEST(RenderHelp, ListsEveryViewsSettingsFormatsAndExitCodes)
{
    const RenderRun r = render("--help");
    EXPECT_EQ(r.status, 0);
    for (const char* text : {"--view spectrogram", "--view section", "--view waveform", "\"Time scale mm/s\"",
                             "\"Range between black and white\"", "one of Fourier, Q=34, Cepstrum, LinPr 17",
                             "\"No of interpolated data points\"", "\"Lines/page\"", "default \"Auto\"", ".png", ".bmp",
                             ".pdf", "--tracks FILE.csv", "--values FILE.csv", "Exit status"})
        EXPECT_NE(r.out.find(text), std::string::npos) << text;
}

TEST(RenderProgress, NothingOnStderrWhenItIsNotATerminal)
{
    const std::string out = writeTempFile("progress/page-%d.png", {});
    const RenderRun r = render(std::string("'") + KELVOX_EXAMPLES + "/kelvox-demo.wav' --view waveform --out '" + out + "'");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "|");  // no stdout, no stderr
}
