#include "label_marks.h"

#include "label_file.h"
#include "numeric.h"
#include "text_grid.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <system_error>

namespace kelvox {

namespace {

constexpr double kHtkUnitsPerSecond = 1e7;  // HTK label times count 100 ns

LabelFile failed(const std::string& reason)
{
    LabelFile f;
    f.reason = reason;
    return f;
}

std::string lowerExtension(const std::string& fileName)
{
    std::string ext = std::filesystem::path(fileName).extension().string();
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

void appendUtf8(std::string& out, uint32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// UTF-16 (after its byte order mark) to UTF-8; nullopt with a reason for an odd
// byte count or a surrogate without its partner.
std::optional<std::string> utf16ToUtf8(std::string_view bytes, bool bigEndian, std::string& reason)
{
    if (bytes.size() % 2 != 0) {
        reason = "invalid UTF-16: an odd number of bytes";
        return std::nullopt;
    }
    const auto unit = [&](size_t i) {
        const auto b0 = static_cast<uint8_t>(bytes[i]), b1 = static_cast<uint8_t>(bytes[i + 1]);
        return static_cast<uint32_t>(bigEndian ? (b0 << 8 | b1) : (b1 << 8 | b0));
    };
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); i += 2) {
        uint32_t cp = unit(i);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 && unit(i + 2) <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            reason = "invalid UTF-16: a lone surrogate at byte " + std::to_string(i + 2);
            return std::nullopt;
        }
        appendUtf8(out, cp);
    }
    return out;
}

// Length in bytes of the UTF-8 sequence that starts with `lead`; 1 for a byte that
// cannot start one (the text is then cut by bytes).
size_t utf8Length(uint8_t lead) { return lead >= 0xF0 && lead < 0xF8 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1; }

// A mark's text as the page shows it: control characters (line feeds inside a
// TextGrid text, tabs) become blanks, blanks at both ends go, and at most 79
// characters are kept, never cutting a character in two.
std::string markText(std::string_view raw)
{
    std::string text(raw);
    for (char& c : text)
        if (static_cast<uint8_t>(c) < 0x20 || c == 0x7F)
            c = ' ';
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    size_t cut = 0;
    for (size_t chars = 0; cut < text.size() && chars < kMaxMarkCharacters; ++chars)
        cut = std::min(text.size(), cut + utf8Length(static_cast<uint8_t>(text[cut])));
    text.resize(cut);
    return text;
}

LabelFile textGridMarks(std::string_view text, const std::string& tier)
{
    const TextGrid grid = parseTextGrid(text);
    if (!grid.ok)
        return failed(grid.reason);
    LabelFile f;
    f.format = LabelFormat::TextGrid;
    for (const TextGridTier& t : grid.tiers)
        f.tiers.push_back(t.name);
    if (tier.empty()) {
        f.tierIndex = grid.tiers.empty() ? -1 : 0;
    } else {
        const auto named = std::find(f.tiers.begin(), f.tiers.end(), tier);
        int number = 0;
        const auto [end, ec] = std::from_chars(tier.data(), tier.data() + tier.size(), number);
        if (named != f.tiers.end())
            f.tierIndex = static_cast<int>(named - f.tiers.begin());
        else if (ec == std::errc() && end == tier.data() + tier.size() && number >= 1 &&
                 number <= static_cast<int>(f.tiers.size()))
            f.tierIndex = number - 1;
        if (f.tierIndex < 0) {
            f.unknownTier = true;
            f.reason = "no tier \"" + tier + "\"; its tiers are " +
                       (f.tiers.empty() ? std::string("none") : tierList(f.tiers));
            return f;
        }
    }
    if (f.tierIndex >= 0) {
        const TextGridTier& t = grid.tiers[static_cast<size_t>(f.tierIndex)];
        for (const TextGridEntry& e : t.entries) {
            std::string label = markText(e.text);
            // An empty interval is a stretch nobody labelled; a point marks a time even without a text.
            if (label.empty() && !t.points)
                continue;
            f.marks.push_back({e.start, std::move(label)});
        }
    }
    f.ok = true;
    return f;
}

// The whitespace-separated fields of a line.
std::vector<std::string_view> fields(std::string_view line, size_t maxFields)
{
    std::vector<std::string_view> out;
    size_t i = 0;
    while (out.size() < maxFields) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i >= line.size())
            break;
        size_t end = i;
        while (end < line.size() && line[end] != ' ' && line[end] != '\t')
            ++end;
        out.push_back(line.substr(i, end - i));
        i = end;
    }
    // The last field runs to the end of the line (a label may hold blanks).
    if (out.size() == maxFields && i < line.size()) {
        const std::string_view last = out.back();
        const size_t start = static_cast<size_t>(last.data() - line.data());
        out.back() = line.substr(start);
    }
    return out;
}

