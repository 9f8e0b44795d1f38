#include "column_pair.h"

#include "column_renderer.h"
#include "constant_q.h"
#include "fft.h"
#include "linear_prediction.h"
#include "numeric.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace kelvox {

namespace {

constexpr double kDbPerNeper = 4.342944819032518;  // 10/ln 10
constexpr double kPowerFloor = 0.001;
constexpr int kLinPrOrder = 17;

double decibels(double power)
{
    return std::log(std::max(power, kPowerFloor)) * kDbPerNeper;
}

// Band energies are floats that the level track takes the logarithm of: never below
// the floor, never infinite.
float bandEnergyValue(double energy)
{
    return static_cast<float>(std::clamp(energy, static_cast<double>(kBandEnergyFloor),
                                         static_cast<double>(std::numeric_limits<float>::max())));
}

// Frames A and B of the pair into Re and Im (N + 1 values each, divided by the window
// length); samples outside the valid buffer read as 0.
void loadFrames(AnalysisWorkspace& ws, const SpectrogramState& st, int n)
{
    const int64_t first = static_cast<int64_t>(st.analysisPos) - st.windowLength / 2;
    const int64_t offsetB = st.pairStep / 2;
    const float length = static_cast<float>(st.windowLength);
    float* re = ws.AnalysisRe.data();
    float* im = ws.AnalysisIm.data();
    if (first >= 0 && first + n + offsetB < st.bufferFill) {
        // Both frames lie in the valid buffer.
        const float* a = st.ConditionedSamples.data() + first;
        const float* b = a + offsetB;
        for (int j = 0; j <= n; ++j) {
            re[j] = a[j] / length;
            im[j] = b[j] / length;
        }
        return;
    }
    for (int j = 0; j <= n; ++j) {
        re[j] = st.conditionedAt(first + j) / length;
        im[j] = st.conditionedAt(first + j + offsetB) / length;
    }
}

// Cepstrum of the two decibel spectra left by powersplit: the spectra are mirrored
// into even sequences, flattened above topFrequency, transformed once more, and the
// power of each quefrency bin becomes the column value.
void cepstrumColumns(AnalysisWorkspace& ws, const SpectrogramState& st)
{
    const int n = ws.FftSize;
    const int bins = st.binCount;
    float* re = ws.AnalysisRe.data();
    float* im = ws.AnalysisIm.data();
    for (int j = 1; j < bins; ++j) {
        re[n - j] = re[j];
        im[n - j] = im[j];
    }
    const int c = std::clamp(satInt(n * st.topFrequency / st.sampleRate), 0, bins);
    const int k = bins - c;
    if (k > 0) {
        // The part of the spectrum above the shown range becomes flat at its mean.
        for (float* x : {re, im}) {
            double sum = 0.0;
            for (int j = c; j < bins; ++j)
                sum += x[n - j] + x[j];
            const float mean = static_cast<float>(0.5 * sum / k);
            for (int j = c; j <= bins; ++j)
                x[j] = x[n - j] = mean;
        }
    }
    if (!fft842(ws, re, im, 0))
        return;
    const double floor = 0.001 / (320.0 * st.windowLength);
    for (int i = 0; i <= bins; ++i) {
        double pA, pB;
        if (i == 0) {
            pA = static_cast<double>(re[0]) * re[0];
            pB = static_cast<double>(im[0]) * im[0];
        } else {
            const double sr = static_cast<double>(re[i]) + re[n - i], dr = static_cast<double>(re[i]) - re[n - i];
            const double si = static_cast<double>(im[i]) + im[n - i], di = static_cast<double>(im[i]) - im[n - i];
            pA = sr * sr + di * di;
            pB = dr * dr + si * si;
        }
        re[i] = static_cast<float>(std::log(std::max(pA, floor) / st.windowLength) * kDbPerNeper + 50.0);
        im[i] = static_cast<float>(std::log(std::max(pB, floor) / st.windowLength) * kDbPerNeper + 50.0);
    }
}

// Replaces one windowed frame by the predictor of its order-17 all-pole model,
// zero-padded to N values.
void predictorFrame(float* x, const SpectrogramState& st, int n, std::vector<float>& scratch)
{
    scratch.assign(x, x + n);
    std::array<float, kLinPrOrder + 1> a{};
    std::array<float, kLinPrOrder> reflection{};
    float error = 0.0f;
    autoc(std::min(st.windowLength, n), scratch.data(), kLinPrOrder, a.data(), &error, reflection.data(),
          st.analysisPos);
    // A transform shorter than the predictor takes its first n coefficients.
    std::copy(a.begin(), a.begin() + std::min(n, kLinPrOrder + 1), x);
    if (n > kLinPrOrder + 1)
        std::fill(x + kLinPrOrder + 1, x + n, 0.0f);
}

// Turns the inverse-filter spectrum of a frame into the model spectrum, its peak
// 10 dB above `level`.
void modelSpectrum(float* x, int bins, double level)
{
    float lowest = 100.0f;
    for (int j = 0; j < bins; ++j)
        lowest = std::min(lowest, x[j]);
    for (int j = 0; j < bins; ++j)
        x[j] = static_cast<float>(level + 10.0 + lowest - x[j]);
}

}  // namespace

