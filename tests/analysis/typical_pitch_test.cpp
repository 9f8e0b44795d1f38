#include "typical_pitch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

using namespace kelvox;

namespace {

constexpr double kPi = std::numbers::pi;

struct VoiceSpec {
    double f0Hz = 120.0;
    double rateHz = 16000.0;
    double seconds = 3.0;
    double noiseRms = 100.0;  // 16-bit units, everywhere, silences included
    unsigned seed = 1;
    bool telephone = false;  // cut below 300 Hz, as a telephone line does
};

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

// A crude voice: a pulse train whose F0 swings ±6 % about f0Hz (so the median F0 is
// f0Hz), shaped like a glottal source seen at the lips (−6 dB per octave: two
// one-pole low-passes at 100 Hz and a first difference), through two formant
// resonators of an open vowel, voiced for 350 ms out of every 550 ms with 20 ms
// ramps, peaks near 8000, and Gaussian noise over all of it.
std::vector<int16_t> syntheticVoice(const VoiceSpec& spec)
{
    const size_t n = static_cast<size_t>(spec.seconds * spec.rateHz);
    std::vector<double> x(n, 0.0);
    double phase = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / spec.rateHz;
        const double f = spec.f0Hz * (1.0 + 0.06 * std::sin(2.0 * kPi * 0.7 * t));
        phase += f / spec.rateHz;
        if (phase >= 1.0) {
            phase -= 1.0;
            x[i] = 1.0;
        }
    }
    const double a = std::exp(-2.0 * kPi * 100.0 / spec.rateHz);
    double lp1 = 0.0, lp2 = 0.0, previous = 0.0;
    for (double& v : x) {
        lp1 = a * lp1 + v;
        lp2 = a * lp2 + lp1;
        v = lp2 - previous;
        previous = lp2;
    }
    resonate(x, 700.0, 90.0, spec.rateHz);
    resonate(x, 1200.0, 110.0, spec.rateHz);
    if (spec.telephone)
        for (int pass = 0; pass < 4; ++pass)
            highPass(x, 300.0, spec.rateHz);

    const double cycle = 0.55, voicedPart = 0.35, ramp = 0.02;
    double peak = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double t = std::fmod(static_cast<double>(i) / spec.rateHz, cycle) - (cycle - voicedPart);
        const double gate = t < 0.0 ? 0.0 : std::min({1.0, t / ramp, (voicedPart - t) / ramp});
        x[i] *= gate;
        peak = std::max(peak, std::fabs(x[i]));
    }
    std::mt19937 random(spec.seed);
    std::normal_distribution<double> noise(0.0, spec.noiseRms);
    std::vector<int16_t> out(n);
    for (size_t i = 0; i < n; ++i) {
        const double v = (peak > 0.0 ? 8000.0 * x[i] / peak : 0.0) + noise(random);
        out[i] = static_cast<int16_t>(std::clamp(std::lround(v), -32768L, 32767L));
    }
    return out;
}

}  // namespace

// ---- Voices of known pitch

class TypicalPitchOfVoice : public ::testing::TestWithParam<double> {};

TEST_P(TypicalPitchOfVoice, MedianWithinFivePercentAt16kHz)
{
    const double f0 = GetParam();
    const std::vector<int16_t> voice = syntheticVoice({.f0Hz = f0});
    const TypicalPitch p = estimateTypicalPitch(voice, 16000.0);
    ASSERT_TRUE(p.found());
    EXPECT_NEAR(p.hz, f0, 0.05 * f0);
    // Voiced 350 of every 550 ms: the silences are not counted as voiced.
    EXPECT_GT(p.voicedFrames, p.examinedFrames / 3);
    EXPECT_LT(p.voicedFrames, p.examinedFrames * 3 / 4);
}

TEST_P(TypicalPitchOfVoice, SameAtTelephoneAndCompactDiscRates)
{
    const double f0 = GetParam();
    for (double rate : {8000.0, 44100.0}) {
        const std::vector<int16_t> voice = syntheticVoice({.f0Hz = f0, .rateHz = rate, .seed = 7});
        const TypicalPitch p = estimateTypicalPitch(voice, rate);
        ASSERT_TRUE(p.found()) << rate;
        EXPECT_NEAR(p.hz, f0, 0.05 * f0) << rate;
    }
}

