#include "jbig2_generic.h"

#include <array>
#include <cstring>

namespace kelvox {

namespace {

// One state of the MQ coder's probability estimation (T.88 table E.1): the LPS
// probability, the next state after an MPS and after an LPS, and whether an LPS
// swaps the meaning of MPS and LPS.
struct QeState {
    uint16_t qe;
    uint8_t nextMps, nextLps, swap;
};

constexpr std::array<QeState, 47> kQe = {{
    {0x5601, 1, 1, 1},   {0x3401, 2, 6, 0},   {0x1801, 3, 9, 0},   {0x0AC1, 4, 12, 0},  {0x0521, 5, 29, 0},
    {0x0221, 38, 33, 0}, {0x5601, 7, 6, 1},   {0x5401, 8, 14, 0},  {0x4801, 9, 14, 0},  {0x3801, 10, 14, 0},
    {0x3001, 11, 17, 0}, {0x2401, 12, 18, 0}, {0x1C01, 13, 20, 0}, {0x1601, 29, 21, 0}, {0x5601, 15, 14, 1},
    {0x5401, 16, 14, 0}, {0x5101, 17, 15, 0}, {0x4801, 18, 16, 0}, {0x3801, 19, 17, 0}, {0x3401, 20, 18, 0},
    {0x3001, 21, 19, 0}, {0x2801, 22, 19, 0}, {0x2401, 23, 20, 0}, {0x2201, 24, 21, 0}, {0x1C01, 25, 22, 0},
    {0x1801, 26, 23, 0}, {0x1601, 27, 24, 0}, {0x1401, 28, 25, 0}, {0x1201, 29, 26, 0}, {0x1101, 30, 27, 0},
    {0x0AC1, 31, 28, 0}, {0x09C1, 32, 29, 0}, {0x08A1, 33, 30, 0}, {0x0521, 34, 31, 0}, {0x0441, 35, 32, 0},
    {0x02A1, 36, 33, 0}, {0x0221, 37, 34, 0}, {0x0141, 38, 35, 0}, {0x0111, 39, 36, 0}, {0x0085, 40, 37, 0},
    {0x0049, 41, 38, 0}, {0x0025, 42, 39, 0}, {0x0015, 43, 40, 0}, {0x0009, 44, 41, 0}, {0x0005, 45, 42, 0},
    {0x0001, 45, 43, 0}, {0x5601, 46, 46, 0},
}};

// The MQ arithmetic encoder of T.88 annex E.2 (INITENC, ENCODE, RENORME, BYTEOUT,
// FLUSH), writing to `out`.
class MqEncoder {
public:
    explicit MqEncoder(std::vector<uint8_t>& out) : m_out(out) {}

    // Codes `bit` in a context whose state (probability index, MPS) is `index`, `mps`.
    void encode(int bit, uint8_t& index, uint8_t& mps)
    {
        const QeState& q = kQe[index];
        m_a -= q.qe;
        if (bit == mps) {
            if (m_a & 0x8000) {
                m_c += q.qe;
                return;
            }
            // Conditional exchange: the larger interval goes to the MPS.
            if (m_a < q.qe)
                m_a = q.qe;
            else
                m_c += q.qe;
            index = q.nextMps;
        } else {
            if (m_a < q.qe)
                m_c += q.qe;
            else
                m_a = q.qe;
            if (q.swap)
                mps ^= 1;
            index = q.nextLps;
        }
        do {
            m_a <<= 1;
            m_c <<= 1;
            if (--m_ct == 0)
                byteOut();
        } while ((m_a & 0x8000) == 0);
    }

    // Ends the code: the shortest tail that decodes to the coded interval, the last
    // byte, and the 0xFF 0xAC marker.
    void flush()
    {
        const uint32_t top = m_c + m_a;
        m_c |= 0xFFFF;
        if (m_c >= top)
            m_c -= 0x8000;
        m_c <<= m_ct;
        byteOut();
        m_c <<= m_ct;
        byteOut();
        m_out.push_back(m_b);
        if (m_b != 0xFF)
            m_out.push_back(0xFF);
        m_out.push_back(0xAC);
    }

private:
    // Moves the next byte of C into B; the byte before goes out. A carry into B is
    // taken up here, and after a 0xFF byte only seven bits follow (bit stuffing).
    void byteOut()
    {
        if (m_b != 0xFF && m_c >= 0x8000000) {
            ++m_b;
            if (m_b == 0xFF)
                m_c &= 0x7FFFFFF;
        }
        if (m_started)
            m_out.push_back(m_b);
        m_started = true;
        if (m_b == 0xFF) {
            m_b = static_cast<uint8_t>(m_c >> 20);
            m_c &= 0xFFFFF;
            m_ct = 7;
        } else {
            m_b = static_cast<uint8_t>(m_c >> 19);
            m_c &= 0x7FFFF;
            m_ct = 8;
        }
    }

    std::vector<uint8_t>& m_out;
    uint32_t m_a = 0x8000, m_c = 0;
    int m_ct = 12;
    uint8_t m_b = 0;         // the byte before the code at first (never written)
    bool m_started = false;  // B holds a byte of the code
};

void put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(v >> shift));
}