std::optional<double> decimal(std::string_view field)
{
    std::string text(field);
    // Audacity writes the decimal mark of the user's language.
    if (text.find('.') == std::string::npos)
        std::replace(text.begin(), text.end(), ',', '.');
    double v = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<int64_t> whole(std::string_view field)
{
    int64_t v = 0;
    const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), v);
    if (ec != std::errc() || end != field.data() + field.size())
        return std::nullopt;
    return v;
}

// "start end label" files, one entry a line: TIMIT (samples), HTK (100 ns, extra
// columns ignored) and Audacity (seconds, tab-separated, "\" lines hold a
// frequency range and are skipped).
LabelFile lineMarks(std::string_view text, LabelFormat format, double sampleRate)
{
    LabelFile f;
    f.format = format;
    double previous = 0.0;
    size_t lineNumber = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const auto problem = [&](const std::string& what) {
            return failed("line " + std::to_string(lineNumber) + ": " + what);
        };
        if (line.find_first_not_of(" \t") == std::string_view::npos)
            continue;
        if (format == LabelFormat::Audacity && line.front() == '\\')
            continue;
        if (format == LabelFormat::Htk && line.starts_with("///"))
            break;  // further alternatives of an HTK transcription: the first is drawn
        const std::vector<std::string_view> parts = fields(line, format == LabelFormat::Htk ? 4 : 3);
        // Audacity writes a label without text as "start<TAB>end<TAB>".
        if (parts.size() < (format == LabelFormat::Audacity ? 2u : 3u))
            return problem("not \"start end label\"");
        double startSeconds = 0.0, endSeconds = 0.0;
        if (format == LabelFormat::Audacity) {
            const std::optional<double> a = decimal(parts[0]), b = decimal(parts[1]);
            if (!a || !b)
                return problem("the times are not numbers in seconds");
            startSeconds = *a;
            endSeconds = *b;
        } else {
            const std::optional<int64_t> a = whole(parts[0]), b = whole(parts[1]);
            if (!a || !b)
                return problem(format == LabelFormat::Timit ? "the times are not sample numbers"
                                                            : "the times are not whole numbers of 100 ns");
            if (*a < 0 || *b < 0)
                return problem("a negative time");
            startSeconds = format == LabelFormat::Timit ? secondsOfSample(*a, sampleRate)
                                                        : static_cast<double>(*a) / kHtkUnitsPerSecond;
            endSeconds = format == LabelFormat::Timit ? secondsOfSample(*b, sampleRate)
                                                      : static_cast<double>(*b) / kHtkUnitsPerSecond;
        }
        if (startSeconds < 0.0)
            return problem("a negative time");
        if (endSeconds < startSeconds)
            return problem("it ends before it starts");
        if (startSeconds < previous)
            return problem("it starts before the line above it");
        previous = startSeconds;
        std::string label = parts.size() > 2 ? markText(parts[2]) : std::string();
        if (label.empty() && endSeconds > startSeconds)
            continue;
        f.marks.push_back({startSeconds, std::move(label)});
    }
    f.ok = true;
    return f;
}

// The labels the sequential .mix reader returns from position 0, in time order.
LabelFile mixMarks(std::string_view text, double sampleRate)
{
    LabelFile f;
    f.format = LabelFormat::Mix;
    LabelReader reader;
    reader.labelopenText(text, sampleRate);
    int pos = 0;
    while (true) {
        std::string label = reader.labelnext(&pos);
        if (reader.atEnd())
            break;
        f.marks.push_back({secondsOfSample(pos, sampleRate), std::move(label)});
    }
    // A label line without text stops the reader wherever it stands; its tick
    // belongs at its own time.
    std::stable_sort(f.marks.begin(), f.marks.end(),
                     [](const LabelMark& a, const LabelMark& b) { return a.seconds < b.seconds; });
    f.ok = true;
    return f;
}

}  // namespace

