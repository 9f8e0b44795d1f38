#include "spectrogram_run.h"

#include "bark.h"
#include "conditioning.h"
#include "constant_q.h"
#include "fft.h"
#include "numeric.h"
#include "page_loop.h"
#include "parse_number.h"
#include "real_fft.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <numbers>

namespace kelvox {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kOrderFactor = 3.3333333333333335;  // 10/3: a window of 2^m gets N = 2^(m+1)
constexpr double kLog10OfE = 0.43429448190325187;
constexpr double kOctave = 0.30103;                     // log10 2
constexpr double kBarkLimit = 24.0;
constexpr int kLinPrOrder = 17;
constexpr double kQFactor = 34.0;
constexpr int kQFftSize = 300;
constexpr int kCepstrumFft = 512;
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

// The largest |conditioned value| among the first `count` samples of the buffer.
float largestMagnitude(const SpectrogramState& st, int count)
{
    float largest = 0.0f;
    for (int i = 0; i < count; ++i)
        largest = std::max(largest, std::fabs(st.ConditionedSamples[static_cast<size_t>(i)]));
    return largest;
}

}  // namespace

float nextPageStart(float pageStart, double pageTime, float pageTimeScale)
{
    const double back = pageTime - 10.0 / pageTimeScale;
    float next = static_cast<float>(std::trunc(back * 10.0) * 0.1);
    if (!(next > pageStart))
        next = static_cast<float>(back);
    if (!(next > pageStart))
        next = static_cast<float>(pageTime);
    if (!(next > pageStart))
        next = std::nextafter(pageStart, std::numeric_limits<float>::infinity());
    return next;
}

SpectrogramRun::SpectrogramRun(SignalState& signal, const PageLayout& layout, PlotDevice& plot, AnalysisWorkspace& ws,
                               SpectrogramState& st, const std::string& labelFileName,
                               const LabelChoice& labelChoice)
    : m_signal(signal), m_layout(layout), m_plot(plot), m_ws(ws), m_st(st), m_labelFileName(labelFileName),
      m_labelChoice(labelChoice)
{
}

std::string SpectrogramRun::labelSourceText() const
{
    const auto base = [](const std::string& path) { return std::filesystem::path(path).filename().string(); };
    if (m_labelChoice.fileName.empty())
        return "Labels: " + (m_labelFileName.empty() ? std::string("none") : base(m_labelFileName));
    std::string text = "Labels: " + base(m_labelChoice.fileName);
    if (!m_labelChoice.tier.empty())
        text += ", tier \"" + m_labelChoice.tier + "\"";
    return text;
}

SpectrogramPage SpectrogramRun::page(PageHost* host)
{
    SpectrogramPage p{m_signal, m_plot, m_ws, m_st, {}, m_trackSink};
    if (host)
        p.stopRequested = [host] { return host->stopRequested(); };
    return p;
}

void SpectrogramRun::replaceBox(SpectrogramSettings& s, SpectrogramBox box, const std::string& text)
{
    m_replacements.push_back(boxLabel(box) + ": \"" + boxText(s, box) + "\" replaced by \"" + text + "\"");
    setBoxText(s, box, text);
}

// A box's number; a value it cannot take is replaced by the box's default (written
// back and recorded).
double SpectrogramRun::readBox(SpectrogramSettings& s, SpectrogramBox box, bool (*acceptable)(double))
{
    const double v = parseNumber(boxText(s, box));
    if (acceptable(v))
        return v;
    replaceBox(s, box, boxDefault(box));
    return parseNumber(boxText(s, box));
}

void SpectrogramRun::resetRunState()
{
    SpectrogramState& st = m_st;
    st.peakMin = st.peakMax = 0.0f;
    st.dir = st.prevDir = 0;
    st.peakCount = 0;
    st.levelsStarted = false;
    st.levelSampleX = kNoPixel;
    st.lowBandMemory = {};
    st.highBandMemory = {};
    st.waveMin = st.waveMax = 0.0f;
    st.pixelsSinceShow = 0;
    st.refillBroughtData = true;
    st.pitchStrokeDrawn = false;
    st.labels = {};
    // The conditioning and the level curves start from this run's own samples, as
    // the first run of the program does: the same settings draw the same page.
    st.hpX1 = st.hpX2 = st.hpY1 = st.hpY2 = 0.0;
    m_ws.BandEnergy.fill(kBandEnergyFloor);
}

