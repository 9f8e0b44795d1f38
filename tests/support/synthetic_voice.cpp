#include "synthetic_voice.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace kelvox::test {

namespace {

constexpr double kPi = std::numbers::pi;

// One two-pole resonator at `hz` with bandwidth `bandwidthHz`, unity peak order of
// magnitude; applied in place.
void resonate(std::vector<double>& x, double hz, double bandwidthHz, double rateHz)
{
    const double r = std::exp(-kPi * bandwidthHz / rateHz);
    const double b1 = 2.0 * r * std::cos(2.0 * kPi * hz / rateHz), b2 = -r * r;
    double y1 = 0.0, y2 = 0.0;
    for (double& v : x) {
        const double y = (1.0 - r) * v + b1 * y1 + b2 * y2;
        y2 = y1;
        y1 = y;
        v = y;
    }
}

// One-pole high-pass at `hz`, in place.
void highPass(std::vector<double>& x, double hz, double rateHz)
{
    const double a = std::exp(-2.0 * kPi * hz / rateHz);
    double previousIn = 0.0, previousOut = 0.0;
    for (double& v : x) {
        const double y = a * (previousOut + v - previousIn);
        previousIn = v;
        previousOut = y;
        v = y;
    }
}

}  // namespace

std::vector<int16_t> syntheticVoice(const VoiceSettings& voice)
{
    const size_t n = static_cast<size_t>(voice.seconds * voice.rateHz);
    std::vector<double> x(n, 0.0);
    double phase = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / voice.rateHz;
        const double f = voice.f0Hz * (1.0 + 0.06 * std::sin(2.0 * kPi * 0.7 * t));
        phase += f / voice.rateHz;
        if (phase >= 1.0) {
            phase -= 1.0;
            x[i] = 1.0;
        }
    }
    const double a = std::exp(-2.0 * kPi * 100.0 / voice.rateHz);
    double lp1 = 0.0, lp2 = 0.0, previous = 0.0;
    for (double& v : x) {
        lp1 = a * lp1 + v;
        lp2 = a * lp2 + lp1;
        v = lp2 - previous;
        previous = lp2;
    }
    resonate(x, 700.0, 90.0, voice.rateHz);
    resonate(x, 1200.0, 110.0, voice.rateHz);
    if (voice.telephone)
        for (int pass = 0; pass < 4; ++pass)
            highPass(x, 300.0, voice.rateHz);

    const double cycle = 0.55, voicedPart = 0.35, ramp = 0.02;
    double peak = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double t = std::fmod(static_cast<double>(i) / voice.rateHz, cycle) - (cycle - voicedPart);
        const double gate = t < 0.0 ? 0.0 : std::min({1.0, t / ramp, (voicedPart - t) / ramp});
        x[i] *= gate;
        peak = std::max(peak, std::fabs(x[i]));
    }
    std::mt19937 random(voice.seed);
    std::normal_distribution<double> noise(0.0, voice.noiseRms);
    std::vector<int16_t> out(n);
    for (size_t i = 0; i < n; ++i) {
        const double v = (peak > 0.0 ? 8000.0 * x[i] / peak : 0.0) + noise(random);
        out[i] = static_cast<int16_t>(std::clamp(std::lround(v), -32768L, 32767L));
    }
    return out;
}

}  // namespace kelvox::test
