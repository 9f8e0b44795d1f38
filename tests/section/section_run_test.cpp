// Section runs end to end on the page image: paging, stopping, state the run
// leaves behind, the drawn curve, and hostile control texts.
#include "section_recording.h"
#include "section_run.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <cmath>
#include <functional>

using namespace kelvox;
using namespace kelvox::test;

namespace {

struct RecordingHost : PageHost {
    std::vector<std::pair<int, bool>> pages;
    std::function<bool()> stop;
    bool followOn = false;  // pages follow one another at once, as kelvox-render's do
    void pageFinished(int pageNumber, bool lastPage) override { pages.emplace_back(pageNumber, lastPage); }
    bool stopRequested() const override { return stop && stop(); }
    bool pagesFollowOn() const override { return followOn; }
};

struct Bench {
    SignalState signal;
    PlotDevice plot;
    AnalysisWorkspace ws;
    std::string labelFile;
    SectionRun run{signal, plot, ws, labelFile};
    std::vector<DrawnSection> drawn;

    explicit Bench(SignalState s) : signal(std::move(s))
    {
        run.setSectionObserver([this](const DrawnSection& d) { drawn.push_back(d); });
    }
    RecordingHost go(SectionControls& c, int dpi = 96)
    {
        RecordingHost host;
        go(c, host, dpi);
        return host;
    }
    void go(SectionControls& c, RecordingHost& host, int dpi = 96)
    {
        drawn.clear();
        dpi == 192 ? plot.plotprinter() : plot.plotscreen();
        run.run(c, dpi == 192, host);
    }
};

SectionControls withStep(const std::string& ms, const std::string& perPage = "1")
{
    SectionControls c;
    setSectionBox(c, SectionBox::TimeStep, ms);
    setSectionBox(c, SectionBox::SectionsPerPage, perPage);
    return c;
}

bool isBlack(const QImage& image, int x, int y) { return (image.pixel(x, y) & 0xFFFFFFu) == 0; }

}  // namespace

TEST(SectionRunPaging, LtasOverOneSecondIsOnePageWithOneSection)
{
    Bench b(loadedRecording(harmonicSound({1000}, 16000, 32000, 8000), 16000));
    b.signal.selectionStart = 0.5f;
    b.signal.selectionEnd = 1.5f;
    SectionControls c;
    const RecordingHost host = b.go(c);
    ASSERT_EQ(host.pages.size(), 1u);
    EXPECT_EQ(host.pages[0], std::make_pair(0, true));
    ASSERT_EQ(b.drawn.size(), 1u);
    EXPECT_EQ(b.run.settings().averageCount, 100.0f);
}

TEST(SectionRunPaging, PagesAreNumberedFromZeroAndTheLastSaysSo)
{
    Bench b(loadedRecording(harmonicSound({1000}, 16000, 16000, 8000), 16000));
    b.signal.selectionStart = 0.0f;
    b.signal.selectionEnd = 0.101f;
    SectionControls c = withStep("100");
    const RecordingHost host = b.go(c);
    ASSERT_EQ(host.pages.size(), 2u);
    EXPECT_EQ(host.pages[0], std::make_pair(0, false));
    EXPECT_EQ(host.pages[1], std::make_pair(1, true));
    ASSERT_EQ(b.drawn.size(), 2u);
    EXPECT_NEAR(b.drawn[1].timeSeconds, 0.1, 1e-9);
    EXPECT_EQ(b.drawn[1].number, 1);
}

TEST(SectionRunPaging, SixteenPerPage)
{
    Bench b(loadedRecording(harmonicSound({1000}, 16000, 16000, 8000), 16000));
    SectionControls c = withStep("20", "16");
    const RecordingHost host = b.go(c);
    // 50 sections at 20 ms over 1 s: 16 + 16 + 16 + 2.
    EXPECT_EQ(host.pages.size(), 4u);
    EXPECT_EQ(b.drawn.size(), 50u);
    EXPECT_EQ(b.run.layout().columns, 4);
    EXPECT_EQ(b.run.layout().rows, 4);
}

TEST(SectionRunPaging, AbortStopsAfterTheCurrentSection)
{
    Bench b(loadedRecording(harmonicSound({1000}, 16000, 16000, 8000), 16000));
    SectionControls c = withStep("10", "16");
    RecordingHost host;
    host.stop = [&b] { return b.drawn.size() >= 3; };
    b.go(c, host);
    EXPECT_EQ(b.drawn.size(), 3u);
    ASSERT_EQ(host.pages.size(), 1u);
    EXPECT_EQ(host.pages[0], std::make_pair(0, true));
}

