// The section window's controls: labels, defaults, setting by label, the analysis
// choice fields and the page count it shows.
#include "section_controls.h"

#include <gtest/gtest.h>

using namespace kelvox;

TEST(SectionPageCount, LtasIsOnePage)
{
    const SectionControls c;
    EXPECT_EQ(sectionPageCount({0.0f, 4.01f}, c), 1);
    EXPECT_EQ(sectionPageCountText(sectionPageCount({0.0f, 4.01f}, c)), "=> 1 pages");
}

TEST(SectionPageCount, TenMillisecondsOverHalfASecondIsFifty)
{
    SectionControls c;
    setSectionBox(c, SectionBox::TimeStep, "10");
    EXPECT_EQ(sectionPageCount({0.0f, 0.5f}, c), 50);
}

TEST(SectionPageCount, JustOverOneStepGivesTwoPages)
{
    SectionControls c;
    setSectionBox(c, SectionBox::TimeStep, "100");
    EXPECT_EQ(sectionPageCount({0.0f, 0.101f}, c), 2);
    EXPECT_EQ(sectionPageCount({0.0f, 0.1f}, c), 1);
}

TEST(SectionPageCount, SectionsPerPageDivideTheCount)
{
    SectionControls c;
    setSectionBox(c, SectionBox::TimeStep, "50");
    setSectionBox(c, SectionBox::SectionsPerPage, "16");
    EXPECT_EQ(sectionPageCount({0.0f, 4.01f}, c), 6);  // 5.01 + 0.99
}

TEST(SectionPageCount, SettingsThatWouldDivideByZeroAreCountedAsTheRunUsesThem)
{
    SectionControls c;
    setSectionBox(c, SectionBox::TimeStep, "10");
    setSectionBox(c, SectionBox::SectionsPerPage, "0");
    EXPECT_EQ(sectionPageCount({0.0f, 0.5f}, c), 50);  // as one section per page
    setSectionBox(c, SectionBox::SectionsPerPage, "-4");
    EXPECT_EQ(sectionPageCount({0.0f, 0.5f}, c), 13);  // 12.5 + 0.99
    setSectionBox(c, SectionBox::SectionsPerPage, "400");
    EXPECT_EQ(sectionPageCount({0.0f, 0.5f}, c), 2);   // 25 per page: 2 + 0.99
    setSectionBox(c, SectionBox::TimeStep, "-10");
    setSectionBox(c, SectionBox::SectionsPerPage, "1");
    EXPECT_EQ(sectionPageCount({0.0f, 0.5f}, c), 50);
    setSectionBox(c, SectionBox::TimeStep, "0.0000000001");
    EXPECT_EQ(sectionPageCount({0.0f, 1e9f}, c), 2147483647);  // saturates
}

TEST(SectionsPerPage, SanitizedToOneThroughTwentyFive)
{
    EXPECT_EQ(sanitizedSectionsPerPage(0), 1);
    EXPECT_EQ(sanitizedSectionsPerPage(-4), 4);
    EXPECT_EQ(sanitizedSectionsPerPage(3.7), 3);
    EXPECT_EQ(sanitizedSectionsPerPage(26), 25);
    EXPECT_EQ(sanitizedSectionsPerPage(1e300), 25);
    EXPECT_EQ(sanitizedSectionsPerPage(-1e300), 25);
}

TEST(AnalysisChoice, EachItemSetsItsFieldAndOnlyLpAndHarmSumEnableTheSpinEdit)
{
    const AnalysisChoice f = analysisChoice(SectionAnalysis::FSpectrum, 12);
    EXPECT_EQ(f.lpOrder + f.harmonicCount + f.cepstrum + f.autocorrelation, 0);
    EXPECT_FALSE(f.spinEnabled);

    const AnalysisChoice lp = analysisChoice(SectionAnalysis::LpSpectrum, 12);
    EXPECT_EQ(lp.lpOrder, 12);
    EXPECT_EQ(lp.harmonicCount + lp.cepstrum + lp.autocorrelation, 0);
    EXPECT_TRUE(lp.spinEnabled);

    const AnalysisChoice cep = analysisChoice(SectionAnalysis::Cepstrum, 12);
    EXPECT_EQ(cep.cepstrum, 1);
    EXPECT_EQ(cep.lpOrder, 0);  // "Cepstrum" after "LP spectrum" leaves no order behind
    EXPECT_FALSE(cep.spinEnabled);

    const AnalysisChoice ac = analysisChoice(SectionAnalysis::Autocorrel, 12);
    EXPECT_EQ(ac.autocorrelation, 1);
    EXPECT_EQ(ac.cepstrum + ac.lpOrder + ac.harmonicCount, 0);
    EXPECT_FALSE(ac.spinEnabled);

    // A new spin value under "Harm sum" is the harmonic count at once.
    EXPECT_EQ(analysisChoice(SectionAnalysis::HarmSum, 5).harmonicCount, 5);
    EXPECT_EQ(analysisChoice(SectionAnalysis::HarmSum, 7).harmonicCount, 7);
    EXPECT_TRUE(analysisChoice(SectionAnalysis::HarmSum, 7).spinEnabled);
    EXPECT_EQ(analysisChoice(SectionAnalysis::HarmSum, 7).lpOrder, 0);
}

