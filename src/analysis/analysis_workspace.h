#pragma once
// The analysis working state that the program has once: the two working arrays that
// every spectrum analysis fills and transforms in place, the tables of the complex and
// of the real-valued FFT, the constant-Q kernels with their band levels, and the band
// energies of the last column pair.
//
// The kernels are free functions that take this record by reference (fft.h,
// real_fft.h, constant_q.h); the application creates one and passes it to every run,
// tests make their own. Nothing here is reset between runs: each run's set-up
// (fftsetup, realfftsetup, qsetup) rebuilds what it uses.

#include <array>
#include <cstdint>
#include <vector>

namespace kelvox {

/// Entries of AnalysisRe and AnalysisIm: the longest FFT (16384) plus one, because
/// the frame loaders write N + 1 values.
inline constexpr int kAnalysisArraySize = 16385;
/// Longest complex FFT that fftsetup chooses: 2^14.
inline constexpr int kMaxFftSize = 16384;

/// Constant-Q layout: 150 bands at 24 per octave, measured by 30 kernels of at most
/// 80 taps per side (the top 30 bands at the full rate, 24 per lower octave).
inline constexpr int kQBandCount = 150;
inline constexpr int kQKernelCount = 30;
inline constexpr int kQMaxTaps = 80;
inline constexpr int kQBandsPerOctave = 24;
/// Half width of the constant-Q frame buffer (10 495 samples centred on the frame).
inline constexpr int kQFrameHalf = 5247;
/// Octaves of the constant-Q analysis: the full rate and five halvings.
inline constexpr int kQOctaves = 6;

/// The signal of every octave of the constant-Q analysis over a whole stretch of the
/// sample buffer (qoctaves): octave L at fs/2^L, as the analysis of one frame
/// computes it around the frame's centre, but at every buffer position, so that the
/// frames of a buffer share it. Made from one state of the buffer, which it names.
struct QOctaves {
    bool valid = false;
    uint64_t generation = 0;        // the buffer's generation it was made from
    const float* source = nullptr;  // its conditioned samples
    int fill = 0;                   // and their valid length
    float preEmphasis = 0.0f;
    int firstCentre = 0, lastCentre = -1;               // frames centred here can use it
    int64_t origin = 0;                                 // buffer position of index 0 of every octave
    std::array<std::vector<double>, kQOctaves> octave;  // octave[L][i]: the signal at origin + i
    // The same, two frames pairOffset apart side by side: paired[L][2i] = octave[L][i],
    // paired[L][2i + 1] = octave[L][i + pairOffset] (0 when pairOffset < 0).
    int pairOffset = -1;
    std::array<std::vector<double>, kQOctaves> paired;
    std::vector<double> sum;  // scratch of the halvings
};

/// Layout of BandEnergy: low, high and total power of frame A, then of frame B.
inline constexpr int kBandLow = 0;
inline constexpr int kBandHigh = 1;
inline constexpr int kBandTotal = 2;
inline constexpr int kFrameBOffset = 3;
/// Smallest band energy: the level track takes its logarithm.
inline constexpr float kBandEnergyFloor = 0.001f;

/// The two frames of a column pair; frame B starts half a pair step after frame A.
enum class PairFrame { A, B };

/// Index into BandEnergy of band kBandLow, kBandHigh or kBandTotal of a frame.
constexpr int bandEnergyIndex(PairFrame frame, int band)
{
    return (frame == PairFrame::B ? kFrameBOffset : 0) + band;
}

struct AnalysisWorkspace {
    // Working arrays of all analysis code; callers fill them, transform them and read
    // the result from them.
    std::vector<float> AnalysisRe = std::vector<float>(kAnalysisArraySize, 0.0f);
    std::vector<float> AnalysisIm = std::vector<float>(kAnalysisArraySize, 0.0f);

    // Complex FFT (fftsetup/fft842): the length N and cos/sin(2πi/N), i = 0 … N − 1.
    // fftsetup is their only writer; a run may set FftSize by hand (300 in "Q=34") but
    // fft842 then refuses to transform.
    int FftSize = 0;
    std::vector<float> FftCos;
    std::vector<float> FftSin;
    // The exchanges of the bit reversal of N indices, each i < r as i·2^16 + r.
    std::vector<uint32_t> FftSwaps;

    // Real-valued FFT (realfftsetup/realfft): its own length M, log2 M (0 = not set
    // up) and cos/sin(2πi/M).
    int realFftSize = 0;
    int realFftStages = 0;
    std::vector<float> realFftCos;
    std::vector<float> realFftSin;

    // Constant-Q analysis (qsetup/qframe): taps per side of each kernel, the kernels'
    // cosine and sine halves (kernel i, tap j at [i * kQMaxTaps + j]), the SPLH weight
    // of each band, and the band levels of the last frame in dB.
    bool qReady = false;
    std::array<int, kQKernelCount> qKernelLength{};
    std::vector<double> qCos = std::vector<double>(kQKernelCount * kQMaxTaps, 0.0);
    std::vector<double> qSin = std::vector<double>(kQKernelCount * kQMaxTaps, 0.0);
    std::array<double, kQBandCount> qBandWeight{};
    std::array<double, kQBandCount> QBands{};
    // Scratch of qframe, kept here so that a frame allocates nothing: the frame and
    // the decimated signal, each indexed from -kQFrameHalf.
    std::vector<double> qFrame = std::vector<double>(2 * kQFrameHalf + 1, 0.0);
    std::vector<double> qDecimated = std::vector<double>(2 * kQFrameHalf + 1, 0.0);
    // The octaves of the buffer the last frames came from (analysecolumns).
    QOctaves qOctaves;

    // Band energies of the last column pair (see kBandLow …); they carry over to the
    // next run, so they start at the floor rather than at 0.
    std::array<float, 6> BandEnergy{kBandEnergyFloor, kBandEnergyFloor, kBandEnergyFloor,
                                    kBandEnergyFloor, kBandEnergyFloor, kBandEnergyFloor};
};

}  // namespace kelvox