namespace {

// Every page of a run, and its sections' values, with or without the helper.
struct SectionPages {
    std::vector<QImage> pages;
    std::vector<DrawnSection> drawn;
    std::string printed;
};

// `followOn`: the host's pages follow at once, and the helper works on across them.
SectionPages drawSections(const SignalState& recording, SectionAnalysis analysis, bool helper, int stopAfter = -1,
                          bool followOn = false)
{
    Bench b(recording);
    b.run.setHelperThread(helper);
    SectionControls c = withStep("7", "6");
    c.analysis = analysis;
    c.order = analysis == SectionAnalysis::HarmSum ? 5 : 16;
    SectionPages out;
    struct CopyingHost : RecordingHost {
        Bench* bench = nullptr;
        SectionPages* out = nullptr;
        void pageFinished(int pageNumber, bool lastPage) override
        {
            RecordingHost::pageFinished(pageNumber, lastPage);
            out->pages.push_back(bench->plot.image().copy());
        }
    } host;
    host.bench = &b;
    host.out = &out;
    host.followOn = followOn;
    if (stopAfter >= 0)
        host.stop = [&b, stopAfter] { return static_cast<int>(b.drawn.size()) >= stopAfter; };
    testing::internal::CaptureStdout();
    b.go(c, host);
    out.printed = testing::internal::GetCapturedStdout();
    out.drawn = b.drawn;
    return out;
}

}  // namespace

// A helper thread analyses the coming sections of each page, or of the whole run
// where pages follow one another at once: the pages, the values and the printed
// lines are those the run makes alone, in every analysis type, and an abort stops
// at the same section.
TEST(SectionRunPaging, TheHelperThreadDrawsTheSamePages)
{
    // Silence first (the LP spectrum's singular-matrix lines), then a vowel.
    std::vector<int> samples = harmonicSound({140, 280, 420, 700, 1100}, 16000, 9000, 6000);
    std::fill(samples.begin(), samples.begin() + 1200, 0);
    const SignalState recording = loadedRecording(samples, 16000);
    for (const SectionAnalysis analysis :
         {SectionAnalysis::FSpectrum, SectionAnalysis::LpSpectrum, SectionAnalysis::Cepstrum,
          SectionAnalysis::Autocorrel, SectionAnalysis::HarmSum}) {
        for (const int stopAfter : {-1, 20}) {
            const SectionPages alone = drawSections(recording, analysis, false, stopAfter);
            for (const bool followOn : {false, true}) {
                const SectionPages helped = drawSections(recording, analysis, true, stopAfter, followOn);
                const std::string what =
                    itemText(analysis) + (stopAfter >= 0 ? ", aborted" : "") + (followOn ? ", across pages" : "");
                ASSERT_GE(alone.pages.size(), stopAfter >= 0 ? 4u : 12u) << what;
                ASSERT_EQ(helped.pages.size(), alone.pages.size()) << what;
                for (std::size_t k = 0; k < alone.pages.size(); ++k)
                    EXPECT_TRUE(helped.pages[k] == alone.pages[k]) << what << ", page " << k;
                ASSERT_EQ(helped.drawn.size(), alone.drawn.size()) << what;
                for (std::size_t k = 0; k < alone.drawn.size(); ++k)
                    EXPECT_TRUE(helped.drawn[k].readout == alone.drawn[k].readout &&
                                helped.drawn[k].timeSeconds == alone.drawn[k].timeSeconds)
                        << what << ", section " << k;
                EXPECT_EQ(helped.printed, alone.printed) << what;
            }
        }
    }
}

TEST(SectionRunPaging, NoDataNoPage)
{
    Bench empty{SignalState{}};
    SectionControls c;
    EXPECT_TRUE(empty.go(c).pages.empty());

    Bench late(loadedRecording(std::vector<int>(16000, 100), 16000));
    late.signal.selectionStart = 5.0f;
    late.signal.selectionEnd = 6.0f;
    EXPECT_TRUE(late.go(c).pages.empty());

    // An interval that ends before it starts is no interval.
    late.signal.selectionStart = 0.6f;
    late.signal.selectionEnd = 0.2f;
    EXPECT_TRUE(late.go(c).pages.empty());
}

