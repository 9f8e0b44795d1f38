#pragma once
// What changes while a spectrogram run draws its pages, grouped by the routine that
// owns it: the sample buffer (page loop, conditioning), the page cursor (page loop),
// the pitch tracker (pitchtrack), the level tracker (levelpass), the renderer rows
// (drawcolumn) and the label marks (levelpass), plus the values that carry over
// from one run to the next (the pitch estimate).
//
// The application owns one SpectrogramState for the whole process and passes it by
// reference; tests make their own. What stays fixed while pages are drawn is in
// SpectrogramParameters.

#include "label_marks.h"
#include "spectrogram_parameters.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kelvox {

/// Entries of SampleBuffer: 16384 samples plus the zero that the last sample's
/// "next sample" reads.
inline constexpr int kSampleBufferSize = 16385;
/// Extra entries behind the conditioned arrays, so that a frame reaching past the
/// buffer's end stays inside the arrays even where a reader does not use the guarded
/// accessors.
inline constexpr int kConditionedMargin = 4096;
inline constexpr int kConditionedSize = kSampleBufferSize + kConditionedMargin;

/// A pixel column no sample ever maps to: the level pass draws at a run's first sample.
inline constexpr int kNoPixel = -(1 << 30);

/// Memories of one two-pole section: the last two inputs and outputs.
struct TwoPoleMemory {
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
};

/// The conditioning high-pass's memories. They carry over from one buffer fill to
/// the next; a spectrogram run clears them at its start (and the automatic gain
/// before it measures).
struct HighPassMemory {
    double hpX1 = 0.0, hpX2 = 0.0;  // input memories
    double hpY1 = 0.0, hpY2 = 0.0;  // output memories
};

/// The sliding buffer of the selected channel and its conditioned copies (page loop,
/// condition()).
struct SampleBufferState {
    std::vector<int16_t> SampleBuffer = std::vector<int16_t>(kSampleBufferSize, 0);
    std::vector<float> ConditionedSamples = std::vector<float>(kConditionedSize, 0.0f);
    std::vector<float> ResonatorSamples = std::vector<float>(kConditionedSize, 0.0f);
    int bufferFill = 0;             // samples of SampleBuffer that are real data
    int bufferHigh = 0;             // fill level of the last fill; the rest up to it is zeros
    int bufferOrigin = 0;           // recording frame index of SampleBuffer[0]
    int keepBack = 0;               // analysis position kept before the buffer when it slides
    bool refillBroughtData = true;  // the last refill appended samples
    // Counts the conditionings of the buffer: what is derived from the conditioned
    // samples (the constant-Q octaves) is kept while it stays the same.
    uint64_t generation = 0;

    /// SampleBuffer[i], or 0 outside [0, bufferFill) and outside the array.
    int16_t sampleAt(int64_t i) const;
    /// ConditionedSamples[i], or 0 outside [0, bufferFill) and outside the array.
    float conditionedAt(int64_t i) const;
    /// ResonatorSamples[i], or 0 outside [0, bufferFill) and outside the array.
    float resonatorAt(int64_t i) const;
    /// The conditioned and resonator samples that are real data: [0, bufferFill).
    std::span<const float> conditioned() const;
    std::span<const float> resonator() const;
};

/// Where the page loop is: the page, the column pair and the refresh count.
struct PageCursor {
    float analysisStart = 0.0f;  // s, start of the page being drawn
    double pageTime = 0.0;       // s, time of the current pair
    int analysisPos = 0;         // index into the buffer of the current analysis position
    int pageNumber = 0;          // 0 for the first page of a run
    int pairX0 = 0, pairX1 = 0;  // pixel extent of the current column pair
    int pixelsSinceShow = 0;     // pixels drawn since the last refresh
};

