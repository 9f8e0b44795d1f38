#pragma once
// Bi-level page images as JBIG2 (ITU-T T.88), the compression PDF has for them: a
// generic region coded with the MQ arithmetic coder over 16-pixel contexts. A
// dithered spectrogram page compresses about twice as well as with Flate (the
// pixels' neighbours predict them; a dictionary coder only finds repeats). No Qt.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kelvox {

/// A bi-level image: `height` rows of `bytesPerLine` bytes, the first pixel of a row
/// in the most significant bit of its first byte, 1 = black.
struct BilevelImage {
    const uint8_t* bits = nullptr;
    int width = 0, height = 0;
    std::ptrdiff_t bytesPerLine = 0;
};

/// The arithmetic-coded data of a JBIG2 generic region holding the whole image:
/// template 0 with its nominal adaptive pixels (3, −1), (−3, −1), (2, −2),
/// (−2, −2), no typical prediction, pixels outside the image white; ends with the
/// 0xFF 0xAC marker.
std::vector<uint8_t> jbig2GenericRegion(const BilevelImage& image);

/// The image as an embedded JBIG2 stream of one page, as PDF's JBIG2Decode filter
/// reads it: a page information segment (the image's size, `dotsPerMetre` both
/// ways, lossless, white background) and an immediate generic region segment
/// (jbig2GenericRegion) covering the page.
std::vector<uint8_t> jbig2EmbeddedPage(const BilevelImage& image, int dotsPerMetre);

}  // namespace kelvox
