#include "real_fft.h"

#include "fft_tables.h"

#include <new>
#include <utility>

namespace kelvox {

namespace {
constexpr int kMaxRealFftStages = 24;
}  // namespace

int realfftsetup(AnalysisWorkspace& ws, int M)
{
    int stages = 0;
    while (stages <= kMaxRealFftStages && (1 << stages) < M)
        ++stages;
    if (M < 2 || stages > kMaxRealFftStages || (1 << stages) != M)
        return 1;
    try {
        std::vector<float> cosTable, sinTable;
        detail::buildTwiddleTables(M, cosTable, sinTable);
        ws.realFftCos = std::move(cosTable);
        ws.realFftSin = std::move(sinTable);
    } catch (const std::bad_alloc&) {
        ws.realFftCos.clear();
        ws.realFftSin.clear();
        ws.realFftSize = 0;
        ws.realFftStages = 0;
        return 2;
    }
    ws.realFftSize = M;
    ws.realFftStages = stages;
    return 0;
}

int realfft(const AnalysisWorkspace& ws, int M, float* x)
{
    if (ws.realFftStages == 0 || M != ws.realFftSize
        || ws.realFftCos.size() != static_cast<size_t>(M))
        return 1;

    detail::bitReversalPairs(M, [x](int i, int j) { std::swap(x[i], x[j]); });
    // Length-2 butterflies.
    for (int i = 0; i < M; i += 2) {
        const float t = x[i];
        x[i] = t + x[i + 1];
        x[i + 1] = t - x[i + 1];
    }
    // Split-radix style real-input stages (Sorensen et al.): each group of 4b values
    // holds two real half-length spectra, packed as [Re 0 … b, Im b−1 … 1], and is
    // combined into one spectrum of length 4b packed the same way.
    for (int stage = 2; stage <= ws.realFftStages; ++stage) {
        const int b = 1 << (stage - 2);
        const int half = 2 * b;
        const int group = 4 * b;
        const int tableStep = M / group;
        for (int g = 0; g < M; g += group) {
            const float t = x[g];
            x[g] = t + x[g + half];
            x[g + half] = t - x[g + half];
            x[g + half + b] = -x[g + half + b];
            for (int a = 1; a < b; ++a) {
                const int i1 = g + a;
                const int i2 = g + half - a;
                const int i3 = g + half + a;
                const int i4 = g + group - a;
                const float c = ws.realFftCos[static_cast<size_t>(a * tableStep)];
                const float s = ws.realFftSin[static_cast<size_t>(a * tableStep)];
                const float t1 = x[i3] * c + x[i4] * s;
                const float t2 = x[i3] * s - x[i4] * c;
                x[i4] = x[i2] - t2;
                x[i3] = -x[i2] - t2;
                x[i2] = x[i1] - t1;
                x[i1] = x[i1] + t1;
            }
        }
    }
    return 0;
}

}  // namespace kelvox