/// What the pitch estimator carries from pair to pair (pitchestimate). pitch,
/// pitchQuality and jitter carry over from run to run; the rest restarts with each
/// run.
struct PitchEstimate {
    double pitch = 50.0;                   // Hz, the running pitch estimate
    int pitchQuality = 0;                  // 0 good, 1 weak, 2 clamped
    double jitter = 0.0;                   // relative jitter of the cepstral pitch
    int lastX = 0;                         // px: end of the previous stroke
    float peakMin = 0.0f, peakMax = 0.0f;  // "Peak P" trackers
    int dir = 0, prevDir = 0;              // direction of the last and of the previous new extreme
    int peakCount = 0;                     // samples since the last period mark
    double avgPitch = 0.0;                 // Hz, running average of the cepstral method
};

/// One stroke of the pitch strip: pixel columns x0 … x1 − 1 at the row of
/// log10Pitch (log10 of the pitch in Hz), `width` pixels wide; a gated stroke is
/// drawn only while the level track's low level exceeds the pitch gate.
struct PitchStroke {
    int x0 = 0, x1 = 0;
    double log10Pitch = 0.0;
    int width = 1;
    bool gated = true;
};

/// The pitch tracker (pitchtrack): the estimator's state, and what the drawing of
/// the last pair did.
struct PitchTrackState : PitchEstimate {
    bool pitchStrokeDrawn = false;     // the last pitchtrack call drew a stroke
    std::vector<float> amdfSegment;    // scratch of the AMDF search
    std::vector<PitchStroke> strokes;  // scratch: the strokes of the pair in hand
};

/// The level tracker (levelpass), kept across pairs and pages of a run.
struct LevelTrackState {
    bool levelsStarted = false;     // the first pair of the run seeds the smoothers
    std::array<double, 3> levelY1{}, levelY2{};  // smoother outputs, low/high/total
    std::array<double, 3> levelS{};  // followers
    double lowLevel = 0.0, highLevel = 0.0, totalLevel = 0.0;  // follower − 34 dB
    double midLevel = 0.0, endLevel = 0.0;  // total smoother output at mid and end of a pair
    std::array<TwoPoleMemory, 2> lowBandMemory, highBandMemory;
    int levelSampleX = kNoPixel;    // px: the column of the previous sample
    int levelPrevX = 0;             // px: where the level curves last ended (page start: the strip's left edge)
    double prevHighLevel = 0.0, prevLowLevel = 0.0;
    float waveMin = 0.0f, waveMax = 0.0f;  // envelope since the last drawn column
};

/// Where each pixel row of the spectrogram strip reads a column (columngrays): the
/// column index and fraction of every row, kept while the strip and the axis stay
/// the same, and the column re-binned on a Bark axis.
struct RowMap {
    std::vector<int> rowBin;         // column index of each pixel row, for `rows` rows
    std::vector<float> rowFraction;  // and its fraction, at `step` bins per row
    int rows = -1;
    double step = 0.0;
    // Rows insideFirst … insideEnd − 1 read two bins inside a column of insideFor
    // values (−1: not worked out for this map).
    int insideFirst = 0, insideEnd = 0, insideFor = -1;
    std::vector<float> column;  // the column being mapped, re-binned on a Bark axis
};

/// The column renderer's rows (drawcolumn), one entry per pixel row plus two of
/// margin each side, and where each pixel row reads the column.
struct RendererRows {
    std::vector<int> prevGray, curGray, errThis, errNext;
    RowMap map;
};

/// The label marks of a run, sorted by time, and the one it holds until its
/// sample comes.
struct LabelMarks {
    std::vector<LabelMark> marks;
    size_t next = 0;          // index of the held mark
    int64_t pos = 0;          // its sample, a recording frame index
    int64_t lastSample = 0;   // a mark after this sample (the interval's end) ends the labelling
    double sampleRate = 0.0;  // Hz: turns a mark's time into its sample
    bool open = false;        // a mark is held

    /// Holds marks[index] with its sample; closes (open = false) when there is no
    /// such mark or it lies after lastSample.
    void hold(size_t index);
};

struct SpectrogramState {
    SampleBufferState buffer;
    HighPassMemory highPass;
    PageCursor cursor;
    PitchTrackState pitchTrack;
    LevelTrackState levelTrack;
    RendererRows renderer;
    LabelMarks labels;
};

}  // namespace kelvox
