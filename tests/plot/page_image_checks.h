#pragma once
// Helpers of the plot tests: pixel checks on page images and an independent
// reader of 1-bit Windows bitmap files.

#include "plot_device.h"

#include <QImage>
#include <QRect>

#include <cstdint>
#include <string>
#include <vector>

namespace kelvox::test {

inline constexpr QRgb kGrey = 0xFF808080u;

/// Fills the page image with kGrey, so that what a drawing leaves white shows.
inline void paintGrey(PlotDevice& d) { d.image().fill(kGrey); }

bool isBlack(const QImage& image, int x, int y);
bool isWhite(const QImage& image, int x, int y);

/// Lengths of the alternating black / non-black runs of row y over [x0, x1),
/// starting with a black run (0 if the row starts non-black).
std::vector<int> blackRuns(const QImage& image, int y, int x0, int x1);

/// Smallest rectangle holding every pixel whose colour differs from `background`
/// (null when there is none).
QRect boxOfPixelsNot(const QImage& image, QRgb background, const QRect& within);

std::vector<uint8_t> readFile(const std::string& path);

/// A 1-bit BMP file parsed by hand (BITMAPFILEHEADER + BITMAPINFOHEADER).
struct MonoBmp {
    bool valid = false;
    int width = 0, height = 0;  // height > 0: rows stored bottom-up
    int bitCount = 0, compression = -1, paletteSize = 0;
    int xPelsPerMetre = 0;
    std::vector<uint32_t> palette;  // 0x00RRGGBB
    std::vector<uint8_t> bytes;
    uint32_t pixelOffset = 0;

    /// Colour (0x00RRGGBB) of pixel (x, y), y counted from the top.
    uint32_t colourAt(int x, int y) const;
};
MonoBmp readMonoBmp(const std::string& path);

}  // namespace kelvox::test
