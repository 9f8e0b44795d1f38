#include "spectrogram_run.h"

#include "conditioning.h"
#include "constant_q.h"
#include "fft.h"
#include "numeric.h"
#include "page_loop.h"
#include "parse_number.h"
#include "real_fft.h"
#include "spectrogram_setup.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <span>
#include <thread>

namespace kelvox {

namespace {

constexpr int kCepstrumFft = 512;

// The largest |conditioned value| among the first `count` samples of the buffer.
float largestMagnitude(const SampleBufferState& buffer, int count)
{
    float largest = 0.0f;
    for (int i = 0; i < count; ++i)
        largest = std::max(largest, std::fabs(buffer.ConditionedSamples[static_cast<size_t>(i)]));
    return largest;
}

// The typical pitch of the selected channel over the analysis interval, read
// straight from the recording (16-bit units, as the sample buffer holds them).
TypicalPitch typicalPitchOfInterval(const SignalState& s)
{
    const TimeInterval interval = analysisInterval(s);
    const int64_t frames = s.frameCount();
    const int64_t first =
        std::clamp<int64_t>(satInt64(static_cast<double>(interval.start) * s.sampleRateHz), 0, frames);
    const int64_t last =
        std::clamp<int64_t>(satInt64(static_cast<double>(interval.end) * s.sampleRateHz), first, frames);
    return estimateTypicalPitch(last - first, s.sampleRateHz, [&s, first](int64_t from, std::span<int16_t> out) {
        for (size_t i = 0; i < out.size(); ++i)
            out[i] = static_cast<int16_t>(frameSample(s, first + from + static_cast<int64_t>(i), s.selectedChannel));
    });
}

}  // namespace

SpectrogramRun::SpectrogramRun(SignalState& signal, const PageLayout& layout, PlotDevice& plot, AnalysisWorkspace& ws,
                               SpectrogramState& st, const std::string& labelFileName, const LabelChoice& labelChoice)
    : m_signal(signal), m_layout(layout), m_plot(plot), m_ws(ws), m_st(st), m_labelFileName(labelFileName),
      m_labelChoice(labelChoice), m_helperThread(std::thread::hardware_concurrency() > 1)
{
}

SpectrogramRun::~SpectrogramRun() = default;

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
    SpectrogramPage p{m_signal, m_plot, m_ws, m_parameters, m_st, {}, m_trackSink};
    if (host) {
        p.stopRequested = [host] { return host->stopRequested(); };
        p.lookAcrossPages = host->pagesFollowOn();
    }
    p.lookAhead = m_helperThread ? m_lookAhead.get() : nullptr;
    return p;
}

// What the parameters ask of the shared owners: the page's time scale, the text size
// and used area of the plot device, the FFT, constant-Q and cepstral tables.
void SpectrogramRun::applyToDevices()
{
    const SpectrogramParameters& p = m_parameters;
    m_signal.pageTimeScale = p.pageTimeScale;
    m_plot.plottextsize(p.geometry.textSize);
    const SpectrogramGeometry& g = p.geometry;
    m_plot.usedarea = {g.usedLeft, g.usedTop, g.usedRight, g.usedBottom};
    if (p.analysis == AnalysisType::ConstantQ) {
        qsetup(m_ws, kQFactor, p.sampleRate);
        m_ws.FftSize = p.fftSize;
    } else {
        fftsetup(m_ws, p.fftSize);
    }
    if (p.pitchMethod == PitchMethod::Cepstrum)
        realfftsetup(m_ws, kCepstrumFft);
}

// The running state a run starts from; the pitch estimate carries over from the
// last run.
void SpectrogramRun::resetRunState()
{
    const SpectrogramParameters& p = m_parameters;
    SpectrogramState& st = m_st;
    st.cursor = PageCursor{};
    st.cursor.analysisStart = p.analysisStart;
    PitchTrackState& pitch = st.pitchTrack;
    pitch.peakMin = pitch.peakMax = 0.0f;
    pitch.dir = pitch.prevDir = 0;
    pitch.peakCount = 0;
    pitch.pitchStrokeDrawn = false;
    if (p.pitchMethod == PitchMethod::Cepstrum)
        pitch.avgPitch = p.midPitch;
    LevelTrackState& level = st.levelTrack;
    level.levelsStarted = false;
    level.levelSampleX = kNoPixel;
    level.lowBandMemory = {};
    level.highBandMemory = {};
    level.waveMin = level.waveMax = 0.0f;
    st.buffer.refillBroughtData = true;
    st.buffer.keepBack = p.keepBack;
    st.buffer.bufferOrigin = bufferOriginFor(p.analysisStart, p.sampleRate, p.windowLength);
    st.labels = {};
    // The conditioning and the level curves start from this run's own samples, as
    // the first run of the program does: the same settings draw the same page.
    st.highPass = {};
    m_ws.BandEnergy.fill(kBandEnergyFloor);
}

// The first stretch of samples; with the automatic gain, the gain that brings its
// largest conditioned value near 16384, then the stretch conditioned again with it.
void SpectrogramRun::firstFill()
{
    SpectrogramState& st = m_st;
    SpectrogramParameters& p = m_parameters;
    // The measurement must not see the previous run's high-pass memories, which hold
    // samples at that run's gain.
    if (p.autoGain)
        st.highPass = {};
    fillSampleBuffer(m_signal, p, st.buffer, st.highPass);
    if (p.autoGain) {
        spectrogramAutoGain(p, largestMagnitude(st.buffer, st.buffer.bufferFill - 1), m_signal.peakAmplitude);
        st.highPass = {};
        conditionBuffer(p.conditioning, st.highPass, st.buffer);
    }
}

