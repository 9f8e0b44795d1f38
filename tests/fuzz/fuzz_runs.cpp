// The three page runs driven with hostile control texts on a short recording, as
// a user typing into the boxes would. A finding is a crash, a sanitizer report, a
// run that goes on drawing pages after its host asked it to stop, a page that
// never ends (libFuzzer's time limit), or a NaN or infinite value handed to the
// plot device.
//
// Input: byte 0 picks the view and the resolution, byte 1 the interval; then one
// byte per control picks its text (see textFor), the rest of the input feeding
// the "raw text" choice.
#include "analysis_workspace.h"
#include "page_layout.h"
#include "page_run.h"
#include "plot_device.h"
#include "section_run.h"
#include "signal_state.h"
#include "sound_file.h"
#include "sound_files.h"
#include "spectrogram_run.h"
#include "spectrogram_state.h"
#include "waveform_run.h"

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

using namespace kelvox;

// The host asks a run to stop after this many pages, which keeps every input
// quick (legal settings can ask for a page per sample); a run must then end.
constexpr int kStopAfterPages = 25;

struct Owners {
    SignalState signal;
    PageLayout layout = builtInLayout();
    PlotDevice plot;
    AnalysisWorkspace analysis;
    SpectrogramState spectrogram;
    std::string labelFile;
    LabelChoice labelChoice;
};

Owners& owners()
{
    static Owners* o = [] {
        static int argc = 1;
        static char name[] = "fuzz_runs";
        static char* argv[] = {name, nullptr};
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        new QGuiApplication(argc, argv);
        auto* made = new Owners;
        const test::Bytes wav = test::makeWav({.rateHz = 8000}, test::pcm16(test::sine(180, 8000, 800, 12000)));
        if (!loadSoundBytes(wav, "/tmp/fuzz-runs.wav", made->signal, 665, 201).ok)
            std::abort();
        return made;
    }();
    return *o;
}

struct CountingHost : PageHost {
    int pages = 0;
    void pageFinished(int, bool) override
    {
        if (++pages > kStopAfterPages + 1)
            __builtin_trap();  // the run did not stop when asked
    }
    bool stopRequested() const override { return pages >= kStopAfterPages; }
};

std::string textFor(uint8_t choice, const ControlInfo& control, const uint8_t*& rest, const uint8_t* end)
{
    static const char* const hostile[] = {"", "abc", "-5", "0", "1e9", "0.0001", "-0", "1,5.5", "9999999999"};
    switch (choice % 5) {
    case 0:
        return control.defaultValue;
    case 1:
        return hostile[(choice / 5) % (sizeof hostile / sizeof *hostile)];
    case 2:
        return control.items.empty() ? control.defaultValue : control.items[(choice / 5) % control.items.size()];
    case 3:
        return std::string(1 + choice / 5 % 2 * 399, '9');  // "9" or a 400-digit number
    default: {
        // Raw text from the input, up to 12 bytes.
        std::string t;
        while (rest < end && t.size() < 12 && *rest != 0)
            t.push_back(static_cast<char>(*rest++));
        if (rest < end)
            ++rest;
        return t;
    }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    Owners& o = owners();
    std::unique_ptr<LabelledRun> run;
    switch (data[0] % 3) {
    case 0:
        run = makeSpectrogramLabelledRun(o.signal, o.layout, o.plot, o.analysis, o.spectrogram, o.labelFile,
                                         o.labelChoice);
        break;
    case 1:
        run = makeSectionLabelledRun(o.signal, o.plot, o.analysis, o.labelFile);
        break;
    default:
        run = makeWaveformLabelledRun(o.signal, o.plot);
        break;
    }
    const int dpi = (data[0] / 3) % 2 ? 192 : 96;
    // The interval: the whole file, a part, a reversed or an empty one.
    static const float intervals[][2] = {{0, 0.1f}, {0.02f, 0.08f}, {0.08f, 0.02f}, {0.05f, 0.05f}, {0, 0.001f}};
    const auto& iv = intervals[data[1] % 5];
    o.signal.selectionStart = iv[0];
    o.signal.selectionEnd = iv[1];

    const uint8_t* rest = data + 2;
    const uint8_t* end = data + size;
    for (const ControlInfo& control : run->controls()) {
        if (rest >= end)
            break;
        const uint8_t choice = *rest++;
        std::string error;
        const std::string text = textFor(choice, control, rest, end);
        run->set(control.label, text, error);  // refusals (non-items for radio groups) are fine
    }
    const int before = o.plot.nonFiniteCount();
    CountingHost host;
    run->run(dpi, host);
    if (o.plot.nonFiniteCount() != before)
        __builtin_trap();  // a NaN or infinity reached the page
    return 0;
}
