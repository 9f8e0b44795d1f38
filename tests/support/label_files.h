#pragma once
// Label files written as the annotation tools write them, for the tests and the
// fuzz seeds: Praat TextGrids in the long and short text forms, UTF-16 with byte
// order mark, CR LF line ends; and a temporary folder that goes away with the test.

#include "temp_folder.h"

#include <filesystem>
#include <string>
#include <vector>

namespace kelvox::test {

/// One tier: intervals [start, end] with texts, or points (end unused).
struct GridTier {
    std::string name;
    bool points = false;
    struct Entry {
        double start = 0.0, end = 0.0;
        std::string text;
    };
    std::vector<Entry> entries;
};

/// A TextGrid from 0 to `xmax` seconds as Praat's "Save as text file" writes it
/// (texts with " doubled).
std::string longTextGrid(const std::vector<GridTier>& tiers, double xmax);
/// The same as Praat's "Save as short text file" writes it.
std::string shortTextGrid(const std::vector<GridTier>& tiers, double xmax);

/// UTF-8 text as UTF-16 with its byte order mark, big- or little-endian.
std::string utf16(const std::string& utf8, bool bigEndian);
/// LF line ends as CR LF.
std::string crlf(const std::string& text);

}  // namespace kelvox::test
