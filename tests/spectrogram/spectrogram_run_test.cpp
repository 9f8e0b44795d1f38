// Whole spectrogram runs: paging, the captions' page numbers, the automatic gain,
// label files, refills before the buffer, stop requests and hostile settings.
#include "run_fixture.h"

#include "sound_files.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>

using namespace kelvox;
using namespace kelvox::test;

TEST(SpectrogramRun, PagesAreNumberedFromZeroAndTheLastIsMarked)
{
    RunFixture f(noisyTone(440.0, 16000, 6.0, 3000.0));
    RecordingHost host;
    f.runPages(host);
    // 6 s at 2.7 s per page, each next page 10 mm + up to 0.1 s earlier.
    EXPECT_EQ(host.pages, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(host.lastFlags, (std::vector<bool>{false, false, true}));
    EXPECT_EQ(f.st.buffer.bufferFill, 0);
}

TEST(SpectrogramRun, CaptionCarriesTheRecordingChannelAndPageNumber)
{
    RunFixture f(noisyTone(440.0, 16000, 4.0, 3000.0), 16000, "/tmp/kelvox caption/take.wav");
    std::vector<QImage> captions;
    const PageBox& frame = f.p.geometry.sub[PageLayout::kFrame];
    RecordingHost host;
    host.onPage = [&](int) {
        captions.push_back(f.plot.image().copy(frame.px0 + 4, frame.py0 + 1, 500, f.plot.lineheight()));
    };
    f.runPages(host);
    ASSERT_EQ(captions.size(), 2u);
    for (int page = 0; page < 2; ++page) {
        PlotDevice reference;
        reference.plotscreen();
        reference.plottextsize(1.0f);
        reference.plottext(frame.px0 + 4, frame.py0 + 1,
                           "Kelvox|Speg /tmp/kelvox caption/take.wav, Ch 0(1), Page " + std::to_string(page), 0);
        EXPECT_EQ(captions[static_cast<size_t>(page)],
                  reference.image().copy(frame.px0 + 4, frame.py0 + 1, 500, reference.lineheight()))
            << page;
    }
}

TEST(SpectrogramRun, PrintPagesAreDrawnAtTwiceTheResolution)
{
    RunFixture f(noisyTone(440.0, 16000, 1.0, 3000.0));
    RecordingHost host;
    f.runPages(host, 192);
    ASSERT_EQ(host.pages.size(), 1u);
    EXPECT_FLOAT_EQ(f.p.pixelsPerSecond, 755.0f);
    EXPECT_EQ(f.p.geometry.spgmRight, 2800 * 2137 / 2828);
    EXPECT_TRUE(f.p.printing);
}

TEST(SpectrogramRun, AutomaticGainBringsTheFirstBufferNearFullScaleForTheWholeRun)
{
    RunFixture f(noisyTone(440.0, 16000, 3.0, 1000.0));
    f.settings.gainText = "-200";
    ASSERT_TRUE(f.run.prepare(f.settings, false));
    // Two decibels of amplitude per step of the rule: within 2 dB below 16384.
    EXPECT_EQ(static_cast<int>(f.p.gainDb) % 2, 0);
    EXPECT_GE(f.p.gainDb, 20.0f);
    const auto largest = [&f] {
        float m = 0;
        for (int i = 0; i < f.st.buffer.bufferFill; ++i)
            m = std::max(m, std::fabs(f.st.buffer.ConditionedSamples[static_cast<size_t>(i)]));
        return m;
    };
    EXPECT_LE(largest(), 16384.0f);
    EXPECT_GT(largest(), 16384.0f * std::pow(10.0f, -0.1f));
    EXPECT_EQ(f.settings.gainText, "-200");  // the box keeps asking for the automatic gain

    // Later buffers are conditioned with the same gain.
    RecordingHost host;
    host.onPage = [&](int) {
        if (f.st.buffer.bufferFill > 0) {
            EXPECT_GT(largest(), 16384.0f * std::pow(10.0f, -0.1f));
        }
    };
    f.runPages(host);
    EXPECT_GE(host.pages.size(), 2u);

    RunFixture silent(std::vector<int>(16000, 0));
    silent.settings.gainText = "-200";
    ASSERT_TRUE(silent.run.prepare(silent.settings, false));
    EXPECT_EQ(silent.p.gainDb, 0.0f);
}

TEST(SpectrogramRun, AStartBeforeTheBufferRefillsInsteadOfEndingTheRun)
{
    // At 10 mm/s the next page starts a second (16 000 samples) before the end of the
    // last: always before the 4096 samples kept in the buffer.
    RunFixture f(noisyTone(440.0, 16000, 40.0, 3000.0));
    f.settings.timeScaleText = "10";
    double lastPair = 0.0;
    f.run.setTrackSink([&lastPair](const PairTrack& t) { lastPair = std::max(lastPair, t.timeSeconds); });
    RecordingHost host;
    testing::internal::CaptureStdout();
    f.runPages(host);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("Negative datpos -", 0), 0u) << out;
    EXPECT_EQ(host.pages, (std::vector<int>{0, 1}));
    EXPECT_EQ(host.lastFlags, (std::vector<bool>{false, true}));
    EXPECT_GT(lastPair, 39.9);  // the whole interval was drawn
}

