#pragma once
// The spectrogram page's sub-display selection and its column renderer: one analysed
// column of decibel values becomes black and white pixels of the spectrogram strip
// by error diffusion, blended across the column's width from the previous column.

#include "plot_device.h"
#include "spectrogram_parameters.h"
#include "spectrogram_state.h"

#include <span>

namespace kelvox {

/// Makes sub-display k (0 page, 1 waveform, 2 spectrogram, 3 pitch, 4 level) of
/// `geometry` the plot device's current data window (its data rectangle onto its
/// pixel rectangle). With framed: also draws its frame (line width 1, solid) and
/// writes its caption top-left at (px0 + 1, min(py0, py1) + 1) (fixed pixels, see
/// PlotDevice::fixedPx); the line width is 1 afterwards. k outside 0 … 4 does nothing.
void selectsubdisplay(PlotDevice& plot, const SpectrogramGeometry& geometry, int k, bool framed);

/// Sizes the renderer rows (previous-column grays, this column's grays, the two
/// error-diffusion rows) for `rowCount` pixel rows plus two rows of margin at each
/// end, all zero. The page loop calls it at the start of each page.
void resetRendererRows(RendererRows& rows, int rowCount);

/// The gray level of every pixel row i = 0 … rowCount (0 = bottom) of `column` (dB
/// values of bins 0 … binCount − 1; bin binCount and beyond read as 0) into
/// grays[0 … rowCount]. With a Bark axis the column is first re-binned into
/// barkSlots + 1 slots (the maximum over each slot's FFT bins). Row i takes the
/// column value linearly interpolated at its fractional bin L, and gray
///   g = clip(trunc((L + blackLevel − 98)·1024/grayRange) + 1024, 0, 1024)
/// (1024 black). Reads `p`; `map` is its scratch. Nothing when rowCount < 1 or
/// `grays` is shorter.
void columngrays(const SpectrogramParameters& p, std::span<const float> column, RowMap& map, std::span<int> grays);

/// Renders a column with the gray levels `grays` (rowCount + 1 values, as
/// columngrays makes them) into the spectrogram strip at pixel columns spgmLeft + x
/// … spgmLeft + x + width − 1, never at or right of spgmRight. Pixel column d blends
/// from the previous column's grays to these by d/width; rows 1 … rowCount are
/// dithered (black when the value exceeds 512, the error spread 7/16 up, 3/16, 5/16,
/// 1/16 into the next column) and written straight into the page image (RGB32 or,
/// on pages finer than 192 dpi, 8-bit gray), clipped to it. x = 0 (a page's first column) blends from the column
/// itself. Nothing is drawn when width < 1 or rowCount < 1; the grays still become the previous column's. Selects the
/// spectrogram strip on `plot` first. Reads `p`; owns `rows`.
void drawgrays(const SpectrogramParameters& p, std::span<const int> grays, int x, int width, RendererRows& rows,
               PlotDevice& plot);

/// columngrays into the rows, then drawgrays.
void drawcolumn(const SpectrogramParameters& p, std::span<const float> column, int x, int width, RendererRows& rows,
                PlotDevice& plot);

}  // namespace kelvox
