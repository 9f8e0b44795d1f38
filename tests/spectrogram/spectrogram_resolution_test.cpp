// One spectrogram run drawn at 96, 192, 300 and 600 dpi: the same pages (count,
// breaks, analysed pairs) with strips, ticks and captions in the same places in
// millimetres, within one pixel of the coarser page.
#include "page_frame.h"
#include "page_millimetres.h"
#include "run_fixture.h"

#include "one_two_five.h"

#include <gtest/gtest.h>

#include <optional>

using namespace kelvox;
using namespace kelvox::test;

namespace {

struct ResolutionRun {
    int dpi = 0;
    SpectrogramParameters p;
    std::vector<float> pageStarts;
    std::vector<PageRect> used;
    std::vector<std::optional<MmBox>> captions;
    std::vector<std::vector<AxisTick>> timeTicks;
    std::vector<double> pairTimes;
};

// The caption lines sit inside the page frame's top-left corner (4 mm down).
constexpr MmBox kCaptionWindow{0.4, 4.4, 120.0, 13.0};

struct Settings {
    const char* timeScale;
    const char* bandwidth;
};

void PrintTo(const Settings& settings, std::ostream* out)
{
    *out << settings.timeScale << " mm/s, " << settings.bandwidth << " Hz";
}

ResolutionRun drawAt(int dpi, const Settings& settings)
{
    RunFixture f(noisyTone(140, 16000, 6.0, 9000));
    f.settings.timeScaleText = settings.timeScale;
    f.settings.bandwidthText = settings.bandwidth;
    ResolutionRun d;
    d.dpi = dpi;
    f.run.setTrackSink([&d](const PairTrack& t) { d.pairTimes.push_back(t.timeSeconds); });
    RecordingHost host;
    host.onPage = [&](int) {
        const SpectrogramParameters& p = f.run.parameters();
        const float start = f.st.cursor.analysisStart;
        d.pageStarts.push_back(start);
        d.used.push_back(f.plot.usedarea);
        d.captions.push_back(inkBox(f.plot.image(), dpi, kCaptionWindow));
        const double span = (p.geometry.spgmRight - p.geometry.spgmLeft) / static_cast<double>(p.pixelsPerSecond);
        d.timeTicks.push_back(timeTicks(p, start, timeTickStep(span)));
    };
    f.runPages(host, dpi);
    d.p = f.run.parameters();
    return d;
}

constexpr int kEdge = 1, kFromEdge = 2;

class SpectrogramAtEveryResolution : public testing::TestWithParam<Settings> {};

}  // namespace

TEST_P(SpectrogramAtEveryResolution, IsTheSamePageInFinerPixels)
{
    const ResolutionRun finest = drawAt(600, GetParam());
    ASSERT_GE(finest.pageStarts.size(), 2u) << "the run should take several pages";
    for (int dpi : kComparedDpis) {
        SCOPED_TRACE(std::to_string(dpi) + " dpi");
        const ResolutionRun d = dpi == 600 ? finest : drawAt(dpi, GetParam());

        // The same pages: count and breaks, and from 192 dpi on the same pairs. The
        // screen page keeps its own timing: with a narrow band its pairs may be
        // longer (up to 16 of its coarser columns), which can move a break by the
        // tenth of a second that page starts are cut to.
        ASSERT_EQ(d.pageStarts.size(), finest.pageStarts.size());
        if (dpi >= 192) {
            EXPECT_EQ(d.pageStarts, finest.pageStarts);
            EXPECT_EQ(d.pairTimes, finest.pairTimes);
        }
        for (std::size_t page = 0; page < d.pageStarts.size(); ++page)
            EXPECT_NEAR(d.pageStarts[page], finest.pageStarts[page], 0.1001) << "page " << page;

        // Strips.
        for (std::size_t k = 0; k < d.p.geometry.sub.size(); ++k) {
            const PageBox& a = d.p.geometry.sub[k];
            const PageBox& b = finest.p.geometry.sub[k];
            const std::string strip = "strip " + std::to_string(k);
            expectSameMm(kAcross, a.px0, dpi, b.px0, 600, kEdge, strip + " px0");
            expectSameMm(kDown, a.py0, dpi, b.py0, 600, kEdge, strip + " py0");
            expectSameMm(kAcross, a.px1, dpi, b.px1, 600, kEdge, strip + " px1");
            expectSameMm(kDown, a.py1, dpi, b.py1, 600, kEdge, strip + " py1");
        }

        // Frequency scale and, page by page, the time axis.
        const auto frequencyTicks = [](const SpectrogramParameters& p) {
            return spectrogramTicks(p, frequencyTickStep(p.topFrequency),
                                    quefrencyTickStep(p.windowLength, p.sampleRate));
        };
        const std::vector<AxisTick> rows = frequencyTicks(d.p), finestRows = frequencyTicks(finest.p);
        ASSERT_EQ(rows.size(), finestRows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i].label, finestRows[i].label);
            expectSameMm(kDown, rows[i].pixel, dpi, finestRows[i].pixel, 600, kFromEdge,
                         "frequency tick " + rows[i].label);
        }
        for (std::size_t page = 0; page < d.timeTicks.size(); ++page) {
            if (d.pageStarts[page] != finest.pageStarts[page])
                continue;  // a screen page that starts elsewhere has its own ticks
            const std::vector<AxisTick>& ticks = d.timeTicks[page];
            const std::vector<AxisTick>& finestTicks = finest.timeTicks[page];
            ASSERT_EQ(ticks.size(), finestTicks.size()) << "page " << page;
            for (std::size_t i = 0; i < ticks.size(); ++i) {
                EXPECT_EQ(ticks[i].label, finestTicks[i].label);
                expectSameMm(kAcross, ticks[i].pixel, dpi, finestTicks[i].pixel, 600, kFromEdge,
                             "time tick " + ticks[i].label);
            }
            // The used area's sides and bottom; its top (30 pixels above the frame)
            // and the captions' offsets are fixed pixels, which 96-dpi pages keep at
            // their screen size.
            const PageRect& u = d.used[page];
            const PageRect& v = finest.used[page];
            expectSameMm(kAcross, u.left, dpi, v.left, 600, kFromEdge, "used area left");
            expectSameMm(kAcross, u.right, dpi, v.right, 600, kFromEdge, "used area right");
            expectSameMm(kDown, u.bottom, dpi, v.bottom, 600, kFromEdge, "used area bottom");
            if (dpi < 192)
                continue;
            expectSameMm(kDown, u.top, dpi, v.top, 600, kFromEdge, "used area top");
            ASSERT_TRUE(d.captions[page] && finest.captions[page]);
            EXPECT_NEAR(d.captions[page]->left, finest.captions[page]->left, samePlace(dpi, 600, kFromEdge));
            EXPECT_NEAR(d.captions[page]->top, finest.captions[page]->top, samePlace(dpi, 600, kFromEdge));
        }
    }
}

// The default page; a slower time scale; and a narrow band, whose pairs are as
// long as 16 pixel columns of the 192-dpi page allow.
INSTANTIATE_TEST_SUITE_P(Settings, SpectrogramAtEveryResolution,
                         testing::Values(Settings{"100", "200"}, Settings{"50", "200"}, Settings{"100", "45"}),
                         [](const testing::TestParamInfo<Settings>& param) {
                             return std::string("TimeScale") + param.param.timeScale + "Bandwidth" +
                                    param.param.bandwidth;
                         });
