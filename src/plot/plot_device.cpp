#include "plot_device.h"

#include "numeric.h"
#include "parse_number.h"
#include "print_service.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

namespace kelvox {

namespace {

// A white pixel of an RGB32 page.
constexpr QRgb kWhitePixel = 0xFFFFFFFFu;
// The margin right of and below the page rectangle that a page's drawing may reach
// (an outline's pen, a text cell) without counting as drawn outside (192-dpi px).
constexpr int kDrawingMargin = 16;

// The pixels a line from `from` to `to` drawn with `pen` may set.
template <class Pen>
PageRect lineBox(const Pen& pen, QPoint from, QPoint to)
{
    return {std::min(from.x(), to.x()) - pen.reach, std::min(from.y(), to.y()) - pen.reach,
            std::max(from.x(), to.x()) + pen.reach + 1, std::max(from.y(), to.y()) + pen.reach + 1};
}

constexpr int kPlotLinesMaxChars = 255;
constexpr int kPlotLinesStepPx = 18;

const std::array<QRgb, PlotDevice::kPaletteSize>& palette()
{
    static const std::array<QRgb, PlotDevice::kPaletteSize> colours = {
        qRgb(0, 0, 0),       // black
        qRgb(255, 255, 255), // white
        qRgb(160, 80, 0),    // brown
        qRgb(255, 255, 0),   // yellow
        qRgb(200, 0, 0),     // dark red
        qRgb(0, 255, 0),     // green
        qRgb(0, 0, 200),     // dark blue
        qRgb(0, 255, 255),   // cyan
    };
    return colours;
}

// A painter on the page image without antialiasing, so pages stay pure black and
// white and lines end on exact pixels.
void preparePainter(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
}

// The on and off lengths of a dash style in pixels, as dashPattern gives them.
std::span<const int> dashLengths(DashStyle style)
{
    static constexpr int dotted[] = {3, 3}, dashed[] = {18, 6}, dashDot[] = {9, 6, 3, 6};
    switch (style) {
    case DashStyle::Dotted: return dotted;
    case DashStyle::Dashed: return dashed;
    case DashStyle::DashDot: return dashDot;
    case DashStyle::Solid: break;
    }
    return {};
}

}  // namespace

PageRect PageRect::ordered() const
{
    return {std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
}

QList<qreal> dashPattern(DashStyle style)
{
    switch (style) {
    case DashStyle::Dotted: return {3, 3};
    case DashStyle::Dashed: return {18, 6};
    case DashStyle::DashDot: return {9, 6, 3, 6};
    case DashStyle::Solid: break;
    }
    return {};
}

void drawPageLine(QPainter& painter, QPoint from, QPoint to, int block)
{
    if (block < 1) {
        painter.drawLine(from, to);
        return;
    }
    const int dx = to.x() - from.x(), dy = to.y() - from.y();
    // Thin flat-capped lines leave out the pixel at the far end of their major
    // axis, whichever way they run. Running toward smaller coordinates, that is
    // `from`: shifting the line one block along the axis leaves out `to` instead.
    // Across the axis, a pen `block` wide is centred half a block further on, so
    // that it covers the block right of (below) the point.
    QPoint shift;
    if (std::abs(dx) >= std::abs(dy))
        shift = QPoint(dx < 0 ? block : 0, block / 2);
    else
        shift = QPoint(block / 2, dy < 0 ? block : 0);
    painter.drawLine(from + shift, to + shift);
}

void drawPageLine(QPainter& painter, QPoint from, QPoint to)
{
    drawPageLine(painter, from, to, painter.pen().widthF() > 1.0 ? 0 : 1);
}

void drawPagePolyline(QPainter& painter, std::initializer_list<QPoint> points, int block)
{
    const QPoint* previous = nullptr;
    for (const QPoint& point : points) {
        if (previous)
            drawPageLine(painter, *previous, point, block);
        previous = &point;
    }
}

void drawPagePolyline(QPainter& painter, std::initializer_list<QPoint> points)
{
    drawPagePolyline(painter, points, painter.pen().widthF() > 1.0 ? 0 : 1);
}

void drawXorBand(QImage& image, std::initializer_list<QPoint> points)
{
    QPainter p(&image);
    preparePainter(p);
    // A black pen would change nothing under exclusive-or.
    QPen pen(Qt::white, 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setDashPattern(dashPattern(DashStyle::Dotted));
    p.setPen(pen);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    drawPagePolyline(p, points);
}

int pixelSizeForCellHeight(const QString& family, int cellHeightPx)
{
    const int cell = std::max(1, cellHeightPx);
    QFont f(family);
    f.setStyleStrategy(QFont::NoAntialias);
    int size = cell;
    while (size > 1) {
        f.setPixelSize(size);
        const int h = QFontMetrics(f).height();
        if (h <= cell)
            break;
        // The cell is about 1.1 × the pixel size: step down by half the excess,
        // which never passes the largest size that fits.
        size -= std::max(1, (h - cell) / 2);
    }
    return std::max(1, size);
}

namespace {

// Whether `text` is well-formed UTF-8 (no overlong forms, surrogates or values
// above U+10FFFF).
bool isUtf8(const std::string& text)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        const unsigned c = *p++;
        int follow = 0;
        unsigned min = 0, value = 0;
        if (c < 0x80)
            continue;
        if ((c & 0xE0) == 0xC0)
            follow = 1, min = 0x80, value = c & 0x1F;
        else if ((c & 0xF0) == 0xE0)
            follow = 2, min = 0x800, value = c & 0x0F;
        else if ((c & 0xF8) == 0xF0)
            follow = 3, min = 0x10000, value = c & 0x07;
        else
            return false;
        if (end - p < follow)
            return false;
        for (int i = 0; i < follow; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            value = (value << 6) | (p[i] & 0x3F);
        }
        p += follow;
        if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return false;
    }
    return true;
}

}  // namespace

QString pageText(const std::string& text)
{
    const auto size = static_cast<qsizetype>(text.size());
    return isUtf8(text) ? QString::fromUtf8(text.data(), size) : QString::fromLatin1(text.data(), size);
}

bool beginPageAt(PlotDevice& device, int dpi)
{
    const bool print = dpi != kScreenDpi;
    if (print)
        device.plotprinter(dpi);
    else
        device.plotscreen();
    return print;
}

PlotDevice::LineBatch::~LineBatch()
{
    if (--m_device.m_batchDepth == 0)
        m_device.flushLines();
}

void PlotDevice::drawLine(std::optional<QPainter>& painter, int& painterPen, int penIndex, QPoint from, QPoint to,
                          const RasterTarget& target)
{
    const LinePen& pen = m_pens[static_cast<std::size_t>(penIndex)];
    touch(lineBox(pen, from, to));
    if (pen.thin && target.bits && drawAxisLine(target, from, to, pen.colour, dashLengths(pen.style)))
        return;
    if (!painter) {
        painter.emplace(&m_image);
        preparePainter(*painter);
        painterPen = -1;
    }
    if (painterPen != penIndex) {
        painter->setPen(pen.pen);
        painterPen = penIndex;
    }
    drawPageLine(*painter, from, to, pen.block);
}

int PlotDevice::linePenIndex(DashStyle style, int width, int colour)
{
    for (std::size_t i = 0; i < m_pens.size(); ++i) {
        const LinePen& pen = m_pens[i];
        if (!pen.clean && pen.mode == style && pen.width == width && pen.colourIndex == colour &&
            pen.resolution == m_resolution)
            return static_cast<int>(i);
    }
    m_pens.push_back(linePen(style, width, colour));
    return static_cast<int>(m_pens.size()) - 1;
}

int PlotDevice::cleanPenIndex()
{
    for (std::size_t i = 0; i < m_pens.size(); ++i)
        if (m_pens[i].clean && m_pens[i].resolution == m_resolution)
            return static_cast<int>(i);
    LinePen pen = linePen(DashStyle::Solid, 1, 0);
    pen.clean = true;
    m_pens.push_back(pen);
    return static_cast<int>(m_pens.size()) - 1;
}

RasterTarget PlotDevice::directTarget() { return drawsDirectly() ? RasterTarget::of(m_image) : RasterTarget{}; }

void PlotDevice::flushLines()
{
    if (m_lines.empty())
        return;
    // The pixels are written straight or by one painter, in the order drawn; the
    // painter writes at once, so both see each other's pixels.
    const RasterTarget target = directTarget();
    std::optional<QPainter> painter;
    int painterPen = -1;
    for (const BatchedLine& line : m_lines)
        drawLine(painter, painterPen, line.pen, line.from, line.to, target);
    m_lines.clear();
    m_checkedLines = 0;
    m_touches = false;
}

bool PlotDevice::linesMayTouch(const PageRect& area)
{
    if (!(area == m_checkedArea)) {
        m_checkedArea = area;
        m_checkedLines = 0;
        m_touches = false;
    }
    for (; m_checkedLines < m_lines.size() && !m_touches; ++m_checkedLines) {
        const PageRect& b = m_lines[m_checkedLines].box;
        m_touches = b.left < area.right && area.left < b.right && b.top < area.bottom && area.top < b.bottom;
    }
    return m_touches;
}

QImage& PlotDevice::image()
{
    flushLines();
    // Whoever asks for it may write anywhere.
    m_imageBlank = false;
    m_drewOutside = true;
    return m_image;
}

const QImage& PlotDevice::image() const { return m_image; }

QImage& PlotDevice::pixels(const PageRect& area)
{
    if (linesMayTouch(area))
        flushLines();
    touch(area);
    return m_image;
}

void PlotDevice::touch(const PageRect& box)
{
    m_imageBlank = false;
    // Only pixels of the image can change: the limit starts at its corner.
    const PageRect& limit = m_drawingLimit;
    if ((box.right > limit.right && box.left < m_image.width()) ||
        (box.bottom > limit.bottom && box.top < m_image.height()))
        m_drewOutside = true;
}

void PlotDevice::updateDrawingLimit()
{
    const int margin = fixedPx(kDrawingMargin);
    m_drawingLimit = {0, 0, std::min(m_pageWidth + margin, m_image.width()),
                      std::min(m_pageHeight + margin, m_image.height())};
}

QImage PlotDevice::takePage(QImage blank, PageRect& drawn)
{
    flushLines();
    drawn = m_drewOutside ? PageRect{0, 0, m_image.width(), m_image.height()} : m_drawingLimit;
    if (blank.size() != m_image.size() || blank.format() != m_image.format())
        return m_image.copy();
    blank.setDotsPerMeterX(m_image.dotsPerMeterX());
    blank.setDotsPerMeterY(m_image.dotsPerMeterY());
    std::swap(m_image, blank);
    m_imageBlank = true;
    m_drewOutside = false;
    return blank;
}

PlotDevice::PlotDevice()
    : m_image(kImageWidth, kImageHeight, QImage::Format_RGB32)
{
    m_image.fill(Qt::white);
    // The state of a 96-dpi page without drawing one: the layout dialog reads
    // `resolution` before any page has been begun.
    applyResolution(kScreenDpi);
    m_canvasPen = cleanPenIndex();
}

PlotDevice::~PlotDevice() = default;

void PlotDevice::plotscreen() { beginPage(kScreenDpi); }

void PlotDevice::plotprinter() { beginPage(printResolution()); }

void PlotDevice::plotprinter(int dpi) { beginPage(std::clamp(dpi, kMinPageDpi, kMaxPageDpi)); }

int PlotDevice::printResolution() const { return m_printService ? m_printService->pageResolution() : kPrintDpi; }

void PlotDevice::prepareImage(int resolution)
{
    int width = kImageWidth, height = kImageHeight;
    QImage::Format format = QImage::Format_RGB32;
    if (resolution > kPrintDpi) {
        width = pagePixels(kPageWidthTenthMm, resolution);
        height = pagePixels(kPageHeightTenthMm, resolution);
        format = QImage::Format_Grayscale8;
    }
    if (m_image.width() == width && m_image.height() == height && m_image.format() == format)
        return;
    // The old image goes first, so that two large pages are never held at once
    // (unless a kept screen page still shares it).
    m_image = QImage();
    m_image = QImage(width, height, format);
    if (m_image.isNull())
        throw std::bad_alloc();
}

void PlotDevice::applyResolution(int resolution)
{
    m_resolution = resolution;
    setFontCell(resolution / 9);
    m_lineheight = m_fontCell + fixedPx(2);
    m_pageWidth = pagePixels(kPageWidthTenthMm, resolution);
    m_pageHeight = pagePixels(kPageHeightTenthMm, resolution);
    // Saved bitmaps then carry the page's dots per inch.
    const int dotsPerMetre = static_cast<int>(std::lround(resolution / (kMmPerInch / 1000.0)));
    m_image.setDotsPerMeterX(dotsPerMetre);
    m_image.setDotsPerMeterY(dotsPerMetre);
    m_stamps.useFont(m_font, dotsPerMetre, dotsPerMetre);
    updateDrawingLimit();
}

void PlotDevice::keepScreenPage()
{
    if (m_beforePageChange)
        m_beforePageChange();
    m_keptScreenPage = KeptPage{m_image, m_resolution, usedarea, m_regions};
}

void PlotDevice::restoreScreenPage()
{
    if (!m_keptScreenPage) {
        plotscreen();
        return;
    }
    if (m_beforePageChange)
        m_beforePageChange();
    KeptPage& kept = *m_keptScreenPage;
    m_image = std::move(kept.image);
    m_imageBlank = false;
    m_drewOutside = true;
    applyResolution(kept.resolution);
    // Lines drawn next have the widths of the kept page's resolution.
    m_canvasPen = m_canvasPenKnown ? linePenIndex(m_canvasStyle, m_canvasWidth, m_canvasColour) : cleanPenIndex();
    usedarea = kept.usedarea;
    m_regions = std::move(kept.regions);
    m_keptScreenPage.reset();
    if (m_afterPageChange)
        m_afterPageChange();
}

void PlotDevice::beginPage(int resolution)
{
    if (m_beforePageChange)
        m_beforePageChange();
    prepareImage(resolution);
    applyResolution(resolution);
    // A run starts from a clean pen, whatever the run before it left: the page's
    // outline is solid, and so is every line until a composer picks a style.
    m_canvasPen = cleanPenIndex();
    m_canvasPenKnown = false;
    m_lineWidth = 1;
    m_colour = 0;
    // Nothing of an earlier page (a print page is larger) stays in the image.
    m_image.fill(Qt::white);
    m_imageBlank = m_image.format() == QImage::Format_RGB32;
    m_drewOutside = false;
    drawFilledRect(0, 0, m_pageWidth, m_pageHeight);
    if (m_afterPageChange)
        m_afterPageChange();
}

std::string PlotDevice::plotbegindoc()
{
    if (!m_printService)
        return "No printer is set up for this page.";
    return m_printService->beginJob();
}

void PlotDevice::plotabort()
{
    if (m_printService)
        m_printService->abortJob();
}

void PlotDevice::setFontCell(int cellHeightPx)
{
    m_fontCell = std::max(1, cellHeightPx);
    m_font = QFont(QStringLiteral("Arial"));
    m_font.setStyleStrategy(QFont::NoAntialias);
    m_font.setPixelSize(pixelSizeForCellHeight(m_font.family(), m_fontCell));
    // Characters the page font lacks (IPA arrows, tone letters, other scripts in a
    // label) come from DejaVu Sans, whichever font fontconfig would have picked for
    // them; everything the page font has is drawn and measured exactly as before.
    m_font.setFamilies({QFontInfo(m_font).family(), QStringLiteral("DejaVu Sans")});
    m_stamps.useFont(m_font, m_image.dotsPerMeterX(), m_image.dotsPerMeterY());
}

int PlotDevice::textHeight() const { return QFontMetrics(m_font, &m_image).height(); }

void PlotDevice::plottextsize(float s)
{
    const int height = satInt(m_resolution * static_cast<double>(s) / 6.0);
    setFontCell(height);
    m_lineheight = height;
}

void PlotDevice::plotwindow(double x0, double y0, double x1, double y1,
                            int px0In, int py0In, int px1In, int py1In, int framewidth)
{
    const int px0 = clampInt16(px0In), py0 = clampInt16(py0In);
    const int px1 = clampInt16(px1In), py1 = clampInt16(py1In);
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1))
        ++m_nonFinite;
    m_x0 = x0;
    m_y0 = y0;
    m_px0 = static_cast<int16_t>(px0);
    m_py0 = static_cast<int16_t>(py0);
    // A window of no data extent is widened by one unit instead of dividing by 0.
    if (x1 == x0)
        x1 = x0 + 1;
    if (y1 == y0)
        y1 = y0 + 1;
    m_xscale = (px1 - px0) / (x1 - x0);
    m_yscale = (py1 - py0) / (y1 - y0);
    m_xspan = px1 - px0;
    m_yspan = py1 - py0;

    const int left = std::min(px0, px1), right = std::max(px0, px1);
    const int top = std::min(py0, py1), bottom = std::max(py0, py1);
    m_frameLeft = left;
    m_frameWidth = std::min(right - left + 1, m_pageWidth - left + 1);
    m_frameTop = top;
    m_frameHeight = std::min(bottom - top + 1, m_pageHeight - top + 1);

    if (framewidth != 0) {
        m_lineWidth = framewidth;
        plotmove(left, top, 0);
        plotmove(left, bottom, 1);
        plotmove(right, bottom, 1);
        plotmove(right, top, 1);
        plotmove(left, top, 1);
    }
}