// A segment header (T.88 7.2): number, type, no referred-to segments, page 1, and
// the length of the data that follows.
void segmentHeader(std::vector<uint8_t>& out, uint32_t number, uint8_t type, uint32_t dataLength)
{
    put32(out, number);
    out.push_back(type);  // page association in one byte, not deferred
    out.push_back(0x00);  // no referred-to segments
    out.push_back(0x01);  // page 1
    put32(out, dataLength);
}

constexpr uint8_t kPageInformation = 48;
constexpr uint8_t kImmediateGenericRegion = 38;

}  // namespace

std::vector<uint8_t> jbig2GenericRegion(const BilevelImage& image)
{
    std::vector<uint8_t> out;
    MqEncoder coder(out);
    std::vector<uint8_t> index(1 << 16, 0), mps(1 << 16, 0);
    const int w = image.width;
    // Rows with 4 bytes of white after them, so the context may look 3 pixels
    // beyond the right edge; above the image, white rows.
    const std::size_t padded = static_cast<std::size_t>((w + 7) / 8) + 4;
    std::vector<uint8_t> rows(3 * padded, 0);
    uint8_t* row2 = rows.data();    // y − 2
    uint8_t* row1 = row2 + padded;  // y − 1
    uint8_t* row0 = row1 + padded;  // y
    const auto pixel = [](const uint8_t* row, int x) { return (row[x >> 3] >> (7 - (x & 7))) & 1; };
    for (int y = 0; y < image.height; ++y) {
        std::memcpy(row0, image.bits + y * image.bytesPerLine, padded - 4);
        // Pixels past the width in the last byte are white.
        if (w % 8 != 0)
            row0[w / 8] &= static_cast<uint8_t>(0xFF << (8 - w % 8));
        // The context of pixel x (T.88 6.2.5.3, template 0): bits 0–3 the row's
        // pixels x − 1 … x − 4, bits 4–10 row y − 1 from x + 3 down to x − 3 (its ends
        // the adaptive pixels A1, A2), bits 11–15 row y − 2 from x + 2 down to x − 2
        // (its ends A3, A4). Each row's pixels enter their register at bit 0.
        uint32_t r0 = 0;
        uint32_t r1 = static_cast<uint32_t>((pixel(row1, 0) << 2) | (pixel(row1, 1) << 1) | pixel(row1, 2));
        uint32_t r2 = static_cast<uint32_t>((pixel(row2, 0) << 1) | pixel(row2, 1));
        for (int x = 0; x < w; ++x) {
            r1 = (r1 << 1) | static_cast<uint32_t>(pixel(row1, x + 3));
            r2 = (r2 << 1) | static_cast<uint32_t>(pixel(row2, x + 2));
            const uint32_t context = (r0 & 0xF) | ((r1 & 0x7F) << 4) | ((r2 & 0x1F) << 11);
            const int bit = pixel(row0, x);
            coder.encode(bit, index[context], mps[context]);
            r0 = (r0 << 1) | static_cast<uint32_t>(bit);
        }
        // The rows move up by one: y becomes y − 1, y − 1 becomes y − 2.
        uint8_t* oldest = row2;
        row2 = row1;
        row1 = row0;
        row0 = oldest;
    }
    coder.flush();
    return out;
}

std::vector<uint8_t> jbig2EmbeddedPage(const BilevelImage& image, int dotsPerMetre)
{
    const std::vector<uint8_t> coded = jbig2GenericRegion(image);
    const auto width = static_cast<uint32_t>(image.width), height = static_cast<uint32_t>(image.height);
    const auto resolution = static_cast<uint32_t>(dotsPerMetre > 0 ? dotsPerMetre : 0);
    std::vector<uint8_t> out;
    out.reserve(coded.size() + 64);

    // Page information (7.4.8): size, resolution, flags (eventually lossless, white
    // default pixels, OR), no striping.
    segmentHeader(out, 0, kPageInformation, 19);
    put32(out, width);
    put32(out, height);
    put32(out, resolution);
    put32(out, resolution);
    out.push_back(0x01);
    out.push_back(0x00);
    out.push_back(0x00);

    // Immediate generic region (7.4.6): region information (size, at 0, 0, OR),
    // template 0 by arithmetic coding without typical prediction, the nominal
    // adaptive pixels, then the coded data.
    constexpr int8_t adaptive[8] = {3, -1, -3, -1, 2, -2, -2, -2};
    segmentHeader(out, 1, kImmediateGenericRegion, static_cast<uint32_t>(17 + 1 + 8 + coded.size()));
    put32(out, width);
    put32(out, height);
    put32(out, 0);
    put32(out, 0);
    out.push_back(0x00);
    out.push_back(0x00);
    for (int8_t a : adaptive)
        out.push_back(static_cast<uint8_t>(a));
    out.insert(out.end(), coded.begin(), coded.end());
    return out;
}

}  // namespace kelvox
