// Waveform pages: one full screen page of a CD-rate stereo recording at the
// default 100 mm/s (about 117 frames per column and channel), and one print page
// at 2000 mm/s, where columns hold one frame or none.
#include "sound_file.h"
#include "sound_files.h"
#include "waveform_run.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

using namespace kelvox;

namespace {

// The plot device needs fonts, hence a GUI application; one for the whole
// benchmark program, made on first use.
PlotDevice& pageDevice()
{
    static PlotDevice* device = [] {
        if (!QGuiApplication::instance()) {
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
            static int argc = 1;
            static char name[] = "kelvox_bench";
            static char* argv[] = {name, nullptr};
            new QGuiApplication(argc, argv);  // lives until the program ends
        }
        return new PlotDevice;
    }();
    return *device;
}

SignalState& stereoRecording()
{
    static const std::unique_ptr<SignalState> state = [] {
        constexpr int kRate = 44100, kFrames = kRate * 3;
        std::vector<int> frames;
        for (int f = 0; f < kFrames; ++f) {
            frames.push_back(static_cast<int>(20000 * std::sin(f * 0.031) * std::sin(f * 2e-5)));
            frames.push_back(static_cast<int>(9000 * std::sin(f * 0.2)));
        }
        auto s = std::make_unique<SignalState>();
        loadSoundBytes(test::makeWav({.channels = 2, .rateHz = kRate}, test::pcm16(frames)), "bench.wav", *s, 665,
                       201);
        s->selectionStart = 0.0f;
        s->selectionEnd = 2.5f;  // one page at 100 mm/s
        return s;
    }();
    return *state;
}

struct OnePage : PageHost {
    void pageFinished(int, bool) override {}
    bool stopRequested() const override { return false; }
};

void runPage(benchmark::State& st, bool print, const char* timeScale)
{
    PlotDevice& plot = pageDevice();
    SignalState& s = stereoRecording();
    WaveformRun run(s, plot);
    WaveformSettings settings;
    std::string error;
    applyWaveformSetting(settings, "Time scale mm/s", timeScale, error);
    OnePage host;
    for (auto _ : st) {
        print ? plot.plotprinter() : plot.plotscreen();
        WaveformSettings copy = settings;
        benchmark::DoNotOptimize(run.run(copy, print, host));
    }
}

void BM_WaveformScreenPage(benchmark::State& st) { runPage(st, false, "100"); }
BENCHMARK(BM_WaveformScreenPage)->Unit(benchmark::kMillisecond);

void BM_WaveformPrintPageAt2000(benchmark::State& st)
{
    stereoRecording().selectionEnd = 0.125f;  // one line at 2000 mm/s
    runPage(st, true, "2000");
    stereoRecording().selectionEnd = 2.5f;
}
BENCHMARK(BM_WaveformPrintPageAt2000)->Unit(benchmark::kMillisecond);

}  // namespace