namespace {

// Data → pixel: clamped to the frame, so values outside land on its edge.
int mapToPixel(double v, double v0, double scale, double span, int p0)
{
    double d = (v - v0) * scale;
    if (std::isnan(d))
        d = 0;  // an undefined value lands on the first pixel, not on pixel 0
    if (span > 0)
        d = std::clamp(d, 0.0, span);
    else
        d = std::clamp(d, span, 0.0);
    return satInt(p0 + d);
}

}  // namespace

int PlotDevice::plotxpix(double x) const
{
    if (!std::isfinite(x))
        ++m_nonFinite;
    return mapToPixel(x, m_x0, m_xscale, m_xspan, m_px0);
}

int PlotDevice::plotypix(double y) const
{
    if (!std::isfinite(y))
        ++m_nonFinite;
    return mapToPixel(y, m_y0, m_yscale, m_yspan, m_py0);
}

PlotDevice::LinePen PlotDevice::linePen(DashStyle style, int width, int colour) const
{
    const QRgb rgb = palette()[static_cast<std::size_t>(colour)];
    QPen pen{QColor(rgb)};
    // Up to 192 dpi a width is pixels (0 the thinnest line); finer pages draw it
    // as wide as it is at 192 dpi, thin lines one 192-dpi pixel wide.
    pen.setWidth(width > 1 ? fixedPx(width) : (m_resolution > kPrintDpi ? fixedPx(1) : std::max(0, width)));
    // Flat caps leave out a line's last pixel, so connected lines draw each pixel
    // once and a closed outline has no doubled corner.
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    // Dashes exist only for thin lines; wider lines are drawn solid. The pattern
    // counts pen widths, so a finer page's wider pen keeps its dashes' length.
    const bool thin = width <= 1;
    if (style != DashStyle::Solid && thin)
        pen.setDashPattern(dashPattern(style));
    const int block = lineBlock(width);
    return {pen,          rgb,   thin ? style : DashStyle::Solid,          thin, false, style, width, colour,
            m_resolution, block, pen.width() + 1 + (block > 1 ? block : 0)};
}

