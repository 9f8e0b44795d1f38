#include "constant_q.h"

#include "decibels.h"
#include "numeric.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
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
static_assert(kOctavePasses == kQOctaves, "one octave per pass");

// How far from a frame's centre octave L (pass 5 − L) reaches, in buffer positions.
constexpr int octaveReach(int octave)
{
    return (1 << octave) * kPassHalfWidth[static_cast<size_t>(kOctavePasses - 1 - octave)];
}

// The band levels and the three band energies of one frame from its kernel sums.
void storeBands(AnalysisWorkspace& ws, const std::array<double, kQBandCount>& bandRe,
                const std::array<double, kQBandCount>& bandIm, const BandSplit& split, PairFrame frame)
{
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
}

// Four values at once: on x86-64 the halvings run in AVX2 registers where the
// processor has them, two SSE2 registers otherwise; each lane adds and multiplies
// exactly as the one-frame code does, in the same order.
using Lanes = double __attribute__((vector_size(32)));

// One halving over positions [from, to) of octave `out`: out[i] = G·Σ_m g_m·(in[i − h·m]
// + in[i + h·(m + 1)]) with h = 2^(octave − 1), the sum from 0 in order of m.
#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target_clones("avx2", "default")))
#endif
void halve(const double* in, double* out, double* sum, int64_t from, int64_t to, int64_t h)
{
    static constexpr auto g = decimationTaps();
    std::fill(sum + from, sum + to, 0.0);
    for (int m = 0; m < kDecimationTaps; ++m) {
        const double gm = g[static_cast<size_t>(m)];
        const double* a = in - h * m;
        const double* b = in + h * (m + 1);
        int64_t i = from;
        for (; i + 4 <= to; i += 4) {
            Lanes x, y, s;
            std::memcpy(&x, a + i, sizeof x);
            std::memcpy(&y, b + i, sizeof y);
            std::memcpy(&s, sum + i, sizeof s);
            s += gm * (x + y);
            std::memcpy(sum + i, &s, sizeof s);
        }
        for (; i < to; ++i)
            sum[i] += gm * (a[i] + b[i]);
    }
    for (int64_t i = from; i < to; ++i)
        out[i] = kDecimationGain * sum[i];
}

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

    storeBands(ws, bandRe, bandIm, split, frame);
    return true;
}

void qoctaves(std::span<const float> conditioned, float preEmphasis, int firstCentre, int lastCentre, QOctaves& o,
              int pairOffset)
{
    const int64_t reach = octaveReach(0);
    o.firstCentre = firstCentre;
    o.lastCentre = lastCentre;
    o.preEmphasis = preEmphasis;
    o.origin = static_cast<int64_t>(firstCentre) - reach;
    const int64_t length = std::max<int64_t>(0, static_cast<int64_t>(lastCentre) - firstCentre + 2 * reach + 1);
    for (std::vector<double>& octave : o.octave)
        octave.resize(static_cast<size_t>(length));
    o.sum.resize(static_cast<size_t>(length));
    o.valid = length > 0;
    if (!o.valid)
        return;

    // The frame signal: 0 before the buffer and from its last valid sample on, then
    // the first difference; a frame never reads as far as its own last value.
    const int64_t lastReadable = static_cast<int64_t>(conditioned.size()) - 1;
    const auto z = [&](int64_t position) {
        return position >= 0 && position < lastReadable
                   ? static_cast<double>(conditioned[static_cast<size_t>(position)])
                   : 0.0;
    };
    double* full = o.octave[0].data();
    for (int64_t i = 0; i < length; ++i) {
        const int64_t position = o.origin + i;
        full[i] = preEmphasis > 0.0f ? z(position + 1) - z(position) : z(position);
    }
    // Each octave where the frames of [firstCentre, lastCentre] read it.
    for (int L = 1; L < kQOctaves; ++L) {
        const int64_t from = reach - octaveReach(L);
        const int64_t to = length - from;
        halve(o.octave[static_cast<size_t>(L - 1)].data(), o.octave[static_cast<size_t>(L)].data(), o.sum.data(), from,
              to, int64_t{1} << (L - 1));
    }
    o.pairOffset = pairOffset;
    if (pairOffset < 0)
        return;
    for (int L = 0; L < kQOctaves; ++L) {
        const std::vector<double>& single = o.octave[static_cast<size_t>(L)];
        std::vector<double>& paired = o.paired[static_cast<size_t>(L)];
        paired.resize(2 * static_cast<size_t>(length));
        for (int64_t i = 0; i < length; ++i) {
            paired[static_cast<size_t>(2 * i)] = single[static_cast<size_t>(i)];
            paired[static_cast<size_t>(2 * i + 1)] =
                i + pairOffset < length ? single[static_cast<size_t>(i + pairOffset)] : 0.0;
        }
    }
}

