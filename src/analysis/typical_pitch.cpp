#include "typical_pitch.h"

#include "numeric.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kelvox {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kLowestRateHz = 4000.0;
constexpr double kLowPassHz = 1000.0;        // FIR cut-off: keeps F0 and its first harmonics
constexpr double kTransitionHz = 1000.0;     // FIR transition band, sets its length
constexpr double kDecimatedRateHz = 6000.0;  // decimate while the rate stays at or above this
constexpr double kIntegrationSeconds = 0.025;
constexpr double kHopSeconds = 0.010;
constexpr double kDipThreshold = 0.15;  // YIN's absolute threshold
constexpr double kSilenceRms = 5.0;     // 16-bit units, about −76 dB of full scale
constexpr double kLoudPercentile = 0.95;
constexpr double kBelowLoudDb = 30.0;

// Where and how the frames are taken, fixed by the sampling rate.
struct FramePlan {
    int decimation = 1;        // D: every D-th filtered sample is kept
    double rateHz = 0.0;       // fs / D
    std::vector<double> taps;  // the low-pass, unity gain at 0 Hz
    int integration = 0;       // W, decimated samples summed per lag
    int shortestLag = 0;       // decimated samples of a 600 Hz period
    int longestLag = 0;        // decimated samples of a 55 Hz period
    int decimatedLength = 0;   // W + longest lag + 2: the lags up to longest + 1
    int rawLength = 0;         // recording samples one frame reads
};

FramePlan planFrames(double sampleRateHz)
{
    FramePlan p;
    p.decimation = std::max(1, satInt(sampleRateHz / kDecimatedRateHz));
    p.rateHz = sampleRateHz / p.decimation;

    // Hamming-windowed sinc: a transition of kTransitionHz needs about 3.3·fs/Δf taps.
    const int half = satInt(std::ceil(1.65 * sampleRateHz / kTransitionHz));
    const double fc = kLowPassHz / sampleRateHz;  // cycles per sample
    p.taps.resize(static_cast<size_t>(2 * half + 1));
    double sum = 0.0;
    for (int i = -half; i <= half; ++i) {
        const double sinc = i == 0 ? 2.0 * fc : std::sin(2.0 * kPi * fc * i) / (kPi * i);
        const double window = 0.54 + 0.46 * std::cos(kPi * i / half);
        const double h = sinc * window;
        p.taps[static_cast<size_t>(i + half)] = h;
        sum += h;
    }
    for (double& h : p.taps)
        h /= sum;

    p.integration = satInt(kIntegrationSeconds * p.rateHz + 0.5);
    p.shortestLag = std::max(2, satInt(p.rateHz / kTypicalPitchHighestHz));
    p.longestLag = satInt(std::ceil(p.rateHz / kTypicalPitchLowestHz));
    p.decimatedLength = p.integration + p.longestLag + 2;
    p.rawLength = (p.decimatedLength - 1) * p.decimation + static_cast<int>(p.taps.size());
    return p;
}

// Start of each examined frame: every 10 ms, or kTypicalPitchMaxFrames spread evenly.
std::vector<int64_t> frameStarts(int64_t sampleCount, double sampleRateHz, int rawLength)
{
    std::vector<int64_t> starts;
    if (sampleCount < rawLength)
        return starts;
    const int64_t span = sampleCount - rawLength;  // last possible start
    const int64_t hop = std::max<int64_t>(1, satInt64(kHopSeconds * sampleRateHz + 0.5));
    const int64_t count = span / hop + 1;
    if (count <= kTypicalPitchMaxFrames) {
        for (int64_t k = 0; k < count; ++k)
            starts.push_back(k * hop);
        return starts;
    }
    const double step = static_cast<double>(span) / (kTypicalPitchMaxFrames - 1);
    for (int k = 0; k < kTypicalPitchMaxFrames; ++k)
        starts.push_back(std::min(span, satInt64(k * step + 0.5)));
    return starts;
}

struct FrameResult {
    double rms = 0.0;   // of the filtered, DC-free frame, 16-bit units
    double f0Hz = 0.0;  // 0 when no dip reached the threshold
};

// One frame: filter and decimate, remove DC, then YIN.
class FrameAnalyser {
public:
    explicit FrameAnalyser(const FramePlan& plan)
        : m_plan(plan), m_raw(static_cast<size_t>(plan.rawLength)), m_x(static_cast<size_t>(plan.decimatedLength)),
          m_diff(static_cast<size_t>(plan.longestLag + 2)), m_cmnd(static_cast<size_t>(plan.longestLag + 2))
    {
    }

    std::span<int16_t> rawBuffer() { return m_raw; }