void PlotDevice::plotmove(int pxIn, int pyIn, int mode)
{
    const int16_t px = clampInt16(pxIn), py = clampInt16(pyIn);
    if (mode != 0) {
        // A page draws thousands of lines with a handful of pens: a pen is made
        // only when the line's style, width or colour changes.
        const auto style = static_cast<DashStyle>((mode >> 2) & 3);
        if (!m_canvasPenKnown || style != m_canvasStyle || m_lineWidth != m_canvasWidth || m_colour != m_canvasColour) {
            m_canvasPen = linePenIndex(style, m_lineWidth, m_colour);
            m_canvasPenKnown = true;
            m_canvasStyle = style;
            m_canvasWidth = m_lineWidth;
            m_canvasColour = m_colour;
        }
        const QPoint from(m_penX, m_penY), to(px, py);
        if (m_batchDepth > 0) {
            const PageRect box = lineBox(m_pens[static_cast<std::size_t>(m_canvasPen)], from, to);
            m_lines.push_back({from, to, m_canvasPen, box});
        } else {
            std::optional<QPainter> painter;
            int painterPen = -1;
            drawLine(painter, painterPen, m_canvasPen, from, to, directTarget());
        }
    }
    m_penX = px;
    m_penY = py;
}

void PlotDevice::plotlw(int w) { m_lineWidth = w; }

