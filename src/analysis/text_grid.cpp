#include "text_grid.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>

namespace kelvox {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

bool startsNumber(char c) { return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.'; }

// Reads the values of a Praat text file in order. Like Praat, it skips the words
// between them ("xmin", "=", "intervals:", "[1]:"), so that the long and the short
// form read the same; a '!' starts a comment that runs to the end of the line.
class TokenReader {
public:
    explicit TokenReader(std::string_view text) : m_text(text) {}

    std::optional<double> number(const std::string& what)
    {
        if (!seek(Kind::Number, what))
            return std::nullopt;
        const size_t start = m_pos;
        skipWord();
        std::string_view word = m_text.substr(start, m_pos - start);
        if (!word.empty() && word.front() == '+')
            word.remove_prefix(1);
        double v = 0.0;
        const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), v);
        if (ec != std::errc() || end != word.data() + word.size() || !std::isfinite(v)) {
            fail(what + " is not a number: \"" + std::string(word.substr(0, 20)) + "\"");
            return std::nullopt;
        }
        return v;
    }

    // A count: a whole number from 0 that the rest of the text can hold with at
    // least `bytesEach` bytes per item.
    std::optional<int64_t> count(const std::string& what, size_t bytesEach)
    {
        const std::optional<double> v = number(what);
        if (!v)
            return std::nullopt;
        const double limit = static_cast<double>(m_text.size() - m_pos) / static_cast<double>(bytesEach);
        if (*v < 0 || *v != std::floor(*v) || *v > limit) {
            fail(what + " is not a count the file can hold: " + std::to_string(*v));
            return std::nullopt;
        }
        return static_cast<int64_t>(*v);
    }

    std::optional<std::string> text(const std::string& what)
    {
        if (!seek(Kind::Text, what))
            return std::nullopt;
        std::string out;
        const size_t openedAtLine = m_line;
        for (++m_pos; m_pos < m_text.size(); ++m_pos) {
            const char c = m_text[m_pos];
            if (c == '\n')
                ++m_line;
            if (c != '"') {
                out.push_back(c);
                continue;
            }
            // "" inside a text is one quote.
            if (m_pos + 1 < m_text.size() && m_text[m_pos + 1] == '"') {
                out.push_back('"');
                ++m_pos;
                continue;
            }
            ++m_pos;
            return out;
        }
        m_line = openedAtLine;
        fail(what + ": the text ends inside it");
        return std::nullopt;
    }

    // "<exists>" or "<absent>".
    std::optional<std::string> flag(const std::string& what)
    {
        if (!seek(Kind::Flag, what))
            return std::nullopt;
        const size_t start = m_pos;
        skipWord();
        return std::string(m_text.substr(start, m_pos - start));
    }

    void fail(const std::string& problem)
    {
        if (m_reason.empty())
            m_reason = "line " + std::to_string(m_line) + ": " + problem;
    }
    const std::string& reason() const { return m_reason; }

private:
    enum class Kind { Number, Text, Flag };

    void skipWord()
    {
        while (m_pos < m_text.size() && !isBlank(m_text[m_pos]))
            ++m_pos;
    }

    // Moves to the start of the next value of `kind`, skipping blanks, comments
    // and other words; false (with a reason) at the end of the text or at a value
    // of another kind.
    bool seek(Kind kind, const std::string& what)
    {
        while (true) {
            while (m_pos < m_text.size() && isBlank(m_text[m_pos])) {
                if (m_text[m_pos] == '\n')
                    ++m_line;
                ++m_pos;
            }
            if (m_pos >= m_text.size()) {
                fail("the text ends before " + what);
                return false;
            }
            const char c = m_text[m_pos];
            const Kind found = c == '"' ? Kind::Text : c == '<' ? Kind::Flag : startsNumber(c) ? Kind::Number : kind;
            if (c == '!') {
                while (m_pos < m_text.size() && m_text[m_pos] != '\n')
                    ++m_pos;
                continue;
            }
            if (found != kind) {
                const char* names[] = {"a number", "a text", "a flag"};
                fail("found " + std::string(names[static_cast<int>(found)]) + " where " + what + " belongs");
                return false;
            }
            if (c == '"' || c == '<' || startsNumber(c))
                return true;
            skipWord();
        }
    }

    std::string_view m_text;
    size_t m_pos = 0;
    size_t m_line = 1;
    std::string m_reason;
};

