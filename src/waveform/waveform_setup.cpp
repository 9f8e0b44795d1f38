#include "waveform_setup.h"

#include "numeric.h"
#include "one_two_five.h"
#include "parse_number.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace kelvox {

namespace {

constexpr double kLineLengthMm = 250.0;  // time axis of a line at full size

void replaceSetting(std::string& text, int& item, const char* label, const char* value, int valueItem,
                    std::vector<std::string>& replacements)
{
    replacements.push_back(format("%s: \"%s\" replaced by \"%s\"", label, text.c_str(), value));
    text = value;
    item = valueItem;
}

int pixelsPerSecondAt(int resolution, float pageTimeScale)
{
    return satInt(resolution * static_cast<double>(pageTimeScale) / kMmPerInch);
}

// A layout box from tenths of a millimetre to page pixels (integer arithmetic).
PageBox toPagePixels(PageBox b, int pageWidthPx, int pageHeightPx)
{
    const auto x = [&](int v) { return v * pageWidthPx / kPageWidthTenthMm; };
    const auto y = [&](int v) { return v * pageHeightPx / kPageHeightTenthMm; };
    b.px0 = x(b.px0);
    b.px1 = x(b.px1);
    b.py0 = y(b.py0);
    b.py1 = y(b.py1);
    return b;
}

// The box with its smaller-x, smaller-y corner kept and its width and height
// changed by dx and dy pixels (truncated), whichever coordinate holds the far edge.
PageBox resizeAboutCorner(PageBox b, double dx, double dy)
{
    const int left = std::min(b.px0, b.px1), top = std::min(b.py0, b.py1);
    const auto edge = [](int c, int corner, double delta) {
        return c == corner ? c : corner + satInt((c - corner) + delta);
    };
    b.px0 = edge(b.px0, left, dx);
    b.px1 = edge(b.px1, left, dx);
    b.py0 = edge(b.py0, top, dy);
    b.py1 = edge(b.py1, top, dy);
    return b;
}

}  // namespace

WaveformLayout waveformPageLayout(int pageWidthPx, int pageHeightPx, double printScale)
{
    const WaveformLayout& tenths = waveformDefaultLayout();
    const PageBox frame = toPagePixels(tenths.frame, pageWidthPx, pageHeightPx);
    const PageBox tracks = toPagePixels(tenths.tracks, pageWidthPx, pageHeightPx);
    const int tracksWidth = std::abs(tracks.px1 - tracks.px0), tracksHeight = std::abs(tracks.py1 - tracks.py0);
    const double s = printScale;
    return {resizeAboutCorner(frame, (s - 1) * tracksWidth, (s - 1) * tracksHeight),
            resizeAboutCorner(tracks, (s - 1) * tracksWidth, (s - 1) * tracksHeight)};
}

const WaveformLayout& waveformDefaultLayout()
{
    static const WaveformLayout layout = {
        {0, -3000, 1640, 3000, 100, 100, 2800, 1900},
        {0, -1, 1600, 1, 250, 1800, 2750, 200},
    };
    return layout;
}

double waveformTickStep(double timeScale, double previous)
{
    const std::span<const double> steps = oneTwoFive(0.001, 5);
    const double tenth = kLineLengthMm / timeScale / 10;
    return steps.front() < tenth ? largestStepBelow(steps, tenth) : previous;
}

