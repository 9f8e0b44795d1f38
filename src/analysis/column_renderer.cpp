#include "column_renderer.h"

#include "analysis_workspace.h"
#include "numeric.h"
#include "page_layout.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace kelvox {

namespace {

constexpr int kRowMargin = 2;     // renderer rows reach one row below and above the strip
constexpr int kBlack = 1024;      // gray of a black pixel
constexpr int kThreshold = 512;   // above it a pixel turns black

// The page image's pixels: RGB32 up to 192 dpi, 8-bit gray on finer pages.
template <typename Pixel>
struct PagePixels;
template <>
struct PagePixels<QRgb> {
    static constexpr QRgb black = 0xFF000000u, white = 0xFFFFFFFFu;
};
template <>
struct PagePixels<uchar> {
    static constexpr uchar black = 0x00, white = 0xFF;
};

// Column value at index k, 0 outside what the column holds: a fractional row at the
// very top reads one bin beyond the last, with weight zero.
float columnValue(const std::vector<float>& column, int k, int last)
{
    return k >= 0 && k <= last ? column[static_cast<size_t>(k)] : 0.0f;
}

// Rows per unit of column index: row i reads the column at i / rowsPerBin.
double binsPerRow(const SpectrogramParameters& p)
{
    const double rows = p.geometry.rowCount;
    if (p.analysis == AnalysisType::Cepstrum)
        return p.sampleRate / (rows * p.bandwidth);  // quefrency 0 … windowLength/2
    if (p.analysis == AnalysisType::ConstantQ)       // bands up to topFrequency at 24 per octave
        return (kQBandCount + 79.726 * std::log10(2.0 * p.topFrequency / p.sampleRate)) / rows;
    return p.topFrequency * (2.0 * p.binCount) / (rows * p.sampleRate);
}

// Bark axis: slot k takes the largest value over the FFT bins up to barkBins[k + 1];
// a slot without bins of its own takes the value at the current bin.
void rebinToBark(std::vector<float>& column, const SpectrogramParameters& p, int last)
{
    const int slotCount = p.barkSlots;
    if (slotCount < 0 || static_cast<size_t>(slotCount) + 2 > p.barkBins.size())
        return;
    std::vector<float> slotValue(static_cast<size_t>(slotCount) + 1);
    int q = 0;
    for (int k = 0; k <= slotCount; ++k) {
        float s = columnValue(column, q, last);
        const int end = std::min(p.barkBins[static_cast<size_t>(k) + 1], last + 1);
        for (; q < end; ++q)
            s = std::max(s, column[static_cast<size_t>(q)]);
        slotValue[static_cast<size_t>(k)] = s;
    }
    std::copy(slotValue.begin(), slotValue.end(), column.begin());
}

// Gray level of t = (L + blackLevel − 98)·1024/grayRange: trunc(t) + 1024 clipped
// to 0 … 1024 (an undefined t, as satInt has it, counts as 0: black).
int grayOf(double t)
{
    if (t >= 0.0 || std::isnan(t))
        return kBlack;
    if (t <= -kBlack)
        return 0;
    return static_cast<int>(t) + kBlack;
}

// The gray levels of rows 0 … rows from the column `values` (count of them; reads
// outside give 0). The rows whose two bins both lie inside (the rows read rising
// bins) go through a loop without those checks, which the compiler vectorises;
// every row's arithmetic is the same.
#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target_clones("avx2", "default")))
#endif
void grayRows(RowMap& map, const float* values, int count, float blackLevel, double grayScale, int rows, int* grays)
{
    if (map.insideFor != count) {
        // The rows whose bins both lie inside: from the first such row on, as long as
        // they last.
        const auto inside = [&map, count](int row) {
            const int k = map.rowBin[static_cast<size_t>(row)];
            return k >= 0 && k + 1 < count;
        };
        map.insideFirst = 0;
        while (map.insideFirst <= rows && !inside(map.insideFirst))
            ++map.insideFirst;
        map.insideEnd = map.insideFirst;
        while (map.insideEnd <= rows && inside(map.insideEnd))
            ++map.insideEnd;
        map.insideFor = count;
    }
    const int* bin = map.rowBin.data();
    const float* fraction = map.rowFraction.data();
    const auto grayAt = [=](int i, float here, float next) {
        // In single precision up to the black level, as the levels are.
        const float value = here + fraction[i] * (next - here);
        grays[i] = grayOf((value + blackLevel - 98.0) * grayScale);
    };
    int i = 0;
    const auto checked = [&](int end) {
        for (; i < end; ++i) {
            const int k = bin[i];
            grayAt(i, k >= 0 && k < count ? values[k] : 0.0f, k + 1 >= 0 && k + 1 < count ? values[k + 1] : 0.0f);
        }
    };
    checked(map.insideFirst);
    for (const int end = map.insideEnd; i < end; ++i)
        grayAt(i, values[bin[i]], values[bin[i] + 1]);
    checked(rows + 1);
}

// The fractional column index of every pixel row, kept while the strip and the axis
// stay the same.
void mapRows(RowMap& st, const SpectrogramParameters& p)
{
    const double step = binsPerRow(p);
    const int rowCount = p.geometry.rowCount;
    if (st.rows == rowCount && st.step == step)
        return;
    st.rowBin.resize(static_cast<size_t>(rowCount) + 1);
    st.rowFraction.resize(static_cast<size_t>(rowCount) + 1);
    for (int i = 0; i <= rowCount; ++i) {
        const double s = i * step;
        const int k = satInt(s);
        st.rowBin[static_cast<size_t>(i)] = k;
        st.rowFraction[static_cast<size_t>(i)] = static_cast<float>(s - k);
    }
    st.rows = rowCount;
    st.step = step;
    st.insideFor = -1;
}

// The errors one pixel column passes on as it is dithered upward: 7/16 of a row's
// error to the row above (`carry`), and 3/16, 5/16 and 1/16 to the rows below, level
// and above in the next column. Row j of the next column gets e(j + 1)·3 + e(j)·5 +
// e(j − 1), complete once row j + 1 is done: it is written then, once, instead of
// being added up in a cleared row (the same integers).
struct DitherCarry {
    int carry = 0;
    int e1 = 0, e2 = 0;  // the errors of the last two rows, the last first
};

// Dithers renderer rows first … last of one pixel column at blend f. With `pixel`
// set, row i's pixel is written at pixel − (i − first)·bytesPerLine (rows go up).
// At f = 0 the blend is the previous column.
template <bool Blend, typename Pixel>
void ditherRows(const int* prev, const int* cur, double f, const int* errThis, int* errNext, int first, int last,
                Pixel* pixel, qsizetype bytesPerLine, DitherCarry& c)
{
    int carry = c.carry, e1 = c.e1, e2 = c.e2;
    for (int i = first; i <= last; ++i) {
        int v = prev[i] + errThis[i] + carry;
        if constexpr (Blend)
            v += static_cast<int>((cur[i] - prev[i]) * f);
        const int black = v > kThreshold ? 1 : 0;
        v -= black * kBlack;
        if (pixel) {
            *pixel = black ? PagePixels<Pixel>::black : PagePixels<Pixel>::white;
            if (i < last)
                pixel = reinterpret_cast<Pixel*>(reinterpret_cast<uchar*>(pixel) - bytesPerLine);
        }
        const int e = v >> 4;  // arithmetic shift: rounds toward minus infinity
        carry = 7 * e;
        errNext[i - 1] = e2 + 5 * e1 + 3 * e;
        e2 = e1;
        e1 = e;
    }
    c = {carry, e1, e2};
}

// One pixel column: the rows below the image, those in it (written), those above.
template <bool Blend, typename Pixel>
void ditherColumn(const int* prev, const int* cur, double f, const int* errThis, int* errNext, int rows, int firstDrawn,
                  int lastDrawn, Pixel* firstPixel, qsizetype bytesPerLine)
{
    DitherCarry c;
    Pixel* const none = nullptr;
    if (!firstPixel) {
        ditherRows<Blend>(prev, cur, f, errThis, errNext, 1, rows, none, 0, c);
    } else {
        ditherRows<Blend>(prev, cur, f, errThis, errNext, 1, firstDrawn - 1, none, 0, c);
        ditherRows<Blend>(prev, cur, f, errThis, errNext, firstDrawn, lastDrawn, firstPixel, bytesPerLine, c);
        ditherRows<Blend>(prev, cur, f, errThis, errNext, lastDrawn + 1, rows, none, 0, c);
    }
    // The top row's own share; the row above the strip is never read.
    errNext[rows] = c.e2 + 5 * c.e1;
}

// Error diffusion of the pixel columns x … x + width − 1 of the strip, written
// into the page image (whose pixels are Pixel) where they lie inside it.
template <typename Pixel>
void ditherColumns(const SpectrogramGeometry& g, const int* prev, const int* cur, int x, int width, RendererRows& st,
                   QImage& image)
{
    const int rows = g.rowCount;
    const int imageWidth = image.width(), imageHeight = image.height();
    uchar* bits = width > 0 ? image.bits() : nullptr;
    const qsizetype bytesPerLine = image.bytesPerLine();
    // Rows outside the image are dithered all the same but not written.
    const int bottomRow = g.spgmTop + rows;  // image row of renderer row 0
    const int firstDrawn = std::clamp(bottomRow - (imageHeight - 1), 1, rows + 1);
    const int lastDrawn = std::clamp(bottomRow, firstDrawn - 1, rows);
    for (int d = 0; d < width; ++d) {
        const long long px = static_cast<long long>(g.spgmLeft) + x + d;
        if (px >= g.spgmRight)
            break;
        const double f = static_cast<double>(d) / width;
        int* errThis = st.errThis.data() + kRowMargin;
        int* errNext = st.errNext.data() + kRowMargin;
        Pixel* firstPixel = px >= 0 && px < imageWidth && firstDrawn <= lastDrawn
                                ? reinterpret_cast<Pixel*>(bits + (bottomRow - firstDrawn) * bytesPerLine) + px
                                : nullptr;
        if (d == 0)
            ditherColumn<false>(prev, cur, f, errThis, errNext, rows, firstDrawn, lastDrawn, firstPixel, bytesPerLine);
        else
            ditherColumn<true>(prev, cur, f, errThis, errNext, rows, firstDrawn, lastDrawn, firstPixel, bytesPerLine);
        std::swap(st.errThis, st.errNext);
    }
}

}  // namespace

