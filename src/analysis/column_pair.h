#pragma once
// The spectrogram's column-pair analysis: two frames half a pair step apart are
// analysed together (one complex FFT carries frame A in the real part and frame B in
// the imaginary part) into two columns of decibel values and the frames' band
// energies, and both columns are drawn.

#include "analysis_workspace.h"
#include "plot_device.h"
#include "spectrogram_parameters.h"
#include "spectrogram_state.h"

namespace kelvox {

/// Splits a forward FFT of two real frames (A in ws.AnalysisRe, B in ws.AnalysisIm,
/// N = ws.FftSize points) into their spectra, in place. For bin i = 1 … N/2:
///   pA = (Re[i] + Re[N−i])² + (Im[i] − Im[N−i])², pB = (Re[i] − Re[N−i])² + (Im[i] + Im[N−i])²
/// (four times each frame's power); the band energies of ws.BandEnergy collect them
/// untilted: low band while i < split.lowBandBins; high band while i >
/// split.highBandStart, or with split.weighted every bin weighted by
/// split.highWeight[i] (0 beyond the table); total always. Then pA, pB are tilted
/// (divided by i when linPrTilt, else times i²), floored at 0.001 and written as
/// 10·log10 to Re[i], Im[i]. Re[0] = Im[0] = 0. The six band energies are reset first
/// and end between 0.001 and the largest float.
void powersplit(AnalysisWorkspace& ws, const BandSplit& split, bool linPrTilt);

/// The two columns of the pair at buffer position `analysisPos`, without drawing:
///  - loads frame A (centred on analysisPos) and frame B (trunc(pairStep/2) samples
///    later) from the buffer's conditioned samples, divided by windowLength, 0
///    outside [0, bufferFill);
///  - "Q=34": constant-Q bands of the frames at analysisPos − trunc(pairStep/2) and
///    analysisPos; otherwise windows both frames, FFT and powersplit, then for
///    "Cepstrum" the cepstrum of the decibel spectra (quefrency bins 0 … binCount,
///    the part above topFrequency flattened first), and for "LinPr 17" the spectra
///    of the order-17 inverse filters (placemodel turns them into model spectra).
/// Column A ends in ws.AnalysisRe[0 … binCount − 1], column B in ws.AnalysisIm, the
/// band energies in ws.BandEnergy. Uses ws's FFT or constant-Q tables, which the
/// run's set-up made for `p`. False (columns not made) when the sizes do not fit
/// the arrays or a transform refused. A silent frame gives −30 dB in "Fourier".
/// "LinPr 17" on a silent frame prints autoc's diagnostics.
bool analysecolumns(const SpectrogramParameters& p, const SampleBufferState& buffer, int analysisPos,
                    AnalysisWorkspace& ws);

/// Turns the inverse-filter spectrum of "LinPr 17" in column[0 … count − 1] into the
/// model spectrum, its peak 10 dB above `levelDb`.
void placemodel(float* column, int count, double levelDb);

/// Analyses the column pair at cursor.analysisPos and draws it: analysecolumns;
/// "LinPr 17" places its model spectra 10 dB above `midLevel` (frame A) and
/// `endLevel` (frame B), the level pass's total level at the middle and end of the
/// pair; then draws column A at cursor.pairX0 with p.firstColumnWidth and column B
/// after it up to cursor.pairX1 (drawcolumn), and selects sub-display 0. Writes
/// ws.AnalysisRe/Im and ws.BandEnergy; owns `rows`.
void analysepair(const SpectrogramParameters& p, const SampleBufferState& buffer, const PageCursor& cursor,
                 double midLevel, double endLevel, AnalysisWorkspace& ws, RendererRows& rows, PlotDevice& plot);

}  // namespace kelvox