WaveformParameters waveformSetup(WaveformSettings& settings, const SignalState& signal, int resolution,
                                 int pageWidthPx, int pageHeightPx, double& tickStep,
                                 std::vector<std::string>& replacements)
{
    WaveformParameters p;
    p.resolution = resolution;
    const int timingDpi = std::min(resolution, kPrintDpi);

    // Time scale. Beyond 250 × fs mm/s a 250 mm line is shorter than one frame:
    // every further line repeats a frame and the page count outgrows the data.
    p.timeScale = parseNumber(settings.timeScaleText);
    const bool lineShorterThanFrame = signal.sampleRate > 0 && p.timeScale > kLineLengthMm * signal.sampleRate;
    if (!std::isfinite(p.timeScale) || p.timeScale <= 0 || lineShorterThanFrame ||
        pixelsPerSecondAt(timingDpi, satFloat(p.timeScale)) < 1) {
        replaceSetting(settings.timeScaleText, settings.timeScaleItem, "Time scale mm/s", "100", 3, replacements);
        p.timeScale = 100;
    }

    // Gain: "Auto" fills a line's height with the loudest sample of channel 0.
    const auto autoGain = [&] { return 32767.0 / std::max(1.0f, signal.peakAmplitude); };
    p.autoGain = settings.gainItem == 0 || settings.gainText == "Auto";
    if (!p.autoGain) {
        const double typed = parseNumber(settings.gainText);
        // Held as float, as the window keeps it: a value beyond the float range
        // saturates, one too small to hold becomes 0 and counts as no gain.
        p.gain = std::isfinite(typed) ? static_cast<double>(satFloat(typed)) : 0.0;
        if (p.gain == 0) {
            replaceSetting(settings.gainText, settings.gainItem, "Gain factor", "Auto", 0, replacements);
            p.autoGain = true;
        }
    }
    if (p.autoGain)
        p.gain = autoGain();

    p.lines = satInt(parseNumber(settings.linesText));
    if (p.lines < 1) {
        replaceSetting(settings.linesText, settings.linesItem, "Lines/page", "1", 0, replacements);
        p.lines = 1;
    }

    p.printScale = parseNumber(settings.printSizeText) * 0.01;
    if (!(p.printScale > 0)) {
        replaceSetting(settings.printSizeText, settings.printSizeItem, "Print size %", "100", 0, replacements);
        p.printScale = 1;
    }
    p.printScale = std::min(p.printScale, 1.0);
    // Less than a pixel column per second at the print size: the time scale goes
    // back to "100", and only when even that is too small, the print size.
    if (pixelsPerSecondAt(timingDpi, satFloat(p.timeScale * p.printScale)) < 1) {
        if (pixelsPerSecondAt(timingDpi, satFloat(100 * p.printScale)) >= 1) {
            replaceSetting(settings.timeScaleText, settings.timeScaleItem, "Time scale mm/s", "100", 3, replacements);
            p.timeScale = 100;
        } else {
            replaceSetting(settings.printSizeText, settings.printSizeItem, "Print size %", "100", 0, replacements);
            p.printScale = 1;
        }
    }
    const double s = p.printScale;

    // Layout: both rectangles lose the same number of pixels, so the margins
    // between frame and tracks keep their size at every print size.
    p.layout = waveformPageLayout(pageWidthPx, pageHeightPx, s);
    p.textSize = std::sqrt(s);
    const PageBox& f = p.layout.frame;
    const auto fixed = [resolution](int px) { return fixedPixels(px, resolution); };
    p.usedArea = PageRect{f.px0 - fixed(1), f.py0 - fixed(24), f.px1 + fixed(2), f.py1 + fixed(2)};
    // A line's columns run up to the tracks' right edge, the last 192-dpi pixel of
    // it on a finer page.
    p.lineColumns = p.layout.tracks.px1 - p.layout.tracks.px0 + fixed(1) - 1;

    // More lines than pixel rows (of the timing page) would put every line on the
    // same row and make each page draw that many sets of axes.
    const WaveformLayout timing =
        resolution > timingDpi
            ? waveformPageLayout(pagePixels(kPageWidthTenthMm, timingDpi), pagePixels(kPageHeightTenthMm, timingDpi), s)
            : p.layout;
    const int rows = timing.tracks.py0 - timing.tracks.py1;
    if (p.lines > std::max(1, rows)) {
        replaceSetting(settings.linesText, settings.linesItem, "Lines/page", "1", 0, replacements);
        p.lines = 1;
    }

    p.pageTimeScale = satFloat(p.timeScale * s);
    tickStep = waveformTickStep(p.timeScale, tickStep);
    p.tickStep = tickStep;

    // A page finer than 192 dpi keeps the 192-dpi page's timing (its columns per
    // second in finer pixels, its line duration), so that its lines and page breaks
    // fall where that page's do.
    const double timingColumns = pixelsPerSecondAt(timingDpi, p.pageTimeScale);
    p.pixelsPerSecond = timingColumns * resolution / timingDpi;
    p.secondsPerColumn = 1.0 / p.pixelsPerSecond;
    p.lineDuration = (timing.tracks.px1 + 0.378 - timing.tracks.px0) * (1.0 / timingColumns);

    // The decoders give 16-bit units (8-bit samples × 256), so one scale serves
    // both widths; channelScale is the same in raw units, for zeroOffset.
    p.sampleScale = p.gain / 32768.0;
    p.channelScale = signal.bytesPerSample == 1 ? p.gain / 128.0 : p.sampleScale;
    p.topValue = 1.0 / p.gain;
    p.bottomValue = -1.0 / p.gain;
    p.zeroValue = signal.zeroOffset * p.channelScale;
    return p;
}

WaveformLineRows waveformLineRows(const PageBox& tracks, int lines, int index, int lineHeightPx, int resolution)
{
    const int pitch = (tracks.py0 - tracks.py1) / std::max(1, lines);
    WaveformLineRows r;
    r.top = tracks.py1 + index * pitch;
    r.bottom = r.top + pitch - lineHeightPx - fixedPixels(10, resolution);
    return r;
}

std::vector<AxisTick> waveformTicks(double t0, double tickStep, double pixelsPerSecond, int px0, int px1)
{
    std::vector<AxisTick> ticks;
    if (!(tickStep > 0) || !std::isfinite(t0))
        return ticks;
    // Tick times as multiples of the step: repeated addition would drift. Where
    // t0 is so large that the next multiple rounds to the same time, stop.
    const double first = std::trunc(t0 / tickStep);
    double previous = -std::numeric_limits<double>::infinity();
    for (double n = 0;; ++n) {
        const double time = (first + n) * tickStep;
        if (!(time > previous))
            break;
        previous = time;
        const int64_t x = static_cast<int64_t>(satInt((time - t0) * pixelsPerSecond)) + px0;
        if (x > px1)
            break;
        ticks.push_back(
            {static_cast<int>(std::max<int64_t>(x, std::numeric_limits<int>::min())), tickLabel(time, tickStep), true});
    }
    return ticks;
}

std::string waveformCaption(const std::string& fileName, const std::string& pageNumberText, int channels,
                            double sampleRate)
{
    return "Kelvox|Wave " + fileName + ", Page " + pageNumberText +
           format(". Sftot %d*%1.2f kHz", channels, sampleRate / 1000.0);
}

}  // namespace kelvox
