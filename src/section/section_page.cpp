#include "section_page.h"

#include "label_file.h"
#include "numeric.h"
#include "page_units.h"
#include "parse_number.h"

#include <array>
#include <cmath>
#include <cstdlib>

namespace kelvox {

namespace {

// Pixel boxes in tenths of a millimetre of the 282.8 × 200.0 mm page.

// 1-2-5 steps of the cell axes (Hz, or tenths of a millisecond of lag).
constexpr std::array<double, 15> kCellSteps = {0.1, 0.2, 0.5, 1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000};

double firstStepNotBelow(double wanted)
{
    for (const double step : kCellSteps)
        if (step >= wanted)
            return step;
    return kCellSteps.back();
}

void scaleToPage(SectionBoxRecord& r, int pageWidthPx, int pageHeightPx)
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
    g.frame = {"", 0, -3000, 1640, 3000, 0, 100, 2820, 1990};
    g.strip = {"Time wave", 0, -33000, 1640, 40000, 70, 330, 2770, 130};
    g.area = {"Spectrum", 0, 0, 1, 60, 70, 1970, 2770, 420};
    for (SectionBoxRecord* r : {&g.frame, &g.strip, &g.area})
        scaleToPage(*r, pageWidthPx, pageHeightPx);
    if (printSize != 1) {
        const int top = g.frame.py0;
        for (SectionBoxRecord* r : {&g.frame, &g.strip, &g.area}) {
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

double stripTickStep(double spanSeconds)
{
    static constexpr std::array<double, 12> steps = {0.001, 0.002, 0.005, 0.01, 0.02, 0.05,
                                                     0.1,   0.2,   0.5,   1,    2,    5};
    double chosen = steps.front();  // a span of 0.01 s or less has no step of its own
    for (const double step : steps)
        if (step < spanSeconds / 10)
            chosen = step;
    return chosen;
}

std::string stripTickText(double seconds, double step)
{
    const char* fmt = step >= 0.1 ? "%5.1f" : step >= 0.01 ? "%6.2f" : step >= 0.001 ? "%7.3f" : "%8.4f";
    std::string text = format(fmt, seconds);
    trimleft(text);
    return text;
}

double sectionFrequencyTickStep(double freqRange) { return firstStepNotBelow(freqRange / 10); }

std::vector<SectionTick> frequencyTicks(int left, int right, double freqRange)
{
    const double f = sectionFrequencyTickStep(freqRange);
    std::vector<SectionTick> ticks;
    const int count = satInt(freqRange / f);
    for (int i = 0; i <= count; ++i) {
        const int x = satInt((right - left) * (i * f) / freqRange) + left;
        if (x < left || x > right)
            continue;
        const double hz = i * f;
        ticks.push_back({x, f >= 1000 ? format("%1.0fk", hz / 1000)
                            : f >= 100 ? format("%3.1fk", hz / 1000)
                                       : format("%3.0f", hz)});
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

std::vector<SectionTick> lagTicks(int left, int right, int lagCount, double sampleRate)
{
    const double tau = lagTickStep(lagCount / sampleRate);
    std::vector<SectionTick> ticks;
    const int count = satInt(lagCount / (tau * sampleRate));
    for (int i = 0; i <= count; ++i) {
        const int x = satInt((right - left) * (i * tau * sampleRate) / lagCount) + left;
        if (x < left || x > right)
            continue;
        ticks.push_back({x, tau >= 0.1 ? format("%3.1f", i * tau) : format("%3.1fm", i * tau * 1000 + 0.0001)});
    }
    return ticks;
}

std::vector<LevelLine> levelLines(int top, int bottom, double gainDb, double levelRange, bool cepstrum,
                                  int lineheight)
{
    std::vector<LevelLine> lines;
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
            lines.push_back({w, -10 * i});
            previousLabelRow = w;
        }
    }
    return lines;
}

}  // namespace kelvox
