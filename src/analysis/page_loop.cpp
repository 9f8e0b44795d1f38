#include "page_loop.h"

#include "analysis_workspace.h"
#include "column_pair.h"
#include "column_renderer.h"
#include "conditioning.h"
#include "level_track.h"
#include "numeric.h"
#include "page_frame.h"
#include "page_units.h"
#include "pair_look_ahead.h"
#include "pitch_track.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <span>
#include <vector>

namespace kelvox {

namespace {

constexpr int kRefreshPixels = 32;

// Frames of the selected channel that a fill may read: the page loop's end of data,
// dataOffset frames before the last.
int64_t framesAvailable(const SignalState& s)
{
    return static_cast<int64_t>(s.sampleCount / std::max<int>(1, s.channelCount)) - s.dataOffset;
}

// Appends `count` samples of the selected channel from frame bufferOrigin + bufferFill.
void appendSamples(const SignalState& signal, SampleBufferState& buffer, int count)
{
    const int64_t first = static_cast<int64_t>(buffer.bufferOrigin) + buffer.bufferFill;
    frameSamples(signal, first, signal.selectedChannel,
                 std::span<int16_t>(buffer.SampleBuffer)
                     .subspan(static_cast<size_t>(buffer.bufferFill), static_cast<size_t>(count)));
    buffer.bufferFill += count;
}

// The pitch, the level pass and the column-pair analysis of one pair, in the order
// the analysis type needs: "LinPr 17" places its model spectra on the level the
// level pass has just reached.
void analysePairStrips(SpectrogramPage& page)
{
    const SpectrogramParameters& p = page.params;
    SpectrogramState& st = page.st;
    const bool pitchOn = p.geometry.subOn[PageLayout::kPitch];
    // What the helper made ahead for this pair, if anything.
    const PairColumns* pair = page.lookAhead ? page.lookAhead->take(st.cursor.analysisPos, st.cursor.pairX0) : nullptr;
    if (pitchOn) {
        if (pair && pair->pitchMade) {
            static_cast<PitchEstimate&>(st.pitchTrack) = pair->pitchAfter;
            pitchdraw(p, pair->strokes, st.levelTrack.lowLevel, st.pitchTrack, page.plot);
        } else {
            pitchtrack(p, st.buffer, st.cursor, st.levelTrack.lowLevel, page.ws, st.pitchTrack, page.plot);
        }
    }
    const auto levels = [&] {
        levelpass(p, st.buffer, st.cursor, page.ws.BandEnergy, st.levelTrack, st.labels, page.plot);
    };
    const auto columns = [&] {
        if (pair && pair->ok)
            drawpair(p, *pair, st.cursor, st.levelTrack.midLevel, st.levelTrack.endLevel, page.ws, st.renderer,
                     page.plot);
        else
            analysepair(p, st.buffer, st.cursor, st.levelTrack.midLevel, st.levelTrack.endLevel, page.ws, st.renderer,
                        page.plot);
    };
    if (p.linPr()) {
        levels();
        columns();
    } else {
        columns();
        levels();
    }
    if (page.trackSink) {
        PairTrack track;
        track.timeSeconds = st.cursor.pageTime;
        track.pitchOn = pitchOn;
        track.pitchHz = st.pitchTrack.pitch;
        track.pitchQuality = st.pitchTrack.pitchQuality;
        track.pitchDrawn = st.pitchTrack.pitchStrokeDrawn;
        track.lowDb = st.levelTrack.lowLevel;
        track.highDb = st.levelTrack.highLevel;
        track.totalDb = st.levelTrack.totalLevel;
        page.trackSink(track);
    }
}

// The time of the pair after the one at `pageTime`, as the page loop steps.
double nextPairTimeAfter(const SpectrogramParameters& p, double pageTime)
{
    return pageTime + p.pairStep / p.sampleRate;
}

// The same state of the sample buffer: the same stretch of the recording, conditioned
// the same number of times.
bool sameBuffer(const SampleBufferState& a, const SampleBufferState& b)
{
    return a.bufferOrigin == b.bufferOrigin && a.bufferFill == b.bufferFill && a.generation == b.generation;
}

// Where the page loop goes after a pair's step (its slide, if due, made): on, or to
// the next page where the plan goes across pages; false where the plan cannot
// follow it (the run's end, a page end otherwise, a next page that refills the
// buffer).
bool followStep(const SpectrogramParameters& p, const SampleBufferState& buffer, PlanEnd& end)
{
    PageCursor& c = end.cursor;
    if (c.analysisPos >= buffer.bufferFill || c.pageTime >= p.analysisEnd)
        return false;
    const int timingX = satInt((c.pageTime - c.analysisStart) * p.timingPixelsPerSecond);
    if (timingX < p.geometry.timingWidth)
        return true;
    if (!end.acrossPages || !turnPage(p, c) || c.analysisPos >= buffer.bufferFill)
        return false;
    end.pageStart = true;
    return true;
}

// The page loop's steps without the drawing, from the end of the plan on: the pairs
// up to the second slide of the buffer from there, the first slide made in the
// look-ahead's other copy; fewer where the plan ends. At most one slide is made
// ahead: the other copy is free only once the page loop has taken that slide over.
std::vector<PlannedPair> planPairs(const SignalState& signal, const SpectrogramParameters& p, ColumnLookAhead& ahead)
{
    PlanEnd& end = ahead.planEnd;
    PageCursor& c = end.cursor;
    std::vector<PlannedPair> pairs;
    while (end.open) {
        const SampleBufferState& buffer = ahead.copy(end.copy);
        if (end.slideDue) {
            if (ahead.slide.made)
                break;
            const int other = (end.copy + 1) % ColumnLookAhead::kCopies;
            PlannedSlide& slide = ahead.slide;
            slide.made = true;
            slide.fromPos = c.analysisPos;
            slide.fromOrigin = buffer.bufferOrigin;
            slide.fromGeneration = buffer.generation;
            slide.copy = other;
            SampleBufferState& next = ahead.copy(other);
            next = buffer;
            slideSampleBuffer(signal, p, c.analysisPos, next, end.highPass);
            slide.toPos = c.analysisPos;
            slide.highPass = end.highPass;
            end.copy = other;
            end.slideDue = false;
            end.open = followStep(p, next, end);
            continue;
        }
        if (c.analysisPos < 0 || c.analysisPos >= buffer.bufferFill) {
            end.open = false;
            break;
        }
        pairs.push_back(
            {c.analysisPos, satInt((c.pageTime - c.analysisStart) * p.pixelsPerSecond), end.copy, end.pageStart});
        end.pageStart = false;
        c.pageTime = nextPairTimeAfter(p, c.pageTime);
        const int64_t pos = static_cast<int64_t>(c.analysisPos) + p.pairStep;
        if (pos > std::numeric_limits<int>::max()) {
            end.open = false;
            break;
        }
        c.analysisPos = static_cast<int>(pos);
        end.slideDue = slideDue(p, c.analysisPos, buffer);
        if (!end.slideDue)
            end.open = followStep(p, buffer, end);
    }
    return pairs;
}

// Starts the look-ahead afresh from where the page loop is, in a copy of its buffer.
void startPlan(SpectrogramPage& page, bool pageStart)
{
    ColumnLookAhead& ahead = *page.lookAhead;
    ahead.stop();
    ahead.copy(0) = page.st.buffer;
    PlanEnd& end = ahead.planEnd;
    end.open = true;
    end.cursor = page.st.cursor;
    end.copy = 0;
    end.pageStart = pageStart;
    end.acrossPages = page.lookAcrossPages;
    end.slideDue = false;
    end.highPass = page.st.highPass;
    const bool pitchOn = page.params.geometry.subOn[PageLayout::kPitch] && helperMakesPitchAndGrays(page.params);
    ahead.start(page.params, planPairs(page.signal, page.params, ahead), pitchOn ? &page.st.pitchTrack : nullptr);
}

// At a page's start: the plan goes on when its next pair is this page's first, in
// the buffer as it is; otherwise it starts afresh.
void planPage(SpectrogramPage& page)
{
    if (!page.lookAhead)
        return;
    const ColumnLookAhead& ahead = *page.lookAhead;
    const PageCursor& cursor = page.st.cursor;
    const PlannedPair* next = ahead.next();
    const bool follows =
        next && next->pageStart && next->analysisPos == cursor.analysisPos &&
        next->pairX0 == satInt((cursor.pageTime - cursor.analysisStart) * page.params.pixelsPerSecond) &&
        sameBuffer(ahead.copy(next->copy), page.st.buffer);
    if (!follows)
        startPlan(page, true);
}

// The page loop's slide with the look-ahead: the slide the plan made ahead, taken
// over, and the plan carried on to the slide after it; or, where the plan made
// another, the page loop's own slide. True when the slide was taken over.
bool takeSlide(SpectrogramPage& page)
{
    ColumnLookAhead& ahead = *page.lookAhead;
    SpectrogramState& st = page.st;
    PlannedSlide& slide = ahead.slide;
    if (!slide.made || slide.fromPos != st.cursor.analysisPos || slide.fromOrigin != st.buffer.bufferOrigin ||
        slide.fromGeneration != st.buffer.generation) {
        ahead.stop();
        slideSampleBuffer(page.signal, page.params, st.cursor.analysisPos, st.buffer, st.highPass);
        return false;
    }
    st.buffer = ahead.copy(slide.copy);
    st.highPass = slide.highPass;
    st.cursor.analysisPos = slide.toPos;
    slide.made = false;
    ahead.extend(planPairs(page.signal, page.params, ahead));
    return true;
}

}  // namespace

SpectrogramGeometry pagegeometry(const PageLayout& layout, int width, int height, int resolution, double printScale)
{
    SpectrogramGeometry g;
    for (size_t k = 0; k < g.sub.size(); ++k) {
        const SubDisplay& from = layout.sub[k];
        PageBox& to = g.sub[k];
        to.caption = from.caption;
        to.x0 = from.x0;
        to.y0 = from.y0;
        to.x1 = from.x1;
        to.y1 = from.y1;
        // Layout units are tenths of a millimetre of the page.
        to.px0 = from.px0 * width / kPageWidthTenthMm;
        to.py0 = from.py0 * height / kPageHeightTenthMm;
        to.px1 = from.px1 * width / kPageWidthTenthMm;
        to.py1 = from.py1 * height / kPageHeightTenthMm;
        g.subOn[k] = layout.stripOn(static_cast<int>(k));
    }

    const double factor = std::min(printScale, 1.0);
    // Everything shrinks toward the waveform strip's first corner.
    const int a = g.sub[PageLayout::kWave].px0, b = g.sub[PageLayout::kWave].py0;
    for (PageBox& d : g.sub) {
        d.px0 = a + satInt((d.px0 - a) * factor);
        d.px1 = a + satInt((d.px1 - a) * factor);
        d.py0 = b + satInt((d.py0 - b) * factor);
        d.py1 = b + satInt((d.py1 - b) * factor);
    }
    g.textSize = static_cast<float>(std::sqrt(factor));

    const PageBox& frame = g.sub[PageLayout::kFrame];
    g.usedLeft = frame.px0;
    g.usedTop = frame.py0 - fixedPixels(30, resolution);
    g.usedRight = frame.px1 + fixedPixels(2, resolution);
    g.usedBottom = frame.py1 + fixedPixels(2, resolution);
    const PageBox& spgm = g.sub[PageLayout::kSpectrogram];
    g.spgmLeft = spgm.px0;
    g.spgmRight = spgm.px1;
    g.spgmTop = spgm.py1;
    g.rowCount = spgm.py0 - spgm.py1;
    // A finer page ends where the 192-dpi page ends.
    g.timingWidth = resolution > kPrintDpi
                        ? pagegeometry(layout, pagePixels(kPageWidthTenthMm, kPrintDpi),
                                       pagePixels(kPageHeightTenthMm, kPrintDpi), kPrintDpi, printScale)
                              .timingWidth
                        : g.spgmRight - g.spgmLeft;
    return g;
}

int bufferOriginFor(double startSeconds, double sampleRate, int windowLength)
{
    const int64_t twice = satInt64(2.0 * startSeconds * sampleRate) - windowLength;
    if (twice <= 0)
        return 0;
    return static_cast<int>(std::min<int64_t>(twice / 2, std::numeric_limits<int>::max()));
}

void fillSampleBuffer(const SignalState& signal, const SpectrogramParameters& p, SampleBufferState& buffer,
                      HighPassMemory& highPass)
{
    buffer.bufferFill = 0;
    const int64_t count = std::clamp<int64_t>(framesAvailable(signal) - buffer.bufferOrigin, 0, kBufferSamples);
    appendSamples(signal, buffer, static_cast<int>(count));
    buffer.bufferHigh = buffer.bufferFill;
    std::fill(buffer.SampleBuffer.begin() + buffer.bufferFill, buffer.SampleBuffer.end(), int16_t{0});
    conditionBuffer(p.conditioning, highPass, buffer);
}

bool slideDue(const SpectrogramParameters& p, int analysisPos, const SampleBufferState& buffer)
{
    const int64_t needed = static_cast<int64_t>(analysisPos) + p.pairStep + p.windowLength + 512;
    return buffer.bufferFill > 0 && buffer.bufferFill < needed && buffer.refillBroughtData;
}

void slideSampleBuffer(const SignalState& signal, const SpectrogramParameters& p, int& analysisPos,
                       SampleBufferState& st, HighPassMemory& highPass)
{
    if (!slideDue(p, analysisPos, st))
        return;

    int u = analysisPos - st.keepBack;
    if (u < 0) {
        st.keepBack = analysisPos;
        u = 0;
    }
    if (u > 0) {
        const int kept = std::max(0, st.bufferFill - u);
        if (kept > 0)
            std::memmove(st.SampleBuffer.data(), st.SampleBuffer.data() + u, static_cast<size_t>(kept) * sizeof(int16_t));
        st.bufferOrigin += u;
        st.bufferFill = kept;
    }
    analysisPos = st.keepBack;

    // Room up to the last fill level, no further than the channel's data, at most
    // one buffer's worth.
    int64_t room = st.bufferHigh - st.bufferFill;
    const int64_t left = framesAvailable(signal) - st.bufferOrigin - st.bufferFill;
    room = std::clamp<int64_t>(std::min(room, left), 0, kBufferSamples);
    appendSamples(signal, st, static_cast<int>(room));
    st.refillBroughtData = room > 0;
    std::fill(st.SampleBuffer.begin() + st.bufferFill, st.SampleBuffer.begin() + std::max(st.bufferFill, st.bufferHigh),
              int16_t{0});
    conditionBuffer(p.conditioning, highPass, st);
}

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

bool turnPage(const SpectrogramParameters& p, PageCursor& cursor)
{
    const float next = nextPageStart(cursor.analysisStart, cursor.pageTime, p.pageTimeScale);
    cursor.analysisStart = next;
    cursor.analysisPos -= satInt((cursor.pageTime - next) * p.sampleRate);
    cursor.pageTime = next;
    return cursor.analysisPos >= 0;
}

bool drawpage(SpectrogramPage& page)
{
    const SpectrogramParameters& p = page.params;
    const SpectrogramGeometry& g = p.geometry;
    SpectrogramState& st = page.st;
    PageCursor& cursor = st.cursor;
    SampleBufferState& buffer = st.buffer;
    PlotDevice& plot = page.plot;
    resetRendererRows(st.renderer, g.rowCount);
    plot.plotwindow(0, 0, 1, 1, 0, 0, plot.pageWidthPx(), plot.pageHeightPx(), 0);
    plot.plotclear();
    cursor.pairX0 = 0;
    st.pitchTrack.lastX = g.sub[PageLayout::kPitch].px0;
    st.levelTrack.levelPrevX = g.sub[PageLayout::kLevel].px0;

    // The strokes, envelope columns, label ticks and level curves of the page share
    // one painter.
    PlotDevice::LineBatch lines(plot);
    const double pps = p.pixelsPerSecond;
    // The helper stops with the page unless the next one follows at once: what the
    // next page starts from may change meanwhile. Otherwise it goes on into the next
    // page, and the run stops it at its end.
    const LookAheadStop stopAtEnd(page.lookAcrossPages ? nullptr : page.lookAhead);
    planPage(page);
    while (true) {
        cursor.pairX0 = satInt((cursor.pageTime - cursor.analysisStart) * pps);
        const double nextPairTime = nextPairTimeAfter(p, cursor.pageTime);
        cursor.pairX1 = satInt((nextPairTime - cursor.analysisStart) * pps);
        analysePairStrips(page);

        cursor.pixelsSinceShow = static_cast<int>(
            std::min<int64_t>(static_cast<int64_t>(cursor.pixelsSinceShow) + cursor.pairX1 - cursor.pairX0,
                              std::numeric_limits<int>::max()));
        if (cursor.pixelsSinceShow > kRefreshPixels) {
            cursor.pixelsSinceShow -= kRefreshPixels;
            if (!p.printing)
                plot.plotshow();
            if (page.stopRequested && page.stopRequested())
                return false;
        }

        cursor.pageTime = nextPairTime;
        cursor.pairX0 = cursor.pairX1;
        cursor.analysisPos += p.pairStep;
        const bool slides = slideDue(p, cursor.analysisPos, buffer);
        // A slide the look-ahead did not make ahead leaves it stopped: it starts
        // afresh after the slide, if the page goes on.
        const bool replan = slides && page.lookAhead && !takeSlide(page);
        if (!slides || !page.lookAhead)
            slideSampleBuffer(page.signal, p, cursor.analysisPos, buffer, st.highPass);
        if (cursor.analysisPos >= buffer.bufferFill || cursor.pageTime >= p.analysisEnd) {
            if (page.lookAhead)
                page.lookAhead->stop();
            buffer.bufferFill = 0;
        }
        // The page ends at the strip's right edge, on the page whose timing it keeps.
        const int timingX = satInt((cursor.pageTime - cursor.analysisStart) * p.timingPixelsPerSecond);
        if (timingX >= g.timingWidth || buffer.bufferFill <= 0 || cursor.analysisPos >= buffer.bufferFill)
            break;
        if (replan)
            startPlan(page, false);
    }
    pageframe(p, cursor, page.signal, plot);
    if (!p.printing)
        plot.plotshow();
    return true;
}

}  // namespace kelvox
