#include "constant_q.h"

#include "decibels.h"
#include "numeric.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace kelvox {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr int kOctavePasses = 6;                   // full rate (pass 5) down to pass 0
constexpr int kTopBand = 174;                      // band of the sampling rate itself
constexpr int kDecimationTaps = 15;                // half-band low-pass taps per side
constexpr double kDecimationGain = 0.5 * 0.9003257813759562;

// Half-band low-pass taps g_m = ±1/(2m + 1), signs + + − − + + …: sin(πt/2)/(πt/2)
// sampled at half-integer t.
constexpr std::array<double, kDecimationTaps> decimationTaps()
{
    std::array<double, kDecimationTaps> g{};
    for (int m = 0; m < kDecimationTaps; ++m)
        g[static_cast<size_t>(m)] = ((m / 2) % 2 == 0 ? 1.0 : -1.0) / (2 * m + 1);
    return g;
}

// Half width of the signal each pass must hold: pass 0 needs its kernels' taps, and
// each decimated sample k reads the samples 2k − 14 … 2k + 15 of the pass above.
constexpr std::array<int, kOctavePasses> passHalfWidths()
{
    std::array<int, kOctavePasses> h{};
    h[0] = kQMaxTaps - 1;
    for (int n = 1; n < kOctavePasses; ++n)
        h[static_cast<size_t>(n)] = 2 * h[static_cast<size_t>(n - 1)] + kDecimationTaps;
    return h;
}

constexpr auto kPassHalfWidth = passHalfWidths();
static_assert(kPassHalfWidth[kOctavePasses - 1] <= kQFrameHalf, "frame buffer too short");

}  // namespace

double splhWeight(double frequencyHz)
{
    const double khz = frequencyHz / 1000.0;
    const double q = khz * khz;
    return (q + 0.04) * 25.0 / (q + 25.0);
}

double qBandFrequency(int band, double sampleRate)
{
    return sampleRate * std::pow(2.0, (band - kTopBand) / static_cast<double>(kQBandsPerOctave));
}

void qsetup(AnalysisWorkspace& ws, double Q, double sampleRate)
{
    for (int i = 0; i < kQKernelCount; ++i) {
        const int taps = satInt(2.0 * Q * std::pow(2.0, (6 - i) / 24.0));
        ws.qKernelLength[static_cast<size_t>(i)] = std::clamp(taps, 1, kQMaxTaps);
    }
    const double longest = ws.qKernelLength[0];
    for (int i = 0; i < kQKernelCount; ++i) {
        const int length = ws.qKernelLength[static_cast<size_t>(i)];
        for (int j = 0; j < kQMaxTaps; ++j) {
            double c = 0.0, s = 0.0;
            if (j < length) {
                // Hamming window 25/46 + 21/46·cos, scaled so that shorter kernels
                // have the same gain.
                const double w = (0.5434782608695652 + 0.4565217391304348 * std::cos(kPi * j / length))
                                 * longest / length;
                const double theta = j * Q * kPi / length;
                c = w * std::cos(theta);
                s = w * std::sin(theta);
            }
            ws.qCos[static_cast<size_t>(i * kQMaxTaps + j)] = c;
            ws.qSin[static_cast<size_t>(i * kQMaxTaps + j)] = s;
        }
    }
    for (int b = 0; b < kQBandCount; ++b)
        ws.qBandWeight[static_cast<size_t>(b)] = splhWeight(qBandFrequency(b, sampleRate));
    ws.qReady = true;
}

bool qframe(AnalysisWorkspace& ws, std::span<const float> conditioned, int centre, float preEmphasis,
            const BandSplit& split, PairFrame frame)
{
    if (!ws.qReady)
        return false;

    // x points at the frame centre of the current pass's signal.
    double* x = ws.qFrame.data() + kQFrameHalf;
    double* spare = ws.qDecimated.data() + kQFrameHalf;
    // The last valid sample is left out too.
    const int64_t lastReadable = static_cast<int64_t>(conditioned.size()) - 1;
    for (int k = -kQFrameHalf; k <= kQFrameHalf; ++k) {
        const int64_t index = static_cast<int64_t>(centre) + k;
        x[k] = index >= 0 && index < lastReadable ? conditioned[static_cast<size_t>(index)] : 0.0;
    }
    if (preEmphasis > 0.0f) {
        // First difference, +6 dB per octave; past the frame there is nothing.
        for (int k = -kQFrameHalf; k < kQFrameHalf; ++k)
            x[k] = x[k + 1] - x[k];
        x[kQFrameHalf] = -x[kQFrameHalf];
    }

    static constexpr auto g = decimationTaps();
    std::array<double, kQBandCount> bandRe{};
    std::array<double, kQBandCount> bandIm{};
    for (int pass = kOctavePasses - 1; pass >= 0; --pass) {
        const int kernels = pass == kOctavePasses - 1 ? kQKernelCount : kQBandsPerOctave;
        for (int i = 0; i < kernels; ++i) {
            const double* c = &ws.qCos[static_cast<size_t>(i * kQMaxTaps)];
            const double* s = &ws.qSin[static_cast<size_t>(i * kQMaxTaps)];
            double re = x[0] * c[0];
            double im = 0.0;
            for (int j = 1; j < ws.qKernelLength[static_cast<size_t>(i)]; ++j) {
                re += c[j] * (x[j] + x[-j]);
                im += s[j] * (x[j] - x[-j]);
            }
            bandRe[static_cast<size_t>(i + kQBandsPerOctave * pass)] = re;
            bandIm[static_cast<size_t>(i + kQBandsPerOctave * pass)] = im;
        }
        if (pass == 0)
            break;
        // Halve the rate: new sample k lies midway between old samples 2k and 2k + 1.
        // Written to the other buffer, because later k still read the old samples.
        const int half = kPassHalfWidth[static_cast<size_t>(pass - 1)];
        for (int k = -half; k <= half; ++k) {
            double sum = 0.0;
            for (int m = 0; m < kDecimationTaps; ++m)
                sum += g[static_cast<size_t>(m)] * (x[2 * k - m] + x[2 * k + 1 + m]);
            spare[k] = kDecimationGain * sum;
        }
        std::swap(x, spare);
    }

    double low = 0.0, high = 0.0, total = 0.0;
    for (int b = 0; b < kQBandCount; ++b) {
        const double re = bandRe[static_cast<size_t>(b)];
        const double im = bandIm[static_cast<size_t>(b)];
        const double p = re * re + im * im;
        if (split.weighted) {
            low += p;
            high += p * ws.qBandWeight[static_cast<size_t>(b)];
        } else {
            if (b < split.lowBandBins)
                low += p;
            if (b > split.highBandStart)
                high += p;
        }
        total += p;
        ws.QBands[static_cast<size_t>(b)] = powerDb(p, kPagePowerFloor / 3.0);
    }
    // The level track takes the logarithm of these, so silence stays at the floor.
    const auto store = [&](int band, double energy) {
        ws.BandEnergy[static_cast<size_t>(bandEnergyIndex(frame, band))] =
            std::max(static_cast<float>(energy * (1.0 / 2400.0)), kBandEnergyFloor);
    };
    store(kBandLow, low);
    store(kBandHigh, high);
    store(kBandTotal, total);
    return true;
}

}  // namespace kelvox
