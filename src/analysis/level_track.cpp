#include "level_track.h"

#include "analysis_workspace.h"
#include "column_renderer.h"
#include "decibels.h"
#include "numeric.h"
#include "page_frame.h"
#include "page_layout.h"
#include "vector_state.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace kelvox {

namespace {

constexpr double kLevelOffset = 34.0;   // dB between a follower and the level it publishes
constexpr double kSplhRaise = 14.0;     // dB the SPLH curve is drawn higher
constexpr int kLabelDrop = 20;          // px from the strip's bottom to the label line (fixedPx)
constexpr int kLabelTick = 10;          // px of the label's tick (fixedPx)

double decibels(double power) { return powerDb(power, kPagePowerFloor); }

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
void seedLevels(LevelTrackState& level, const std::array<float, 6>& bandEnergy)
{
    for (int b = 0; b < 3; ++b) {
        const double db = decibels(bandEnergy[static_cast<size_t>(bandEnergyIndex(PairFrame::A, b))]);
        level.levelY1[static_cast<size_t>(b)] = level.levelY2[static_cast<size_t>(b)] =
            level.levelS[static_cast<size_t>(b)] = db;
    }
    level.lowBandMemory = {};
    level.highBandMemory = {};
    level.lowLevel = level.levelS[kBandLow] - kLevelOffset;
    level.highLevel = level.levelS[kBandHigh] - kLevelOffset;
    level.totalLevel = level.levelS[kBandTotal] - kLevelOffset;
    level.prevLowLevel = level.lowLevel;
    level.prevHighLevel = level.highLevel;
    level.levelsStarted = true;
}

void drawWaveform(const SpectrogramParameters& p, const LevelTrackState& level, PlotDevice& plot, int x)
{
    selectsubdisplay(plot, p.geometry, PageLayout::kWave, false);
    plot.plotlw(1);
    const int yMin = plot.plotypix(static_cast<double>(level.waveMin) * p.waveScale * 0.5);
    int yMax = plot.plotypix(static_cast<double>(level.waveMax) * p.waveScale * 0.5);
    // A flat stretch still shows as one pixel (of 192 dpi on finer pages).
    if (yMax == yMin)
        yMax -= plot.fixedPx(1);
    plot.plotmove(x, yMin, 0);
    plot.plotmove(x, yMax, 1);
}

void drawLabel(const SpectrogramParameters& p, LabelMarks& labels, PlotDevice& plot, int x)
{
    const int bottom = p.geometry.sub[PageLayout::kWave].py0;
    // The text's row lies in the gap above the spectrogram: where its cell would
    // reach the spectrogram's top frame, the row moves up just clear of it.
    int labelY = bottom + plot.fixedPx(kLabelDrop);
    const int cellTop = labelY + plot.labelOffsetY();
    if (cellTop < p.geometry.spgmTop)
        labelY -= std::max(0, cellTop + plot.textHeight() - p.geometry.spgmTop);
    // The text's white background covers what was drawn before it.
    plot.plotlines(x, labelY, labels.marks[labels.next].text);
    plot.plotlw(1);
    plot.plotmove(x, bottom, 0);
    plot.plotmove(x, bottom - plot.fixedPx(kLabelTick), 1);
    labels.hold(labels.next + 1);
}

void drawLevels(const SpectrogramParameters& p, const LevelTrackState& level, PlotDevice& plot, int x)
{
    const double raise = p.levels == LevelsMode::SplSplh ? kSplhRaise : 0.0;
    // The curves stay inside their strip, as anything drawn in a selected strip
    // does: a loud SPLH level must not run over the pitch scale above it.
    const PageBox& strip = p.geometry.sub[PageLayout::kLevel];
    const int top = std::min(strip.py0, strip.py1), bottom = std::max(strip.py0, strip.py1);
    const auto row = [&p, top, bottom](double db) { return std::clamp(leveltoy(p, satInt16(db)), top, bottom); };
    selectsubdisplay(plot, p.geometry, PageLayout::kLevel, false);
    plot.plotlw(1);
    plot.plotmove(level.levelPrevX - p.highShift, row(level.prevHighLevel + raise), 0);
    plot.plotmove(x - p.highShift, row(level.highLevel + raise), 1);
    const int lowShift = p.highShift + p.lowShift;
    plot.plotlw(2);
    plot.plotmove(level.levelPrevX - lowShift, row(level.prevLowLevel), 0);
    plot.plotmove(x - lowShift, row(level.lowLevel), 1);
}

}  // namespace

