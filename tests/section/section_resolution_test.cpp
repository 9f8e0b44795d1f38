// One section run drawn at 96, 192, 300 and 600 dpi: the same pages with the same
// sections, and the frame, strip, cells, their ticks and the captions in the same
// places in millimetres, within one pixel of the coarser page per cut to pixels.
#include "page_millimetres.h"
#include "section_recording.h"
#include "section_run.h"

#include <gtest/gtest.h>

#include <optional>

using namespace kelvox;
using namespace kelvox::test;

namespace {

struct DrawnSections {
    int dpi = 0;
    SectionLayout layout;
    SectionSettings settings;
    int lineheight = 0;
    std::vector<int> sectionsPerPage;
    std::vector<double> sectionTimes;
    std::vector<PageRect> used;
    std::vector<std::optional<MmBox>> captions;
};

// The two caption lines stand above the page frame (10 mm down the page).
constexpr MmBox kCaptionWindow{0.4, 1.0, 150.0, 9.7};

struct CountingHost : PageHost {
    std::function<void()> onPage;
    void pageFinished(int, bool) override { onPage(); }
};

DrawnSections drawAt(int dpi, const std::string& printSize)
{
    SignalState signal = loadedRecording(harmonicSound({150, 450, 1200, 2500}, 16000, 48000, 6000), 16000);
    PlotDevice plot;
    AnalysisWorkspace ws;
    std::string labelFile;
    SectionRun run(signal, plot, ws, labelFile);
    SectionControls controls;
    setSectionBox(controls, SectionBox::TimeStep, "200");
    setSectionBox(controls, SectionBox::SectionsPerPage, "4");
    setSectionBox(controls, SectionBox::PrintSize, printSize);
    DrawnSections d;
    d.dpi = dpi;
    int drawn = 0;
    run.setSectionObserver([&](const DrawnSection& s) {
        d.sectionTimes.push_back(s.timeSeconds);
        ++drawn;
    });
    CountingHost host;
    host.onPage = [&] {
        d.sectionsPerPage.push_back(drawn);
        drawn = 0;
        d.used.push_back(plot.usedarea);
        d.captions.push_back(inkBox(plot.image(), dpi, kCaptionWindow));
    };
    run.run(controls, beginPageAt(plot, dpi), host);
    d.layout = run.layout();
    d.settings = run.settings();
    d.lineheight = plot.lineheight();
    return d;
}

// A box scaled from the page's tenths of a millimetre, then shrunk by the print
// size: two cuts. The spectrum area's top adds two text lines (a third), and
// the cells divide the area (a fourth).
constexpr int kBox = 2, kBelowText = 3, kCell = 4;

void expectSameBox(const PageBox& a, int aDpi, const PageBox& b, int bDpi, int cuts, const std::string& what)
{
    expectSameMm(kAcross, a.px0, aDpi, b.px0, bDpi, cuts, what + " px0");
    expectSameMm(kDown, a.py0, aDpi, b.py0, bDpi, cuts, what + " py0");
    expectSameMm(kAcross, a.px1, aDpi, b.px1, bDpi, cuts, what + " px1");
}

class SectionsAtEveryResolution : public testing::TestWithParam<const char*> {};

}  // namespace

