#include "section_run.h"

#include "label_file.h"
#include "numeric.h"
#include "one_two_five.h"
#include "parse_number.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <new>
#include <thread>

namespace kelvox {

namespace {

// Line modes of plotmove.
constexpr int kMove = 0;
constexpr int kSolid = 1;
constexpr int kDotted = 5;

// A tick loop whose step no longer moves the tick (a start of 1e12 s) or that
// would draw more lines than any strip has pixels stops here.
constexpr int kMaxStripTicks = 1000000;

// Strip frames are read this many at a time.
constexpr int kStripChunk = 4096;

}  // namespace

SectionRun::SectionRun(SignalState& signal, PlotDevice& plot, AnalysisWorkspace& ws, std::string& labelFileName)
    : m_signal(signal), m_plot(plot), m_ws(ws), m_labelFileName(labelFileName),
      m_helperThread(std::thread::hardware_concurrency() > 1)
{
}

SectionRun::~SectionRun() = default;

void SectionRun::refresh()
{
    if (!m_printing)
        m_plot.plotshow();
}

RunProgress SectionRun::progress() const
{
    return {m_page, m_settings.currentTime, m_settings.analysisStart, m_settings.analysisEnd};
}

bool SectionRun::moreSections() const
{
    return !m_stopped && m_settings.currentTime <= m_settings.analysisEnd && m_signal.sampleLimit > 0 &&
           m_settings.readPosition < m_signal.sampleLimit;
}

// Starts the helper on the sections the page will hold, or with `wholeRun` those of
// every page to the run's end, stepping through them as the section loop does.
void SectionRun::planSections(bool wholeRun)
{
    if (!m_lookingAhead)
        return;
    const double fs = m_signal.sampleRate;
    std::vector<PlannedSection> sections;
    double time = m_settings.currentTime;
    int64_t position = m_settings.readPosition;
    for (int n = 0; wholeRun || n < m_layout.sectionsPerPage; ++n) {
        if (!(time <= m_settings.analysisEnd && m_signal.sampleLimit > 0 && position < m_signal.sampleLimit))
            break;
        const double next = m_settings.hop / fs + time;
        sections.push_back({time, position, next});
        time = next;
        position += m_settings.hop;
    }
    m_lookAhead->start(m_signal, std::move(sections));
}

// Print size and sections per page, the page layout, and the analysis set-up, with
// their corrections written back into `controls`. False when nothing can be drawn.
bool SectionRun::setUp(SectionControls& controls)
{
    const TimeInterval interval = analysisInterval(m_signal);

    // Print size and sections per page; the pixel boxes follow the page begun.
    double printSize = parseNumber(controls.printSizeText) * 0.01;
    if (!(printSize > 0)) {
        replaceSectionBox(controls, SectionBox::PrintSize, "70", m_replacements);
        printSize = 0.7;
    }
    printSize = std::min(printSize, 1.0);
    const double typedSections = parseNumber(controls.sectionsPerPageText);
    const int sectionsPerPage = sanitizedSectionsPerPage(typedSections);
    if (sectionsPerPage != satInt(typedSections))
        replaceSectionBox(controls, SectionBox::SectionsPerPage, format("%d", sectionsPerPage), m_replacements);
    m_plot.plottextsize(static_cast<float>(std::sqrt(printSize)));
    m_layout = sectionLayout(m_plot.pageWidthPx(), m_plot.pageHeightPx(), m_plot.resolution(), printSize,
                             m_plot.lineheight(), sectionsPerPage);
    const PageBox& frame = m_layout.frame;
    // The used area reaches 30 pixels above the frame, or as far as the two caption
    // lines above it reach where they are taller (print pages).
    const int captionHeight = std::max(m_plot.fixedPx(30), 2 * m_plot.lineheight() + m_plot.fixedPx(2));
    m_plot.usedarea = {frame.px0 - m_plot.fixedPx(1), frame.py0 - captionHeight, frame.px1 + m_plot.fixedPx(2),
                       frame.py1 + m_plot.fixedPx(2)};

    // Analysis set-up; the label file is named after the recording whatever follows.
    m_labelFileName = labelFileName(m_signal.fileName);
    if (!(m_signal.sampleRate > 0))
        return false;
    try {
        m_settings = sectionSetup(controls, m_signal, interval, m_ws, m_replacements);
        m_analyser.prepare(m_settings);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "section run: not enough memory for the analysis\n");
        return false;
    }
    m_signal.preEmphasis = m_settings.preEmphasis;
    m_timeStepItem = controls.timeStepItem;
    const double fs = m_signal.sampleRate;
    m_layout.strip.x0 = m_settings.analysisStart;
    m_layout.strip.x1 = m_settings.analysisEnd + m_settings.frameLength / fs;
    m_layout.area.y0 = m_settings.levelTop - m_settings.levelRange;
    return true;
}