// Time scale, print size and mid pitch, the page geometry, the analysis type, gain
// and gray scale, and the pitch method.
void SpectrogramRun::setUpDisplay(SpectrogramSettings& s)
{
    SpectrogramState& st = m_st;
    double timeScale = readBox(s, SpectrogramBox::TimeScale, isPositive);
    double printSize = readBox(s, SpectrogramBox::PrintSize, isPositive);
    const double midPitch = readBox(s, SpectrogramBox::MidPitch, isPositive);
    // A page needs at least one pixel column per second of signal: a time scale too
    // small for that at full size is replaced, and so is one that the print size
    // shrinks below it; the print size only when the default time scale does not
    // help either.
    const auto columnsPerSecond = [&](double factor) {
        return satInt(m_plot.resolution() * timeScale * factor / 25.4);
    };
    // A time scale so large that a 250 mm page holds less than one sample would make
    // one page per sample: it is replaced as well.
    const double maxTimeScale = 250.0 * m_signal.sampleRateHz;
    if (columnsPerSecond(1.0) < 1 || timeScale > maxTimeScale) {
        replaceBox(s, SpectrogramBox::TimeScale, boxDefault(SpectrogramBox::TimeScale));
        timeScale = parseNumber(s.timeScaleText);
    }
    const double printFactor = std::min(printSize * 0.01, 1.0);
    if (columnsPerSecond(printFactor) < 1) {
        const double typedTimeScale = timeScale;
        timeScale = parseNumber(boxDefault(SpectrogramBox::TimeScale));
        if (columnsPerSecond(printFactor) >= 1) {
            replaceBox(s, SpectrogramBox::TimeScale, boxDefault(SpectrogramBox::TimeScale));
        } else {
            timeScale = typedTimeScale;
            replaceBox(s, SpectrogramBox::PrintSize, boxDefault(SpectrogramBox::PrintSize));
            printSize = parseNumber(s.printSizeText);
        }
    }
    m_signal.pageTimeScale = satFloat(timeScale);
    st.printScale = printSize * 0.01;
    st.midPitch = satFloat(midPitch);

    SpectrogramPage p = page(nullptr);
    pagegeometry(p, m_layout);

    st.sub[PageLayout::kSpectrogram].caption = analysisTypeText(s.analysis);
    st.qFactor = s.analysis == AnalysisType::ConstantQ ? kQFactor : 0.0;
    st.cepstrumMode = s.analysis == AnalysisType::Cepstrum ? 1 : 0;
    st.lpOrder = s.analysis == AnalysisType::LinPr17 ? kLinPrOrder : 0;

    double gainDb = parseNumber(s.gainText);
    m_autoGain = gainDb < kAutoGainBelowDb;
    if (!m_autoGain && gainDb > kMaxGainDb) {
        replaceBox(s, SpectrogramBox::Gain, format("%d", static_cast<int>(kMaxGainDb)));
        gainDb = kMaxGainDb;
    }
    st.grayRange = satFloat(readBox(s, SpectrogramBox::GrayRange, isNonZero));
    st.blackLevel = satFloat(readBox(s, SpectrogramBox::BlackLevel, isFinite));
    // The automatic gain measures the first buffer at 0 dB.
    st.gainDb = m_autoGain ? 0.0f : static_cast<float>(gainDb);
    st.gainFactor = static_cast<float>(std::pow(10.0, st.gainDb * 0.05));
    st.waveScale = satFloat(35000.0 / (st.gainFactor * static_cast<double>(m_signal.peakAmplitude)));

    PageSubDisplay& pitch = st.sub[PageLayout::kPitch];
    pitch.y0 = std::log10(st.midPitch) - kOctave;
    pitch.y1 = std::log10(st.midPitch) + kOctave;
    PageSubDisplay& level = st.sub[PageLayout::kLevel];
    st.levelTop = level.y1;
    level.y0 = level.y1 - st.grayRange;
    pitch.caption = pitchMethodText(s.pitchMethod);
    st.amdfMode = s.pitchMethod == PitchMethod::Amdf;
    st.cepstralPitchMode = s.pitchMethod == PitchMethod::Cepstrum;
}

