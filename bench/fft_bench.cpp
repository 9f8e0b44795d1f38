// Speed of the complex FFT at the spectrogram's usual lengths and of the real FFT
// at the cepstral pitch method's length.

#include "fft.h"
#include "real_fft.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

std::vector<float> testSignal(int n, double cyclesPerSample)
{
    std::vector<float> x(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        x[static_cast<size_t>(i)] = static_cast<float>(std::sin(6.283185307179586 * cyclesPerSample * i) + 0.001 * i);
    return x;
}

void BM_fft842(benchmark::State& state)
{
    kelvox::AnalysisWorkspace ws;
    const int n = kelvox::fftsetup(ws, static_cast<int>(state.range(0)));
    const std::vector<float> re = testSignal(n, 0.1), im = testSignal(n, 0.23);
    // Each iteration reloads the frame (as every analysis does) and transforms it;
    // the copy is a few percent of the transform.
    for (auto _ : state) {
        std::copy(re.begin(), re.end(), ws.AnalysisRe.begin());
        std::copy(im.begin(), im.end(), ws.AnalysisIm.begin());
        benchmark::DoNotOptimize(kelvox::fft842(ws, ws.AnalysisRe.data(), ws.AnalysisIm.data(), 0));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_fft842)->Arg(256)->Arg(1024)->Arg(4096);

void BM_realfft(benchmark::State& state)
{
    kelvox::AnalysisWorkspace ws;
    const int m = static_cast<int>(state.range(0));
    kelvox::realfftsetup(ws, m);
    const std::vector<float> input = testSignal(m, 0.1);
    std::vector<float> x(input.size());
    for (auto _ : state) {
        std::copy(input.begin(), input.end(), x.begin());
        benchmark::DoNotOptimize(kelvox::realfft(ws, m, x.data()));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * m);
}
BENCHMARK(BM_realfft)->Arg(512);

}  // namespace
