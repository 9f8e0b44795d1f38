#pragma once
// The complex FFT that all Fourier analysis runs through: a radix-8/4/2 mixed-radix
// transform (decimation in frequency) in single precision on separate real and
// imaginary arrays. The length is not an argument: it is ws.FftSize, chosen by
// fftsetup, which also builds the twiddle tables that fft842 reads.

#include "analysis_workspace.h"

namespace kelvox {

/// Chooses the FFT length N = 2^k nearest to `wanted` on a logarithmic scale,
/// k = trunc(log2(wanted) + 0.5) clamped to 0 … 14 (the break lies at 2^(k + 0.5):
/// 362 gives 256, 363 gives 512; 0, negative and NaN-producing values give 1, values
/// of 23171 and more give 16384). Stores N in ws.FftSize, rebuilds ws.FftCos/FftSin
/// as cos/sin(2πi/N) (computed in double, stored as float) and returns N.
/// Throws std::bad_alloc when the tables cannot be allocated.
int fftsetup(AnalysisWorkspace& ws, int wanted);

/// Complex FFT of N = ws.FftSize points, in place, result in natural order.
/// inverse == 0: forward, X[k] = Σ x[n]·e^(−2πikn/N), unscaled.
/// inverse != 0: x[n] = (1/N)·Σ X[k]·e^(+2πikn/N).
/// re and im hold N values each. Uses the tables of the last fftsetup; every sum is
/// rounded to single precision at each butterfly stage.
/// N not a power of two from 2 to 32768: writes "-- N is not a power of two for
/// fft842\n" to stderr, transforms nothing and returns false (never exits).
/// Tables that were not built for N (FftSize written by hand): writes
/// "-- fft842 tables do not match N = <N>\n" to stderr and returns false.
bool fft842(const AnalysisWorkspace& ws, float* re, float* im, int inverse);

}  // namespace kelvox
