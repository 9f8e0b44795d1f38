#include "page_frame.h"

#include "analysis_workspace.h"
#include "bark.h"
#include "column_renderer.h"
#include "label_file.h"
#include "numeric.h"
#include "one_two_five.h"
#include "parse_number.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace kelvox {

namespace {

constexpr std::array<double, 16> kPitchFactors = {0.5, 0.6, 0.7, 0.8, 0.9, 1.0, 1.1, 1.2,
                                                  1.3, 1.4, 1.5, 1.6, 1.7, 1.8, 1.9, 2.0};
constexpr int kMaxTimeTicks = 10000;
constexpr int kDotted = 5;  // plotmove mode of a dotted line

void dottedLine(PlotDevice& plot, int x0, int y0, int x1, int y1)
{
    plot.plotmove(x0, y0, 0);
    plot.plotmove(x1, y1, kDotted);
}

int spectrogramBottom(const SpectrogramParameters& p) { return p.geometry.spgmTop + p.geometry.rowCount; }

void captions(const SpectrogramParameters& p, const PageCursor& cursor, const SignalState& s, PlotDevice& plot)
{
    const PageBox& frame = p.geometry.sub[PageLayout::kFrame];
    plot.plotwindow(0, 0, 1, 1, 0, 0, plot.pageWidthPx(), plot.pageHeightPx(), 0);
    plot.plottext(frame.px0 + 4, frame.py0 + 1,
                  format("Kelvox|Speg %s, Ch %d(%d), Page %d", s.fileName.c_str(), s.selectedChannel, s.channelCount,
                         cursor.pageNumber),
                  kAlignTopLeft);
    if (p.printScale <= 0.5)
        return;
    const double kHz = p.sampleRate / 1000.0;
    const std::string line =
        p.analysis == AnalysisType::ConstantQ
            ? format("Sf %1.2f kHz, Bw f/%d Hz, Te %d/f s, Gain %1d dB, n=24/oct", kHz, satInt(kQFactor),
                     satInt(kQFactor), satInt(p.gainDb))
            : format("Sf %1.2f kHz, Bw %2d Hz, Te %3.1f ms, Gain %1d dB, nFFT %1d of %1d", kHz, satInt(p.bandwidth),
                     500.0 * p.windowLength / p.sampleRate, satInt(p.gainDb), p.windowLength, p.fftSize);
    plot.plottext(frame.px0 + 4, frame.py0 + 1 + plot.lineheight(), line, kAlignTopLeft);
}

// The time and frequency extent of one analysis window, as a box near the top left
// of the spectrogram.
void resolutionBox(const SpectrogramParameters& p, PlotDevice& plot)
{
    const int left = p.geometry.spgmLeft + 9, top = p.geometry.spgmTop + 28;
    const int right = left + satInt(p.windowLength * 0.5 * p.pixelsPerSecond / p.sampleRate);
    const int bottom = top + satInt(p.geometry.rowCount * p.bandwidth / p.topFrequency);
    plot.plotmove(left, top, 0);
    plot.plotmove(right, top, 1);
    plot.plotmove(right, bottom, 1);
    plot.plotmove(left, bottom, 1);
    plot.plotmove(left, top, 1);
}

void timeAxis(const SpectrogramParameters& p, float analysisStart, double step, PlotDevice& plot)
{
    const int gap = plot.lineheight();
    int labelLimit = 0;
    bool firstTick = true;
    for (const AxisTick& tick : timeTicks(p, analysisStart, step)) {
        if (firstTick)
            labelLimit = tick.pixel - 80;
        firstTick = false;
        if (tick.pixel > labelLimit) {
            const int width = plot.plottext(tick.pixel, spectrogramBottom(p) + 2, tick.label, kAlignTopCentre);
            labelLimit = tick.pixel + width + gap;
        }
        for (int k = PageLayout::kWave; k <= PageLayout::kLevel; ++k) {
            if (k != PageLayout::kSpectrogram && !p.geometry.subOn[static_cast<size_t>(k)])
                continue;
            const PageBox& d = p.geometry.sub[static_cast<size_t>(k)];
            dottedLine(plot, tick.pixel, d.py0, tick.pixel, d.py1);
        }
    }
}

void spectrogramScale(const SpectrogramParameters& p, double frequencyStep, double quefrencyStep, PlotDevice& plot)
{
    for (const AxisTick& tick : spectrogramTicks(p, frequencyStep, quefrencyStep)) {
        plot.plottext(p.geometry.spgmLeft - 2, tick.pixel, tick.label, kAlignMiddleRight);
        if (tick.line)
            dottedLine(plot, p.geometry.spgmLeft, tick.pixel, p.geometry.spgmRight, tick.pixel);
    }
}

void pitchScale(const SpectrogramParameters& p, float analysisStart, double pageEnd, PlotDevice& plot)
{
    const std::vector<AxisTick> ticks = pitchTicks(p, plot);
    selectsubdisplay(plot, p.geometry, PageLayout::kPitch, true);
    const PageBox& d = p.geometry.sub[PageLayout::kPitch];
    for (const AxisTick& tick : ticks) {
        dottedLine(plot, d.px0, tick.pixel, d.px1, tick.pixel);
        if (!tick.label.empty())
            plot.plottext(d.px0 - 2, tick.pixel, tick.label, kAlignMiddleRight);
    }
    plot.addregion(d.px0, d.py0, d.px1, d.py1, analysisStart, static_cast<float>(std::log10(p.midPitch / 2.0)),
                   static_cast<float>(pageEnd), static_cast<float>(std::log10(2.0 * p.midPitch)), true);
}

void levelScale(const SpectrogramParameters& p, float analysisStart, double pageEnd, PlotDevice& plot)
{
    selectsubdisplay(plot, p.geometry, PageLayout::kLevel, true);
    const PageBox& d = p.geometry.sub[PageLayout::kLevel];
    const auto inside = [&d](int y) { return y >= std::min(d.py0, d.py1) && y <= std::max(d.py0, d.py1); };
    for (int i = -2; i <= 9; ++i) {
        const int y = leveltoy(p, static_cast<int16_t>(10 * i));
        if (inside(y))
            dottedLine(plot, d.px0, y, d.px1, y);
    }
    for (int i = 0; i <= 4; ++i) {
        const int y = leveltoy(p, static_cast<int16_t>(20 * i));
        if (inside(y))
            plot.plottext(d.px0 - 2, y, format("-%2d", 20 * i), kAlignMiddleRight);
    }
    const double levelBottom = p.levelTop - p.grayRange;
    plot.addregion(d.px0, d.py0, d.px1, d.py1, analysisStart, static_cast<float>(levelBottom - 60.0),
                   static_cast<float>(pageEnd), static_cast<float>(p.levelTop - 60.0), false);
}

}  // namespace

