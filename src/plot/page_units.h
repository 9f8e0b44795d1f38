#pragma once
// The units of a page, named once: every page is 282.8 × 200.0 mm, drawn at a
// resolution in dots per inch (96 for the preview, 192 for print). No Qt here, so
// set-up arithmetic can use them too.

namespace kelvox {

/// Resolutions of the preview (screen) page and of the print page, dots per inch.
inline constexpr int kScreenDpi = 96;
inline constexpr int kPrintDpi = 192;

inline constexpr double kMmPerInch = 25.4;
inline constexpr int kTenthMmPerInch = 254;

/// The page, in tenths of a millimetre (also the units of the page layouts).
inline constexpr int kPageWidthTenthMm = 2828;
inline constexpr int kPageHeightTenthMm = 2000;

/// Page pixels across `tenthsOfMm` at `dpi`, truncated.
constexpr int pagePixels(int tenthsOfMm, int dpi) { return dpi * tenthsOfMm / kTenthMmPerInch; }

}  // namespace kelvox
