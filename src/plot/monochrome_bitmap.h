#pragma once
// The page image as a monochrome bitmap: the switch to black and white that save
// and print apply to the page on screen, the cut-out of a page rectangle and the
// 1-bit Windows bitmap file.

#include "plot_device.h"

#include <QImage>

#include <string>

namespace kelvox {

/// Switches the page image to monochrome in place: every pixel that is not pure
/// white becomes black (yellow and cyan lines stay visible, as on a monochrome
/// device). RGB32 and 8-bit gray images (the pages finer than 192 dpi) keep their
/// format; others are converted to RGB32 first.
void switchToMonochrome(QImage& image);

/// A copy of `area` of the image with the area's size kept: the parts that lie
/// outside the image are white. RGB32; a null image when the area is empty or
/// cannot be allocated.
QImage copyArea(const QImage& image, const PageRect& area);

/// `area` of a page image as a 1-bit image by the same rule as switchToMonochrome
/// (pure white stays white, anything else is black; what lies outside the image is
/// white), with the image's dots per metre: colour 0 black, 1 white. The page
/// image itself is not changed; RGB32 and 8-bit gray images are read as they are,
/// others through an RGB32 copy. Null when the area is empty or too big.
QImage monochromeArea(const QImage& image, const PageRect& area);

/// Writes `area` (taken as ordered) of the page image as a 1-bit Windows bitmap
/// without changing the image (kelvox-render's pages). Returns "" or the reason.
std::string writeMonochromeBmp(const QImage& image, const PageRect& area, const std::string& path);

/// Saves `area` (taken as ordered) of the page image as a 1-bit Windows bitmap
/// at `path`, the name used as given (no extension added). The page image is
/// switched to monochrome first (it stays black and white on screen). Returns ""
/// or the reason for the failure; an empty area writes nothing, changes nothing
/// and returns an error.
std::string saveMonochromeBmp(QImage& image, const PageRect& area, const std::string& path);

}  // namespace kelvox