// The top of the frequency axis, written back when it had to be corrected, and the
// bandwidth "Q=34" implies.
void SpectrogramRun::setUpFrequencyRange(SpectrogramSettings& s)
{
    SpectrogramState& st = m_st;
    const double fs = st.sampleRate;
    const double half = fs / 2.0;
    st.barkCount = 0.0;
    if (s.frequencyRangeItem == 0 && bark2hz(1.0) <= half) {
        // Whole Barks down from 24 until the axis fits below fs/2.
        double count = kBarkLimit;
        while (count > 1.0 && bark2hz(count) > half)
            count = std::trunc(count) - 1.0;
        st.barkCount = count;
        st.topFrequency = bark2hz(count);
    } else if (s.frequencyRangeItem == 0 || s.frequencyRangeItem == 1) {
        st.topFrequency = half;
    } else {
        st.topFrequency = parseNumber(s.frequencyRangeText);
    }
    if (st.topFrequency == 0.0) {
        st.topFrequency = half;
        setBoxText(s, SpectrogramBox::FrequencyRange, boxItems(SpectrogramBox::FrequencyRange)[1]);
    }
    if (st.topFrequency < fs / 64.0) {
        st.topFrequency = fs / 64.0;
        replaceBox(s, SpectrogramBox::FrequencyRange, format("%d", satInt(fs / 64.0)));
    }
    if (st.topFrequency > half) {
        st.topFrequency = half;
        replaceBox(s, SpectrogramBox::FrequencyRange, boxItems(SpectrogramBox::FrequencyRange)[1]);
    }
    if (s.analysis == AnalysisType::ConstantQ)
        setBoxText(s, SpectrogramBox::Bandwidth, qBandwidthText(st.topFrequency));
}