TEST(SpectrogramRun, MissingLabelFileIsReportedAndTheRunGoesOn)
{
    RunFixture f(noisyTone(440.0, 16000, 1.0, 3000.0));
    f.labelFile = "/nonexistent/kelvox/take.mix";
    RecordingHost host;
    testing::internal::CaptureStdout();
    f.runPages(host);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Mix file >/nonexistent/kelvox/take.mix< not found\n");
    EXPECT_EQ(host.pages.size(), 1u);
}

TEST(SpectrogramRun, LabelsAreMarkedUnderTheWaveform)
{
    RunFixture f(noisyTone(440.0, 16000, 2.0, 3000.0));
    f.labelFile = writeTempFile("run-labels.mix", Bytes{});
    {
        FILE* file = std::fopen(f.labelFile.c_str(), "w");
        std::fputs("header line\nFR 0.500 aa\nFR 1.000 bb\n", file);
        std::fclose(file);
    }
    RecordingHost host;
    int ticks = 0;
    host.onPage = [&](int) {
        const PageBox& wave = f.p.geometry.sub[PageLayout::kWave];
        for (double t : {0.5, 1.0}) {
            // The tick lies in the pixel column of the label's sample (or the next).
            const int x = wave.px0 + static_cast<int>(t * f.p.pixelsPerSecond);
            for (int dx = 0; dx <= 1; ++dx)
                if ((f.plot.image().pixel(x + dx, wave.py0 - 5) & 0xFFFFFFu) == 0)
                    ++ticks;
        }
    };
    f.runPages(host);
    EXPECT_EQ(ticks, 2);
    EXPECT_FALSE(f.st.labels.open);

    // A file without a single label line marks nothing.
    FILE* file = std::fopen(f.labelFile.c_str(), "w");
    std::fputs("no labels here\n", file);
    std::fclose(file);
    ticks = 0;
    f.runPages(host);
    EXPECT_EQ(ticks, 0);
}

TEST(SpectrogramRun, LevelCurvesStayInsideTheirStrip)
{
    // A loud 3 kHz tone with SPL/SPLH puts the curves far above the strip's 40 dB
    // range; they must stop at its top instead of running over the strips above.
    // With the pitch strip off, nothing else is drawn between the time labels under
    // the spectrogram and the level strip.
    RunFixture f(noisyTone(3000, 16000, 1.0, 30000));
    f.layout.stripValue[PageLayout::kPitch] = 0;
    RecordingHost host;
    f.runPages(host);
    const PageBox& spgm = f.p.geometry.sub[PageLayout::kSpectrogram];
    const PageBox& level = f.p.geometry.sub[PageLayout::kLevel];
    const QImage& page = f.plot.image();
    int black = 0;
    for (int y = std::max(spgm.py0, spgm.py1) + f.plot.lineheight() + 6; y < std::min(level.py0, level.py1) - 1; ++y)
        for (int x = level.px0 + 1; x < level.px1; ++x)
            black += qGray(page.pixel(x, y)) < 128;
    EXPECT_EQ(black, 0);
}

