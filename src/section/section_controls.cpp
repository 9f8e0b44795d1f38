#include "section_controls.h"

#include "numeric.h"
#include "parse_number.h"

#include <array>
#include <cmath>
#include <cstdlib>

namespace kelvox {

namespace {

struct BoxDescription {
    SectionBox box;
    std::string label;
    std::vector<std::string> items;
    std::string SectionControls::*text;
    int SectionControls::*item;
};

const std::array<BoxDescription, 8>& boxes()
{
    static const std::array<BoxDescription, 8> all = {{
        {SectionBox::TimeStep, "Time step ms", {"LTAS", "10", "20", "50", "100"},
         &SectionControls::timeStepText, &SectionControls::timeStepItem},
        {SectionBox::Bandwidth, "Bandw Hz/interp", {"25", "50", "100", "140", "200", "280", "400", "800"},
         &SectionControls::bandwidthText, &SectionControls::bandwidthItem},
        {SectionBox::Interpolation, "No of interpolated data points", {"1", "2", "4", "8", "16"},
         &SectionControls::interpolationText, &SectionControls::interpolationItem},
        {SectionBox::FrequencyRange, "F range Hz", {"fs/2", "1000", "2000", "4000", "5000", "8000", "10000"},
         &SectionControls::frequencyRangeText, &SectionControls::frequencyRangeItem},
        {SectionBox::Gain, "Gain dB - range", {"-20", "-10", "0", "10", "20", "30", "40", "50"},
         &SectionControls::gainText, &SectionControls::gainItem},
        {SectionBox::LevelRange, "Level range displayed", {"20", "30", "40", "50", "60", "70", "80"},
         &SectionControls::levelRangeText, &SectionControls::levelRangeItem},
        {SectionBox::PrintSize, "Print size %", {"100", "70", "50", "35", "25"},
         &SectionControls::printSizeText, &SectionControls::printSizeItem},
        {SectionBox::SectionsPerPage, "Sections/page", {"1", "2", "4", "6", "9", "12", "16"},
         &SectionControls::sectionsPerPageText, &SectionControls::sectionsPerPageItem},
    }};
    return all;
}

const BoxDescription& describe(SectionBox box) { return boxes()[static_cast<std::size_t>(box)]; }

int indexOf(const std::vector<std::string>& items, std::string_view text)
{
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i] == text)
            return static_cast<int>(i);
    return -1;
}

const std::string kWindowLabel = "Time window";
const std::string kAnalysisLabel = "Analysis";
const std::string kOrderLabel = "Order";
const std::string kPreEmphasisLabel = "Pre-emphasis";

// A radio group by label: its items and the index it holds in `controls`.
template <typename Enum>
bool setRadio(Enum& field, const std::vector<std::string>& items, std::string_view label,
              std::string_view value, std::string& error)
{
    const int i = indexOf(items, value);
    if (i < 0) {
        std::string known;
        for (const std::string& item : items)
            known += (known.empty() ? "\"" : ", \"") + item + "\"";
        error = std::string(label) + ": no item \"" + std::string(value) + "\" (items: " + known + ")";
        return false;
    }
    field = static_cast<Enum>(i);
    return true;
}

}  // namespace

const std::string& sectionBoxLabel(SectionBox box) { return describe(box).label; }

const std::vector<std::string>& sectionBoxItems(SectionBox box) { return describe(box).items; }

std::string& sectionBoxText(SectionControls& controls, SectionBox box) { return controls.*(describe(box).text); }

int& sectionBoxItem(SectionControls& controls, SectionBox box) { return controls.*(describe(box).item); }

void setSectionBox(SectionControls& controls, SectionBox box, const std::string& text)
{
    sectionBoxText(controls, box) = text;
    sectionBoxItem(controls, box) = indexOf(sectionBoxItems(box), text);
}

void replaceSectionBox(SectionControls& controls, SectionBox box, const std::string& newText,
                       std::vector<std::string>& replacements)
{
    replacements.push_back(sectionBoxLabel(box) + ": \"" + sectionBoxText(controls, box) + "\" replaced by \"" +
                           newText + "\"");
    setSectionBox(controls, box, newText);
}