void selectsubdisplay(PlotDevice& plot, const SpectrogramGeometry& geometry, int k, bool framed)
{
    if (k < 0 || k >= static_cast<int>(geometry.sub.size()))
        return;
    const PageBox& d = geometry.sub[static_cast<size_t>(k)];
    plot.plotwindow(d.x0, d.y0, d.x1, d.y1, d.px0, d.py0, d.px1, d.py1, 0);
    if (!framed)
        return;
    // The frame is drawn by plotwindow, which sets the width it is given.
    plot.plotlw(2);
    plot.plotwindow(d.x0, d.y0, d.x1, d.y1, d.px0, d.py0, d.px1, d.py1, 1);
    plot.plottext(d.px0 + plot.fixedPx(1), std::min(d.py0, d.py1) + plot.fixedPx(1), d.caption, 0);
    plot.plotlw(1);
}

void resetRendererRows(RendererRows& st, int rowCount)
{
    const size_t rows = static_cast<size_t>(std::max(rowCount, 0)) + 2 * kRowMargin;
    for (std::vector<int>* row : {&st.prevGray, &st.curGray, &st.errThis, &st.errNext})
        row->assign(rows, 0);
}

void columngrays(const SpectrogramParameters& p, std::span<const float> column, RowMap& map, std::span<int> grays)
{
    const int rows = p.geometry.rowCount;
    if (rows < 1 || grays.size() < static_cast<size_t>(rows) + 1)
        return;
    // The column's values up to its last bin; the bin after it reads 0.
    const int last = std::clamp(p.binCount, 0, kAnalysisArraySize - 1);
    const int given = static_cast<int>(std::min<size_t>(column.size(), static_cast<size_t>(last)));
    const float* values = column.data();
    int count = given;
    if (p.barkCount != 0.0) {
        map.column.assign(static_cast<size_t>(last) + 1, 0.0f);
        std::copy(column.begin(), column.begin() + given, map.column.begin());
        rebinToBark(map.column, p, last);
        values = map.column.data();
        count = last + 1;
    }

    // Gray of every pixel row, 0 = bottom.
    mapRows(map, p);
    grayRows(map, values, count, p.blackLevel, 1024.0 / p.grayRange, rows, grays.data());
}

