// The section analyses: set-up values, frame and transform lengths, windows, the
// five analysis types, the long-time average and silence.
#include "dft_reference.h"
#include "section_analysis.h"
#include "section_recording.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

using namespace kelvox;
using namespace kelvox::test;

namespace {

struct SetUpResult {
    SectionSettings settings;
    std::vector<std::string> replacements;
};

SetUpResult runSetUp(SectionControls& c, const SignalState& s, TimeInterval interval, AnalysisWorkspace& ws)
{
    SetUpResult r;
    r.settings = sectionSetup(c, s, interval, ws, r.replacements);
    return r;
}

// Runs the analysis as the page loop does, from the settings' start, until a
// section is complete; returns the number of frames it took (0: none completed).
int analyseUntilComplete(SectionAnalyser& a, const SignalState& s, AnalysisWorkspace& ws, SectionSettings& st)
{
    for (int frames = 1; st.currentTime <= st.analysisEnd && st.readPosition < s.sampleLimit; ++frames) {
        const double next = st.hop / s.sampleRate + st.currentTime;
        const bool complete = a.analyse(s, ws, st, next);
        st.currentTime = next;
        st.readPosition += st.hop;
        if (complete)
            return frames;
    }
    return 0;
}

// Levels of the first section of `samples` with the given controls and a 10 ms step.
std::vector<float> firstSection(const std::vector<int>& samples, int rate, SectionControls c, AnalysisWorkspace& ws,
                                SectionSettings* settingsOut = nullptr)
{
    const SignalState s = loadedRecording(samples, rate);
    setSectionBox(c, SectionBox::TimeStep, "10");
    SetUpResult r = runSetUp(c, s, {0.0f, s.fileDuration}, ws);
    SectionAnalyser a;
    a.prepare(r.settings);
    EXPECT_EQ(analyseUntilComplete(a, s, ws, r.settings), 1);
    if (settingsOut)
        *settingsOut = r.settings;
    return a.levels();
}

int argmax(const std::vector<float>& v, int from, int to)
{
    return static_cast<int>(std::max_element(v.begin() + from, v.begin() + to) - v.begin());
}

}  // namespace

TEST(SectionSetup, HundredHertzAtSixteenKilohertz)
{
    AnalysisWorkspace ws;
    SectionControls c;
    const SignalState s = loadedRecording(std::vector<int>(16000, 0), 16000);
    const SetUpResult r = runSetUp(c, s, {0.0f, 1.0f}, ws);
    EXPECT_EQ(r.settings.frameLength, 320);
    EXPECT_EQ(r.settings.fftLength, 512);
    EXPECT_EQ(ws.FftSize, 512);
    EXPECT_EQ(r.settings.hop, 160);
    EXPECT_DOUBLE_EQ(r.settings.bandwidth, 100.0);
    EXPECT_NEAR(r.settings.ltasFrames, 100.0f, 1e-3);
    EXPECT_DOUBLE_EQ(r.settings.timeStep, 0.02);  // "LTAS" steps by one frame length
    EXPECT_DOUBLE_EQ(r.settings.freqRange, 8000.0);
    EXPECT_NEAR(r.settings.analysisEnd, 1.0 - 1.0 / 16000, 1e-7);
    EXPECT_EQ(r.settings.readPosition, s.dataOffset);
    EXPECT_NEAR(r.settings.gainFactor, std::pow(10.0, -0.5), 1e-6);
    EXPECT_TRUE(r.replacements.empty());
}

TEST(SectionSetup, InterpolationLengthensTheTransformUpTo16384)
{
    AnalysisWorkspace ws;
    SectionControls c;
    setSectionBox(c, SectionBox::Bandwidth, "25");
    setSectionBox(c, SectionBox::Interpolation, "16");
    const SignalState s = loadedRecording(std::vector<int>(4410, 0), 44100);
    const SetUpResult r = runSetUp(c, s, {0.0f, 0.1f}, ws);
    EXPECT_EQ(r.settings.frameLength, 3528);
    EXPECT_EQ(r.settings.fftLength, 16384);
}