void levelpass(const SpectrogramParameters& p, const SampleBufferState& buffer, const PageCursor& cursor,
               const std::array<float, 6>& bandEnergy, LevelTrackState& level, LabelMarks& labels, PlotDevice& plot)
{
    // What runs between two pairs (the drawing, the hand-over from the helper) can
    // leave the upper halves of the vector registers in use: cleared here, the loop
    // below takes half the time.
    clearUpperVectorHalves();
    if (!level.levelsStarted)
        seedLevels(level, bandEnergy);

    const bool linPr = p.linPr();
    const int half = p.pairStep / 2;
    // Outside "LinPr 17" each half of the pair has one power per band: its logarithm
    // is taken once.
    std::array<std::array<double, 3>, 2> frameDb{};
    if (!linPr) {
        for (int b = 0; b < 3; ++b) {
            frameDb[0][static_cast<size_t>(b)] =
                decibels(bandEnergy[static_cast<size_t>(bandEnergyIndex(PairFrame::A, b))]);
            frameDb[1][static_cast<size_t>(b)] =
                decibels(bandEnergy[static_cast<size_t>(bandEnergyIndex(PairFrame::B, b))]);
        }
    }
    const TwoPole& g = p.levelSmoother;
    const PageBox& wave = p.geometry.sub[PageLayout::kWave];
    const int levelLeft = p.geometry.sub[PageLayout::kLevel].px0;
    const int pairWidth = cursor.pairX1 - cursor.pairX0;

    const float* conditioned = buffer.ConditionedSamples.data();
    const int64_t valid = std::min<int64_t>(buffer.bufferFill, static_cast<int64_t>(buffer.ConditionedSamples.size()));
    // Sample n lies n·pairWidth / pairStep columns into the pair: the quotient and
    // the remainder are carried on from sample to sample rather than divided anew.
    const int64_t pairStep = p.pairStep;
    const bool carried = pairWidth >= 0;
    const int64_t stepQuotient = pairWidth / pairStep, stepRemainder = pairWidth % pairStep;
    int64_t columnQuotient = 0, columnRemainder = 0;
    for (int n = 0; n < p.pairStep; ++n) {
        const int64_t position = static_cast<int64_t>(cursor.analysisPos) + n;
        const float u = position >= 0 && position < valid ? conditioned[position] : 0.0f;

        std::array<double, 3> db;
        if (linPr) {
            const double low = lowPass(p.lowBandFilter[1], level.lowBandMemory[1],
                                       lowPass(p.lowBandFilter[0], level.lowBandMemory[0], u));
            const double high = highPass(p.highBandFilter[1], level.highBandMemory[1],
                                         highPass(p.highBandFilter[0], level.highBandMemory[0], u));
            db = {decibels(low * low), decibels(high * high), decibels(static_cast<double>(u) * u)};
        } else {
            db = frameDb[n < half ? 0 : 1];
        }
        for (size_t b = 0; b < 3; ++b) {
            const double y = g.c0 * db[b] - g.c1 * level.levelY1[b] - g.c2 * level.levelY2[b];
            level.levelY2[b] = level.levelY1[b];
            level.levelY1[b] = y;
            level.levelS[b] += (y - level.levelS[b]) * p.levelFollower;
        }
        if (n == half)
            level.midLevel = level.levelY1[kBandTotal];
        level.lowLevel = level.levelS[kBandLow] - kLevelOffset;
        level.highLevel = level.levelS[kBandHigh] - kLevelOffset;
        level.totalLevel = level.levelS[kBandTotal] - kLevelOffset;

        level.waveMin = std::min(level.waveMin, u);
        level.waveMax = std::max(level.waveMax, u);
        const int64_t into = carried ? columnQuotient : static_cast<int64_t>(n) * pairWidth / pairStep;
        if (carried) {
            columnQuotient += stepQuotient;
            columnRemainder += stepRemainder;
            if (columnRemainder >= pairStep) {
                columnRemainder -= pairStep;
                ++columnQuotient;
            }
        }
        const int x =
            static_cast<int>(std::clamp<int64_t>(static_cast<int64_t>(wave.px0) + cursor.pairX0 + into,
                                                 std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
        const bool newColumn = x != level.levelSampleX;
        level.levelSampleX = x;
        if ((!newColumn && n != p.pairStep - 1) || x >= wave.px1)
            continue;
        if (p.geometry.subOn[PageLayout::kWave])
            drawWaveform(p, level, plot, x);
        if (labels.open && static_cast<int64_t>(buffer.bufferOrigin) + position >= labels.pos)
            drawLabel(p, labels, plot, x);
        level.waveMin = level.waveMax = u;
        if (p.geometry.subOn[PageLayout::kLevel] && x - p.highShift - p.lowShift >= levelLeft)
            drawLevels(p, level, plot, x);
        level.levelPrevX = x;
        level.prevHighLevel = level.highLevel;
        level.prevLowLevel = level.lowLevel;
    }
    level.endLevel = level.levelY1[kBandTotal];
}

}  // namespace kelvox
