#include "parse_number.h"

#include <cmath>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <vector>

namespace kelvox {

double parseNumber(std::string_view text)
{
    double value = 0.0;
    double divisor = 0.0;
    bool negative = false;
    for (char ch : text) {
        if (ch == ',' || ch == '.') {
            divisor = 10.0;
        } else if (ch == '-') {
            negative = true;
        } else if (ch >= '0' && ch <= '9') {
            const double d = ch - '0';
            if (divisor == 0.0) {
                value = value * 10.0 + d;
            } else {
                value += d / divisor;
                divisor *= 10.0;
            }
        } else if (std::trunc(value) != 0.0 || divisor != 0.0 || negative) {
            break;
        }
        // Otherwise the character is skipped: leading blanks, letters, and anything
        // between leading zeros and the next digit.
    }
    return negative ? -value : value;
}

bool isPlainNumber(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    std::size_t i = 0, end = text.size();
    while (i < end && blank(text[i]))
        ++i;
    while (end > i && blank(text[end - 1]))
        --end;
    if (i < end && text[i] == '-')
        ++i;
    bool digit = false, mark = false;
    for (; i < end; ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if ((c == '.' || c == ',') && !mark) {
            mark = true;
        } else {
            return false;
        }
    }
    return digit;
}

std::string plainNumberText(double value)
{
    if (!std::isfinite(value))
        return {};
    if (value == 0.0)
        return "0";
    // Below 1e15 ten decimals say everything a double holds; above, the integer.
    std::string text = std::fabs(value) < 1e15 ? format("%.10f", value) : format("%.0f", value);
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
    }
    return text == "-0" ? "0" : text;
}

std::string headerValue(std::span<const uint8_t> bytes, std::size_t bound, std::string_view key)
{
    if (bound > bytes.size())
        bound = bytes.size();
    auto isEol = [](uint8_t c) { return c == '\r' || c == '\n'; };
    std::size_t i = 0;
    while (i < bound) {
        const std::size_t keyEnd = i + key.size();
        if (keyEnd < bound && bytes[keyEnd] == '=' &&
            std::equal(key.begin(), key.end(), bytes.begin() + static_cast<std::ptrdiff_t>(i),
                       [](char k, uint8_t b) { return static_cast<uint8_t>(k) == b; })) {
            std::size_t j = keyEnd + 1;
            std::string value;
            while (j < bound && !isEol(bytes[j]))
                value.push_back(static_cast<char>(bytes[j++]));
            return value;
        }
        while (i < bound && !isEol(bytes[i]))
            ++i;
        ++i;  // past the CR or LF
        if (i < bound && isEol(bytes[i]))
            ++i;  // a CR LF pair, or an empty line, in one step
    }
    return {};
}

std::string format(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(out.data(), out.size(), fmt, args);
        out.resize(static_cast<std::size_t>(n));
    }
    va_end(args);
    return out;
}

void trimleft(std::string& text)
{
    size_t first = 0;
    while (first < text.size() && static_cast<int8_t>(text[first]) <= 32)
        ++first;
    text.erase(0, first);
}

std::string tickLabel(double value, double step)
{
    const char* fmt = step >= 0.1 ? "%5.1f" : step >= 0.01 ? "%6.2f" : step >= 0.001 ? "%7.3f" : "%8.4f";
    std::string text = format(fmt, value);
    trimleft(text);
    return text;
}

}  // namespace kelvox