void PlotDevice::plotcolor(int c) { m_colour = ((c % kPaletteSize) + kPaletteSize) % kPaletteSize; }

QRgb PlotDevice::paletteColor(int index) const
{
    return palette()[static_cast<std::size_t>(((index % kPaletteSize) + kPaletteSize) % kPaletteSize)];
}

void PlotDevice::drawFilledRect(int left, int top, int right, int bottom)
{
    if (right <= left || bottom <= top)
        return;
    // Lines drawn before the fill lie under it.
    flushLines();
    const RasterTarget target = directTarget();
    const QRgb background = palette()[static_cast<std::size_t>(m_background)];
    std::optional<QPainter> painter;
    int painterPen = -1;
    // White over a blank page leaves it as it is.
    const bool unchanged = m_imageBlank && background == kWhitePixel;
    touch({left, top, right, bottom});
    if (target.bits) {
        if (!unchanged)
            fillPixels(target, left, top, right, bottom, background);
    } else {
        painter.emplace(&m_image);
        preparePainter(*painter);
        painter->fillRect(QRect(left, top, right - left, bottom - top), QColor(background));
    }
    // The outline lies on the rectangle's outermost pixels (192-dpi pixels on finer
    // pages).
    const int r = right - fixedPx(1), b = bottom - fixedPx(1);
    const QPoint corners[] = {QPoint(left, top), QPoint(r, top), QPoint(r, b), QPoint(left, b), QPoint(left, top)};
    for (std::size_t i = 0; i + 1 < std::size(corners); ++i)
        drawLine(painter, painterPen, m_canvasPen, corners[i], corners[i + 1], target);
}

