#include "spectrogram_setup.h"

#include "analysis_workspace.h"
#include "bark.h"
#include "constant_q.h"
#include "numeric.h"
#include "page_loop.h"
#include "page_units.h"
#include "parse_number.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace kelvox {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kOrderFactor = 3.3333333333333335;  // 10/3: a window of 2^m gets N = 2^(m+1)
constexpr double kLog10OfE = 0.43429448190325187;
constexpr double kOctave = 0.30103;  // log10 2
constexpr double kBarkLimit = 24.0;
constexpr int kQFftSize = 300;
constexpr int kMaxKeepBack = 4096;
constexpr double kMaxGainDb = 300.0;
constexpr double kAutoGainBelowDb = -100.0;

bool isPositive(double v) { return std::isfinite(v) && v > 0.0; }
bool isNonZero(double v) { return std::isfinite(v) && v != 0.0; }
bool isFinite(double v) { return std::isfinite(v); }

// Coefficients of a two-pole low-pass with both poles at radius e^(−w), angle w.
TwoPole twoPole(double w)
{
    TwoPole c;
    c.c1 = -2.0 * std::exp(-w) * std::cos(w);
    c.c2 = std::exp(-2.0 * w);
    c.c0 = 1.0 + c.c1 + c.c2;
    return c;
}

// The two sections of the 1 kHz band filters: poles of a fourth-order Butterworth
// pair at 2πf/fs, split over two sections.
std::array<TwoPole, 2> bandFilter(double frequencyHz, double sampleRate)
{
    const double s = 2.0 * kPi * frequencyHz / sampleRate;
    const double u = s * std::cos(kPi / 8.0), v = s * std::sin(kPi / 8.0);
    std::array<TwoPole, 2> sections;
    sections[0].c1 = -2.0 * std::exp(-u) * std::cos(v);
    sections[0].c2 = std::exp(-2.0 * u);
    sections[1].c1 = -2.0 * std::exp(-v) * std::cos(u);
    sections[1].c2 = std::exp(-2.0 * v);
    for (TwoPole& c : sections)
        c.c0 = 1.0 + c.c1 + c.c2;
    return sections;
}

// The settings being read and the replacements made so far.
class SettingsReader {
public:
    SettingsReader(SpectrogramSettings& s, std::vector<std::string>& replacements)
        : m_s(s), m_replacements(replacements)
    {
    }

    void replace(SpectrogramBox box, const std::string& text)
    {
        m_replacements.push_back(boxLabel(box) + ": \"" + boxText(m_s, box) + "\" replaced by \"" + text + "\"");
        setBoxText(m_s, box, text);
    }

    // A box's number; a value it cannot take is replaced by the box's default.
    double read(SpectrogramBox box, bool (*acceptable)(double))
    {
        const double v = parseNumber(boxText(m_s, box));
        if (acceptable(v))
            return v;
        replace(box, boxDefault(box));
        return parseNumber(boxText(m_s, box));
    }

    SpectrogramSettings& settings() { return m_s; }

private:
    SpectrogramSettings& m_s;
    std::vector<std::string>& m_replacements;
};