// Bandwidth and levels, time and frame geometry, window, weighting, FFT or
// constant-Q sizes, the cepstral pitch FFT and the Bark bins.
void SpectrogramRun::setUpAnalysis(SpectrogramSettings& s)
{
    SpectrogramState& st = m_st;
    const double fs = st.sampleRate;
    const int R = m_plot.resolution();

    double bandwidth = parseNumber(s.bandwidthText);
    if (!(bandwidth > 0.0)) {
        replaceBox(s, SpectrogramBox::Bandwidth, "250");
        bandwidth = 250.0;
    }
    st.levels = s.levels;
    st.sub[PageLayout::kLevel].caption = levelsText(s.levels);
    st.lowCutHz = 1000.0;
    st.highCutHz = s.levels == LevelsMode::SplSplh ? -1000.0 : 1000.0;

    const double timeScale = m_signal.pageTimeScale;
    st.pixelsPerSecond = satFloat(std::trunc(R * timeScale / 25.4));
    const PageSubDisplay& wave = st.sub[PageLayout::kWave];
    st.pageDuration = (wave.px1 - wave.px0 + 0.5) * 25.4 / (R * timeScale);
    st.keepBack = std::clamp(satInt(fs * 40.0 / timeScale), 0, kMaxKeepBack);
    st.samplesPerColumn = satInt(fs / st.pixelsPerSecond);

    int windowLength = std::max(2, satInt(2.0 * fs / bandwidth));
    const int order = std::clamp(satInt(std::log(windowLength) * kLog10OfE * kOrderFactor + 1.0), 2, 12);
    const int n = 1 << order;
    st.pairStep = static_cast<int>(
        std::clamp<int64_t>(std::min<int64_t>(windowLength / 2, 16LL * st.samplesPerColumn), 1, std::numeric_limits<int>::max()));
    windowLength = std::min(windowLength, n);
    st.windowLength = windowLength;
    const double shape = st.lpOrder == kLinPrOrder ? 0.8518 : 1.0;
    st.analysisWindow.assign(static_cast<size_t>(n) + 1, 0.0f);
    for (int i = 0; i < windowLength; ++i)
        st.analysisWindow[static_cast<size_t>(i)] =
            static_cast<float>((1.0 - shape * std::cos(2.0 * kPi * i / windowLength)) * 0.7);
    st.bandwidth = 2.0 * fs / windowLength;
    st.firstColumnWidth = std::max(1, satInt(st.pairStep * 0.5 * st.pixelsPerSecond / fs));
    st.bufferOrigin = bufferOriginFor(st.analysisStart, fs, windowLength);

    st.highWeight.assign(static_cast<size_t>(n) + 1, 0.0f);
    if (s.levels == LevelsMode::SplSplh)
        for (int i = 0; i < n; ++i)
            st.highWeight[static_cast<size_t>(i)] = static_cast<float>(splhWeight(i * fs / n));

    if (st.qFactor != 0.0) {
        qsetup(m_ws, st.qFactor, fs);
        m_ws.FftSize = kQFftSize;
        st.binCount = kQBandCount;
        st.lowBandBins = satInt(std::log10(st.lowCutHz / fs) * 80.0 + 174.0);
        st.highBandStart = satInt(std::log10(std::fabs(std::trunc(st.highCutHz)) / fs) * 80.0 + 174.0);
    } else {
        fftsetup(m_ws, n);
        st.binCount = n / 2;
        st.lowBandBins = satInt(n * st.lowCutHz / fs);
        st.highBandStart = satInt(n * st.highCutHz / fs);
    }

    if (st.cepstralPitchMode) {
        realfftsetup(m_ws, kCepstrumFft);
        st.realFftHalf = kCepstrumFft / 2;
        st.avgPitch = st.midPitch;
    }

    st.barkBins.clear();
    st.barkSlots = 0;
    if (st.barkCount != 0.0) {
        const int fftSize = m_ws.FftSize;
        const int slotCount = std::clamp(satInt(fftSize * st.topFrequency / fs), 0, kAnalysisArraySize - 2);
        st.barkSlots = slotCount;
        for (int i = 0; i <= slotCount + 1; ++i) {
            const double z = i * st.barkCount * fs / (fftSize * st.topFrequency);
            st.barkBins.push_back(std::clamp(satInt(bark2hz(z) * fftSize / fs), 0, st.binCount));
        }
    }
}

// The conditioning high-pass, the level smoothing and its drawing delays, the 1 kHz
// band filters and the pitch pre-filter.
void SpectrogramRun::setUpFilters()
{
    SpectrogramState& st = m_st;
    const double fs = st.sampleRate;
    const double envelopeHz = std::min(8.0, fs * 0.01);
    st.envelopeSmoother = twoPole(2.0 * 0.7071 * kPi * envelopeHz / fs);
    st.A1 = st.envelopeSmoother.c1;
    st.A2 = st.envelopeSmoother.c2;

    const double w = st.bandwidth * 1.11069827814075 / fs;
    st.levelSmoother = twoPole(w);
    st.levelFollower = 1.0 - std::exp(-1.7 * w);
    st.highShift = satInt(st.pixelsPerSecond * (4.0 / (kPi * st.bandwidth)));
    st.lowShift = satInt(st.pixelsPerSecond * (0.25 / st.lowCutHz));
    // The sign of highCutHz only picks the weighting; the filter is designed at 1 kHz.
    st.lowBandFilter = bandFilter(st.lowCutHz, fs);
    st.highBandFilter = bandFilter(std::fabs(st.highCutHz), fs);

    const double r1 = std::exp(-4.0 * kPi * st.midPitch / fs);
    const double r2 = std::exp(-kPi * st.midPitch / fs);
    st.B1 = static_cast<float>(r1 + r2);
    st.B2 = static_cast<float>(r1 * r2);
    st.peakDecay = static_cast<float>(1.0 - (1.0 - r1) / 8.0);
    st.minPitch = st.midPitch / 2.0f;
    st.maxPitch = satFloat(2.0 * st.midPitch);
    st.preEmphasis = m_signal.preEmphasis;
}

