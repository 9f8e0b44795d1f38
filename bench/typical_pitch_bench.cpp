// Speed of the typical-pitch estimate that precedes the pages: an interval of the
// given length in seconds at 16 and 44.1 kHz. Up to about 10 s every 10 ms is
// examined; longer intervals cost the same as 10 s (1000 frames).

#include "typical_pitch.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// A 140 Hz pulse train through a 700 Hz resonator, voiced half of every 0.4 s.
std::vector<int16_t> voice(double seconds, double rateHz)
{
    const size_t n = static_cast<size_t>(seconds * rateHz);
    std::vector<int16_t> x(n);
    const double r = std::exp(-3.141592653589793 * 100.0 / rateHz);
    const double b1 = 2.0 * r * std::cos(2.0 * 3.141592653589793 * 700.0 / rateHz), b2 = -r * r;
    double phase = 0.0, y1 = 0.0, y2 = 0.0;
    for (size_t i = 0; i < n; ++i) {
        phase += 140.0 / rateHz;
        const bool voiced = std::fmod(static_cast<double>(i) / rateHz, 0.4) < 0.2;
        const double pulse = phase >= 1.0 && voiced ? 3000.0 : 0.0;
        if (phase >= 1.0)
            phase -= 1.0;
        const double y = pulse + b1 * y1 + b2 * y2;
        y2 = y1;
        y1 = y;
        x[i] = static_cast<int16_t>(std::lround(std::fmax(-32768.0, std::fmin(32767.0, y))));
    }
    return x;
}

void BM_estimateTypicalPitch(benchmark::State& state)
{
    const double seconds = static_cast<double>(state.range(0));
    const double rateHz = static_cast<double>(state.range(1));
    const std::vector<int16_t> x = voice(seconds, rateHz);
    for (auto _ : state)
        benchmark::DoNotOptimize(kelvox::estimateTypicalPitch(x, rateHz));
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(x.size()));
}
BENCHMARK(BM_estimateTypicalPitch)
    ->Args({2, 16000})
    ->Args({10, 16000})
    ->Args({600, 16000})
    ->Args({10, 44100})
    ->Args({600, 44100})
    ->Unit(benchmark::kMillisecond);

}  // namespace