void SpectrogramRun::openLabels()
{
    const SpectrogramParameters& p = m_parameters;
    LabelMarks& labels = m_st.labels;
    labels = {};
    const bool chosen = !m_labelChoice.fileName.empty();
    const std::string& name = chosen ? m_labelChoice.fileName : m_labelFileName;
    if (name.empty())
        return;
    LabelFile file = readLabelFile(name, p.sampleRate, chosen ? m_labelChoice.tier : std::string());
    if (!file.ok) {
        if (!chosen && !file.opened)
            std::printf("Mix file >%s< not found\n", name.c_str());
        else
            std::printf("Label file >%s< not used: %s\n", name.c_str(), file.reason.c_str());
        std::fflush(stdout);
        return;
    }
    labels.marks = std::move(file.marks);
    labels.sampleRate = p.sampleRate;
    labels.lastSample = markSample(p.analysisEnd, p.sampleRate);
    // Marks before the interval's first sample are not this run's.
    const int64_t first = markSample(p.analysisStart, p.sampleRate);
    size_t index = 0;
    while (index < labels.marks.size() && markSample(labels.marks[index].seconds, p.sampleRate) < first)
        ++index;
    labels.hold(index);
}

bool SpectrogramRun::prepare(SpectrogramSettings& s, bool printing)
{
    m_replacements.clear();
    m_typicalPitch.reset();
    if (m_signal.sampleRateHz < 1 || m_signal.frameCount() < 1)
        return false;
    m_signal.sampleRate = m_signal.sampleRateHz;
    const auto typicalPitch = [this] {
        m_typicalPitch = typicalPitchOfInterval(m_signal);
        return *m_typicalPitch;
    };
    m_parameters =
        spectrogramSetup(s, m_signal, m_layout, {m_plot.resolution(), m_plot.pageWidthPx(), m_plot.pageHeightPx()},
                         printing, m_replacements, typicalPitch);
    applyToDevices();
    resetRunState();
    firstFill();
    openLabels();
    return true;
}

// After a page: the next page starts 10 mm of time axis before the end of this one;
// a start before the buffer refills the buffer from there.
void SpectrogramRun::startNextPage()
{
    const SpectrogramParameters& p = m_parameters;
    PageCursor& cursor = m_st.cursor;
    SampleBufferState& buffer = m_st.buffer;
    if (turnPage(p, cursor))
        return;
    std::printf("Negative datpos %d\n", cursor.analysisPos);
    std::fflush(stdout);
    if (buffer.bufferFill > 0) {
        const float next = cursor.analysisStart;
        buffer.bufferOrigin = bufferOriginFor(next, p.sampleRate, p.windowLength);
        fillSampleBuffer(m_signal, p, buffer, m_st.highPass);
        buffer.refillBroughtData = true;
        cursor.analysisPos = satInt(p.sampleRate * next) - buffer.bufferOrigin;
    }
}

RunProgress SpectrogramRun::progress() const
{
    if (m_pageDone)
        return *m_pageDone;
    return {m_st.cursor.pageNumber, m_st.cursor.pageTime, m_runStart, m_parameters.analysisEnd};
}

void SpectrogramRun::run(SpectrogramSettings& s, bool printing, PageHost& host,
                         const std::function<void()>& settingsRead)
{
    if (!prepare(s, printing))
        return;
    if (m_helperThread) {
        // The helper analyses with its own copy of the tables the set-up made.
        if (!m_lookAhead)
            m_lookAhead = std::make_unique<ColumnLookAhead>();
        m_lookAhead->prepare(m_ws);
    }
    // The look-ahead may go on from page to page: it stops with the run.
    const LookAheadStop stopAtEnd(m_helperThread ? m_lookAhead.get() : nullptr);
    if (settingsRead)
        settingsRead();
    PageCursor& cursor = m_st.cursor;
    const SampleBufferState& buffer = m_st.buffer;
    SpectrogramPage p = page(&host);
    m_runStart = cursor.analysisStart;
    cursor.pageTime = cursor.analysisStart;
    cursor.analysisPos = satInt(m_parameters.sampleRate * cursor.analysisStart) - buffer.bufferOrigin;
    cursor.pageNumber = 0;
    const auto morePages = [&] {
        return cursor.analysisPos >= 0 && buffer.bufferFill >= 1 && cursor.analysisPos < buffer.bufferFill;
    };
    while (morePages()) {
        if (!drawpage(p))
            break;
        m_pageDone = {cursor.pageNumber, cursor.pageTime, m_runStart, m_parameters.analysisEnd};
        ++cursor.pageNumber;
        startNextPage();
        const bool lastPage = !morePages() || host.stopRequested();
        host.pageFinished(cursor.pageNumber - 1, lastPage);
        m_pageDone.reset();
        if (lastPage || host.stopRequested())
            break;
        // A selection changed in the main window while the page was shown moves the
        // end of the run; an end before the next page leaves nothing to draw.
        if (!printing) {
            m_parameters.analysisEnd = analysisInterval(m_signal).end;
            m_st.labels.lastSample = markSample(m_parameters.analysisEnd, m_parameters.sampleRate);
            if (!(cursor.pageTime < m_parameters.analysisEnd))
                break;
        }
    }
    m_st.labels = {};
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

    void setHelperThread(bool on) override { m_run.setHelperThread(on); }

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
