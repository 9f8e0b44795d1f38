// Soak: every page of a three-minute recording in each view, through the runs as
// kelvox-render drives them, and the process's resident memory read after each
// page. Once the first pages have warmed the caches, memory must not grow from
// page to page: at most kGrowthBound bytes between page 10 and the last page.
#include "analysis_workspace.h"
#include "page_layout.h"
#include "page_run.h"
#include "plot_device.h"
#include "section_run.h"
#include "signal_state.h"
#include "sound_file.h"
#include "sound_files.h"
#include "spectrogram_run.h"
#include "spectrogram_state.h"
#include "waveform_run.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

using namespace kelvox;
using namespace kelvox::test;

namespace {

constexpr long kGrowthBound = 4L << 20;  // 4 MiB
constexpr int kWarmPages = 10;

// Under AddressSanitizer freed blocks wait in its quarantine (up to 256 MiB), so
// resident memory grows whatever the program does; LeakSanitizer checks that build
// for leaks instead.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
constexpr bool kAddressSanitizer = __has_feature(address_sanitizer);
#else
constexpr bool kAddressSanitizer = false;
#endif

long residentBytes()
{
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * ::sysconf(_SC_PAGESIZE);
}

struct MemoryHost : PageHost {
    std::vector<long> resident;
    void pageFinished(int, bool) override { resident.push_back(residentBytes()); }
};

struct Soak : ::testing::Test {
    SignalState signal;
    PageLayout layout = builtInLayout();
    PlotDevice plot;
    AnalysisWorkspace analysis;
    SpectrogramState spectrogram;
    std::string labelFile;
    LabelChoice labelChoice;

    void SetUp() override
    {
        // Three minutes at 8 kHz: a sweep with bursts, so every analysis has work.
        std::vector<int> samples(8000 * 180);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const double t = static_cast<double>(i) / 8000.0;
            const double burst = (static_cast<int>(t * 3) % 2) ? 1.0 : 0.2;
            samples[i] = static_cast<int>(9000 * burst * std::sin(2 * 3.14159265 * (150 + 20 * std::sin(t)) * t));
        }
        ASSERT_TRUE(loadSoundBytes(makeWav({.rateHz = 8000}, pcm16(samples)), "/tmp/soak.wav", signal, 665, 201).ok);
    }

    void expectFlat(LabelledRun& run, const char* what)
    {
        MemoryHost host;
        run.run(96, host);
        ASSERT_GT(host.resident.size(), static_cast<std::size_t>(kWarmPages + 10)) << what;
        const long growth = host.resident.back() - host.resident[kWarmPages];
        EXPECT_LT(growth, kGrowthBound) << what << ": " << host.resident.size() << " pages, grew " << growth
                                        << " bytes after page " << kWarmPages;
    }
};

}  // namespace

TEST_F(Soak, MemoryStaysFlatOverEveryPageOfEachView)
{
    if (kAddressSanitizer)
        GTEST_SKIP() << "resident memory means nothing under AddressSanitizer";
    auto spectrogramRun =
        makeSpectrogramLabelledRun(signal, layout, plot, analysis, spectrogram, labelFile, labelChoice);
    expectFlat(*spectrogramRun, "spectrogram");

    auto sectionRun = makeSectionLabelledRun(signal, plot, analysis, labelFile);
    std::string error;
    ASSERT_TRUE(sectionRun->set("Time step ms", "100", error));
    ASSERT_TRUE(sectionRun->set("Sections/page", "16", error));
    expectFlat(*sectionRun, "section");

    auto waveformRun = makeWaveformLabelledRun(signal, plot);
    ASSERT_TRUE(waveformRun->set("Time scale mm/s", "200", error));
    expectFlat(*waveformRun, "waveform");
}
