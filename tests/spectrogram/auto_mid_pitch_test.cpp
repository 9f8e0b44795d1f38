#include "auto_mid_pitch.h"

#include "parse_number.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kelvox;

namespace {

constexpr PitchMethod kMethods[] = {PitchMethod::PeakP, PitchMethod::Amdf, PitchMethod::Cepstrum};

TypicalPitch voiceAt(double hz) { return {.hz = hz, .voicedFrames = 200, .examinedFrames = 400}; }

}  // namespace

TEST(AutoMidPitch, NoVoicedFrameGivesTheDefault)
{
    for (PitchMethod m : kMethods) {
        EXPECT_EQ(autoMidPitchText(TypicalPitch{}, m, 16000.0), "100");
        EXPECT_EQ(autoMidPitchText({.hz = 0.0, .voicedFrames = 0, .examinedFrames = 300}, m, 16000.0), "100");
    }
}

TEST(AutoMidPitch, FittedValuesForATypicalManAndWoman)
{
    // A man at 100 Hz and a woman at 200 Hz: "AMDF" centres above a man's pitch and
    // just below a woman's, "Peak P" well below both, "Cepstrum" on them.
    EXPECT_EQ(autoMidPitchText(voiceAt(100.0), PitchMethod::Amdf, 16000.0), "126");
    EXPECT_EQ(autoMidPitchText(voiceAt(200.0), PitchMethod::Amdf, 16000.0), "191");
    EXPECT_EQ(autoMidPitchText(voiceAt(100.0), PitchMethod::PeakP, 16000.0), "70");
    EXPECT_EQ(autoMidPitchText(voiceAt(200.0), PitchMethod::PeakP, 16000.0), "140");
    EXPECT_EQ(autoMidPitchText(voiceAt(100.0), PitchMethod::Cepstrum, 16000.0), "100");
    EXPECT_EQ(autoMidPitchText(voiceAt(200.0), PitchMethod::Cepstrum, 16000.0), "200");
}

TEST(AutoMidPitch, AmdfGoesLowerWhereItsWindowIsAtItsLimit)
{
    // 2·fs/mid above 500 samples: the window stays at 500 and 0.9·F0 fits better.
    EXPECT_EQ(autoMidPitchText(voiceAt(100.0), PitchMethod::Amdf, 44100.0), "90");   // 126 Hz: 700 samples
    EXPECT_EQ(autoMidPitchText(voiceAt(200.0), PitchMethod::Amdf, 48000.0), "180");  // 191 Hz: 503 samples
    EXPECT_EQ(autoMidPitchText(voiceAt(200.0), PitchMethod::Amdf, 44100.0), "191");  // 462 samples
    EXPECT_EQ(autoMidPitchText(voiceAt(100.0), PitchMethod::Amdf, 22050.0), "126");  // 350 samples
    // Only "AMDF" compares a window of its mid pitch.
    EXPECT_EQ(autoMidPitchText(voiceAt(100.0), PitchMethod::PeakP, 48000.0), "70");
    EXPECT_EQ(autoMidPitchText(voiceAt(100.0), PitchMethod::Cepstrum, 48000.0), "100");
}

TEST(AutoMidPitch, TextIsWholeHertzRounded)
{
    // 0.7 · 100.8 = 70.56 and 0.7 · 100.6 = 70.42.
    EXPECT_EQ(autoMidPitchText(voiceAt(100.8), PitchMethod::PeakP, 16000.0), "71");
    EXPECT_EQ(autoMidPitchText(voiceAt(100.6), PitchMethod::PeakP, 16000.0), "70");
}

TEST(AutoMidPitch, TypicalPitchLiesInsideTheClampRangeOverTheEstimatorsRange)
{
    // Every method clamps its estimates to [mid/2, 2·mid]: the voice's typical F0
    // must lie inside with room to spare (5 %), or its own median would be clamped.
    for (double rate : {8000.0, 16000.0, 44100.0, 48000.0, 96000.0})
        for (PitchMethod m : kMethods)
            for (double f0 = kTypicalPitchLowestHz; f0 <= kTypicalPitchHighestHz; f0 *= 1.01) {
                const double mid = parseNumber(autoMidPitchText(voiceAt(f0), m, rate));
                EXPECT_GE(f0, 1.05 * mid / 2.0) << f0 << " Hz, method " << static_cast<int>(m) << " at " << rate;
                EXPECT_LE(f0, 2.0 * mid / 1.05) << f0 << " Hz, method " << static_cast<int>(m) << " at " << rate;
            }
}
