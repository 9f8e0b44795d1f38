#pragma once
// The spectrum section analyses: how a run turns the section window's controls into
// analysis values (SectionSettings), and how one section is computed from one frame
// of the selected channel — pre-emphasis, time window, transform, the five analysis
// types, the long-time average and the display levels. No Qt, no drawing.

#include "analysis_workspace.h"
#include "section_controls.h"
#include "signal_state.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kelvox {

/// Display level at the top of a section cell, dB.
inline constexpr double kSectionLevelTop = 60.0;
/// Gains beyond ±150 dB are replaced by the bound: further out the squared and
/// summed single-precision powers of a frame overflow.
inline constexpr double kSectionMaxGainDb = 150.0;
/// Level ranges above this are replaced by it: the level axis walks the range in
/// 10 dB steps, and nothing drawn lies further apart than this.
inline constexpr double kSectionMaxLevelRange = 1000.0;

/// The run's derived values, filled by sectionSetup and advanced by the page loop.
struct SectionSettings {
    float analysisStart = 0.0f;    // s
    float analysisEnd = 0.0f;      // s; lowered by one sample period at set-up
    double currentTime = 0.0;      // s, start of the frame being analysed
    int64_t readPosition = 0;      // trunc(sampleRate × currentTime) + dataOffset, then += hop
    double timeStep = 0.0;         // s; 0 for "LTAS" until set-up makes it frameLength / sampleRate
    double bandwidth = 0.0;        // Hz; after set-up the effective 2 × sampleRate / frameLength
    float interpolation = 1.0f;    // at least 1
    float gainDb = 0.0f;
    float gainFactor = 1.0f;       // 10^(gainDb × 0.05)
    float stripScale = 1.0f;       // 30000 / (gainFactor × peakAmplitude)
    double levelTop = kSectionLevelTop;
    double levelRange = 60.0;      // dB; the cell's bottom is levelTop − levelRange
    double freqRange = 0.0;        // Hz, top of the frequency axis
    float preEmphasis = 0.0f;      // the "Pre-emphasis" item index
    SectionWindow windowType = SectionWindow::Hamming;
    SectionAnalysis analysis = SectionAnalysis::FSpectrum;
    AnalysisChoice choice;         // lpOrder, harmonicCount, cepstrum and autocorrelation flags
    int frameLength = 0;           // L, samples
    int fftLength = 0;             // N, a power of two 4 … 16384
    int hop = 0;                   // samples between sections, at least 1
    float ltasFrames = 0.0f;       // frames making one long-time average; 0 with a time step
    float averageCount = 0.0f;     // frames averaged so far
};

/// Run set-up: reads the controls (numbers with parseNumber), fills a
/// SectionSettings for `interval` on the recording `signal`, and sets the FFT
/// length with fftsetup(ws, N). Frame length L = trunc(2 fs / bandwidth), at least
/// 2; N = 2^S with S = trunc(3.3333333333333335 log10(L × interpolation) + 1) in
/// 2 … 14, L ≤ N; hop = L div 2, or trunc(timeStep × fs) with a time step. The
/// analysis end is lowered by one sample period; the current time is the start.
/// Values are corrected in `controls`, each with one line appended to
/// `replacements` ("LABEL: \"old\" replaced by \"new\""):
///  - "F range Hz" below fs/64 becomes "%d" of fs/64, above fs/2 "fs/2";
///  - a bandwidth ≤ 0 becomes "100"; a level range ≤ 0 "60", above 1000 "1000";
///  - a gain beyond ±150 dB the bound;
///  - a negative time step its size; a time step below one sample period one
///    sample period (in ms, rounded up so that it reads back as at least one sample).
/// Does not touch signal.preEmphasis (the run sets it from the result).
/// Needs signal.sampleRate > 0. Throws std::bad_alloc when the FFT tables cannot be
/// allocated.
SectionSettings sectionSetup(SectionControls& controls, const SignalState& signal, const TimeInterval& interval,
                             AnalysisWorkspace& ws, std::vector<std::string>& replacements);

/// The time window of L points padded with zeros to N + 1 values; x = πi/L with π
/// taken as 3.14159265: "Square" 0.5, "Hamming" 0.54 − 0.46 cos 2x, "Blackman"
/// 0.42 − 0.5 cos 2x + 0.08 cos 4x, "Bl-Harris" 0.35875 − 0.48829 cos 2x +
/// 0.14128 cos 4x − 0.01168 cos 6x.
std::vector<float> sectionWindowTable(SectionWindow window, int frameLength, int fftLength);