TEST(SpectrogramRun, StopsWhenTheHostAsks)
{
    RunFixture f(noisyTone(440.0, 16000, 10.0, 3000.0));
    RecordingHost host;
    host.stopAfterPages = 1;
    f.runPages(host);
    EXPECT_EQ(host.pages, (std::vector<int>{0}));
}

namespace {

// Every page a run hands on, and its tracks, with or without the helper thread.
struct DrawnRun {
    std::vector<QImage> pages;
    std::vector<PairTrack> tracks;
    std::string printed;
};

// `followOn`: the host's pages follow at once, and the helper works on across them.
DrawnRun drawRun(const std::vector<int>& samples, AnalysisType type, PitchMethod pitch, bool helper, int dpi,
                 bool followOn = false, const std::function<void(SpectrogramSettings&)>& more = {})
{
    RunFixture f(samples);
    f.settings.analysis = type;
    f.settings.pitchMethod = pitch;
    if (more)
        more(f.settings);
    f.run.setHelperThread(helper);
    DrawnRun drawn;
    f.run.setTrackSink([&](const PairTrack& t) { drawn.tracks.push_back(t); });
    RecordingHost host;
    host.followOn = followOn;
    host.onPage = [&](int) { drawn.pages.push_back(f.plot.image().copy()); };
    testing::internal::CaptureStdout();
    f.runPages(host, dpi);
    drawn.printed = testing::internal::GetCapturedStdout();
    return drawn;
}

}  // namespace

void expectSameRun(const DrawnRun& alone, const DrawnRun& helped, const std::string& what)
{
    ASSERT_GE(alone.pages.size(), 2u) << what;
    ASSERT_EQ(helped.pages.size(), alone.pages.size()) << what;
    for (std::size_t k = 0; k < alone.pages.size(); ++k)
        EXPECT_TRUE(helped.pages[k] == alone.pages[k]) << what << ", page " << k;
    ASSERT_EQ(helped.tracks.size(), alone.tracks.size()) << what;
    for (std::size_t k = 0; k < alone.tracks.size(); ++k) {
        const PairTrack &a = alone.tracks[k], &b = helped.tracks[k];
        ASSERT_TRUE(a.timeSeconds == b.timeSeconds && a.pitchHz == b.pitchHz && a.pitchQuality == b.pitchQuality &&
                    a.pitchDrawn == b.pitchDrawn && a.lowDb == b.lowDb && a.highDb == b.highDb &&
                    a.totalDb == b.totalDb)
            << what << ", pair " << k;
    }
    EXPECT_EQ(helped.printed, alone.printed) << what;
}

// The helper thread analyses the coming pairs and carries the pitch estimate on:
// every page, track value and printed line is the same as without it, over pages
// and buffer slides, in every analysis type and pitch method; and the same again
// where it works on across the ends of pages, in buffer copies it slides ahead.
TEST(SpectrogramRun, TheHelperThreadDrawsTheSamePages)
{
    // A voice-like tone that glides, with pauses, over several buffer fills.
    std::vector<int> samples = noisyTone(140.0, 16000, 3.5, 6000.0);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double t = static_cast<double>(i) / 16000.0;
        samples[i] =
            static_cast<int>(samples[i] * (std::fmod(t, 1.2) < 0.9 ? 1.0 : 0.02) * (1.0 + 0.5 * std::sin(3.0 * t)));
    }
    for (AnalysisType type :
         {AnalysisType::Fourier, AnalysisType::ConstantQ, AnalysisType::Cepstrum, AnalysisType::LinPr17}) {
        for (PitchMethod pitch : {PitchMethod::PeakP, PitchMethod::Amdf, PitchMethod::Cepstrum}) {
            const int dpi = pitch == PitchMethod::Amdf ? 192 : 96;
            const DrawnRun alone = drawRun(samples, type, pitch, false, dpi);
            const std::string what = analysisTypeText(type) + " / " + pitchMethodText(pitch);
            expectSameRun(alone, drawRun(samples, type, pitch, true, dpi), what);
            expectSameRun(alone, drawRun(samples, type, pitch, true, dpi, true), what + ", across pages");
        }
    }
}

