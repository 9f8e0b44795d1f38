#include "waveform_run.h"

#include "sound_file.h"
#include "sound_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>

using namespace kelvox;
using namespace kelvox::test;

namespace {

// A WAV recording loaded as the main window loads it (44-byte header: the
// samples start at word 22).
SignalState load(const std::vector<int>& interleaved, int channels, int rateHz, const std::string& name = "rec.wav")
{
    SignalState s;
    const LoadResult r = loadSoundBytes(makeWav({.channels = channels, .rateHz = rateHz}, pcm16(interleaved)),
                                        "/recordings/" + name, s, 665, 201);
    EXPECT_TRUE(r.ok) << r.reason;
    return s;
}

std::vector<int> constant(double seconds, int rateHz, int value)
{
    return std::vector<int>(static_cast<std::size_t>(std::lround(seconds * rateHz)), value);
}

// A recording, a begun page (96 dpi screen or 192 dpi print) and a run on them.
struct Page {
    SignalState signal;
    PlotDevice plot;
    WaveformRun run{signal, plot};
    explicit Page(SignalState recording, int dpi = 96) : signal(std::move(recording))
    {
        dpi == 96 ? plot.plotscreen() : plot.plotprinter();
    }
};

struct PageLog : PageHost {
    std::vector<std::pair<int, bool>> pages;
    int stopAfterPages = -1;
    void pageFinished(int pageNumber, bool lastPage) override { pages.emplace_back(pageNumber, lastPage); }
    bool stopRequested() const override
    {
        return stopAfterPages >= 0 && static_cast<int>(pages.size()) >= stopAfterPages;
    }
};

WaveformSettings withLines(const char* lines)
{
    WaveformSettings s;
    std::string error;
    EXPECT_TRUE(applyWaveformSetting(s, "Lines/page", lines, error));
    return s;
}

// Checks that the pages were numbered 0, 1, … and only the last ended the run.
void expectNumberedPages(const PageLog& log, int pages)
{
    ASSERT_EQ(static_cast<int>(log.pages.size()), pages);
    for (int i = 0; i < pages; ++i) {
        EXPECT_EQ(log.pages[static_cast<std::size_t>(i)].first, i);
        EXPECT_EQ(log.pages[static_cast<std::size_t>(i)].second, i == pages - 1) << i;
    }
}

bool isBlack(const QImage& image, int x, int y) { return (image.pixel(x, y) & 0xFFFFFF) == 0; }

}  // namespace

TEST(WaveformRun, PageCountsFollowTheLineDuration)
{
    struct Case {
        double seconds;
        const char* lines;
        int pages;
    };
    // A line holds 944.378 / 377 = 2.505 s at 100 mm/s on a screen page.
    for (const Case c : {Case{2.5, "1", 1}, Case{2.5, "2", 1}, Case{3.0, "1", 2}, Case{5.2, "2", 2},
                         Case{6.0, "2", 2}, Case{7.6, "3", 2}}) {
        Page page(load(constant(c.seconds, 8000, 1000), 1, 8000));
        auto& [s, plot, run] = page;
        WaveformSettings settings = withLines(c.lines);
        PageLog log;
        EXPECT_EQ(run.run(settings, false, log), c.pages) << c.seconds << " s, " << c.lines;
        expectNumberedPages(log, c.pages);
        EXPECT_EQ(waveformPageCount(settings, analysisInterval(s)), c.pages) << c.seconds << " s, " << c.lines;
    }
}

TEST(WaveformRun, WritesSampleLimitAndPageTimeScale)
{
    Page page(load(constant(1.0, 8000, 1000), 1, 8000));
    auto& [s, plot, run] = page;
    s.sampleLimit = 12345;
    s.pageTimeScale = 200;
    WaveformSettings settings;
    std::string error;
    ASSERT_TRUE(applyWaveformSetting(settings, "Print size %", "50", error));
    PageLog log;
    run.run(settings, false, log);
    EXPECT_EQ(s.sampleLimit, s.sampleCount - s.dataOffset);
    EXPECT_EQ(s.dataOffset, 22);
    EXPECT_FLOAT_EQ(s.pageTimeScale, 50);
    EXPECT_EQ(plot.usedarea, run.parameters().usedArea);
    EXPECT_EQ(plot.lineheight(), 11);  // trunc(96 × √0.5 / 6)
}

