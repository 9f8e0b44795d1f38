#include "pitch_track.h"

#include "column_renderer.h"
#include "decibels.h"
#include "numeric.h"
#include "page_layout.h"
#include "real_fft.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

namespace kelvox {

namespace {

constexpr int kCepstrumLength = 512;
constexpr int kCepstrumHalf = kCepstrumLength / 2;

// Clamps an estimate to the pitch limits; true when it had to be clamped. An
// undefined estimate counts as too high.
bool clampPitch(const SpectrogramParameters& p, PitchEstimate& track)
{
    if (std::isnan(track.pitch) || track.pitch > p.maxPitch) {
        track.pitch = p.maxPitch;
        return true;
    }
    if (track.pitch < p.minPitch) {
        track.pitch = p.minPitch;
        return true;
    }
    return false;
}

// A horizontal stroke at the current pitch from column x0 to x1 (x1 left out).
void stroke(std::vector<PitchStroke>& strokes, const PitchEstimate& track, int x0, int x1, int width, bool gated)
{
    strokes.push_back({x0, x1, std::log10(track.pitch), width, gated});
}

// Pixel columns covered by one pair step.
int pairStrokeLength(const SpectrogramParameters& p)
{
    return satInt(p.pairStep * static_cast<double>(p.pixelsPerSecond) / p.sampleRate);
}

// Sums of |a[k][i] − b[k][i]| over i < n for `count` (1 … 4) pairs of runs at once.
// Each sum is added in eight interleaved lanes that are summed in a fixed order at
// the end, so every build, and every grouping of the pairs, adds the same numbers in
// the same order; the lanes map onto vector registers and the pairs keep them busy.
using Lanes = float __attribute__((vector_size(32)));
using LaneBits = int32_t __attribute__((vector_size(32)));
constexpr int kLagsAtOnce = 4;

template <int Count>
__attribute__((always_inline)) inline void absoluteDifferenceSumsOf(const float* const* a, const float* const* b,
                                                                    int n, float* sums)
{
    Lanes lane[static_cast<std::size_t>(Count)] = {};
    const int whole = n - n % 8;
    for (int i = 0; i < whole; i += 8) {
        for (int k = 0; k < Count; ++k) {
            Lanes x, y;
            std::memcpy(&x, a[k] + i, sizeof x);
            std::memcpy(&y, b[k] + i, sizeof y);
            const Lanes d = x - y;
            lane[k] += reinterpret_cast<Lanes>(reinterpret_cast<LaneBits>(d) & 0x7FFFFFFF);
        }
    }
    for (int k = 0; k < Count; ++k) {
        float tail = 0.0f;
        for (int i = whole; i < n; ++i)
            tail += std::fabs(a[k][i] - b[k][i]);
        const Lanes& s = lane[k];
        sums[k] = ((s[0] + s[1]) + (s[2] + s[3])) + ((s[4] + s[5]) + (s[6] + s[7])) + tail;
    }
}

// On x86-64 a second copy uses AVX2 where the processor has it; both add the same.
#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target_clones("avx2", "default")))
#endif
void absoluteDifferenceSums(const float* const* a, const float* const* b, int count, int n, float* sums)
{
    switch (count) {
    case 1: absoluteDifferenceSumsOf<1>(a, b, n, sums); break;
    case 2: absoluteDifferenceSumsOf<2>(a, b, n, sums); break;
    case 3: absoluteDifferenceSumsOf<3>(a, b, n, sums); break;
    default: absoluteDifferenceSumsOf<kLagsAtOnce>(a, b, n, sums); break;
    }
}

// The resonator samples an AMDF search reads, [first, end), 0 outside the valid
// buffer, split into c phases (phase p holds samples first + p, first + p + c, …) so
// that every stride-c comparison reads two contiguous runs.
class AmdfSegment {
public:
    AmdfSegment(std::span<const float> resonator, int64_t first, int64_t end, int c, std::vector<float>& storage)
        : m_first(first), m_c(c), m_phaseLength((end - first + c - 1) / c)
    {
        const float* r = resonator.data();
        const int64_t valid = static_cast<int64_t>(resonator.size());
        if (c == 1 && first >= 0 && end <= valid) {
            // One phase, all of it valid: the buffer itself.
            m_data = r + first;
            return;
        }
        storage.assign(static_cast<size_t>(m_phaseLength * c), 0.0f);
        float* data = storage.data();
        m_data = data;
        for (int p = 0; p < c; ++p) {
            float* phase = data + p * m_phaseLength;
            for (int64_t j = 0, i = first + p; j < m_phaseLength && i < end; ++j, i += c)
                if (i >= 0 && i < valid)
                    phase[j] = r[i];
        }
    }
    // Samples at, c apart. The offsets lie within one buffer, so a 32-bit division
    // does (a 64-bit one per lag was a tenth of the pitch search's time).
    const float* at(int64_t i) const
    {
        const auto offset = static_cast<int32_t>(i - m_first);
        if (m_c == 1)
            return m_data + offset;
        return m_data + (offset % m_c) * m_phaseLength + offset / m_c;
    }

private:
    int64_t m_first;
    int m_c;
    int64_t m_phaseLength;
    const float* m_data = nullptr;
};

void amdfPitch(const SpectrogramParameters& p, const SampleBufferState& buffer, int analysisPos, int pairX0,
               PitchEstimate& track, std::vector<PitchStroke>& strokes, std::vector<float>& scratch)
{
    const double fs = p.sampleRate;
    int W = std::min(kMaxAmdfWindow, satInt(2.0 * fs / p.midPitch));
    int first, last, c;
    if (track.pitchQuality != 0) {
        // Wide search over every lag the mid pitch allows, comparing every c-th sample.
        first = W / 4;
        last = W - 1;
        c = W / 80 > 1 ? W / 80 : 2;
    } else {
        // Narrow search around the last period.
        const int d = satInt(fs / track.pitch);
        W = static_cast<int>(std::min<long long>(kMaxAmdfWindow, 2LL * d));
        first = satInt(0.8 * d);
        last = std::min(satInt(1.25 * d), kMaxAmdfWindow) - 1;
        c = 1;
    }

    // Window start for lag L: centred on the pair, never before the buffer.
    const auto start = [&p, analysisPos, W](int L) {
        return std::max<int64_t>(0, analysisPos + (static_cast<int64_t>(p.pairStep) - W - L) / 2);
    };
    const int compared = W > 0 ? (W + c - 1) / c : 0;
    double least = 1e18, largest = 0.0;
    int bestLag = -1;
    if (first <= last && compared > 0) {
        const int64_t from = start(last);
        const int64_t to = std::max(start(first) + first, start(last) + last) + static_cast<int64_t>(compared) * c;
        const AmdfSegment segment(buffer.resonator(), from, to, c, scratch);
        for (int group = first; group <= last; group += kLagsAtOnce) {
            const int count = std::min(kLagsAtOnce, last - group + 1);
            const float* a[kLagsAtOnce];
            const float* b[kLagsAtOnce];
            for (int k = 0; k < count; ++k) {
                const int64_t e = start(group + k);
                a[k] = segment.at(e);
                b[k] = segment.at(e + group + k);
            }
            float sums[kLagsAtOnce];
            absoluteDifferenceSums(a, b, count, compared, sums);
            for (int k = 0; k < count; ++k) {
                const double D = sums[k];
                if (D < least) {
                    least = D;
                    bestLag = group + k;
                }
                largest = std::max(largest, D);
            }
        }
    }
    if (bestLag >= 0) {
        track.pitch = fs / refinelag(buffer.resonator(), bestLag + analysisPos, bestLag);
        track.pitchQuality = least <= largest / 3.0 ? 0 : 1;
    } else {
        track.pitch = p.maxPitch + 1.0;
    }
    if (clampPitch(p, track))
        track.pitchQuality = 2;

    track.lastX = pairX0 + p.geometry.sub[PageLayout::kPitch].px0;
    stroke(strokes, track, track.lastX, track.lastX + pairStrokeLength(p), track.pitchQuality == 0 ? 2 : 1, true);
}

void peakPitch(const SpectrogramParameters& p, const SampleBufferState& buffer, int analysisPos, int pairX0,
               PitchEstimate& track, std::vector<PitchStroke>& strokes)
{
    const double fs = p.sampleRate;
    const int left = p.geometry.sub[PageLayout::kPitch].px0;
    const int right = p.geometry.sub[PageLayout::kPitch].px1;
    for (int i = 0; i < p.pairStep; ++i) {
        track.peakMin *= p.peakDecay;
        track.peakMax *= p.peakDecay;
        const float b = buffer.resonatorAt(static_cast<int64_t>(analysisPos) + i);
        if (b < track.peakMin) {
            track.peakMin = b;
            track.prevDir = track.dir;
            track.dir = -1;
        }
        if (b > track.peakMax) {
            track.peakMax = b;
            track.prevDir = track.dir;
            track.dir = 1;
        }
        if (track.dir > 0 && track.prevDir < 0) {
            // One period mark per turn from a new minimum to a new maximum.
            track.pitch = fs / refinelag(buffer.resonator(), analysisPos + i, track.peakCount);
            clampPitch(p, track);
            track.peakCount = 0;
            track.prevDir = track.dir;
        }
        ++track.peakCount;

        const int x = pairX0 + left + satInt(i * static_cast<double>(p.pixelsPerSecond) / fs);
        if (x != track.lastX || i == p.pairStep - 1) {
            if (track.lastX < right)
                stroke(strokes, track, track.lastX, x, 2, true);
            track.lastX = x;
        }
    }
}

void cepstralPitch(const SpectrogramParameters& p, const SampleBufferState& buffer, int analysisPos, int pairX0,
                   const AnalysisWorkspace& ws, PitchEstimate& track, std::vector<PitchStroke>& strokes)
{
    const double fs = p.sampleRate;
    const int D = std::max(1, satInt(6.0 * fs / (kCepstrumLength * static_cast<double>(p.midPitch))));

    std::array<float, kCepstrumLength> x{};
    for (int i = 0; i < kCepstrumLength; ++i)
        x[static_cast<size_t>(i)] =
            buffer.conditionedAt(static_cast<int64_t>(analysisPos) + static_cast<int64_t>(i) * D - kCepstrumHalf);
    const auto binDb = [&x](int k) {
        const double re = x[static_cast<size_t>(k)], im = x[static_cast<size_t>(kCepstrumLength - k)];
        return powerDb(re * re + im * im, kPagePowerFloor);
    };

    bool voiced = realfft(ws, kCepstrumLength, x.data()) == 0;
    std::array<double, kCepstrumHalf> spectrum{};
    if (voiced) {
        double lowSum = 0.0;
        for (int k = 1; k < kCepstrumHalf; ++k) {
            spectrum[static_cast<size_t>(k)] = binDb(k);
            if (k < kCepstrumHalf / 4)
                lowSum += spectrum[static_cast<size_t>(k)];
        }
        voiced = lowSum / (kCepstrumHalf / 4) > 10.0;
    }
    if (!voiced) {
        track.pitch = p.midPitch;
        return;
    }

    // The log spectrum as an even sequence, flat above the shown frequency range.
    x.fill(0.0f);
    for (int k = 1; k < kCepstrumHalf; ++k)
        x[static_cast<size_t>(k)] = x[static_cast<size_t>(kCepstrumLength - k)] =
            static_cast<float>(spectrum[static_cast<size_t>(k)]);
    const int K = std::clamp(satInt(kCepstrumLength * p.topFrequency / (D * fs)), 1, kCepstrumLength);
    double sum = 0.0;
    for (int j = 0; j < K; ++j)
        sum += x[static_cast<size_t>(j)];
    const float mean = static_cast<float>(sum / K);
    for (int j = K; j <= kCepstrumLength - K; ++j)
        x[static_cast<size_t>(j)] = mean;
    realfft(ws, kCepstrumLength, x.data());

    // The best cepstral peak near the expected period.
    const int g = satInt(fs / (D * track.avgPitch));
    const int first = std::max(1, g / 3);
    const int last =
        static_cast<int>(std::min(static_cast<long long>(3LL * g), static_cast<long long>(kCepstrumHalf))) - 1;
    double best = -100.0;
    int bestJ = -1;
    for (int j = first; j <= last; ++j) {
        const double score = binDb(j) - 3.0 * std::fabs(fs / (j * static_cast<double>(D)) - track.avgPitch) /
                                            ((track.jitter + 0.05) * track.avgPitch);
        if (score > best) {
            best = score;
            bestJ = j;
        }
    }
    if (bestJ < 0)
        bestJ = std::max(1, last);
    track.pitch = fs / (static_cast<double>(D) * bestJ);
    track.jitter += (std::fabs(track.pitch - track.avgPitch) / track.avgPitch - track.jitter) * 0.02;
    track.avgPitch += ((4.0 * track.pitch + p.midPitch) * 0.2 - track.avgPitch) * 0.05;

    track.lastX = pairX0 + p.geometry.sub[PageLayout::kPitch].px0;
    stroke(strokes, track, track.lastX, track.lastX + pairStrokeLength(p), 2, false);
}

}  // namespace

namespace {

// The sums of refinelag over i = 0 … T − 2 with the samples read through `R`.
template <typename Read>
void alignmentSums(Read R, int64_t end, int T, double& S, double& B)
{
    for (int i = 0; i <= T - 2; ++i) {
        if (end - T - i <= 0)
            continue;
        const int64_t k = end - i;
        const double t = 0.5 * ((R(k) - R(k - 1)) + (R(k - T) - R(k - T - 1)));
        S += (R(k - T) - R(k)) * t;
        B += t * t;
    }
}

}  // namespace

double refinelag(std::span<const float> resonator, int end, int T)
{
    double S = 0.0, B = 0.0;
    const int64_t valid = static_cast<int64_t>(resonator.size());
    const int64_t last = end, lowest = static_cast<int64_t>(end) - 2LL * T + 1;
    const float* r = resonator.data();
    if (lowest >= 0 && last < valid) {
        // Every sample read lies in the valid buffer.
        alignmentSums([r](int64_t i) { return static_cast<double>(r[i]); }, end, T, S, B);
    } else {
        alignmentSums([r, valid](int64_t i) { return i >= 0 && i < valid ? static_cast<double>(r[i]) : 0.0; }, end, T,
                      S, B);
    }
    return B == 0.0 ? T : T + S / B;
}

void pitchestimate(const SpectrogramParameters& p, const SampleBufferState& buffer, int analysisPos, int pairX0,
                   const AnalysisWorkspace& ws, PitchEstimate& estimate, std::vector<PitchStroke>& strokes,
                   std::vector<float>& scratch)
{
    if (p.pitchMethod == PitchMethod::Amdf)
        amdfPitch(p, buffer, analysisPos, pairX0, estimate, strokes, scratch);
    else if (p.pitchMethod == PitchMethod::Cepstrum)
        cepstralPitch(p, buffer, analysisPos, pairX0, ws, estimate, strokes);
    else
        peakPitch(p, buffer, analysisPos, pairX0, estimate, strokes);
}

void pitchdraw(const SpectrogramParameters& p, std::span<const PitchStroke> strokes, double lowLevel,
               PitchTrackState& track, PlotDevice& plot)
{
    selectsubdisplay(plot, p.geometry, PageLayout::kPitch, false);
    track.pitchStrokeDrawn = false;
    for (const PitchStroke& s : strokes) {
        if (s.gated && !(lowLevel > p.pitchGate))
            continue;
        const int y = plot.plotypix(s.log10Pitch);
        plot.plotlw(s.width);
        plot.plotmove(s.x0, y, 0);
        plot.plotmove(s.x1, y, 1);
        track.pitchStrokeDrawn = true;
    }
}

void pitchtrack(const SpectrogramParameters& p, const SampleBufferState& buffer, const PageCursor& cursor,
                double lowLevel, const AnalysisWorkspace& ws, PitchTrackState& track, PlotDevice& plot)
{
    track.strokes.clear();
    pitchestimate(p, buffer, cursor.analysisPos, cursor.pairX0, ws, track, track.strokes, track.amdfSegment);
    pitchdraw(p, track.strokes, lowLevel, track, plot);
}

}  // namespace kelvox
