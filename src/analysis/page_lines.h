#pragma once
// Solid page lines collected and drawn together in one painter session. A column
// pair draws a handful of short lines (waveform column, level curves, pitch
// stroke); opening a painter for each is most of what drawing them costs.

#include "plot_device.h"

#include <QColor>
#include <QPoint>

#include <vector>

namespace kelvox {

class PageLines {
public:
    /// What plot.plotmove(x, y, 1) draws, with the device's colour and line width at
    /// the time of the call, from its pen position to (x, y) (saturated to the int16
    /// range, end pixel left out); the pen position moves to (x, y) at once and the
    /// line itself is drawn by the next flush. Lines are drawn in the order given.
    void draw(PlotDevice& plot, int x, int y);

    /// Draws the lines held onto the page image, pixel for pixel as plotmove would
    /// have drawn them one by one, and forgets them.
    void flush(PlotDevice& plot);

    /// Whether a line held may set a pixel inside `area` (which must then not be
    /// written before a flush, or the order of drawing would change). Asked again
    /// about the same area, it looks only at the lines added since.
    bool mayTouch(const PageRect& area);

    bool empty() const { return m_lines.empty(); }

private:
    struct Line {
        QPoint from, to;
        int width;
        QRgb colour;
        PageRect box;  // the pixels the line may set, widened by its pen
    };
    std::vector<Line> m_lines;
    // What mayTouch found for m_area over the first m_checked lines.
    PageRect m_area;
    size_t m_checked = 0;
    bool m_touches = false;
};

}  // namespace kelvox
