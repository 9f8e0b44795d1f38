#pragma once
// The controls of the "WAVEFORM" window as the user left them, and the page-count
// read-out the window shows beside them. No Qt: the form copies its combo boxes
// into this record and back.

#include "page_run.h"
#include "signal_state.h"

#include <string>
#include <string_view>
#include <vector>

namespace kelvox {

/// Each editable combo box as text plus the index of the item the text equals
/// (−1 for typed text). Defaults are those of the window at creation.
struct WaveformSettings {
    std::string timeScaleText = "100";  // ComboBox1 "Time scale mm/s"
    int timeScaleItem = 3;
    std::string linesText = "1";        // ComboBox3 "Lines/page"
    int linesItem = 0;
    std::string gainText = "Auto";      // ComboBox2 "Gain factor"; item 0 is "Auto"
    int gainItem = 0;
    std::string printSizeText = "100";  // ComboBox4 "Print size %"
    int printSizeItem = 0;

    bool operator==(const WaveformSettings&) const = default;
};

/// The four combo boxes in the window's order: "Time scale mm/s", "Lines/page",
/// "Gain factor", "Print size %", with their items and defaults; all accept
/// typed text.
std::vector<ControlInfo> waveformControls();

/// Sets the control `label` to `value`: an item's text picks that item, any other
/// text becomes typed text (item −1). False with a one-line reason in `error` for
/// a label that is not one of the four.
bool applyWaveformSetting(WaveformSettings& settings, std::string_view label, std::string_view value,
                          std::string& error);

/// The page count the window estimates for `interval`:
/// trunc(timescale × 0.004 × (end − start) / lines + 0.999), the time scale as
/// typed (parseNumber) and lines = trunc of the typed value, taken as 1 when it is
/// below 1 (as the run does). Saturated to int; never divides by zero.
int waveformPageCount(const WaveformSettings& settings, const TimeInterval& interval);

/// "=> %d pages" with waveformPageCount.
std::string waveformPageCountText(const WaveformSettings& settings, const TimeInterval& interval);

}  // namespace kelvox
