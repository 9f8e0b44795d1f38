#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kelvox {

/// The lenient reader of every typed number. Reads from the first character:
/// ',' or '.' starts (or restarts) the fraction, '-' anywhere makes the result
/// negative, digits accumulate, and any other character either ends the number
/// (once a digit, a decimal mark or '-' has been seen with a non-zero integer part,
/// a mark or a sign) or is skipped (leading blanks and letters). "1.2.3" gives 1.5,
/// "2-" gives -2, "12ab" gives 12, text without digits gives 0.
double parseNumber(std::string_view text);

/// Whether `text` says its number plainly: blanks around an optional '-' followed by
/// digits with at most one decimal mark ('.' or ','), at least one digit. What
/// parseNumber reads from such a text is what a reader of it sees; from any other
/// text ("12ab", "1.2.3", "-1e9") it may read something else.
bool isPlainNumber(std::string_view text);

/// `value` as a plain number text that parseNumber reads back as `value` (up to
/// ten decimals, no exponent, no trailing zeros): 1.5 → "1.5", -0.0 → "0".
/// Empty for a value that is not finite.
std::string plainNumberText(double value);

/// The value of the line "key=value" within bytes[0, bound): the text after '='
/// up to the next CR or LF (or the bound), untrimmed; empty when no line starts
/// with the key followed at once by '='. Lines end at CR, LF or CR LF.
std::string headerValue(std::span<const uint8_t> bytes, std::size_t bound, std::string_view key);

/// printf-style formatting into a std::string, in the C locale's conventions as
/// far as the program's own formats go ("%5.3f" → "1.500"). The format is always
/// one of the program's literals; user text is passed only as an argument.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

/// Removes, in place, all leading characters whose code, taken as a signed byte, is
/// 32 or lower (so bytes 128–255 go too); stops at the end of the text.
void trimleft(std::string& text);

/// The label of a time or value tick on an axis stepping by `step`: "%5.1f"
/// (step ≥ 0.1), "%6.2f" (≥ 0.01), "%7.3f" (≥ 0.001) or "%8.4f", leading blanks
/// removed (the section strip's and the waveform lines' time labels).
std::string tickLabel(double value, double step);

}  // namespace kelvox