double nicestep(double x)
{
    if (x <= 0.5e-5 || x >= 1e5)
        return x;
    for (double v : kOneTwoFive)
        if (v >= x)
            return v;
    return x;
}

int leveltoy(const SpectrogramParameters& p, int16_t dB)
{
    const PageBox& level = p.geometry.sub[PageLayout::kLevel];
    const int bottom = level.py0, top = level.py1;
    const double fraction = (dB - static_cast<double>(p.gainDb) + p.levelTop - 60.0) / p.grayRange;
    return satInt(bottom + static_cast<double>(satInt((top - bottom) * fraction)));
}

double frequencyTickStep(double topFrequencyHz)
{
    return largestStepBelow(oneTwoFive(0.001, 5), topFrequencyHz / 3000.0);
}

double quefrencyTickStep(int windowLength, double sampleRate)
{
    const double span = (windowLength / 2) / sampleRate;
    return firstStepNotBelow(oneTwoFive(0.001, 10), span) / 10.0;
}

std::string timeTickLabel(double t, double step)
{
    std::string text;
    if (step < 0.01)
        text = format("%8.3f", t);
    else if (step < 0.1)
        text = format("%8.2f", t);
    else if (step >= 1)
        text = format("%d", satInt(t));
    else
        text = format("%8.1f", t);
    trimleft(text);
    return text;
}

std::vector<AxisTick> timeTicks(const SpectrogramParameters& p, float analysisStart, double step)
{
    std::vector<AxisTick> ticks;
    const double start = analysisStart;
    double t = (std::trunc(start / step) + 1.0) * step;
    for (int n = 0; n < kMaxTimeTicks; ++n, t += step) {
        const long long x = static_cast<long long>(p.geometry.spgmLeft) + satInt((t - start) * p.pixelsPerSecond);
        if (x >= p.geometry.spgmRight || !(t - 0.095 < p.analysisEnd))
            break;
        ticks.push_back({static_cast<int>(x), timeTickLabel(t, step), true});
    }
    return ticks;
}

