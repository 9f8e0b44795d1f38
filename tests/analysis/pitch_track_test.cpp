#include "pitch_track.h"

#include "page_fixture.h"
#include "real_fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace kelvox;
using namespace kelvox::test;

namespace {

// A pulse train whose pulses fade by 0.2 % each, as a voice's do. (A perfectly
// steady train makes one period and two periods tie to the rounding error.)
std::vector<int> voicedPulses(int period)
{
    std::vector<int> x(16384, 0);
    double amplitude = 8000.0;
    for (size_t i = 0; i < x.size(); i += static_cast<size_t>(period), amplitude *= 0.998)
        x[i] = static_cast<int>(amplitude);
    return x;
}

class PitchTrack : public testing::Test {
protected:
    void SetUp() override
    {
        f.useFourier(256, 160, 80);
        f.useMidPitch(140.0);
        f.st.levelTrack.lowLevel = 40.0;  // the level gate open
        f.p.topFrequency = 8000.0;
    }

    // Runs `pairs` column pairs from buffer position `start`, as the page loop does.
    void track(int start, int pairs)
    {
        for (int p = 0; p < pairs; ++p) {
            f.st.cursor.analysisPos = start + p * f.p.pairStep;
            f.st.cursor.pairX0 = 2 * p;
            f.pitchTrack();
        }
    }

    int strokePixels() const
    {
        const PageBox& d = f.p.geometry.sub[PageLayout::kPitch];
        return blackCount(f.plot.image(), d.px0, d.py1, d.px1, d.py0);
    }

    PageFixture f;
};

}  // namespace

TEST(Refinelag, FindsTheFractionalPeriodOfASmoothWave)
{
    PageFixture f(kRate);
    const double period = 80.4;
    for (int i = 0; i < 4000; ++i)
        f.st.buffer.ResonatorSamples[static_cast<size_t>(i)] =
            static_cast<float>(std::sin(2 * std::numbers::pi * i / period));
    f.st.buffer.bufferFill = 4000;
    EXPECT_NEAR(refinelag(f.st.buffer.resonator(), 2000, 80), period, 0.05);
    EXPECT_NEAR(refinelag(f.st.buffer.resonator(), 2000, 81), period, 0.05);
    // No slope anywhere: the integer period stands.
    std::fill(f.st.buffer.ResonatorSamples.begin(), f.st.buffer.ResonatorSamples.end(), 0.0f);
    EXPECT_EQ(refinelag(f.st.buffer.resonator(), 2000, 80), 80.0);
}

TEST_F(PitchTrack, AmdfSettlesOnThePeriodThenSearchesNarrowly)
{
    f.p.pitchMethod = PitchMethod::Amdf;
    f.st.pitchTrack.pitch = 50.0;
    f.st.pitchTrack.pitchQuality = 2;  // a wide search first
    f.loadBuffer(voicedPulses(80));
    track(3000, 10);
    EXPECT_EQ(f.st.pitchTrack.pitchQuality, 0);
    EXPECT_EQ(static_cast<int>(kRate / f.st.pitchTrack.pitch), 80);
    EXPECT_GT(strokePixels(), 0);

    // A pulse train at 320 Hz now: the narrow search (lags 64 … 99) cannot reach its
    // period of 50 samples and lands near two periods instead.
    f.loadBuffer(voicedPulses(50));
    track(3000, 1);
    EXPECT_GT(f.st.pitchTrack.pitch, 150.0);
    EXPECT_LT(f.st.pitchTrack.pitch, 260.0);
}

TEST_F(PitchTrack, AmdfOnSilenceDrawsNothing)
{
    f.p.pitchMethod = PitchMethod::Amdf;
    f.st.pitchTrack.pitchQuality = 2;
    f.st.levelTrack.lowLevel = -64.0;  // the level of digital silence
    f.loadBuffer(std::vector<int>(16384, 0));
    track(3000, 5);
    // D = 0 at the first lag (228/4 = 57): 280.7 Hz, clamped to 2 × 140.
    EXPECT_DOUBLE_EQ(f.st.pitchTrack.pitch, 280.0);
    EXPECT_EQ(f.st.pitchTrack.pitchQuality, 2);
    EXPECT_FALSE(f.st.pitchTrack.pitchStrokeDrawn);
    EXPECT_EQ(strokePixels(), 0);
}

TEST_F(PitchTrack, AmdfStrokeLiesAtThePitchForOnePairStep)
{
    f.p.pitchMethod = PitchMethod::Amdf;
    f.st.pitchTrack.pitchQuality = 2;
    f.loadBuffer(voicedPulses(80));
    track(3000, 10);
    f.plot.image().fill(Qt::white);
    track(3800, 1);
    ASSERT_TRUE(f.st.pitchTrack.pitchStrokeDrawn);
    // One pair step at 377 px/s is one pixel, two rows thick (quality 0), at the
    // pitch's row of the pitch strip's log10 Hz axis.
    const int y = f.plot.plotypix(std::log10(f.st.pitchTrack.pitch));
    const int x = f.p.geometry.sub[PageLayout::kPitch].px0;
    EXPECT_TRUE(isBlack(f.plot.image(), x, y) || isBlack(f.plot.image(), x, y - 1));
    EXPECT_EQ(strokePixels(), 2);
}

TEST_F(PitchTrack, PeakPickingFollowsThePulseTrain)
{
    f.loadBuffer(voicedPulses(80));
    track(2000, 40);
    EXPECT_NEAR(f.st.pitchTrack.pitch, 200.0, 4.0);
    // Strokes follow the pixel columns: about one pixel per column of the pairs.
    EXPECT_GT(strokePixels(), 40);
}

TEST_F(PitchTrack, CepstrumFindsThePulsePeriod)
{
    // The score leans toward the running average (the mid pitch at first): a mid
    // pitch of 180 Hz still finds the 200 Hz peak.
    ASSERT_EQ(realfftsetup(f.ws, 512), 0);
    f.useMidPitch(180.0);
    f.p.pitchMethod = PitchMethod::Cepstrum;
    f.st.pitchTrack.avgPitch = 180.0;
    f.st.pitchTrack.jitter = 0.0;
    f.loadBuffer(voicedPulses(80));
    track(3000, 20);
    EXPECT_NEAR(f.st.pitchTrack.pitch, 200.0, 2.0);
    EXPECT_GT(f.st.pitchTrack.avgPitch, 185.0);  // the running average moves toward it
    EXPECT_TRUE(f.st.pitchTrack.pitchStrokeDrawn);
}

TEST_F(PitchTrack, CepstrumOnSilenceKeepsTheMidPitchAndDrawsNothing)
{
    ASSERT_EQ(realfftsetup(f.ws, 512), 0);
    f.p.pitchMethod = PitchMethod::Cepstrum;
    f.st.pitchTrack.avgPitch = 140.0;
    f.loadBuffer(std::vector<int>(16384, 0));
    track(3000, 5);
    EXPECT_DOUBLE_EQ(f.st.pitchTrack.pitch, 140.0);
    EXPECT_EQ(strokePixels(), 0);
}
