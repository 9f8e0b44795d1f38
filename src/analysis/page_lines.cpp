#include "page_lines.h"

#include "numeric.h"

#include <QPainter>
#include <QPen>

#include <algorithm>

namespace kelvox {

void PageLines::draw(PlotDevice& plot, int x, int y)
{
    Line line{QPoint(plot.penX(), plot.penY()), QPoint(clampInt16(x), clampInt16(y)), std::max(0, plot.lineWidth()),
              plot.paletteColor(plot.colour()), {}};
    const int margin = line.width + 1;
    line.box = {std::min(line.from.x(), line.to.x()) - margin, std::min(line.from.y(), line.to.y()) - margin,
                std::max(line.from.x(), line.to.x()) + margin + 1, std::max(line.from.y(), line.to.y()) + margin + 1};
    m_lines.push_back(line);
    plot.plotmove(x, y, 0);
}

void PageLines::flush(PlotDevice& plot)
{
    if (m_lines.empty())
        return;
    QPainter p(&plot.image());
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    int width = -1;
    QRgb colour = 0;
    for (const Line& line : m_lines) {
        // The pen plotmove makes for a solid line.
        if (line.width != width || line.colour != colour) {
            QPen pen{QColor(line.colour)};
            pen.setWidth(line.width);
            pen.setCapStyle(Qt::FlatCap);
            pen.setJoinStyle(Qt::MiterJoin);
            p.setPen(pen);
            width = line.width;
            colour = line.colour;
        }
        drawPageLine(p, line.from, line.to);
    }
    m_lines.clear();
    m_checked = 0;
    m_touches = false;
}

bool PageLines::mayTouch(const PageRect& area)
{
    if (!(area == m_area)) {
        m_area = area;
        m_checked = 0;
        m_touches = false;
    }
    for (; m_checked < m_lines.size() && !m_touches; ++m_checked) {
        const PageRect& b = m_lines[m_checked].box;
        m_touches = b.left < area.right && area.left < b.right && b.top < area.bottom && area.top < b.bottom;
    }
    return m_touches;
}

}  // namespace kelvox
