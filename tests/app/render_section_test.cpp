// kelvox-render --view section run as a user runs it: pages, --values CSV, labels,
// replaced settings on stderr.
#include "sound_files.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/wait.h>

using namespace kelvox::test;

namespace {

struct RenderRun {
    int status = -1;
    std::string err;
};

RenderRun render(const std::string& args)
{
    const std::string errFile = writeTempFile("render-section-stderr.txt", {});
    const std::string cmd = std::string(KELVOX_RENDER) + " " + args + " >/dev/null 2>" + errFile;
    RenderRun r;
    const int st = std::system(cmd.c_str());
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    std::ifstream e(errFile);
    std::stringstream text;
    text << e.rdbuf();
    r.err = text.str();
    return r;
}

struct Row {
    int section;
    double time, x, value;
};

std::vector<Row> readValues(const std::string& path, std::string& header)
{
    std::ifstream in(path);
    std::vector<Row> rows;
    std::getline(in, header);
    std::string line;
    while (std::getline(in, line)) {
        Row r{};
        if (std::sscanf(line.c_str(), "%d,%lf,%lf,%lf", &r.section, &r.time, &r.x, &r.value) == 4)
            rows.push_back(r);
    }
    return rows;
}

std::string quoted(const std::string& s) { return "'" + s + "'"; }

std::string toneFile()
{
    // 1000 Hz at 16 kHz, half a second.
    std::vector<int> tone(8000);
    for (std::size_t i = 0; i < tone.size(); ++i)
        tone[i] = static_cast<int>(std::lround(9000 * std::sin(2 * M_PI * 1000 * static_cast<double>(i) / 16000)));
    return writeTempFile("section tone.wav", makeWav({}, pcm16(tone)));
}

}  // namespace

TEST(RenderSection, ToneValuesPeakAtTheTonesFrequency)
{
    const std::string csv = writeTempFile("section-values.csv", {});
    const std::string out = writeTempFile("section-page-%d.png", {});
    const RenderRun r = render(quoted(toneFile()) + " --view section --out " + quoted(out) + " --values " +
                               quoted(csv) + " --set 'Time step ms=100' --set 'Sections/page=4'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::string header;
    const std::vector<Row> rows = readValues(csv, header);
    EXPECT_EQ(header, "section,time_s,x,value");
    // Sections at 0, 0.1, … 0.4 s; 256 bins each (0 … 7968.75 Hz).
    std::map<int, Row> peaks;
    std::map<int, int> bins;
    for (const Row& row : rows) {
        ++bins[row.section];
        if (!peaks.count(row.section) || row.value > peaks[row.section].value)
            peaks[row.section] = row;
    }
    ASSERT_EQ(peaks.size(), 5u);
    for (const auto& [section, peak] : peaks) {
        EXPECT_NEAR(peak.x, 1000.0, 31.25 / 2) << section;
        EXPECT_NEAR(peak.time, 0.1 * section, 1e-6);
        EXPECT_EQ(bins[section], 256);
        // A 9000 amplitude tone under the Hamming window, gain −10, on the readout scale.
        const double expected = 10 * std::log10(4 * std::pow(9000 * 0.54 * 320 / 2, 2) / 320) - 30 - 60;
        EXPECT_NEAR(peak.value, expected, 0.1) << section;
    }
    // Five sections at four per page: two page files.
    const std::string dir = std::filesystem::path(out).parent_path().string();
    EXPECT_GT(std::filesystem::file_size(dir + "/section-page-0.png"), 0u);
    EXPECT_GT(std::filesystem::file_size(dir + "/section-page-1.png"), 0u);
    EXPECT_FALSE(std::filesystem::exists(dir + "/section-page-2.png"));
}

TEST(RenderSection, CepstrumValuesAreOverLagSeconds)
{
    const std::string csv = writeTempFile("section-cepstrum.csv", {});
    const std::string out = writeTempFile("section-cepstrum-%d.png", {});
    const RenderRun r = render(quoted(toneFile()) + " --view section --out " + quoted(out) + " --values " +
                               quoted(csv) + " --set 'Time step ms=100' --set 'Analysis=Cepstrum' --to 0.1");
    ASSERT_EQ(r.status, 0) << r.err;
    std::string header;
    const std::vector<Row> rows = readValues(csv, header);
    ASSERT_EQ(rows.size(), 161u);  // one section, lags 0 … 160 samples
    EXPECT_DOUBLE_EQ(rows[1].x, 1.0 / 16000);
    double top = -1e9;
    for (const Row& row : rows)
        top = std::max(top, row.value);
    EXPECT_NEAR(top, 0.0, 1e-3);  // the largest value sits on the top line, read as 0
}

TEST(RenderSection, ReplacedSettingsAreReportedAndUnknownOnesRefused)
{
    const std::string out = writeTempFile("section-hostile-%d.png", {});
    RenderRun r = render(quoted(toneFile()) + " --view section --out " + quoted(out) +
                         " --set 'Sections/page=0' --set 'Level range displayed=abc' --set 'Time step ms=-50'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("kelvox-render: Sections/page: \"0\" replaced by \"1\""), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Level range displayed: \"abc\" replaced by \"60\""), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Time step ms: \"-50\" replaced by \"50\""), std::string::npos) << r.err;

    r = render(quoted(toneFile()) + " --view section --out " + quoted(out) + " --set 'Analysis=Spectrum'");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Spectrum"), std::string::npos) << r.err;
    r = render(quoted(toneFile()) + " --view section --out " + quoted(out) + " --tracks x.csv");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--tracks"), std::string::npos) << r.err;
}
