#pragma once
// Everything a spectrogram run derives from its settings before it draws, and that
// stays fixed while its pages are drawn: rates and sizes, the analysis window and
// weight tables, the filter coefficients, the page geometry and the chosen methods.
// The run's set-up (spectrogram_setup.h) returns it by value; the page routines
// read it and never write it. What changes while pages are drawn is in
// SpectrogramState.

#include "page_box.h"
#include "page_layout.h"

#include <array>
#include <span>
#include <string>
#include <vector>

namespace kelvox {

/// "Spgm Z axis".
enum class AnalysisType { Fourier, ConstantQ, Cepstrum, LinPr17 };
/// "Pitch method".
enum class PitchMethod { PeakP, Amdf, Cepstrum };
/// "Levels".
enum class LevelsMode {
    LowHigh1k,  // "LP/HP 1kHz": low band below, high band above 1 kHz
    SplSplh,    // "SPL/SPLH": unweighted level and the SPLH-weighted level
};

/// Order of the all-pole model of "LinPr 17".
inline constexpr int kLinPrOrder = 17;
/// Quality factor of "Q=34".
inline constexpr double kQFactor = 34.0;

/// Coefficients of one two-pole section: c0 = 1 + c1 + c2 (unity gain at 0 Hz for a
/// low-pass), feedback c1 and c2.
struct TwoPole {
    double c0 = 0, c1 = 0, c2 = 0;
};

/// What condition() does to each sample: gain, emphasis, the high-pass and the
/// resonator cascade of the pitch trackers.
struct ConditioningParameters {
    float gainFactor = 1.0f;     // 10^(gain dB / 20)
    float preEmphasis = 0.0f;    // > 0 pre-emphasis, < 0 de-emphasis, 0 none
    double A1 = 0.0, A2 = 0.0;   // high-pass feedback coefficients
    float B1 = 0.0f, B2 = 0.0f;  // resonator feedback coefficients
};

/// How a frame's power spectrum is split into the low, high and total band
/// energies of the level track.
struct BandSplit {
    bool weighted = true;               // "SPL/SPLH": the high band is every bin weighted
    int lowBandBins = 0;                // bins (bands in "Q=34") below it count into the low band
    int highBandStart = 0;              // "LP/HP 1kHz": bins (bands) above it count into the high band
    std::span<const float> highWeight;  // "SPL/SPLH": the weight of each FFT bin
};

/// The sub-displays of the page in pixels and what the device is set to for them.
/// Each is the layout's record scaled to page pixels and shrunk by the print size.
/// Strips have px0 left, py0 lower edge, px1 right, py1 upper edge, so that the data
/// y0 lies at the bottom; the page frame (0) has (px0, py0) top-left and (px1, py1)
/// bottom-right.
struct SpectrogramGeometry {
    std::array<PageBox, 5> sub;                                    // indexed by PageLayout::kFrame … kLevel
    std::array<bool, 5> subOn{};                                   // strips 1 … 4 drawn ([0] unused)
    int spgmLeft = 0, spgmRight = 0;                               // pixel columns of the spectrogram strip
    int spgmTop = 0;                                               // pixel row of its upper edge
    int rowCount = 0;                                              // its lower edge − upper edge, pixel rows
    float textSize = 1.0f;                                         // plottextsize: √(print size) sixths of an inch
    int usedLeft = 0, usedTop = 0, usedRight = 0, usedBottom = 0;  // the page's used area
};

struct SpectrogramParameters {
    // ---- The recording and the run
    double sampleRate = 0.0;     // Hz, fs
    bool printing = false;       // a print run: no screen refreshes
    float analysisStart = 0.0f;  // s, start of the analysed interval
    float analysisEnd = 0.0f;    // s, its end (a preview takes it afresh after each page)

    // ---- Chosen methods
    AnalysisType analysis = AnalysisType::Fourier;
    PitchMethod pitchMethod = PitchMethod::Amdf;
    LevelsMode levels = LevelsMode::SplSplh;

    // ---- Time and frame geometry
    float pageTimeScale = 0.0f;    // mm of page per second, after the print size
    double printScale = 1.0;       // "Print size %" / 100, at most 1
    float pixelsPerSecond = 0.0f;  // page pixels per second of signal
    int windowLength = 0;          // analysis window, samples
    int pairStep = 0;              // samples per column pair
    int firstColumnWidth = 1;      // pixels of a pair's first column
    int keepBack = 0;              // samples kept before the analysis position when the buffer slides

    // ---- Spectrum
    int fftSize = 0;                    // N of the complex FFT; 300 in "Q=34"
    int binCount = 0;                   // values per column: N/2, 150 in "Q=34"
    double topFrequency = 0.0;          // Hz, top of the frequency axis
    double barkCount = 0.0;             // Bark units on a Bark axis, 0 for a linear axis
    double bandwidth = 0.0;             // Hz, effective analysis bandwidth
    std::vector<float> analysisWindow;  // window values, N + 1 entries, 0 from windowLength on
    std::vector<int> barkBins;          // FFT bin of each Bark row group, barkSlots + 2 entries
    int barkSlots = 0;                  // row groups of the Bark axis (last index)

    // ---- Levels
    double lowCutHz = 1000.0;               // level band split
    double highCutHz = 1000.0;              // 1000 for "LP/HP 1kHz", -1000 for "SPL/SPLH"
    int lowBandBins = 0;                    // bins (bands in "Q=34") counted into the low band
    int highBandStart = 0;                  // bins (bands) above it count into the high band
    std::vector<float> highWeight;          // SPLH weight per FFT bin, N + 1 entries
    TwoPole levelSmoother;                  // w = bandwidth·1.1107/fs: G0 = c0, F1 = c1, F2 = c2
    double levelFollower = 0.0;             // α = 1 − e^(−1.7 w)
    int highShift = 0;                      // px: the level curves' shift left for the smoother delay
    int lowShift = 0;                       // px: the low curve's extra shift for the 1 kHz filter delay
    std::array<TwoPole, 2> lowBandFilter;   // "LinPr 17": low-pass sections at lowCutHz
    std::array<TwoPole, 2> highBandFilter;  // "LinPr 17": high-pass sections at |highCutHz|
    double levelTop = 60.0;                 // dB, top of the level strip's data range

    // ---- Gray scale and waveform
    bool autoGain = false;    // "Gain dB" below −100: measured from the first buffer
    float gainDb = 0.0f;      // dB, after the automatic gain
    float blackLevel = 0.0f;  // dB, black level offset
    float grayRange = 40.0f;  // dB from white to black
    float waveScale = 1.0f;   // waveform strip amplitude factor

    // ---- Pitch
    float midPitch = 0.0f;                   // Hz, "Mid pitch Hz"
    float minPitch = 0.0f, maxPitch = 0.0f;  // Hz, clamp range of the estimate
    float peakDecay = 0.0f;                  // per-sample decay of the "Peak P" trackers
    float pitchGate = 30.0f;                 // dB: "Peak P"/"AMDF" strokes only while lowLevel exceeds it

    // ---- Conditioning and page geometry
    ConditioningParameters conditioning;
    SpectrogramGeometry geometry;

    /// The band split of this run's level track.
    BandSplit bandSplit() const { return {levels == LevelsMode::SplSplh, lowBandBins, highBandStart, highWeight}; }
    bool linPr() const { return analysis == AnalysisType::LinPr17; }
};

}  // namespace kelvox
