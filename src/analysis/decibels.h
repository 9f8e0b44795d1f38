#pragma once
// Decibels of a power and the floors the analyses put under a power before its
// logarithm is taken, named once.

#include <algorithm>
#include <cmath>

namespace kelvox {

/// 10/ln 10: decibels per neper of power.
inline constexpr double kDbPerNeper = 4.342944819032518;

/// Floor of the spectrogram page's powers (columns, band levels, the cepstral pitch's
/// spectrum): −30 dB.
inline constexpr double kPagePowerFloor = 0.001;
/// Floor of the spectrum section's powers (spectra, harmonic sums, averages):
/// −250 dB.
inline constexpr double kSectionPowerFloor = 1e-25;

/// 10·log10 of `power`, first raised to `floor`.
inline double powerDb(double power, double floor) { return std::log(std::max(power, floor)) * kDbPerNeper; }

}  // namespace kelvox