// Across pages the plan follows the run's own turns: pages that overlap by more than
// a buffer's worth (a slow time scale brings the next page's start back before the
// buffer, which refills), narrow pages that end between slides, and a run that stops
// part-way through.
TEST(SpectrogramRun, TheHelperFollowsTheRunAcrossPages)
{
    const std::vector<int> samples = noisyTone(180.0, 16000, 40.0, 5000.0);
    const auto slow = [](SpectrogramSettings& s) { s.timeScaleText = "8"; };
    const DrawnRun alone = drawRun(samples, AnalysisType::Fourier, PitchMethod::PeakP, false, 96, false, slow);
    EXPECT_NE(alone.printed.find("Negative datpos"), std::string::npos) << "the case refills the buffer";
    expectSameRun(alone, drawRun(samples, AnalysisType::Fourier, PitchMethod::PeakP, true, 96, true, slow), "slow");

    const auto narrow = [](SpectrogramSettings& s) { s.printSizeText = "20"; };
    expectSameRun(drawRun(samples, AnalysisType::ConstantQ, PitchMethod::Amdf, false, 96, false, narrow),
                  drawRun(samples, AnalysisType::ConstantQ, PitchMethod::Amdf, true, 96, true, narrow), "narrow");

    // One plan for the whole run where nothing interrupts it; one a page otherwise.
    for (bool followOn : {false, true}) {
        RunFixture f(noisyTone(180.0, 16000, 8.0, 5000.0));
        f.run.setHelperThread(true);
        RecordingHost host;
        host.followOn = followOn;
        f.runPages(host);
        ASSERT_GE(host.pages.size(), 3u);
        EXPECT_EQ(f.run.helperPlans(), followOn ? 1 : static_cast<int>(host.pages.size())) << followOn;
    }

    for (bool helper : {false, true}) {
        RunFixture f(samples);
        f.run.setHelperThread(helper);
        RecordingHost host;
        host.followOn = true;
        host.stopAfterPages = 2;
        f.runPages(host);
        EXPECT_EQ(host.pages, (std::vector<int>{0, 1})) << "helper " << helper;
    }
}

TEST(SpectrogramRun, PitchEstimatePersistsIntoTheNextRun)
{
    RunFixture f(noisyTone(220.0, 16000, 1.0, 3000.0));
    RecordingHost host;
    f.runPages(host);
    const double pitch = f.st.pitchTrack.pitch;
    EXPECT_NE(pitch, 50.0);
    ASSERT_TRUE(f.run.prepare(f.settings, false));
    EXPECT_EQ(f.st.pitchTrack.pitch, pitch);
}

TEST(SpectrogramRun, TracksOfAllFourAnalysisTypesAreFinite)
{
    for (AnalysisType type : {AnalysisType::Fourier, AnalysisType::ConstantQ, AnalysisType::Cepstrum,
                              AnalysisType::LinPr17}) {
        RunFixture f(noisyTone(150.0, 16000, 1.5, 8000.0));
        f.settings.analysis = type;
        int pairs = 0, bad = 0;
        double loudest = -1e9;
        f.run.setTrackSink([&](const PairTrack& t) {
            ++pairs;
            if (!std::isfinite(t.pitchHz) || !std::isfinite(t.lowDb) || !std::isfinite(t.highDb) ||
                !std::isfinite(t.totalDb))
                ++bad;
            loudest = std::max({loudest, t.lowDb, t.highDb, t.totalDb});
        });
        RecordingHost host;
        testing::internal::CaptureStdout();
        f.runPages(host);
        testing::internal::GetCapturedStdout();
        EXPECT_GT(pairs, 250) << static_cast<int>(type);
        EXPECT_EQ(bad, 0) << static_cast<int>(type);
        EXPECT_LT(loudest, 150.0) << static_cast<int>(type);  // no runaway filter
    }
}

namespace {

// Every value a hostile run hands on: finite, or the page is wrong.
bool finiteParameters(const SpectrogramParameters& p)
{
    return std::isfinite(p.topFrequency) && std::isfinite(p.bandwidth) && std::isfinite(p.pixelsPerSecond) &&
           p.pixelsPerSecond >= 1.0f && std::isfinite(p.conditioning.gainFactor) && std::isfinite(p.waveScale) &&
           std::isfinite(p.grayRange) && p.grayRange != 0.0f && std::isfinite(p.midPitch) && p.midPitch > 0 &&
           p.pairStep >= 1 && p.windowLength >= 2;
}

}  // namespace