// The first stretch of samples; with the automatic gain, the gain that brings its
// largest conditioned value near 16384, then the stretch conditioned again with it.
void SpectrogramRun::firstFill()
{
    SpectrogramState& st = m_st;
    SpectrogramPage p = page(nullptr);
    // The measurement must not see the previous run's high-pass memories, which hold
    // samples at that run's gain.
    if (m_autoGain)
        st.hpX1 = st.hpX2 = st.hpY1 = st.hpY2 = 0.0;
    fillSampleBuffer(p);
    if (m_autoGain) {
        const float largest = largestMagnitude(st, st.bufferFill - 1);
        const double gainDb = largest > 0.0f ? 2.0 * std::trunc(10.0 * std::log10(16384.0 / largest)) : 0.0;
        st.gainDb = static_cast<float>(std::clamp(gainDb, -kMaxGainDb, kMaxGainDb));
        st.gainFactor = static_cast<float>(std::pow(10.0, st.gainDb * 0.05));
        st.hpX1 = st.hpX2 = st.hpY1 = st.hpY2 = 0.0;
        condition(st);
        st.waveScale = satFloat(35000.0 / (st.gainFactor * static_cast<double>(m_signal.peakAmplitude)));
    }
}

void SpectrogramRun::openLabels()
{
    LabelMarks& labels = m_st.labels;
    labels = {};
    const bool chosen = !m_labelChoice.fileName.empty();
    const std::string& name = chosen ? m_labelChoice.fileName : m_labelFileName;
    if (name.empty())
        return;
    LabelFile file = readLabelFile(name, m_st.sampleRate, chosen ? m_labelChoice.tier : std::string());
    if (!file.ok) {
        if (!chosen && !file.opened)
            std::printf("Mix file >%s< not found\n", name.c_str());
        else
            std::printf("Label file >%s< not used: %s\n", name.c_str(), file.reason.c_str());
        std::fflush(stdout);
        return;
    }
    labels.marks = std::move(file.marks);
    labels.sampleRate = m_st.sampleRate;
    labels.lastSample = markSample(m_st.analysisEnd, m_st.sampleRate);
    // Marks before the interval's first sample are not this run's.
    const int64_t first = markSample(m_st.analysisStart, m_st.sampleRate);
    size_t index = 0;
    while (index < labels.marks.size() && markSample(labels.marks[index].seconds, m_st.sampleRate) < first)
        ++index;
    labels.hold(index);
}

bool SpectrogramRun::prepare(SpectrogramSettings& s, bool printing)
{
    m_replacements.clear();
    SpectrogramState& st = m_st;
    if (m_signal.sampleRateHz < 1 || m_signal.frameCount() < 1)
        return false;
    st.sampleRate = m_signal.sampleRateHz;
    m_signal.sampleRate = st.sampleRate;
    const TimeInterval interval = analysisInterval(m_signal);
    st.analysisStart = interval.start;
    st.analysisEnd = interval.end;
    st.printing = printing;
    resetRunState();

    setUpDisplay(s);
    setUpFrequencyRange(s);
    setUpAnalysis(s);
    setUpFilters();
    firstFill();
    openLabels();
    return true;
}

// After a page: the next page starts 10 mm of time axis before the end of this one;
// a start before the buffer refills the buffer from there.
void SpectrogramRun::startNextPage(SpectrogramPage& p)
{
    SpectrogramState& st = m_st;
    const float next = nextPageStart(st.analysisStart, st.pageTime, m_signal.pageTimeScale);
    st.analysisStart = next;
    st.analysisPos -= satInt((st.pageTime - next) * st.sampleRate);
    if (st.analysisPos < 0) {
        std::printf("Negative datpos %d\n", st.analysisPos);
        std::fflush(stdout);
        if (st.bufferFill > 0) {
            st.bufferOrigin = bufferOriginFor(next, st.sampleRate, st.windowLength);
            fillSampleBuffer(p);
            st.refillBroughtData = true;
            st.analysisPos = satInt(st.sampleRate * next) - st.bufferOrigin;
        }
    }
    st.pageTime = next;
}

RunProgress SpectrogramRun::progress() const
{
    if (m_pageDone)
        return *m_pageDone;
    return {m_st.pageNumber, m_st.pageTime, m_runStart, m_st.analysisEnd};
}

