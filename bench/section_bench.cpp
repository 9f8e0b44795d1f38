// Speed of the spectrum section run: sections per second for each analysis type,
// the long-time average over ten minutes of 16 kHz audio, and the whole LTAS page
// of such a recording drawn into the page image.

#include "section_run.h"
#include "sound_file.h"
#include "sound_files.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>

namespace {

using namespace kelvox;

// A vowel-like sound: harmonics of 120 Hz with a falling envelope, plus noise.
SignalState recording(int seconds)
{
    const int rate = 16000, frames = rate * seconds;
    std::vector<int> samples(static_cast<std::size_t>(frames));
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> noise(-300, 300);
    for (int i = 0; i < frames; ++i) {
        double v = 0;
        for (int h = 1; h <= 20; ++h)
            v += 4000.0 / h * std::sin(2 * M_PI * 120 * h * i / rate);
        samples[static_cast<std::size_t>(i)] = static_cast<int>(v) + noise(rng);
    }
    SignalState s;
    loadSoundBytes(test::makeWav({}, test::pcm16(samples)), "bench.wav", s, 665, 201);
    return s;
}

const SignalState& tenSeconds()
{
    static const SignalState s = recording(10);
    return s;
}

const SignalState& tenMinutes()
{
    static const SignalState s = recording(600);
    return s;
}

// Sections of one analysis type at a 10 ms step, analysis only (no drawing).
void BM_SectionAnalyse(benchmark::State& state)
{
    const SignalState& s = tenSeconds();
    AnalysisWorkspace ws;
    SectionControls c;
    c.analysis = static_cast<SectionAnalysis>(state.range(0));
    c.order = c.analysis == SectionAnalysis::HarmSum ? 5 : 16;
    setSectionBox(c, SectionBox::TimeStep, "10");
    std::vector<std::string> replacements;
    SectionSettings st = sectionSetup(c, s, {0.0f, s.fileDuration}, ws, replacements);
    SectionAnalyser a;
    a.prepare(st);
    const SectionSettings start = st;
    for (auto _ : state) {
        if (st.readPosition >= s.sampleLimit)
            st = start;
        benchmark::DoNotOptimize(a.analyse(s, ws, st, st.currentTime + 0.01));
        st.currentTime += 0.01;
        st.readPosition += st.hop;
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(itemText(c.analysis));
}
BENCHMARK(BM_SectionAnalyse)->DenseRange(0, 4);

// One long-time average of ten minutes at the default settings, analysis only.
void BM_SectionLtasTenMinutes(benchmark::State& state)
{
    const SignalState& s = tenMinutes();
    AnalysisWorkspace ws;
    for (auto _ : state) {
        SectionControls c;
        std::vector<std::string> replacements;
        SectionSettings st = sectionSetup(c, s, {0.0f, s.fileDuration}, ws, replacements);
        SectionAnalyser a;
        a.prepare(st);
        int frames = 0;
        while (st.currentTime <= st.analysisEnd && st.readPosition < s.sampleLimit) {
            const double next = st.hop / s.sampleRate + st.currentTime;
            ++frames;
            if (a.analyse(s, ws, st, next))
                break;
            st.currentTime = next;
            st.readPosition += st.hop;
        }
        state.counters["frames"] = frames;
    }
}
BENCHMARK(BM_SectionLtasTenMinutes)->Unit(benchmark::kMillisecond);

struct NoHost : PageHost {
    int pages = 0;
    void pageFinished(int, bool) override { ++pages; }
};

// The whole run of the LTAS page of ten minutes: strip, analysis and drawing.
void BM_SectionRunLtasPageTenMinutes(benchmark::State& state)
{
    if (!QGuiApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "section_bench";
        static char* argv[] = {name, nullptr};
        new QGuiApplication(argc, argv);
    }
    SignalState s = tenMinutes();
    PlotDevice plot;
    AnalysisWorkspace ws;
    std::string labelFile;
    SectionRun run(s, plot, ws, labelFile);
    for (auto _ : state) {
        SectionControls c;
        NoHost host;
        plot.plotscreen();
        run.run(c, false, host);
        benchmark::DoNotOptimize(host.pages);
    }
    state.counters["frames"] = run.settings().averageCount;
}
BENCHMARK(BM_SectionRunLtasPageTenMinutes)->Unit(benchmark::kMillisecond);

}  // namespace
