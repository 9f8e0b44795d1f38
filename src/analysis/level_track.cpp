#include "level_track.h"

#include "column_renderer.h"
#include "numeric.h"
#include "page_frame.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace kelvox {

namespace {

constexpr double kDbPerNeper = 4.342944819032518;  // 10/ln 10
constexpr double kPowerFloor = 0.001;
constexpr double kLevelOffset = 34.0;   // dB between a follower and the level it publishes
constexpr double kSplhRaise = 14.0;     // dB the SPLH curve is drawn higher
constexpr int kLinPrOrder = 17;
constexpr int kLabelDrop = 20;          // px from the strip's bottom to the label line
constexpr int kLabelTick = 10;          // px of the label's tick

double decibels(double power)
{
    return std::log(std::max(power, kPowerFloor)) * kDbPerNeper;
}

double lowPass(const TwoPole& c, TwoPoleMemory& m, double x)
{
    const double y = c.c0 * x - c.c1 * m.y1 - c.c2 * m.y2;
    m.y2 = m.y1;
    m.y1 = y;
    return y;
}

double highPass(const TwoPole& c, TwoPoleMemory& m, double x)
{
    const double y = (1.0 - c.c1 + c.c2) / 4.0 * (x - 2.0 * m.x1 + m.x2) - c.c1 * m.y1 - c.c2 * m.y2;
    m.x2 = m.x1;
    m.x1 = x;
    m.y2 = m.y1;
    m.y1 = y;
    return y;
}

// Seeds smoothers and followers with frame A's band energies, so the levels start
// settled at the run's first pair.
void seedLevels(SpectrogramState& st, const AnalysisWorkspace& ws)
{
    for (int b = 0; b < 3; ++b) {
        const double level = decibels(ws.BandEnergy[static_cast<size_t>(bandEnergyIndex(PairFrame::A, b))]);
        st.levelY[static_cast<size_t>(b)] = st.levelY1[static_cast<size_t>(b)] =
            st.levelY2[static_cast<size_t>(b)] = st.levelS[static_cast<size_t>(b)] = level;
    }
    st.lowBandMemory = {};
    st.highBandMemory = {};
    st.lowLevel = st.levelS[kBandLow] - kLevelOffset;
    st.highLevel = st.levelS[kBandHigh] - kLevelOffset;
    st.totalLevel = st.levelS[kBandTotal] - kLevelOffset;
    st.prevLowLevel = st.lowLevel;
    st.prevHighLevel = st.highLevel;
    st.levelsStarted = true;
}

void drawWaveform(SpectrogramPage& page, int x)
{
    SpectrogramState& st = page.st;
    PlotDevice& plot = page.plot;
    selectsubdisplay(page, PageLayout::kWave, false);
    plot.plotlw(1);
    const int yMin = plot.plotypix(static_cast<double>(st.waveMin) * st.waveScale * 0.5);
    int yMax = plot.plotypix(static_cast<double>(st.waveMax) * st.waveScale * 0.5);
    // A flat stretch still shows as one pixel.
    if (yMax == yMin)
        --yMax;
    plot.plotmove(x, yMin, 0);
    page.lines.draw(plot, x, yMax);
}

void drawLabel(SpectrogramPage& page, int x)
{
    SpectrogramState& st = page.st;
    PlotDevice& plot = page.plot;
    const int bottom = st.sub[PageLayout::kWave].py0;
    // The text's row lies in the gap above the spectrogram: where its cell would
    // reach the spectrogram's top frame, the row moves up just clear of it.
    int labelY = bottom + kLabelDrop;
    const int cellTop = labelY + PlotDevice::kLabelDy;
    if (cellTop < st.spgmTop)
        labelY -= std::max(0, cellTop + plot.textHeight() - st.spgmTop);
    // The text's white background covers what was drawn before it.
    page.lines.flush(plot);
    plot.plotlines(x, labelY, st.labels.marks[st.labels.next].text);
    plot.plotlw(1);
    plot.plotmove(x, bottom, 0);
    page.lines.draw(plot, x, bottom - kLabelTick);
    st.labels.hold(st.labels.next + 1);
}

void drawLevels(SpectrogramPage& page, int x)
{
    SpectrogramState& st = page.st;
    PlotDevice& plot = page.plot;
    const double raise = st.levels == LevelsMode::SplSplh ? kSplhRaise : 0.0;
    // The curves stay inside their strip, as anything drawn in a selected strip
    // does: a loud SPLH level must not run over the pitch scale above it.
    const PageSubDisplay& strip = st.sub[PageLayout::kLevel];
    const int top = std::min(strip.py0, strip.py1), bottom = std::max(strip.py0, strip.py1);
    const auto row = [&st, top, bottom](double level) {
        return std::clamp(leveltoy(st, satInt16(level)), top, bottom);
    };
    selectsubdisplay(page, PageLayout::kLevel, false);
    plot.plotlw(1);
    plot.plotmove(st.levelPrevX - st.highShift, row(st.prevHighLevel + raise), 0);
    page.lines.draw(plot, x - st.highShift, row(st.highLevel + raise));
    const int lowShift = st.highShift + st.lowShift;
    plot.plotlw(2);
    plot.plotmove(st.levelPrevX - lowShift, row(st.prevLowLevel), 0);
    page.lines.draw(plot, x - lowShift, row(st.lowLevel));
}

}  // namespace

