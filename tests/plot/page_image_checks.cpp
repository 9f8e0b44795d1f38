#include "page_image_checks.h"

#include <fstream>
#include <iterator>

namespace kelvox::test {

bool isBlack(const QImage& image, int x, int y) { return (image.pixel(x, y) & 0xFFFFFFu) == 0; }

bool isWhite(const QImage& image, int x, int y) { return (image.pixel(x, y) & 0xFFFFFFu) == 0xFFFFFFu; }

std::vector<int> blackRuns(const QImage& image, int y, int x0, int x1)
{
    std::vector<int> runs;
    bool wantBlack = true;
    int length = 0;
    for (int x = x0; x < x1; ++x) {
        if (isBlack(image, x, y) == wantBlack) {
            ++length;
        } else {
            runs.push_back(length);
            wantBlack = !wantBlack;
            length = 1;
        }
    }
    runs.push_back(length);
    return runs;
}

QRect boxOfPixelsNot(const QImage& image, QRgb background, const QRect& within)
{
    QRect box;
    for (int y = within.top(); y <= within.bottom(); ++y)
        for (int x = within.left(); x <= within.right(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFFu) != (background & 0xFFFFFFu))
                box |= QRect(x, y, 1, 1);
    return box;
}

std::vector<uint8_t> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

namespace {
uint32_t le32(const std::vector<uint8_t>& b, std::size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
uint16_t le16(const std::vector<uint8_t>& b, std::size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }
}  // namespace

MonoBmp readMonoBmp(const std::string& path)
{
    MonoBmp bmp;
    bmp.bytes = readFile(path);
    const auto& b = bmp.bytes;
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M')
        return bmp;
    bmp.pixelOffset = le32(b, 10);
    const uint32_t infoSize = le32(b, 14);
    bmp.width = static_cast<int32_t>(le32(b, 18));
    bmp.height = static_cast<int32_t>(le32(b, 22));
    bmp.bitCount = le16(b, 28);
    bmp.compression = static_cast<int>(le32(b, 30));
    bmp.xPelsPerMetre = static_cast<int32_t>(le32(b, 38));
    bmp.paletteSize = static_cast<int>(le32(b, 46));
    if (bmp.paletteSize == 0 && bmp.bitCount <= 8)
        bmp.paletteSize = 1 << bmp.bitCount;
    const std::size_t paletteAt = 14 + infoSize;
    for (int i = 0; i < bmp.paletteSize && paletteAt + 4 * static_cast<std::size_t>(i) + 4 <= b.size(); ++i)
        bmp.palette.push_back(le32(b, paletteAt + 4 * static_cast<std::size_t>(i)) & 0xFFFFFFu);
    const std::size_t stride = static_cast<std::size_t>((bmp.width + 31) / 32) * 4;
    bmp.valid = bmp.bitCount == 1 && bmp.height > 0 &&
                bmp.pixelOffset + stride * static_cast<std::size_t>(bmp.height) <= b.size();
    return bmp;
}

uint32_t MonoBmp::colourAt(int x, int y) const
{
    const std::size_t stride = static_cast<std::size_t>((width + 31) / 32) * 4;
    const std::size_t row = static_cast<std::size_t>(height - 1 - y);  // bottom-up
    const uint8_t byte = bytes[pixelOffset + row * stride + static_cast<std::size_t>(x / 8)];
    const int index = (byte >> (7 - x % 8)) & 1;
    return palette.at(static_cast<std::size_t>(index));
}

}  // namespace kelvox::test
