#pragma once
// The annotations a recording may come with, read into one list of marks (a time
// and a text) that the spectrogram pages draw under the waveform strip:
//   - Praat TextGrid, long and short text forms, UTF-8 (with or without byte order
//     mark) or UTF-16 with byte order mark: an IntervalTier marks each interval's
//     start (empty intervals are skipped), a TextTier each point;
//   - TIMIT .phn / .wrd: "start end label", start and end in samples;
//   - HTK .lab / .rec: "start end label ...", in units of 100 ns, extra columns ignored;
//   - Audacity label tracks (.txt): "start<TAB>end<TAB>label" in seconds;
//   - the program's own .mix files ("FR 1.250 aa", see label_file.h).
// The format is recognised by the content where it can be (a byte order mark, the
// TextGrid header), otherwise by the file name's extension.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelvox {

/// One mark: where it stands and what it says (UTF-8; a .mix label's bytes as they
/// stand), at most 79 characters, never a line feed.
struct LabelMark {
    double seconds = 0.0;
    std::string text;

    bool operator==(const LabelMark&) const = default;
};

enum class LabelFormat { Mix, TextGrid, Timit, Htk, Audacity };

/// What a label file holds for one tier, or why it cannot be used.
struct LabelFile {
    bool ok = false;
    std::string reason;        // one line when !ok
    bool opened = false;       // the file could be read (a missing file: false)
    bool unknownTier = false;  // !ok only because the asked tier is not in the file
    LabelFormat format = LabelFormat::Mix;
    std::vector<std::string> tiers;  // a TextGrid's tier names in file order; empty otherwise
    int tierIndex = -1;              // the tier the marks come from (0 for the first), −1 for other formats
    std::vector<LabelMark> marks;    // sorted by time
};

/// The label file chosen for a recording ("Labels..." in the program, --labels in
/// kelvox-render) and its tier: a TextGrid tier's name, or its number counted from
/// 1; empty for the first tier. An empty file name means no choice: the spectrogram
/// pages use the .mix file a section run names.
struct LabelChoice {
    std::string fileName;
    std::string tier;

    bool operator==(const LabelChoice&) const = default;
};

/// Label files larger than this are refused unread: no annotation is that large,
/// and a stray recording or archive chosen by mistake must not fill the memory.
inline constexpr std::size_t kMaxLabelFileBytes = std::size_t{64} << 20;
/// Characters of a mark's text that are kept, as for .mix labels.
inline constexpr std::size_t kMaxMarkCharacters = 79;

/// Reads the label file `fileName` as readLabelText does its bytes. A file that
/// cannot be read, or is larger than kMaxLabelFileBytes, gives !ok with the reason.
LabelFile readLabelFile(const std::string& fileName, double sampleRate, const std::string& tier = {});

/// The marks of the label file text `bytes`, whose name `fileName` gives the
/// extension that decides the format when the content does not. `sampleRate` (Hz)
/// converts .mix and TIMIT sample numbers to seconds. `tier` picks a TextGrid's tier
/// by name, or else by its number from 1; empty: the first tier. A tier the file
/// lacks (any tier, for the formats without tiers) gives !ok with unknownTier set
/// and the file's tiers in the reason. Malformed text (a TextGrid cut short, wrong
/// counts, negative or unordered times, invalid UTF-16, a line that is not
/// "start end label") gives !ok with a one-line reason and no marks.
/// .mix files give the labels that the sequential reader returns from position 0,
/// each at a time whose sample is its position.
LabelFile readLabelText(std::string_view bytes, const std::string& fileName, double sampleRate,
                        const std::string& tier = {});

/// The sample a mark at `seconds` falls on: trunc(seconds × sampleRate), saturated,
/// as a .mix position written in seconds.
int64_t markSample(double seconds, double sampleRate);

/// A time in seconds whose markSample is exactly `sample` (sample / sampleRate,
/// moved by the last bit where rounding would land it on the neighbour).
double secondsOfSample(int64_t sample, double sampleRate);

/// "TextGrid", "TIMIT", "HTK", "Audacity labels" or ".mix".
std::string labelFormatName(LabelFormat format);

/// The tiers of a file for a message: `1 "words", 2 "phones"`.
std::string tierList(const std::vector<std::string>& tiers);

}  // namespace kelvox
