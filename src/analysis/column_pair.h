#pragma once
// The spectrogram's column-pair analysis: two frames half a pair step apart are
// analysed together (one complex FFT carries frame A in the real part and frame B in
// the imaginary part) into two columns of decibel values and the frames' band
// energies, and both columns are drawn.

#include "spectrogram_page.h"

namespace kelvox {

/// Splits a forward FFT of two real frames (A in ws.AnalysisRe, B in ws.AnalysisIm,
/// N = ws.FftSize points) into their spectra, in place. For bin i = 1 … N/2:
///   pA = (Re[i] + Re[N−i])² + (Im[i] − Im[N−i])², pB = (Re[i] − Re[N−i])² + (Im[i] + Im[N−i])²
/// (four times each frame's power); the band energies of ws.BandEnergy collect them
/// untilted: low band while i < st.lowBandBins; high band while i > st.highBandStart
/// when st.highCutHz > 0, else every bin weighted by st.highWeight[i]; total always.
/// Then pA, pB are tilted (divided by i when st.lpOrder is 17, else times i²), floored
/// at 0.001 and written as 10·log10 to Re[i], Im[i]. Re[0] = Im[0] = 0. The six band
/// energies are reset first and end between 0.001 and the largest float.
void powersplit(AnalysisWorkspace& ws, const SpectrogramState& st);

/// Analyses the column pair at st.analysisPos and draws it:
///  - loads frame A (centred on analysisPos) and frame B (trunc(pairStep/2) samples
///    later) from st.ConditionedSamples, divided by windowLength, 0 outside
///    [0, bufferFill);
///  - "Q=34" (st.qFactor ≠ 0): constant-Q bands of the frames at analysisPos −
///    trunc(pairStep/2) and analysisPos; otherwise windows both frames, FFT and
///    powersplit, then for "Cepstrum" the cepstrum of the decibel spectra (quefrency
///    bins 0 … binCount, the part above topFrequency flattened first), and for
///    "LinPr 17" the all-pole model spectra of order 17 placed 10 dB above
///    st.midLevel (frame A) and st.endLevel (frame B);
///  - draws column A at st.pairX0 with st.firstColumnWidth and column B after it up
///    to st.pairX1 (drawcolumn), then selects sub-display 0.
/// Writes ws.AnalysisRe/Im (columns A and B) and ws.BandEnergy. A silent frame gives
/// −30 dB in "Fourier". "LinPr 17" on a silent frame prints autoc's diagnostics.
void analysepair(SpectrogramPage& page);

}  // namespace kelvox
