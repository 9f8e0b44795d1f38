#include "waveform_settings.h"

#include "numeric.h"
#include "parse_number.h"

#include <algorithm>

namespace kelvox {

namespace {

// One combo box: its label, items and the settings fields it fills.
struct Combo {
    const char* label;
    std::vector<std::string> items;
    int defaultItem;
    std::string WaveformSettings::*text;
    int WaveformSettings::*item;
};

const std::vector<Combo>& combos()
{
    static const std::vector<Combo> all = {
        {"Time scale mm/s", {"10", "20", "50", "100", "200", "500", "1000", "2000"}, 3,
         &WaveformSettings::timeScaleText, &WaveformSettings::timeScaleItem},
        {"Lines/page", {"1", "2", "3", "4", "5"}, 0, &WaveformSettings::linesText, &WaveformSettings::linesItem},
        {"Gain factor", {"Auto", "1", "2", "5", "10", "20", "50", "100"}, 0, &WaveformSettings::gainText,
         &WaveformSettings::gainItem},
        {"Print size %", {"100", "70", "50", "35", "25"}, 0, &WaveformSettings::printSizeText,
         &WaveformSettings::printSizeItem},
    };
    return all;
}

}  // namespace

std::vector<ControlInfo> waveformControls()
{
    std::vector<ControlInfo> out;
    for (const Combo& c : combos())
        out.push_back({c.label, c.items, c.items[static_cast<std::size_t>(c.defaultItem)], true});
    return out;
}

bool applyWaveformSetting(WaveformSettings& settings, std::string_view label, std::string_view value,
                          std::string& error)
{
    for (const Combo& c : combos()) {
        if (label != c.label)
            continue;
        settings.*c.text = std::string(value);
        const auto it = std::find(c.items.begin(), c.items.end(), value);
        settings.*c.item = it == c.items.end() ? -1 : static_cast<int>(it - c.items.begin());
        return true;
    }
    error = "the waveform window has no control \"" + std::string(label) +
            "\" (it has \"Time scale mm/s\", \"Lines/page\", \"Gain factor\", \"Print size %\")";
    return false;
}

int waveformPageCount(const WaveformSettings& settings, const TimeInterval& interval)
{
    const double timeScale = parseNumber(settings.timeScaleText);
    // The run takes fewer than one line as one; so does the estimate, which would
    // otherwise divide by zero.
    const int lines = std::max(1, satInt(parseNumber(settings.linesText)));
    const double span = static_cast<double>(interval.end) - interval.start;
    // 250 mm of time axis per line: timescale × 0.004 lines of 250 mm per second.
    return satInt(timeScale * 0.004 * span / lines + 0.999);
}

std::string waveformPageCountText(const WaveformSettings& settings, const TimeInterval& interval)
{
    return format("=> %d pages", waveformPageCount(settings, interval));
}

}  // namespace kelvox
