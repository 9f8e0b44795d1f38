#pragma once
// The shared variables of the spectrogram run: the sample buffer and its conditioned
// copies, the conditioning settings and filter memories, the run parameters that the
// page routines (column-pair analysis, pitch track, level pass, column renderer, page
// loop) read, and the state that carries over from one run to the next.
//
// The application owns one SpectrogramState for the whole process and passes it by
// reference; tests make their own. The spectrogram run sets the parameters below at
// each run's set-up (analysisPos, windowLength, pairStep, binCount, topFrequency, …)
// and adds the page-loop variables it needs here, beside them, so that this record
// stays the one home of the run's shared values.

#include "label_marks.h"

#include <array>
#include <cstdint>
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

/// The "Levels" choice of the spectrogram window.
enum class LevelsMode {
    LowHigh1k,  // "LP/HP 1kHz": low band below, high band above 1 kHz
    SplSplh,    // "SPL/SPLH": unweighted level and the SPLH-weighted level
};

/// One sub-display of the page being drawn: the layout's record scaled to page pixels
/// and shrunk by the print size. Strips have px0 left, py0 lower edge, px1 right, py1
/// upper edge, so that the data y0 lies at the bottom; the page frame (0) has (px0, py0)
/// top-left and (px1, py1) bottom-right.
struct PageSubDisplay {
    std::string caption;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // data rectangle
    int px0 = 0, py0 = 0, px1 = 0, py1 = 0;  // page pixels
};

/// Coefficients of one two-pole section: c0 = 1 + c1 + c2 (unity gain at 0 Hz for a
/// low-pass), feedback c1 and c2.
struct TwoPole {
    double c0 = 0, c1 = 0, c2 = 0;
};

/// Memories of one two-pole section: the last two inputs and outputs.
struct TwoPoleMemory {
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
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
    // ---- Sample buffer of the selected channel (filled by the run and the page loop)
    std::vector<int16_t> SampleBuffer = std::vector<int16_t>(kSampleBufferSize, 0);
    std::vector<float> ConditionedSamples = std::vector<float>(kConditionedSize, 0.0f);
    std::vector<float> ResonatorSamples = std::vector<float>(kConditionedSize, 0.0f);
    int bufferFill = 0;    // samples of SampleBuffer that are real data
    int bufferHigh = 0;    // fill level of the last fill; the rest up to it is zeros
    int bufferOrigin = 0;  // recording frame index of SampleBuffer[0]
    int keepBack = 0;      // analysis position kept before the buffer when it slides

    // ---- Conditioning settings (see condition())
    float gainFactor = 1.0f;   // 10^(gain dB / 20)
    float preEmphasis = 0.0f;  // > 0 pre-emphasis, < 0 de-emphasis, 0 none
    double A1 = 0.0, A2 = 0.0;   // high-pass feedback coefficients
    float B1 = 0.0f, B2 = 0.0f;  // resonator feedback coefficients

    // ---- Run parameters, set by the spectrogram run at each run's set-up
    double sampleRate = 0.0;        // Hz, fs
    int analysisPos = 0;            // index into the buffer of the current analysis position
    int windowLength = 0;           // analysis window, samples
    int pairStep = 0;               // samples per column pair
    int binCount = 0;               // values per column: N/2, 150 in "Q=34"
    double topFrequency = 0.0;      // Hz, top of the frequency axis
    double barkCount = 0.0;         // Bark units on a Bark axis, 0 for a linear axis
    double bandwidth = 0.0;         // Hz, effective analysis bandwidth
    double lowCutHz = 1000.0;       // level band split
    double highCutHz = 1000.0;      // 1000 for "LP/HP 1kHz", -1000 for "SPL/SPLH"
    LevelsMode levels = LevelsMode::SplSplh;
    int lowBandBins = 0;            // bins (bands in "Q=34") counted into the low band
    int highBandStart = 0;          // bins (bands) above it count into the high band
    std::vector<float> highWeight;       // SPLH weight per FFT bin, N + 1 entries
    std::vector<float> analysisWindow;   // window values, N + 1 entries, 0 from windowLength on
    int lpOrder = 0;                // 17 for "LinPr 17", else 0
    double qFactor = 0.0;           // 34 for "Q=34", else 0
    int cepstrumMode = 0;           // 1 for "Cepstrum", else 0
    int pairX0 = 0, pairX1 = 0;     // pixel extent of the current column pair
    int firstColumnWidth = 1;       // pixels of the pair's first column
    float pixelsPerSecond = 0.0f;   // page pixels per second of signal
    float midPitch = 0.0f;          // Hz, "Mid pitch Hz"
    float minPitch = 0.0f, maxPitch = 0.0f;  // Hz, clamp range of the pitch estimate
    float peakDecay = 0.0f;         // per-sample decay of the "Peak P" trackers
    int samplesPerColumn = 1;       // trunc(fs / pixelsPerSecond)
    double pageDuration = 0.0;      // s, time across the waveform strip
    double printScale = 1.0;        // "Print size %" / 100, at most 1
    float gainDb = 0.0f;            // dB, after the automatic gain
    float blackLevel = 0.0f;        // dB, black level offset
    float grayRange = 40.0f;        // dB from white to black
    float waveScale = 1.0f;         // waveform strip amplitude factor
    double levelTop = 60.0;         // dB, top of the level strip's data range
    std::vector<int> barkBins;      // FFT bin of each Bark row group, M + 2 entries
    int barkSlots = 0;              // M: row groups of the Bark axis (last index)
    bool amdfMode = false;          // pitch method "AMDF"
    bool cepstralPitchMode = false; // pitch method "Cepstrum"
    float pitchGate = 30.0f;        // dB: "Peak P"/"AMDF" strokes only while lowLevel exceeds it
    int realFftHalf = 256;          // half the cepstral pitch method's real FFT length

