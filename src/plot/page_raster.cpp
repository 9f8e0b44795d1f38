#include "page_raster.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace kelvox {

namespace {

constexpr int kMaxStampPixels = 30000;

}  // namespace

RasterTarget RasterTarget::of(QImage& image)
{
    RasterTarget t;
    t.bits = image.bits();
    t.bytesPerLine = image.bytesPerLine();
    t.width = image.width();
    t.height = image.height();
    return t;
}

bool drawAxisLine(const RasterTarget& t, QPoint from, QPoint to, QRgb colour, std::span<const int> dashes)
{
    const int dx = to.x() - from.x(), dy = to.y() - from.y();
    if (dx != 0 && dy != 0)
        return false;
    // The usual case, a solid line with both ends inside: a run of one row, or one
    // pixel in each of a run of rows.
    const auto inside = [&t](QPoint p) { return p.x() >= 0 && p.y() >= 0 && p.x() < t.width && p.y() < t.height; };
    if (dashes.empty() && inside(from) && inside(to)) {
        if (dy == 0) {
            QRgb* row = t.row(from.y());
            if (dx >= 0)
                std::fill(row + from.x(), row + from.x() + std::max(dx, 1), colour);
            else
                std::fill(row + to.x() + 1, row + from.x() + 1, colour);
        } else {
            const int step = dy > 0 ? 1 : -1;
            for (int y = from.y(); y != to.y(); y += step)
                t.row(y)[from.x()] = colour;
        }
        return true;
    }
    // A line of no length still sets its first pixel.
    const int length = std::max({std::abs(dx), std::abs(dy), 1});
    if (!dashes.empty() && !(inside(from) && inside(to)))
        return false;
    const int stepX = dx > 0 ? 1 : dx < 0 ? -1 : 0, stepY = dy > 0 ? 1 : dy < 0 ? -1 : 0;
    if (dashes.empty()) {
        // Only the part inside the image: pixels i = first … last of the line.
        int first = 0, last = length - 1;
        const auto limit = [&](int start, int step, int size) {
            if (step > 0) {
                first = std::max(first, -start);
                last = std::min(last, size - 1 - start);
            } else if (step < 0) {
                first = std::max(first, start - (size - 1));
                last = std::min(last, start);
            } else if (start < 0 || start >= size) {
                last = -1;
            }
        };
        limit(from.x(), stepX, t.width);
        limit(from.y(), stepY, t.height);
        if (first > last)
            return true;
        if (stepY == 0) {
            QRgb* row = t.row(from.y());
            const int a = from.x() + stepX * first, b = from.x() + stepX * last;
            std::fill(row + std::min(a, b), row + std::max(a, b) + 1, colour);
        } else {
            for (int i = first; i <= last; ++i)
                t.row(from.y() + stepY * i)[from.x()] = colour;
        }
        return true;
    }
    // Dashes from the line's first pixel, on and off in turn.
    std::size_t dash = 0;
    int left = dashes[0];
    for (int i = 0; i < length; ++i) {
        while (left == 0) {
            dash = (dash + 1) % dashes.size();
            left = dashes[dash];
        }
        if (dash % 2 == 0)
            t.row(from.y() + stepY * i)[from.x() + stepX * i] = colour;
        --left;
    }
    return true;
}

void fillPixels(const RasterTarget& t, int left, int top, int right, int bottom, QRgb colour)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, t.width);
    bottom = std::min(bottom, t.height);
    if (left >= right)
        return;
    // White, the usual fill, is all bits set: one byte fill per row.
    const bool bytes = colour == 0xFFFFFFFFu || colour == 0u;
    for (int y = top; y < bottom; ++y) {
        QRgb* row = t.row(y);
        if (bytes)
            std::memset(row + left, static_cast<int>(colour & 0xFF),
                        static_cast<std::size_t>(right - left) * sizeof(QRgb));
        else
            std::fill(row + left, row + right, colour);
    }
}

