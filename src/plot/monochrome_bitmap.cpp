#include "monochrome_bitmap.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kelvox {

namespace {

// Each byte with its bits in reverse order: bit i of a pixel mask (pixel i of
// eight) becomes bit 7 − i, the most significant bit first as the bitmap has it.
constexpr std::array<uchar, 256> reversedBytes()
{
    std::array<uchar, 256> table{};
    for (int b = 0; b < 256; ++b) {
        int r = 0;
        for (int i = 0; i < 8; ++i)
            if (b & (1 << i))
                r |= 0x80 >> i;
        table[static_cast<std::size_t>(b)] = static_cast<uchar>(r);
    }
    return table;
}

// Eight pixels from `p` on as one byte of the bitmap: bit 7 − i set where pixel i
// is white (its colour bits all ones).
inline uchar whiteBits(const QRgb* p)
{
#if defined(__SSE2__)
    static constexpr std::array<uchar, 256> kReversed = reversedBytes();
    const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 4));
    const int whiteA = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(_mm_and_si128(a, colour), colour)));
    const int whiteB = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(_mm_and_si128(b, colour), colour)));
    return kReversed[static_cast<std::size_t>(whiteA | (whiteB << 4))];
#else
    const auto white = [](QRgb q) { return static_cast<uchar>((q & 0x00FFFFFFu) == 0x00FFFFFFu); };
    return static_cast<uchar>((white(p[0]) << 7) | (white(p[1]) << 6) | (white(p[2]) << 5) | (white(p[3]) << 4) |
                              (white(p[4]) << 3) | (white(p[5]) << 2) | (white(p[6]) << 1) | white(p[7]));
#endif
}

}  // namespace

void switchToMonochrome(QImage& image)
{
    if (image.format() != QImage::Format_RGB32)
        image = image.convertToFormat(QImage::Format_RGB32);
    const int w = image.width();
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            row[x] = (row[x] & 0x00FFFFFFu) == 0x00FFFFFFu ? 0xFFFFFFFFu : 0xFF000000u;
    }
}

QImage copyArea(const QImage& image, const PageRect& area)
{
    if (area.isEmpty())
        return {};
    QImage out(area.width(), area.height(), QImage::Format_RGB32);
    if (out.isNull())
        return {};
    out.fill(Qt::white);
    out.setDotsPerMeterX(image.dotsPerMeterX());
    out.setDotsPerMeterY(image.dotsPerMeterY());
    QPainter p(&out);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QPoint(-area.left, -area.top), image);
    return out;
}

QImage monochromeArea(const QImage& image, const PageRect& area)
{
    if (area.isEmpty())
        return {};
    QImage out(area.width(), area.height(), QImage::Format_Mono);
    if (out.isNull())
        return {};
    out.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    out.setDotsPerMeterX(image.dotsPerMeterX());
    out.setDotsPerMeterY(image.dotsPerMeterY());
    // All white, the row padding included (the bitmap file carries it).
    std::memset(out.bits(), 0xFF, static_cast<std::size_t>(out.sizeInBytes()));
    const QImage rgb = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
                           ? image
                           : image.convertToFormat(QImage::Format_RGB32);
    // The part of the area that lies inside the image; the rest stays white.
    const int x0 = std::max(area.left, 0), x1 = std::min(area.right, rgb.width());
    const int y0 = std::max(area.top, 0), y1 = std::min(area.bottom, rgb.height());
    if (x0 >= x1)
        return out;
    const auto white = [](QRgb p) { return static_cast<uchar>((p & 0x00FFFFFFu) == 0x00FFFFFFu); };
    for (int y = y0; y < y1; ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        uchar* dst = out.scanLine(y - area.top);
        int x = x0;
        // Single bits up to a byte boundary of the output row (most significant bit first).
        for (; x < x1 && ((x - area.left) & 7) != 0; ++x)
            if (!white(src[x]))
                dst[(x - area.left) >> 3] &= static_cast<uchar>(~(0x80u >> ((x - area.left) & 7)));
        // Then whole bytes of eight pixels.
        for (; x + 8 <= x1; x += 8)
            dst[(x - area.left) >> 3] = whiteBits(src + x);
        for (; x < x1; ++x)
            if (!white(src[x]))
                dst[(x - area.left) >> 3] &= static_cast<uchar>(~(0x80u >> ((x - area.left) & 7)));
    }
    return out;
}

std::string writeMonochromeBmp(const QImage& image, const PageRect& areaIn, const std::string& path)
{
    const PageRect area = areaIn.ordered();
    if (area.isEmpty())
        return "There is nothing to save: the selected area is empty.";
    const QImage mono = monochromeArea(image, area);
    if (mono.isNull())
        return "The area is too large to save.";
    // The format is named: a file name without ".bmp" must still be written.
    if (!mono.save(QString::fromStdString(path), "BMP"))
        return "Cannot write the file " + path + ".";
    return {};
}

std::string saveMonochromeBmp(QImage& image, const PageRect& areaIn, const std::string& path)
{
    if (areaIn.ordered().isEmpty())
        return writeMonochromeBmp(image, areaIn, path);
    switchToMonochrome(image);
    return writeMonochromeBmp(image, areaIn, path);
}

}  // namespace kelvox