    // ---- Level smoothing and band filters (set by the run)
    TwoPole envelopeSmoother;       // fc = min(8 Hz, fs/100): the conditioning high-pass poles
    TwoPole levelSmoother;          // w = bandwidth·1.1107/fs: G0 = c0, F1 = c1, F2 = c2
    double levelFollower = 0.0;     // α = 1 − e^(−1.7 w)
    int highShift = 0;              // px: the level curves' shift left for the smoother delay
    int lowShift = 0;               // px: the low curve's extra shift for the 1 kHz filter delay
    std::array<TwoPole, 2> lowBandFilter;   // "LinPr 17": low-pass sections at lowCutHz
    std::array<TwoPole, 2> highBandFilter;  // "LinPr 17": high-pass sections at |highCutHz|

    // ---- Page geometry (pagegeometry): the sub-displays scaled to the page
    std::array<PageSubDisplay, 5> sub;
    std::array<bool, 5> subOn{};    // strips 1 … 4 drawn ([0] unused)
    int spgmLeft = 0, spgmRight = 0;  // pixel columns of the spectrogram strip
    int spgmTop = 0;                // pixel row of its upper edge
    int rowCount = 0;               // its lower edge − upper edge, pixel rows

    // ---- Page loop (drawpage and the run's page loop)
    float analysisStart = 0.0f;     // s, start of the page being drawn
    float analysisEnd = 0.0f;       // s, end of the analysed interval
    double pageTime = 0.0;          // s, time of the current pair
    double nextPairTime = 0.0;      // s, time of the next pair
    int pageNumber = 0;             // 0 for the first page of a run
    bool printing = false;          // a print run: no screen refreshes
    int pixelsSinceShow = 0;        // pixels drawn since the last refresh
    bool refillBroughtData = true;  // the last buffer refill appended samples

    // ---- Column renderer rows, one entry per pixel row plus two of margin each side
    std::vector<int> prevGray, curGray, errThis, errNext;
    // Where each pixel row reads the column (bin and fraction), for rowMapRows rows
    // at rowMapStep bins per row.
    std::vector<int> rowBin;
    std::vector<float> rowFraction;
    int rowMapRows = -1;
    double rowMapStep = 0.0;

    // ---- Level track (levelpass), kept across pairs and pages of a run
    bool levelsStarted = false;     // the first pair of the run seeds the smoothers
    std::array<double, 3> levelY{}, levelY1{}, levelY2{};  // smoother output, low/high/total
    std::array<double, 3> levelS{};  // followers
    double lowLevel = 0.0, highLevel = 0.0, totalLevel = 0.0;  // follower − 34 dB
    double midLevel = 0.0, endLevel = 0.0;  // total smoother output at mid and end of a pair
    std::array<TwoPoleMemory, 2> lowBandMemory, highBandMemory;
    int levelSampleX = kNoPixel;    // px: the column of the previous sample
    int levelPrevX = 0;             // px: where the level curves last ended (page start: the strip's left edge)
    double prevHighLevel = 0.0, prevLowLevel = 0.0;
    float waveMin = 0.0f, waveMax = 0.0f;  // envelope since the last drawn column

    // ---- Pitch track, kept across pairs and pages of a run
    int lastX = 0;                  // px: end of the previous stroke
    float peakMin = 0.0f, peakMax = 0.0f;  // "Peak P" trackers
    int dir = 0, prevDir = 0;       // direction of the last and of the previous new extreme
    int peakCount = 0;              // samples since the last period mark
    double avgPitch = 0.0;          // Hz, running average of the cepstral method
    bool pitchStrokeDrawn = false;  // the last pitchtrack call drew a stroke
    std::vector<float> amdfSegment; // scratch of the AMDF search

    // ---- Label marks
    LabelMarks labels;

    // ---- Persists across runs: set once at program start, never reset by a run
    double hpX1 = 0.0, hpX2 = 0.0;  // high-pass input memories
    double hpY1 = 0.0, hpY2 = 0.0;  // high-pass output memories
    double pitch = 50.0;            // Hz, the running pitch estimate
    int pitchQuality = 0;           // 0 good, 1 weak, 2 clamped
    double jitter = 0.0;            // relative jitter of the cepstral pitch

    /// SampleBuffer[i], or 0 outside [0, bufferFill) and outside the array.
    int16_t sampleAt(int64_t i) const;
    /// ConditionedSamples[i], or 0 outside [0, bufferFill) and outside the array.
    float conditionedAt(int64_t i) const;
    /// ResonatorSamples[i], or 0 outside [0, bufferFill) and outside the array.
    float resonatorAt(int64_t i) const;
};

}  // namespace kelvox
