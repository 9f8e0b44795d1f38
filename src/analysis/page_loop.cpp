#include "page_loop.h"

#include "column_pair.h"
#include "column_renderer.h"
#include "conditioning.h"
#include "level_track.h"
#include "numeric.h"
#include "page_frame.h"
#include "pitch_track.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace kelvox {

namespace {

constexpr int kLayoutWidth = 2828;   // layout units across the page
constexpr int kLayoutHeight = 2000;  // layout units down the page
constexpr int kRefreshPixels = 32;
constexpr int kLinPrOrder = 17;

// Frames of the selected channel that a fill may read: the page loop's end of data,
// dataOffset frames before the last.
int64_t framesAvailable(const SignalState& s)
{
    return static_cast<int64_t>(s.sampleCount / std::max<int>(1, s.channelCount)) - s.dataOffset;
}

// Appends `count` samples of the selected channel from frame bufferOrigin + bufferFill.
void appendSamples(SpectrogramPage& page, int count)
{
    SpectrogramState& st = page.st;
    const int64_t first = static_cast<int64_t>(st.bufferOrigin) + st.bufferFill;
    for (int i = 0; i < count; ++i)
        st.SampleBuffer[static_cast<size_t>(st.bufferFill + i)] =
            static_cast<int16_t>(frameSample(page.signal, first + i, page.signal.selectedChannel));
    st.bufferFill += count;
}

// The pitch, the level pass and the column-pair analysis of one pair, in the order
// the analysis type needs: "LinPr 17" places its model spectra on the level the
// level pass has just reached.
void analysePairStrips(SpectrogramPage& page)
{
    SpectrogramState& st = page.st;
    if (st.subOn[PageLayout::kPitch])
        pitchtrack(page);
    if (st.lpOrder == kLinPrOrder) {
        levelpass(page);
        analysepair(page);
    } else {
        analysepair(page);
        levelpass(page);
    }
    if (page.trackSink) {
        PairTrack track;
        track.timeSeconds = st.pageTime;
        track.pitchOn = st.subOn[PageLayout::kPitch];
        track.pitchHz = st.pitch;
        track.pitchQuality = st.pitchQuality;
        track.pitchDrawn = st.pitchStrokeDrawn;
        track.lowDb = st.lowLevel;
        track.highDb = st.highLevel;
        track.totalDb = st.totalLevel;
        page.trackSink(track);
    }
}

}  // namespace

void pagegeometry(SpectrogramPage& page, const PageLayout& layout)
{
    SpectrogramState& st = page.st;
    PlotDevice& plot = page.plot;
    const int width = plot.pageWidthPx(), height = plot.pageHeightPx();
    for (size_t k = 0; k < st.sub.size(); ++k) {
        const SubDisplay& from = layout.sub[k];
        PageSubDisplay& to = st.sub[k];
        to.caption = from.caption;
        to.x0 = from.x0;
        to.y0 = from.y0;
        to.x1 = from.x1;
        to.y1 = from.y1;
        to.px0 = from.px0 * width / kLayoutWidth;
        to.py0 = from.py0 * height / kLayoutHeight;
        to.px1 = from.px1 * width / kLayoutWidth;
        to.py1 = from.py1 * height / kLayoutHeight;
        st.subOn[k] = layout.stripOn(static_cast<int>(k));
    }

    st.printScale = std::min(st.printScale, 1.0);
    const double factor = st.printScale;
    page.signal.pageTimeScale = satFloat(page.signal.pageTimeScale * factor);
    // Everything shrinks toward the waveform strip's first corner.
    const int a = st.sub[PageLayout::kWave].px0, b = st.sub[PageLayout::kWave].py0;
    for (PageSubDisplay& d : st.sub) {
        d.px0 = a + satInt((d.px0 - a) * factor);
        d.px1 = a + satInt((d.px1 - a) * factor);
        d.py0 = b + satInt((d.py0 - b) * factor);
        d.py1 = b + satInt((d.py1 - b) * factor);
    }
    plot.plottextsize(static_cast<float>(std::sqrt(factor)));

    const PageSubDisplay& frame = st.sub[PageLayout::kFrame];
    plot.usedarea = {frame.px0, frame.py0 - 30, frame.px1 + 2, frame.py1 + 2};
    const PageSubDisplay& spgm = st.sub[PageLayout::kSpectrogram];
    st.spgmLeft = spgm.px0;
    st.spgmRight = spgm.px1;
    st.spgmTop = spgm.py1;
    st.rowCount = spgm.py0 - spgm.py1;
}