TEST(SectionRunPage, TextHeightFollowsThePrintSize)
{
    Bench b(loadedRecording(std::vector<int>(1600, 100), 16000));
    SectionControls c;
    setSectionBox(c, SectionBox::PrintSize, "100");
    b.go(c);
    EXPECT_EQ(b.plot.lineheight(), 16);
    setSectionBox(c, SectionBox::PrintSize, "70");
    b.go(c);
    EXPECT_EQ(b.plot.lineheight(), 13);  // trunc(96 × 0.8367 / 6)
    b.go(c, 192);
    EXPECT_EQ(b.plot.lineheight(), 26);
    // Above 100 % the page stays whole.
    setSectionBox(c, SectionBox::PrintSize, "250");
    b.go(c);
    EXPECT_EQ(b.plot.lineheight(), 16);
    EXPECT_EQ(b.run.layout().frame.px1, 1064);
    EXPECT_TRUE(b.run.replacements().empty());
}

TEST(SectionRunPage, UsedAreaHoldsBothCaptionLines)
{
    Bench b(loadedRecording(std::vector<int>(1600, 100), 16000));
    SectionControls c;
    b.go(c);
    EXPECT_EQ(b.plot.usedarea, (PageRect{-1, 37 - 30, 1064 * 7 / 10 + 2, 37 + 499 + 2}));
    setSectionBox(c, SectionBox::PrintSize, "100");
    b.go(c, 192);
    // Two 32-pixel caption lines above the frame at row 75.
    EXPECT_EQ(b.plot.usedarea.top, 75 - 66);
}

TEST(SectionRunPage, ToneCurveAndReadoutRegion)
{
    Bench b(loadedRecording(harmonicSound({1000}, 16000, 4000, 500), 16000));
    SectionControls c = withStep("100");
    setSectionBox(c, SectionBox::PrintSize, "100");
    b.go(c);
    ASSERT_FALSE(b.drawn.empty());

    // The readout region of the cell: 0 … 8000 Hz, levels − gain − 60.
    ASSERT_EQ(b.plot.regions().size(), 1u);
    const ReadoutRegion& r = b.plot.regions()[0];
    const SectionCell cell = sectionCell(b.run.layout(), 0);
    EXPECT_EQ(r.left, cell.left);
    EXPECT_EQ(r.top, cell.top);
    EXPECT_FLOAT_EQ(r.xAtRight, 8000.0f);
    EXPECT_FLOAT_EQ(r.yAtTop, 10.0f);
    EXPECT_FLOAT_EQ(r.yAtBottom, -50.0f);

    // The peak bin's step is drawn at its level's row (on the last page, which
    // the image holds).
    const DrawnSection& d = b.drawn.back();
    const std::size_t peak = static_cast<std::size_t>(
        std::max_element(d.readout.begin(), d.readout.end()) - d.readout.begin());
    EXPECT_DOUBLE_EQ(d.x[peak], 1000.0);
    const double level = d.readout[peak] - 10 + 60;  // back to the display level: + gain + 60
    ASSERT_LT(level, 60.0);
    const int row = cell.bottom + static_cast<int>((level - 0) / 60 * (cell.top - cell.bottom));
    const int column = cell.left + static_cast<int>((cell.right - cell.left) * (32 + 0.3 - 0.5) / 256);
    bool found = false;
    for (int y = row - 2; y <= row + 2; ++y)
        found = found || isBlack(b.plot.image(), column, y);
    EXPECT_TRUE(found) << "no curve at " << column << "," << row;
}

TEST(SectionRunPage, PeakAboveTheTopIsLabelled)
{
    // 40 dB of gain lifts a loud tone far above the top line: its step is drawn
    // on the top line, and a label stands above the cell.
    Bench b(loadedRecording(harmonicSound({1000}, 16000, 4000, 16000), 16000));
    SectionControls c = withStep("100");
    setSectionBox(c, SectionBox::Gain, "40");
    setSectionBox(c, SectionBox::PrintSize, "100");
    b.go(c);
    const SectionCell cell = sectionCell(b.run.layout(), 0);
    const int column = cell.left + static_cast<int>((cell.right - cell.left) * 32.0 / 256);
    int blackAbove = 0;
    for (int x = column - 30; x <= column + 30; ++x)
        for (int y = cell.top - 20; y < cell.top - 2; ++y)
            blackAbove += isBlack(b.plot.image(), x, y);
    EXPECT_GT(blackAbove, 10);
}

