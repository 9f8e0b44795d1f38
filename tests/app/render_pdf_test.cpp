// kelvox-render's PDF output and resolutions as a user runs it: a .pdf pattern
// without %d collects every page of the run, one landscape A4 page each, for each
// of the three views; the pages at a printer's resolution; --dpi's range.
#include "sound_files.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

using namespace kelvox::test;

namespace {

// Runs a command; its exit status and standard output (standard error after "|").
std::pair<int, std::string> run(const std::string& command)
{
    const std::string errFile = writeTempFile("render-pdf-stderr.txt", {});
    FILE* p = popen((command + " 2>" + errFile).c_str(), "r");
    std::string out;
    std::array<char, 4096> buf{};
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0)
        out.append(buf.data(), n);
    const int st = pclose(p);
    out += "|";
    if (FILE* e = std::fopen(errFile.c_str(), "r")) {
        while ((n = std::fread(buf.data(), 1, buf.size(), e)) > 0)
            out.append(buf.data(), n);
        std::fclose(e);
    }
    return {WIFEXITED(st) ? WEXITSTATUS(st) : -1, out};
}

std::pair<int, std::string> render(const std::string& args)
{
    return run(std::string(KELVOX_RENDER) + " '" + KELVOX_EXAMPLES + "/kelvox-demo.wav' " + args);
}

std::string outputDir(const std::string& name)
{
    return std::filesystem::path(writeTempFile(name + "/.keep", {})).parent_path().string();
}

int filesEndingIn(const std::string& dir, const std::string& ext)
{
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        count += entry.path().extension() == ext ? 1 : 0;
    return count;
}

bool havePoppler() { return run("command -v pdfinfo pdfimages >/dev/null").first == 0; }

struct ListedImage {
    int page = 0, width = 0, height = 0, xPpi = 0;
    std::string encoding;
};

// pdfimages -list: page num type width height color comp bpc enc interp object ID x-ppi y-ppi size ratio
std::vector<ListedImage> listedImages(const std::string& pdf)
{
    std::vector<ListedImage> images;
    std::istringstream lines(run("pdfimages -list '" + pdf + "'").second);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream f(line);
        ListedImage image;
        std::string num, type, colour, comp, bpc, interp, object, id, yPpi, size;
        if (!(f >> image.page >> num >> type >> image.width >> image.height >> colour >> comp >> bpc >>
              image.encoding >> interp >> object >> id >> image.xPpi >> yPpi >> size) ||
            type != "image")
            continue;
        images.push_back(image);
    }
    return images;
}

}  // namespace

TEST(RenderDpi, TakesAnyResolutionFrom96To1200)
{
    const std::string dir = outputDir("dpi-range");
    for (const char* bad : {"95", "1201", "600dpi", "-300"}) {
        const auto [status, out] = render(std::string("--view waveform --dpi ") + bad + " --out '" + dir + "/p%d.png'");
        EXPECT_EQ(status, 2) << bad;
        EXPECT_NE(out.find("--dpi is a resolution from 96 to 1200"), std::string::npos) << out;
    }
    EXPECT_EQ(render("--view waveform --to 1 --dpi 300 --out '" + dir + "/p%d.png'").first, 0);
    EXPECT_EQ(filesEndingIn(dir, ".png"), 1);
    const std::string help = render("--help").second;
    EXPECT_NE(help.find("--dpi N"), std::string::npos);
    EXPECT_NE(help.find("96 to 1200"), std::string::npos);
    EXPECT_NE(help.find("without %d writes every page of the run into that"), std::string::npos);
}

TEST(RenderPdf, OnePdfHoldsEveryPageOfTheRunForEachView)
{
    if (!havePoppler())
        GTEST_SKIP() << "poppler-utils not installed (scripts/install-deps installs it)";
    struct Case {
        const char* view;
        const char* settings;  // several pages of the 4 s example
    };
    const Case cases[] = {
        {"spectrogram", "--set 'Time scale mm/s=200'"},
        {"section", "--set 'Time step ms=50' --set 'Sections/page=16'"},
        {"waveform", "--set 'Time scale mm/s=200'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.view);
        const std::string dir = outputDir(std::string("one-pdf-") + c.view);
        const std::string args = std::string("--view ") + c.view + " " + c.settings + " --dpi 300 ";
        ASSERT_EQ(render(args + "--out '" + dir + "/page-%d.png'").first, 0);
        const int pages = filesEndingIn(dir, ".png");
        ASSERT_GE(pages, 2);
        const std::string pdf = dir + "/all.pdf";
        const auto [status, out] = render(args + "--out '" + pdf + "'");
        ASSERT_EQ(status, 0) << out;
        EXPECT_EQ(filesEndingIn(dir, ".pdf"), 1);

        const std::string info = run("pdfinfo -f 1 -l 99 '" + pdf + "'").second;
        EXPECT_NE(info.find("Pages:           " + std::to_string(pages) + "\n"), std::string::npos) << info;
        // Every page A4 landscape: 842 × 595 points.
        static const std::regex pageSize(R"(Page +\d+ size: +842 x 595 pts)");
        EXPECT_EQ(std::distance(std::sregex_iterator(info.begin(), info.end(), pageSize), std::sregex_iterator()),
                  pages);
        // One 1-bit image on each page, at the page's resolution.
        const std::vector<ListedImage> images = listedImages(pdf);
        ASSERT_EQ(static_cast<int>(images.size()), pages);
        for (int i = 0; i < pages; ++i) {
            EXPECT_EQ(images[static_cast<std::size_t>(i)].page, i + 1);
            EXPECT_EQ(images[static_cast<std::size_t>(i)].encoding, "jbig2");
            EXPECT_NEAR(images[static_cast<std::size_t>(i)].xPpi, 300, 1);
        }
    }
}

TEST(RenderPdf, ASixHundredDpiSpectrogramPageIsCompact)
{
    if (!havePoppler())
        GTEST_SKIP() << "poppler-utils not installed (scripts/install-deps installs it)";
    // The example's first page: 2.6 s of speech across the whole strip.
    const std::string dir = outputDir("compact");
    ASSERT_EQ(render("--view spectrogram --dpi 600 --out '" + dir + "/page-%d.pdf'").first, 0);
    const std::vector<ListedImage> images = listedImages(dir + "/page-0.pdf");
    ASSERT_EQ(images.size(), 1u);
    EXPECT_GT(images[0].width, 6600);  // the used area, 600 dpi
    EXPECT_GT(images[0].height, 4500);
    EXPECT_LT(std::filesystem::file_size(dir + "/page-0.pdf"), 400u * 1024);
}