void PlotDevice::plotclear()
{
    drawFilledRect(m_frameLeft, m_frameTop, m_frameLeft + m_frameWidth, m_frameTop + m_frameHeight);
}

void PlotDevice::drawStampedText(int x, int y, const QString& text, const TextStamp& stamp)
{
    // The text's white cell covers the lines drawn before it.
    flushLines();
    // The letters may reach a little beyond their cell.
    touch({x - stamp.height, y - stamp.height, x + stamp.width + stamp.height, y + 2 * stamp.height});
    if (stamp.stamped && drawsDirectly()) {
        TextStamps::apply(RasterTarget::of(m_image), stamp, x, y);
        return;
    }
    QPainter p(&m_image);
    preparePainter(p);
    // Opaque white background behind the text cell, black letters.
    p.fillRect(QRect(x, y, stamp.width, stamp.height), Qt::white);
    p.setFont(m_font);
    p.setPen(QColor(palette()[0]));
    p.drawText(QPoint(x, y + m_stamps.ascent()), text);
}

void PlotDevice::drawText(int x, int y, const QString& text) { drawStampedText(x, y, text, m_stamps.lookUp(text)); }

int PlotDevice::plottext(int px, int py, const std::string& text, int align)
{
    const QString s = pageText(text);
    const TextStamp& stamp = m_stamps.lookUp(s);
    const int w = stamp.width;
    const int h = stamp.height;
    int dx = 0, dy = 0;
    switch (align) {
    case 1: case 4: case 7: dx = -(w / 2); break;
    case 2: case 5: case 8: dx = -w; break;
    default: break;
    }
    if (align >= 3 && align <= 5)
        dy = -(h / 2);
    else if (align >= 6 && align <= 8)
        dy = -h;
    drawStampedText(px + dx, py + dy, s, stamp);
    return w;
}