TEST(SectionSetup, EightHundredHertzAtEightKilohertz)
{
    AnalysisWorkspace ws;
    SectionControls c;
    setSectionBox(c, SectionBox::Bandwidth, "800");
    setSectionBox(c, SectionBox::TimeStep, "10");
    const SignalState s = loadedRecording(std::vector<int>(8000, 0), 8000);
    const SetUpResult r = runSetUp(c, s, {0.0f, 1.0f}, ws);
    EXPECT_EQ(r.settings.frameLength, 20);
    EXPECT_EQ(r.settings.fftLength, 32);
    EXPECT_EQ(r.settings.hop, 80);  // the time step's hop
    EXPECT_EQ(r.settings.ltasFrames, 0.0f);
}

TEST(SectionSetup, FrequencyRangeIsForcedIntoItsBoundsAndShownBack)
{
    AnalysisWorkspace ws;
    const SignalState s = loadedRecording(std::vector<int>(16000, 0), 16000);
    SectionControls c;
    setSectionBox(c, SectionBox::FrequencyRange, "10000");
    SetUpResult r = runSetUp(c, s, {0.0f, 1.0f}, ws);
    EXPECT_DOUBLE_EQ(r.settings.freqRange, 8000.0);
    EXPECT_EQ(c.frequencyRangeText, "fs/2");
    EXPECT_EQ(c.frequencyRangeItem, 0);
    ASSERT_EQ(r.replacements.size(), 1u);
    EXPECT_EQ(r.replacements[0], "F range Hz: \"10000\" replaced by \"fs/2\"");

    setSectionBox(c, SectionBox::FrequencyRange, "100");
    r = runSetUp(c, s, {0.0f, 1.0f}, ws);
    EXPECT_DOUBLE_EQ(r.settings.freqRange, 250.0);
    EXPECT_EQ(c.frequencyRangeText, "250");
    EXPECT_EQ(c.frequencyRangeItem, -1);

    setSectionBox(c, SectionBox::FrequencyRange, "5000");
    r = runSetUp(c, s, {0.0f, 1.0f}, ws);
    EXPECT_DOUBLE_EQ(r.settings.freqRange, 5000.0);
    EXPECT_TRUE(r.replacements.empty());
}

TEST(SectionSetup, SettingsThatWouldHangAreReplacedAndWrittenBack)
{
    AnalysisWorkspace ws;
    const SignalState s = loadedRecording(std::vector<int>(16000, 0), 16000);
    SectionControls c;
    setSectionBox(c, SectionBox::Bandwidth, "0");
    setSectionBox(c, SectionBox::LevelRange, "-5");
    setSectionBox(c, SectionBox::TimeStep, "-20");
    setSectionBox(c, SectionBox::Gain, "1000");
    SetUpResult r = runSetUp(c, s, {0.0f, 1.0f}, ws);
    EXPECT_EQ(c.bandwidthText, "100");
    EXPECT_EQ(c.bandwidthItem, 2);
    EXPECT_EQ(c.levelRangeText, "60");
    EXPECT_EQ(c.timeStepText, "20");
    EXPECT_EQ(c.timeStepItem, 2);
    EXPECT_EQ(c.gainText, "150");
    EXPECT_EQ(r.settings.hop, 320);
    EXPECT_DOUBLE_EQ(r.settings.levelRange, 60.0);
    EXPECT_FLOAT_EQ(r.settings.gainDb, 150.0f);
    EXPECT_EQ(r.replacements.size(), 4u);

    // A step shorter than a sample is one sample, and reads back as one.
    for (const int rate : {16000, 44100, 22050, 8000}) {
        const SignalState t = loadedRecording(std::vector<int>(static_cast<std::size_t>(rate / 10), 0), rate);
        setSectionBox(c, SectionBox::TimeStep, "0.0001");
        r = runSetUp(c, t, {0.0f, 0.1f}, ws);
        EXPECT_EQ(r.settings.hop, 1) << rate;
        SetUpResult again = runSetUp(c, t, {0.0f, 0.1f}, ws);
        EXPECT_EQ(again.settings.hop, 1) << c.timeStepText;
        EXPECT_TRUE(again.replacements.empty()) << c.timeStepText;
    }

    // Bandwidths above the sample rate still leave a frame of two samples.
    setSectionBox(c, SectionBox::Bandwidth, "99999999");
    setSectionBox(c, SectionBox::TimeStep, "LTAS");
    r = runSetUp(c, s, {0.0f, 1.0f}, ws);
    EXPECT_EQ(r.settings.frameLength, 2);
    EXPECT_EQ(r.settings.hop, 1);
    EXPECT_EQ(r.settings.fftLength, 4);
}