// Time scale, print size and mid pitch, the page geometry, gain and gray scale.
void setUpDisplay(SpectrogramParameters& p, SettingsReader& in, const SignalState& signal, const PageLayout& layout,
                  SpectrogramPageSize page)
{
    SpectrogramSettings& s = in.settings();
    double timeScale = in.read(SpectrogramBox::TimeScale, isPositive);
    double printSize = in.read(SpectrogramBox::PrintSize, isPositive);
    const double midPitch = in.read(SpectrogramBox::MidPitch, isPositive);
    // A page needs at least one pixel column per second of signal: a time scale too
    // small for that at full size is replaced, and so is one that the print size
    // shrinks below it; the print size only when the default time scale does not
    // help either.
    const auto columnsPerSecond = [&](double factor) {
        return satInt(page.resolution * timeScale * factor / kMmPerInch);
    };
    // A time scale so large that a 250 mm page holds less than one sample would make
    // one page per sample: it is replaced as well.
    const double maxTimeScale = 250.0 * signal.sampleRateHz;
    if (columnsPerSecond(1.0) < 1 || timeScale > maxTimeScale) {
        in.replace(SpectrogramBox::TimeScale, boxDefault(SpectrogramBox::TimeScale));
        timeScale = parseNumber(s.timeScaleText);
    }
    const double printFactor = std::min(printSize * 0.01, 1.0);
    if (columnsPerSecond(printFactor) < 1) {
        const double typedTimeScale = timeScale;
        timeScale = parseNumber(boxDefault(SpectrogramBox::TimeScale));
        if (columnsPerSecond(printFactor) >= 1) {
            in.replace(SpectrogramBox::TimeScale, boxDefault(SpectrogramBox::TimeScale));
        } else {
            timeScale = typedTimeScale;
            in.replace(SpectrogramBox::PrintSize, boxDefault(SpectrogramBox::PrintSize));
            printSize = parseNumber(s.printSizeText);
        }
    }
    p.printScale = std::min(printSize * 0.01, 1.0);
    p.pageTimeScale = satFloat(static_cast<double>(satFloat(timeScale)) * p.printScale);
    p.midPitch = satFloat(midPitch);

    p.geometry = pagegeometry(layout, page.widthPx, page.heightPx, p.printScale);
    p.geometry.sub[PageLayout::kSpectrogram].caption = analysisTypeText(s.analysis);
    p.analysis = s.analysis;

    double gainDb = parseNumber(s.gainText);
    p.autoGain = gainDb < kAutoGainBelowDb;
    if (!p.autoGain && gainDb > kMaxGainDb) {
        in.replace(SpectrogramBox::Gain, format("%d", static_cast<int>(kMaxGainDb)));
        gainDb = kMaxGainDb;
    }
    p.grayRange = satFloat(in.read(SpectrogramBox::GrayRange, isNonZero));
    p.blackLevel = satFloat(in.read(SpectrogramBox::BlackLevel, isFinite));
    // The automatic gain measures the first buffer at 0 dB.
    p.gainDb = p.autoGain ? 0.0f : static_cast<float>(gainDb);
    p.conditioning.gainFactor = static_cast<float>(std::pow(10.0, p.gainDb * 0.05));
    p.waveScale = satFloat(35000.0 / (p.conditioning.gainFactor * static_cast<double>(signal.peakAmplitude)));

    PageBox& pitch = p.geometry.sub[PageLayout::kPitch];
    pitch.y0 = std::log10(p.midPitch) - kOctave;
    pitch.y1 = std::log10(p.midPitch) + kOctave;
    PageBox& level = p.geometry.sub[PageLayout::kLevel];
    p.levelTop = level.y1;
    level.y0 = level.y1 - p.grayRange;
    pitch.caption = pitchMethodText(s.pitchMethod);
    p.pitchMethod = s.pitchMethod;
}

// The top of the frequency axis, written back when it had to be corrected, and the
// bandwidth "Q=34" implies.
void setUpFrequencyRange(SpectrogramParameters& p, SettingsReader& in)
{
    SpectrogramSettings& s = in.settings();
    const double fs = p.sampleRate;
    const double half = fs / 2.0;
    p.barkCount = 0.0;
    if (s.frequencyRangeItem == 0 && bark2hz(1.0) <= half) {
        // Whole Barks down from 24 until the axis fits below fs/2.
        double count = kBarkLimit;
        while (count > 1.0 && bark2hz(count) > half)
            count = std::trunc(count) - 1.0;
        p.barkCount = count;
        p.topFrequency = bark2hz(count);
    } else if (s.frequencyRangeItem == 0 || s.frequencyRangeItem == 1) {
        p.topFrequency = half;
    } else {
        p.topFrequency = parseNumber(s.frequencyRangeText);
    }
    if (p.topFrequency == 0.0) {
        p.topFrequency = half;
        setBoxText(s, SpectrogramBox::FrequencyRange, boxItems(SpectrogramBox::FrequencyRange)[1]);
    }
    if (p.topFrequency < fs / 64.0) {
        p.topFrequency = fs / 64.0;
        in.replace(SpectrogramBox::FrequencyRange, format("%d", satInt(fs / 64.0)));
    }
    if (p.topFrequency > half) {
        p.topFrequency = half;
        in.replace(SpectrogramBox::FrequencyRange, boxItems(SpectrogramBox::FrequencyRange)[1]);
    }
    if (s.analysis == AnalysisType::ConstantQ)
        setBoxText(s, SpectrogramBox::Bandwidth, qBandwidthText(p.topFrequency));
}

