#pragma once
// The Bark frequency scale of the spectrogram's "Bark" axis.

namespace kelvox {

/// Frequency in Hz of z Bark, by the polynomial
/// 20 + z·(69.33771 + z·(14.34863 + z·(−3.21206 + z·(0.400385 + z·(−0.02128 + z·0.000452))))):
/// 0 Bark → 20 Hz, 1 Bark ≈ 100.9 Hz, 24 Bark ≈ 15.3 kHz.
double bark2hz(double z);

}  // namespace kelvox
