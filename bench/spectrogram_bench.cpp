// Spectrogram pages of a 10-minute 16 kHz speech recording (the bundled example
// repeated), each analysis type at screen (96 dpi) and print (192 dpi) resolution:
// page drawing only, no image encoding. Reports pages per second.
#include "analysis_workspace.h"
#include "column_pair.h"
#include "page_layout.h"
#include "plot_device.h"
#include "sound_file.h"
#include "spectrogram_run.h"
#include "spectrogram_state.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>

using namespace kelvox;

namespace {

// Fonts need an application object; the benchmarks draw without a screen.
void ensureGuiApplication()
{
    static std::unique_ptr<QGuiApplication> app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "kelvox_bench";
        static char* argv[] = {name, nullptr};
        return std::make_unique<QGuiApplication>(argc, argv);
    }();
}

const SignalState& tenMinutesOfSpeech()
{
    static const std::unique_ptr<SignalState> state = [] {
        const auto example = std::filesystem::path(__FILE__).parent_path().parent_path() / "examples" / "kelvox-demo.wav";
        std::ifstream in(example, std::ios::binary);
        const std::vector<uint8_t> demo((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (demo.size() <= 44)
            throw std::runtime_error("cannot read " + example.string());
        // The example's 44-byte header, then its samples over and over for 600 s.
        std::vector<uint8_t> bytes(demo.begin(), demo.begin() + 44);
        const size_t wanted = 600 * 16000 * 2;
        while (bytes.size() < 44 + wanted)
            bytes.insert(bytes.end(), demo.begin() + 44, demo.end());
        bytes.resize(44 + wanted);
        const uint32_t dataBytes = static_cast<uint32_t>(wanted);
        for (int i = 0; i < 4; ++i) {
            bytes[static_cast<size_t>(40 + i)] = static_cast<uint8_t>(dataBytes >> (8 * i));
            bytes[static_cast<size_t>(4 + i)] = static_cast<uint8_t>((dataBytes + 36) >> (8 * i));
        }
        auto s = std::make_unique<SignalState>();
        if (!loadSoundBytes(std::move(bytes), "ten-minutes.wav", *s, 665, 201).ok)
            throw std::runtime_error("cannot load the ten-minute recording");
        return s;
    }();
    return *state;
}

// The owners one spectrogram run works on, over the ten-minute recording.
struct RunOwners {
    SignalState signal = tenMinutesOfSpeech();
    const PageLayout layout = builtInLayout();
    PlotDevice plot;
    AnalysisWorkspace ws;
    SpectrogramState st;
    const std::string labels;
    const LabelChoice choice;
    SpectrogramRun run{signal, layout, plot, ws, st, labels, choice};
};

struct CountingHost : PageHost {
    int pages = 0;
    void pageFinished(int, bool) override { ++pages; }
};

void BM_SpectrogramPages(benchmark::State& state)
{
    ensureGuiApplication();
    const auto type = static_cast<AnalysisType>(state.range(0));
    const bool printing = state.range(1) == 192;
    RunOwners o;
    PlotDevice& plot = o.plot;
    SpectrogramRun& run = o.run;
    int pages = 0;
    for (auto _ : state) {
        SpectrogramSettings settings;
        settings.analysis = type;
        CountingHost host;
        if (printing)
            plot.plotprinter();
        else
            plot.plotscreen();
        run.run(settings, printing, host);
        pages += host.pages;
    }
    state.counters["pages"] = pages / static_cast<double>(state.iterations());
    state.counters["pages/s"] = benchmark::Counter(pages, benchmark::Counter::kIsRate);
    state.SetLabel(analysisTypeText(type) + (printing ? " 192 dpi" : " 96 dpi"));
}
BENCHMARK(BM_SpectrogramPages)
    ->ArgsProduct({{0, 1, 2, 3}, {96, 192}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// One column pair of each analysis type: analysepair's two frames, their
// transform and the two columns drawn by the column renderer, on a voiced stretch
// of the recording after the run's own set-up.
void BM_ColumnPair(benchmark::State& state)
{
    ensureGuiApplication();
    const auto type = static_cast<AnalysisType>(state.range(0));
    RunOwners o;
    o.signal.selectionStart = 0.8f;
    o.signal.selectionEnd = 1.2f;
    SpectrogramState& st = o.st;
    SpectrogramSettings settings;
    settings.analysis = type;
    o.plot.plotscreen();
    if (!o.run.prepare(settings, false))
        state.SkipWithError("no recording");
    const SpectrogramParameters& p = o.run.parameters();
    PageCursor cursor = st.cursor;
    cursor.pairX0 = 100;
    cursor.pairX1 = 102;
    for (auto _ : state)
        analysepair(p, st.buffer, cursor, st.levelTrack.midLevel, st.levelTrack.endLevel, o.ws, st.renderer, o.plot);
    state.SetLabel(analysisTypeText(type));
}
BENCHMARK(BM_ColumnPair)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

}  // namespace
