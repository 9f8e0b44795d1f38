// One waveform run drawn at 96, 192, 300 and 600 dpi: the same pages and lines
// (from 192 dpi on the same breaks), with the frame, the lines, their ticks and the
// caption in the same places in millimetres, within one pixel of the coarser page
// per cut to pixels.
#include "page_millimetres.h"
#include "waveform_run.h"

#include "sound_file.h"
#include "sound_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <optional>

using namespace kelvox;
using namespace kelvox::test;

namespace {

struct DrawnWaveform {
    int dpi = 0;
    WaveformParameters p;
    int lineheight = 0;
    std::vector<WaveformPageSpan> spans;
    std::vector<PageRect> used;
    std::vector<std::optional<MmBox>> captions;
};

// The caption stands above the frame (10 mm down the page, 10 mm in).
constexpr MmBox kCaptionWindow{10.4, 1.0, 150.0, 9.7};

struct ResolutionPageLog : PageHost {
    std::function<void()> onPage;
    void pageFinished(int, bool) override { onPage(); }
};

// 9 s of a vowel-like sound whose loudness swells and falls, at 16 kHz.
SignalState resolutionRecording()
{
    std::vector<int> samples(9 * 16000);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double t = static_cast<double>(i) / 16000;
        const double swell = 0.5 + 0.5 * std::sin(2 * std::numbers::pi * 0.7 * t);
        samples[i] = static_cast<int>(
            12000 * swell *
            (std::sin(2 * std::numbers::pi * 130 * t) + 0.4 * std::sin(2 * std::numbers::pi * 910 * t)) / 1.4);
    }
    SignalState s;
    const LoadResult r =
        loadSoundBytes(makeWav({.rateHz = 16000}, pcm16(samples)), "/recordings/vowel.wav", s, 665, 201);
    EXPECT_TRUE(r.ok) << r.reason;
    return s;
}

DrawnWaveform drawAt(int dpi, const std::string& lines)
{
    SignalState signal = resolutionRecording();
    PlotDevice plot;
    WaveformRun run(signal, plot);
    WaveformSettings settings;
    settings.linesText = lines;
    settings.linesItem = -1;
    DrawnWaveform d;
    d.dpi = dpi;
    ResolutionPageLog host;
    host.onPage = [&] {
        d.used.push_back(plot.usedarea);
        d.captions.push_back(inkBox(plot.image(), dpi, kCaptionWindow));
    };
    run.run(settings, beginPageAt(plot, dpi), host);
    d.p = run.parameters();
    d.lineheight = plot.lineheight();
    d.spans = run.pageSpans();
    return d;
}

constexpr int kBox = 1, kFromBox = 2;

class WaveformAtEveryResolution : public testing::TestWithParam<const char*> {};

}  // namespace

TEST_P(WaveformAtEveryResolution, IsTheSamePageInFinerPixels)
{
    const DrawnWaveform finest = drawAt(600, GetParam());
    ASSERT_GE(finest.spans.size(), 2u) << "the run should take several pages";
    const double column192 = 1.0 / finest.p.pixelsPerSecond * 600 / 192;  // s
    for (int dpi : kComparedDpis) {
        SCOPED_TRACE(std::to_string(dpi) + " dpi");
        const DrawnWaveform d = dpi == 600 ? finest : drawAt(dpi, GetParam());
        ASSERT_EQ(d.spans.size(), finest.spans.size());
        // From 192 dpi on, the lines and pages keep the 192-dpi timing: the same
        // line starts, and each page ends with the column in which its last line's
        // time runs out, one more column after it: within two 192-dpi columns of
        // the others. The screen page keeps its own (0.15 % slower) time scale.
        for (std::size_t page = 0; page < d.spans.size(); ++page) {
            const WaveformPageSpan& a = d.spans[page];
            const WaveformPageSpan& b = finest.spans[page];
            EXPECT_EQ(a.linesDrawn, b.linesDrawn) << "page " << page;
            if (dpi >= 192) {
                EXPECT_DOUBLE_EQ(a.lineStart, b.lineStart) << "page " << page;
                EXPECT_NEAR(a.endTime, b.endTime, 2 * column192) << "page " << page;
            } else {
                EXPECT_NEAR(a.lineStart, b.lineStart, 0.002 * b.lineStart + column192) << "page " << page;
            }
        }

        const WaveformLayout& l = d.p.layout;
        const WaveformLayout& m = finest.p.layout;
        for (const auto& [a, b, name] :
             {std::tuple{&l.frame, &m.frame, "frame"}, std::tuple{&l.tracks, &m.tracks, "tracks"}}) {
            expectSameMm(kAcross, a->px0, dpi, b->px0, 600, kBox, std::string(name) + " px0");
            expectSameMm(kDown, a->py0, dpi, b->py0, 600, kBox, std::string(name) + " py0");
            expectSameMm(kAcross, a->px1, dpi, b->px1, 600, kBox, std::string(name) + " px1");
            expectSameMm(kDown, a->py1, dpi, b->py1, 600, kBox, std::string(name) + " py1");
        }
        if (dpi < 192)
            continue;  // the rest lies at fixed pixel distances, kept at screen size at 96 dpi

        for (int line = 0; line < d.p.lines; ++line) {
            const WaveformLineRows rows = waveformLineRows(l.tracks, d.p.lines, line, d.lineheight, dpi);
            const WaveformLineRows finestRows =
                waveformLineRows(m.tracks, finest.p.lines, line, finest.lineheight, 600);
            expectSameMm(kDown, rows.top, dpi, finestRows.top, 600, kFromBox, "line top");
            expectSameMm(kDown, rows.bottom, dpi, finestRows.bottom, 600, kFromBox + 1, "line bottom");
            for (std::size_t page = 0; page < d.spans.size(); ++page) {
                const double t0 = d.spans[page].lineStart + line * d.p.lineDuration;
                const std::vector<AxisTick> ticks =
                    waveformTicks(t0, d.p.tickStep, d.p.pixelsPerSecond, l.tracks.px0, l.tracks.px1);
                const std::vector<AxisTick> finestTicks =
                    waveformTicks(t0, finest.p.tickStep, finest.p.pixelsPerSecond, m.tracks.px0, m.tracks.px1);
                ASSERT_EQ(ticks.size(), finestTicks.size());
                for (std::size_t i = 0; i < ticks.size(); ++i) {
                    EXPECT_EQ(ticks[i].label, finestTicks[i].label);
                    expectSameMm(kAcross, ticks[i].pixel, dpi, finestTicks[i].pixel, 600, kFromBox,
                                 "tick " + ticks[i].label);
                }
            }
        }
        for (std::size_t page = 0; page < d.used.size(); ++page) {
            const PageRect& u = d.used[page];
            const PageRect& v = finest.used[page];
            expectSameMm(kAcross, u.left, dpi, v.left, 600, kFromBox, "used area left");
            expectSameMm(kDown, u.top, dpi, v.top, 600, kFromBox + 1, "used area top");
            expectSameMm(kAcross, u.right, dpi, v.right, 600, kFromBox, "used area right");
            expectSameMm(kDown, u.bottom, dpi, v.bottom, 600, kFromBox, "used area bottom");
            ASSERT_TRUE(d.captions[page] && finest.captions[page]);
            EXPECT_NEAR(d.captions[page]->left, finest.captions[page]->left, samePlace(dpi, 600, kFromBox));
            EXPECT_NEAR(d.captions[page]->top, finest.captions[page]->top, samePlace(dpi, 600, kFromBox + 1));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(LinesPerPage, WaveformAtEveryResolution, testing::Values("1", "3"));
