#pragma once
// Page geometry in millimetres, for the tests that compare one page drawn at
// several resolutions: the same page in finer pixels has its boxes, ticks and texts in
// the same places, within one pixel of the coarser page.
//
// A page's pixels are scaled to millimetres by its own size, 282.8 × 200.0 mm over
// its width and height in pixels: so the 96-dpi screen page (1068 × 755 pixels,
// whose 1068.85 × 755.9 were cut down to whole pixels) compares as it is shown. At
// 192 dpi and above this differs from pixels × 25.4 / dpi by less than a
// fortieth of a pixel.

#include "page_units.h"

#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>

namespace kelvox::test {

/// The resolutions a page is compared at: the screen, the classic print page and
/// two printers' own.
inline constexpr int kComparedDpis[] = {96, 192, 300, 600};

struct PageScale {
    int widthPx = 0, heightPx = 0;
    explicit PageScale(int dpi)
        : widthPx(pagePixels(kPageWidthTenthMm, dpi)), heightPx(pagePixels(kPageHeightTenthMm, dpi))
    {
    }
    /// Millimetres across the page of column `px`, down the page of row `px`.
    double x(double px) const { return px * kPageWidthTenthMm / 10.0 / widthPx; }
    double y(double px) const { return px * kPageHeightTenthMm / 10.0 / heightPx; }
    /// A pixel, in millimetres.
    double pixel() const { return x(1); }
};

/// How far one place may lie apart on two pages: one pixel of the coarser page for
/// each time its arithmetic cut the place down to whole pixels (a strip's edge once;
/// a tick or a text, placed from such an edge, twice).
inline double samePlace(int dpiA, int dpiB, int cuts) { return cuts * PageScale(std::min(dpiA, dpiB)).pixel(); }

/// Column (across) or row (down) `a` of a page at aDpi and `b` of one at bDpi lie
/// in the same place: samePlace, for positions cut to whole pixels `cuts` times.
inline constexpr bool kAcross = true, kDown = false;
inline void expectSameMm(bool across, int a, int aDpi, int b, int bDpi, int cuts, const std::string& what)
{
    const PageScale sa(aDpi), sb(bDpi);
    EXPECT_NEAR(across ? sa.x(a) : sa.y(a), across ? sb.x(b) : sb.y(b), samePlace(aDpi, bDpi, cuts))
        << what << " at " << aDpi << " and " << bDpi << " dpi";
}

struct MmBox {
    double left = 0, top = 0, right = 0, bottom = 0;
};

/// The smallest box holding every pixel of `image` (a page at `dpi`, pixel 0, 0 at
/// the page's top-left corner) that is not white within `window`, in millimetres;
/// right and bottom lie past the last pixel. Nothing when all of it is white.
inline std::optional<MmBox> inkBox(const QImage& image, int dpi, const MmBox& window)
{
    const PageScale s(dpi);
    const auto column = [&s](double mm) { return static_cast<int>(mm / s.x(1)); };
    const auto row = [&s](double mm) { return static_cast<int>(mm / s.y(1)); };
    const int x0 = std::max(0, column(window.left)), x1 = std::min(image.width(), column(window.right));
    const int y0 = std::max(0, row(window.top)), y1 = std::min(image.height(), row(window.bottom));
    int left = x1, top = y1, right = -1, bottom = -1;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if ((image.pixel(x, y) & 0xFFFFFFu) != 0xFFFFFFu) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    if (right < 0)
        return std::nullopt;
    return MmBox{s.x(left), s.y(top), s.x(right + 1), s.y(bottom + 1)};
}

}  // namespace kelvox::test