void SpectrogramRun::run(SpectrogramSettings& s, bool printing, PageHost& host,
                         const std::function<void()>& settingsRead)
{
    if (!prepare(s, printing))
        return;
    if (settingsRead)
        settingsRead();
    SpectrogramState& st = m_st;
    SpectrogramPage p = page(&host);
    m_runStart = st.analysisStart;
    st.pageTime = st.analysisStart;
    st.analysisPos = satInt(st.sampleRate * st.analysisStart) - st.bufferOrigin;
    st.pageNumber = 0;
    const auto morePages = [&st] { return st.analysisPos >= 0 && st.bufferFill >= 1 && st.analysisPos < st.bufferFill; };
    while (morePages()) {
        if (!drawpage(p))
            break;
        m_pageDone = {st.pageNumber, st.pageTime, m_runStart, st.analysisEnd};
        ++st.pageNumber;
        startNextPage(p);
        const bool lastPage = !morePages() || host.stopRequested();
        host.pageFinished(st.pageNumber - 1, lastPage);
        m_pageDone.reset();
        if (lastPage || host.stopRequested())
            break;
        // A selection changed in the main window while the page was shown moves the
        // end of the run; an end before the next page leaves nothing to draw.
        if (!printing) {
            st.analysisEnd = analysisInterval(m_signal).end;
            if (!(st.pageTime < st.analysisEnd))
                break;
        }
    }
    st.labels = {};
}

namespace {

class SpectrogramLabelledRun : public LabelledRun {
public:
    SpectrogramLabelledRun(SignalState& signal, PageLayout& layout, PlotDevice& plot, AnalysisWorkspace& ws,
                           SpectrogramState& st, std::string& labelFileName, const LabelChoice& labelChoice)
        : m_plot(plot), m_run(signal, layout, plot, ws, st, labelFileName, labelChoice)
    {
    }

    std::vector<ControlInfo> controls() const override { return spectrogramControls(); }

    bool set(std::string_view label, std::string_view value, std::string& error) override
    {
        return applySpectrogramSetting(m_settings, label, value, error);
    }

    bool setDataOutput(std::string_view option, const std::string& path, std::string& error) override
    {
        if (option != "--tracks")
            return LabelledRun::setDataOutput(option, path, error);
        m_tracks.reset(std::fopen(path.c_str(), "w"));
        if (!m_tracks) {
            error = "cannot write " + path;
            return false;
        }
        std::fputs("time_s,pitch_hz,pitch_quality,pitch_drawn,low_db,high_db,total_db\n", m_tracks.get());
        m_run.setTrackSink([this](const PairTrack& t) { writeTrack(t); });
        return true;
    }

    void run(int dpi, PageHost& host) override
    {
        m_run.run(m_settings, beginPageAt(m_plot, dpi), host);
        if (m_tracks)
            std::fflush(m_tracks.get());
    }

    std::vector<std::string> replacements() const override { return m_run.replacements(); }

private:
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };

    void writeTrack(const PairTrack& t)
    {
        const std::string pitch = t.pitchOn ? format("%.3f,%d,%d", t.pitchHz, t.pitchQuality, t.pitchDrawn ? 1 : 0)
                                            : std::string(",,");
        std::fprintf(m_tracks.get(), "%.6f,%s,%.3f,%.3f,%.3f\n", t.timeSeconds, pitch.c_str(), t.lowDb, t.highDb,
                     t.totalDb);
    }

    PlotDevice& m_plot;
    SpectrogramRun m_run;
    SpectrogramSettings m_settings;
    std::unique_ptr<std::FILE, FileCloser> m_tracks;
};

}  // namespace

std::unique_ptr<LabelledRun> makeSpectrogramLabelledRun(SignalState& signal, PageLayout& layout, PlotDevice& plot,
                                                        AnalysisWorkspace& ws, SpectrogramState& st,
                                                        std::string& labelFileName, const LabelChoice& labelChoice)
{
    return std::make_unique<SpectrogramLabelledRun>(signal, layout, plot, ws, st, labelFileName, labelChoice);
}

}  // namespace kelvox
