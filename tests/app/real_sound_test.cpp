// Playing through a real sound server: the main window's ▶ button and the
// program's audio output on a private PulseAudio server whose null sink is
// recorded. What the sink plays must be the selection: its length, its pitch and
// its level; playback returns once the selection has played, and a server that
// goes away ends the play with a message.

#include "main_window.h"
#include "private_services.h"
#include "sound_files.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>

using namespace kelvox;
using namespace kelvox::test;

namespace {

struct Tone {
    int rateHz;
    int channels;
    int bits;
    double leftHz, rightHz;  // the right channel's tone (stereo only)
};

// A tone burst: 0.1 s of silence, 1.0 s of tone at half of full scale (±64 of
// 128 in 8-bit data, ±16384 in 16-bit data), 0.1 s of silence.
std::string toneBurstFile(const Tone& tone)
{
    const int frames = static_cast<int>(1.2 * tone.rateHz);
    const int silence = tone.rateHz / 10;
    std::vector<int> samples;
    for (int f = 0; f < frames; ++f)
        for (int c = 0; c < tone.channels; ++c) {
            const double hz = c == 0 ? tone.leftHz : tone.rightHz;
            const double s =
                f < silence || f >= frames - silence ? 0.0 : std::sin(2 * std::numbers::pi * hz * f / tone.rateHz);
            samples.push_back(static_cast<int>(std::lround(s * (tone.bits == 8 ? 64 : 16384))));
        }
    Bytes data;
    if (tone.bits == 8) {
        for (int v : samples)
            data.push_back(static_cast<uint8_t>(128 + v));  // 8-bit WAV samples are unsigned
    } else {
        data = pcm16(samples);
    }
    const std::string name = "burst-" + std::to_string(tone.rateHz) + "-" + std::to_string(tone.channels) + "-" +
                             std::to_string(tone.bits) + ".wav";
    return writeTempFile(name,
                         makeWav({.channels = tone.channels, .rateHz = tone.rateHz, .bitsPerSample = tone.bits}, data));
}

struct MainWindow {
    SignalState state;
    TForm1 form{state};
    QStringList notices;
    MainWindow()
    {
        form.setNotifier([this](QWidget*, const QString& text) { notices << text; });
        form.setErrorBox([](QWidget*, const QString&) {});
    }
    void select(const QString& from, const QString& to)
    {
        for (auto [name, text] : {std::pair{"Edit3", from}, std::pair{"Edit4", to}}) {
            auto* edit = form.findChild<QLineEdit*>(name);
            edit->setText(text);
            QTest::keyRelease(edit, Qt::Key_Return);
        }
    }
    /// Presses ▶ and returns the milliseconds until playback returned.
    qint64 play()
    {
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(form.findChild<QToolButton*>("MediaPlayer1"), Qt::LeftButton);
        return clock.elapsed();
    }
    /// Presses ▶ and lets `failure` befall the server `afterMs` into the play;
    /// true when it had befallen it before playback returned.
    bool playUntil(int afterMs, const std::function<void()>& failure)
    {
        bool happened = false;
        QTimer::singleShot(afterMs, [&] {
            happened = true;
            failure();
        });
        play();
        return happened;
    }
};

// One channel of interleaved samples.
std::vector<double> channel(const std::vector<int16_t>& interleaved, int channels, int c)
{
    std::vector<double> out;
    for (std::size_t i = static_cast<std::size_t>(c); i < interleaved.size(); i += static_cast<std::size_t>(channels))
        out.push_back(interleaved[i]);
    return out;
}

// The first and one past the last sample louder than `threshold`; {0, 0} for silence.
std::pair<std::size_t, std::size_t> burst(const std::vector<double>& x, double threshold)
{
    std::size_t first = x.size(), last = 0;
    for (std::size_t i = 0; i < x.size(); ++i)
        if (std::abs(x[i]) > threshold) {
            first = std::min(first, i);
            last = i + 1;
        }
    return first < last ? std::pair{first, last} : std::pair<std::size_t, std::size_t>{0, 0};
}

// The frequency of the strongest component of x[begin, begin + n) at rateHz, on
// a 5 Hz grid up to half the rate (Hann window, Goertzel's recursion per frequency).
double spectralPeakHz(const std::vector<double>& x, std::size_t begin, std::size_t n, int rateHz)
{
    std::vector<double> windowed(n);
    for (std::size_t i = 0; i < n; ++i)
        windowed[i] = x[begin + i] *
                      (0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n)));
    double bestHz = 0, bestPower = -1;
    for (double hz = 20; hz < rateHz / 2.0; hz += 5) {
        const double k = 2 * std::cos(2 * std::numbers::pi * hz / rateHz);
        double s1 = 0, s2 = 0;
        for (double v : windowed) {
            const double s0 = v + k * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        const double power = s1 * s1 + s2 * s2 - k * s1 * s2;
        if (power > bestPower) {
            bestPower = power;
            bestHz = hz;
        }
    }
    return bestHz;
}

