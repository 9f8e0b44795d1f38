#include "section_analysis.h"

#include "decibels.h"
#include "fft.h"
#include "harmonic_spectrum.h"
#include "linear_prediction.h"
#include "numeric.h"
#include "parse_number.h"

#include <algorithm>
#include <cmath>

namespace kelvox {

namespace {

constexpr double kPi = 3.14159265;  // the window formulas' own π

// A decimal text that parseNumber reads back as at least `ms` (six decimals,
// rounded up, trailing zeros removed).
std::string millisecondsText(double ms)
{
    std::string text = format("%.6f", std::ceil(ms * 1e6) / 1e6);
    while (!text.empty() && text.back() == '0')
        text.pop_back();
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    return text;
}

// Time step in seconds from "Time step ms": a negative step counts by its size, and
// a step below one sample period becomes one sample period; both are written back.
double timeStepSeconds(SectionControls& controls, double fs, std::vector<std::string>& replacements)
{
    double ms = parseNumber(controls.timeStepText);
    if (ms < 0) {
        // parseNumber makes a number negative for a '-' anywhere in it.
        std::string positive = controls.timeStepText;
        std::erase(positive, '-');
        replaceSectionBox(controls, SectionBox::TimeStep, positive, replacements);
        ms = parseNumber(controls.timeStepText);
    }
    if (ms > 0 && satInt(ms * 0.001 * fs) < 1) {
        double samplePeriodMs = 1000.0 / fs;
        std::string text = millisecondsText(samplePeriodMs);
        for (int tries = 0; tries < 8 && satInt(parseNumber(text) * 0.001 * fs) < 1; ++tries) {
            samplePeriodMs += 1e-6;
            text = millisecondsText(samplePeriodMs);
        }
        replaceSectionBox(controls, SectionBox::TimeStep, text, replacements);
        ms = parseNumber(controls.timeStepText);
    }
    // Steps beyond the hop's int range all give one section; keep the value finite.
    return std::min(ms, 1e15) * 0.001;
}

}  // namespace

SectionSettings sectionSetup(SectionControls& controls, const SignalState& signal, const TimeInterval& interval,
                             AnalysisWorkspace& ws, std::vector<std::string>& replacements)
{
    const double fs = signal.sampleRate;
    SectionSettings st;
    st.analysisStart = interval.start;
    st.analysisEnd = interval.end;
    st.windowType = controls.window;
    st.analysis = controls.analysis;
    st.choice = analysisChoice(controls.analysis, std::clamp(controls.order, 0, kMaxSectionOrder));

    // 1. Time step, bandwidth, interpolation.
    st.timeStep = timeStepSeconds(controls, fs, replacements);
    st.bandwidth = parseNumber(controls.bandwidthText);
    if (!(st.bandwidth > 0)) {
        replaceSectionBox(controls, SectionBox::Bandwidth, "100", replacements);
        st.bandwidth = 100.0;
    }
    st.interpolation = satFloat(parseNumber(controls.interpolationText));
    if (st.interpolation < 1.0f)
        st.interpolation = 1.0f;

    // 2. Gain and level range.
    double gainDb = parseNumber(controls.gainText);
    if (std::fabs(gainDb) > kSectionMaxGainDb) {
        gainDb = std::copysign(kSectionMaxGainDb, gainDb);
        replaceSectionBox(controls, SectionBox::Gain, format("%d", satInt(gainDb)), replacements);
    }
    st.gainDb = static_cast<float>(gainDb);
    st.levelRange = parseNumber(controls.levelRangeText);
    if (!(st.levelRange > 0)) {
        replaceSectionBox(controls, SectionBox::LevelRange, "60", replacements);
        st.levelRange = 60.0;
    } else if (st.levelRange > kSectionMaxLevelRange) {
        replaceSectionBox(controls, SectionBox::LevelRange, format("%d", satInt(kSectionMaxLevelRange)), replacements);
        st.levelRange = kSectionMaxLevelRange;
    }
    st.gainFactor = static_cast<float>(std::pow(10.0, st.gainDb * 0.05));
    st.stripScale = 30000.0f / (st.gainFactor * signal.peakAmplitude);

    // 3. Pre-emphasis coefficient = the item index.
    st.preEmphasis = static_cast<float>(controls.preEmphasis);

    // 4. Top of the frequency axis, forced into fs/64 … fs/2 and shown back.
    st.freqRange = controls.frequencyRangeItem == 0 ? 0.0 : parseNumber(controls.frequencyRangeText);
    if (st.freqRange == 0)
        st.freqRange = fs * 0.5;
    if (st.freqRange < fs / 64) {
        st.freqRange = fs / 64;
        replaceSectionBox(controls, SectionBox::FrequencyRange, format("%d", satInt(st.freqRange)), replacements);
    }
    if (st.freqRange > fs * 0.5) {
        st.freqRange = fs * 0.5;
        replaceSectionBox(controls, SectionBox::FrequencyRange, "fs/2", replacements);
    }

    // 5–7. Frame length (two samples at least, so the hop is never 0), FFT length, hop.
    st.frameLength = std::max(2, satInt(fs * 2 / st.bandwidth));
    const int s = std::clamp(satInt(3.3333333333333335 * std::log10(st.frameLength * static_cast<double>(st.interpolation)) + 1),
                             2, 14);
    st.fftLength = fftsetup(ws, 1 << s);
    if (st.fftLength < st.frameLength)
        st.frameLength = st.fftLength;
    st.hop = st.frameLength / 2;

    // 8. Long-time average frames, or the time step's hop.
    if (st.analysisEnd < st.analysisStart) {
        st.analysisEnd = st.analysisStart;
        st.ltasFrames = 0;
    }
    if (st.analysisEnd > st.analysisStart) {
        st.ltasFrames = satFloat((static_cast<double>(st.analysisEnd) - st.analysisStart) * fs / st.hop);
        if (st.timeStep != 0) {
            st.hop = std::max(1, satInt(st.timeStep * fs));
            st.ltasFrames = 0;
        }
    }

    // 9. Effective bandwidth; "LTAS" steps by one frame length in the captions.
    st.bandwidth = fs * 2 / st.frameLength;
    if (st.timeStep == 0)
        st.timeStep = st.frameLength / fs;

    // 12. The end is lowered by one sample period; the run starts at the start.
    st.analysisEnd = static_cast<float>(st.analysisEnd - 1.0 / fs);
    st.currentTime = st.analysisStart;
    st.readPosition = satInt64(fs * st.analysisStart) + signal.dataOffset;
    return st;
}

std::vector<float> sectionWindowTable(SectionWindow window, int frameLength, int fftLength)
{
    std::vector<float> table(static_cast<std::size_t>(std::max(fftLength, frameLength) + 1), 0.0f);
    for (int i = 0; i < frameLength; ++i) {
        const double x = kPi * i / frameLength;
        double w = 0.5;
        switch (window) {
        case SectionWindow::Square: w = 0.5; break;
        case SectionWindow::Hamming: w = 0.54 - 0.46 * std::cos(2 * x); break;
        case SectionWindow::Blackman: w = 0.42 - 0.5 * std::cos(2 * x) + 0.08 * std::cos(4 * x); break;
        case SectionWindow::BlackmanHarris:
            w = 0.35875 - 0.48829 * std::cos(2 * x) + 0.14128 * std::cos(4 * x) - 0.01168 * std::cos(6 * x);
            break;
        }
        table[static_cast<std::size_t>(i)] = static_cast<float>(w);
    }
    return table;
}

void FrameCache::clear()
{
    for (Slot& slot : m_slots)
        slot.valid = false;
}

const FrameCache::Slot& FrameCache::slotOf(const SignalState& signal, int64_t block)
{
    for (const Slot& slot : m_slots)
        if (slot.valid && slot.block == block)
            return slot;
    return load(signal, block);
}

void FrameCache::read(const SignalState& signal, int64_t first, int count, float scale, float* out)
{
    for (int i = 0; i < count;) {
        const int64_t frame = first + i;
        const Slot& slot = slotOf(signal, frame >> kBlockBits);
        const int64_t offset = frame & (kBlockSize - 1);
        const int run = static_cast<int>(std::min<int64_t>(count - i, kBlockSize - offset));
        const int* samples = slot.samples.data() + offset;
        for (int j = 0; j < run; ++j)
            out[i + j] = static_cast<float>(samples[j]) * scale;
        i += run;
    }
}

const FrameCache::Slot& FrameCache::load(const SignalState& signal, int64_t block)
{
    Slot& slot = m_slots[m_next];
    m_next = (m_next + 1) % m_slots.size();
    slot.samples.resize(static_cast<std::size_t>(kBlockSize));
    const int64_t first = block * kBlockSize;
    for (int64_t i = 0; i < kBlockSize; ++i)
        slot.samples[static_cast<std::size_t>(i)] = correctedFrameSample(signal, first + i, signal.selectedChannel);
    slot.block = block;
    slot.valid = true;
    return slot;
}

void SectionAnalyser::prepare(SectionSettings& settings)
{
    m_frames.clear();
    // 10–11. Window table, cleared average.
    m_window = sectionWindowTable(settings.windowType, settings.frameLength, settings.fftLength);
    m_average.assign(static_cast<std::size_t>(settings.fftLength), 0.0f);
    m_levels.assign(static_cast<std::size_t>(settings.fftLength / 2 + 1), 0.0f);
    settings.averageCount = 0;
    const std::size_t order = static_cast<std::size_t>(settings.choice.lpOrder);
    m_lpFrame.assign(static_cast<std::size_t>(settings.frameLength), 0.0f);
    m_lpCoefficients.assign(order + 1, 0.0f);
    m_lpReflections.assign(order + 1, 0.0f);
    m_pending = false;
    m_pendingFrame.assign(static_cast<std::size_t>(settings.fftLength), 0.0f);
    m_pendingPower.assign(static_cast<std::size_t>(settings.fftLength / 2 + 1), 0.0f);
    m_framePower.assign(static_cast<std::size_t>(settings.fftLength / 2 + 1), 0.0f);
}

void SectionAnalyser::readFrame(const SignalState& signal, AnalysisWorkspace& ws, const SectionSettings& st)
{
    float* x = ws.AnalysisRe.data();
    const int n = st.fftLength, l = st.frameLength;
    const int64_t p = st.readPosition;
    const int64_t firstFrame = p - signal.dataOffset;
    // The window is 0 from L on, so only x[0 … L] (x[L] as the pre-emphasis
    // neighbour of x[L − 1]) can reach the transform.
    // Frames from the read position on, and 0 where p + i reaches sampleLimit.
    const int inLimit = static_cast<int>(std::clamp<int64_t>(signal.sampleLimit - p, 0, l + 1));
    m_frames.read(signal, firstFrame, inLimit, st.gainFactor, x);
    std::fill(x + inLimit, x + l + 1, 0.0f);
    if (st.preEmphasis > 0)
        for (int i = 0; i < l; ++i)
            x[i] = x[i + 1] - st.preEmphasis * x[i];
    for (int i = 0; i < l; ++i)
        x[i] *= m_window[static_cast<std::size_t>(i)];
    std::fill(x + l, x + n + 1, 0.0f);
}

void SectionAnalyser::transformToPower(AnalysisWorkspace& ws, const SectionSettings& st)
{
    float* re = ws.AnalysisRe.data();
    float* im = ws.AnalysisIm.data();
    const int n = st.fftLength;
    std::fill(im, im + n, 0.0f);
    if (!fft842(ws, re, im, 0)) {
        std::fill(re, re + n, 0.0f);
        return;
    }
    // P[0] = X[0]² / L, P[k] = 4 |X[k]|² / L: the DC bin is not doubled. With the
    // gain bounded to ±150 dB every power fits a float.
    const double perL = 1.0 / st.frameLength;
    re[0] = static_cast<float>(static_cast<double>(re[0]) * re[0] * perL);
    for (int k = 1; k <= n / 2; ++k)
        re[k] = static_cast<float>(4.0 * (static_cast<double>(re[k]) * re[k] + static_cast<double>(im[k]) * im[k]) * perL);
}

void SectionAnalyser::lpModelSpectrum(AnalysisWorkspace& ws, const SectionSettings& st)
{
    float* re = ws.AnalysisRe.data();
    const int n = st.fftLength, order = st.choice.lpOrder;
    std::copy(re, re + st.frameLength, m_lpFrame.begin());
    float error = 0.0f;
    autoc(st.frameLength, m_lpFrame.data(), order, m_lpCoefficients.data(), &error, m_lpReflections.data(),
          satInt(static_cast<double>(st.readPosition)));
    // The predictor polynomial, zero-padded, goes through the transform.
    std::fill(re, re + n + 1, 0.0f);
    std::copy_n(m_lpCoefficients.begin(), std::min(order + 1, n), re);
    transformToPower(ws, st);
    // All-pole model spectrum E × 0.0002 / |A|²; zero bins stay 0.
    for (int k = 0; k <= n / 2; ++k)
        if (re[k] != 0)
            re[k] = satFloat(error * 0.0002 / re[k]);
}

void SectionAnalyser::lagTransform(AnalysisWorkspace& ws, const SectionSettings& st, const SignalState& signal)
{
    float* re = ws.AnalysisRe.data();
    float* im = ws.AnalysisIm.data();
    const int n = st.fftLength, half = n / 2;
    if (st.choice.cepstrum)
        for (int k = 0; k <= half; ++k)
            re[k] = static_cast<float>(db10(re[k]));
    // A real, even sequence of length N.
    for (int k = 1; k < half; ++k)
        re[n - k] = re[k];
    // Bins above the frequency range take the mean of those bins.
    const int v = std::max(0, satInt(n * st.freqRange / signal.sampleRate));
    if (v < half) {
        double sum = 0;
        for (int k = v; k < half; ++k)
            sum += re[k];
        const float mean = static_cast<float>(sum / (half - v));
        for (int k = v; k <= half; ++k) {
            re[k] = mean;
            if (k >= 1)
                re[n - k] = mean;
        }
    }
    std::fill(im, im + n, 0.0f);
    if (!fft842(ws, re, im, 0))
        std::fill(re, re + n, 0.0f);
    if (st.choice.autocorrelation) {
        float m = 0.0f;
        for (int k = 0; k < half; ++k)
            m = std::max(m, re[k]);
        // A silent frame has no peak to scale to; it stays unscaled.
        if (m > 0)
            for (int k = 0; k < half; ++k)
                re[k] = re[k] / (m * 1e-8f);
    }
}

void SectionAnalyser::transformPair(AnalysisWorkspace& ws, const SectionSettings& st)
{
    float* re = ws.AnalysisRe.data();
    float* im = ws.AnalysisIm.data();
    const int n = st.fftLength, half = n / 2;
    // The kept frame is the real part, this one the imaginary part of one transform.
    std::copy(re, re + n, im);
    std::copy(m_pendingFrame.begin(), m_pendingFrame.end(), re);
    if (!fft842(ws, re, im, 0)) {
        std::fill(m_pendingPower.begin(), m_pendingPower.end(), 0.0f);
        std::fill(m_framePower.begin(), m_framePower.end(), 0.0f);
        return;
    }
    // X = A + iB: A[k] = (X[k] + X*[N − k]) / 2, B[k] = (X[k] − X*[N − k]) / 2i.
    const double perL = 1.0 / st.frameLength;
    for (int k = 0; k <= half; ++k) {
        const int mirror = k == 0 ? 0 : n - k;
        const double ar = 0.5 * (static_cast<double>(re[k]) + re[mirror]);
        const double ai = 0.5 * (static_cast<double>(im[k]) - im[mirror]);
        const double br = 0.5 * (static_cast<double>(im[k]) + im[mirror]);
        const double bi = 0.5 * (static_cast<double>(re[mirror]) - re[k]);
        const double weight = (k == 0 ? 1.0 : 4.0) * perL;
        m_pendingPower[static_cast<std::size_t>(k)] = static_cast<float>((ar * ar + ai * ai) * weight);
        m_framePower[static_cast<std::size_t>(k)] = static_cast<float>((br * br + bi * bi) * weight);
    }
}

void SectionAnalyser::addToAverage(AnalysisWorkspace& ws, const SectionSettings& st, const SignalState& signal,
                                   float count)
{
    const int half = st.fftLength / 2;
    if (st.choice.harmonicCount > 0 && st.choice.lpOrder == 0)
        harmspec(ws.AnalysisRe.data(), half, st.choice.harmonicCount);
    if (st.choice.cepstrum || st.choice.autocorrelation)
        lagTransform(ws, st, signal);
    // Running mean. The first frame of a mean (with a time step, every section) is
    // taken as it is: folded into the previous section's values in single
    // precision, a bin more than about 72 dB below them would come out as 0.
    const float* value = ws.AnalysisRe.data();
    float* average = m_average.data();
    if (count == 1.0f) {
        std::copy(value, value + half, average);
        return;
    }
    const float perCount = 1.0f / count;
    for (int k = 0; k < half; ++k)
        average[k] += (value[k] - average[k]) * perCount;
}

void SectionAnalyser::adopt(std::span<const float> levels, std::span<const float> average)
{
    std::copy_n(levels.begin(), std::min(levels.size(), m_levels.size()), m_levels.begin());
    std::copy_n(average.begin(), std::min(average.size(), m_average.size()), m_average.begin());
}

bool SectionAnalyser::analyse(const SignalState& signal, AnalysisWorkspace& ws, SectionSettings& st, double nextTime)
{
    readFrame(signal, ws, st);
    st.averageCount = st.ltasFrames > 0 ? st.averageCount + 1 : 1;
    const bool complete = !(st.averageCount < st.ltasFrames && st.readPosition + st.hop < signal.sampleLimit &&
                            nextTime <= st.analysisEnd);
    // The frames of a long-time average share one transform two at a time: the first
    // of a pair waits for the second unless the average completes with it.
    const bool inPairs = st.ltasFrames > 0 && st.choice.lpOrder == 0;
    const int n = st.fftLength, half = n / 2;
    float* re = ws.AnalysisRe.data();
    if (inPairs && !m_pending && !complete) {
        std::copy(re, re + n, m_pendingFrame.begin());
        m_pending = true;
        m_pendingCount = st.averageCount;
        return false;
    }
    if (inPairs && m_pending) {
        transformPair(ws, st);
        m_pending = false;
        std::copy(m_pendingPower.begin(), m_pendingPower.end(), re);
        addToAverage(ws, st, signal, m_pendingCount);
        std::copy(m_framePower.begin(), m_framePower.end(), re);
        addToAverage(ws, st, signal, st.averageCount);
    } else {
        if (st.choice.lpOrder > 0)
            lpModelSpectrum(ws, st);
        else
            transformToPower(ws, st);
        addToAverage(ws, st, signal, st.averageCount);
    }
    if (!complete)
        return false;

    if (st.choice.cepstrum) {
        float m = 0.0f;
        for (int k = 0; k < half; ++k)
            m = std::max(m, m_average[static_cast<std::size_t>(k)]);
        // Without a positive value every level lies on the floor.
        for (int k = 0; k < half; ++k)
            m_levels[static_cast<std::size_t>(k)] = static_cast<float>(
                db10(m > 0 ? m_average[static_cast<std::size_t>(k)] / m : 0.0f) + st.levelTop);
    } else {
        for (int k = 0; k < half; ++k)
            m_levels[static_cast<std::size_t>(k)] = static_cast<float>(
                powerDb(static_cast<double>(m_average[static_cast<std::size_t>(k)]), kSectionPowerFloor) - 30.0);
    }
    m_levels[static_cast<std::size_t>(half)] = 0.0f;
    return true;
}

}  // namespace kelvox
