#include "page_lines.h"

#include "numeric.h"

#include <QPainter>
#include <QPen>

#include <algorithm>

namespace kelvox {

void PageLines::draw(PlotDevice& plot, int x, int y)
{
    const Line line{QPoint(plot.penX(), plot.penY()), QPoint(clampInt16(x), clampInt16(y)),
                    std::max(0, plot.lineWidth()), plot.paletteColor(plot.colour())};
    const int margin = line.width + 1;
    const PageRect box{std::min(line.from.x(), line.to.x()) - margin, std::min(line.from.y(), line.to.y()) - margin,
                       std::max(line.from.x(), line.to.x()) + margin + 1,
                       std::max(line.from.y(), line.to.y()) + margin + 1};
    if (m_lines.empty())
        m_bounds = box;
    else
        m_bounds = {std::min(m_bounds.left, box.left), std::min(m_bounds.top, box.top),
                    std::max(m_bounds.right, box.right), std::max(m_bounds.bottom, box.bottom)};
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
}

bool PageLines::mayTouch(const PageRect& area) const
{
    return !m_lines.empty() && m_bounds.left < area.right && area.left < m_bounds.right &&
           m_bounds.top < area.bottom && area.top < m_bounds.bottom;
}

}  // namespace kelvox