void drawgrays(const SpectrogramParameters& p, std::span<const int> grays, int x, int width, RendererRows& st,
               PlotDevice& plot)
{
    const SpectrogramGeometry& g = p.geometry;
    selectsubdisplay(plot, g, PageLayout::kSpectrogram, false);
    const int rows = g.rowCount;
    if (rows < 1 || grays.size() < static_cast<size_t>(rows) + 1)
        return;
    if (st.curGray.size() < static_cast<size_t>(rows) + 2 * kRowMargin)
        resetRendererRows(st, rows);
    int* cur = st.curGray.data() + kRowMargin;
    int* prev = st.prevGray.data() + kRowMargin;
    if (grays.data() != cur)
        std::copy(grays.begin(), grays.begin() + rows + 1, cur);
    if (x == 0)
        std::copy(cur, cur + rows + 1, prev);

    // Error diffusion, one pixel column at a time, upward through the rows.
    QImage& image = plot.pixels({g.spgmLeft, g.spgmTop, g.spgmRight, g.spgmTop + rows});
    if (image.format() == QImage::Format_Grayscale8)
        ditherColumns<uchar>(g, prev, cur, x, width, st, image);
    else
        ditherColumns<QRgb>(g, prev, cur, x, width, st, image);
    std::swap(st.prevGray, st.curGray);
}

void drawcolumn(const SpectrogramParameters& p, std::span<const float> column, int x, int width, RendererRows& st,
                PlotDevice& plot)
{
    const int rows = p.geometry.rowCount;
    if (rows < 1) {
        selectsubdisplay(plot, p.geometry, PageLayout::kSpectrogram, false);
        return;
    }
    if (st.curGray.size() < static_cast<size_t>(rows) + 2 * kRowMargin)
        resetRendererRows(st, rows);
    const std::span<int> grays = std::span<int>(st.curGray).subspan(kRowMargin, static_cast<size_t>(rows) + 1);
    columngrays(p, column, st.map, grays);
    drawgrays(p, grays, x, width, st, plot);
}

}  // namespace kelvox
