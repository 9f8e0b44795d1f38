#include "column_pair.h"

#include "constant_q.h"
#include "fft.h"
#include "page_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <random>

using namespace kelvox;
using namespace kelvox::test;

namespace {

// |X(k)|² of x[0 … n−1] by a direct DFT in long double.
long double dftPower(const std::vector<float>& x, int k)
{
    const long double pi = std::numbers::pi_v<long double>;
    std::complex<long double> sum = 0;
    const size_t n = x.size();
    for (size_t j = 0; j < n; ++j)
        sum += static_cast<long double>(x[j]) * std::polar(1.0L, -2 * pi * k * static_cast<long double>(j) / n);
    return std::norm(sum);
}

int argmax(const float* v, int first, int last)
{
    return static_cast<int>(std::max_element(v + first, v + last + 1) - v);
}

std::vector<float> sineSamples(double hz, int count, double amplitude)
{
    std::vector<float> x(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        x[static_cast<size_t>(i)] = static_cast<float>(amplitude * std::sin(2 * std::numbers::pi * hz * i / kRate));
    return x;
}

}  // namespace

TEST(Powersplit, SeparatesTwoFramesAgainstDirectDft)
{
    PageFixture f(kRate);
    f.useFourier(64, 64, 32);
    std::mt19937 random(7);
    std::normal_distribution<float> noise(0.0f, 100.0f);
    std::vector<float> a(64), b(64);
    for (int j = 0; j < 64; ++j) {
        a[static_cast<size_t>(j)] = f.ws.AnalysisRe[static_cast<size_t>(j)] = noise(random);
        b[static_cast<size_t>(j)] = f.ws.AnalysisIm[static_cast<size_t>(j)] = noise(random);
    }
    ASSERT_TRUE(fft842(f.ws, f.ws.AnalysisRe.data(), f.ws.AnalysisIm.data(), 0));
    powersplit(f.ws, f.p.bandSplit(), f.p.linPr());

    long double lowA = 0, totalB = 0;
    for (int i = 1; i <= 32; ++i) {
        // Column values are four times the power, tilted by i², in dB.
        const long double pA = 4 * dftPower(a, i) * i * i, pB = 4 * dftPower(b, i) * i * i;
        EXPECT_NEAR(f.ws.AnalysisRe[static_cast<size_t>(i)], 10 * std::log10(static_cast<double>(pA)), 1e-3) << i;
        EXPECT_NEAR(f.ws.AnalysisIm[static_cast<size_t>(i)], 10 * std::log10(static_cast<double>(pB)), 1e-3) << i;
        if (i < f.p.lowBandBins)
            lowA += 4 * dftPower(a, i);
        totalB += 4 * dftPower(b, i);
    }
    EXPECT_EQ(f.ws.AnalysisRe[0], 0.0f);
    EXPECT_NEAR(f.ws.BandEnergy[kBandLow] / static_cast<double>(lowA), 1.0, 1e-4);
    EXPECT_NEAR(f.ws.BandEnergy[kFrameBOffset + kBandTotal] / static_cast<double>(totalB), 1.0, 1e-4);
}

TEST(Powersplit, SplhWeightsEveryBinAndLinPrTiltsDown)
{
    PageFixture f(kRate);
    f.useFourier(64, 64, 32);
    f.p.highCutHz = -1000.0;
    f.p.analysis = AnalysisType::LinPr17;
    std::fill(f.p.highWeight.begin(), f.p.highWeight.end(), 0.5f);
    std::fill(f.ws.AnalysisRe.begin(), f.ws.AnalysisRe.begin() + 64, 0.0f);
    std::fill(f.ws.AnalysisIm.begin(), f.ws.AnalysisIm.begin() + 64, 0.0f);
    f.ws.AnalysisRe[0] = 8.0f;  // frame A an impulse: flat spectrum, |X|² = 64 everywhere
    ASSERT_TRUE(fft842(f.ws, f.ws.AnalysisRe.data(), f.ws.AnalysisIm.data(), 0));
    powersplit(f.ws, f.p.bandSplit(), f.p.linPr());
    // 32 bins of 4·64, half of it counted in the weighted high band.
    EXPECT_NEAR(f.ws.BandEnergy[kBandHigh], 0.5 * 32 * 256, 1e-2);
    EXPECT_NEAR(f.ws.BandEnergy[kBandTotal], 32 * 256, 1e-2);
    EXPECT_NEAR(f.ws.AnalysisRe[8], 10 * std::log10(256.0 / 8), 1e-4);
    // Frame B is silent: the floor, and band energies at their floor.
    EXPECT_NEAR(f.ws.AnalysisIm[8], -30.0, 1e-4);
    EXPECT_FLOAT_EQ(f.ws.BandEnergy[kFrameBOffset + kBandTotal], kBandEnergyFloor);
}

TEST(Analysepair, FourierSineAtBin32PeaksInBothColumns)
{
    PageFixture f(kRate);
    f.useFourier(256, 160, 80);
    f.p.lowBandBins = 64;  // a low band reaching above the tone
    f.setConditioned(sineSamples(32 * kRate / 256, 4000, 1000.0));
    f.st.cursor.analysisPos = 2000;
    f.analysePair();

    const float* re = f.ws.AnalysisIm.data();  // column B
    EXPECT_EQ(argmax(re, 1, 127), 32);
    // Column A is recomputed from frame A directly.
    std::vector<float> frameA(256, 0.0f);
    for (int j = 0; j < 160; ++j)
        frameA[static_cast<size_t>(j)] = f.st.buffer.ConditionedSamples[static_cast<size_t>(2000 - 80 + j)] / 160.0f *
                                         f.p.analysisWindow[static_cast<size_t>(j)];
    const double columnA = 10 * std::log10(static_cast<double>(4 * dftPower(frameA, 32)) * 32 * 32);
    EXPECT_NEAR(re[32], columnA, 0.5);  // equal values: one steady tone
    for (PairFrame frame : {PairFrame::A, PairFrame::B}) {
        const double low = f.ws.BandEnergy[static_cast<size_t>(bandEnergyIndex(frame, kBandLow))];
        const double total = f.ws.BandEnergy[static_cast<size_t>(bandEnergyIndex(frame, kBandTotal))];
        EXPECT_GT(low / total, 0.999);
    }
}

TEST(Analysepair, SilenceIsThirtyDecibelsDown)
{
    PageFixture f(kRate);
    f.useFourier(256, 160, 80);
    f.setConditioned(std::vector<float>(4000, 0.0f));
    f.st.cursor.analysisPos = 2000;
    f.analysePair();
    for (int i = 1; i < 128; ++i)
        ASSERT_FLOAT_EQ(f.ws.AnalysisRe[static_cast<size_t>(i)], -30.0f) << i;
    EXPECT_FLOAT_EQ(f.ws.BandEnergy[kBandTotal], kBandEnergyFloor);
}

TEST(Analysepair, FramesBeforeTheRecordingReadZeros)
{
    PageFixture f(kRate);
    f.useFourier(256, 160, 80);
    f.setConditioned(sineSamples(2000, 4000, 1000.0));
    f.st.cursor.analysisPos = -200;  // both frames lie wholly before the buffer
    f.analysePair();
    EXPECT_FLOAT_EQ(f.ws.AnalysisRe[32], -30.0f);
}

TEST(Analysepair, CepstrumPeaksAtThePulsePeriod)
{
    PageFixture f(kRate);
    f.useFourier(256, 160, 80);
    f.p.analysis = AnalysisType::Cepstrum;
    std::vector<float> pulses(4000, 0.0f);
    for (size_t i = 0; i < pulses.size(); i += 40)
        pulses[i] = 1000.0f;
    f.setConditioned(pulses);
    f.st.cursor.analysisPos = 2003;
    f.analysePair();
    // Quefrency bins 0 … 80 hold the cepstrum of both frames; column B is in Re now.
    EXPECT_NEAR(argmax(f.ws.AnalysisRe.data(), 20, 79), 40, 1);
    EXPECT_NEAR(argmax(f.ws.AnalysisIm.data(), 20, 79), 40, 1);
}

TEST(Analysepair, LinearPredictionPeaksTenDecibelsAboveTheLevel)
{
    PageFixture f(kRate);
    f.useFourier(256, 160, 80);
    f.p.analysis = AnalysisType::LinPr17;
    f.st.levelTrack.midLevel = 55.0;
    f.st.levelTrack.endLevel = 61.0;
    std::mt19937 random(3);
    std::normal_distribution<float> noise(0.0f, 100.0f);
    std::vector<float> x(4000);
    for (size_t i = 1; i < x.size(); ++i)
        x[i] = 0.9f * x[i - 1] + noise(random);  // a low-pass spectrum
    f.setConditioned(x);
    f.st.cursor.analysisPos = 2000;
    f.analysePair();
    // Column B went to Re for drawing; Im still holds it.
    const float* b = f.ws.AnalysisIm.data();
    EXPECT_NEAR(*std::max_element(b, b + 128), 61.0 + 10.0, 1e-3);
    EXPECT_LT(argmax(b, 0, 127), 16);  // the model of a low-pass peaks low
}

namespace {

// The page set-up of "Q=34" on a fixture with a 160-sample window.
void useConstantQ(PageFixture& f)
{
    f.useFourier(256, 160, 80);
    qsetup(f.ws, 34.0, kRate);
    f.ws.FftSize = 300;
    f.p.binCount = 150;
    f.p.analysis = AnalysisType::ConstantQ;
}

}  // namespace

TEST(Analysepair, ConstantQColumnsPeakInBand126ForAQuarterOfTheRate)
{
    PageFixture f(kRate);
    useConstantQ(f);
    f.setConditioned(sineSamples(kRate / 4, 16000, 1000.0));
    f.st.cursor.analysisPos = 8000;
    f.analysePair();
    EXPECT_EQ(argmax(f.ws.AnalysisRe.data(), 0, 149), 126);
    EXPECT_EQ(argmax(f.ws.AnalysisIm.data(), 0, 149), 126);
}

// The octaves of the buffer are made again once the buffer is conditioned anew:
// a new stretch of samples is analysed, never the last one.
TEST(Analysecolumns, ConstantQFollowsTheBufferWhenItIsConditionedAgain)
{
    PageFixture f(kRate);
    useConstantQ(f);
    std::vector<int> quarter(12000), eighth(12000);
    for (int i = 0; i < 12000; ++i) {
        quarter[static_cast<size_t>(i)] = static_cast<int>(3000 * std::sin(2 * std::numbers::pi * i / 4.0));
        eighth[static_cast<size_t>(i)] = static_cast<int>(3000 * std::sin(2 * std::numbers::pi * i / 8.0));
    }
    f.loadBuffer(quarter);
    ASSERT_TRUE(analysecolumns(f.p, f.st.buffer, 6000, f.ws));
    EXPECT_EQ(argmax(f.ws.AnalysisRe.data(), 0, 149), 126);
    f.loadBuffer(eighth);
    ASSERT_TRUE(analysecolumns(f.p, f.st.buffer, 6000, f.ws));
    EXPECT_EQ(argmax(f.ws.AnalysisRe.data(), 0, 149), 102);
    EXPECT_EQ(argmax(f.ws.AnalysisIm.data(), 0, 149), 102);
}

TEST(Analysecolumns, MakesThePairsColumnsWithoutDrawing)
{
    PageFixture f(kRate);
    f.useFourier(256, 160, 80);
    f.setConditioned(sineSamples(32 * kRate / 256, 4000, 1000.0));
    const QImage before = f.plot.image().copy();
    ASSERT_TRUE(analysecolumns(f.p, f.st.buffer, 2000, f.ws));
    EXPECT_TRUE(f.plot.image() == before);
    EXPECT_EQ(argmax(f.ws.AnalysisRe.data(), 1, 127), 32);
    EXPECT_EQ(argmax(f.ws.AnalysisIm.data(), 1, 127), 32);
    // Sizes the arrays cannot hold: nothing is analysed.
    f.p.fftSize = 0;
    EXPECT_FALSE(analysecolumns(f.p, f.st.buffer, 2000, f.ws));
}

TEST(Placemodel, PutsTheModelPeakTenDecibelsAboveTheLevel)
{
    // An inverse-filter spectrum: its lowest value is the model's peak.
    std::vector<float> column = {12.0f, 3.0f, 7.0f, 20.0f};
    placemodel(column.data(), 4, 50.0);
    EXPECT_FLOAT_EQ(column[1], 60.0f);
    EXPECT_FLOAT_EQ(column[0], 51.0f);
    EXPECT_FLOAT_EQ(column[3], 43.0f);
}
