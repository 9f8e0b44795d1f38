#include "label_file.h"

#include "numeric.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>

namespace kelvox {

std::string labelFileName(const std::string& soundFileName)
{
    const size_t slash = soundFileName.rfind('/');
    const size_t componentStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = soundFileName.rfind('.');
    if (dot == std::string::npos || dot < componentStart)
        return soundFileName + ".mix";
    return soundFileName.substr(0, dot) + ".mix";
}

int LabelReader::labelopen(const std::string& fileName, double sampleRate)
{
    labelclose();
    m_sampleRate = sampleRate;
    m_atEnd = false;
    if (fileName.empty())
        return 0;
    // Binary: lines end at LF, and the CR of a CR LF file ends a label like a blank.
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        return 0;
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad())
        return 0;
    return labelopenText(text, sampleRate);
}

int LabelReader::labelopenText(std::string_view bytes, double sampleRate)
{
    labelclose();
    m_sampleRate = sampleRate;
    m_atEnd = false;
    m_text.assign(bytes);
    m_next = 0;
    m_open = true;
    return 1;
}

void LabelReader::labelclose()
{
    m_open = false;
    m_text.clear();
    m_text.shrink_to_fit();
    m_next = 0;
}

bool LabelReader::readLine()
{
    m_line.clear();
    if (m_next >= m_text.size())
        return false;
    size_t end = m_text.find('\n', m_next);
    if (end == std::string::npos)
        end = m_text.size();
    m_line.assign(m_text, m_next, std::min(end - m_next, kParsedLineLength));
    m_next = end + 1;
    return true;
}

std::string LabelReader::labelnext(int* pos)
{
    const int wanted = *pos;
    int position = 0;
    std::string label;
    while (true) {
        bool found = false;
        while (m_open && !m_atEnd && !found) {
            if (!readLine())
                m_atEnd = true;
            else
                found = m_line.size() >= 2 && m_line[0] == 'F' && m_line[1] == 'R';
        }
        if (!found) {
            m_atEnd = true;
            position = 0;
            label.clear();
            break;
        }

        const auto byteAt = [this](size_t i) { return static_cast<uint8_t>(m_line[i]); };
        const auto isDigit = [&](size_t i) { return byteAt(i) >= '0' && byteAt(i) <= '9'; };

        // Position: the first run of digits after "FR", optionally with a fraction.
        size_t i = 2;
        while (i < m_line.size() && !isDigit(i))
            ++i;
        double whole = 0.0;
        for (; i < m_line.size() && isDigit(i); ++i)
            whole = whole * 10.0 + (byteAt(i) - '0');
        bool inSeconds = false;
        float fraction = 0.0f;
        if (i < m_line.size() && (m_line[i] == '.' || m_line[i] == ',')) {
            inSeconds = true;
            float scale = 0.1f;
            for (++i; i < m_line.size() && isDigit(i); ++i) {
                fraction += scale * static_cast<float>(byteAt(i) - '0');
                scale = static_cast<float>(scale * 0.1);
            }
        }
        if (inSeconds) {
            const float seconds = static_cast<float>(whole) + fraction;
            position = satInt(static_cast<double>(seconds) * m_sampleRate);
        } else {
            position = satInt(whole);
        }

        // Label: from the third character, the first run that starts at a code of 65
        // ('A') or more and ends before a code of 32 or less.
        size_t start = 2;
        while (start < m_line.size() && byteAt(start) < 65)
            ++start;
        size_t end = start;
        while (end < m_line.size() && byteAt(end) > 32 && end - start < kMaxLabelLength)
            ++end;
        label.assign(m_line, start < m_line.size() ? start : m_line.size(), end - start);

        if (position >= wanted || label.empty())
            break;
    }
    *pos = position;
    return label;
}

}  // namespace kelvox