// Each box in turn gets each hostile text, in every analysis type. A run must end
// by itself within one page per sample of the interval (each page moves the run on
// by at least a sample), hand on only finite values, and replace what cannot work.
TEST(SpectrogramRun, HostileSettingsEndWithinAPageBoundAndStayFinite)
{
    const std::vector<int> samples = noisyTone(150.0, 8000, 0.025, 8000.0);
    const std::vector<std::string> hostile = {"",       "abc",      "-5", "0", "1e9", "1000000000",
                                              "0.0001", std::string(400, '9')};
    const int bound = static_cast<int>(samples.size()) + 1;
    for (AnalysisType type : {AnalysisType::Fourier, AnalysisType::ConstantQ, AnalysisType::Cepstrum,
                              AnalysisType::LinPr17}) {
        // One set of owners per type: what a hostile run leaves behind (pitch,
        // filter memories, band energies) carries into the next, as in the program.
        RunFixture f(samples, 8000);
        int bad = 0;
        f.run.setTrackSink([&](const PairTrack& t) {
            if (!std::isfinite(t.pitchHz) || !std::isfinite(t.lowDb) || !std::isfinite(t.highDb) ||
                !std::isfinite(t.totalDb) || !finiteParameters(f.p))
                ++bad;
        });
        for (int box = 0; box < 8; ++box) {
            for (const std::string& text : hostile) {
                f.settings = SpectrogramSettings{};
                f.settings.analysis = type;
                f.settings.pitchMethod = static_cast<PitchMethod>(box % 3);
                setBoxText(f.settings, static_cast<SpectrogramBox>(box), text);
                bad = 0;
                RecordingHost host;
                host.stopAfterPages = bound + 1;
                testing::internal::CaptureStdout();
                f.runPages(host);
                testing::internal::GetCapturedStdout();
                const std::string what = boxLabel(static_cast<SpectrogramBox>(box)) + "=" + text.substr(0, 12) +
                                         " type " + std::to_string(static_cast<int>(type));
                ASSERT_FALSE(host.pages.empty()) << what;
                EXPECT_LE(static_cast<int>(host.pages.size()), bound) << what;
                EXPECT_TRUE(host.lastFlags.back()) << what;
                EXPECT_EQ(bad, 0) << what;
                EXPECT_TRUE(finiteParameters(f.p)) << what;
            }
        }
    }
}

TEST(SpectrogramRun, SettingsThatCannotWorkAreReplacedAndWrittenBack)
{
    RunFixture f(noisyTone(440.0, 16000, 0.5, 3000.0));
    f.settings.timeScaleText = "0";
    f.settings.printSizeText = "abc";
    f.settings.midPitchText = "-5";
    f.settings.bandwidthText = "0";
    f.settings.grayRangeText = "0";
    f.settings.gainText = "999";
    RecordingHost host;
    f.runPages(host);
    EXPECT_EQ(f.run.replacements(), (std::vector<std::string>{
                                        "Time scale mm/s: \"0\" replaced by \"100\"",
                                        "Print size %: \"abc\" replaced by \"100\"",
                                        "Mid pitch Hz: \"-5\" replaced by \"100\"",
                                        "Gain dB: \"999\" replaced by \"300\"",
                                        "Range between black and white: \"0\" replaced by \"40\"",
                                        "Bandwidth Hz: \"0\" replaced by \"250\"",
                                    }));
    EXPECT_EQ(f.settings.timeScaleText, "100");
    EXPECT_EQ(f.settings.timeScaleItem, 3);
    EXPECT_EQ(f.settings.printSizeItem, 0);
    EXPECT_EQ(f.settings.bandwidthText, "250");
    EXPECT_EQ(f.settings.bandwidthItem, -1);
    EXPECT_EQ(f.p.windowLength, 128);

    // A time scale too small for one pixel column per second at the print size.
    f.settings.timeScaleText = "0.2";
    f.runPages(host);
    EXPECT_EQ(f.settings.timeScaleText, "100");
    f.settings.printSizeText = "0.001";
    f.runPages(host);
    EXPECT_EQ(f.run.replacements(), (std::vector<std::string>{"Print size %: \"0.001\" replaced by \"100\""}));
    // 1 mm/s is a pixel column per 0.26 s at full size, but less than one per second
    // at 25 %: the time scale goes back to "100", the print size stays.
    f.settings.timeScaleText = "1";
    f.settings.printSizeText = "25";
    f.runPages(host);
    EXPECT_EQ(f.run.replacements(), (std::vector<std::string>{"Time scale mm/s: \"1\" replaced by \"100\""}));
    EXPECT_EQ(f.settings.timeScaleText, "100");
    EXPECT_EQ(f.settings.printSizeText, "25");
    EXPECT_FLOAT_EQ(f.p.pixelsPerSecond, 94.0f);  // trunc(96 × 25 / 25.4)
    f.settings.printSizeText = "100";

    // One so large that a page would hold less than one sample (250 mm at 16 kHz
    // takes 4 000 000 mm/s).
    f.settings.timeScaleText = "9999999999";
    f.runPages(host);
    EXPECT_EQ(f.settings.timeScaleText, "100");
    f.signal.selectionEnd = 0.001f;  // a millisecond: a dozen pages at 3 000 000 mm/s
    f.settings.timeScaleText = "3000000";
    f.runPages(host);
    EXPECT_EQ(f.settings.timeScaleText, "3000000");
}

