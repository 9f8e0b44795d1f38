#pragma once
// The one drawing device of the program: a page of 282.8 × 200.0 mm drawn into the
// page image at 96 dpi (screen) or at a print resolution (192 dpi, or a printer's
// own, 96 … 1200). Every page composer draws through it; the plot window shows,
// reads out, saves and prints the image. Coordinates are integer pixels of the page
// image, origin top-left, y downward.

#include "page_raster.h"
#include "page_units.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPoint>

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace kelvox {

class PrintService;

/// A rectangle of page pixels: left and top inclusive, right and bottom
/// exclusive, so width = right − left. May reach outside the image.
struct PageRect {
    int left = 0, top = 0, right = 0, bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    /// The same rectangle with left ≤ right and top ≤ bottom.
    PageRect ordered() const;
    bool operator==(const PageRect&) const = default;
};

/// A part of the page where the plot window reads out data coordinates under the
/// mouse. The pixel edges carry the data values at them; with logY the y values
/// are base-10 logarithms of the quantity shown.
struct ReadoutRegion {
    int16_t left = 0, right = 0, top = 0, bottom = 0;
    float xAtLeft = 0, xAtRight = 0, yAtBottom = 0, yAtTop = 0;
    bool logY = false;
};

/// The anchors of plottext: column align mod 3 = left / centre / right of px, row
/// align div 3 = top / middle / bottom at py.
inline constexpr int kAlignTopLeft = 0, kAlignTopCentre = 1, kAlignTopRight = 2;
inline constexpr int kAlignMiddleLeft = 3, kAlignMiddleCentre = 4, kAlignMiddleRight = 5;
inline constexpr int kAlignBottomLeft = 6, kAlignBottomCentre = 7, kAlignBottomRight = 8;

/// Line modes of plotmove: bits 2–3 pick the dash style.
enum class DashStyle { Solid = 0, Dotted = 1, Dashed = 2, DashDot = 3 };

/// The pen pattern of a dash style, in pixels on and off (empty for solid).
/// The lengths are those of the classic cosmetic pens (dot 3/3, dash 18/6,
/// dash-dot 9/6/3/6), so dotted grids look as they always have.
QList<qreal> dashPattern(DashStyle style);

/// Draws a line with the painter's pen the way page lines are drawn. block ≥ 1: a
/// thin line, `from` included, `to` left out, so joined lines and closed outlines set
/// each pixel once (which an exclusive-or outline needs); at finer resolutions the
/// pen is `block` pixels wide and each pixel of the line is a square of block ×
/// block pixels to the right of and below the point, as the pixel of a 192-dpi line
/// lies to the right of and below its point. block 0: a wide line, centred on its
/// path. The pen should have flat caps.
void drawPageLine(QPainter& painter, QPoint from, QPoint to, int block);
/// The same with the block a pen of its width has: 1 up to one pixel, else 0.
void drawPageLine(QPainter& painter, QPoint from, QPoint to);

/// Joined page lines through `points`: every pixel set once, the last point left
/// out (close an outline by repeating the first point).
void drawPagePolyline(QPainter& painter, std::initializer_list<QPoint> points, int block);
void drawPagePolyline(QPainter& painter, std::initializer_list<QPoint> points);

/// A rubber band on `image`: dotted page lines through `points` in white with
/// exclusive-or, so every pixel passed is inverted and drawing the same band
/// again restores the image byte for byte.
void drawXorBand(QImage& image, std::initializer_list<QPoint> points);

/// The largest pixel size of `family` whose cell height (QFontMetrics::height(),
/// internal leading included) does not exceed cellHeightPx; at least 1.
/// Needs a QGuiApplication.
int pixelSizeForCellHeight(const QString& family, int cellHeightPx);

/// Text for the page: UTF-8 when the bytes are valid UTF-8, otherwise Latin-1,
/// so label files written in either encoding show their letters.
QString pageText(const std::string& text);

class PlotDevice {
public:
    // The plot window's page image, RGB32, which holds the pages up to 192 dpi. A
    // page at a finer resolution gets an 8-bit gray image of its own size instead
    // (its pages are black and white; 6680 × 4724 bytes at 600 dpi).
    static constexpr int kImageWidth = 2136;
    static constexpr int kImageHeight = 1514;
    static constexpr int kPaletteSize = 8;
    static constexpr int kMaxRegions = 15;
    /// Where plotlabel and plotlines put a text's top-left corner, from (px, py), in
    /// pixels up to 192 dpi (fixedPx at finer resolutions).
    static constexpr int kLabelDx = 4, kLabelDy = -12;

    /// A white page image, resolution 96 and the page size, font and line height
    /// of a 96-dpi page, so that readers of `resolution` never see 0 before the
    /// first page begin. Needs a QGuiApplication (fonts).
    PlotDevice();
    ~PlotDevice();
    PlotDevice(const PlotDevice&) = delete;
    PlotDevice& operator=(const PlotDevice&) = delete;

    // --- page begin ------------------------------------------------------------

    /// Begins a screen page at 96 dpi: resolution, font (cell 10 px), lineheight
    /// 12, page 1068 × 755 px. Every run begins with a page, so a page begin also
    /// gives a clean pen (solid, width 1, black) and a white image; then it
    /// outlines (0, 0)–(pagewidth, pageheight). Data window, frame and pen position
    /// carry over.
    void plotscreen();
    /// Begins a print page at the resolution the print service draws its pages at
    /// (printResolution: the printer's own, at most 600 dpi; 192 without a service).
    /// The print job itself (landscape, one per page) is made after the page is
    /// drawn, by the print service.
    void plotprinter();
    /// Begins a print page at `dpi`, taken into 96 … 1200: font cell dpi div 9,
    /// lineheight that + fixedPx(2), page dpi × 2828 div 254 × dpi × 2000 div 254
    /// pixels. At 192 dpi: cell 21 px, lineheight 23, page 2137 × 1511 px, its last
    /// column clipped by the 2136-wide image. Above 192 dpi the page has an 8-bit
    /// image of its own size, and every fixed pixel distance of the page (plotlabel's
    /// offsets, plotlines' line step, line widths, lineheight's 2) is fixedPx of it,
    /// so that the page is the 192-dpi page in finer pixels. Throws std::bad_alloc
    /// when that image cannot be had.
    void plotprinter(int dpi);
    /// The resolution plotprinter() draws at: the print service's page resolution,
    /// or 192 dpi without a service.
    int printResolution() const;
    /// Starts a print job on the print service set with setPrintService.
    /// Returns "" or the reason the job could not start (also when no service is set).
    std::string plotbegindoc();
    /// Abandons the open print job, if any.
    void plotabort();

    /// Text size s in sixths of an inch: cell height trunc(resolution × s / 6)
    /// pixels (font at least 1 px), lineheight = that height (no + 2).
    void plottextsize(float s);

    // --- data window -----------------------------------------------------------

    /// Binds data (x0, y0)–(x1, y1) to pixels (px0, py0)–(px1, py1): x0 → px0,
    /// x1 → px1, y0 → py0, y1 → py1 (an upward y axis passes the bottom row as
    /// py0). x1 = x0 (y1 = y0) is widened by one data unit. The frame is the
    /// ordered pixel box, inclusive, cut at the page edge + 1. framewidth ≠ 0 sets
    /// the line width to it and draws the frame as a closed solid line.
    void plotwindow(double x0, double y0, double x1, double y1,
                    int px0, int py0, int px1, int py1, int framewidth);
    /// Pixel column of data x, clamped to the frame (beyond x1 gives px1 exactly).
    int plotxpix(double x) const;
    /// Pixel row of data y, clamped to the frame.
    int plotypix(double y) const;

    // --- lines -----------------------------------------------------------------

    /// mode 0 moves the pen; otherwise draws from the pen position to (px, py)
    /// (end pixel excluded) with dash style (mode >> 2) & 3, the line width and
    /// palette[colour]. Dash styles apply to lines of width 1 or less; wider lines
    /// are solid. The pen position becomes (px, py) either way.
    void plotmove(int px, int py, int mode);
    /// Line width in pixels.
    void plotlw(int w);
    /// Line colour = palette index c mod 8 (negative c counts from the end).
    void plotcolor(int c);
    /// Fills the current frame white and outlines it with the current pen.
    void plotclear();

    // --- text ------------------------------------------------------------------

    /// One line of text anchored at (px, py) on a white background; align is a
    /// 3 × 3 grid: align mod 3 = left / centre / right of px, align div 3 = top /
    /// middle / bottom at py. Returns the text width in pixels.
    int plottext(int px, int py, const std::string& text, int align);
    /// One line of text with its top-left corner at (px + 4, py − 12) (fixed
    /// pixel offsets up to 192 dpi, fixedPx of them above).
    void plotlabel(int px, int py, const std::string& text);
    /// The first 255 characters of text, cut at line feeds; piece i is drawn with
    /// plotlabel at (px, py + 18 i) (fixedPx(18) above 192 dpi). Empty pieces keep
    /// their line; a final line feed adds none.
    void plotlines(int px, int py, const std::string& text);
    /// Where plotlabel puts a text's top, from the row it is given (−12 up to 192 dpi).
    int labelOffsetY() const { return fixedPx(kLabelDy); }

    /// Makes the partly drawn page visible through the installed show hook (the
    /// plot window: show, repaint, process pending events); nothing when headless.
    /// Draws the lines an open batch holds first (the batch goes on).
    void plotshow();
    void setShowHook(std::function<void()> hook) { m_showHook = std::move(hook); }
    /// Hooks called before the page in the image is replaced (a page begin, keeping
    /// or bringing back the screen page) and after: the plot window takes its rubber
    /// band off the old page first and fits its view to the new page after.
    void setPageHooks(std::function<void()> before, std::function<void()> after)
    {
        m_beforePageChange = std::move(before);
        m_afterPageChange = std::move(after);
    }

    /// Keeps the screen page as it stands (image, resolution, used area, read-out
    /// regions) while a print run draws its pages in the same image.
    void keepScreenPage();
    /// Brings back the page keepScreenPage kept, whole, at its resolution, and
    /// forgets it; begins a screen page (plotscreen) when none is kept.
    void restoreScreenPage();

    /// v formatted by the size of step: step 0 → "%8.4f"; otherwise by
    /// e = trunc(log10|step|): −1 "%4.3f", 0 "%4.2f", 1 "%5.1f", 2 "%3.0f",
    /// 3 "%4.0f", 4 "%5.0f", any other "%8.4f". A NaN step counts as e = 0.
    static std::string plotnumber(float v, float step);

    // --- read-out regions ------------------------------------------------------

    /// Appends a read-out region (pixel edges saturated to int16); when 15 are
    /// stored the 15th is replaced.
    void addregion(int left, int bottom, int right, int top,
                   float xAtLeft, float yAtBottom, float xAtRight, float yAtTop, bool logY);
    /// Empties the regions; page composers call it when they start a page.
    void clearRegions() { m_regions.clear(); }
    const std::vector<ReadoutRegion>& regions() const { return m_regions; }

    // --- state -----------------------------------------------------------------

    int resolution() const { return m_resolution; }
    /// A distance the pages give in fixed pixels (at 96 and 192 dpi) at this page's
    /// resolution: fixedPixels(px, resolution).
    int fixedPx(int px) const { return fixedPixels(px, m_resolution); }
    int pageWidthPx() const { return m_pageWidth; }
    int pageHeightPx() const { return m_pageHeight; }
    int lineheight() const { return m_lineheight; }
    /// Height of the white cell behind one line of text, in pixels.
    int textHeight() const;
    /// The canvas font (Arial, no antialiasing; characters it lacks from DejaVu
    /// Sans) and its wanted cell height.
    const QFont& font() const { return m_font; }
    int fontCellHeight() const { return m_fontCell; }
    QRgb paletteColor(int index) const;
    int colour() const { return m_colour; }
    int background() const { return m_background; }
    int lineWidth() const { return m_lineWidth; }
    int frameLeft() const { return m_frameLeft; }
    int frameTop() const { return m_frameTop; }
    int frameWidth() const { return m_frameWidth; }
    int frameHeight() const { return m_frameHeight; }
    int penX() const { return m_penX; }
    int penY() const { return m_penY; }

    /// The drawn part of the page, written by the page composers, read by save
    /// and print. Empty at start.
    PageRect usedarea;

    /// The page image (RGB32, 2136 × 1514, up to 192 dpi; 8-bit gray of the page's
    /// size above), for readers (save, print, the plot
    /// window, tests), with every line drawn so far. The const view leaves out the
    /// lines an open batch still holds; batches live only while a page is drawn,
    /// and plotshow draws them before the plot window looks.
    QImage& image();
    const QImage& image() const;
    /// The page image for a direct pixel writer inside a line batch (the spectrogram
    /// column renderer), which writes only inside `area` and must clip to the image
    /// itself. Lines the batch holds that may set a pixel in `area` are drawn first,
    /// so that what is written lands on top of them, as without a batch.
    QImage& pixels(const PageRect& area);
    /// Hands over the page drawn so far, every line drawn, and goes on drawing in
    /// `blank`, an all-white image of the same size and format (whose first clear
    /// then has nothing to fill). `drawn` is the part of the image handed over
    /// where anything may have been drawn since it was last all white: the page
    /// rectangle (0, 0, pageWidthPx, pageHeightPx) and a margin around it, or the
    /// whole image. When `blank` does not fit, returns a copy of the page and keeps
    /// drawing in its own image.
    QImage takePage(QImage blank, PageRect& drawn);

    /// While it lives, the solid and dashed lines of plotmove are held and drawn
    /// together in one painter session: a page draws thousands of short lines
    /// (strokes, envelope columns, curves), and a painter for each is most of what
    /// drawing them costs. The page comes out pixel for pixel as without a batch:
    /// the held lines are drawn, in order, before any text or fill, by plotshow, by
    /// image(), by pixels() when they may touch its area, and by the last batch's
    /// destructor. Batches nest.
    class LineBatch {
    public:
        explicit LineBatch(PlotDevice& device) : m_device(device) { ++m_device.m_batchDepth; }
        ~LineBatch();
        LineBatch(const LineBatch&) = delete;
        LineBatch& operator=(const LineBatch&) = delete;

    private:
        PlotDevice& m_device;
    };

    void setPrintService(PrintService* service) { m_printService = service; }

    /// How many data values given to plotwindow, plotxpix and plotypix were NaN or
    /// infinite since the device was made: a page composer's arithmetic went wrong.
    /// The tests and fuzz targets of the runs read it; drawing goes on regardless.
    int nonFiniteCount() const { return m_nonFinite; }
    PrintService* printService() const { return m_printService; }

private:
    /// A pen lines are drawn with, and what drawing without a painter needs of it.
    struct LinePen {
        QPen pen;
        QRgb colour = 0xFF000000u;
        DashStyle style = DashStyle::Solid;
        bool thin = true;  // width 0 or 1: dashes apply, rows and columns are drawn directly
        // What it was made for: a plotmove style, width and palette index, or the pen
        // of a page begin.
        bool clean = false;
        DashStyle mode = DashStyle::Solid;
        int width = 1, colourIndex = 0;
        int resolution = 96;
        int block = 1;  // the drawPageLine block: 0 for a wide line
        // How far beyond its ends and sides the line's pixels may reach: its pen,
        // and the block a thin line is shifted by on finer pages.
        int reach = 2;
    };
    /// A line held by a batch: its ends, its pen (an index into m_pens) and the
    /// pixels it may set.
    struct BatchedLine {
        QPoint from, to;
        int pen = 0;
        PageRect box;
    };
    /// Draws the held lines, in order, and forgets them: lines along a pixel row or
    /// column straight into the image, the others in one painter session.
    void flushLines();
    /// Draws one line with `pen`: straight into the image where drawAxisLine can
    /// (`target` without bits: never), otherwise with `painter`, begun on the image
    /// when there is none yet.
    void drawLine(std::optional<QPainter>& painter, int& painterPen, int pen, QPoint from, QPoint to,
                  const RasterTarget& target);
    /// The index in m_pens of the pen plotmove draws `style` with at `width`,
    /// `colour` and the page's resolution, made when there is none yet.
    int linePenIndex(DashStyle style, int width, int colour);
    /// The pixels of the page image when drawsDirectly, else a target without bits.
    RasterTarget directTarget();
    /// The index in m_pens of the pen a page begins with: solid black, one (logical)
    /// pixel.
    int cleanPenIndex();
    /// Writes a text's cell and letters at (x, y); `stamp` is its entry in m_stamps.
    void drawStampedText(int x, int y, const QString& text, const TextStamp& stamp);
    /// Whether a held line may set a pixel inside `area`; asked again about the same
    /// area it looks only at the lines added since.
    bool linesMayTouch(const PageRect& area);

    void applyResolution(int resolution);
    void beginPage(int resolution);
    void setFontCell(int cellHeightPx);
    /// Makes the page image fit for a page at `resolution`: the window's RGB32 image
    /// up to 192 dpi, an 8-bit image of the page's size above.
    void prepareImage(int resolution);
    /// Whether the page image takes lines, fills and texts straight into its pixels
    /// (page_raster): the RGB32 image of the pages up to 192 dpi. Finer pages, in 8-bit
    /// gray, are drawn by a painter.
    bool drawsDirectly() const { return m_image.format() == QImage::Format_RGB32; }
    /// The pen of a line of `width` (logical pixels), colour and style at this
    /// resolution, with the block drawPageLine draws it with.
    LinePen linePen(DashStyle style, int width, int colour) const;
    int lineBlock(int width) const { return width > 1 ? 0 : fixedPx(1); }
    std::vector<LinePen> m_pens;  // the pens made so far; a page draws with a handful
    /// Fills (left, top)–(right, bottom) exclusive with white and outlines it with
    /// the current canvas pen.
    void drawFilledRect(int left, int top, int right, int bottom);
    void drawText(int x, int y, const QString& text);

    QImage m_image;
    // What is known of m_image's pixels: all white (a blank page handed over, or a
    // page begun, with nothing drawn since); nothing drawn outside the page
    // rectangle since it was all white.
    bool m_imageBlank = false;
    bool m_drewOutside = true;
    /// Notes that pixels inside `box` (and nowhere else) may change.
    void touch(const PageRect& box);
    /// Where the page's drawing stays but for the odd line or text: the page
    /// rectangle with a margin, inside the image; made again whenever the page's
    /// size or image changes (applyResolution).
    void updateDrawingLimit();
    PageRect m_drawingLimit;
    int m_resolution = 96;
    int m_pageWidth = 0, m_pageHeight = 0;
    int m_lineheight = 0;
    int m_fontCell = 0;
    QFont m_font;
    int m_colour = 0;
    int m_background = 1;
    int m_lineWidth = 1;
    double m_x0 = 0, m_y0 = 0, m_xscale = 1.0, m_yscale = 1.0, m_xspan = 0, m_yspan = 0;
    int16_t m_px0 = 0, m_py0 = 0;
    int m_frameLeft = 0, m_frameTop = 0, m_frameWidth = 0, m_frameHeight = 0;
    int16_t m_penX = 0, m_penY = 0;
    int m_canvasPen = 0;  // m_pens index of the pen the last line was drawn with; outlines rectangles
    // What m_canvasPen was made for by plotmove (not known: the start-up pen).
    bool m_canvasPenKnown = false;
    DashStyle m_canvasStyle = DashStyle::Solid;
    int m_canvasWidth = 0, m_canvasColour = 0;
    std::vector<ReadoutRegion> m_regions;
    std::function<void()> m_showHook;
    std::function<void()> m_beforePageChange, m_afterPageChange;
    struct KeptPage {
        QImage image;
        int resolution = 96;
        PageRect usedarea;
        std::vector<ReadoutRegion> regions;
    };
    std::optional<KeptPage> m_keptScreenPage;
    PrintService* m_printService = nullptr;
    mutable int m_nonFinite = 0;
    int m_batchDepth = 0;
    std::vector<BatchedLine> m_lines;  // held by the open batch
    TextStamps m_stamps;               // the texts drawn with the current font
    std::size_t m_checkedLines = 0;    // linesMayTouch: lines looked at for m_checkedArea
    bool m_touches = false;
    PageRect m_checkedArea;
};

/// Begins a screen page (plotscreen) for 96 dpi and a print page at `dpi`
/// (plotprinter(dpi)) otherwise, as a run's caller does; true for a print page.
bool beginPageAt(PlotDevice& device, int dpi);

/// The mouse read-out at pixel (x, y): the first region (in the order added) whose
/// box holds the point, edges included; regions of zero width or height are
/// skipped. X and Y are interpolated between the edges (Y = 10^Y in a log region,
/// its step then 10^|trunc(y at top)|) and formatted with plotnumber; the text is
/// X, three spaces, Y. Nothing where no region holds the point.
std::optional<std::string> readoutText(const std::vector<ReadoutRegion>& regions, int x, int y);

}  // namespace kelvox
