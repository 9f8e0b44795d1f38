// kelvox-render drawing spectrogram pages as a user runs it: files, exit codes,
// replacement lines and the tracks CSV.
#include "label_files.h"
#include "sound_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

using namespace kelvox::test;

namespace {

struct RenderRun {
    int status = -1;
    std::string out;  // stdout
    std::string err;  // stderr
};

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs kelvox-render on the bundled example with `args` (already quoted), its two
// output streams sent to files.
RenderRun renderDemo(const std::string& args)
{
    const std::string outFile = writeTempFile("render-spectrogram-stdout.txt", {});
    const std::string errFile = writeTempFile("render-spectrogram-stderr.txt", {});
    const std::string cmd = std::string(KELVOX_RENDER) + " '" + KELVOX_EXAMPLES + "/kelvox-demo.wav' --view spectrogram " +
                            args + " >" + outFile + " 2>" + errFile;
    const int st = std::system(cmd.c_str());
    RenderRun r;
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    r.out = contents(outFile);
    r.err = contents(errFile);
    return r;
}

std::string outputDir(const std::string& name)
{
    const std::string marker = writeTempFile(name + "/.keep", {});
    return std::filesystem::path(marker).parent_path().string();
}

std::vector<std::string> filesIn(const std::string& dir, const std::string& ext)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (entry.path().extension() == ext)
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool startsWith(const std::string& path, const std::string& magic)
{
    std::ifstream in(path, std::ios::binary);
    std::string head(magic.size(), '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    return head == magic;
}

}  // namespace

TEST(RenderSpectrogram, EveryAnalysisTypeWritesPngBmpAndPdfPages)
{
    int k = 0;
    for (const std::string type : {"Fourier", "Q=34", "Cepstrum", "LinPr 17"}) {
        const std::string dir = outputDir("spectrogram-types-" + std::to_string(k++));
        for (const std::string ext : {".png", ".bmp", ".pdf"}) {
            const RenderRun r = renderDemo("--set 'Spgm Z axis=" + type + "' --out '" + dir + "/page-%d" + ext + "'");
            ASSERT_EQ(r.status, 0) << type << ext << r.err;
            EXPECT_EQ(filesIn(dir, ext), (std::vector<std::string>{"page-0" + ext, "page-1" + ext})) << type;
        }
        EXPECT_TRUE(startsWith(dir + "/page-0.png", "\x89PNG"));
        EXPECT_TRUE(startsWith(dir + "/page-1.bmp", "BM"));
        EXPECT_TRUE(startsWith(dir + "/page-0.pdf", "%PDF"));
    }
}

TEST(RenderSpectrogram, UnknownLabelsItemsAndAMissingPageNumberAreUsageErrors)
{
    const std::string dir = outputDir("spectrogram-usage");
    RenderRun r = renderDemo("--set 'Time scale=100' --out '" + dir + "/p%d.png'");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Time scale"), std::string::npos) << r.err;

    r = renderDemo("--set 'Pitch method=Autocorrelation' --out '" + dir + "/p%d.png'");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Autocorrelation"), std::string::npos) << r.err;

    // Two pages for a pattern without %d.
    r = renderDemo("--out '" + dir + "/single.png'");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("%d"), std::string::npos) << r.err;

    // One page fits a pattern without %d.
    r = renderDemo("--to 1.0 --out '" + dir + "/short.png'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(dir + "/short.png"));
}

TEST(RenderSpectrogram, ReplacedSettingsAreReportedOnStderr)
{
    const std::string dir = outputDir("spectrogram-replaced");
    const RenderRun r = renderDemo("--set 'Time scale mm/s=0' --set 'Mid pitch Hz=abc' --out '" + dir + "/p%d.png'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("kelvox-render: Time scale mm/s: \"0\" replaced by \"100\"\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("kelvox-render: Mid pitch Hz: \"abc\" replaced by \"100\"\n"), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 2);
}

