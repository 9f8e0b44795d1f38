#pragma once
// The label ("mix") file beside a recording: its name rule and the sequential reader
// the spectrogram pages share. (trimleft, which the reader uses on labels, is in
// parse_number.h.)
//
// A label line starts with "FR", then the position (decimal digits, optionally a '.'
// or ',' and more digits), then the label text, e.g. "FR 1.250 aa". A position with a
// decimal mark is in seconds, one without is a sample number.

#include "parse_number.h"

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace kelvox {

/// Name of the label file of a sound file: in the last path component, everything
/// from its last '.' on is replaced by ".mix", or ".mix" is appended when that
/// component has no '.'. Dots in folder names are left alone:
/// "/data/v1.2/rec.wav" → "/data/v1.2/rec.mix", "/home/u/.cache/take1" →
/// "/home/u/.cache/take1.mix".
std::string labelFileName(const std::string& soundFileName);

/// Reads the label lines of one open label file in order.
class LabelReader {
public:
    /// Characters of a line that are parsed; the rest of a longer line is skipped.
    static constexpr size_t kParsedLineLength = 255;
    /// Characters of a label that are kept.
    static constexpr size_t kMaxLabelLength = 79;

    LabelReader() = default;

    /// Opens the label file `fileName` (closing any file held before): reads it
    /// whole. Positions in seconds are converted with `sampleRate` (Hz). Returns 0
    /// if the name is empty (nothing is opened) or the file cannot be read, 1 when
    /// it is open. Prints nothing; the caller reports a missing file.
    int labelopen(const std::string& fileName, double sampleRate);
    /// Opens `bytes` as the text of a label file, as labelopen does a file; always 1.
    int labelopenText(std::string_view bytes, double sampleRate);

    /// Reads forward to the first label line whose position (in samples) is at or
    /// after *pos, or to a label line without label text; stores its position in *pos
    /// and returns its label text (at most 79 bytes, bytes taken as unsigned so UTF-8
    /// text survives). At the end of the file, or with no file open, returns "" with
    /// *pos = 0 and atEnd() becomes true. Lines are split on LF and may be of any
    /// length; only their first 255 characters are parsed. Long digit runs saturate.
    std::string labelnext(int* pos);

    /// Closes the file if one is open.
    void labelclose();

    bool isOpen() const { return m_open; }
    /// True once labelnext has run out of lines: tells the end of the file apart
    /// from a label at position 0.
    bool atEnd() const { return m_atEnd; }

private:
    /// Reads the next line into m_line (first kParsedLineLength bytes, without the
    /// LF); false when nothing more can be read.
    bool readLine();

    std::string m_text;  // the whole file
    size_t m_next = 0;   // where the next line starts
    bool m_open = false;
    double m_sampleRate = 0.0;
    bool m_atEnd = false;
    std::string m_line;
};

}  // namespace kelvox