    FrameResult analyse()
    {
        lowPass();
        FrameResult r;
        double energy = 0.0;
        for (double v : m_x)
            energy += v * v;
        r.rms = std::sqrt(energy / static_cast<double>(m_x.size()));
        if (r.rms > 0.0)
            r.f0Hz = yin();
        return r;
    }

private:
    void lowPass()
    {
        const std::vector<double>& h = m_plan.taps;
        double mean = 0.0;
        for (size_t k = 0; k < m_x.size(); ++k) {
            const int16_t* in = m_raw.data() + k * static_cast<size_t>(m_plan.decimation);
            double acc = 0.0;
            for (size_t i = 0; i < h.size(); ++i)
                acc += h[i] * in[i];
            m_x[k] = acc;
            mean += acc;
        }
        mean /= static_cast<double>(m_x.size());
        for (double& v : m_x)
            v -= mean;
    }

    // YIN: d(τ) = Σ (x_j − x_{j+τ})², normalised by its running mean; the period is
    // the bottom of the first dip below the threshold, refined by a parabola through
    // d around it. 0 when there is no such dip.
    double yin()
    {
        const int w = m_plan.integration;
        const int last = m_plan.longestLag + 1;
        double running = 0.0;
        m_cmnd[0] = 1.0;
        for (int tau = 1; tau <= last; ++tau) {
            double d = 0.0;
            for (int j = 0; j < w; ++j) {
                const double e = m_x[static_cast<size_t>(j)] - m_x[static_cast<size_t>(j + tau)];
                d += e * e;
            }
            m_diff[static_cast<size_t>(tau)] = d;
            running += d;
            m_cmnd[static_cast<size_t>(tau)] = running > 0.0 ? d * tau / running : 1.0;
        }
        int tau = m_plan.shortestLag;
        while (tau <= m_plan.longestLag && m_cmnd[static_cast<size_t>(tau)] >= kDipThreshold)
            ++tau;
        if (tau > m_plan.longestLag)
            return 0.0;
        while (tau < m_plan.longestLag && m_cmnd[static_cast<size_t>(tau + 1)] < m_cmnd[static_cast<size_t>(tau)])
            ++tau;
        const double a = m_diff[static_cast<size_t>(tau - 1)];
        const double b = m_diff[static_cast<size_t>(tau)];
        const double c = m_diff[static_cast<size_t>(tau + 1)];
        const double curvature = a - 2.0 * b + c;
        const double shift = curvature > 0.0 ? std::clamp(0.5 * (a - c) / curvature, -1.0, 1.0) : 0.0;
        return m_plan.rateHz / (tau + shift);
    }

    const FramePlan& m_plan;
    std::vector<int16_t> m_raw;
    std::vector<double> m_x, m_diff, m_cmnd;
};

double median(std::vector<double> v)
{
    const size_t mid = v.size() / 2;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid), v.end());
    const double upper = v[mid];
    if (v.size() % 2 != 0)
        return upper;
    const double lower = *std::max_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid));
    return 0.5 * (lower + upper);
}

}  // namespace

TypicalPitch estimateTypicalPitch(int64_t sampleCount, double sampleRateHz, const TypicalPitchReader& read)
{
    TypicalPitch result;
    if (!(sampleRateHz >= kLowestRateHz) || !std::isfinite(sampleRateHz) || !read)
        return result;
    const FramePlan plan = planFrames(sampleRateHz);
    const std::vector<int64_t> starts = frameStarts(sampleCount, sampleRateHz, plan.rawLength);
    if (starts.empty())
        return result;

    FrameAnalyser analyser(plan);
    std::vector<FrameResult> frames;
    frames.reserve(starts.size());
    for (int64_t start : starts) {
        read(start, analyser.rawBuffer());
        frames.push_back(analyser.analyse());
    }
    result.examinedFrames = static_cast<int>(frames.size());

    std::vector<double> levels;
    levels.reserve(frames.size());
    for (const FrameResult& f : frames)
        levels.push_back(f.rms);
    const size_t loudIndex = static_cast<size_t>(kLoudPercentile * static_cast<double>(levels.size() - 1));
    std::nth_element(levels.begin(), levels.begin() + static_cast<std::ptrdiff_t>(loudIndex), levels.end());
    const double floor = std::max(kSilenceRms, levels[loudIndex] * std::pow(10.0, -kBelowLoudDb / 20.0));

    std::vector<double> voiced;
    for (const FrameResult& f : frames)
        if (f.f0Hz > 0.0 && f.rms >= floor)
            voiced.push_back(f.f0Hz);
    result.voicedFrames = static_cast<int>(voiced.size());
    if (!voiced.empty())
        result.hz = median(std::move(voiced));
    return result;
}

TypicalPitch estimateTypicalPitch(std::span<const int16_t> samples, double sampleRateHz)
{
    return estimateTypicalPitch(
        static_cast<int64_t>(samples.size()), sampleRateHz, [samples](int64_t first, std::span<int16_t> out) {
            std::copy_n(samples.begin() + static_cast<std::ptrdiff_t>(first), out.size(), out.begin());
        });
}

}  // namespace kelvox
