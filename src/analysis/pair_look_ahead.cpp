#include "pair_look_ahead.h"

#include "column_pair.h"
#include "column_renderer.h"
#include "page_layout.h"
#include "pitch_track.h"

#include <algorithm>
#include <span>

namespace kelvox {

ColumnLookAhead::ColumnLookAhead(int depth) : m_worker(depth) {}

void ColumnLookAhead::prepare(const AnalysisWorkspace& ws)
{
    stop();
    m_ws = ws;
    m_map = {};
}

void ColumnLookAhead::start(const SpectrogramParameters& p, std::vector<PlannedPair> pairs, const PitchEstimate* pitch)
{
    m_worker.stop();
    ++m_plans;
    m_params = p;
    m_pitchOn = pitch != nullptr;
    if (pitch)
        m_pitch = *pitch;
    m_worker.start(std::move(pairs), [this](const PlannedPair& planned, PairColumns& pair) { make(planned, pair); });
}

void ColumnLookAhead::make(const PlannedPair& planned, PairColumns& pair)
{
    const SpectrogramParameters& p = m_params;
    const SampleBufferState& buffer = m_copies[static_cast<size_t>(planned.copy)];
    pair.analysisPos = planned.analysisPos;
    // The pitch estimate goes on in pair order, whatever becomes of the columns.
    pair.pitchMade = m_pitchOn;
    pair.strokes.clear();
    if (m_pitchOn) {
        // As the page loop does before a page's first pair.
        if (planned.pageStart)
            m_pitch.lastX = p.geometry.sub[PageLayout::kPitch].px0;
        pitchestimate(p, buffer, planned.analysisPos, planned.pairX0, m_ws, m_pitch, pair.strokes, m_pitchScratch);
        pair.pitchAfter = m_pitch;
    }
    pair.ok = analysecolumns(p, buffer, pair.analysisPos, m_ws);
    pair.grays = false;
    if (!pair.ok)
        return;
    const auto bins = static_cast<size_t>(p.binCount);
    pair.a.assign(m_ws.AnalysisRe.begin(), m_ws.AnalysisRe.begin() + static_cast<std::ptrdiff_t>(bins));
    pair.b.assign(m_ws.AnalysisIm.begin(), m_ws.AnalysisIm.begin() + static_cast<std::ptrdiff_t>(bins));
    pair.bandEnergy = m_ws.BandEnergy;
    // "LinPr 17" places its columns on the level the level pass reaches first.
    const int rows = p.geometry.rowCount;
    if (p.linPr() || !helperMakesPitchAndGrays(p) || rows < 1)
        return;
    pair.grayA.resize(static_cast<size_t>(rows) + 1);
    pair.grayB.resize(static_cast<size_t>(rows) + 1);
    columngrays(p, pair.a, m_map, pair.grayA);
    columngrays(p, pair.b, m_map, pair.grayB);
    pair.grays = true;
}

const PairColumns* ColumnLookAhead::take(int analysisPos, int pairX0)
{
    return m_worker.take([analysisPos, pairX0](const PlannedPair& planned) {
        return planned.analysisPos == analysisPos && planned.pairX0 == pairX0;
    });
}

void drawpair(const SpectrogramParameters& p, const PairColumns& pair, const PageCursor& cursor, double midLevel,
              double endLevel, AnalysisWorkspace& ws, RendererRows& rows, PlotDevice& plot)
{
    ws.BandEnergy = pair.bandEnergy;
    const int secondX = cursor.pairX0 + p.firstColumnWidth;
    const int secondWidth = cursor.pairX1 - cursor.pairX0 - p.firstColumnWidth;
    if (pair.grays) {
        drawgrays(p, pair.grayA, cursor.pairX0, p.firstColumnWidth, rows, plot);
        drawgrays(p, pair.grayB, secondX, secondWidth, rows, plot);
    } else {
        std::vector<float> a = pair.a, b = pair.b;
        if (p.linPr()) {
            placemodel(a.data(), static_cast<int>(a.size()), midLevel);
            placemodel(b.data(), static_cast<int>(b.size()), endLevel);
        }
        drawcolumn(p, a, cursor.pairX0, p.firstColumnWidth, rows, plot);
        drawcolumn(p, b, secondX, secondWidth, rows, plot);
    }
    selectsubdisplay(plot, p.geometry, PageLayout::kFrame, false);
}

}  // namespace kelvox