// The smallest number of bytes an entry takes ("0 0 \"\"" and a blank),
// so that a count larger than the rest of the file can hold is refused before
// anything is allocated for it.
constexpr size_t kMinIntervalBytes = 6;
constexpr size_t kMinPointBytes = 4;
constexpr size_t kMinTierBytes = 16;

bool readTier(TokenReader& in, int number, TextGridTier& tier)
{
    const std::string where = "tier " + std::to_string(number);
    const std::optional<std::string> kind = in.text(where + "'s class");
    if (!kind)
        return false;
    if (*kind != "IntervalTier" && *kind != "TextTier") {
        in.fail(where + " is a \"" + kind->substr(0, 40) + "\", not an IntervalTier or a TextTier");
        return false;
    }
    tier.points = *kind == "TextTier";
    const std::optional<std::string> name = in.text(where + "'s name");
    const std::optional<double> xmin = name ? in.number(where + "'s xmin") : std::nullopt;
    const std::optional<double> xmax = xmin ? in.number(where + "'s xmax") : std::nullopt;
    const std::optional<int64_t> count =
        xmax ? in.count(where + "'s size", tier.points ? kMinPointBytes : kMinIntervalBytes) : std::nullopt;
    if (!count)
        return false;
    tier.name = *name;
    double previous = 0.0;
    for (int64_t i = 1; i <= *count; ++i) {
        const std::string entry = where + (tier.points ? ", point " : ", interval ") + std::to_string(i);
        TextGridEntry e;
        const std::optional<double> start = in.number(entry + (tier.points ? "'s time" : "'s xmin"));
        if (!start)
            return false;
        e.start = e.end = *start;
        if (!tier.points) {
            const std::optional<double> end = in.number(entry + "'s xmax");
            if (!end)
                return false;
            e.end = *end;
        }
        const std::optional<std::string> text = in.text(entry + (tier.points ? "'s mark" : "'s text"));
        if (!text)
            return false;
        if (e.start < 0.0) {
            in.fail(entry + " starts at a negative time");
            return false;
        }
        if (e.end < e.start) {
            in.fail(entry + " ends before it starts");
            return false;
        }
        if (e.start < previous) {
            in.fail(entry + " comes before the one above it");
            return false;
        }
        previous = e.start;
        e.text = *text;
        tier.entries.push_back(std::move(e));
    }
    return true;
}

}  // namespace

bool looksLikePraatFile(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    text.remove_prefix(i);
    return text.starts_with("File type = \"ooTextFile") || text.starts_with("File type = \"ooBinaryFile") ||
           text.starts_with("ooBinaryFile");
}

TextGrid parseTextGrid(std::string_view text)
{
    TextGrid grid;
    if (text.starts_with("ooBinaryFile")) {
        grid.reason = "a binary Praat file: save the TextGrid from Praat as a text file";
        return grid;
    }
    TokenReader in(text);
    const std::optional<std::string> type = in.text("the file type");
    if (type && type->rfind("ooTextFile", 0) != 0) {
        grid.reason = "not a Praat text file (file type \"" + type->substr(0, 40) + "\")";
        return grid;
    }
    const std::optional<std::string> objectClass = type ? in.text("the object class") : std::nullopt;
    if (objectClass && *objectClass != "TextGrid") {
        grid.reason = "a Praat " + objectClass->substr(0, 40) + ", not a TextGrid";
        return grid;
    }
    const std::optional<double> xmin = objectClass ? in.number("the TextGrid's xmin") : std::nullopt;
    const std::optional<double> xmax = xmin ? in.number("the TextGrid's xmax") : std::nullopt;
    const std::optional<std::string> tiers = xmax ? in.flag("the tiers flag") : std::nullopt;
    if (!tiers) {
        grid.reason = in.reason();
        return grid;
    }
    if (*tiers != "<absent>") {
        const std::optional<int64_t> size = in.count("the number of tiers", kMinTierBytes);
        for (int64_t t = 1; size && t <= *size; ++t) {
            TextGridTier tier;
            if (!readTier(in, static_cast<int>(t), tier)) {
                grid.reason = in.reason();
                grid.tiers.clear();
                return grid;
            }
            grid.tiers.push_back(std::move(tier));
        }
        if (!size) {
            grid.reason = in.reason();
            return grid;
        }
    }
    grid.ok = true;
    return grid;
}

}  // namespace kelvox
