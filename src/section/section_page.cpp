#include "section_page.h"

#include "label_file.h"
#include "numeric.h"
#include "one_two_five.h"
#include "page_units.h"
#include "parse_number.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <span>

namespace kelvox {

namespace {

// Pixel boxes in tenths of a millimetre of the 282.8 × 200.0 mm page.

// 1-2-5 steps of the cell axes (Hz, or tenths of a millisecond of lag).
constexpr std::span<const double> kCellSteps = oneTwoFive(0.1, 5000);

void scaleToPage(PageBox& r, int pageWidthPx, int pageHeightPx)
{
    r.px0 = r.px0 * pageWidthPx / kPageWidthTenthMm;
    r.px1 = r.px1 * pageWidthPx / kPageWidthTenthMm;
    r.py0 = r.py0 * pageHeightPx / kPageHeightTenthMm;
    r.py1 = r.py1 * pageHeightPx / kPageHeightTenthMm;
}

}  // namespace

SectionLayout sectionLayout(int pageWidthPx, int pageHeightPx, double printSize, int lineheight, int sectionsPerPage)
{
    SectionLayout g;
    g.frame = {0, -3000, 1640, 3000, 0, 100, 2820, 1990, ""};
    g.strip = {0, -33000, 1640, 40000, 70, 330, 2770, 130, "Time wave"};
    g.area = {0, 0, 1, 60, 70, 1970, 2770, 420, "Spectrum"};
    for (PageBox* r : {&g.frame, &g.strip, &g.area})
        scaleToPage(*r, pageWidthPx, pageHeightPx);
    if (printSize != 1) {
        const int top = g.frame.py0;
        for (PageBox* r : {&g.frame, &g.strip, &g.area}) {
            r->px1 = satInt(r->px1 * printSize);
            r->py0 = top + satInt((r->py0 - top) * printSize);
            r->py1 = top + satInt((r->py1 - top) * printSize);
        }
    }
    g.area.py1 = g.strip.py0 + 2 * lineheight;

    const int n = sectionsPerPage;
    g.sectionsPerPage = n;
    g.columns = 1 + (n > 1) + (n > 4) + (n > 9) + (n > 16);
    g.rows = 1 + (n > 2) + (n > 6) + (n > 12) + (n > 20);
    g.bottomMargin = lineheight + 10;
    g.leftMargin = lineheight * 5 / 2;
    g.cellWidth = (g.area.px1 - g.area.px0) / g.columns;
    g.cellHeight = (g.area.py0 - g.area.py1) / g.rows;
    return g;
}

SectionCell sectionCell(const SectionLayout& g, int c)
{
    const int column = c / g.rows, row = c % g.rows;
    SectionCell cell;
    cell.right = g.cellWidth * (column + 1) + g.area.px0;
    cell.left = cell.right + g.leftMargin - g.cellWidth;
    cell.top = row * g.cellHeight + g.area.py1;
    cell.bottom = cell.top + g.cellHeight - g.bottomMargin;
    return cell;
}

double sectionFrequencyTickStep(double freqRange) { return firstStepNotBelow(kCellSteps, freqRange / 10); }

std::vector<AxisTick> frequencyTicks(int left, int right, double freqRange)
{
    const double f = sectionFrequencyTickStep(freqRange);
    std::vector<AxisTick> ticks;
    const int count = satInt(freqRange / f);
    for (int i = 0; i <= count; ++i) {
        const int x = satInt((right - left) * (i * f) / freqRange) + left;
        if (x < left || x > right)
            continue;
        const double hz = i * f;
        ticks.push_back({x,
                         f >= 1000  ? format("%1.0fk", hz / 1000)
                         : f >= 100 ? format("%3.1fk", hz / 1000)
                                    : format("%3.0f", hz),
                         true});
    }
    return ticks;
}

double lagTickStep(double lagSpanSeconds)
{
    // The table counts tenths of a millisecond.
    for (const double step : kCellSteps)
        if (step * 1e-4 >= lagSpanSeconds * 0.1)
            return step * 1e-4;
    return kCellSteps.back() * 1e-4;
}

std::vector<AxisTick> lagTicks(int left, int right, int lagCount, double sampleRate)
{
    const double tau = lagTickStep(lagCount / sampleRate);
    std::vector<AxisTick> ticks;
    const int count = satInt(lagCount / (tau * sampleRate));
    for (int i = 0; i <= count; ++i) {
        const int x = satInt((right - left) * (i * tau * sampleRate) / lagCount) + left;
        if (x < left || x > right)
            continue;
        ticks.push_back({x, tau >= 0.1 ? format("%3.1f", i * tau) : format("%3.1fm", i * tau * 1000 + 0.0001), true});
    }
    return ticks;
}

std::vector<AxisTick> levelLines(int top, int bottom, double gainDb, double levelRange, bool cepstrum, int lineheight)
{
    std::vector<AxisTick> lines;
    if (bottom <= top || !(levelRange > 0))
        return lines;
    // Rows fall by (bottom − top) × 10 / levelRange per step: the bottom is reached
    // within (levelRange + |gainDb|) / 10 + 3 steps of i = −2.
    const int lastStep = satInt((std::fabs(levelRange) + std::fabs(gainDb)) / 10 + 3);
    const double base = cepstrum ? std::trunc(gainDb) : 0.0;
    int previousLabelRow = top - lineheight - 1;
    for (int i = -2; i <= lastStep; ++i) {
        const int w = top + satInt((bottom - top) * (base + 10.0 * i - gainDb) / levelRange);
        if (w >= bottom)
            break;
        if (w >= top && w >= previousLabelRow + lineheight) {
            lines.push_back({w, format("%3d", -10 * i), true});
            previousLabelRow = w;
        }
    }
    return lines;
}

}  // namespace kelvox
