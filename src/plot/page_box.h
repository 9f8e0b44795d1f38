#pragma once
// The records every page composer (spectrogram, section, waveform) lays its page out
// with: a box of the page with its data window, and a tick of an axis. No Qt here,
// so set-up arithmetic and the page routines share them.

#include <string>

namespace kelvox {

/// A box of the page: the data window (x0, y0)–(x1, y1) bound to the pixel box
/// (px0, py0)–(px1, py1), as plotwindow takes them (x0 → px0, y0 → py0), and the
/// caption written in it. In a default layout the pixels are tenths of a millimetre
/// of the 282.8 × 200.0 mm page; after set-up they are page pixels. Strips with an
/// upward y axis give their bottom row as py0.
struct PageBox {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    int px0 = 0, py0 = 0, px1 = 0, py1 = 0;
    std::string caption;

    bool operator==(const PageBox&) const = default;
};

/// A tick of an axis: its pixel (the column of a tick on a horizontal axis, the row
/// of one on a vertical axis), its label ("" for none), and whether its grid line is
/// drawn.
struct AxisTick {
    int pixel = 0;
    std::string label;
    bool line = true;

    bool operator==(const AxisTick&) const = default;
};

}  // namespace kelvox