void TextStamps::useFont(const QFont& font, int dotsPerMeterX, int dotsPerMeterY)
{
    if (m_hasFont && font == m_font && m_scratch.dotsPerMeterX() == dotsPerMeterX &&
        m_scratch.dotsPerMeterY() == dotsPerMeterY)
        return;
    m_font = font;
    m_hasFont = true;
    m_texts.clear();
    m_scratch = QImage(1, 1, QImage::Format_RGB32);
    m_scratch.setDotsPerMeterX(dotsPerMeterX);
    m_scratch.setDotsPerMeterY(dotsPerMeterY);
    m_ascent = QFontMetrics(m_font, &m_scratch).ascent();
}

const TextStamp& TextStamps::lookUp(const QString& text)
{
    auto it = m_texts.find(text);
    if (it == m_texts.end()) {
        if (m_texts.size() >= kMaxTexts)
            m_texts.clear();
        const QFontMetrics fm(m_font, &m_scratch);
        TextStamp stamp;
        stamp.width = fm.horizontalAdvance(text);
        stamp.height = fm.height();
        it = m_texts.insert(text, stamp);
    }
    TextStamp& stamp = *it;
    ++stamp.uses;
    if (stamp.uses >= 2 && !stamp.stamped && !stamp.paintOnly)
        makeRuns(text, stamp);
    return stamp;
}

void TextStamps::makeRuns(const QString& text, TextStamp& stamp)
{
    // Letters may reach beyond the cell (descenders, overhangs, marks): a margin of
    // two cell heights all round holds them.
    const int margin = 2 * std::max(stamp.height, 1);
    const int w = stamp.width + 2 * margin, h = stamp.height + 2 * margin;
    if (w > kMaxStampPixels || h > kMaxStampPixels) {
        // Beyond what a run's 16-bit offsets hold: the painter draws it.
        stamp.paintOnly = true;
        return;
    }
    if (m_scratch.width() < w || m_scratch.height() < h) {
        QImage bigger(std::max(w, m_scratch.width()), std::max(h, m_scratch.height()), QImage::Format_RGB32);
        bigger.setDotsPerMeterX(m_scratch.dotsPerMeterX());
        bigger.setDotsPerMeterY(m_scratch.dotsPerMeterY());
        m_scratch = std::move(bigger);
    }
    m_scratch.fill(Qt::white);
    {
        QPainter p(&m_scratch);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setRenderHint(QPainter::TextAntialiasing, false);
        p.setFont(m_font);
        p.setPen(QColor(0, 0, 0));
        p.drawText(QPoint(margin, margin + m_ascent), text);
    }
    stamp.runs.clear();
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(m_scratch.constScanLine(y));
        for (int x = 0; x < w;) {
            if (row[x] == 0xFFFFFFFFu) {
                ++x;
                continue;
            }
            if (row[x] != 0xFF000000u) {
                // A letter drawn with more than black and white: the painter draws it.
                stamp.paintOnly = true;
                stamp.runs.clear();
                return;
            }
            const int start = x;
            while (x < w && row[x] == 0xFF000000u)
                ++x;
            stamp.runs.push_back({static_cast<int16_t>(y - margin), static_cast<int16_t>(start - margin),
                                  static_cast<int16_t>(x - margin)});
        }
    }
    stamp.stamped = true;
}

void TextStamps::apply(const RasterTarget& t, const TextStamp& stamp, int x, int y)
{
    fillPixels(t, x, y, x + stamp.width, y + stamp.height, 0xFFFFFFFFu);
    for (const TextStamp::Run& run : stamp.runs) {
        const int row = y + run.dy;
        if (row < 0 || row >= t.height)
            continue;
        const int a = std::max(x + run.x0, 0), b = std::min(x + run.x1, t.width);
        if (a < b) {
            QRgb* pixels = t.row(row);
            std::fill(pixels + a, pixels + b, 0xFF000000u);
        }
    }
}

}  // namespace kelvox
