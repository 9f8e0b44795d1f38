#include "waveform_run.h"

#include "engineering_notation.h"
#include "numeric.h"
#include "parse_number.h"

#include <algorithm>
#include <cmath>

namespace kelvox {

namespace {

constexpr int kSolid = 1, kDotted = 5, kDashDot = 13;
constexpr int kRefreshColumns = 128;
// Frame numbers are kept within ±2^47 so that × channelCount (< 2^15) stays
// inside int64 for any typed time.
constexpr int64_t kFrameLimit = int64_t(1) << 47;
// Pages of silence a run draws at most before the recording begins: as many as a
// 16-bit page number counts.
constexpr double kMaxLeadInPages = 32767;

}  // namespace

// Where the run stands: time, data position, line and column.
struct WaveformRun::Walk {
    int channels = 1;
    double sampleRate = 0;
    double end = 0;            // analysis end, seconds
    int64_t dataEnd = 0;       // sampleLimit + dataOffset: the data stop here
    double time = 0;           // start of the next column
    double lineStart = 0;      // time at the left edge of the current line
    double pageLineStart = 0;  // lineStart when the page began
    int64_t position = 0;      // sample index of the next column's first frame
    int x = 0;                 // next column of the current line
    int lineIndex = 0;
    int pageNumber = 0;
    bool dataEnded = false;
    std::vector<int> previousX, previousY;  // per channel: the last drawn point

