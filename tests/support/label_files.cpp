#include "label_files.h"

#include <cstdio>
#include <fstream>

namespace kelvox::test {

namespace {

// Praat writes times with up to 17 significant digits and no trailing zeros.
std::string number(double v)
{
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.17g", v);
    return buffer;
}

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

}  // namespace

std::string longTextGrid(const std::vector<GridTier>& tiers, double xmax)
{
    std::string s = "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n\n";
    s += "xmin = 0 \nxmax = " + number(xmax) + " \ntiers? <exists> \nsize = " + std::to_string(tiers.size()) +
         " \nitem []: \n";
    for (size_t t = 0; t < tiers.size(); ++t) {
        const GridTier& tier = tiers[t];
        s += "    item [" + std::to_string(t + 1) + "]:\n";
        s += std::string("        class = \"") + (tier.points ? "TextTier" : "IntervalTier") + "\" \n";
        s += "        name = " + quoted(tier.name) + " \n";
        s += "        xmin = 0 \n        xmax = " + number(xmax) + " \n";
        const std::string kind = tier.points ? "points" : "intervals";
        s += "        " + kind + ": size = " + std::to_string(tier.entries.size()) + " \n";
        for (size_t i = 0; i < tier.entries.size(); ++i) {
            const GridTier::Entry& e = tier.entries[i];
            s += "        " + kind + " [" + std::to_string(i + 1) + "]:\n";
            if (tier.points) {
                s += "            number = " + number(e.start) + " \n";
                s += "            mark = " + quoted(e.text) + " \n";
            } else {
                s += "            xmin = " + number(e.start) + " \n";
                s += "            xmax = " + number(e.end) + " \n";
                s += "            text = " + quoted(e.text) + " \n";
            }
        }
    }
    return s;
}

std::string shortTextGrid(const std::vector<GridTier>& tiers, double xmax)
{
    std::string s = "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n\n";
    s += "0\n" + number(xmax) + "\n<exists>\n" + std::to_string(tiers.size()) + "\n";
    for (const GridTier& tier : tiers) {
        s += std::string(tier.points ? "\"TextTier\"" : "\"IntervalTier\"") + "\n" + quoted(tier.name) + "\n";
        s += "0\n" + number(xmax) + "\n" + std::to_string(tier.entries.size()) + "\n";
        for (const GridTier::Entry& e : tier.entries) {
            s += number(e.start) + "\n";
            if (!tier.points)
                s += number(e.end) + "\n";
            s += quoted(e.text) + "\n";
        }
    }
    return s;
}

std::string utf16(const std::string& utf8, bool bigEndian)
{
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    const auto put = [&](unsigned unit) {
        const char hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit & 0xFF);
        out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    };
    for (size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        const size_t n = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        unsigned cp = n == 1 ? b : b & (0xFF >> (n + 1));
        for (size_t k = 1; k < n && i + k < utf8.size(); ++k)
            cp = cp << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += n;
        if (cp >= 0x10000) {
            put(0xD800 + ((cp - 0x10000) >> 10));
            put(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            put(cp);
        }
    }
    return out;
}

std::string crlf(const std::string& text)
{
    std::string out;
    for (char c : text)
        out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

}  // namespace kelvox::test
