// kelvox-render drawing waveform pages: page files, their size, replacements.
#include "sound_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/wait.h>
#include <string>

using namespace kelvox::test;

namespace {

namespace fs = std::filesystem;

struct Rendered {
    int status = -1;
    std::string stderrText;
};

// Runs kelvox-render with `args` (quoted for the shell), stdout discarded.
Rendered renderWaveform(const std::string& args)
{
    const std::string errFile = writeTempFile("waveform-render-stderr.txt", {});
    const std::string cmd = std::string(KELVOX_RENDER) + " " + args + " >/dev/null 2>'" + errFile + "'";
    const int st = std::system(cmd.c_str());
    Rendered r;
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    std::ifstream in(errFile);
    r.stderrText.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return r;
}

// An empty folder for one test's pages.
fs::path pageFolder(const std::string& name)
{
    const fs::path dir = fs::path(writeTempFile(name + "/.keep", {})).parent_path();
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().extension() == ".png")
            fs::remove(e.path());
    return dir;
}

// Width and height from a PNG file's IHDR chunk (big-endian at bytes 16 and 20).
std::pair<int, int> pngSize(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    unsigned char b[24] = {};
    in.read(reinterpret_cast<char*>(b), sizeof b);
    const auto be = [&](int at) { return (b[at] << 24) | (b[at + 1] << 16) | (b[at + 2] << 8) | b[at + 3]; };
    return {be(16), be(20)};
}

const std::string kDemo = std::string("'") + KELVOX_EXAMPLES + "/kelvox-demo.wav'";

}  // namespace

// The bundled 4.01 s recording at 100 mm/s: two pages of one 2.505 s line each;
// each file is the used area, from 1 pixel left of the frame to 2 right of it,
// and from the caption's top (9) to 2 below the frame (717).
TEST(RenderWaveform, DrawsTheDemoAsTwoScreenPages)
{
    const fs::path dir = pageFolder("waveform-demo");
    const Rendered r = renderWaveform(kDemo + " --view waveform --out '" + (dir / "page-%d.png").string() + "'");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.stderrText, "");
    ASSERT_TRUE(fs::exists(dir / "page-0.png"));
    ASSERT_TRUE(fs::exists(dir / "page-1.png"));
    EXPECT_FALSE(fs::exists(dir / "page-2.png"));
    EXPECT_EQ(pngSize(dir / "page-0.png"), std::make_pair(1059 - 36, 719 - 9));
}

TEST(RenderWaveform, MoreLinesPerPageMeanFewerPages)
{
    const fs::path dir = pageFolder("waveform-lines");
    const Rendered r = renderWaveform(kDemo + " --view waveform --set 'Lines/page=2' --out '" +
                                      (dir / "page-%d.png").string() + "'");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(fs::exists(dir / "page-0.png"));
    EXPECT_FALSE(fs::exists(dir / "page-1.png"));
}

TEST(RenderWaveform, StereoPrintPages)
{
    std::vector<int> frames;
    for (int v : sine(220, 8000, 24000, 8000)) {
        frames.push_back(v);
        frames.push_back(-v / 2);
    }
    const std::string wav = writeTempFile("waveform stereo.wav", makeWav({.channels = 2, .rateHz = 8000}, pcm16(frames)));
    const fs::path dir = pageFolder("waveform-stereo");
    const Rendered r =
        renderWaveform("'" + wav + "' --view waveform --dpi 192 --out '" + (dir / "page-%d.png").string() + "'");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.stderrText, "");
    EXPECT_TRUE(fs::exists(dir / "page-1.png"));  // 3 s: two lines of 2.505 s
    EXPECT_FALSE(fs::exists(dir / "page-2.png"));
    // 192 dpi: frame 75, 75 … 2115, 1435; the caption's cell starts 32 + 12 above it.
    EXPECT_EQ(pngSize(dir / "page-0.png"), std::make_pair(2117 - 74, 1437 - 31));
}

TEST(RenderWaveform, ReplacedSettingsAreReportedAndUnknownLabelsRefused)
{
    const fs::path dir = pageFolder("waveform-replaced");
    Rendered r = renderWaveform(kDemo + " --view waveform --set 'Lines/page=0' --set 'Gain factor=abc' --out '" +
                                (dir / "page-%d.png").string() + "'");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.stderrText,
              "kelvox-render: Gain factor: \"abc\" replaced by \"Auto\"\n"
              "kelvox-render: Lines/page: \"0\" replaced by \"1\"\n");
    EXPECT_TRUE(fs::exists(dir / "page-1.png"));

    r = renderWaveform(kDemo + " --view waveform --set 'Colour=red' --out '" + (dir / "x-%d.png").string() + "'");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.stderrText.find("\"Colour\""), std::string::npos) << r.stderrText;
}
