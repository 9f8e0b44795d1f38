// The main view of a 1-hour 48 kHz stereo recording: computing what one paint draws
// (envelope and grid), shown whole and zoomed in to one frame per column.
#include "main_view.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

using namespace kelvox;

namespace {

SignalState& hourLongStereo()
{
    static const std::unique_ptr<SignalState> state = [] {
        auto s = std::make_unique<SignalState>();
        constexpr int64_t kRate = 48000, kFrames = kRate * 3600;
        s->fileBytes.resize(static_cast<std::size_t>(44 + kFrames * 4));
        for (int64_t f = 0; f < kFrames; ++f) {
            const auto v = static_cast<int16_t>(20000 * std::sin(f * 0.01) * std::sin(f * 1e-6));
            const std::size_t b = static_cast<std::size_t>(44 + f * 4);
            s->fileBytes[b] = s->fileBytes[b + 2] = static_cast<uint8_t>(v & 0xFF);
            s->fileBytes[b + 1] = s->fileBytes[b + 3] = static_cast<uint8_t>((v >> 8) & 0xFF);
        }
        s->fileSize = static_cast<int32_t>(s->fileBytes.size());
        s->fileOpened = true;
        s->dataOffset = 22;
        s->channelCount = 2;
        s->sampleCount = static_cast<int32_t>(kFrames * 2);
        s->sampleRateHz = kRate;
        s->sampleRate = kRate;
        s->fileDuration = s->displayEnd = s->selectionEnd = 3600.0f;
        s->maxSamplesPerPixel = s->samplesPerPixel = static_cast<float>(kFrames) / 665.0f;
        refreshParameters(*s, 201);
        return s;
    }();
    return *state;
}

void BM_MainViewFirstPaintWhole(benchmark::State& st)
{
    SignalState& s = hourLongStereo();
    for (auto _ : st) {
        MainView v(s);
        v.afterLoad();  // a fresh view builds its min/max summary on the first paint
        benchmark::DoNotOptimize(v.envelope());
    }
}
BENCHMARK(BM_MainViewFirstPaintWhole)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_MainViewPaintWhole(benchmark::State& st)
{
    SignalState& s = hourLongStereo();
    MainView v(s);
    v.afterLoad();
    v.envelope();
    for (auto _ : st) {
        benchmark::DoNotOptimize(v.envelope());
        benchmark::DoNotOptimize(v.grid());
    }
}
BENCHMARK(BM_MainViewPaintWhole)->Unit(benchmark::kMicrosecond);

void BM_MainViewPaintZoomedIn(benchmark::State& st)
{
    SignalState& s = hourLongStereo();
    MainView v(s);
    v.afterLoad();
    v.envelope();
    while (v.zoomInEnabled())
        v.zoomIn();
    v.setTimeScrollPosition(5000);
    for (auto _ : st) {
        benchmark::DoNotOptimize(v.envelope());
        benchmark::DoNotOptimize(v.grid());
    }
    s.samplesPerPixel = s.maxSamplesPerPixel;
    s.displayStart = 0.0f;
    s.displayEnd = 3600.0f;
}
BENCHMARK(BM_MainViewPaintZoomedIn)->Unit(benchmark::kMicrosecond);

}  // namespace
