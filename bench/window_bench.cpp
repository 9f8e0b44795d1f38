// The section window's long-time average of a one-hour (and a ten-minute)
// recording, previewed through the real forms (TForm4 "Preview" drawing into the
// plot window), against the same page drawn headless as kelvox-render draws it.
// A program of its own: it needs a QApplication with widgets. Run it offscreen (the default) or on a real
// display (QT_QPA_PLATFORM=xcb under xvfb-run) to include the window's repaints.

#include "page_run.h"
#include "plot_window.h"
#include "section_run.h"
#include "section_window.h"
#include "sound_file.h"
#include "sound_files.h"

#include <QApplication>
#include <QPushButton>

#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <memory>
#include <random>

namespace {

using namespace kelvox;

constexpr int kRate = 16000;

// `minutes` of a vowel-like sound: one second of harmonics of 125 Hz with noise,
// repeated (the long-time average does the same work on any signal).
const SignalState& recording(int minutes)
{
    static std::map<int, std::unique_ptr<SignalState>> made;
    std::unique_ptr<SignalState>& state = made[minutes];
    if (state)
        return *state;
    std::vector<int> second(kRate);
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> noise(-300, 300);
    for (int i = 0; i < kRate; ++i) {
        double v = 0;
        for (int h = 1; h <= 20; ++h)
            v += 4000.0 / h * std::sin(2 * M_PI * 125 * h * i / kRate);
        second[static_cast<std::size_t>(i)] = static_cast<int>(v) + noise(rng);
    }
    std::vector<int> samples;
    samples.reserve(static_cast<std::size_t>(kRate * 60 * minutes));
    for (int s = 0; s < 60 * minutes; ++s)
        samples.insert(samples.end(), second.begin(), second.end());
    state = std::make_unique<SignalState>();
    loadSoundBytes(test::makeWav({}, test::pcm16(samples)), "long.wav", *state, 665, 201);
    return *state;
}

struct CountingHost : PageHost {
    int pages = 0;
    void pageFinished(int, bool) override { ++pages; }
};

// The page as kelvox-render draws it: the labelled run at 96 dpi, no window.
void BM_SectionLtasHeadless(benchmark::State& state)
{
    SignalState s = recording(static_cast<int>(state.range(0)));
    PlotDevice plot;
    AnalysisWorkspace ws;
    std::string labelFile;
    const std::unique_ptr<LabelledRun> run = makeSectionLabelledRun(s, plot, ws, labelFile);
    for (auto _ : state) {
        CountingHost host;
        run->run(96, host);
        benchmark::DoNotOptimize(host.pages);
    }
}
BENCHMARK(BM_SectionLtasHeadless)->Arg(60)->Arg(10)->Unit(benchmark::kSecond)->Iterations(3);

// The same page through the section window's "Preview", shown in the plot window.
void BM_SectionLtasPreviewWindow(benchmark::State& state)
{
    SignalState s = recording(static_cast<int>(state.range(0)));
    PlotDevice plot;
    AnalysisWorkspace ws;
    std::string labelFile;
    RunCoordinator runs;
    SectionRun run(s, plot, ws, labelFile);
    TForm4 form(s, run, runs, plot);
    Tnylxform plotWindow(plot);
    form.showPlotWindow = [&] { plotWindow.openClearOf(form.buttonArea(), Tnylxform::decorations(form)); };
    form.show();
    auto* preview = form.findChild<QPushButton*>(QStringLiteral("Button1"));
    for (auto _ : state) {
        preview->click();
        QCoreApplication::processEvents();  // the last repaint
    }
    state.counters["sections"] = run.settings().averageCount;
}
BENCHMARK(BM_SectionLtasPreviewWindow)->Arg(60)->Arg(10)->Unit(benchmark::kSecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::benchmark::Initialize(&argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    return 0;
}