TEST(SectionControlInfo, LabelsItemsAndDefaultsInTheWindowsOrder)
{
    const std::vector<ControlInfo> info = sectionControlInfo();
    const std::vector<std::string> labels = {
        "Time step ms", "Bandw Hz/interp", "No of interpolated data points", "F range Hz", "Gain dB - range",
        "Level range displayed", "Print size %", "Sections/page", "Time window", "Analysis", "Order",
        "Pre-emphasis"};
    ASSERT_EQ(info.size(), labels.size());
    for (std::size_t i = 0; i < labels.size(); ++i)
        EXPECT_EQ(info[i].label, labels[i]);
    const std::vector<std::string> defaults = {"LTAS", "100", "1", "fs/2", "-10", "60", "70", "1",
                                               "Hamming", "F spectrum", "10", "Flat"};
    for (std::size_t i = 0; i < defaults.size(); ++i)
        EXPECT_EQ(info[i].defaultValue, defaults[i]) << labels[i];
    EXPECT_EQ(info[1].items, (std::vector<std::string>{"25", "50", "100", "140", "200", "280", "400", "800"}));
    EXPECT_EQ(info[8].items, (std::vector<std::string>{"Square", "Hamming", "Blackman", "Bl-Harris"}));
    EXPECT_EQ(info[11].items, (std::vector<std::string>{"Flat", "+6dB/oct"}));
    EXPECT_TRUE(info[0].typed);
    EXPECT_FALSE(info[9].typed);

    // The record's defaults select the same items.
    const SectionControls c;
    EXPECT_EQ(c.timeStepItem, 0);
    EXPECT_EQ(c.bandwidthItem, 2);
    EXPECT_EQ(c.gainItem, 1);
    EXPECT_EQ(c.levelRangeItem, 4);
    EXPECT_EQ(c.printSizeItem, 1);
    EXPECT_EQ(c.window, SectionWindow::Hamming);
}

TEST(SectionControlInfo, SettingByLabel)
{
    SectionControls c;
    std::string error;
    ASSERT_TRUE(applySectionControl(c, "Time step ms", "20", error));
    EXPECT_EQ(c.timeStepText, "20");
    EXPECT_EQ(c.timeStepItem, 2);
    ASSERT_TRUE(applySectionControl(c, "Time step ms", "30", error));
    EXPECT_EQ(c.timeStepItem, -1);  // typed text
    ASSERT_TRUE(applySectionControl(c, "No of interpolated data points", "16", error));
    EXPECT_EQ(c.interpolationItem, 4);
    ASSERT_TRUE(applySectionControl(c, "Analysis", "Harm sum", error));
    EXPECT_EQ(c.analysis, SectionAnalysis::HarmSum);
    ASSERT_TRUE(applySectionControl(c, "Pre-emphasis", "+6dB/oct", error));
    EXPECT_EQ(c.preEmphasis, SectionPreEmphasis::Plus6dBPerOctave);
    ASSERT_TRUE(applySectionControl(c, "Order", "30", error));
    EXPECT_EQ(c.order, 30);

    EXPECT_FALSE(applySectionControl(c, "Time window", "Hanning", error));
    EXPECT_NE(error.find("Hanning"), std::string::npos);
    EXPECT_FALSE(applySectionControl(c, "Order", "31", error));
    EXPECT_FALSE(applySectionControl(c, "Order", "abc", error));
    EXPECT_FALSE(applySectionControl(c, "Order", "-1", error));
    EXPECT_EQ(c.order, 30);
    EXPECT_FALSE(applySectionControl(c, "Time step", "10", error));
    EXPECT_NE(error.find("Time step"), std::string::npos);
}