void SectionRun::run(SectionControls& controls, bool printing, PageHost& host,
                     const std::function<void()>& settingsRead)
{
    m_replacements.clear();
    m_printing = printing;
    m_stopped = false;
    m_sectionsDrawn = 0;
    m_page = 0;
    const bool ready = setUp(controls);
    if (settingsRead)
        settingsRead();
    if (!ready)
        return;
    const double fs = m_signal.sampleRate;
    m_stripEnd = m_settings.analysisStart;
    // With a time step every section is its own frame: a helper analyses the coming
    // ones of a page while the page is drawn.
    m_lookingAhead = m_helperThread && m_settings.ltasFrames <= 0;
    if (m_lookingAhead) {
        if (!m_lookAhead)
            m_lookAhead = std::make_unique<SectionLookAhead>();
        m_lookAhead->prepare(m_ws, m_settings);
    }
    // Where the host's pages follow one another at once, nothing changes the
    // recording meanwhile: the helper goes on across the pages, planned once.
    const bool acrossPages = host.pagesFollowOn();
    if (acrossPages)
        planSections(true);
    std::string pageText = "0";
    while (moreSections()) {
        if (!acrossPages)
            planSections(false);
        sectionpage(pageText);
        while (moreSections() && m_onPage < m_layout.sectionsPerPage) {
            m_nextTime = m_settings.hop / fs + m_settings.currentTime;
            sectionanalyse();
            m_settings.currentTime = m_nextTime;
            m_settings.readPosition += m_settings.hop;
            // "Abort" ends the run after the section in hand.
            if (host.stopRequested())
                m_stopped = true;
        }
        // The page is handed on: while a preview waits, the recording may change.
        if (m_lookingAhead && !acrossPages)
            m_lookAhead->stop();
        const bool lastPage = !moreSections();
        host.pageFinished(m_page, lastPage);
        ++m_page;
        pageText = format("%1d", m_page);
        if (host.stopRequested())
            m_stopped = true;
    }
    if (m_lookingAhead)
        m_lookAhead->stop();
}

void SectionRun::sectionpage(const std::string& pageText)
{
    PlotDevice& d = m_plot;
    d.plotwindow(0, 0, 1, 1, 0, 0, d.pageWidthPx(), d.pageHeightPx(), 0);
    d.plotclear();
    d.clearRegions();
    for (const PageBox* r : {&m_layout.frame, &m_layout.strip}) {
        d.plotwindow(r->x0, r->y0, r->x1, r->y1, r->px0, r->py0, r->px1, r->py1, 1);
        d.plotlines(r->px0 + d.fixedPx(8), std::min(r->py0, r->py1) + d.fixedPx(14), r->caption);
        d.plotlw(1);
        refresh();
    }
    drawStripTimeAxis();

    const SectionSettings& st = m_settings;
    const PageBox& frame = m_layout.frame;
    d.plotwindow(0, 0, 1, 1, 0, 0, d.pageWidthPx(), d.pageHeightPx(), 0);
    d.plottext(frame.px0 + d.fixedPx(4), frame.py0 - d.lineheight(),
               format("Kelvox|Sect %s, Ch %d(%d), Page %s", m_signal.fileName.c_str(), m_signal.selectedChannel,
                      m_signal.channelCount, pageText.c_str()),
               kAlignBottomLeft);
    d.plottext(
        frame.px0 + d.fixedPx(4), frame.py0,
        format("%s, %s, Sf %1.2f kHz, Bw %2d Hz, Te %3.1f ms, Gain %1d dB, %s, nFFT %1d of %1d",
               itemText(st.analysis).c_str(), itemText(st.windowType).c_str(), m_signal.sampleRate * 0.001,
               satInt(st.bandwidth), 1000 / st.bandwidth, satInt(st.gainDb),
               itemText(static_cast<SectionPreEmphasis>(satInt(st.preEmphasis))).c_str(), st.frameLength, st.fftLength),
        kAlignBottomLeft);
    m_onPage = 0;
    m_lastMarker = {};
    m_lastBar = {};
    m_lastWindowShape.clear();
    refresh();
}