TEST(SectionWindowTable, ShapesAndZeroPadding)
{
    const std::vector<float> square = sectionWindowTable(SectionWindow::Square, 8, 16);
    ASSERT_EQ(square.size(), 17u);
    EXPECT_FLOAT_EQ(square[0], 0.5f);
    EXPECT_FLOAT_EQ(square[7], 0.5f);
    EXPECT_FLOAT_EQ(square[8], 0.0f);
    EXPECT_FLOAT_EQ(square[16], 0.0f);
    const std::vector<float> hamming = sectionWindowTable(SectionWindow::Hamming, 8, 16);
    EXPECT_NEAR(hamming[0], 0.08, 1e-6);
    EXPECT_NEAR(hamming[4], 1.0, 1e-6);
    const std::vector<float> blackman = sectionWindowTable(SectionWindow::Blackman, 8, 16);
    EXPECT_NEAR(blackman[0], 0.0, 1e-6);
    EXPECT_NEAR(blackman[4], 1.0, 1e-6);
    const std::vector<float> harris = sectionWindowTable(SectionWindow::BlackmanHarris, 8, 16);
    EXPECT_NEAR(harris[0], 0.00006, 1e-6);
    EXPECT_NEAR(harris[4], 1.0, 1e-6);
}

TEST(SectionAnalyse, SquareWindowIsSixDecibelsBelowAnUnweightedFrame)
{
    // Noise: every bin carries power, so the check covers the whole spectrum.
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> noise(-8000, 8000);
    std::vector<int> samples(4000);
    for (int& v : samples)
        v = noise(rng);
    AnalysisWorkspace ws;
    SectionControls c;
    c.window = SectionWindow::Square;
    setSectionBox(c, SectionBox::Gain, "0");
    SectionSettings st;
    const std::vector<float> levels = firstSection(samples, 16000, c, ws, &st);
    const SignalState s = loadedRecording(samples, 16000);

    // Reference: the unweighted frame, zero-padded, through a direct DFT.
    const int n = st.fftLength, l = st.frameLength;
    std::vector<float> re(static_cast<std::size_t>(n), 0.0f), im(static_cast<std::size_t>(n), 0.0f);
    for (int i = 0; i < l; ++i)
        re[static_cast<std::size_t>(i)] = static_cast<float>(frameSample(s, i, 0));
    const DirectDft dft(n);
    for (int k = 1; k < n / 2; ++k) {
        const BinLD b = dft.bin(re, im, k, -1);
        const long double power = 4 * (b.re * b.re + b.im * b.im) / l;
        const double reference = 10 * std::log10(static_cast<double>(power)) - 30;
        EXPECT_NEAR(levels[static_cast<std::size_t>(k)], reference - 6.0206, 0.01) << "bin " << k;
    }
}

TEST(SectionAnalyse, ToneLevelAndPeakBin)
{
    // 1000 Hz at 16 kHz lies on bin 32 of 512.
    AnalysisWorkspace ws;
    SectionControls c;
    setSectionBox(c, SectionBox::Gain, "0");
    const std::vector<float> levels = firstSection(harmonicSound({1000}, 16000, 4000, 10000), 16000, c, ws);
    EXPECT_EQ(argmax(levels, 0, 256), 32);
    // Hamming over 320 samples: coherent gain 0.54, so 4 (A · 0.54 · L / 2)² / L.
    const double expected = 10 * std::log10(4 * std::pow(10000 * 0.54 * 320 / 2, 2) / 320) - 30;
    EXPECT_NEAR(levels[32], expected, 0.05);
    EXPECT_EQ(levels[256], 0.0f);  // bin N/2 carries no computed value
}

TEST(SectionAnalyse, LtasOfOneSecondAveragesOneHundredFrames)
{
    AnalysisWorkspace ws;
    SectionControls c;  // "LTAS", 100 Hz
    const std::vector<int> tone = harmonicSound({1000}, 16000, 32000, 8000);
    const SignalState s = loadedRecording(tone, 16000);
    SetUpResult r = runSetUp(c, s, {0.5f, 1.5f}, ws);
    SectionAnalyser a;
    a.prepare(r.settings);
    EXPECT_EQ(analyseUntilComplete(a, s, ws, r.settings), 100);
    EXPECT_EQ(r.settings.averageCount, 100.0f);
    const std::vector<float> ltas = a.levels();
    // Nothing more follows in the interval.
    EXPECT_GT(r.settings.currentTime, r.settings.analysisEnd);

    // A stationary tone averages to the level of any single frame.
    const std::vector<float> single = firstSection(tone, 16000, c, ws);
    EXPECT_NEAR(ltas[32], single[32], 0.05);
}

