#include "column_pair.h"

#include "column_renderer.h"
#include "constant_q.h"
#include "decibels.h"
#include "fft.h"
#include "linear_prediction.h"
#include "numeric.h"
#include "page_layout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <span>
#include <vector>

namespace kelvox {

namespace {

double decibels(double power) { return powerDb(power, kPagePowerFloor); }

// Band energies are floats that the level track takes the logarithm of: never below
// the floor, never infinite.
float bandEnergyValue(double energy)
{
    return static_cast<float>(std::clamp(energy, static_cast<double>(kBandEnergyFloor),
                                         static_cast<double>(std::numeric_limits<float>::max())));
}

// Frames A and B of the pair into Re and Im (N + 1 values each, divided by the window
// length); samples outside the valid buffer read as 0.
void loadFrames(AnalysisWorkspace& ws, const SpectrogramParameters& p, const SampleBufferState& st, int analysisPos,
                int n)
{
    const int64_t first = static_cast<int64_t>(analysisPos) - p.windowLength / 2;
    const int64_t offsetB = p.pairStep / 2;
    const float length = static_cast<float>(p.windowLength);
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
void cepstrumColumns(AnalysisWorkspace& ws, const SpectrogramParameters& st)
{
    const int n = st.fftSize;
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
void predictorFrame(float* x, int windowLength, int analysisPos, int n, std::vector<float>& scratch)
{
    scratch.assign(x, x + n);
    std::array<float, kLinPrOrder + 1> a{};
    std::array<float, kLinPrOrder> reflection{};
    float error = 0.0f;
    autoc(std::min(windowLength, n), scratch.data(), kLinPrOrder, a.data(), &error, reflection.data(), analysisPos);
    // A transform shorter than the predictor takes its first n coefficients.
    std::copy(a.begin(), a.begin() + std::min(n, kLinPrOrder + 1), x);
    if (n > kLinPrOrder + 1)
        std::fill(x + kLinPrOrder + 1, x + n, 0.0f);
}

}  // namespace

void placemodel(float* x, int bins, double level)
{
    float lowest = 100.0f;
    for (int j = 0; j < bins; ++j)
        lowest = std::min(lowest, x[j]);
    for (int j = 0; j < bins; ++j)
        x[j] = static_cast<float>(level + 10.0 + lowest - x[j]);
}

void powersplit(AnalysisWorkspace& ws, const BandSplit& split, bool linPr)
{
    const int n = ws.FftSize;
    float* re = ws.AnalysisRe.data();
    float* im = ws.AnalysisIm.data();
    const bool weighted = split.weighted;
    const int weights = static_cast<int>(split.highWeight.size());
    std::array<double, 6> energy{};
    for (int i = 1; i <= n / 2; ++i) {
        const double sr = static_cast<double>(re[i]) + re[n - i], dr = static_cast<double>(re[i]) - re[n - i];
        const double si = static_cast<double>(im[i]) + im[n - i], di = static_cast<double>(im[i]) - im[n - i];
        double pA = sr * sr + di * di;
        double pB = dr * dr + si * si;
        if (i < split.lowBandBins) {
            energy[kBandLow] += pA;
            energy[kFrameBOffset + kBandLow] += pB;
        }
        if (!weighted) {
            if (i > split.highBandStart) {
                energy[kBandHigh] += pA;
                energy[kFrameBOffset + kBandHigh] += pB;
            }
        } else {
            const double w = i < weights ? split.highWeight[static_cast<size_t>(i)] : 0.0;
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

bool analysecolumns(const SpectrogramParameters& p, const SampleBufferState& buffer, int analysisPos,
                    AnalysisWorkspace& ws)
{
    const int n = p.fftSize;
    const int bins = p.binCount;
    if (n < 2 || n >= kAnalysisArraySize || bins < 1 || bins > n)
        return false;
    loadFrames(ws, p, buffer, analysisPos, n);
    float* re = ws.AnalysisRe.data();
    float* im = ws.AnalysisIm.data();

    if (p.analysis == AnalysisType::ConstantQ) {
        const int half = p.pairStep / 2;
        const int count = std::min(bins, kQBandCount);
        const BandSplit split = p.bandSplit();
        const float preEmphasis = p.conditioning.preEmphasis;
        if (!ws.qReady)
            return false;
        // The frames of one buffer share its octaves, made once for every centre a
        // pair in it can have; a frame elsewhere is analysed on its own.
        QOctaves& octaves = ws.qOctaves;
        if (!octaves.valid || octaves.generation != buffer.generation ||
            octaves.source != buffer.ConditionedSamples.data() || octaves.fill != buffer.bufferFill ||
            octaves.preEmphasis != preEmphasis || octaves.firstCentre > -half || octaves.pairOffset != half) {
            qoctaves(buffer.conditioned(), preEmphasis, -half, buffer.bufferFill, octaves, half);
            octaves.generation = buffer.generation;
            octaves.source = buffer.ConditionedSamples.data();
            octaves.fill = buffer.bufferFill;
        }
        std::array<double, kQBandCount> bandsA;
        if (qpairFromOctaves(ws, octaves, analysisPos - half, split, bandsA)) {
            std::copy(bandsA.begin(), bandsA.begin() + count, re);
        } else {
            qframe(ws, buffer.conditioned(), analysisPos - half, preEmphasis, split, PairFrame::A);
            std::copy(ws.QBands.begin(), ws.QBands.begin() + count, re);
            qframe(ws, buffer.conditioned(), analysisPos, preEmphasis, split, PairFrame::B);
        }
        std::copy(ws.QBands.begin(), ws.QBands.begin() + count, im);
        return true;
    }
    const int windowed = std::min(n, static_cast<int>(p.analysisWindow.size()));
    for (int j = 0; j < windowed; ++j) {
        re[j] *= p.analysisWindow[static_cast<size_t>(j)];
        im[j] *= p.analysisWindow[static_cast<size_t>(j)];
    }
    std::fill(re + windowed, re + n, 0.0f);
    std::fill(im + windowed, im + n, 0.0f);
    if (p.linPr()) {
        std::vector<float> scratch;
        predictorFrame(re, p.windowLength, analysisPos, n, scratch);
        predictorFrame(im, p.windowLength, analysisPos, n, scratch);
    }
    if (!fft842(ws, re, im, 0))
        return false;
    powersplit(ws, p.bandSplit(), p.linPr());
    if (p.analysis == AnalysisType::Cepstrum)
        cepstrumColumns(ws, p);
    return true;
}

void analysepair(const SpectrogramParameters& p, const SampleBufferState& buffer, const PageCursor& cursor,
                 double midLevel, double endLevel, AnalysisWorkspace& ws, RendererRows& rows, PlotDevice& plot)
{
    if (!analysecolumns(p, buffer, cursor.analysisPos, ws))
        return;
    const int bins = p.binCount;
    float* re = ws.AnalysisRe.data();
    float* im = ws.AnalysisIm.data();
    if (p.linPr()) {
        placemodel(re, bins, midLevel);
        placemodel(im, bins, endLevel);
    }
    const auto columnOf = [bins](const float* values) {
        return std::span<const float>(values, static_cast<size_t>(bins));
    };
    drawcolumn(p, columnOf(re), cursor.pairX0, p.firstColumnWidth, rows, plot);
    drawcolumn(p, columnOf(im), cursor.pairX0 + p.firstColumnWidth, cursor.pairX1 - cursor.pairX0 - p.firstColumnWidth,
               rows, plot);
    selectsubdisplay(plot, p.geometry, PageLayout::kFrame, false);
}

}  // namespace kelvox