void powersplit(AnalysisWorkspace& ws, const SpectrogramState& st)
{
    const int n = ws.FftSize;
    float* re = ws.AnalysisRe.data();
    float* im = ws.AnalysisIm.data();
    const bool weighted = st.highCutHz <= 0.0;
    const bool linPr = st.lpOrder == kLinPrOrder;
    const int weights = static_cast<int>(st.highWeight.size());
    std::array<double, 6> energy{};
    for (int i = 1; i <= n / 2; ++i) {
        const double sr = static_cast<double>(re[i]) + re[n - i], dr = static_cast<double>(re[i]) - re[n - i];
        const double si = static_cast<double>(im[i]) + im[n - i], di = static_cast<double>(im[i]) - im[n - i];
        double pA = sr * sr + di * di;
        double pB = dr * dr + si * si;
        if (i < st.lowBandBins) {
            energy[kBandLow] += pA;
            energy[kFrameBOffset + kBandLow] += pB;
        }
        if (!weighted) {
            if (i > st.highBandStart) {
                energy[kBandHigh] += pA;
                energy[kFrameBOffset + kBandHigh] += pB;
            }
        } else {
            const double w = i < weights ? st.highWeight[static_cast<size_t>(i)] : 0.0;
            energy[kBandHigh] += w * pA;
            energy[kFrameBOffset + kBandHigh] += w * pB;
        }
        energy[kBandTotal] += pA;
        energy[kFrameBOffset + kBandTotal] += pB;
        // LinPr shows the inverse filter tilted down; the others get +6 dB per octave.
        if (linPr) {
            pA /= i;
            pB /= i;
        } else {
            pA *= static_cast<double>(i) * i;
            pB *= static_cast<double>(i) * i;
        }
        re[i] = static_cast<float>(decibels(pA));
        im[i] = static_cast<float>(decibels(pB));
    }
    re[0] = 0.0f;
    im[0] = 0.0f;
    for (size_t b = 0; b < energy.size(); ++b)
        ws.BandEnergy[b] = bandEnergyValue(energy[b]);
}

void analysepair(SpectrogramPage& page)
{
    AnalysisWorkspace& ws = page.ws;
    SpectrogramState& st = page.st;
    const int n = ws.FftSize;
    const int bins = st.binCount;
    if (n < 2 || n >= kAnalysisArraySize || bins < 1 || bins > n)
        return;
    loadFrames(ws, st, n);
    float* re = ws.AnalysisRe.data();
    float* im = ws.AnalysisIm.data();

    if (st.qFactor != 0.0) {
        const int half = st.pairStep / 2;
        const int count = std::min(bins, kQBandCount);
        if (!qframe(ws, st, st.analysisPos - half, PairFrame::A))
            return;
        std::copy(ws.QBands.begin(), ws.QBands.begin() + count, re);
        qframe(ws, st, st.analysisPos, PairFrame::B);
        std::copy(ws.QBands.begin(), ws.QBands.begin() + count, im);
    } else {
        const int windowed = std::min(n, static_cast<int>(st.analysisWindow.size()));
        for (int j = 0; j < windowed; ++j) {
            re[j] *= st.analysisWindow[static_cast<size_t>(j)];
            im[j] *= st.analysisWindow[static_cast<size_t>(j)];
        }
        std::fill(re + windowed, re + n, 0.0f);
        std::fill(im + windowed, im + n, 0.0f);
        if (st.lpOrder == kLinPrOrder) {
            std::vector<float> scratch;
            predictorFrame(re, st, n, scratch);
            predictorFrame(im, st, n, scratch);
        }
        if (!fft842(ws, re, im, 0))
            return;
        powersplit(ws, st);
        if (st.cepstrumMode != 0) {
            cepstrumColumns(ws, st);
        } else if (st.lpOrder == kLinPrOrder) {
            modelSpectrum(re, bins, st.midLevel);
            modelSpectrum(im, bins, st.endLevel);
        }
    }

    drawcolumn(page, st.pairX0, st.firstColumnWidth);
    std::copy(im, im + bins, re);
    drawcolumn(page, st.pairX0 + st.firstColumnWidth, st.pairX1 - st.pairX0 - st.firstColumnWidth);
    selectsubdisplay(page, 0, false);
}

}  // namespace kelvox
