#pragma once

#include <string>

namespace kelvox {

/// A value as the waveform pages label their reference lines: at most three
/// significant digits with a unit prefix. b = |v|: "0" when b = 0; otherwise the
/// first row that b reaches of
///   ≥ 9.99e7 "%1.0fM", ≥ 9990000 "%3.1fM", ≥ 999000 "%3.2fM"   (v × 1e-6)
///   ≥ 99900 "%1.0fk",  ≥ 9990 "%3.1fk",    ≥ 999 "%3.2fk"      (v × 1e-3)
///   ≥ 99.9 "%1.0f",    ≥ 9.99 "%3.1f",     ≥ 0.999 "%3.2f"     (v)
///   ≥ 0.0999 "%1.0fm", ≥ 0.00999 "%3.1fm", ≥ 0.000999 "%3.2fm" (v × 1e3)
///   otherwise "%1.0fu"                                          (v × 1e6)
/// so 0.5 → "500m", 1234 → "1.23k", 0.0005 → "500u", −0.5 → "-500m".
/// Callers pass finite values (an infinite one would print "infM").
std::string engineeringNotation(double v);

}  // namespace kelvox
