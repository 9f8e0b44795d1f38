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

/// The mid pitch, Hz, that fits a voice of typical F0 `typicalHz` (> 0) for `method`
/// in a recording at `sampleRateHz`:
///   "AMDF"      1.26·100 Hz·(F0/100 Hz)^0.6  (1.26·F0 at 100 Hz, 0.95·F0 at
///               200 Hz), or 0.9·F0 where that mid pitch would make the compared
///               window, 2·fs/mid, longer than the kMaxAmdfWindow samples "AMDF"
///               compares: the window then stays at that limit whatever the mid
///               pitch, which only sets the band-pass and the clamp, and a lower
///               one fits better (voices below about 175 Hz at 44.1 kHz, 202 Hz
///               at 48 kHz)
///   "Peak P"    0.70·F0
///   "Cepstrum"  F0
/// measured on recorded voices of men and women: the rules of the form
/// k·100 Hz·(F0/100 Hz)^b with the fewest gross errors (> 20 % off Praat's pitch)
/// over all their voiced frames (for "AMDF" at the window's limit, the factor k·F0
/// with the fewest, on voices recorded or resampled at 44.1 and 48 kHz). AMDF's
/// exponent below 1 follows its best factor falling from about 1.3 for men to
/// about 1.0 for women; of the exponents 0.4 … 0.6, whose fewest errors are as
/// good as equal, 0.6 leaves the worst voice the fewest. docs/pitch-tuning.md has
/// the measurements; scripts/pitch-tuning repeats them.
double autoMidPitchHz(double typicalHz, PitchMethod method, double sampleRateHz);

/// The text "Auto" is replaced by: "%d" of autoMidPitchHz rounded to whole Hz, or
/// the box's default "100" when the estimate found no voiced frame.
std::string autoMidPitchText(const TypicalPitch& estimate, PitchMethod method, double sampleRateHz);

}  // namespace kelvox