std::vector<AxisTick> spectrogramTicks(const SpectrogramParameters& p, double frequencyStep, double quefrencyStep)
{
    std::vector<AxisTick> ticks;
    const int bottom = spectrogramBottom(p);
    const int rows = p.geometry.rowCount;
    if (p.analysis == AnalysisType::ConstantQ) {
        // Octave marks down from the top frequency, 24 bands each.
        const double v = 79.726 * std::log10(2.0 * p.topFrequency / p.sampleRate) + kQBandCount;
        double divisor = 1.0;
        for (double w = v; w >= 0 && v > 0; w -= 24.0, divisor *= 2.0)
            ticks.push_back({bottom - satInt(w * rows / v), format("%d", satInt(p.topFrequency / divisor)), true});
    } else if (p.barkCount != 0.0) {
        for (int z = 0; z <= p.barkCount; z += 2)
            ticks.push_back({bottom - satInt(z * rows / p.barkCount), format("%4d", satInt(bark2hz(z))), true});
    } else if (p.analysis == AnalysisType::Cepstrum) {
        const int n = satInt(1.0 / (quefrencyStep * p.bandwidth));
        for (int i = 0; i <= n; ++i) {
            const double q = quefrencyStep * i;
            ticks.push_back({bottom - satInt(i * rows * quefrencyStep * p.bandwidth),
                             quefrencyStep >= 0.1 ? format("%3.1f", q) : format("%3.1fm", q * 1000.0 + 0.0001), true});
        }
    } else {
        const double topKHz = p.topFrequency / 1000.0;
        for (int i = 0;; ++i) {
            const double f = i * frequencyStep;
            if (!(f <= topKHz + 0.005))
                break;
            const int y = bottom - satInt(f * rows * 1000.0 / p.topFrequency);
            const std::string label =
                frequencyStep >= 1 ? format("%dk", satInt(f + 0.5)) : format("%d", satInt(f * 1000.0 + 0.5));
            ticks.push_back({y, label, y > p.geometry.spgmTop && y < bottom});
        }
    }
    return ticks;
}

std::vector<AxisTick> pitchTicks(const SpectrogramParameters& p, PlotDevice& plot)
{
    selectsubdisplay(plot, p.geometry, PageLayout::kPitch, false);
    const PageBox& d = p.geometry.sub[PageLayout::kPitch];
    const int gap = plot.lineheight();
    const double base = nicestep(p.midPitch);
    std::vector<AxisTick> ticks;
    bool firstLabel = true;
    int labelY = 0;
    for (double factor : kPitchFactors) {
        const double f = base * factor;
        const int y = plot.plotypix(std::log10(f));
        if (!(y > d.py1 && y < d.py0 - 1))
            continue;
        AxisTick tick{y, "", true};
        // Labels upward, each at least a text line above the one before.
        if (firstLabel || y <= labelY - gap) {
            tick.label = format("%d", satInt(f + 0.6));
            labelY = y;
            firstLabel = false;
        }
        ticks.push_back(tick);
    }
    return ticks;
}

void pageframe(const SpectrogramParameters& p, const PageCursor& cursor, const SignalState& signal, PlotDevice& plot)
{
    const double span = (p.geometry.spgmRight - p.geometry.spgmLeft) / static_cast<double>(p.pixelsPerSecond);
    const double timeStep = timeTickStep(span);
    const double frequencyStep = frequencyTickStep(p.topFrequency);
    const double quefrencyStep = quefrencyTickStep(p.windowLength, p.sampleRate);

    plot.clearRegions();
    const double pageEnd = span + cursor.analysisStart;
    selectsubdisplay(plot, p.geometry, PageLayout::kFrame, true);
    if (p.geometry.subOn[PageLayout::kWave])
        selectsubdisplay(plot, p.geometry, PageLayout::kWave, true);
    selectsubdisplay(plot, p.geometry, PageLayout::kSpectrogram, true);

    captions(p, cursor, signal, plot);
    plot.plotlw(1);
    const bool linearAxis = p.barkCount == 0.0 && p.analysis != AnalysisType::ConstantQ;
    if (linearAxis)
        resolutionBox(p, plot);
    timeAxis(p, cursor.analysisStart, timeStep, plot);
    spectrogramScale(p, frequencyStep, quefrencyStep, plot);
    if (linearAxis && p.analysis != AnalysisType::Cepstrum)
        plot.addregion(p.geometry.spgmLeft, spectrogramBottom(p), p.geometry.spgmRight, p.geometry.spgmTop,
                       cursor.analysisStart, 0.0f, static_cast<float>(pageEnd), static_cast<float>(p.topFrequency),
                       false);
    if (p.geometry.subOn[PageLayout::kPitch])
        pitchScale(p, cursor.analysisStart, pageEnd, plot);
    if (p.geometry.subOn[PageLayout::kLevel])
        levelScale(p, cursor.analysisStart, pageEnd, plot);
    if (!p.printing)
        plot.plotshow();
}

}  // namespace kelvox
