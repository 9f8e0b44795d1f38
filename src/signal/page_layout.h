#pragma once
// The spectrogram page's sub-displays: the page frame and four strips (time
// waveform, spectrogram, pitch, level). The live layout is edited by the layout
// dialog and copied by every spectrogram run.

#include <array>
#include <cstdint>
#include <string>

namespace kelvox {

struct SubDisplay {
    std::string caption;            // up to 127 characters
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // data rectangle mapped onto the frame
    // Frame. In a PageLayout in tenths of a millimetre on the 2828 × 2000 page,
    // from the page's top-left corner, y downward. Page frame (record 0): (px0, py0)
    // top-left, (px1, py1) bottom-right. Strips: px0 left, py0 lower edge, px1
    // right, py1 upper edge, so that y0 lies at the bottom of the strip.
    int16_t px0 = 0, py0 = 0, px1 = 0, py1 = 0;

    bool operator==(const SubDisplay&) const = default;
};

struct PageLayout {
    static constexpr int kFrame = 0, kWave = 1, kSpectrogram = 2, kPitch = 3, kLevel = 4;
    std::array<SubDisplay, 5> sub;
    // stripValue[1..4]: 0 = strip not drawn, anything else = drawn ([0] unused).
    std::array<int16_t, 5> stripValue{};

    bool stripOn(int k) const { return k >= 1 && k <= 4 && stripValue[static_cast<std::size_t>(k)] != 0; }
    bool operator==(const PageLayout&) const = default;
};

/// The built-in layout, also the live layout at program start: waveform 20 mm
/// high with its top at 15 mm, spectrogram 50 mm at 40 mm, pitch 48 mm at
/// 100.1 mm, level 40 mm at 150.1 mm.
const PageLayout& builtInLayout();

}  // namespace kelvox
