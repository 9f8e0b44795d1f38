#include "monochrome_bitmap.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cstring>
#include <type_traits>

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
    const int w = image.width();
    if (image.format() == QImage::Format_Grayscale8) {
        for (int y = 0; y < image.height(); ++y) {
            uchar* row = image.scanLine(y);
            for (int x = 0; x < w; ++x)
                row[x] = row[x] == 0xFF ? 0xFF : 0x00;
        }
        return;
    }
    if (image.format() != QImage::Format_RGB32)
        image = image.convertToFormat(QImage::Format_RGB32);
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

namespace {

// Whether a page pixel is pure white, in RGB32 (any alpha) or in 8-bit gray.
inline uchar isWhite(QRgb p) { return static_cast<uchar>((p & 0x00FFFFFFu) == 0x00FFFFFFu); }
inline uchar isWhite(uchar p) { return static_cast<uchar>(p == 0xFF); }

// Columns x0 … x1 − 1 of the page row `src` into the 1-bit row `dst`, whose first bit
// is page column `left`; dst starts all white.
template <typename Pixel>
void packRow(const Pixel* src, uchar* dst, int left, int x0, int x1)
{
    int x = x0;
    // Single bits up to a byte boundary of the output row (most significant bit first).
    for (; x < x1 && ((x - left) & 7) != 0; ++x)
        if (!isWhite(src[x]))
            dst[(x - left) >> 3] &= static_cast<uchar>(~(0x80u >> ((x - left) & 7)));
    // Then whole bytes of eight pixels.
    for (; x + 8 <= x1; x += 8) {
        const Pixel* p = src + x;
        if constexpr (std::is_same_v<Pixel, QRgb>)
            dst[(x - left) >> 3] = whiteBits(p);
        else
            dst[(x - left) >> 3] = static_cast<uchar>(
                (isWhite(p[0]) << 7) | (isWhite(p[1]) << 6) | (isWhite(p[2]) << 5) | (isWhite(p[3]) << 4) |
                (isWhite(p[4]) << 3) | (isWhite(p[5]) << 2) | (isWhite(p[6]) << 1) | isWhite(p[7]));
    }
    for (; x < x1; ++x)
        if (!isWhite(src[x]))
            dst[(x - left) >> 3] &= static_cast<uchar>(~(0x80u >> ((x - left) & 7)));
}

}  // namespace

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
    const bool gray = image.format() == QImage::Format_Grayscale8;
    const QImage page = gray || image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
                            ? image
                            : image.convertToFormat(QImage::Format_RGB32);
    // The part of the area that lies inside the image; the rest stays white.
    const int x0 = std::max(area.left, 0), x1 = std::min(area.right, page.width());
    const int y0 = std::max(area.top, 0), y1 = std::min(area.bottom, page.height());
    if (x0 >= x1)
        return out;
    for (int y = y0; y < y1; ++y) {
        uchar* dst = out.scanLine(y - area.top);
        if (gray)
            packRow(page.constScanLine(y), dst, area.left, x0, x1);
        else
            packRow(reinterpret_cast<const QRgb*>(page.constScanLine(y)), dst, area.left, x0, x1);
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