TEST(SectionRunState, PreEmphasisAndLabelFileNameAreLeftForTheOtherWindows)
{
    Bench b(loadedRecording(std::vector<int>(1600, 100), 16000, 1, "/tmp/kelvox-section/v1.2/take"));
    SectionControls c;
    c.preEmphasis = SectionPreEmphasis::Plus6dBPerOctave;
    b.go(c);
    EXPECT_EQ(b.signal.preEmphasis, 1.0f);
    EXPECT_EQ(b.labelFile, "/tmp/kelvox-section/v1.2/take.mix");
    c.preEmphasis = SectionPreEmphasis::Flat;
    b.go(c);
    EXPECT_EQ(b.signal.preEmphasis, 0.0f);
}

TEST(SectionRunState, CepstrumReadoutIsZeroAtTheTopLine)
{
    std::vector<int> pulses(4000, 0);
    for (std::size_t i = 0; i < pulses.size(); i += 128)
        pulses[i] = 20000;
    Bench b(loadedRecording(pulses, 16000));
    SectionControls c = withStep("100");
    c.analysis = SectionAnalysis::Cepstrum;
    b.go(c);
    ASSERT_FALSE(b.drawn.empty());
    const DrawnSection& d = b.drawn[0];
    EXPECT_TRUE(d.lag);
    EXPECT_NEAR(*std::max_element(d.readout.begin(), d.readout.end()), 0.0, 1e-4);
    EXPECT_DOUBLE_EQ(d.x[1], 1.0 / 16000);
    EXPECT_EQ(d.x.size(), 161u);  // lags 0 … L/2 of a 320-sample frame
}

TEST(SectionRunHostile, ControlTextsThatWouldHangAreReplacedAndTheRunEnds)
{
    // 25 ms at 8 kHz: 200 frames, so even a one-sample step gives at most 201 pages.
    const int frames = 200;
    const std::vector<std::string> hostile = {"", "abc", "-5", "0", "1e9", "0.0001", std::string(400, '7'),
                                              "-" + std::string(400, '9')};
    const SectionBox boxes[] = {SectionBox::TimeStep, SectionBox::Bandwidth, SectionBox::Interpolation,
                                SectionBox::FrequencyRange, SectionBox::Gain, SectionBox::LevelRange,
                                SectionBox::PrintSize, SectionBox::SectionsPerPage};
    Bench b(loadedRecording(harmonicSound({440, 1300}, 8000, frames, 9000), 8000));
    int analysis = 0;
    for (const SectionBox box : boxes) {
        for (const std::string& text : hostile) {
            SectionControls c = withStep("10", "4");
            c.analysis = static_cast<SectionAnalysis>(analysis++ % 5);
            c.order = 12;
            setSectionBox(c, box, text);
            const RecordingHost host = b.go(c);
            const std::string what = sectionBoxLabel(box) + "=\"" + text.substr(0, 12) + "\" " + itemText(c.analysis);
            EXPECT_LE(host.pages.size(), static_cast<std::size_t>(frames + 1)) << what;
            ASSERT_FALSE(host.pages.empty()) << what;
            EXPECT_TRUE(host.pages.back().second) << what;
            const SectionSettings& st = b.run.settings();
            EXPECT_GE(st.hop, 1) << what;
            EXPECT_GE(st.frameLength, 2) << what;
            EXPECT_LE(st.fftLength, 16384) << what;
            for (const double v : {st.bandwidth, st.freqRange, st.timeStep, static_cast<double>(st.gainFactor),
                                   static_cast<double>(st.stripScale), st.levelRange})
                EXPECT_TRUE(std::isfinite(v) && v > 0) << what;
            for (const DrawnSection& d : b.drawn)
                for (std::size_t i = 0; i < d.x.size(); ++i)
                    ASSERT_TRUE(std::isfinite(d.x[i]) && std::isfinite(d.readout[i])) << what;
            // What was replaced reads back as sound: a second run replaces nothing.
            b.go(c);
            EXPECT_TRUE(b.run.replacements().empty()) << what << ": " << b.run.replacements().front();
        }
    }
}
