#pragma once
// The controls of the spectrum section window (TForm4) as the user left them, the
// choice of analysis they imply, and the page count the window shows. No Qt: the
// window copies its controls into a SectionControls and hands it to the run.

#include "page_run.h"
#include "signal_state.h"

#include <string>
#include <string_view>
#include <vector>

namespace kelvox {

/// "Time window" (RadioGroup1).
enum class SectionWindow { Square, Hamming, Blackman, BlackmanHarris };
/// "Analysis" (RadioGroup2).
enum class SectionAnalysis { FSpectrum, LpSpectrum, Cepstrum, Autocorrel, HarmSum };
/// "Pre-emphasis" (RadioGroup3); the item index is the pre-emphasis coefficient.
enum class SectionPreEmphasis { Flat, Plus6dBPerOctave };

/// Largest value of the "Order" spin edit (CSpinEdit1).
inline constexpr int kMaxSectionOrder = 30;

/// Every control of the section window: the text of each editable box with the
/// index of the item it equals (−1 for typed text), the radio groups and the spin
/// edit. Defaults are those the window has at creation.
struct SectionControls {
    std::string timeStepText = "LTAS";          // ComboBox1 "Time step ms"
    int timeStepItem = 0;
    std::string bandwidthText = "100";          // ComboBox2 "Bandw Hz/interp"
    int bandwidthItem = 2;
    std::string interpolationText = "1";        // ComboBox8 "No of interpolated data points"
    int interpolationItem = 0;
    std::string frequencyRangeText = "fs/2";    // ComboBox3 "F range Hz"
    int frequencyRangeItem = 0;
    std::string gainText = "-10";               // ComboBox4 "Gain dB - range"
    int gainItem = 1;
    std::string levelRangeText = "60";          // ComboBox7 "Level range displayed"
    int levelRangeItem = 4;
    std::string printSizeText = "70";           // ComboBox5 "Print size %"
    int printSizeItem = 1;
    std::string sectionsPerPageText = "1";      // ComboBox6 "Sections/page"
    int sectionsPerPageItem = 0;
    SectionWindow window = SectionWindow::Hamming;               // RadioGroup1
    SectionAnalysis analysis = SectionAnalysis::FSpectrum;       // RadioGroup2
    int order = 10;                                              // CSpinEdit1, 0 … 30
    SectionPreEmphasis preEmphasis = SectionPreEmphasis::Flat;   // RadioGroup3
};

/// The editable boxes of the window, in the window's order.
enum class SectionBox {
    TimeStep, Bandwidth, Interpolation, FrequencyRange, Gain, LevelRange, PrintSize, SectionsPerPage
};

/// The label kelvox-render names a box by ("Time step ms" …) and its items.
const std::string& sectionBoxLabel(SectionBox box);
const std::vector<std::string>& sectionBoxItems(SectionBox box);
/// The text and item index of a box inside `controls`.
std::string& sectionBoxText(SectionControls& controls, SectionBox box);
int& sectionBoxItem(SectionControls& controls, SectionBox box);

/// Puts `text` into a box as the window would show it: the item it equals is
/// selected, any other text is typed (item −1).
void setSectionBox(SectionControls& controls, SectionBox box, const std::string& text);

/// Replaces a box's text by `newText` as setSectionBox does and appends the line
/// `LABEL: "old" replaced by "new"` to `replacements`.
void replaceSectionBox(SectionControls& controls, SectionBox box, const std::string& newText,
                       std::vector<std::string>& replacements);

/// The radio groups' item texts: "Square", "Hamming", "Blackman", "Bl-Harris";
/// "F spectrum", "LP spectrum", "Cepstrum", "Autocorrel", "Harm sum"; "Flat", "+6dB/oct".
const std::vector<std::string>& sectionWindowItems();
const std::vector<std::string>& sectionAnalysisItems();
const std::vector<std::string>& sectionPreEmphasisItems();
const std::string& itemText(SectionWindow window);
const std::string& itemText(SectionAnalysis analysis);
const std::string& itemText(SectionPreEmphasis preEmphasis);

/// The controls in the window's order, as kelvox-render lists them: the eight
/// boxes, "Time window", "Analysis", "Order" (the spin edit, 0 … 30) and
/// "Pre-emphasis".
std::vector<ControlInfo> sectionControlInfo();

/// Sets the control `label` to `value`. Boxes take any text (an item's text picks
/// that item); radio groups take only their items; "Order" takes a whole number
/// from 0 to 30. False with a one-line reason for an unknown label or item or an
/// order outside the spin edit's range.
bool applySectionControl(SectionControls& controls, std::string_view label, std::string_view value,
                         std::string& error);

/// The fields that the "Analysis" group and the spin edit set (RadioGroup2Click,
/// also run on every change of the spin value): all 0 except, for "LP spectrum",
/// lpOrder = spin value and, for "Harm sum", harmonicCount = spin value; the
/// cepstrum and autocorrelation flags for their items. The spin edit is enabled only
/// for "LP spectrum" and "Harm sum".
struct AnalysisChoice {
    int lpOrder = 0;
    int harmonicCount = 0;
    int cepstrum = 0;
    int autocorrelation = 0;
    bool spinEnabled = false;
};
AnalysisChoice analysisChoice(SectionAnalysis analysis, int spinValue);

/// Sections per page as a run uses it: trunc of the box's number, its absolute
/// value, 0 → 1 and above 25 → 25 (a 5 × 5 grid holds at most 25).
int sanitizedSectionsPerPage(double typed);

/// The page count the window shows (ComboBox6Change): 1 for a time step of 0
/// ("LTAS" or text without digits), otherwise
/// trunc((end − start) / (sections per page × step) + 0.99) with the step in
/// seconds. Sections per page are counted as the run will use them
/// (sanitizedSectionsPerPage) and a negative step by its size, so the count never
/// divides by zero; the result saturates to the int range.
int sectionPageCount(const TimeInterval& interval, const SectionControls& controls);

/// Label9's text: "=> %d pages" (also for one page).
std::string sectionPageCountText(int pages);

}  // namespace kelvox