TEST(SpectrogramLabelledRun, DrivesTheRunByLabelsAndWritesTracks)
{
    RunFixture f(noisyTone(110.0, 16000, 1.0, 3000.0));
    f.layout.stripValue[PageLayout::kPitch] = 0;  // pitch strip off: no pitch columns
    std::unique_ptr<LabelledRun> run =
        makeSpectrogramLabelledRun(f.signal, f.layout, f.plot, f.ws, f.st, f.labelFile, f.labelChoice);
    EXPECT_EQ(run->controls().size(), 11u);
    std::string error;
    ASSERT_TRUE(run->set("Gain dB", "10", error));
    EXPECT_FALSE(run->set("Levels", "SPL", error));
    EXPECT_FALSE(run->setDataOutput("--values", "/tmp/x.csv", error));
    EXPECT_FALSE(run->setDataOutput("--tracks", "/nonexistent/dir/tracks.csv", error));
    const std::string csv = writeTempFile("adapter-tracks.csv", Bytes{});
    ASSERT_TRUE(run->setDataOutput("--tracks", csv, error)) << error;
    RecordingHost host;
    run->run(192, host);
    EXPECT_EQ(f.plot.resolution(), 192);
    EXPECT_EQ(host.pages, (std::vector<int>{0}));
    EXPECT_TRUE(run->replacements().empty());

    FILE* in = std::fopen(csv.c_str(), "r");
    ASSERT_NE(in, nullptr);
    char line[256];
    ASSERT_NE(std::fgets(line, sizeof line, in), nullptr);
    EXPECT_STREQ(line, "time_s,pitch_hz,pitch_quality,pitch_drawn,low_db,high_db,total_db\n");
    ASSERT_NE(std::fgets(line, sizeof line, in), nullptr);
    EXPECT_EQ(std::string(line).rfind("0.000000,,,,", 0), 0u) << line;
    std::vector<double> gainedTotals{std::strtod(std::strrchr(line, ',') + 1, nullptr)};
    while (std::fgets(line, sizeof line, in))
        gainedTotals.push_back(std::strtod(std::strrchr(line, ',') + 1, nullptr));
    std::fclose(in);
    EXPECT_EQ(gainedTotals.size(), 200u);  // 1 s in pairs of 80 samples

    // The gain of 10 dB reached the run: once the filters have settled, the total
    // level lies 10 dB above that of the same run at 0 dB.
    std::vector<double> plainTotals;
    f.run.setTrackSink([&](const PairTrack& t) { plainTotals.push_back(t.totalDb); });
    RecordingHost plainHost;
    f.runPages(plainHost, 192);
    ASSERT_EQ(plainTotals.size(), gainedTotals.size());
    EXPECT_NEAR(gainedTotals[100] - plainTotals[100], 10.0, 0.1);
}
