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

#include <cstdint>
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

/// The "Levels" choice of the spectrogram window.
enum class LevelsMode {
    LowHigh1k,  // "LP/HP 1kHz": low band below, high band above 1 kHz
    SplSplh,    // "SPL/SPLH": unweighted level and the SPLH-weighted level
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