void PlotDevice::plotlabel(int px, int py, const std::string& text)
{
    drawText(px + fixedPx(kLabelDx), py + fixedPx(kLabelDy), pageText(text));
}

void PlotDevice::plotlines(int px, int py, const std::string& text)
{
    QString s = pageText(text);
    // Cut at 255 characters, never inside a surrogate pair.
    qsizetype cut = 0;
    for (int chars = 0; cut < s.size() && chars < kPlotLinesMaxChars; ++chars)
        cut += (s[cut].isHighSurrogate() && cut + 1 < s.size()) ? 2 : 1;
    s.truncate(cut);
    qsizetype start = 0;
    int y = py;
    while (start < s.size()) {
        qsizetype end = s.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = s.size();
        drawText(px + fixedPx(kLabelDx), y + fixedPx(kLabelDy), s.mid(start, end - start));
        start = end + 1;
        y += fixedPx(kPlotLinesStepPx);
    }
}

void PlotDevice::plotshow()
{
    flushLines();
    if (m_showHook)
        m_showHook();
}

std::string PlotDevice::plotnumber(float v, float step)
{
    const char* fmt = "%8.4f";
    if (step != 0) {
        switch (satInt(std::log10(std::fabs(static_cast<double>(step))))) {
        case -1: fmt = "%4.3f"; break;
        case 0: fmt = "%4.2f"; break;
        case 1: fmt = "%5.1f"; break;
        case 2: fmt = "%3.0f"; break;
        case 3: fmt = "%4.0f"; break;
        case 4: fmt = "%5.0f"; break;
        default: break;
        }
    }
    return format(fmt, static_cast<double>(v));
}

