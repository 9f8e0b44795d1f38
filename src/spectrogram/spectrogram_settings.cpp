#include "spectrogram_settings.h"

#include "auto_mid_pitch.h"
#include "numeric.h"
#include "parse_number.h"

#include <algorithm>
#include <array>

namespace kelvox {

namespace {

struct BoxDescription {
    std::string label;
    std::vector<std::string> items;
    int defaultItem;
};

const std::array<BoxDescription, 8>& boxes()
{
    static const std::array<BoxDescription, 8> all = {{
        {"Time scale mm/s", {"10", "20", "50", "100", "200", "500", "1000"}, 3},
        {"Bandwidth Hz", {"25", "50", "100", "140", "200", "280", "400", "800"}, 4},
        {"F range Hz", {"Bark", "fs/2", "1000", "2000", "4000", "5000", "8000", "10000"}, 5},
        {"Gain dB", {"-20", "-10", "0", "10", "20", "30", "40", "50"}, 2},
        {"Print size %", {"100", "70", "50", "35", "25"}, 0},
        {"Mid pitch Hz", {"70", "100", "140", "200", "280", "400", "560", "800", kAutoMidPitchText}, 1},
        {"Gray level-range", {"18", "12", "6", "0", "-6", "-12", "-18"}, 3},
        {"Range between black and white", {"20", "30", "40", "50", "60", "70", "80"}, 2},
    }};
    return all;
}

const BoxDescription& describe(SpectrogramBox box)
{
    return boxes()[static_cast<size_t>(box)];
}

const std::vector<std::string>& analysisTypeItems()
{
    static const std::vector<std::string> items = {"Fourier", "Q=34", "Cepstrum", "LinPr 17"};
    return items;
}
const std::vector<std::string>& pitchMethodItems()
{
    static const std::vector<std::string> items = {"Peak P", "AMDF", "Cepstrum"};
    return items;
}
const std::vector<std::string>& levelsItems()
{
    static const std::vector<std::string> items = {"LP/HP 1kHz", "SPL/SPLH"};
    return items;
}

const std::string kAnalysisLabel = "Spgm Z axis";
const std::string kPitchLabel = "Pitch method";
const std::string kLevelsLabel = "Levels";

int indexOf(const std::vector<std::string>& items, std::string_view text)
{
    const auto it = std::find(items.begin(), items.end(), text);
    return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

// Picks a radio group's item by its text; false with the reason when there is none.
bool pickItem(const std::string& label, const std::vector<std::string>& items, std::string_view value,
              int& index, std::string& error)
{
    index = indexOf(items, value);
    if (index >= 0)
        return true;
    error = "\"" + label + "\" has no item \"" + std::string(value) + "\"";
    return false;
}

}  // namespace

const std::string& boxLabel(SpectrogramBox box) { return describe(box).label; }
const std::vector<std::string>& boxItems(SpectrogramBox box) { return describe(box).items; }
const std::string& boxDefault(SpectrogramBox box)
{
    const BoxDescription& d = describe(box);
    return d.items[static_cast<size_t>(d.defaultItem)];
}

std::string& boxText(SpectrogramSettings& s, SpectrogramBox box)
{
    switch (box) {
    case SpectrogramBox::TimeScale: return s.timeScaleText;
    case SpectrogramBox::Bandwidth: return s.bandwidthText;
    case SpectrogramBox::FrequencyRange: return s.frequencyRangeText;
    case SpectrogramBox::Gain: return s.gainText;
    case SpectrogramBox::PrintSize: return s.printSizeText;
    case SpectrogramBox::MidPitch: return s.midPitchText;
    case SpectrogramBox::BlackLevel: return s.blackLevelText;
    case SpectrogramBox::GrayRange: break;
    }
    return s.grayRangeText;
}

int& boxItem(SpectrogramSettings& s, SpectrogramBox box)
{
    switch (box) {
    case SpectrogramBox::TimeScale: return s.timeScaleItem;
    case SpectrogramBox::Bandwidth: return s.bandwidthItem;
    case SpectrogramBox::FrequencyRange: return s.frequencyRangeItem;
    case SpectrogramBox::Gain: return s.gainItem;
    case SpectrogramBox::PrintSize: return s.printSizeItem;
    case SpectrogramBox::MidPitch: return s.midPitchItem;
    case SpectrogramBox::BlackLevel: return s.blackLevelItem;
    case SpectrogramBox::GrayRange: break;
    }
    return s.grayRangeItem;
}

void setBoxText(SpectrogramSettings& s, SpectrogramBox box, std::string_view text)
{
    boxText(s, box) = std::string(text);
    boxItem(s, box) = indexOf(boxItems(box), text);
}

const std::string& analysisTypeText(AnalysisType type)
{
    return analysisTypeItems()[static_cast<size_t>(type)];
}
const std::string& pitchMethodText(PitchMethod method)
{
    return pitchMethodItems()[static_cast<size_t>(method)];
}
const std::string& levelsText(LevelsMode levels)
{
    return levelsItems()[levels == LevelsMode::LowHigh1k ? 0 : 1];
}

std::vector<ControlInfo> spectrogramControls()
{
    std::vector<ControlInfo> controls;
    for (const BoxDescription& d : boxes())
        controls.push_back({d.label, d.items, d.items[static_cast<size_t>(d.defaultItem)], true});
    const SpectrogramSettings defaults;
    controls.push_back({kAnalysisLabel, analysisTypeItems(), analysisTypeText(defaults.analysis), false});
    controls.push_back({kPitchLabel, pitchMethodItems(), pitchMethodText(defaults.pitchMethod), false});
    controls.push_back({kLevelsLabel, levelsItems(), levelsText(defaults.levels), false});
    return controls;
}

bool applySpectrogramSetting(SpectrogramSettings& s, std::string_view label, std::string_view value,
                             std::string& error)
{
    for (size_t i = 0; i < boxes().size(); ++i) {
        if (boxes()[i].label == label) {
            setBoxText(s, static_cast<SpectrogramBox>(i), value);
            return true;
        }
    }
    int index = -1;
    if (label == kAnalysisLabel) {
        if (!pickItem(kAnalysisLabel, analysisTypeItems(), value, index, error))
            return false;
        s.analysis = static_cast<AnalysisType>(index);
        return true;
    }
    if (label == kPitchLabel) {
        if (!pickItem(kPitchLabel, pitchMethodItems(), value, index, error))
            return false;
        s.pitchMethod = static_cast<PitchMethod>(index);
        return true;
    }
    if (label == kLevelsLabel) {
        if (!pickItem(kLevelsLabel, levelsItems(), value, index, error))
            return false;
        s.levels = index == 0 ? LevelsMode::LowHigh1k : LevelsMode::SplSplh;
        return true;
    }
    error = "the spectrogram window has no control \"" + std::string(label) + "\"";
    return false;
}

int spectrogramPageCount(const SpectrogramSettings& s, TimeInterval interval)
{
    const double timeScale = parseNumber(s.timeScaleText);
    return satInt(timeScale * 0.004 * (static_cast<double>(interval.end) - interval.start) + 0.999);
}

std::string spectrogramPageCountText(const SpectrogramSettings& s, TimeInterval interval)
{
    return format("%d pages", spectrogramPageCount(s, interval));
}

std::string qBandwidthText(double topFrequencyHz)
{
    return format("%d", satInt(topFrequencyHz / 17.0));
}

void chooseAnalysisType(SpectrogramSettings& s, AnalysisType type, double lastTopFrequencyHz)
{
    s.analysis = type;
    if (type == AnalysisType::ConstantQ)
        setBoxText(s, SpectrogramBox::Bandwidth, qBandwidthText(lastTopFrequencyHz));
}

}  // namespace kelvox
