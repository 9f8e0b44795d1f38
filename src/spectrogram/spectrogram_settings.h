#pragma once
// The controls of the spectrogram window as the user left them, with the window's
// defaults at creation, the list of controls kelvox-render names, and the page-count
// estimate the window shows.

#include "page_run.h"
#include "signal_state.h"
#include "spectrogram_parameters.h"

#include <string>
#include <string_view>
#include <vector>

namespace kelvox {

/// Every control of the spectrogram window: the text of each editable box and the
/// index of the item that text equals (−1 for typed text), and the radio groups.
struct SpectrogramSettings {
    std::string timeScaleText = "100";        // "Time scale mm/s"
    int timeScaleItem = 3;
    std::string bandwidthText = "200";        // "Bandwidth Hz"
    int bandwidthItem = 4;
    std::string frequencyRangeText = "5000";  // "F range Hz"; items 0 "Bark", 1 "fs/2"
    int frequencyRangeItem = 5;
    std::string gainText = "0";               // "Gain dB"
    int gainItem = 2;
    std::string printSizeText = "100";        // "Print size %"
    int printSizeItem = 0;
    std::string midPitchText = "100";         // "Mid pitch Hz"
    int midPitchItem = 1;
    std::string blackLevelText = "0";         // "Gray level-range" (black level offset)
    int blackLevelItem = 3;
    std::string grayRangeText = "40";         // "Range between black and white"
    int grayRangeItem = 2;
    AnalysisType analysis = AnalysisType::Fourier;  // "Spgm Z axis"
    PitchMethod pitchMethod = PitchMethod::Amdf;    // "Pitch method"
    LevelsMode levels = LevelsMode::SplSplh;        // "Levels"

    bool operator==(const SpectrogramSettings&) const = default;
};

/// The editable boxes of the window, in its order.
enum class SpectrogramBox {
    TimeScale, Bandwidth, FrequencyRange, Gain, PrintSize, MidPitch, BlackLevel, GrayRange
};

/// The label a box shows ("Time scale mm/s" …), its items and its default text.
const std::string& boxLabel(SpectrogramBox box);
const std::vector<std::string>& boxItems(SpectrogramBox box);
const std::string& boxDefault(SpectrogramBox box);

/// The box's text and item index in `s`.
std::string& boxText(SpectrogramSettings& s, SpectrogramBox box);
int& boxItem(SpectrogramSettings& s, SpectrogramBox box);

/// Sets a box to `text` and its item index to the item that text equals, or −1.
void setBoxText(SpectrogramSettings& s, SpectrogramBox box, std::string_view text);

/// The item texts of the radio groups ("Fourier", "Q=34", "Cepstrum", "LinPr 17";
/// "Peak P", "AMDF", "Cepstrum"; "LP/HP 1kHz", "SPL/SPLH").
const std::string& analysisTypeText(AnalysisType type);
const std::string& pitchMethodText(PitchMethod method);
const std::string& levelsText(LevelsMode levels);

/// The window's controls as kelvox-render names them, in the window's order.
std::vector<ControlInfo> spectrogramControls();

/// Applies "LABEL=VALUE": an item's text picks that item, any other text is typed
/// text; the radio groups take only their items. False with a one-line reason for
/// an unknown label or item.
bool applySpectrogramSetting(SpectrogramSettings& s, std::string_view label, std::string_view value,
                             std::string& error);

/// The page count the window shows for an interval: trunc(timescale·0.004·(end −
/// start) + 0.999) with the typed time scale, saturated ("abc" gives 0).
int spectrogramPageCount(const SpectrogramSettings& s, TimeInterval interval);
/// The same as the window's read-out: "%d pages".
std::string spectrogramPageCountText(const SpectrogramSettings& s, TimeInterval interval);

/// The bandwidth "Q=34" implies for a top frequency: "%d" of trunc(top/17)
/// ("0" before any run, "294" at 5000 Hz).
std::string qBandwidthText(double topFrequencyHz);

/// What choosing an analysis type does to the controls: selects it, and for "Q=34"
/// writes the bandwidth of the last run's top frequency into "Bandwidth Hz".
void chooseAnalysisType(SpectrogramSettings& s, AnalysisType type, double lastTopFrequencyHz);

}  // namespace kelvox
