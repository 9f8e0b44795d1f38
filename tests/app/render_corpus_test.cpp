// kelvox-render with several recordings in one call: each recording's pages are
// the pages of a call of its own, with its own labels; a recording that fails is
// reported and the others are drawn; the names its files take.
#include "render_corpus.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <vector>

using namespace kelvox;
using namespace kelvox::test;

namespace {

struct CorpusRun {
    int status = -1;
    std::string err;
};

std::string fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs kelvox-render with `args` (already quoted), stderr kept in `folder`.
CorpusRun renderCorpus(const TempFolder& folder, const std::string& args)
{
    const std::string errFile = (folder.path() / "stderr.txt").string();
    const std::string cmd = std::string(KELVOX_RENDER) + " " + args + " >/dev/null 2>'" + errFile + "'";
    const int st = std::system(cmd.c_str());
    CorpusRun r;
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    r.err = fileBytes(errFile);
    std::filesystem::remove(errFile);
    return r;
}

std::string q(const std::string& s) { return "'" + s + "'"; }

// The page files `stem`0.png, `stem`1.png, … in order.
std::vector<std::string> pagesOf(const std::string& stem)
{
    std::vector<std::string> pages;
    for (int i = 0; std::filesystem::exists(stem + std::to_string(i) + ".png"); ++i)
        pages.push_back(fileBytes(stem + std::to_string(i) + ".png"));
    return pages;
}

// Three recordings in one folder: the bundled example with its labels, the same
// sound with other labels, and the first two seconds of it without any.
struct Corpus {
    TempFolder folder{"render-corpus"};
    std::string demo, relabelled, plain;

    Corpus()
    {
        const std::string wav = fileBytes(std::string(KELVOX_EXAMPLES) + "/kelvox-demo.wav");
        demo = folder.write("demo.wav", wav);
        folder.write("demo.mix", fileBytes(std::string(KELVOX_EXAMPLES) + "/kelvox-demo.mix"));
        relabelled = folder.write("other.wav", wav);
        folder.write("other.mix", "FR 0.5 first\nFR 2.5 second\n");
        // A 16 kHz mono 16-bit WAV keeps its 44-byte header; 2 s are 64 000 bytes.
        std::string shortWav = wav.substr(0, 44 + 64000);
        const uint32_t dataBytes = 64000, riffBytes = 36 + dataBytes;
        for (int i = 0; i < 4; ++i) {
            shortWav[static_cast<std::size_t>(4 + i)] = static_cast<char>((riffBytes >> (8 * i)) & 0xff);
            shortWav[static_cast<std::size_t>(40 + i)] = static_cast<char>((dataBytes >> (8 * i)) & 0xff);
        }
        plain = folder.write("plain.wav", shortWav);
    }
    std::string out(const std::string& name) const { return (folder.path() / name).string(); }
};

}  // namespace

TEST(RecordingNames, NameAndFolderOfAPath)
{
    EXPECT_EQ(recordingName("/data/take1.wav"), "take1");
    EXPECT_EQ(recordingName("take.1.wav"), "take.1");
    EXPECT_EQ(recordingName("take1"), "take1");
    EXPECT_EQ(recordingName("dir.v2/take1"), "take1");
    EXPECT_EQ(recordingName(".hidden"), ".hidden");
    EXPECT_EQ(recordingFolder("/data/take1.wav"), "/data");
    EXPECT_EQ(recordingFolder("take1.wav"), ".");
    EXPECT_EQ(recordingFolder("/take1.wav"), "/");
    EXPECT_EQ(forRecording("out/{name}-%d.png", "/data/a.wav"), "out/a-%d.png");
    EXPECT_EQ(forRecording("{dir}/{name}.TextGrid", "/data/a.b.wav"), "/data/a.b.TextGrid");
    EXPECT_EQ(forRecording("{name}{name}", "x/y.wav"), "yy");
    EXPECT_EQ(forRecording("fixed.png", "x/y.wav"), "fixed.png");
}

TEST(RenderCorpus, EachRecordingGetsThePagesOfItsOwnCall)
{
    const Corpus c;
    for (const std::string& file : {c.demo, c.relabelled, c.plain}) {
        const CorpusRun alone = renderCorpus(
            c.folder, q(file) + " --view spectrogram --out " + q(c.out("alone-" + recordingName(file) + "-%d.png")));
        ASSERT_EQ(alone.status, 0) << alone.err;
    }
    for (const char* jobs : {"", " --jobs 1", " --jobs 2", " --jobs 5"}) {
        SCOPED_TRACE(jobs);
        const CorpusRun all =
            renderCorpus(c.folder, q(c.demo) + " " + q(c.relabelled) + " " + q(c.plain) + " --view spectrogram --out " +
                                       q(c.out("all-{name}-%d.png")) + jobs);
        ASSERT_EQ(all.status, 0) << all.err;
        EXPECT_EQ(all.err, "");
        for (const char* name : {"demo", "other", "plain"}) {
            const std::vector<std::string> alone = pagesOf(c.out(std::string("alone-") + name + "-"));
            ASSERT_FALSE(alone.empty()) << name;
            EXPECT_EQ(pagesOf(c.out(std::string("all-") + name + "-")), alone) << name;
        }
    }
    // The labels differ, so the pages do: each recording was marked with its own.
    EXPECT_NE(pagesOf(c.out("all-demo-")), pagesOf(c.out("all-other-")));
}

