#pragma once
// Linear prediction by the autocorrelation method: autocorrelation up to the model
// order, then the Levinson–Durbin recursion.

namespace kelvox {

/// Largest model order autoc accepts (the autocorrelation holds 33 lags).
inline constexpr int kMaxLpOrder = 32;

/// All-pole model of order p of the n samples x[0 … n−1] (windowed by the caller).
/// Writes the predictor a[0 … p] with a[0] = 1 (inverse filter A(z) = Σ a[i]·z^(−i)),
/// the reflection coefficients k[0 … p−1] and the final prediction-error energy *err.
/// All arithmetic in single precision. `datpos` is the caller's analysis position in
/// samples, used only in the message below.
/// For each order m = 1 … p−1 at which the error energy is not positive (a silent
/// frame: at every such order) it writes
/// "singular matrix in function autoc, minc=<m>, datpos=<datpos>\n" to stdout,
/// flushed, sets k[m] = 0 and a[m+1] = 0 and leaves the lower coefficients and the
/// energy as they are, so the result stays finite.
/// p < 1 or p > 32: writes nothing at all and returns false; otherwise returns true.
/// n ≤ 0 is analysed as an empty (silent) frame.
bool autoc(int n, const float* x, int p, float* a, float* err, float* k, int datpos);

}  // namespace kelvox