const std::vector<std::string>& sectionWindowItems()
{
    static const std::vector<std::string> items = {"Square", "Hamming", "Blackman", "Bl-Harris"};
    return items;
}

const std::vector<std::string>& sectionAnalysisItems()
{
    static const std::vector<std::string> items = {"F spectrum", "LP spectrum", "Cepstrum", "Autocorrel", "Harm sum"};
    return items;
}

const std::vector<std::string>& sectionPreEmphasisItems()
{
    static const std::vector<std::string> items = {"Flat", "+6dB/oct"};
    return items;
}

const std::string& itemText(SectionWindow window) { return sectionWindowItems()[static_cast<std::size_t>(window)]; }

const std::string& itemText(SectionAnalysis analysis)
{
    return sectionAnalysisItems()[static_cast<std::size_t>(analysis)];
}

const std::string& itemText(SectionPreEmphasis preEmphasis)
{
    return sectionPreEmphasisItems()[static_cast<std::size_t>(preEmphasis)];
}

std::vector<ControlInfo> sectionControlInfo()
{
    const SectionControls defaults;
    std::vector<ControlInfo> all;
    for (const BoxDescription& b : boxes())
        all.push_back({b.label, b.items, defaults.*(b.text), true});
    all.push_back({kWindowLabel, sectionWindowItems(), itemText(defaults.window), false});
    all.push_back({kAnalysisLabel, sectionAnalysisItems(), itemText(defaults.analysis), false});
    all.push_back({kOrderLabel, {}, std::to_string(defaults.order), true});
    all.push_back({kPreEmphasisLabel, sectionPreEmphasisItems(), itemText(defaults.preEmphasis), false});
    return all;
}

bool applySectionControl(SectionControls& controls, std::string_view label, std::string_view value,
                         std::string& error)
{
    for (const BoxDescription& b : boxes()) {
        if (label == b.label) {
            setSectionBox(controls, b.box, std::string(value));
            return true;
        }
    }
    if (label == kWindowLabel)
        return setRadio(controls.window, sectionWindowItems(), label, value, error);
    if (label == kAnalysisLabel)
        return setRadio(controls.analysis, sectionAnalysisItems(), label, value, error);
    if (label == kPreEmphasisLabel)
        return setRadio(controls.preEmphasis, sectionPreEmphasisItems(), label, value, error);
    if (label == kOrderLabel) {
        // A spin edit holds whole numbers within its range only.
        const bool digits = !value.empty() && value.size() <= 2 &&
                            value.find_first_not_of("0123456789") == std::string_view::npos;
        const int order = digits ? std::atoi(std::string(value).c_str()) : -1;
        if (order < 0 || order > kMaxSectionOrder) {
            error = "Order: \"" + std::string(value) + "\" is not a whole number from 0 to 30";
            return false;
        }
        controls.order = order;
        return true;
    }
    error = "the section window has no control \"" + std::string(label) + "\"";
    return false;
}

AnalysisChoice analysisChoice(SectionAnalysis analysis, int spinValue)
{
    AnalysisChoice c;
    switch (analysis) {
    case SectionAnalysis::LpSpectrum:
        c.spinEnabled = true;
        c.lpOrder = spinValue;
        break;
    case SectionAnalysis::Cepstrum: c.cepstrum = 1; break;
    case SectionAnalysis::Autocorrel: c.autocorrelation = 1; break;
    case SectionAnalysis::HarmSum:
        c.spinEnabled = true;
        c.harmonicCount = spinValue;
        break;
    case SectionAnalysis::FSpectrum: break;
    }
    return c;
}

int sanitizedSectionsPerPage(double typed)
{
    const long long n = std::llabs(static_cast<long long>(satInt(typed)));
    if (n < 1)
        return 1;
    return n > 25 ? 25 : static_cast<int>(n);
}

int sectionPageCount(const TimeInterval& interval, const SectionControls& controls)
{
    const double step = std::fabs(parseNumber(controls.timeStepText) * 0.001);
    if (step == 0)
        return 1;
    const int n = sanitizedSectionsPerPage(parseNumber(controls.sectionsPerPageText));
    return satInt((static_cast<double>(interval.end) - interval.start) / (n * step) + 0.99);
}

std::string sectionPageCountText(int pages) { return format("=> %d pages", pages); }

}  // namespace kelvox