TEST(SectionAnalyse, LtasEndingBetweenFramesIsStillDrawnAtItsLastFrame)
{
    AnalysisWorkspace ws;
    SectionControls c;
    const SignalState s = loadedRecording(harmonicSound({1000}, 16000, 32000, 8000), 16000);
    // 1.00005 s: 100.005 frames are wanted, but only 100 start before the end.
    SetUpResult r = runSetUp(c, s, {0.5f, 1.50005f}, ws);
    ASSERT_GT(r.settings.ltasFrames, 100.0f);
    SectionAnalyser a;
    a.prepare(r.settings);
    EXPECT_EQ(analyseUntilComplete(a, s, ws, r.settings), 100);
}

TEST(SectionAnalyse, HarmonicSumSinglesOutTheFundamental)
{
    // 250 Hz (bin 8 of 512 at 16 kHz) with its harmonics up to 2000 Hz at equal level.
    const std::vector<int> sound = harmonicSound({250, 500, 750, 1000, 1250, 1500, 1750, 2000}, 16000, 4000, 2000);
    AnalysisWorkspace ws;
    SectionControls c;
    const std::vector<float> plain = firstSection(sound, 16000, c, ws);
    // The plain spectrum has eight equal peaks.
    for (const int bin : {16, 24, 32, 64})
        EXPECT_NEAR(plain[static_cast<std::size_t>(bin)], plain[8], 1.0);

    c.analysis = SectionAnalysis::HarmSum;
    c.order = 8;
    const std::vector<float> hsum = firstSection(sound, 16000, c, ws);
    // Output bin i stands for a fundamental of i / 8 bins: the peak is at 8 × 8.
    const int peak = argmax(hsum, 1, 256);
    EXPECT_EQ(peak, 64);
    for (int k = 1; k < 256; ++k)
        if (std::abs(k - peak) > 3) {
            EXPECT_LT(hsum[static_cast<std::size_t>(k)], hsum[64] - 10) << "bin " << k;
        }
}

TEST(SectionAnalyse, LpSpectrumFollowsTheSpectralEnvelope)
{
    const std::vector<int> sound = harmonicSound({1000}, 16000, 4000, 8000);
    AnalysisWorkspace ws;
    SectionControls c;
    c.analysis = SectionAnalysis::LpSpectrum;
    c.order = 10;
    const std::vector<float> lp = firstSection(sound, 16000, c, ws);
    EXPECT_NEAR(argmax(lp, 0, 256), 32, 1);
    for (int k = 0; k < 256; ++k)
        ASSERT_TRUE(std::isfinite(lp[static_cast<std::size_t>(k)]));
}

TEST(SectionAnalyse, CepstrumDrawsItsLargestValueAtTheTopLine)
{
    // A pulse train of 125 Hz: its cepstrum has a peak at the 8 ms period too.
    std::vector<int> pulses(4000, 0);
    for (std::size_t i = 0; i < pulses.size(); i += 128)
        pulses[i] = 20000;
    AnalysisWorkspace ws;
    SectionControls c;
    c.analysis = SectionAnalysis::Cepstrum;
    const std::vector<float> cep = firstSection(pulses, 16000, c, ws);
    const float top = *std::max_element(cep.begin(), cep.begin() + 256);
    EXPECT_NEAR(top, kSectionLevelTop, 1e-4);
    EXPECT_EQ(argmax(cep, 0, 256), 0);
}

TEST(SectionAnalyse, AutocorrelationPeaksAtItsPeriodAndIsScaledToOneHundredMillion)
{
    // 400 Hz: a period of 40 samples at 16 kHz.
    const std::vector<int> sound = harmonicSound({400}, 16000, 4000, 8000);
    AnalysisWorkspace ws;
    SectionControls c;
    c.analysis = SectionAnalysis::Autocorrel;
    const std::vector<float> ac = firstSection(sound, 16000, c, ws);
    EXPECT_NEAR(ac[0], 10 * std::log10(1e8) - 30, 1e-3);  // lag 0 carries the peak
    EXPECT_NEAR(argmax(ac, 20, 60), 40, 1);
}