TEST_P(TypicalPitchOfVoice, HoldsInLouderNoise)
{
    // About 24 dB below the vowels' peaks.
    const double f0 = GetParam();
    const std::vector<int16_t> voice = syntheticVoice({.f0Hz = f0, .noiseRms = 500.0, .seed = 3});
    const TypicalPitch p = estimateTypicalPitch(voice, 16000.0);
    ASSERT_TRUE(p.found());
    EXPECT_NEAR(p.hz, f0, 0.05 * f0);
}

TEST_P(TypicalPitchOfVoice, HoldsWithoutTheFundamental)
{
    // Telephone speech at 8 kHz: the fundamental and, for low voices, the next
    // harmonics are cut 24 dB per octave below 300 Hz, yet the period is the same.
    const double f0 = GetParam();
    const std::vector<int16_t> voice = syntheticVoice({.f0Hz = f0, .rateHz = 8000.0, .seed = 11, .telephone = true});
    const TypicalPitch p = estimateTypicalPitch(voice, 8000.0);
    ASSERT_TRUE(p.found());
    EXPECT_NEAR(p.hz, f0, 0.05 * f0);
}

INSTANTIATE_TEST_SUITE_P(Speakers, TypicalPitchOfVoice, ::testing::Values(80.0, 120.0, 200.0, 300.0));

// ---- Nothing to find

TEST(TypicalPitch, SilenceFindsNothing)
{
    const std::vector<int16_t> silence(48000, 0);
    const TypicalPitch p = estimateTypicalPitch(silence, 16000.0);
    EXPECT_FALSE(p.found());
    EXPECT_EQ(p.hz, 0.0);
    EXPECT_GT(p.examinedFrames, 250);
}

TEST(TypicalPitch, NoiseAloneFindsNothing)
{
    std::mt19937 random(5);
    std::normal_distribution<double> noise(0.0, 2000.0);
    std::vector<int16_t> hiss(48000);
    for (int16_t& s : hiss)
        s = static_cast<int16_t>(std::lround(noise(random)));
    EXPECT_FALSE(estimateTypicalPitch(hiss, 16000.0).found());
}

TEST(TypicalPitch, TooShortOrTooSlowFindsNothing)
{
    const std::vector<int16_t> voice = syntheticVoice({.f0Hz = 200.0});
    // Shorter than one frame (25 ms plus a 55 Hz period, plus the filter).
    const TypicalPitch shortOne = estimateTypicalPitch(std::span(voice).first(500), 16000.0);
    EXPECT_FALSE(shortOne.found());
    EXPECT_EQ(shortOne.examinedFrames, 0);
    EXPECT_FALSE(estimateTypicalPitch(voice, 2000.0).found());
    EXPECT_FALSE(estimateTypicalPitch(voice, std::nan("")).found());
}

// ---- Long intervals

TEST(TypicalPitch, LongIntervalReadsABoundedNumberOfFrames)
{
    const std::vector<int16_t> voice = syntheticVoice({.f0Hz = 150.0, .seconds = 60.0});
    int64_t samplesRead = 0, lastEnd = 0;
    bool inside = true;
    const TypicalPitch p =
        estimateTypicalPitch(static_cast<int64_t>(voice.size()), 16000.0, [&](int64_t first, std::span<int16_t> out) {
            inside = inside && first >= 0 && first + static_cast<int64_t>(out.size()) <= std::ssize(voice);
            std::copy_n(voice.begin() + first, out.size(), out.begin());
            samplesRead += std::ssize(out);
            lastEnd = first + std::ssize(out);
        });
    EXPECT_TRUE(inside);
    EXPECT_EQ(p.examinedFrames, kTypicalPitchMaxFrames);
    // The frames are spread to the interval's end, and far fewer samples are read
    // than the interval holds.
    EXPECT_EQ(lastEnd, std::ssize(voice));
    EXPECT_LT(samplesRead, std::ssize(voice));
    ASSERT_TRUE(p.found());
    EXPECT_NEAR(p.hz, 150.0, 0.05 * 150.0);
}
