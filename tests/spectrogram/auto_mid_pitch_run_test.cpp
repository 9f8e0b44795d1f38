// "Auto" in "Mid pitch Hz" through whole runs: the voice of the analysis interval
// estimated, the number written back and used by the pitch track.
#include "run_fixture.h"

#include "auto_mid_pitch.h"
#include "parse_number.h"
#include "sound_file.h"
#include "sound_files.h"
#include "synthetic_voice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace kelvox;
using namespace kelvox::test;

namespace {

std::vector<int> asInts(const std::vector<int16_t>& x) { return {x.begin(), x.end()}; }

double median(std::vector<double> v)
{
    if (v.empty())
        return 0.0;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

void chooseAuto(SpectrogramSettings& s, PitchMethod method)
{
    s = SpectrogramSettings{};
    s.pitchMethod = method;
    setBoxText(s, SpectrogramBox::MidPitch, kAutoMidPitchText);
}

std::string setTo(const std::string& text) { return "Mid pitch Hz: \"Auto\" set to \"" + text + "\""; }

}  // namespace

// A low man, a man, a woman and a child: the run finds the voice within 5 %, puts
// the method's mid pitch into the box, and the strokes it draws follow the voice.
TEST(AutoMidPitchRun, FollowsVoicesFromLowToHigh)
{
    for (double f0 : {80.0, 120.0, 200.0, 300.0}) {
        RunFixture f(asInts(syntheticVoice({.f0Hz = f0, .seconds = 2.2})));
        for (PitchMethod method : {PitchMethod::Amdf, PitchMethod::PeakP, PitchMethod::Cepstrum}) {
            const std::string what = std::to_string(f0) + " Hz, method " + std::to_string(static_cast<int>(method));
            chooseAuto(f.settings, method);
            std::vector<double> drawn;
            f.run.setTrackSink([&drawn](const PairTrack& t) {
                if (t.pitchDrawn)
                    drawn.push_back(t.pitchHz);
            });
            RecordingHost host;
            f.runPages(host);
            ASSERT_TRUE(f.run.typicalPitch() && f.run.typicalPitch()->found()) << what;
            EXPECT_NEAR(f.run.typicalPitch()->hz, f0, 0.05 * f0) << what;
            const std::string text = autoMidPitchText(*f.run.typicalPitch(), method, 16000.0);
            EXPECT_EQ(f.settings.midPitchText, text) << what;
            EXPECT_EQ(f.run.replacements(), (std::vector<std::string>{setTo(text)})) << what;
            EXPECT_FLOAT_EQ(f.p.midPitch, static_cast<float>(parseNumber(text))) << what;
            EXPECT_GT(drawn.size(), 50u) << what;
            EXPECT_NEAR(median(drawn), f0, 0.05 * f0) << what;
        }
    }
}

// The estimate hears the analysis interval of the selected channel only, and a run
// of the number written back estimates nothing.
TEST(AutoMidPitchRun, HearsTheIntervalAndChannelOnly)
{
    // Channel 0: 2 s at 100 Hz, then 2 s at 250 Hz; channel 1: 160 Hz throughout.
    const std::vector<int16_t> low = syntheticVoice({.f0Hz = 100.0, .seconds = 2.0});
    const std::vector<int16_t> high = syntheticVoice({.f0Hz = 250.0, .seconds = 2.0, .seed = 2});
    const std::vector<int16_t> other = syntheticVoice({.f0Hz = 160.0, .seconds = 4.0, .seed = 3});
    std::vector<int> stereo;
    for (size_t i = 0; i < other.size(); ++i) {
        stereo.push_back(i < low.size() ? low[i] : high[i - low.size()]);
        stereo.push_back(other[i]);
    }
    RunFixture f({0});
    ASSERT_TRUE(
        loadSoundBytes(makeWav({.channels = 2, .rateHz = 16000}, pcm16(stereo)), "two.wav", f.signal, 665, 201).ok);

    const auto autoCepstrum = [&f] {
        chooseAuto(f.settings, PitchMethod::Cepstrum);  // the mid pitch is the typical F0
        RecordingHost host;
        f.runPages(host);
        return parseNumber(f.settings.midPitchText);
    };
    f.signal.selectionStart = 0.0f;
    f.signal.selectionEnd = 2.0f;
    EXPECT_NEAR(autoCepstrum(), 100.0, 5.0);
    f.signal.selectionStart = 2.0f;
    f.signal.selectionEnd = 4.0f;
    EXPECT_NEAR(autoCepstrum(), 250.0, 12.5);
    const std::string used = f.settings.midPitchText;
    f.signal.selectedChannel = 1;
    EXPECT_NEAR(autoCepstrum(), 160.0, 8.0);

    // The box now holds a number: the next run uses it as it stands.
    f.settings.midPitchText = used;
    RecordingHost host;
    f.runPages(host);
    EXPECT_FALSE(f.run.typicalPitch().has_value());
    EXPECT_TRUE(f.run.replacements().empty());
    EXPECT_EQ(f.settings.midPitchText, used);
}

TEST(AutoMidPitchRun, SilenceGivesTheDefaultAndSaysSo)
{
    RunFixture f(std::vector<int>(32000, 0));
    for (PitchMethod method : {PitchMethod::Amdf, PitchMethod::PeakP, PitchMethod::Cepstrum}) {
        chooseAuto(f.settings, method);
        RecordingHost host;
        f.runPages(host);
        EXPECT_EQ(host.pages, (std::vector<int>{0}));
        ASSERT_TRUE(f.run.typicalPitch().has_value());
        EXPECT_FALSE(f.run.typicalPitch()->found());
        EXPECT_EQ(f.settings.midPitchText, "100");
        EXPECT_EQ(f.run.replacements(), (std::vector<std::string>{setTo("100") + " (no voice found in the interval)"}));
        EXPECT_FLOAT_EQ(f.p.midPitch, 100.0f);
    }
}
