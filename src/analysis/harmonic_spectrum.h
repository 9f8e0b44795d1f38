#pragma once
// Harmonic compression of a power spectrum and the decibel conversion with a floor,
// used by the spectrum section analyses. Both work on linear power (magnitude squared).

#include "decibels.h"

namespace kelvox {

/// Harmonic product spectrum (its maxima start at kSectionPowerFloor), in place on spectrum[1 … count−1] (spectrum[0]
/// is left alone): output bin i multiplies, for j = 1 … nharm, the input linearly interpolated at i·j/nharm and divided
/// by the input maximum b (harmonics at or beyond count − 1 are skipped, i.e. count as 1); the result is scaled so that
/// its maximum equals b. Output bin i thus stands for a fundamental of i/nharm input bins. count < 2 or nharm < 1:
/// nothing is changed. If the scratch memory cannot be allocated the spectrum is left unchanged.
void harmspec(float* spectrum, int count, int nharm);

/// 10·log10(max(x, 1e-25)) in dB; db10(0) = −250, db10(1) = 0. NaN gives −250.
long double db10(float x);

}  // namespace kelvox