TEST_P(SectionsAtEveryResolution, AreTheSamePagesInFinerPixels)
{
    const DrawnSections finest = drawAt(600, GetParam());
    ASSERT_GE(finest.sectionsPerPage.size(), 3u) << "the run should take several pages";
    for (int dpi : kComparedDpis) {
        SCOPED_TRACE(std::to_string(dpi) + " dpi");
        const DrawnSections d = dpi == 600 ? finest : drawAt(dpi, GetParam());
        // The same sections on the same pages.
        ASSERT_EQ(d.sectionsPerPage, finest.sectionsPerPage);
        EXPECT_EQ(d.sectionTimes, finest.sectionTimes);

        expectSameBox(d.layout.frame, dpi, finest.layout.frame, 600, kBox, "frame");
        expectSameMm(kDown, d.layout.frame.py1, dpi, finest.layout.frame.py1, 600, kBox, "frame py1");
        expectSameBox(d.layout.strip, dpi, finest.layout.strip, 600, kBox, "strip");
        expectSameMm(kDown, d.layout.strip.py1, dpi, finest.layout.strip.py1, 600, kBox, "strip py1");
        expectSameBox(d.layout.area, dpi, finest.layout.area, 600, kBox, "area");
        expectSameMm(kDown, d.layout.area.py1, dpi, finest.layout.area.py1, 600, kBelowText, "area top");

        // Fixed pixel distances (text offsets, the used area's top, the 10 pixels
        // below a cell) keep their screen size on the 96-dpi page: what depends
        // on them is compared from 192 dpi on.
        const bool fixedSizesAlike = dpi >= 192;
        for (int c = 0; c < d.layout.sectionsPerPage; ++c) {
            const SectionCell a = sectionCell(d.layout, c), b = sectionCell(finest.layout, c);
            const std::string cell = "cell " + std::to_string(c);
            expectSameMm(kAcross, a.left, dpi, b.left, 600, kCell, cell + " left");
            expectSameMm(kAcross, a.right, dpi, b.right, 600, kCell, cell + " right");
            expectSameMm(kDown, a.top, dpi, b.top, 600, kCell, cell + " top");
            if (!fixedSizesAlike)
                continue;
            expectSameMm(kDown, a.bottom, dpi, b.bottom, 600, kCell, cell + " bottom");
            // Frequency ticks across the cell and level lines down it.
            const std::vector<AxisTick> ticks = frequencyTicks(a.left, a.right, d.settings.freqRange);
            const std::vector<AxisTick> finestTicks = frequencyTicks(b.left, b.right, finest.settings.freqRange);
            ASSERT_EQ(ticks.size(), finestTicks.size());
            for (std::size_t i = 0; i < ticks.size(); ++i) {
                EXPECT_EQ(ticks[i].label, finestTicks[i].label);
                expectSameMm(kAcross, ticks[i].pixel, dpi, finestTicks[i].pixel, 600, kCell + 1,
                             "tick " + ticks[i].label);
            }
            const SectionSettings& s = d.settings;
            const std::vector<AxisTick> lines =
                levelLines(a.top, a.bottom, s.gainDb, s.levelRange, s.choice.cepstrum != 0, d.lineheight);
            const std::vector<AxisTick> finestLines =
                levelLines(b.top, b.bottom, finest.settings.gainDb, finest.settings.levelRange,
                           finest.settings.choice.cepstrum != 0, finest.lineheight);
            ASSERT_EQ(lines.size(), finestLines.size());
            for (std::size_t i = 0; i < lines.size(); ++i) {
                EXPECT_EQ(lines[i].label, finestLines[i].label);
                expectSameMm(kDown, lines[i].pixel, dpi, finestLines[i].pixel, 600, kCell + 1,
                             "level " + lines[i].label);
            }
        }

        for (std::size_t page = 0; page < d.used.size(); ++page) {
            const PageRect& u = d.used[page];
            const PageRect& v = finest.used[page];
            expectSameMm(kAcross, u.left, dpi, v.left, 600, kBox, "used area left");
            expectSameMm(kAcross, u.right, dpi, v.right, 600, kBox, "used area right");
            expectSameMm(kDown, u.bottom, dpi, v.bottom, 600, kBox, "used area bottom");
            if (!fixedSizesAlike)
                continue;
            expectSameMm(kDown, u.top, dpi, v.top, 600, kBelowText, "used area top");
            ASSERT_TRUE(d.captions[page] && finest.captions[page]);
            EXPECT_NEAR(d.captions[page]->left, finest.captions[page]->left, samePlace(dpi, 600, kBox));
            EXPECT_NEAR(d.captions[page]->top, finest.captions[page]->top, samePlace(dpi, 600, kBelowText));
        }
    }
}

// The window's default print size, and the whole page.
INSTANTIATE_TEST_SUITE_P(PrintSizes, SectionsAtEveryResolution, testing::Values("70", "100"));