TEST(SectionAnalyse, SilenceNeverDividesByZero)
{
    const std::vector<int> silence(4000, 0);
    AnalysisWorkspace ws;
    for (const SectionAnalysis type : {SectionAnalysis::FSpectrum, SectionAnalysis::LpSpectrum,
                                       SectionAnalysis::Cepstrum, SectionAnalysis::Autocorrel,
                                       SectionAnalysis::HarmSum}) {
        SectionControls c;
        c.analysis = type;
        testing::internal::CaptureStdout();
        const std::vector<float> levels = firstSection(silence, 16000, c, ws);
        const std::string out = testing::internal::GetCapturedStdout();
        for (const float v : levels)
            ASSERT_TRUE(std::isfinite(v)) << itemText(type);
        if (type == SectionAnalysis::Cepstrum)
            EXPECT_NEAR(levels[0], -250 + kSectionLevelTop, 1e-3);  // the floor
        else
            EXPECT_NEAR(levels[0], -280, 1e-3);
        EXPECT_EQ(out.find("singular matrix") != std::string::npos, type == SectionAnalysis::LpSpectrum);
    }
}

TEST(SectionAnalyse, StereoFrameAtTheDataEndReadsNothingBeyondIt)
{
    // Channel 1 holds a tone; the frame at the end of the data is zero-extended,
    // exactly as a mono recording of the tone followed by silence reads.
    const int frames = 1000;
    const std::vector<int> tone = harmonicSound({1000}, 16000, frames, 8000);
    std::vector<int> stereo;
    for (int i = 0; i < frames; ++i) {
        stereo.push_back(3000);
        stereo.push_back(tone[static_cast<std::size_t>(i)]);
    }
    std::vector<int> padded = tone;
    padded.resize(frames + 1000, 0);
    AnalysisWorkspace ws;
    SignalState s = loadedRecording(stereo, 16000, 2);
    s.selectedChannel = 1;
    const SignalState mono = loadedRecording(padded, 16000);
    std::vector<float> atEnd[2];
    int i = 0;
    for (const SignalState* r : {static_cast<const SignalState*>(&s), &mono}) {
        SectionControls c;
        setSectionBox(c, SectionBox::TimeStep, "10");
        SetUpResult set = runSetUp(c, *r, {0.0f, 0.1f}, ws);
        // The frame starts 100 frames before the end of the stereo data.
        set.settings.readPosition = r->dataOffset + frames - 100;
        SectionAnalyser a;
        a.prepare(set.settings);
        ASSERT_TRUE(a.analyse(*r, ws, set.settings, 1.0));
        atEnd[i++] = a.levels();
    }
    for (std::size_t k = 0; k < atEnd[0].size(); ++k)
        EXPECT_FLOAT_EQ(atEnd[0][k], atEnd[1][k]) << k;
}

TEST(SectionAnalyse, PreEmphasisLiftsHighFrequencies)
{
    const std::vector<int> sound = harmonicSound({250, 4000}, 16000, 4000, 4000);
    AnalysisWorkspace ws;
    SectionControls c;
    const std::vector<float> flat = firstSection(sound, 16000, c, ws);
    c.preEmphasis = SectionPreEmphasis::Plus6dBPerOctave;
    const std::vector<float> lifted = firstSection(sound, 16000, c, ws);
    // |1 − e^(−iω)|² at 250 Hz and 4000 Hz: the difference of the two gains.
    auto gainDb = [](double hz) { return 10 * std::log10(2 - 2 * std::cos(2 * M_PI * hz / 16000)); };
    EXPECT_NEAR(lifted[8] - flat[8], gainDb(250), 0.2);
    EXPECT_NEAR(lifted[128] - flat[128], gainDb(4000), 0.2);
}