int64_t markSample(double seconds, double sampleRate) { return satInt64(seconds * sampleRate); }

double secondsOfSample(int64_t sample, double sampleRate)
{
    if (!(sampleRate > 0.0) || !std::isfinite(sampleRate))
        return 0.0;
    double s = static_cast<double>(sample) / sampleRate;
    for (int i = 0; i < 4 && markSample(s, sampleRate) < sample; ++i)
        s = std::nextafter(s, std::numeric_limits<double>::infinity());
    for (int i = 0; i < 4 && markSample(s, sampleRate) > sample; ++i)
        s = std::nextafter(s, -std::numeric_limits<double>::infinity());
    return s;
}

std::string labelFormatName(LabelFormat format)
{
    switch (format) {
    case LabelFormat::TextGrid: return "TextGrid";
    case LabelFormat::Timit: return "TIMIT";
    case LabelFormat::Htk: return "HTK";
    case LabelFormat::Audacity: return "Audacity labels";
    case LabelFormat::Mix: break;
    }
    return ".mix";
}

std::string tierList(const std::vector<std::string>& tiers)
{
    std::string list;
    for (size_t i = 0; i < tiers.size(); ++i)
        list += (i ? ", " : "") + std::to_string(i + 1) + " \"" + tiers[i] + "\"";
    return list;
}

namespace {

LabelFile readDecoded(std::string_view bytes, const std::string& fileName, double sampleRate, const std::string& tier)
{
    std::string decoded;
    std::string_view text = bytes;
    const auto startsWith = [&bytes](std::initializer_list<uint8_t> bom) {
        return bytes.size() >= bom.size() && std::equal(bom.begin(), bom.end(), bytes.begin(),
                                                        [](uint8_t b, char c) { return b == static_cast<uint8_t>(c); });
    };
    if (startsWith({0xEF, 0xBB, 0xBF})) {
        text.remove_prefix(3);
    } else if (startsWith({0xFE, 0xFF}) || startsWith({0xFF, 0xFE})) {
        std::string reason;
        const std::optional<std::string> utf8 = utf16ToUtf8(bytes.substr(2), bytes[0] == '\xFE', reason);
        if (!utf8)
            return failed(reason);
        decoded = *utf8;
        text = decoded;
    }

    const std::string ext = lowerExtension(fileName);
    LabelFormat format;
    if (looksLikePraatFile(text) || ext == ".textgrid")
        format = LabelFormat::TextGrid;
    else if (ext == ".phn" || ext == ".wrd")
        format = LabelFormat::Timit;
    else if (ext == ".lab" || ext == ".rec")
        format = LabelFormat::Htk;
    else if (ext == ".txt")
        format = LabelFormat::Audacity;
    else if (ext == ".mix")
        format = LabelFormat::Mix;
    else
        return failed(
            "not a label file this program reads: the name ends in none of .TextGrid, .phn, .wrd, "
            ".lab, .rec, .txt, .mix");

    if (format != LabelFormat::TextGrid && !tier.empty()) {
        LabelFile f = failed("no tier \"" + tier + "\": a " + labelFormatName(format) + " file has no tiers");
        f.unknownTier = true;
        f.format = format;
        return f;
    }
    switch (format) {
    case LabelFormat::TextGrid: return textGridMarks(text, tier);
    case LabelFormat::Mix: return mixMarks(text, sampleRate);
    default: return lineMarks(text, format, sampleRate);
    }
}

}  // namespace

LabelFile readLabelText(std::string_view bytes, const std::string& fileName, double sampleRate, const std::string& tier)
{
    LabelFile f = readDecoded(bytes, fileName, sampleRate, tier);
    // The reason is one line, whatever tier names or texts it quotes.
    for (char& c : f.reason)
        if (static_cast<uint8_t>(c) < 0x20)
            c = ' ';
    return f;
}

LabelFile readLabelFile(const std::string& fileName, double sampleRate, const std::string& tier)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(fileName, ec);
    if (ec)
        return failed(ec.message());
    if (size > kMaxLabelFileBytes)
        return failed("too large for a label file (" + std::to_string(size >> 20) + " MiB)");
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        return failed(std::strerror(errno));
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad())
        return failed("cannot be read");
    LabelFile f = readLabelText(bytes, fileName, sampleRate, tier);
    f.opened = true;
    return f;
}

}  // namespace kelvox
