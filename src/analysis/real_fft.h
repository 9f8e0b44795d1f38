#pragma once
// An in-place real-valued radix-2 FFT with its own length and tables, independent of
// fft842; the cepstral pitch method transforms its real frames with it.

#include "analysis_workspace.h"

namespace kelvox {

/// Prepares the real FFT for M points: M must be a power of two from 2 to 2^24.
/// Returns 1 (and changes nothing) when it is not, 2 when the tables cannot be
/// allocated (the set-up is then cleared), 0 on success. Sets ws.realFftSize = M,
/// ws.realFftStages = log2 M and rebuilds the tables cos/sin(2πi/M), replacing those
/// of an earlier set-up.
int realfftsetup(AnalysisWorkspace& ws, int M);

/// Forward real FFT of the M floats of x, in place, unscaled, single precision.
/// Result layout: x[0] = Re bin 0; x[k] = Re bin k and x[M − k] = Im bin k for
/// k = 1 … M/2 − 1; x[M/2] = Re bin M/2 (bin k = Σ x[n]·e^(−2πikn/M)).
/// Returns 1 and leaves x unchanged when no set-up has been made, or when the set-up
/// was made for another length; 0 after transforming.
int realfft(const AnalysisWorkspace& ws, int M, float* x);

}  // namespace kelvox