double rms(const std::vector<double>& x, std::size_t begin, std::size_t n)
{
    double sum = 0;
    for (std::size_t i = begin; i < begin + n; ++i)
        sum += x[i] * x[i];
    return std::sqrt(sum / static_cast<double>(n));
}

}  // namespace

TEST(RealSoundServer, PlaysTheWholeSelectionAndEndsWithAMessageWhenTheServerFails)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty() &&
        !QStandardPaths::findExecutable(QStringLiteral("pipewire-pulse")).isEmpty())
        GTEST_SKIP() << "PipeWire serves sound here, and PulseAudio is not installed beside it (scripts/install-deps)";
    PrivatePulse pulse;
    ASSERT_TRUE(pulse.error().isEmpty()) << pulse.error().toStdString();
    MainWindow w;
    ASSERT_TRUE(pulse.startRecording()) << pulse.log().toStdString();
    constexpr int r = PrivatePulse::sinkRateHz, sinkChannels = PrivatePulse::sinkChannels;
    constexpr double loud = 4000;  // a quarter of the tone's amplitude

    const Tone tones[] = {
        {8000, 1, 8, 700, 700},
        {8000, 1, 16, 700, 700},
        {44100, 2, 8, 1000, 1500},
        {44100, 2, 16, 1000, 1500},
    };
    for (const Tone& tone : tones) {
        SCOPED_TRACE(std::to_string(tone.rateHz) + " Hz, " + std::to_string(tone.channels) + " channel(s), " +
                     std::to_string(tone.bits) + "-bit");
        ASSERT_TRUE(w.form.loadFile(QString::fromStdString(toneBurstFile(tone))));
        w.select("0.3", "0.9");  // 600 ms inside the tone
        const std::size_t before = pulse.recorded().size();
        const auto heard = [&] {
            const std::vector<int16_t> all = pulse.recorded();
            return std::vector<int16_t>(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
        };
        const qint64 elapsedMs = w.play();
        EXPECT_TRUE(w.notices.isEmpty()) << w.notices.join('\n').toStdString();
        // Playback returned once the selection had played, not before.
        EXPECT_GE(elapsedMs, 600 - 50);
        // The recording goes on until the burst is followed by a quarter second of quiet.
        waitUntil(
            [&] {
                const std::vector<double> left = channel(heard(), sinkChannels, 0);
                const auto [first, last] = burst(left, loud);
                return last > first && left.size() > last + r / 4;
            },
            10000);

        const std::vector<int16_t> recording = heard();
        for (int c = 0; c < sinkChannels; ++c) {
            SCOPED_TRACE(c == 0 ? "left" : "right");
            const std::vector<double> x = channel(recording, sinkChannels, c);
            const auto [first, last] = burst(x, loud);
            ASSERT_GT(last, first) << "nothing was heard";
            EXPECT_NEAR(static_cast<double>(last - first) / r, 0.6, 0.05);
            const std::size_t tenth = r / 10;  // 0.1 s from the burst's middle
            const std::size_t begin = (first + last) / 2 - tenth / 2;
            const double expectedHz = tone.channels == 2 && c == 1 ? tone.rightHz : tone.leftHz;
            EXPECT_NEAR(spectralPeakHz(x, begin, tenth, r), expectedHz, expectedHz * 0.01);
            // Half of full scale: an RMS of 16384 / √2, within 1 dB.
            EXPECT_NEAR(20 * std::log10(rms(x, begin, tenth) / (16384 / std::numbers::sqrt2)), 0.0, 1.0);
        }
    }
    pulse.stopRecording();

    // A server that hangs a fifth of a second into the play: the play ends, with a
    // message, once the time for the selection has run out.
    w.select("0.1", "0.7");
    EXPECT_TRUE(w.playUntil(200, [&] { pulse.freezeServer(); }));
    pulse.thawServer();
    ASSERT_EQ(w.notices.size(), 1);
    EXPECT_EQ(w.notices.back(), "The audio output stopped before the end of the selection.");

    // A server that dies half a second into the play: the play ends with a message.
    w.select("0.1", "1.1");
    EXPECT_TRUE(w.playUntil(500, [&] { pulse.killServer(); }));
    ASSERT_EQ(w.notices.size(), 2);
    EXPECT_EQ(w.notices.back(), "The audio output stopped with an error.");
}
