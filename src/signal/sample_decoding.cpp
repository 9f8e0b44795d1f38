#include "sample_decoding.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kelvox {

namespace {

uint64_t loadUnsigned(const uint8_t* p, int width, bool bigEndian)
{
    uint64_t u = 0;
    for (int k = 0; k < width; ++k)
        u = (u << 8) | p[bigEndian ? k : width - 1 - k];
    return u;
}

void store16(uint8_t* p, int16_t v)
{
    const auto u = static_cast<uint16_t>(v);
    p[0] = static_cast<uint8_t>(u & 0xFF);
    p[1] = static_cast<uint8_t>(u >> 8);
}

// Converts samples of `width` ≥ 3 bytes to 16 bits in place, front to back: sample i
// is read before its 2 bytes are written at head + 2i, which never reaches a later
// sample (head ≤ start + 1).
template <typename Decode>
void narrow(std::vector<uint8_t>& b, std::size_t start, std::size_t head, std::size_t n, int width, Decode decode)
{
    const auto w = static_cast<std::size_t>(width);
    uint8_t* d = b.data();
    for (std::size_t i = 0; i < n; ++i)
        store16(d + head + 2 * i, decode(d + start + i * w));
    b.resize(head + 2 * n);
}

// Expands 1-byte samples to 16 bits in place, back to front: sample i is written
// at head + 2i ≥ start + 2i, past every earlier sample still to be read.
template <typename Decode>
void widen(std::vector<uint8_t>& b, std::size_t start, std::size_t head, std::size_t n, Decode decode)
{
    b.resize(head + 2 * n);
    uint8_t* d = b.data();
    for (std::size_t i = n; i-- > 0;)
        store16(d + head + 2 * i, decode(d[start + i]));
}

}  // namespace

int sampleWidth(SampleEncoding encoding)
{
    switch (encoding) {
    case SampleEncoding::Unsigned8:
    case SampleEncoding::Signed8:
    case SampleEncoding::Alaw:
    case SampleEncoding::Mulaw: return 1;
    case SampleEncoding::Signed16: return 2;
    case SampleEncoding::Signed24: return 3;
    case SampleEncoding::Signed32:
    case SampleEncoding::Float32: return 4;
    case SampleEncoding::Float64: return 8;
    }
    return 2;
}

int64_t availableSamples(uint64_t declaredBytes, uint64_t presentBytes, int width, int channels)
{
    const uint64_t bytes = std::min(declaredBytes, presentBytes);
    int64_t samples = static_cast<int64_t>(bytes / static_cast<uint64_t>(width));
    if (declaredBytes > presentBytes)
        samples -= samples % channels;
    return samples;
}

void decodeSamples(std::vector<uint8_t>& b, std::size_t start, int64_t count, SampleFormat format, SampleLayout& layout)
{
    const auto n = static_cast<std::size_t>(count);
    layout.sampleCount = static_cast<int32_t>(count);
    switch (format.encoding) {
    case SampleEncoding::Unsigned8:
    case SampleEncoding::Signed8:
        layout.bytesPerSample = 1;
        layout.dataOffset = static_cast<int32_t>(start);
        layout.signFlip = format.encoding == SampleEncoding::Unsigned8;
        return;
    case SampleEncoding::Signed16:
        if (start % 2 != 0) {
            // A word index cannot point at an odd byte: move the samples down by one.
            std::memmove(b.data() + start - 1, b.data() + start, n * 2);  // n may be 0 at the end
            --start;
        }
        layout.bytesPerSample = 2;
        layout.dataOffset = static_cast<int32_t>(start / 2);
        layout.byteSwap = format.bigEndian;
        return;
    default: break;
    }

    // Converted samples start at the first even byte from `start` on.
    const std::size_t head = (start + 1) & ~std::size_t{1};
    const bool big = format.bigEndian;
    switch (format.encoding) {
    case SampleEncoding::Signed24:
    case SampleEncoding::Signed32: {
        // The 16 most significant valid bits: the top two bytes of the container,
        // or the two below the sign-extension byte when the bits are low-justified.
        const int width = sampleWidth(format.encoding);
        const int skip = format.lowJustified ? 1 : 0;
        const int hi = big ? skip : width - 1 - skip;
        const int lo = big ? skip + 1 : width - 2 - skip;
        narrow(b, start, head, n, width, [hi, lo](const uint8_t* p) {
            return static_cast<int16_t>(static_cast<uint16_t>((p[hi] << 8) | p[lo]));
        });
        break;
    }
    case SampleEncoding::Float32:
        narrow(b, start, head, n, 4, [big](const uint8_t* p) {
            const auto u = static_cast<uint32_t>(loadUnsigned(p, 4, big));
            float v;
            std::memcpy(&v, &u, 4);
            return floatTo16(v);
        });
        break;
    case SampleEncoding::Float64:
        narrow(b, start, head, n, 8, [big](const uint8_t* p) {
            const uint64_t u = loadUnsigned(p, 8, big);
            double v;
            std::memcpy(&v, &u, 8);
            return floatTo16(v);
        });
        break;
    case SampleEncoding::Alaw: widen(b, start, head, n, alawToLinear); break;
    default: widen(b, start, head, n, mulawToLinear); break;
    }
    layout.bytesPerSample = 2;
    layout.dataOffset = static_cast<int32_t>(head / 2);
}

int16_t floatTo16(double v)
{
    if (std::isnan(v))
        return 0;
    const double scaled = std::clamp(v * 32767.0, -32768.0, 32767.0);
    return static_cast<int16_t>(std::lrint(scaled));
}

int16_t mulawToLinear(uint8_t u)
{
    u = static_cast<uint8_t>(~u);
    const int exponent = (u >> 4) & 0x07;
    const int mantissa = u & 0x0F;
    const int magnitude = (((mantissa << 3) + 0x84) << exponent) - 0x84;
    return static_cast<int16_t>((u & 0x80) ? -magnitude : magnitude);
}

int16_t alawToLinear(uint8_t a)
{
    a ^= 0x55;
    int t = (a & 0x0F) << 4;
    const int segment = (a & 0x70) >> 4;
    if (segment == 0)
        t += 8;
    else
        t = (t + 0x108) << (segment - 1);
    return static_cast<int16_t>((a & 0x80) ? t : -t);
}

}  // namespace kelvox
