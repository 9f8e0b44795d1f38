#pragma once
// The units of a page, named once: every page is 282.8 × 200.0 mm, drawn at a
// resolution in dots per inch (96 for the preview, 192 for a print page of its own,
// a printer's own resolution up to 600 when the windows print, 96 … 1200 for
// kelvox-render). No Qt here, so set-up arithmetic can use them too.

namespace kelvox {

/// Resolutions of the preview (screen) page and of the classic print page, dots
/// per inch.
inline constexpr int kScreenDpi = 96;
inline constexpr int kPrintDpi = 192;
/// The range of resolutions a page can be drawn at, dots per inch.
inline constexpr int kMinPageDpi = 96;
inline constexpr int kMaxPageDpi = 1200;
/// The finest resolution the windows draw a printed page at: a printer that
/// reports more still gets 600-dpi pages (a finer page only costs memory and time).
inline constexpr int kMaxPrinterPageDpi = 600;

inline constexpr double kMmPerInch = 25.4;
inline constexpr int kTenthMmPerInch = 254;

/// The page, in tenths of a millimetre (also the units of the page layouts).
inline constexpr int kPageWidthTenthMm = 2828;
inline constexpr int kPageHeightTenthMm = 2000;

/// Page pixels across `tenthsOfMm` at `dpi`, truncated.
constexpr int pagePixels(int tenthsOfMm, int dpi) { return dpi * tenthsOfMm / kTenthMmPerInch; }

/// A distance the pages give as a fixed number of pixels at 96 and 192 dpi (a text's
/// offset from its anchor, a gap, a margin, a line's width), at `dpi`: `px` itself
/// up to 192 dpi; above, px × dpi / 192 rounded half away from zero, so that a page
/// at 600 dpi is the 192-dpi page in finer pixels.
constexpr int fixedPixels(int px, int dpi)
{
    if (dpi <= kPrintDpi)
        return px;
    const long long scaled = static_cast<long long>(px) * dpi;
    return static_cast<int>((scaled >= 0 ? scaled + kPrintDpi / 2 : scaled - kPrintDpi / 2) / kPrintDpi);
}

}  // namespace kelvox
