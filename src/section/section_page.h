#pragma once
// Geometry of a spectrum section page as plain arithmetic: the three sub-displays
// scaled to the page, the grid of section cells, and the ticks and labels of the
// strip's time axis and of a cell's frequency, lag and level axes. No drawing.

#include "page_box.h"

#include <string>
#include <vector>

namespace kelvox {

/// The page frame, the time-wave strip and the spectrum area (their py0 the bottom
/// rows: y axes point up), and the grid.
struct SectionLayout {
    PageBox frame, strip, area;
    int columns = 1, rows = 1;
    int cellWidth = 0, cellHeight = 0;
    int leftMargin = 0, bottomMargin = 0;
    int sectionsPerPage = 1;
};

/// Lays out a page of pageWidthPx × pageHeightPx pixels: the default boxes (tenths
/// of a millimetre of the 282.8 × 200.0 mm page) scaled to pixels with integer
/// arithmetic, then, for printSize ≠ 1, shrunk toward the frame's top (px1 and the
/// rows; px0 stays). The spectrum area's top is the strip's bottom + 2 lineheights.
/// Grid for n sections: columns 1 + [n>1] + [n>4] + [n>9] + [n>16], rows
/// 1 + [n>2] + [n>6] + [n>12] + [n>20]; bottom margin lineheight + 10, left margin
/// lineheight × 5 div 2. n is used as given (the run passes 1 … 25).
SectionLayout sectionLayout(int pageWidthPx, int pageHeightPx, double printSize, int lineheight, int sectionsPerPage);

/// The pixel box of one section cell: labels go left of `left` and below `bottom`.
struct SectionCell {
    int left = 0, right = 0, top = 0, bottom = 0;
};
/// Cell of the c-th section on a page (0 for the first), filled column by column:
/// column = c div rows, row = c mod rows.
SectionCell sectionCell(const SectionLayout& layout, int c);

/// Frequency ticks of a cell from left to right pixel: step = the first of
/// 0.1, 0.2, 0.5, … 5000 Hz not below freqRange / 10 (5000 when none is); ticks
/// i = 0 … trunc(freqRange / step) within the cell, labelled "%1.0fk" (step ≥ 1000),
/// "%3.1fk" (≥ 100) or "%3.0f".
std::vector<AxisTick> frequencyTicks(int left, int right, double freqRange);
double sectionFrequencyTickStep(double freqRange);

/// Lag ticks of a cell showing `lagCount` lags at sampleRate: step = the first of
/// 0.1 … 5000 × 0.1 ms not below a tenth of the lag span (the last when none is);
/// labels "%3.1f" of seconds (step ≥ 0.1 s) or "%3.1fm" of milliseconds.
std::vector<AxisTick> lagTicks(int left, int right, int lagCount, double sampleRate);
double lagTickStep(double lagSpanSeconds);

/// Level lines of a cell whose rows top … bottom show levelRange dB: rows
/// top + trunc((bottom − top) × (L − gainDb) / levelRange) for L = 10 i (cepstrum:
/// trunc(gainDb) + 10 i), i = −2, −1, 0 …, labelled "%3d" of −10 i, inside the cell and at
/// least lineheight below the previous label. None when bottom ≤ top or
/// levelRange ≤ 0; the walk stops after (|levelRange| + |gainDb|) / 10 + 3 steps.
std::vector<AxisTick> levelLines(int top, int bottom, double gainDb, double levelRange, bool cepstrum, int lineheight);

}  // namespace kelvox