namespace {

// Two frames side by side in one register: lane 0 frame A, lane 1 frame B.
using FramePair = double __attribute__((vector_size(16)));

// The kernel sums of kernels `first` and `second` (second = −1: none) for both frames
// of a pair, x pointing at frame A's centre in the paired octave, `step` positions
// apart. Two kernels at once keep four sums going; each sum still adds its taps in
// order, as qframe does.
void kernelSums(const AnalysisWorkspace& ws, const double* x, int64_t step, int first, int second, FramePair& re1,
                FramePair& im1, FramePair& re2, FramePair& im2)
{
    const auto at = [x](int64_t offset) {
        FramePair v;
        std::memcpy(&v, x + 2 * offset, sizeof v);
        return v;
    };
    const double* c1 = &ws.qCos[static_cast<size_t>(first * kQMaxTaps)];
    const double* s1 = &ws.qSin[static_cast<size_t>(first * kQMaxTaps)];
    const int taps1 = ws.qKernelLength[static_cast<size_t>(first)];
    const FramePair centre = at(0);
    re1 = centre * c1[0];
    im1 = FramePair{0.0, 0.0};
    int j = 1;
    if (second >= 0) {
        const double* c2 = &ws.qCos[static_cast<size_t>(second * kQMaxTaps)];
        const double* s2 = &ws.qSin[static_cast<size_t>(second * kQMaxTaps)];
        const int taps2 = std::min(ws.qKernelLength[static_cast<size_t>(second)], taps1);
        re2 = centre * c2[0];
        im2 = FramePair{0.0, 0.0};
        for (; j < taps2; ++j) {
            const FramePair after = at(j * step), before = at(-j * step);
            const FramePair sum = after + before, difference = after - before;
            re1 += c1[j] * sum;
            im1 += s1[j] * difference;
            re2 += c2[j] * sum;
            im2 += s2[j] * difference;
        }
        // The second kernel's own longer taps, if any.
        const int own = ws.qKernelLength[static_cast<size_t>(second)];
        for (int k = j; k < own; ++k) {
            const FramePair after = at(k * step), before = at(-k * step);
            re2 += c2[k] * (after + before);
            im2 += s2[k] * (after - before);
        }
    }
    for (; j < taps1; ++j) {
        const FramePair after = at(j * step), before = at(-j * step);
        re1 += c1[j] * (after + before);
        im1 += s1[j] * (after - before);
    }
}

}  // namespace

bool qpairFromOctaves(AnalysisWorkspace& ws, const QOctaves& o, int centre, const BandSplit& split,
                      std::span<double> bandsA)
{
    if (!ws.qReady || !o.valid || o.pairOffset < 0 || centre < o.firstCentre ||
        static_cast<int64_t>(centre) + o.pairOffset > o.lastCentre || bandsA.size() < kQBandCount)
        return false;
    std::array<double, kQBandCount> reA{}, imA{}, reB{}, imB{};
    const int64_t at = static_cast<int64_t>(centre) - o.origin;
    for (int pass = kOctavePasses - 1; pass >= 0; --pass) {
        const int L = kOctavePasses - 1 - pass;
        const double* x = o.paired[static_cast<size_t>(L)].data() + 2 * at;
        const int kernels = pass == kOctavePasses - 1 ? kQKernelCount : kQBandsPerOctave;
        for (int i = 0; i < kernels; i += 2) {
            const int second = i + 1 < kernels ? i + 1 : -1;
            FramePair re1, im1, re2{}, im2{};
            kernelSums(ws, x, int64_t{1} << L, i, second, re1, im1, re2, im2);
            const auto band = static_cast<size_t>(i + kQBandsPerOctave * pass);
            reA[band] = re1[0], imA[band] = im1[0], reB[band] = re1[1], imB[band] = im1[1];
            if (second >= 0)
                reA[band + 1] = re2[0], imA[band + 1] = im2[0], reB[band + 1] = re2[1], imB[band + 1] = im2[1];
        }
    }
    storeBands(ws, reA, imA, split, PairFrame::A);
    std::copy(ws.QBands.begin(), ws.QBands.end(), bandsA.begin());
    storeBands(ws, reB, imB, split, PairFrame::B);
    return true;
}

}  // namespace kelvox