/// The selected channel's DC-corrected samples (correctedFrameSample: 0 outside the
/// data), decoded a block at a time and kept for the next reads: the strip and the
/// overlapping frames of a run read every sample up to three times.
class FrameCache {
public:
    /// Forgets every block; the recording, its channel or zeroOffset may have changed.
    void clear();
    /// Samples of frames first … first + count − 1 in 16-bit units, DC-corrected,
    /// 0 outside the data, times `scale`, into out.
    void read(const SignalState& signal, int64_t first, int count, float scale, float* out);

private:
    static constexpr int kBlockBits = 12;
    static constexpr int64_t kBlockSize = int64_t{1} << kBlockBits;
    struct Slot {
        bool valid = false;
        int64_t block = 0;
        std::vector<int> samples;
    };
    const Slot& slotOf(const SignalState& signal, int64_t block);
    const Slot& load(const SignalState& signal, int64_t block);
    std::array<Slot, 4> m_slots;
    std::size_t m_next = 0;
};

/// Computes one section after another from frames of the selected channel.
class SectionAnalyser {
public:
    /// Builds the window table and clears the average (N values) and its count.
    void prepare(SectionSettings& settings);

    /// Analyses the frame at settings.readPosition (time settings.currentTime):
    /// frames readPosition − dataOffset + i, i = 0 … N, of the selected channel,
    /// DC-corrected and × gainFactor, 0 outside the data and where readPosition + i
    /// is not below sampleLimit; pre-emphasis x[i] = x[i + 1] − pe × x[i]; window;
    /// then by type: LP model spectrum E × 0.0002 / P (autoc, order lpOrder), power
    /// spectrum P[0] = X[0]²/L, P[k] = 4|X[k]|²/L, harmonic product spectrum
    /// (harmspec), cepstrum (FFT of the mirrored, band-limited db10 spectrum) or
    /// autocorrelation (FFT of the mirrored, band-limited power spectrum, its
    /// largest value scaled to 1e8 unless it is ≤ 0). The section enters a running
    /// mean whose first frame is taken exactly (with a time step every section is
    /// its own frame); the frames of a long-time average go through the transform
    /// two at a time, as the real and imaginary part of one complex frame. Returns
    /// false while a long-time average is not complete; otherwise fills levels()
    /// and returns true. An average also
    /// completes at the last frame the page loop will take (`nextTime` beyond the
    /// analysis end), so that an interval never ends without its section.
    /// Works in ws.AnalysisRe/AnalysisIm; writes the singular-matrix line of autoc
    /// to stdout for a silent frame with "LP spectrum".
    bool analyse(const SignalState& signal, AnalysisWorkspace& ws, SectionSettings& settings, double nextTime);

    /// Takes the levels and the average of a section that another analyser, prepared
    /// with the same settings, made of the same frame (the run's helper thread), as
    /// if this one had analysed it.
    void adopt(std::span<const float> levels, std::span<const float> average);

    /// Display levels of the last complete section, N/2 + 1 values: spectra and
    /// autocorrelation 10 log10(max(average, 1e-25)) − 30; cepstrum
    /// db10(average / largest) + levelTop (the floor when the largest is ≤ 0). The
    /// value at N/2 is not computed and reads 0.
    const std::vector<float>& levels() const { return m_levels; }
    const std::vector<float>& windowTable() const { return m_window; }
    /// The running mean, N values (a section uses the first N/2).
    const std::vector<float>& averageSpectrum() const { return m_average; }
    /// The samples the analysis reads, for the run's time-wave strip.
    FrameCache& frames() { return m_frames; }

private:
    void readFrame(const SignalState& signal, AnalysisWorkspace& ws, const SectionSettings& settings);
    void transformToPower(AnalysisWorkspace& ws, const SectionSettings& settings);
    void lpModelSpectrum(AnalysisWorkspace& ws, const SectionSettings& settings);
    void lagTransform(AnalysisWorkspace& ws, const SectionSettings& settings, const SignalState& signal);
    void transformPair(AnalysisWorkspace& ws, const SectionSettings& settings);
    void addToAverage(AnalysisWorkspace& ws, const SectionSettings& settings, const SignalState& signal, float count);

    FrameCache m_frames;
    std::vector<float> m_window;
    std::vector<float> m_average;
    std::vector<float> m_levels;
    std::vector<float> m_lpFrame, m_lpCoefficients, m_lpReflections;
    // A frame of a long-time average waiting for its partner in one transform.
    bool m_pending = false;
    float m_pendingCount = 0.0f;
    std::vector<float> m_pendingFrame, m_pendingPower, m_framePower;
};

}  // namespace kelvox
