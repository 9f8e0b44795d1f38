#include "typical_pitch.h"

#include "synthetic_voice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

using namespace kelvox;
using namespace kelvox::test;

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