void SectionRun::drawStripTimeAxis()
{
    PlotDevice& d = m_plot;
    const PageBox& strip = m_layout.strip;
    const double start = m_settings.analysisStart;
    const double step = timeTickStep(static_cast<double>(m_settings.analysisEnd) - start);
    double e = std::trunc(start / step) * step;
    int h = d.plotxpix(e);
    int labelLimit = e >= start ? h - d.fixedPx(100) : h;
    for (int ticks = 0; h < strip.px1 && ticks < kMaxStripTicks; ++ticks) {
        if (h >= strip.px0) {
            d.plotmove(h, strip.py0, kMove);
            d.plotmove(h, strip.py1, kDotted);
            if (labelLimit < h) {
                const int width = d.plottext(h, strip.py0 + d.fixedPx(2), tickLabel(e, step), kAlignTopCentre);
                labelLimit = h + d.lineheight() + width;
            }
        }
        if (e + step == e)
            break;
        e += step;
        h = d.plotxpix(e);
    }
}

void SectionRun::sectionanalyse()
{
    drawStripAndMarker();
    const AnalysedSection* ahead = m_lookingAhead ? m_lookAhead->take(m_settings.readPosition) : nullptr;
    if (ahead) {
        // Made of the same frame by the helper: every section with a time step is
        // complete and the only frame of its average.
        m_analyser.adopt(ahead->levels, ahead->average);
        m_settings.averageCount = 1;
    } else if (!m_analyser.analyse(m_signal, m_ws, m_settings, m_nextTime)) {
        return;  // a long-time average that is not complete yet
    }
    drawSection(m_onPage);
}