// Everything the page shows lies inside the used area that is saved and
// printed, the caption above the frame included, at both resolutions.
TEST(WaveformRun, UsedAreaHoldsTheWholePage)
{
    for (const int dpi : {96, 192}) {
        Page page(load(sine(300, 8000, 8000, 9000), 1, 8000), dpi);
        auto& [s, plot, run] = page;
        WaveformSettings settings = withLines("2");
        PageLog log;
        ASSERT_EQ(run.run(settings, dpi == 192, log), 1);
        const PageRect a = plot.usedarea;
        const QImage& image = plot.image();
        int outside = 0, captionTop = image.height();
        const int right = std::min(plot.pageWidthPx() - 1, image.width());
        for (int y = 1; y < plot.pageHeightPx() - 1; ++y)
            for (int x = 1; x < right - 1; ++x) {
                if ((image.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF)
                    continue;
                if (y < run.parameters().layout.frame.py0)
                    captionTop = std::min(captionTop, y);
                outside += x < a.left || x >= a.right || y < a.top || y >= a.bottom;
            }
        EXPECT_EQ(outside, 0) << dpi;
        EXPECT_LT(captionTop, run.parameters().layout.frame.py0 - 24) << dpi;  // below the caption's top at 192 dpi
        EXPECT_EQ(a.top, run.parameters().layout.frame.py0 - plot.lineheight() - 12) << dpi;
        EXPECT_EQ(a.bottom, run.parameters().layout.frame.py1 + 2) << dpi;
    }
}

// Each frame is read by exactly one column, except the frame that ends a line,
// which the next line starts from so that the trace joins. Consecutive pages
// continue where the previous one ended, and the run ends with the data even when
// the interval reaches beyond them. The recording is a ramp, so the drawn
// minimum and maximum tell which frames a column read.
TEST(WaveformRun, PagesDoNotOverlapAndStopAtTheEndOfTheData)
{
    std::vector<int> ramp(48000);
    for (std::size_t f = 0; f < ramp.size(); ++f)
        ramp[f] = static_cast<int>(f) - 24000;
    for (const char* lines : {"1", "2"}) {
        Page page(load(ramp, 1, 8000));
        auto& [s, plot, run] = page;
        s.selectionStart = 0;
        s.selectionEnd = 10;  // 4 s beyond the recording
        const double scale = (32767.0 / s.peakAmplitude) / 32768.0;
        const auto frameOf = [&](double value) { return std::lround(-value / scale) + 24000; };
        std::map<long, int> reads;
        int lineStarts = 0;
        run.setColumnObserver([&](const WaveformColumn& c) {
            lineStarts += c.column == 0;
            ASSERT_FALSE(c.empty);
            // The ramp falls when negated: the first frame read gives the maximum.
            for (long f = frameOf(c.maxValue); f <= frameOf(c.minValue); ++f)
                ++reads[f];
        });
        WaveformSettings settings = withLines(lines);
        PageLog log;
        const int pages = run.run(settings, false, log);
        const int expectedPages = std::string(lines) == "1" ? 3 : 2;
        EXPECT_EQ(pages, expectedPages) << lines;
        expectNumberedPages(log, expectedPages);

        const long framesDrawn = s.sampleLimit;  // the last 22 frames are not drawn
        int twice = 0;
        for (long f = 0; f < framesDrawn; ++f) {
            const int n = reads.count(f) ? reads[f] : 0;
            ASSERT_GE(n, 1) << "frame " << f << " not drawn";
            ASSERT_LE(n, 2) << "frame " << f;
            twice += n == 2;
        }
        EXPECT_EQ(twice, lineStarts - 1) << lines;

        const std::vector<WaveformPageSpan>& spans = run.pageSpans();
        ASSERT_EQ(static_cast<int>(spans.size()), expectedPages);
        const double pageSeconds = run.parameters().lineDuration * run.parameters().lines;
        EXPECT_EQ(spans[0].lineStart, 0.0);
        EXPECT_EQ(spans[0].firstPosition, s.dataOffset);
        for (std::size_t k = 0; k + 1 < spans.size(); ++k) {
            EXPECT_NEAR(spans[k + 1].lineStart, spans[k].lineStart + pageSeconds, 1e-9) << k;
            EXPECT_EQ(spans[k + 1].firstPosition, spans[k].endPosition - 1) << k;
            // The drawn data keep within two columns of the line starts.
            EXPECT_NEAR(spans[k].endTime, spans[k + 1].lineStart, 2.0 / 377) << k;
        }
        EXPECT_GE(spans.back().endPosition, int64_t(s.sampleLimit) + s.dataOffset);
        EXPECT_LT(spans.back().endTime, 6.0 + 2.0 / 377);
    }
}

// "2000" on a print page is 15118 columns per second: more than the 8000 frames
// of the recording, so about every other column begins no frame. Such a column
// shows the frame at its start.
TEST(WaveformRun, ColumnsWithoutAFrameShowTheFrameAtTheirStart)
{
    std::vector<int> ramp(400);
    for (std::size_t f = 0; f < ramp.size(); ++f)
        ramp[f] = static_cast<int>(f) * 50 - 10000;
    Page page(load(ramp, 1, 8000), 192);
    // Plain references: the lambdas below use s, and clang 14 (the sanitizer
    // build) cannot capture a structured binding.
    const SignalState& s = page.signal;
    WaveformRun& run = page.run;
    WaveformSettings settings;
    std::string error;
    ASSERT_TRUE(applyWaveformSetting(settings, "Time scale mm/s", "2000", error));
    const double scale = (32767.0 / s.peakAmplitude) / 32768.0;
    const auto expected = [&](int64_t index) { return -ramp[static_cast<std::size_t>(index - s.dataOffset)] * scale; };
    int empty = 0, full = 0;
    run.setColumnObserver([&](const WaveformColumn& c) {
        ASSERT_TRUE(std::isfinite(c.minValue) && std::isfinite(c.maxValue) && std::isfinite(c.lastValue));
        if (c.position >= s.dataOffset + static_cast<int64_t>(ramp.size()))
            return;
        if (c.empty) {
            ++empty;
            EXPECT_EQ(c.endPosition, c.position);
            EXPECT_DOUBLE_EQ(c.minValue, expected(c.position));
            EXPECT_DOUBLE_EQ(c.maxValue, expected(c.position));
            EXPECT_DOUBLE_EQ(c.lastValue, expected(c.position));
        } else {
            ++full;
            // The ramp falls when negated: the first frame gives the maximum,
            // the last one the minimum.
            EXPECT_DOUBLE_EQ(c.maxValue, expected(c.position));
            EXPECT_DOUBLE_EQ(c.minValue, expected(c.endPosition - 1));
            EXPECT_DOUBLE_EQ(c.lastValue, c.minValue);
        }
    });
    PageLog log;
    EXPECT_EQ(run.run(settings, true, log), 1);
    EXPECT_EQ(run.parameters().pixelsPerSecond, 15118);
    EXPECT_GT(empty, 250);
    EXPECT_GT(full, 250);
}

TEST(WaveformRun, DcCorrectionAndPreEmphasis)
{
    Page page(load(constant(0.5, 8000, 1000), 1, 8000));
    auto& [s, plot, run] = page;
    s.peakAmplitude = 16384;
    s.zeroOffset = 200;
    std::vector<WaveformColumn> columns;
    run.setColumnObserver([&](const WaveformColumn& c) { columns.push_back(c); });
    WaveformSettings settings;
    PageLog log;
    run.run(settings, false, log);
    const double scale = 32767.0 / 16384 / 32768;
    ASSERT_GT(columns.size(), 100u);
    EXPECT_DOUBLE_EQ(columns[50].minValue, -800 * scale);
    EXPECT_DOUBLE_EQ(columns[50].maxValue, -800 * scale);

    // "+6dB/oct": the difference to the next frame, without the DC correction;
    // after the last frame the next one reads 0.
    s.preEmphasis = 1;
    columns.clear();
    run.run(settings, false, log);
    EXPECT_DOUBLE_EQ(columns[50].minValue, 0);
    EXPECT_DOUBLE_EQ(columns[50].maxValue, 0);
    s.preEmphasis = 0.5f;
    columns.clear();
    run.run(settings, false, log);
    EXPECT_DOUBLE_EQ(columns[50].minValue, -500 * scale);
}

// Two channels overlaid in one line: +8192 above the middle, −8192 below it,
// each a straight line (drawn at the line's end from its previous point).
TEST(WaveformRun, ChannelsAreOverlaidAndPositiveValuesGoUp)
{
    std::vector<int> frames;
    for (int f = 0; f < 16000; ++f) {
        frames.push_back(f == 0 ? 16384 : 8192);
        frames.push_back(-8192);
    }
    Page page(load(frames, 2, 8000, "stereo.wav"));
    auto& [s, plot, run] = page;
    ASSERT_EQ(s.peakAmplitude, 16384);
    WaveformSettings settings;
    PageLog log;
    ASSERT_EQ(run.run(settings, false, log), 1);

    // Line rows 75 … 653 (lineheight 16): 289 pixels per unit, −1 at the top.
    const double u = 8192 * (32767.0 / 16384) / 32768;
    const int upper = static_cast<int>(75 + (1 - u) * 289);
    const int lower = static_cast<int>(75 + (1 + u) * 289);
    EXPECT_EQ(upper, 219);
    EXPECT_EQ(lower, 508);
    const QImage& image = plot.image();
    std::set<int> gridColumns;
    for (const AxisTick& t : waveformTicks(0, 0.2, 377, 94, 1038))
        gridColumns.insert(t.pixel);
    int onUpper = 0, onLower = 0, between = 0, checked = 0;
    for (int x = 96; x < 94 + 740; ++x) {  // 2 s are 754 columns
        if (gridColumns.count(x))
            continue;
        ++checked;
        onUpper += isBlack(image, x, upper);
        onLower += isBlack(image, x, lower);
        between += isBlack(image, x, upper + 20) + isBlack(image, x, lower - 20);
    }
    EXPECT_EQ(onUpper, checked);
    EXPECT_EQ(onLower, checked);
    EXPECT_EQ(between, 0);
}

// More channels than the 128 the window was once made for: every channel is
// drawn and no per-channel state is read past its end.
TEST(WaveformRun, OneHundredThirtyChannels)
{
    constexpr int kChannels = 130;
    std::vector<int> frames;
    for (int f = 0; f < 400; ++f)
        for (int c = 0; c < kChannels; ++c)
            frames.push_back(c * 200 - 13000);
    Page page(load(frames, kChannels, 8000, "many.wav"));
    auto& [s, plot, run] = page;
    std::vector<int> seen(kChannels, 0);
    double last = 0;
    run.setColumnObserver([&](const WaveformColumn& c) {
        ++seen[static_cast<std::size_t>(c.channel)];
        if (c.channel == kChannels - 1 && c.column == 5)
            last = c.lastValue;
    });
    WaveformSettings settings;
    PageLog log;
    EXPECT_EQ(run.run(settings, false, log), 1);
    for (int c = 0; c < kChannels; ++c)
        EXPECT_EQ(seen[static_cast<std::size_t>(c)], seen[0]) << c;
    EXPECT_GT(seen[0], 15);
    EXPECT_DOUBLE_EQ(last, -(129 * 200 - 13000) * (32767.0 / s.peakAmplitude) / 32768);
}

// The run never hangs and never draws a value that is not a number, whatever is
// typed: each hostile text in each control (and in all four at once) ends after
// at most the window's page estimate for the written-back settings plus one page.
TEST(WaveformRun, HostileSettingsEndWithinThePageEstimate)
{
    const std::vector<std::string> texts = {"", "abc", "-5", "0", "1e9", "0.0001", std::string(400, '7')};
    SignalState s = load(sine(440, 8000, 1600, 12000), 1, 8000);
    PlotDevice plot;
    WaveformRun run(s, plot);
    int nonFinite = 0;
    run.setColumnObserver([&](const WaveformColumn& c) {
        nonFinite += !std::isfinite(c.minValue) || !std::isfinite(c.maxValue) || !std::isfinite(c.lastValue);
    });
    const auto check = [&](WaveformSettings settings, int dpi, const std::string& what) {
        if (dpi == 96)
            plot.plotscreen();
        else
            plot.plotprinter();
        PageLog log;
        log.stopAfterPages = 50;  // a safety net only: the bound below is far lower
        const int pages = run.run(settings, dpi == 192, log);
        const int bound = waveformPageCount(settings, analysisInterval(s)) + 1;
        EXPECT_GE(pages, 1) << what;
        EXPECT_LE(pages, bound) << what;
        const WaveformParameters& p = run.parameters();
        EXPECT_GE(p.pixelsPerSecond, 1) << what;
        EXPECT_GE(p.lines, 1) << what;
        EXPECT_TRUE(std::isfinite(p.lineDuration) && p.lineDuration > 0) << what;
        EXPECT_TRUE(std::isfinite(p.topValue) && std::isfinite(p.bottomValue) && std::isfinite(p.zeroValue)) << what;
        EXPECT_TRUE(p.gain != 0 && std::isfinite(p.gain)) << what;
        EXPECT_EQ(nonFinite, 0) << what;
    };
    for (const ControlInfo& control : waveformControls()) {
        for (const std::string& text : texts) {
            WaveformSettings settings;
            std::string error;
            ASSERT_TRUE(applyWaveformSetting(settings, control.label, text, error));
            check(settings, 96, control.label + "=" + text.substr(0, 12));
        }
    }
    for (const std::string& text : texts) {
        WaveformSettings settings;
        std::string error;
        for (const ControlInfo& control : waveformControls())
            ASSERT_TRUE(applyWaveformSetting(settings, control.label, text, error));
        check(settings, 96, "all=" + text.substr(0, 12));
        check(settings, 192, "all at 192 dpi=" + text.substr(0, 12));
    }
}

// A typed start before the recording draws silence up to time 0 from the start as
// typed, with the pages that follow from it.
TEST(WaveformRun, StartBeforeTheRecordingIsKeptAsTyped)
{
    Page page(load(constant(1.0, 8000, 1000), 1, 8000));
    auto& [s, plot, run] = page;
    std::vector<std::pair<int, double>> values;  // page, drawn value
    run.setColumnObserver([&](const WaveformColumn& c) {
        values.emplace_back(c.pageNumber, c.minValue);
        values.emplace_back(c.pageNumber, c.maxValue);
    });
    WaveformSettings settings;
    PageLog log;
    s.selectionStart = -3.0f;
    s.selectionEnd = 1.0f;
    // A line holds 2.505 s at 100 mm/s: −3.0 … −0.495, then −0.495 … 1.0.
    EXPECT_EQ(run.run(settings, false, log), 2);
    EXPECT_EQ(waveformPageCount(settings, analysisInterval(s)), 2);
    ASSERT_EQ(run.pageSpans().size(), 2u);
    const double lineDuration = run.parameters().lineDuration;
    EXPECT_DOUBLE_EQ(run.pageSpans()[0].lineStart, -3.0);
    EXPECT_EQ(run.pageSpans()[0].firstPosition, s.dataOffset - 24000);
    EXPECT_NEAR(run.pageSpans()[1].lineStart, -3.0 + lineDuration, 1e-9);
    EXPECT_NEAR(run.pageSpans()[1].endTime, 1.0, 2.0 / 377);
    // The first page is silence; the second reaches the recording's 1000.
    const double drawn = -1000.0 * run.parameters().sampleScale;
    EXPECT_EQ(std::count_if(values.begin(), values.end(), [](const auto& v) { return v.first == 0 && v.second != 0; }),
              0);
    EXPECT_TRUE(std::any_of(values.begin(), values.end(),
                            [&](const auto& v) { return v.first == 1 && std::fabs(v.second - drawn) < 1e-12; }));
}

// A start so far back that its silence would never end begins 32767 pages before
// time 0, whatever the recording's length or the page's size.
TEST(WaveformRun, StartLongBeforeTheRecordingIsBoundedInPages)
{
    Page page(load(constant(0.5, 8000, 1000), 1, 8000));
    auto& [s, plot, run] = page;
    s.selectionStart = -1e9f;
    s.selectionEnd = 0.5f;
    for (const char* lines : {"1", "3"}) {
        WaveformSettings settings = withLines(lines);
        PageLog log;
        log.stopAfterPages = 2;
        EXPECT_EQ(run.run(settings, false, log), 2);
        const WaveformParameters& p = run.parameters();
        const double page = p.lines * p.lineDuration;
        EXPECT_NEAR(run.pageSpans()[0].lineStart, -32767 * page, 1e-6) << lines;
        EXPECT_NEAR(run.pageSpans()[1].lineStart, -32766 * page, 1e-6) << lines;
    }

    // Within the bound the start stays as typed.
    s.selectionStart = -20000.0f;
    WaveformSettings settings;
    PageLog log;
    log.stopAfterPages = 1;
    run.run(settings, false, log);
    EXPECT_DOUBLE_EQ(run.pageSpans()[0].lineStart, -20000.0);
}

TEST(WaveformRun, RefreshesOnlyWhenPreviewing)
{
    SignalState s = load(constant(2.5, 8000, 1000), 1, 8000);
    PlotDevice plot;
    int shows = 0;
    plot.setShowHook([&] { ++shows; });
    WaveformRun run(s, plot);
    int lastColumn = 0;
    run.setColumnObserver([&](const WaveformColumn& c) { lastColumn = std::max(lastColumn, c.column); });
    WaveformSettings settings;
    PageLog log;
    plot.plotscreen();
    ASSERT_EQ(run.run(settings, false, log), 1);
    // After the header, every 128 columns (0, 128, …), at the line's end and
    // after the page.
    EXPECT_GT(lastColumn, 900);
    EXPECT_EQ(shows, 1 + (lastColumn / 128 + 1) + 1 + 1);

    shows = 0;
    plot.plotprinter();
    ASSERT_EQ(run.run(settings, true, log), 1);
    EXPECT_EQ(shows, 0);
}

TEST(WaveformRun, StopsWhenTheHostAsks)
{
    Page page(load(constant(8.0, 8000, 1000), 1, 8000));
    auto& [s, plot, run] = page;
    WaveformSettings settings;
    PageLog log;
    log.stopAfterPages = 1;
    EXPECT_EQ(run.run(settings, false, log), 1);
    EXPECT_EQ(log.pages.size(), 1u);

    // Asked before the first refresh point: the page is abandoned unfinished.
    PageLog stopped;
    stopped.stopAfterPages = 0;
    EXPECT_EQ(run.run(settings, false, stopped), 0);
    EXPECT_TRUE(stopped.pages.empty());
}

TEST(WaveformRun, TickStepCarriesOverWhenTheTableRunsOut)
{
    Page page(load(constant(0.5, 16000, 1000), 1, 16000));
    auto& [s, plot, run] = page;
    EXPECT_DOUBLE_EQ(run.tickStep(), 0.1);
    PageLog log;
    log.stopAfterPages = 1;
    WaveformSettings settings;
    run.run(settings, false, log);
    EXPECT_DOUBLE_EQ(run.tickStep(), 0.2);

    // 1,000,000 mm/s: no table step is below a tenth of a line's 0.25 ms.
    std::string error;
    ASSERT_TRUE(applyWaveformSetting(settings, "Time scale mm/s", "1000000", error));
    log.pages.clear();
    run.run(settings, false, log);
    EXPECT_DOUBLE_EQ(run.parameters().tickStep, 0.2);
    WaveformRun fresh(s, plot);
    log.pages.clear();
    fresh.run(settings, false, log);
    EXPECT_DOUBLE_EQ(fresh.parameters().tickStep, 0.1);
}

TEST(WaveformRun, ReplacedSettingsAreWrittenBack)
{
    Page page(load(constant(0.5, 8000, 1000), 1, 8000));
    auto& [s, plot, run] = page;
    WaveformSettings settings;
    std::string error;
    ASSERT_TRUE(applyWaveformSetting(settings, "Time scale mm/s", "0", error));
    ASSERT_TRUE(applyWaveformSetting(settings, "Gain factor", "0", error));
    PageLog log;
    run.run(settings, false, log);
    EXPECT_EQ(settings.timeScaleText, "100");
    EXPECT_EQ(settings.timeScaleItem, 3);
    EXPECT_EQ(settings.gainText, "Auto");
    EXPECT_EQ(settings.gainItem, 0);
    EXPECT_EQ(run.replacements(), (std::vector<std::string>{"Time scale mm/s: \"0\" replaced by \"100\"",
                                                            "Gain factor: \"0\" replaced by \"Auto\""}));
    run.run(settings, false, log);
    EXPECT_TRUE(run.replacements().empty());
}

TEST(WaveformLabelledRun, BeginsThePageAtTheAskedResolution)
{
    SignalState s = load(constant(0.5, 8000, 1000), 1, 8000);
    PlotDevice plot;
    std::unique_ptr<LabelledRun> run = makeWaveformLabelledRun(s, plot);
    EXPECT_EQ(run->controls().size(), 4u);
    std::string error;
    EXPECT_FALSE(run->set("Colour", "red", error));
    EXPECT_FALSE(error.empty());
    ASSERT_TRUE(run->set("Lines/page", "-1", error));
    int shows = 0;
    plot.setShowHook([&] { ++shows; });
    PageLog log;
    run->run(192, log);
    EXPECT_EQ(plot.resolution(), 192);
    EXPECT_EQ(shows, 0);
    EXPECT_EQ(log.pages.size(), 1u);
    EXPECT_EQ(run->replacements(), (std::vector<std::string>{"Lines/page: \"-1\" replaced by \"1\""}));
    run->run(96, log);
    EXPECT_EQ(plot.resolution(), 96);
    EXPECT_GT(shows, 0);
    EXPECT_TRUE(run->replacements().empty());
}