TEST(RenderCorpus, LabelFilesNamedForEachRecording)
{
    const Corpus c;
    c.folder.write("demo.txt", "0.3\t0.6\tone\n");
    c.folder.write("other.txt", "1.0\t1.5\ttwo\n");
    const std::string labels = q((c.folder.path() / "{name}.txt").string());
    const CorpusRun all = renderCorpus(c.folder, q(c.demo) + " " + q(c.relabelled) + " --view spectrogram --labels " +
                                                     labels + " --jobs 2 --out " + q(c.out("l-{name}-%d.png")));
    ASSERT_EQ(all.status, 0) << all.err;
    for (const char* name : {"demo", "other"}) {
        const std::string file = c.out(std::string(name) + ".wav");
        const CorpusRun alone =
            renderCorpus(c.folder, q(file) + " --view spectrogram --labels " + q(c.out(std::string(name) + ".txt")) +
                                       " --out " + q(c.out(std::string("one-") + name + "-%d.png")));
        ASSERT_EQ(alone.status, 0) << alone.err;
        EXPECT_EQ(pagesOf(c.out(std::string("l-") + name + "-")), pagesOf(c.out(std::string("one-") + name + "-")));
    }
    // A recording whose label file is missing fails alone.
    const CorpusRun missing = renderCorpus(c.folder, q(c.demo) + " " + q(c.plain) + " --view spectrogram --labels " +
                                                         labels + " --out " + q(c.out("m-{name}-%d.png")));
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("kelvox-render: " + c.plain + ": "), std::string::npos) << missing.err;
    EXPECT_EQ(missing.err.find(c.demo), std::string::npos) << missing.err;
    EXPECT_FALSE(pagesOf(c.out("m-demo-")).empty());
    EXPECT_TRUE(pagesOf(c.out("m-plain-")).empty());
}

TEST(RenderCorpus, AFailingRecordingIsReportedAndTheOthersAreDrawn)
{
    const Corpus c;
    const std::string broken = c.folder.write("broken.wav", std::string(12, '\0'));
    const std::string missing = c.out("missing.wav");
    const CorpusRun r = renderCorpus(c.folder, q(c.demo) + " " + q(broken) + " " + q(missing) + " " + q(c.plain) +
                                                   " --view waveform --jobs 2 --out " + q(c.out("w-{name}-%d.png")));
    EXPECT_EQ(r.status, 1);
    // Reported in the order the recordings were given, each with its name.
    const std::size_t brokenAt = r.err.find("Can't Open File: " + broken + ": ");
    const std::size_t missingAt = r.err.find("Can't Open File: " + missing + ": ");
    ASSERT_NE(brokenAt, std::string::npos) << r.err;
    ASSERT_NE(missingAt, std::string::npos) << r.err;
    EXPECT_LT(brokenAt, missingAt);
    EXPECT_FALSE(pagesOf(c.out("w-demo-")).empty());
    EXPECT_FALSE(pagesOf(c.out("w-plain-")).empty());
    EXPECT_TRUE(pagesOf(c.out("w-broken-")).empty());

    // A setting a recording cannot take is that recording's failure, with its name.
    const CorpusRun channel = renderCorpus(
        c.folder, q(c.demo) + " " + q(c.plain) + " --view waveform --channel 1 --out " + q(c.out("c-{name}-%d.png")));
    EXPECT_EQ(channel.status, 1);
    EXPECT_NE(channel.err.find("kelvox-render: " + c.demo + ": --channel 1"), std::string::npos) << channel.err;
}

TEST(RenderCorpus, UsageErrorsOfSeveralRecordings)
{
    const Corpus c;
    const std::string two = q(c.demo) + " " + q(c.plain) + " --view waveform ";
    // Every recording writes files of its own.
    CorpusRun r = renderCorpus(c.folder, two + "--out " + q(c.out("p-%d.png")));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("{name}"), std::string::npos) << r.err;
    r = renderCorpus(c.folder, two + "--out " + q(c.out("{name}-%d.png")) + " --values " + q(c.out("v.csv")));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--values"), std::string::npos) << r.err;
    // Two recordings of the same name in different folders need {dir}.
    const std::string twin = c.folder.write("sub/demo.wav", fileBytes(c.demo));
    r = renderCorpus(c.folder, q(c.demo) + " " + q(twin) + " --view waveform --out " + q(c.out("{name}-%d.png")));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("{dir}"), std::string::npos) << r.err;
    for (const char* jobs : {"0", "-1", "two", ""}) {
        r = renderCorpus(c.folder, two + "--out " + q(c.out("{name}-%d.png")) + " --jobs " + jobs);
        EXPECT_EQ(r.status, 2) << jobs;
    }
    EXPECT_FALSE(std::filesystem::exists(c.out("demo-0.png")));
}

TEST(RenderCorpus, InfoOfSeveralRecordingsNamesEach)
{
    const Corpus c;
    const std::string outFile = c.out("info.txt");
    const std::string cmd = std::string(KELVOX_RENDER) + " " + q(c.demo) + " " + q(c.plain) + " --info >" + q(outFile);
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(fileBytes(outFile), c.demo + ": 4.010 s @ 16.000 kHz, 16b, 1 ch, max 0.71\n" + c.plain +
                                      ": 2.000 s @ 16.000 kHz, 16b, 1 ch, max 0.71\n");
}