int bufferOriginFor(double startSeconds, double sampleRate, int windowLength)
{
    const int64_t twice = satInt64(2.0 * startSeconds * sampleRate) - windowLength;
    if (twice <= 0)
        return 0;
    return static_cast<int>(std::min<int64_t>(twice / 2, std::numeric_limits<int>::max()));
}

void fillSampleBuffer(SpectrogramPage& page)
{
    SpectrogramState& st = page.st;
    st.bufferFill = 0;
    const int64_t count = std::clamp<int64_t>(framesAvailable(page.signal) - st.bufferOrigin, 0, kBufferSamples);
    appendSamples(page, static_cast<int>(count));
    st.bufferHigh = st.bufferFill;
    std::fill(st.SampleBuffer.begin() + st.bufferFill, st.SampleBuffer.end(), int16_t{0});
    condition(st);
}

void slideSampleBuffer(SpectrogramPage& page)
{
    SpectrogramState& st = page.st;
    const int64_t needed = static_cast<int64_t>(st.analysisPos) + st.pairStep + st.windowLength + 512;
    if (st.bufferFill <= 0 || st.bufferFill >= needed || !st.refillBroughtData)
        return;

    int u = st.analysisPos - st.keepBack;
    if (u < 0) {
        st.keepBack = st.analysisPos;
        u = 0;
    }
    if (u > 0) {
        const int kept = std::max(0, st.bufferFill - u);
        if (kept > 0)
            std::memmove(st.SampleBuffer.data(), st.SampleBuffer.data() + u, static_cast<size_t>(kept) * sizeof(int16_t));
        st.bufferOrigin += u;
        st.bufferFill = kept;
    }
    st.analysisPos = st.keepBack;

    // Room up to the last fill level, no further than the channel's data, at most
    // one buffer's worth.
    int64_t room = st.bufferHigh - st.bufferFill;
    const int64_t left = framesAvailable(page.signal) - st.bufferOrigin - st.bufferFill;
    room = std::clamp<int64_t>(std::min(room, left), 0, kBufferSamples);
    appendSamples(page, static_cast<int>(room));
    st.refillBroughtData = room > 0;
    std::fill(st.SampleBuffer.begin() + st.bufferFill, st.SampleBuffer.begin() + std::max(st.bufferFill, st.bufferHigh),
              int16_t{0});
    condition(st);
}

bool drawpage(SpectrogramPage& page)
{
    SpectrogramState& st = page.st;
    PlotDevice& plot = page.plot;
    resetRendererRows(st);
    plot.plotwindow(0, 0, 1, 1, 0, 0, plot.pageWidthPx(), plot.pageHeightPx(), 0);
    plot.plotclear();
    st.pairX0 = 0;
    st.lastX = st.sub[PageLayout::kPitch].px0;
    st.levelPrevX = st.sub[PageLayout::kLevel].px0;

    const int width = st.spgmRight - st.spgmLeft;
    const double pps = st.pixelsPerSecond;
    page.deferLines = true;
    while (true) {
        st.pairX0 = satInt((st.pageTime - st.analysisStart) * pps);
        st.nextPairTime = st.pageTime + st.pairStep / st.sampleRate;
        st.pairX1 = satInt((st.nextPairTime - st.analysisStart) * pps);
        analysePairStrips(page);

        st.pixelsSinceShow = static_cast<int>(std::min<int64_t>(
            static_cast<int64_t>(st.pixelsSinceShow) + st.pairX1 - st.pairX0, std::numeric_limits<int>::max()));
        if (st.pixelsSinceShow > kRefreshPixels) {
            st.pixelsSinceShow -= kRefreshPixels;
            page.lines.flush(plot);
            if (!st.printing)
                plot.plotshow();
            if (page.stopRequested && page.stopRequested()) {
                page.deferLines = false;
                return false;
            }
        }

        st.pageTime = st.nextPairTime;
        st.pairX0 = st.pairX1;
        st.analysisPos += st.pairStep;
        slideSampleBuffer(page);
        if (st.analysisPos >= st.bufferFill || st.pageTime >= st.analysisEnd)
            st.bufferFill = 0;
        if (st.pairX0 >= width || st.bufferFill <= 0 || st.analysisPos >= st.bufferFill)
            break;
    }
    page.lines.flush(plot);
    page.deferLines = false;
    pageframe(page);
    if (!st.printing)
        plot.plotshow();
    return true;
}

}  // namespace kelvox
