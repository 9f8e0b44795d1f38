#pragma once
// The column-pair analysis and the pitch estimate of a spectrogram page on a helper
// thread, ahead of the drawing: while the page loop draws one pair (pitch strokes,
// level pass, dithering, lines), the helper analyses the coming pairs into their two
// columns, band energies and, where the columns do not wait for the level pass
// ("LinPr 17" does, and "Q=34" maps them on the drawing thread), the gray level of
// every pixel row; and it carries the pitch estimator on from pair to pair, which
// reads only the samples (but for "Q=34", where the drawing thread does).
//
// The helper reads its own copies of the sample buffer, one per stretch between two
// slides: the page loop plans the pairs of the stretch it is in and of the next one,
// slides the next one's copy itself as it will slide its own buffer there, and takes
// that copy over when it gets there instead of sliding again. Where the pages follow
// one another at once (kelvox-render), the plan goes on over their ends. Whatever
// the page loop does that the plan did not foresee, it sees by the pair or the copy
// it asks for, stops the helper and plans afresh from where it is.

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

/// A pair the page loop will analyse: its buffer position, the pixel column of its
/// left edge and the look-ahead's copy of the buffer it is analysed in.
struct PlannedPair {
    int analysisPos = 0;
    int pairX0 = 0;
    int copy = 0;
    bool pageStart = false;  // the first pair of a page: the pitch strip starts afresh
};

/// The page loop's state after the last planned pair, from where the plan goes on.
struct PlanEnd {
    bool open = false;         // the plan may go on: the run does not end there
    PageCursor cursor;         // analysisStart, pageTime and analysisPos of the next pair
    int copy = 0;              // the buffer copy it is in
    bool pageStart = false;    // the next pair is a page's first
    bool acrossPages = false;  // the plan goes on into the next page
    bool slideDue = false;     // the buffer slides before the next pair
    HighPassMemory highPass;   // the conditioning memories that go with that copy
};

/// A slide the plan made ahead in a copy of the buffer: where the page loop slides
/// (its analysisPos before, and the buffer's state then), the copy it slid into and
/// what the slide left.
struct PlannedSlide {
    bool made = false;
    int fromPos = 0;
    int fromOrigin = 0;
    uint64_t fromGeneration = 0;
    int copy = 0;
    int toPos = 0;
    HighPassMemory highPass;
};

class ColumnLookAhead {
public:
    /// `depth` pairs are made ahead at most.
    explicit ColumnLookAhead(int depth = 512);

    /// Takes a copy of the analysis tables (FFT, constant-Q) that the run's set-up
    /// made in `ws`; the helper works in that copy.
    void prepare(const AnalysisWorkspace& ws);
    /// The buffer copies the pairs are analysed in. A copy must not change while a
    /// planned pair that is not taken yet reads it.
    static constexpr int kCopies = 2;
    SampleBufferState& copy(int index) { return m_copies[static_cast<size_t>(index)]; }
    const SampleBufferState& copy(int index) const { return m_copies[static_cast<size_t>(index)]; }

    /// Starts analysing the `pairs` in order, each in its copy of the buffer. With
    /// `pitch`, the pitch estimate goes on from that state too. `p` must not change
    /// until stop().
    void start(const SpectrogramParameters& p, std::vector<PlannedPair> pairs, const PitchEstimate* pitch);
    /// How many plans were started.
    int plans() const { return m_plans; }
    /// Appends `pairs` to the plan being analysed.
    void extend(const std::vector<PlannedPair>& pairs) { m_worker.extend(pairs); }
    /// The pair the caller is at next in the plan, if any.
    const PlannedPair* next() const { return m_worker.next(); }
    /// The next planned pair when it lies at `analysisPos` and pixel column
    /// `pairX0`, once made; nullptr when the plan has no such pair next (the caller
    /// then analyses it itself).
    const PairColumns* take(int analysisPos, int pairX0);
    /// Waits for the pair being made and forgets the rest of the plan.
    void stop()
    {
        m_worker.stop();
        planEnd = {};
        slide = {};
    }

    // The page loop's plan: where it ends, and the slide it made ahead.
    PlanEnd planEnd;
    PlannedSlide slide;

private:
    void make(const PlannedPair& planned, PairColumns& pair);

    AnalysisWorkspace m_ws;
    RowMap m_map;
    SpectrogramParameters m_params;  // the run's, as the plan started: the run may change its own
    std::array<SampleBufferState, kCopies> m_copies;
    bool m_pitchOn = false;
    int m_plans = 0;
    PitchEstimate m_pitch;  // the helper's estimator
    std::vector<float> m_pitchScratch;
    PlannedLookAhead<PlannedPair, PairColumns> m_worker;  // last: its thread stops before the rest goes
};

/// Stops a look-ahead, if there is one, when it goes: at the end of a page or of a run.
class LookAheadStop {
public:
    explicit LookAheadStop(ColumnLookAhead* lookAhead) : m_lookAhead(lookAhead) {}
    ~LookAheadStop()
    {
        if (m_lookAhead)
            m_lookAhead->stop();
    }
    LookAheadStop(const LookAheadStop&) = delete;
    LookAheadStop& operator=(const LookAheadStop&) = delete;

private:
    ColumnLookAhead* m_lookAhead;
};

/// Whether the helper makes the pitch estimate and the rows' gray levels. Not for
/// the constant-Q columns: they take the helper three times as long as the drawing
/// takes, and the drawing thread makes both itself while it would wait.
inline bool helperMakesPitchAndGrays(const SpectrogramParameters& p) { return p.analysis != AnalysisType::ConstantQ; }

/// Draws a pair the helper made, as analysepair draws it: its band energies into
/// ws.BandEnergy; "LinPr 17" places its model spectra 10 dB above `midLevel` and
/// `endLevel`; column A at cursor.pairX0 with p.firstColumnWidth and column B after
/// it up to cursor.pairX1; then sub-display 0 is selected.
void drawpair(const SpectrogramParameters& p, const PairColumns& pair, const PageCursor& cursor, double midLevel,
              double endLevel, AnalysisWorkspace& ws, RendererRows& rows, PlotDevice& plot);

}  // namespace kelvox
