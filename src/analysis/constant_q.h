#pragma once
// Constant-Q analysis ("Q=34"): 150 bands at 24 per octave, each measured by a
// complex Hamming-windowed kernel spanning the same number of cycles. The top 30
// bands are computed at the full rate; for each lower octave the signal is low-pass
// filtered and decimated by two and the same 24 kernels are used again.

#include "analysis_workspace.h"
#include "spectrogram_parameters.h"

#include <span>

namespace kelvox {

/// SPLH weighting of a frequency in Hz: with q = (f/1000)², (q + 0.04)·25/(q + 25)
/// (0.04 at 0 Hz, about 1 near 1 kHz, approaching 25 at high frequencies).
double splhWeight(double frequencyHz);

/// Centre frequency in Hz of constant-Q band b (0 … 149): fs·2^((b − 174)/24);
/// band 126 lies at fs/4, band 102 at fs/8.
double qBandFrequency(int band, double sampleRate);

/// Builds the constant-Q kernels for quality factor Q into ws: kernel i = 0 … 29 has
/// L[i] = trunc(2·Q·2^((6 − i)/24)) taps per side (clamped to 1 … 80; 80 … 34 for
/// Q = 34), tap j the Hamming weight (25/46 + 21/46·cos(πj/L))·L[0]/L[i] times
/// cos and sin of j·Q·π/L[i]. Also stores the SPLH weight of every band from its
/// centre frequency at `sampleRate` (Hz). Sets ws.qReady.
void qsetup(AnalysisWorkspace& ws, double Q, double sampleRate);

/// Analyses one frame of the conditioned samples (`conditioned`: the valid part of
/// the buffer) centred on buffer index `centre`:
///  - the frame is the 10 495 samples around the centre, 0 before index 0 and from
///    the last valid index on; when preEmphasis > 0 it is first differenced
///    (x[k+1] − x[k], the last value's neighbour reading 0);
///  - bands 120 … 149 are measured at the full rate, then for each lower octave the
///    frame is halved by a half-band low-pass (into a separate buffer, over the range
///    that the remaining octaves read) and bands 24n … 24n + 23 are measured;
///  - ws.QBands[b] = 10·log10(max(re² + im², 0.001/3)) dB;
///  - the frame's low, high and total band energies go to ws.BandEnergy at `frame`'s
///    slots: with split.weighted ("SPL/SPLH") low = Σp and high = Σp·weight(b);
///    otherwise low = Σp over b < split.lowBandBins and high over b >
///    split.highBandStart (band numbers); total = Σp; each is divided by 2400 and
///    raised to at least 0.001.
/// Returns false and changes nothing when qsetup has not been run.
bool qframe(AnalysisWorkspace& ws, std::span<const float> conditioned, int centre, float preEmphasis,
            const BandSplit& split, PairFrame frame);

/// The octaves of the conditioned samples `conditioned` (the valid part of the
/// buffer) into `octaves`, for frames centred anywhere in firstCentre … lastCentre:
/// octave 0 is the frame signal of qframe (0 before index 0 and from the last valid
/// index on, differenced with preEmphasis > 0), and octave L the half-band low-pass
/// of octave L − 1 that qframe's halving computes, at every buffer position rather
/// than at every 2^L-th position around one centre. Sums and products are those of
/// qframe, in its order, so the frames made from them are the same to the last bit.
/// With pairOffset ≥ 0 it also lays the octaves out for pairs of frames that far
/// apart, as qpairFromOctaves reads them. Leaves the naming fields (generation, source, fill) to
/// the caller.
void qoctaves(std::span<const float> conditioned, float preEmphasis, int firstCentre, int lastCentre, QOctaves& octaves,
              int pairOffset = -1);

/// Both frames of a column pair at once, frame A centred on `centre` and frame B
/// pairOffset later (the offset the octaves were laid out for): A's band levels into
/// `bandsA` (150 values), B's into ws.QBands, the energies of both into their slots
/// of ws.BandEnergy, each the same as qframe gives. False, changing nothing, when
/// qsetup has not been run, the octaves are not laid out for pairs or a centre lies
/// outside their range.
bool qpairFromOctaves(AnalysisWorkspace& ws, const QOctaves& octaves, int centre, const BandSplit& split,
                      std::span<double> bandsA);

}  // namespace kelvox
