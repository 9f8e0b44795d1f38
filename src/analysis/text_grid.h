#pragma once
// Praat's TextGrid in its two text forms, "text file" (long: "xmin = 0", "intervals
// [1]:" …) and "short text file" (the bare values). Both are read by one token
// reader that, like Praat's own, skips the words between the values it wants, so
// either form and the older "ooTextFile short" header read alike.

#include <string>
#include <string_view>
#include <vector>

namespace kelvox {

/// One entry of a tier: an interval [start, end] with its text, or a point (start
/// = end) with its mark. Texts are UTF-8 as in the file, with "" read as ".
struct TextGridEntry {
    double start = 0.0, end = 0.0;  // s
    std::string text;
};

struct TextGridTier {
    std::string name;
    bool points = false;  // a TextTier (points) rather than an IntervalTier
    std::vector<TextGridEntry> entries;
};

struct TextGrid {
    bool ok = false;
    std::string reason;  // one line when !ok, naming the line where reading stopped
    std::vector<TextGridTier> tiers;
};

/// True when `text` (UTF-8, without byte order mark) starts as a Praat object file:
/// `File type = "ooTextFile` or `ooBinaryFile`, leading blanks allowed.
bool looksLikePraatFile(std::string_view text);

/// Reads a TextGrid from its UTF-8 text. Refuses, with a reason: another file type
/// or object class, a text that ends early, a value of the wrong kind, a count that
/// the rest of the text cannot hold, a time that is not finite or is negative, an
/// interval that ends before it starts, and entries out of time order.
TextGrid parseTextGrid(std::string_view text);

}  // namespace kelvox