    // Sample index of frame trunc(t × fs), the frame under time t.
    int64_t positionAt(double t, int32_t dataOffset) const
    {
        const int64_t frame = std::clamp(satInt64(t * sampleRate), -kFrameLimit, kFrameLimit);
        return channels * frame + dataOffset;
    }
};

WaveformRun::WaveformRun(SignalState& signal, PlotDevice& plot) : m_signal(signal), m_plot(plot) {}

void WaveformRun::show(bool printing)
{
    if (!printing)
        m_plot.plotshow();
}

void WaveformRun::selectLine(int lineIndex, int framewidth)
{
    const PageBox& t = m_params.layout.tracks;
    const WaveformLineRows rows =
        waveformLineRows(t, m_params.lines, lineIndex, m_plot.lineheight(), m_plot.resolution());
    // World −1 at the line's top: drawn values are negated samples, so positive
    // samples go up.
    m_plot.plotwindow(t.x0, t.y0, t.x1, t.y1, t.px0, rows.top, t.px1, rows.bottom, framewidth);
}

void WaveformRun::drawPageHeader(const Walk& w)
{
    const PageBox& f = m_params.layout.frame;
    m_plot.clearRegions();
    m_plot.plotwindow(0, 0, 1, 1, 0, 0, m_plot.pageWidthPx(), m_plot.pageHeightPx(), 0);
    m_plot.plotclear();
    m_plot.plotwindow(f.x0, f.y0, f.x1, f.y1, f.px0, f.py0, f.px1, f.py1, 1);
    m_plot.plotlines(f.px0 + m_plot.fixedPx(4), f.py0 - m_plot.lineheight(),
                     waveformCaption(m_signal.fileName, m_pageNumberText, w.channels, w.sampleRate));
    for (int i = 0; i < m_params.lines; ++i)
        drawLineAxes(w, i);
}

void WaveformRun::drawLineAxes(const Walk& w, int lineIndex)
{
    const WaveformParameters& p = m_params;
    const PageBox& t = p.layout.tracks;
    const int labelX = p.layout.frame.px0 + m_plot.fixedPx(2);
    const WaveformLineRows rows = waveformLineRows(t, p.lines, lineIndex, m_plot.lineheight(), m_plot.resolution());

    // Time grid: dotted lines inside the track, labels below wherever they do
    // not crowd the previous one.
    const double t0 = w.pageLineStart + lineIndex * p.lineDuration;
    const std::vector<AxisTick> ticks = waveformTicks(t0, p.tickStep, p.pixelsPerSecond, t.px0, t.px1);
    int labelLimit = ticks.empty() ? 0 : ticks.front().pixel - m_plot.fixedPx(100);
    for (const AxisTick& tick : ticks) {
        if (tick.pixel >= t.px0) {
            m_plot.plotmove(tick.pixel, rows.bottom, 0);
            m_plot.plotmove(tick.pixel, rows.top, kDotted);
        }
        if (tick.pixel > labelLimit) {
            const int width = m_plot.plottext(tick.pixel, rows.bottom + m_plot.fixedPx(2), tick.label, kAlignTopCentre);
            labelLimit = tick.pixel + m_plot.lineheight() + width;
        }
    }

    // Reference lines at the line's edges and its zero. Every channel has the
    // same gain and sample width, so the lines of all channels coincide and are
    // drawn once.
    const auto reference = [&](int y, int mode, double value) {
        m_plot.plotmove(t.px0, y, 0);
        m_plot.plotmove(t.px1, y, mode);
        m_plot.plotlines(labelX, y + m_plot.fixedPx(4), "=" + engineeringNotation(value));
    };
    reference(rows.bottom, kDashDot, p.bottomValue + p.zeroValue);
    reference(rows.top, kDashDot, p.topValue + p.zeroValue);
    selectLine(lineIndex, 0);
    const double zeroAt = p.zeroValue * p.channelScale;
    const int zeroY = m_plot.plotypix(zeroAt);
    if (zeroAt > -1 && zeroAt < 1 && zeroY != rows.top && zeroY != rows.bottom)
        reference(zeroY, kDotted, p.zeroValue);
    selectLine(lineIndex, 1);
}

double WaveformRun::columnValue(int64_t index) const
{
    const SignalState& s = m_signal;
    // "+6dB/oct" from the section window: first difference with the next frame of
    // the same channel, without the DC correction.
    if (s.preEmphasis > 0) {
        const double next = sampleAtIndex(s, index + s.channelCount);
        return -(sampleAtIndex(s, index) - s.preEmphasis * next) * m_params.sampleScale;
    }
    return -correctedSampleAtIndex(s, index) * m_params.sampleScale;
}

bool WaveformRun::drawColumn(Walk& w, bool printing, const PageHost& host)
{
    const WaveformParameters& p = m_params;
    const PageBox& t = p.layout.tracks;
    const int trackWidth = p.lineColumns;
    const double columnEnd = w.time + p.secondsPerColumn;
    const int64_t endPosition = w.positionAt(columnEnd, m_signal.dataOffset);
    const bool dataEnds = endPosition >= w.dataEnd;
    const bool lineEnds = w.x >= trackWidth || w.time >= w.end || dataEnds || w.time >= w.lineStart + p.lineDuration;
    if (lineEnds)
        w.x = std::min(w.x, trackWidth);
    const int pageX = w.x + t.px0;

    for (int c = 0; c < w.channels; ++c) {
        // The frames that begin in this column, [position, endPosition); a column
        // shorter than a frame shows the frame at its start.
        double minValue = columnValue(w.position + c);
        double maxValue = minValue, lastValue = minValue;
        const bool empty = w.position >= endPosition;
        for (int64_t f = w.position + w.channels; f < endPosition; f += w.channels) {
            lastValue = columnValue(f + c);
            minValue = std::min(minValue, lastValue);
            maxValue = std::max(maxValue, lastValue);
        }
        if (m_observer)
            m_observer({w.pageNumber, w.lineIndex, w.x, c, empty, w.position, endPosition, minValue, maxValue,
                        lastValue, lineEnds});

        const std::size_t ci = static_cast<std::size_t>(c);
        const int yMin = m_plot.plotypix(minValue);
        if (w.x == 0) {
            m_plot.plotmove(pageX, yMin, 0);
        } else if (minValue != maxValue || yMin != w.previousY[ci] || lineEnds) {
            // Close the flat stretch since the last drawn column at its level.
            if (w.channels > 1)
                m_plot.plotmove(w.previousX[ci], w.previousY[ci], 0);
            m_plot.plotmove(pageX - 1, w.previousY[ci], kSolid);
            m_plot.plotmove(pageX, yMin, kSolid);
        } else {
            continue;  // flat at the previous level: drawn when the level changes
        }
        const int yMax = m_plot.plotypix(maxValue);
        const int yLast = m_plot.plotypix(lastValue);
        if (yMax != yMin)
            m_plot.plotmove(pageX, yMax, kSolid);
        if (yLast != yMax)
            m_plot.plotmove(pageX, yLast, kSolid);
        w.previousX[ci] = pageX;
        w.previousY[ci] = yLast;
    }

    bool stop = false;
    if (w.x % kRefreshColumns == 0) {
        show(printing);
        stop = host.stopRequested();
    }
    w.time = columnEnd;
    ++w.x;
    w.position = endPosition;
    if (lineEnds) {
        ++w.lineIndex;
        w.lineStart += p.lineDuration;
        // The next line begins with this line's last frame, so the trace joins.
        w.position = endPosition - w.channels;
        // The data are done: the run ends with this line.
        w.dataEnded = dataEnds;
        show(printing);
        stop = stop || host.stopRequested();
        selectLine(w.lineIndex, 0);
        w.x = 0;
    }
    return !stop;
}

RunProgress WaveformRun::progress() const
{
    if (!m_walk)
        return {};
    return {m_walk->pageNumber, m_walk->time, m_start, m_walk->end};
}

int WaveformRun::run(WaveformSettings& settings, bool printing, PageHost& host,
                     const std::function<void()>& settingsRead)
{
    m_replacements.clear();
    m_pageSpans.clear();
    SignalState& s = m_signal;
    const TimeInterval interval = analysisInterval(s);
    m_params = waveformSetup(settings, s, m_plot.resolution(), m_plot.pageWidthPx(), m_plot.pageHeightPx(),
                             m_tickStep, m_replacements);
    if (settingsRead)
        settingsRead();
    s.pageTimeScale = m_params.pageTimeScale;
    m_plot.plottextsize(static_cast<float>(m_params.textSize));
    // The caption's text cell starts lineheight + 12 pixels above the frame, which
    // at print resolution is well above the 24 pixels the used area reserves:
    // widen the area upward so that saved and printed pages keep the caption.
    const int captionTop = m_params.layout.frame.py0 - m_plot.lineheight() + m_plot.labelOffsetY();
    m_params.usedArea.top = std::min(m_params.usedArea.top, captionTop);
    m_plot.usedarea = m_params.usedArea;

    Walk w;
    w.channels = std::max<int>(1, s.channelCount);
    w.sampleRate = s.sampleRate;
    w.previousX.assign(static_cast<std::size_t>(w.channels), 0);
    w.previousY.assign(static_cast<std::size_t>(w.channels), 0);
    w.end = interval.end;
    // A start before the recording draws silence up to time 0, from the start as
    // typed. A start so far back that the silence alone would take more pages
    // than a page number counts (a typed −1e9 s) begins that many pages before
    // time 0 instead, so that the run still ends.
    const double pageDuration = m_params.lines * m_params.lineDuration;
    const double start = std::max(static_cast<double>(interval.start), -kMaxLeadInPages * pageDuration);
    w.time = w.lineStart = start;
    m_start = start;
    m_walk = &w;
    // The walk ends with this call, whichever way it returns.
    struct Forget {
        const Walk*& walk;
        ~Forget() { walk = nullptr; }
    } forget{m_walk};
    w.position = w.positionAt(start, s.dataOffset);
    s.sampleLimit = s.sampleCount - s.dataOffset;
    w.dataEnd = static_cast<int64_t>(s.sampleLimit) + s.dataOffset;
    m_pageNumberText = "0";

    const auto morePages = [&] {
        return s.sampleLimit > 0 && w.position < w.dataEnd && w.time < w.end && !w.dataEnded;
    };
    int pages = 0;
    while (morePages()) {
        WaveformPageSpan span{w.lineStart, 0, w.position, 0, 0};
        w.pageLineStart = w.lineStart;
        drawPageHeader(w);
        show(printing);
        w.x = 0;
        w.lineIndex = 0;
        selectLine(0, 0);
        m_plot.plotlw(1);
        while (w.time < w.end && w.lineIndex < m_params.lines && !w.dataEnded) {
            if (!drawColumn(w, printing, host))
                return pages;  // stopped part-way: the page is not finished
        }
        show(printing);
        span.endTime = w.time;
        span.endPosition = w.position + (w.x == 0 ? w.channels : 0);
        span.linesDrawn = w.lineIndex + (w.x > 0 ? 1 : 0);
        m_pageSpans.push_back(span);
        const bool last = !morePages() || host.stopRequested();
        host.pageFinished(w.pageNumber, last);
        ++pages;
        ++w.pageNumber;
        m_pageNumberText = format("%1d", w.pageNumber);
        if (last || host.stopRequested())
            break;
    }
    return pages;
}

namespace {

class WaveformLabelledRun : public LabelledRun {
public:
    WaveformLabelledRun(SignalState& signal, PlotDevice& plot) : m_plot(plot), m_run(signal, plot) {}

    std::vector<ControlInfo> controls() const override { return waveformControls(); }

    bool set(std::string_view label, std::string_view value, std::string& error) override
    {
        return applyWaveformSetting(m_settings, label, value, error);
    }

    void run(int dpi, PageHost& host) override
    {
        m_run.run(m_settings, beginPageAt(m_plot, dpi), host);
    }

    std::vector<std::string> replacements() const override { return m_run.replacements(); }

private:
    PlotDevice& m_plot;
    WaveformSettings m_settings;
    WaveformRun m_run;
};

}  // namespace

std::unique_ptr<LabelledRun> makeWaveformLabelledRun(SignalState& signal, PlotDevice& plot)
{
    return std::make_unique<WaveformLabelledRun>(signal, plot);
}

}  // namespace kelvox