// Bandwidth and levels, time and frame geometry, window, weighting, FFT or
// constant-Q sizes and the Bark bins.
void setUpAnalysis(SpectrogramParameters& p, SettingsReader& in, int resolution)
{
    SpectrogramSettings& s = in.settings();
    const double fs = p.sampleRate;

    double bandwidth = parseNumber(s.bandwidthText);
    if (!(bandwidth > 0.0)) {
        in.replace(SpectrogramBox::Bandwidth, "250");
        bandwidth = 250.0;
    }
    p.levels = s.levels;
    p.geometry.sub[PageLayout::kLevel].caption = levelsText(s.levels);
    p.lowCutHz = 1000.0;
    p.highCutHz = s.levels == LevelsMode::SplSplh ? -1000.0 : 1000.0;

    const double timeScale = p.pageTimeScale;
    p.pixelsPerSecond = satFloat(std::trunc(resolution * timeScale / kMmPerInch));
    p.keepBack = std::clamp(satInt(fs * 40.0 / timeScale), 0, kMaxKeepBack);
    const int samplesPerColumn = satInt(fs / p.pixelsPerSecond);

    int windowLength = std::max(2, satInt(2.0 * fs / bandwidth));
    const int order = std::clamp(satInt(std::log(windowLength) * kLog10OfE * kOrderFactor + 1.0), 2, 12);
    const int n = 1 << order;
    p.pairStep = static_cast<int>(std::clamp<int64_t>(std::min<int64_t>(windowLength / 2, 16LL * samplesPerColumn), 1,
                                                      std::numeric_limits<int>::max()));
    windowLength = std::min(windowLength, n);
    p.windowLength = windowLength;
    const double shape = p.linPr() ? 0.8518 : 1.0;
    p.analysisWindow.assign(static_cast<size_t>(n) + 1, 0.0f);
    for (int i = 0; i < windowLength; ++i)
        p.analysisWindow[static_cast<size_t>(i)] =
            static_cast<float>((1.0 - shape * std::cos(2.0 * kPi * i / windowLength)) * 0.7);
    p.bandwidth = 2.0 * fs / windowLength;
    p.firstColumnWidth = std::max(1, satInt(p.pairStep * 0.5 * p.pixelsPerSecond / fs));

    p.highWeight.assign(static_cast<size_t>(n) + 1, 0.0f);
    if (s.levels == LevelsMode::SplSplh)
        for (int i = 0; i < n; ++i)
            p.highWeight[static_cast<size_t>(i)] = static_cast<float>(splhWeight(i * fs / n));

    if (p.analysis == AnalysisType::ConstantQ) {
        p.fftSize = kQFftSize;
        p.binCount = kQBandCount;
        p.lowBandBins = satInt(std::log10(p.lowCutHz / fs) * 80.0 + 174.0);
        p.highBandStart = satInt(std::log10(std::fabs(std::trunc(p.highCutHz)) / fs) * 80.0 + 174.0);
    } else {
        p.fftSize = n;
        p.binCount = n / 2;
        p.lowBandBins = satInt(n * p.lowCutHz / fs);
        p.highBandStart = satInt(n * p.highCutHz / fs);
    }

    p.barkBins.clear();
    p.barkSlots = 0;
    if (p.barkCount != 0.0) {
        const int fftSize = p.fftSize;
        const int slotCount = std::clamp(satInt(fftSize * p.topFrequency / fs), 0, kAnalysisArraySize - 2);
        p.barkSlots = slotCount;
        for (int i = 0; i <= slotCount + 1; ++i) {
            const double z = i * p.barkCount * fs / (fftSize * p.topFrequency);
            p.barkBins.push_back(std::clamp(satInt(bark2hz(z) * fftSize / fs), 0, p.binCount));
        }
    }
}