// A full-scale tone followed by quiet noise: the first section wholly in the noise
// comes after one 90 dB louder at the tone's bins, and must still be that frame's
// own spectrum, as when the same frame is analysed first.
TEST(SectionAnalyse, QuietSectionAfterALoudOneIsItsOwnFrame)
{
    std::vector<int> samples = harmonicSound({1000}, 16000, 800, 32767);
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> noise(-8, 8);
    for (int i = 0; i < 1600; ++i)
        samples.push_back(noise(rng));
    const SignalState s = loadedRecording(samples, 16000);
    AnalysisWorkspace ws;
    SectionControls c;
    setSectionBox(c, SectionBox::Gain, "0");
    setSectionBox(c, SectionBox::TimeStep, "10");

    // Sections at 0, 10, … 40 ms hold the tone; the one at 50 ms (frames 800 …
    // 1119) holds only noise.
    SetUpResult stepped = runSetUp(c, s, {0.0f, s.fileDuration}, ws);
    ASSERT_EQ(stepped.settings.hop, 160);
    SectionAnalyser a;
    a.prepare(stepped.settings);
    std::vector<float> loud;
    for (int section = 0; section < 6; ++section) {
        loud = a.levels();
        ASSERT_EQ(analyseUntilComplete(a, s, ws, stepped.settings), 1);
    }
    const std::vector<float> afterLoud = a.levels();
    ASSERT_GT(loud[32] - afterLoud[32], 80.0f);  // the section before was that much louder

    SetUpResult alone = runSetUp(c, s, {0.05f, s.fileDuration}, ws);
    ASSERT_EQ(alone.settings.readPosition, 800 + s.dataOffset);
    SectionAnalyser b;
    b.prepare(alone.settings);
    ASSERT_EQ(analyseUntilComplete(b, s, ws, alone.settings), 1);
    for (int k = 0; k < 256; ++k)
        EXPECT_NEAR(afterLoud[static_cast<std::size_t>(k)], b.levels()[static_cast<std::size_t>(k)], 1e-3)
            << "bin " << k;
    // Noise of ±8 lies far above the power floor at every bin, 969 … 1031 Hz included.
    for (int k = 31; k <= 33; ++k)
        EXPECT_GT(afterLoud[static_cast<std::size_t>(k)], -100.0f) << "bin " << k;
}

TEST(SectionAnalyse, LtasIsTheMeanPowerOfItsFrames)
{
    // Noise with a tone: frames differ, so the average is a real mean. The frames
    // of the average share transforms two at a time; the reference analyses every
    // frame on its own (a 10 ms step is the LTAS hop of 160 samples).
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> noise(-6000, 6000);
    std::vector<int> samples = harmonicSound({700}, 16000, 16000, 3000);
    for (int& v : samples)
        v += noise(rng);
    const SignalState s = loadedRecording(samples, 16000);
    AnalysisWorkspace ws;

    SectionControls ltas;
    SetUpResult r = runSetUp(ltas, s, {0.25f, 0.5f}, ws);
    SectionAnalyser a;
    a.prepare(r.settings);
    ASSERT_EQ(analyseUntilComplete(a, s, ws, r.settings), 25);
    const std::vector<float> averaged = a.levels();

    SectionControls stepped;
    setSectionBox(stepped, SectionBox::TimeStep, "10");
    SetUpResult q = runSetUp(stepped, s, {0.25f, 0.5f}, ws);
    SectionAnalyser b;
    b.prepare(q.settings);
    std::vector<long double> sum(256, 0.0L);
    for (int frame = 0; frame < 25; ++frame) {
        ASSERT_EQ(analyseUntilComplete(b, s, ws, q.settings), 1);
        for (int k = 0; k < 256; ++k)
            sum[static_cast<std::size_t>(k)] += std::pow(10.0L, (b.levels()[static_cast<std::size_t>(k)] + 30) / 10.0L);
    }
    for (int k = 0; k < 256; ++k)
        EXPECT_NEAR(averaged[static_cast<std::size_t>(k)],
                    static_cast<double>(10 * std::log10(sum[static_cast<std::size_t>(k)] / 25) - 30), 0.01)
            << "bin " << k;
}

TEST(SectionFrameCache, ReadsAcrossBlocksAndOutsideTheData)
{
    std::vector<int> samples(10000);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int>(i % 20000) - 5000;
    SignalState s = loadedRecording(samples, 16000);
    s.zeroOffset = 7;
    FrameCache cache;
    std::vector<float> out(9000);
    // Before the data, across three blocks and beyond the end, in several orders.
    for (const int64_t first : {int64_t{-100}, int64_t{4000}, int64_t{8190}, int64_t{1}, int64_t{-5000}}) {
        cache.read(s, first, 9000, 0.5f, out.data());
        for (int i = 0; i < 9000; ++i)
            ASSERT_EQ(out[static_cast<std::size_t>(i)],
                      static_cast<float>(correctedFrameSample(s, first + i, 0)) * 0.5f)
                << first + i;
    }
    // A new recording needs clear().
    s.zeroOffset = 0;
    cache.clear();
    cache.read(s, 100, 1, 1.0f, out.data());
    EXPECT_EQ(out[0], 100 - 5000);
}
