#pragma once
// The page's most frequent marks written straight into the RGB32 page image, pixel
// for pixel as QPainter would draw them, but without a painter: thin lines along a
// pixel row or column (the staircase curves, grids, frames and envelope columns of
// every page), rectangles filled with one colour, and black text on its white cell
// (axis labels, captions) from a stamp of the text rendered once. A page draws tens
// of thousands of these, and a painter for each costs far more than the pixels.

#include <QFont>
#include <QHash>
#include <QImage>
#include <QPoint>
#include <QString>

#include <cstdint>
#include <span>
#include <vector>

namespace kelvox {

/// Where the page image's pixels are: its rows, the row length in bytes and its size.
struct RasterTarget {
    uchar* bits = nullptr;
    qsizetype bytesPerLine = 0;
    int width = 0, height = 0;

    /// The pixels of `image` (RGB32 or ARGB32), detached for writing.
    static RasterTarget of(QImage& image);
    QRgb* row(int y) const { return reinterpret_cast<QRgb*>(bits + y * bytesPerLine); }
};

/// Sets the pixels of a thin (width 0 or 1), flat-capped page line from `from` to
/// `to`, as drawPageLine has QPainter draw it: `from` included, `to` left out, a line
/// of no length sets the pixel at `from`. `dashes` holds the on and off lengths in
/// pixels (empty: solid), counted from `from`. Only lines along a pixel row or column
/// are drawn here, and dashed lines only when both ends lie inside the image (a
/// painter restarts the dashes where it cuts a line at the image's edge); false,
/// with nothing drawn, for every other line, which a painter must draw. Pixels
/// outside the image are left out.
bool drawAxisLine(const RasterTarget& target, QPoint from, QPoint to, QRgb colour, std::span<const int> dashes);

/// Fills left … right − 1 × top … bottom − 1 (cut to the image) with `colour`, as
/// QPainter::fillRect does with an opaque colour.
void fillPixels(const RasterTarget& target, int left, int top, int right, int bottom, QRgb colour);

/// One text as the page draws it with a font: its advance width and cell height,
/// and, once it has been seen twice, the runs of black pixels its letters set,
/// relative to the top-left corner of its white cell (letters may reach outside it).
struct TextStamp {
    struct Run {
        int16_t dy = 0, x0 = 0, x1 = 0;  // pixels x0 … x1 − 1 of row dy
    };
    int width = 0, height = 0;
    int uses = 0;
    bool stamped = false;    // runs hold the letters
    bool paintOnly = false;  // the letters are not pure black: always drawn by a painter
    std::vector<Run> runs;
};

/// The stamps of the texts a page device draws with one font. A text seen for the
/// first time is only measured; from its second use on its letters are rendered once
/// into a scratch image and kept as runs, so that repeated texts (tick labels,
/// captions) cost a fill and a few runs. Holds at most kMaxTexts texts; then it
/// starts afresh.
class TextStamps {
public:
    static constexpr int kMaxTexts = 4096;

    /// Forgets every text when `font` (or the image's dots per metre, which text
    /// metrics may read) differs from the one the stamps were made with.
    void useFont(const QFont& font, int dotsPerMeterX, int dotsPerMeterY);
    /// The entry of `text`, measured with the font, counting one use; its runs made
    /// when this is at least its second use.
    const TextStamp& lookUp(const QString& text);
    /// The font's ascent in pixels: where the baseline lies below a cell's top.
    int ascent() const { return m_ascent; }
    /// Writes `stamp` with its cell's top-left corner at (x, y): the cell white, then
    /// the letters black. Only for stamped entries.
    static void apply(const RasterTarget& target, const TextStamp& stamp, int x, int y);

private:
    void makeRuns(const QString& text, TextStamp& stamp);

    QFont m_font;
    bool m_hasFont = false;
    int m_ascent = 0;
    QHash<QString, TextStamp> m_texts;
    QImage m_scratch;  // dots per metre of the page image
};

}  // namespace kelvox