void PlotDevice::addregion(int left, int bottom, int right, int top,
                           float xAtLeft, float yAtBottom, float xAtRight, float yAtTop, bool logY)
{
    const ReadoutRegion r{clampInt16(left), clampInt16(right), clampInt16(top), clampInt16(bottom),
                          xAtLeft, xAtRight, yAtBottom, yAtTop, logY};
    if (m_regions.size() < static_cast<std::size_t>(kMaxRegions))
        m_regions.push_back(r);
    else
        m_regions.back() = r;
}

std::optional<std::string> readoutText(const std::vector<ReadoutRegion>& regions, int x, int y)
{
    for (const ReadoutRegion& r : regions) {
        // A region without extent would divide by zero.
        if (r.left == r.right || r.top == r.bottom)
            continue;
        if (x < std::min(r.left, r.right) || x > std::max(r.left, r.right) ||
            y < std::min(r.top, r.bottom) || y > std::max(r.top, r.bottom))
            continue;
        const double xStep = double(r.xAtRight) - r.xAtLeft;
        double yStep = double(r.yAtTop) - r.yAtBottom;
        const double dataX = (x - r.left) * xStep / (r.right - r.left) + r.xAtLeft;
        double dataY = (y - r.bottom) * yStep / (r.top - r.bottom) + r.yAtBottom;
        if (r.logY) {
            dataY = std::pow(10.0, dataY);
            yStep = std::pow(10.0, std::abs(satInt(r.yAtTop)));
        }
        return PlotDevice::plotnumber(static_cast<float>(dataX), static_cast<float>(xStep)) + "   " +
               PlotDevice::plotnumber(static_cast<float>(dataY), static_cast<float>(yStep));
    }
    return std::nullopt;
}

}  // namespace kelvox