void SectionRun::drawStripAndMarker()
{
    PlotDevice& d = m_plot;
    const SectionSettings& st = m_settings;
    const PageBox& strip = m_layout.strip;
    const double fs = m_signal.sampleRate;
    const double t = st.currentTime;
    d.plotwindow(strip.x0, strip.y0, strip.x1, strip.y1, strip.px0, strip.py0, strip.px1, strip.py1, 0);
    d.plotlw(1);

    // Waveform from the strip's end so far up to the end of this section (of the
    // whole frame for the last one), one min–max bar per pixel column.
    const int64_t ext = t + st.frameLength / fs >= st.analysisEnd ? st.frameLength : st.hop;
    const int64_t offset = m_signal.dataOffset;
    int64_t first = satInt64(m_stripEnd * fs) - offset;
    int64_t last = satInt64(t * fs) + ext - offset;
    // Frames outside the data read 0, and frames beyond the strip's data window
    // land on its edge columns: one such frame at each end stands for all of them.
    first = std::max(first, std::min<int64_t>(-1, satInt64(strip.x0 * fs) - 2));
    last = std::min(last, std::max<int64_t>(m_signal.frameCount(), satInt64(strip.x1 * fs) + 2));
    const float scale = st.gainFactor * st.stripScale;
    FrameCache& frames = m_analyser.frames();
    auto drawColumn = [&](int x, float low, float high) {
        const int yLow = d.plotypix(low), yHigh = d.plotypix(high);
        // The strip gets black lines only, so the bar the last section drew in
        // this column, drawn again, changes nothing.
        const std::array<int, 3> bar = {x, yLow, yHigh};
        if (bar == m_lastBar)
            return;
        m_lastBar = bar;
        d.plotmove(x - 1, yLow, kMove);
        d.plotmove(x - 1, yHigh, kSolid);
        d.plotmove(x, yHigh, kSolid);
        d.plotmove(x, yLow, kSolid);
    };
    // Columns hold runs of frames; the last frame of a column is found by search,
    // so a long strip maps a few frames per column to pixels, not every frame.
    auto columnOf = [&](int64_t frame) { return d.plotxpix(static_cast<double>(frame) / fs); };
    m_stripChunk.resize(kStripChunk + 1);
    for (int64_t j = first; j <= last;) {
        const int column = columnOf(j);
        int64_t inColumn = j, beyond = last + 1;
        for (int64_t step = 1; inColumn + step <= last; step *= 2) {
            if (columnOf(inColumn + step) != column) {
                beyond = inColumn + step;
                break;
            }
            inColumn += step;
        }
        while (beyond - inColumn > 1) {
            const int64_t middle = inColumn + (beyond - inColumn) / 2;
            (columnOf(middle) == column ? inColumn : beyond) = middle;
        }
        // The column's values in chunks, each with the next frame as the
        // pre-emphasis neighbour of its last.
        float low = 0, high = 0;
        for (int64_t f = j; f <= inColumn;) {
            const int count = static_cast<int>(std::min<int64_t>(inColumn - f + 1, kStripChunk));
            frames.read(m_signal, f, count + 1, scale, m_stripChunk.data());
            for (int i = 0; i < count; ++i) {
                float v = m_stripChunk[static_cast<std::size_t>(i)];
                if (st.preEmphasis > 0)
                    v = st.preEmphasis * m_stripChunk[static_cast<std::size_t>(i) + 1] - v;
                low = f + i == j ? v : std::min(low, v);
                high = f + i == j ? v : std::max(high, v);
            }
            f += count;
        }
        drawColumn(column, low, high);
        j = inColumn + 1;
    }
    m_stripEnd = static_cast<double>(satInt64(t * fs) + ext) / fs;

    // Marker of the analysis window over the strip's top.
    // Black lines only are drawn over the strip between sections, so a marker that
    // lands where the last one did is already there.
    const int e = d.plotxpix(t), a = d.plotxpix(t + 2 / st.bandwidth), y = strip.py1;
    const std::array<int, 3> marker = {e, a, y};
    if (marker != m_lastMarker) {
        const int inset = d.fixedPx(1), low = y + d.fixedPx(6), high = y + d.fixedPx(3);
        d.plotmove(e + inset, low, kMove);
        d.plotmove(e + inset, high, kSolid);
        d.plotmove(a - inset, high, kSolid);
        d.plotmove(a - inset, low, kSolid);
        m_lastMarker = marker;
    }
    // The window's shape over the strip, for a section at the strip's start (again
    // only where it differs from the shape last drawn on this page).
    if (e == strip.px0) {
        const std::vector<float>& window = m_analyser.windowTable();
        std::vector<std::pair<int, int>> shape(static_cast<std::size_t>(st.frameLength));
        for (int i = 0; i < st.frameLength; ++i)
            shape[static_cast<std::size_t>(i)] = {
                d.plotxpix(i / fs + t), d.plotypix(window[static_cast<std::size_t>(i)] * 60000.0 + strip.y0)};
        if (shape != m_lastWindowShape) {
            for (std::size_t i = 0; i < shape.size(); ++i)
                d.plotmove(shape[i].first, shape[i].second, i == 0 ? kMove : kSolid);
            m_lastWindowShape = std::move(shape);
        }
    }
    refresh();
}

void SectionRun::drawCellAxes(const SectionCell& cell, int binCount, bool lag, double readoutOffset)
{
    PlotDevice& d = m_plot;
    const SectionSettings& st = m_settings;
    const double levelTop = st.levelTop, levelBottom = st.levelTop - st.levelRange;
    // Horizontal axis: lags in seconds, or frequencies; labels where they do not
    // run into the previous one.
    std::vector<AxisTick> ticks;
    int previousEnd = 0, gap = 0;
    double xAtRight = 0;
    if (lag) {
        ticks = lagTicks(cell.left, cell.right, binCount, m_signal.sampleRate);
        previousEnd = cell.left;
        gap = d.fixedPx(16);
        xAtRight = binCount / m_signal.sampleRate;
    } else {
        ticks = frequencyTicks(cell.left, cell.right, st.freqRange);
        previousEnd = cell.left - d.fixedPx(30);
        gap = d.lineheight();
        xAtRight = st.freqRange;
    }
    d.addregion(cell.left, cell.bottom, cell.right, cell.top, 0.0f, static_cast<float>(levelBottom + readoutOffset),
                static_cast<float>(xAtRight), static_cast<float>(levelTop + readoutOffset), false);
    for (const AxisTick& tick : ticks) {
        if (previousEnd < tick.pixel - gap) {
            const int width = d.plottext(tick.pixel, cell.bottom + d.fixedPx(1), tick.label, kAlignTopCentre);
            previousEnd = tick.pixel - width / 2 + width;
        }
        d.plotmove(tick.pixel, cell.bottom, kMove);
        d.plotmove(tick.pixel, cell.top, kDotted);
    }
    // Level axis: multiples of 10 dB on the readout scale.
    for (const AxisTick& line :
         levelLines(cell.top, cell.bottom, st.gainDb, st.levelRange, st.choice.cepstrum != 0, d.lineheight())) {
        d.plottext(cell.left - d.fixedPx(2), line.pixel, line.label, kAlignMiddleRight);
        d.plotmove(cell.left, line.pixel, kMove);
        d.plotmove(cell.right, line.pixel, kDotted);
    }
}

