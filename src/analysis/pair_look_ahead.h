#pragma once
// The column-pair analysis and the pitch estimate of a spectrogram page on a helper
// thread, ahead of the drawing: while the page loop draws one pair (pitch strokes,
// level pass, dithering, lines), the helper analyses the coming pairs of the same
// stretch of the sample buffer into their two columns, band energies and, where the
// columns do not wait for the level pass ("LinPr 17" does), the gray level of every
// pixel row; and it carries the pitch estimator on from pair to pair, which reads
// only the samples. The page loop plans which pairs come before the buffer next
// slides or the page ends, and stops the helper before it changes the buffer.

#include "analysis_workspace.h"
#include "look_ahead.h"
#include "plot_device.h"
#include "spectrogram_parameters.h"
#include "spectrogram_state.h"

#include <array>
#include <vector>

namespace kelvox {

/// One column pair as the helper made it.
struct PairColumns {
    int analysisPos = 0;      // the buffer position it was analysed at
    bool ok = false;          // analysecolumns made the columns
    std::vector<float> a, b;  // columns A and B, binCount values each
    std::array<float, 6> bandEnergy{};
    bool grays = false;                // grayA and grayB hold the rows' gray levels
    std::vector<int> grayA, grayB;     // rowCount + 1 values each
    bool pitchMade = false;            // the pitch estimate of the pair was made:
    PitchEstimate pitchAfter;          // the estimator's state after the pair
    std::vector<PitchStroke> strokes;  // and the strokes it draws
};

/// A pair the page loop will analyse: its buffer position and the pixel column of
/// its left edge.
struct PlannedPair {
    int analysisPos = 0;
    int pairX0 = 0;
};

class ColumnLookAhead {
public:
    /// `depth` pairs are made ahead at most.
    explicit ColumnLookAhead(int depth = 32);

    /// Takes a copy of the analysis tables (FFT, constant-Q) that the run's set-up
    /// made in `ws`; the helper works in that copy.
    void prepare(const AnalysisWorkspace& ws);
    /// Starts analysing the `pairs` in order from `buffer`, which must not change
    /// until stop(). With `pitch`, the pitch estimate goes on from that state too.
    void start(const SpectrogramParameters& p, const SampleBufferState& buffer, std::vector<PlannedPair> pairs,
               const PitchEstimate* pitch);
    /// The next planned pair when it lies at `analysisPos`, once made; nullptr when
    /// the plan has no such pair next (the caller then analyses it itself).
    const PairColumns* take(int analysisPos);
    /// Waits for the pair being made and forgets the rest of the plan.
    void stop() { m_worker.stop(); }

private:
    void make(const PlannedPair& planned, PairColumns& pair);

    AnalysisWorkspace m_ws;
    RowMap m_map;
    const SpectrogramParameters* m_params = nullptr;
    const SampleBufferState* m_buffer = nullptr;
    bool m_pitchOn = false;
    PitchEstimate m_pitch;  // the helper's estimator
    std::vector<float> m_pitchScratch;
    PlannedLookAhead<PlannedPair, PairColumns> m_worker;  // last: its thread stops before the rest goes
};

/// Draws a pair the helper made, as analysepair draws it: its band energies into
/// ws.BandEnergy; "LinPr 17" places its model spectra 10 dB above `midLevel` and
/// `endLevel`; column A at cursor.pairX0 with p.firstColumnWidth and column B after
/// it up to cursor.pairX1; then sub-display 0 is selected.
void drawpair(const SpectrogramParameters& p, const PairColumns& pair, const PageCursor& cursor, double midLevel,
              double endLevel, AnalysisWorkspace& ws, RendererRows& rows, PlotDevice& plot);

}  // namespace kelvox