TEST(RenderSpectrogram, TracksCsvHoldsOnePlausibleRowPerPair)
{
    const std::string dir = outputDir("spectrogram-tracks");
    const std::string csv = dir + "/tracks.csv";
    const RenderRun r = renderDemo("--out '" + dir + "/p%d.png' --tracks '" + csv + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    std::ifstream in(csv);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "time_s,pitch_hz,pitch_quality,pitch_drawn,low_db,high_db,total_db");
    int rows = 0;
    std::vector<double> drawnPitch;
    while (std::getline(in, line)) {
        ++rows;
        std::istringstream fields(line);
        std::string cell;
        std::vector<std::string> cells;
        while (std::getline(fields, cell, ','))
            cells.push_back(cell);
        ASSERT_EQ(cells.size(), 7u) << line;
        const int quality = std::stoi(cells[2]);
        EXPECT_TRUE(quality >= 0 && quality <= 2) << line;
        if (cells[3] == "1")
            drawnPitch.push_back(std::stod(cells[1]));
    }
    // Pairs of 80 samples over 4 s, the overlap of the two pages counted twice.
    EXPECT_GT(rows, 800);
    EXPECT_LT(rows, 1000);
    // A male voice: the strokes drawn lie around 100 Hz.
    ASSERT_GT(drawnPitch.size(), 200u);
    std::sort(drawnPitch.begin(), drawnPitch.end());
    const double median = drawnPitch[drawnPitch.size() / 2];
    EXPECT_GT(median, 85.0);
    EXPECT_LT(median, 115.0);
}

TEST(RenderSpectrogram, PrintRunsWriteTracksToo)
{
    const std::string dir = outputDir("spectrogram-tracks-print");
    const std::string csv = dir + "/tracks.csv";
    const RenderRun r = renderDemo("--dpi 192 --to 1.0 --out '" + dir + "/p%d.pdf' --tracks '" + csv + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    std::ifstream in(csv);
    std::string header, first;
    std::getline(in, header);
    std::getline(in, first);
    EXPECT_EQ(std::count(first.begin(), first.end(), ','), 6);
    EXPECT_EQ(first.rfind("0.000000,", 0), 0u) << first;
}

TEST(RenderSpectrogram, LabelsFromATextGridTierReplaceTheMixBesideTheRecording)
{
    const TempFolder dir;
    const std::string grid = std::string(KELVOX_EXAMPLES) + "/kelvox-demo.TextGrid";
    const std::string out = dir.path().string();
    // The words tier holds the .mix file's labels at the same times: the same pages.
    RenderRun r = renderDemo("--labels '" + grid + "' --out '" + out + "/words-%d.png'");
    ASSERT_EQ(r.status, 0) << r.err;
    r = renderDemo("--out '" + out + "/mix-%d.png'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(contents(out + "/words-0.png"), contents(out + "/mix-0.png"));
    EXPECT_EQ(contents(out + "/words-1.png"), contents(out + "/mix-1.png"));

    r = renderDemo("--labels '" + grid + "' --tier ipa --out '" + out + "/ipa-%d.png'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(contents(out + "/ipa-0.png"), contents(out + "/mix-0.png"));
    r = renderDemo("--labels '" + grid + "' --tier 2 --out '" + out + "/two-%d.png'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(contents(out + "/two-0.png"), contents(out + "/ipa-0.png"));
}

TEST(RenderSpectrogram, UnknownTiersAreUsageErrorsAndUnreadableLabelFilesFail)
{
    const TempFolder dir;
    const std::string grid = std::string(KELVOX_EXAMPLES) + "/kelvox-demo.TextGrid";
    const std::string out = "--out '" + dir.path().string() + "/p-%d.png'";
    RenderRun r = renderDemo("--labels '" + grid + "' --tier phones " + out);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("1 \"words\", 2 \"ipa\""), std::string::npos) << r.err;

    r = renderDemo("--tier words " + out);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--tier needs --labels"), std::string::npos) << r.err;

    r = renderDemo("--labels '" + dir.path().string() + "/missing.TextGrid' " + out);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("missing.TextGrid: "), std::string::npos) << r.err;

    r = renderDemo("--labels '" +
                   dir.write("cut.TextGrid", "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n") + "' " + out);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("line 3"), std::string::npos) << r.err;
    EXPECT_TRUE(filesIn(dir.path().string(), ".png").empty());
}
