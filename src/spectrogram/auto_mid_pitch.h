#pragma once
// "Auto" in "Mid pitch Hz": a mid pitch chosen for the voice being analysed. Each
// pitch method searches around the mid pitch (its estimates are clamped to half and
// twice it, and "Peak P" and "AMDF" see the signal through a band-pass set by it),
// and each fits a voice best at its own distance from the voice's typical F0.

#include "spectrogram_settings.h"
#include "typical_pitch.h"

#include <string>

namespace kelvox {

/// The item of "Mid pitch Hz" that asks for a mid pitch fitted to the voice (its
/// last item).
inline constexpr const char* kAutoMidPitchText = "Auto";

/// "Mid pitch Hz" asks for "Auto": the item picked, or its text typed.
bool asksForAutoMidPitch(const SpectrogramSettings& s);

/// The mid pitch, Hz, that fits a voice of typical F0 `typicalHz` (> 0) for `method`:
///   "AMDF"      1.32·√(100 Hz · F0)  (1.32·F0 at 100 Hz, 0.93·F0 at 200 Hz)
///   "Peak P"    0.70·F0
///   "Cepstrum"  F0
/// measured on recorded voices of men and women: the rules of the form
/// k·100 Hz·(F0/100 Hz)^b with the fewest gross errors (> 20 % off Praat's pitch)
/// over all their voiced frames. AMDF's square root follows its best factor falling
/// from about 1.3 for men to about 1.0 for women. docs/pitch-tuning.md has the
/// measurements; scripts/pitch-tuning repeats them.
double autoMidPitchHz(double typicalHz, PitchMethod method);

/// The text "Auto" is replaced by: "%d" of autoMidPitchHz rounded to whole Hz, or
/// the box's default "100" when the estimate found no voiced frame.
std::string autoMidPitchText(const TypicalPitch& estimate, PitchMethod method);

}  // namespace kelvox