void SectionRun::drawSection(int c)
{
    PlotDevice& d = m_plot;
    const SectionSettings& st = m_settings;
    const SectionCell cell = sectionCell(m_layout, c);
    const bool lag = st.choice.cepstrum || st.choice.autocorrelation;
    const int half = st.fftLength / 2;
    // Bins shown: the lags of half a frame, or the bins up to the frequency range
    // (at least one, so a bin always has a width).
    const int binCount = lag ? st.frameLength / 2
                             : std::clamp(satInt(st.fftLength / m_signal.sampleRate * st.freqRange), 1, half);
    // The readout scale of the cell's level labels: display level − gain − 60;
    // for the cepstrum 0 at the top line, whatever the gain.
    const double readoutOffset = st.choice.cepstrum ? -st.levelTop - (st.gainDb - std::trunc(st.gainDb))
                                                    : -static_cast<double>(st.gainDb) - 60.0;
    d.plotlw(1);
    drawCellAxes(cell, binCount, lag, readoutOffset);

    ++m_onPage;
    d.plotwindow(0, st.levelTop - st.levelRange, 1, st.levelTop, cell.left, cell.bottom, cell.right, cell.top, 1);
    d.plottext(cell.right - d.fixedPx(3), cell.top + d.fixedPx(2),
               m_timeStepItem > 0 ? format("%5.3f", st.currentTime) : sectionBoxItems(SectionBox::TimeStep).front(),
               kAlignTopRight);

    // The curve: one flat step per bin, from the previous bin's end to this bin's.
    const std::vector<float>& levels = m_analyser.levels();
    int previousEnd = d.plotxpix(-0.3 / binCount);
    bool firstBin = true, peak = false;
    double largestExcess = 0;
    int peakColumn = 0;
    for (int k = 0; k <= binCount; ++k) {
        const double u = (k + 0.3) / binCount;
        const int b = d.plotxpix(u);
        const double level = levels[static_cast<std::size_t>(k)];
        const int y = d.plotypix(level);
        if (u >= 0 && u <= 1.005) {
            d.plotmove(previousEnd, y, firstBin ? kMove : kSolid);
            d.plotmove(b, y, kSolid);
            firstBin = false;
            if (level - st.levelTop > largestExcess) {
                largestExcess = level - st.levelTop;
                peakColumn = previousEnd;
                peak = true;
            }
        }
        previousEnd = b;
    }
    if (peak)
        d.plottext(peakColumn, cell.top - d.fixedPx(2),
                   format("%4.1f", st.choice.cepstrum ? largestExcess : largestExcess - st.gainDb), kAlignBottomCentre);
    if (m_layout.sectionsPerPage == 1)
        d.plottext(cell.right - d.fixedPx(3), cell.top + d.fixedPx(16),
                   st.choice.cepstrum        ? std::string("Cepst lvl")
                   : st.choice.harmonicCount ? format("%d+Hsum spc", st.choice.harmonicCount)
                                             : std::string("Vevov lvl"),
                   kAlignTopRight);
    reportSection(binCount, lag, readoutOffset);
    ++m_sectionsDrawn;
    refresh();
}

void SectionRun::reportSection(int binCount, bool lag, double readoutOffset)
{
    if (!m_observer)
        return;
    const SectionSettings& st = m_settings;
    const double fs = m_signal.sampleRate;
    DrawnSection s;
    s.number = m_sectionsDrawn;
    s.timeSeconds = st.currentTime;
    s.lag = lag;
    const std::vector<float>& levels = m_analyser.levels();
    // The bins the curve draws (u ≤ 1.005) that hold a computed value.
    for (int k = 0; k <= binCount && k < st.fftLength / 2; ++k) {
        if ((k + 0.3) / binCount > 1.005)
            break;
        s.x.push_back(lag ? k / fs : k * fs / st.fftLength);
        s.readout.push_back(levels[static_cast<std::size_t>(k)] + readoutOffset);
    }
    m_observer(s);
}

}  // namespace kelvox