void levelpass(SpectrogramPage& page)
{
    SpectrogramState& st = page.st;
    const AnalysisWorkspace& ws = page.ws;
    if (!st.levelsStarted)
        seedLevels(st, ws);

    const bool linPr = st.lpOrder == kLinPrOrder;
    const int half = st.pairStep / 2;
    // Outside "LinPr 17" each half of the pair has one power per band: its logarithm
    // is taken once.
    std::array<std::array<double, 3>, 2> frameDb{};
    if (!linPr) {
        for (int b = 0; b < 3; ++b) {
            frameDb[0][static_cast<size_t>(b)] = decibels(ws.BandEnergy[static_cast<size_t>(bandEnergyIndex(PairFrame::A, b))]);
            frameDb[1][static_cast<size_t>(b)] = decibels(ws.BandEnergy[static_cast<size_t>(bandEnergyIndex(PairFrame::B, b))]);
        }
    }
    const TwoPole& g = st.levelSmoother;
    const PageSubDisplay& wave = st.sub[PageLayout::kWave];
    const int levelLeft = st.sub[PageLayout::kLevel].px0;
    const int pairWidth = st.pairX1 - st.pairX0;

    const float* conditioned = st.ConditionedSamples.data();
    const int64_t valid = std::min<int64_t>(st.bufferFill, static_cast<int64_t>(st.ConditionedSamples.size()));
    for (int n = 0; n < st.pairStep; ++n) {
        const int64_t p = static_cast<int64_t>(st.analysisPos) + n;
        const float u = p >= 0 && p < valid ? conditioned[p] : 0.0f;

        std::array<double, 3> db;
        if (linPr) {
            const double low = lowPass(st.lowBandFilter[1], st.lowBandMemory[1],
                                       lowPass(st.lowBandFilter[0], st.lowBandMemory[0], u));
            const double high = highPass(st.highBandFilter[1], st.highBandMemory[1],
                                         highPass(st.highBandFilter[0], st.highBandMemory[0], u));
            db = {decibels(low * low), decibels(high * high), decibels(static_cast<double>(u) * u)};
        } else {
            db = frameDb[n < half ? 0 : 1];
        }
        for (size_t b = 0; b < 3; ++b) {
            const double y = g.c0 * db[b] - g.c1 * st.levelY1[b] - g.c2 * st.levelY2[b];
            st.levelY2[b] = st.levelY1[b];
            st.levelY1[b] = y;
            st.levelY[b] = y;
            st.levelS[b] += (y - st.levelS[b]) * st.levelFollower;
        }
        if (n == half)
            st.midLevel = st.levelY[kBandTotal];
        st.lowLevel = st.levelS[kBandLow] - kLevelOffset;
        st.highLevel = st.levelS[kBandHigh] - kLevelOffset;
        st.totalLevel = st.levelS[kBandTotal] - kLevelOffset;

        st.waveMin = std::min(st.waveMin, u);
        st.waveMax = std::max(st.waveMax, u);
        const int x = static_cast<int>(std::clamp<int64_t>(
            static_cast<int64_t>(wave.px0) + st.pairX0 + static_cast<int64_t>(n) * pairWidth / st.pairStep,
            std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
        const bool newColumn = x != st.levelSampleX;
        st.levelSampleX = x;
        if ((!newColumn && n != st.pairStep - 1) || x >= wave.px1)
            continue;
        if (st.subOn[PageLayout::kWave])
            drawWaveform(page, x);
        if (st.labels.open && static_cast<int64_t>(st.bufferOrigin) + p >= st.labels.pos)
            drawLabel(page, x);
        st.waveMin = st.waveMax = u;
        if (st.subOn[PageLayout::kLevel] && x - st.highShift - st.lowShift >= levelLeft)
            drawLevels(page, x);
        st.levelPrevX = x;
        st.prevHighLevel = st.highLevel;
        st.prevLowLevel = st.lowLevel;
    }
    st.endLevel = st.levelY[kBandTotal];
    finishLines(page);
}

}  // namespace kelvox