// The conditioning high-pass, the level smoothing and its drawing delays, the 1 kHz
// band filters and the pitch pre-filter.
void setUpFilters(SpectrogramParameters& p, const SignalState& signal)
{
    const double fs = p.sampleRate;
    // The high-pass's poles: a two-pole smoother at min(8 Hz, fs/100).
    const double envelopeHz = std::min(8.0, fs * 0.01);
    const TwoPole envelope = twoPole(2.0 * 0.7071 * kPi * envelopeHz / fs);
    p.conditioning.A1 = envelope.c1;
    p.conditioning.A2 = envelope.c2;

    const double w = p.bandwidth * 1.11069827814075 / fs;
    p.levelSmoother = twoPole(w);
    p.levelFollower = 1.0 - std::exp(-1.7 * w);
    p.highShift = satInt(p.pixelsPerSecond * (4.0 / (kPi * p.bandwidth)));
    p.lowShift = satInt(p.pixelsPerSecond * (0.25 / p.lowCutHz));
    // The sign of highCutHz only picks the weighting; the filter is designed at 1 kHz.
    p.lowBandFilter = bandFilter(p.lowCutHz, fs);
    p.highBandFilter = bandFilter(std::fabs(p.highCutHz), fs);

    const double r1 = std::exp(-4.0 * kPi * p.midPitch / fs);
    const double r2 = std::exp(-kPi * p.midPitch / fs);
    p.conditioning.B1 = static_cast<float>(r1 + r2);
    p.conditioning.B2 = static_cast<float>(r1 * r2);
    p.peakDecay = static_cast<float>(1.0 - (1.0 - r1) / 8.0);
    p.minPitch = p.midPitch / 2.0f;
    p.maxPitch = satFloat(2.0 * p.midPitch);
    p.conditioning.preEmphasis = signal.preEmphasis;
}

}  // namespace

SpectrogramParameters spectrogramSetup(SpectrogramSettings& settings, const SignalState& signal,
                                       const PageLayout& layout, SpectrogramPageSize page, bool printing,
                                       std::vector<std::string>& replacements)
{
    SpectrogramParameters p;
    p.sampleRate = signal.sampleRateHz;
    p.printing = printing;
    const TimeInterval interval = analysisInterval(signal);
    p.analysisStart = interval.start;
    p.analysisEnd = interval.end;

    SettingsReader in(settings, replacements);
    setUpDisplay(p, in, signal, layout, page);
    setUpFrequencyRange(p, in);
    setUpAnalysis(p, in, page.resolution);
    setUpFilters(p, signal);
    return p;
}

void spectrogramAutoGain(SpectrogramParameters& p, float largest, float peakAmplitude)
{
    const double gainDb = largest > 0.0f ? 2.0 * std::trunc(10.0 * std::log10(16384.0 / largest)) : 0.0;
    p.gainDb = static_cast<float>(std::clamp(gainDb, -kMaxGainDb, kMaxGainDb));
    p.conditioning.gainFactor = static_cast<float>(std::pow(10.0, p.gainDb * 0.05));
    p.waveScale = satFloat(35000.0 / (p.conditioning.gainFactor * static_cast<double>(peakAmplitude)));
}

}  // namespace kelvox
