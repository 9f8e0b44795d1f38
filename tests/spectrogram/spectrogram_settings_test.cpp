#include "spectrogram_settings.h"

#include <gtest/gtest.h>

#include <limits>

using namespace kelvox;

TEST(SpectrogramControls, LabelsItemsAndDefaultsInTheWindowsOrder)
{
    const std::vector<ControlInfo> controls = spectrogramControls();
    ASSERT_EQ(controls.size(), 11u);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Time scale mm/s", "100"}, {"Bandwidth Hz", "200"},     {"F range Hz", "5000"},
        {"Gain dB", "0"},           {"Print size %", "100"},     {"Mid pitch Hz", "100"},
        {"Gray level-range", "0"},  {"Range between black and white", "40"},
        {"Spgm Z axis", "Fourier"}, {"Pitch method", "AMDF"},    {"Levels", "SPL/SPLH"},
    };
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(controls[i].label, expected[i].first);
        EXPECT_EQ(controls[i].defaultValue, expected[i].second);
        EXPECT_EQ(controls[i].typed, i < 8) << controls[i].label;
    }
    EXPECT_EQ(controls[2].items,
              (std::vector<std::string>{"Bark", "fs/2", "1000", "2000", "4000", "5000", "8000", "10000"}));
    EXPECT_EQ(controls[5].items,
              (std::vector<std::string>{"70", "100", "140", "200", "280", "400", "560", "800", "Auto"}));
    EXPECT_EQ(controls[6].items, (std::vector<std::string>{"18", "12", "6", "0", "-6", "-12", "-18"}));
    EXPECT_EQ(controls[8].items, (std::vector<std::string>{"Fourier", "Q=34", "Cepstrum", "LinPr 17"}));
    EXPECT_EQ(controls[9].items, (std::vector<std::string>{"Peak P", "AMDF", "Cepstrum"}));
}

TEST(SpectrogramControls, DefaultRecordMatchesTheWindowAtCreation)
{
    const SpectrogramSettings s;
    const std::vector<ControlInfo> controls = spectrogramControls();
    SpectrogramSettings copy = s;
    for (int box = 0; box < 8; ++box) {
        const auto b = static_cast<SpectrogramBox>(box);
        EXPECT_EQ(boxText(copy, b), controls[static_cast<size_t>(box)].defaultValue);
        EXPECT_EQ(boxItems(b)[static_cast<size_t>(boxItem(copy, b))], boxText(copy, b));
    }
    EXPECT_EQ(s.analysis, AnalysisType::Fourier);
    EXPECT_EQ(s.pitchMethod, PitchMethod::Amdf);
    EXPECT_EQ(s.levels, LevelsMode::SplSplh);
}

TEST(SpectrogramControls, AnItemsTextPicksItAnyOtherTextIsTyped)
{
    SpectrogramSettings s;
    std::string error;
    ASSERT_TRUE(applySpectrogramSetting(s, "Time scale mm/s", "200", error));
    EXPECT_EQ(s.timeScaleItem, 4);
    ASSERT_TRUE(applySpectrogramSetting(s, "Time scale mm/s", "250", error));
    EXPECT_EQ(s.timeScaleText, "250");
    EXPECT_EQ(s.timeScaleItem, -1);
    ASSERT_TRUE(applySpectrogramSetting(s, "F range Hz", "Bark", error));
    EXPECT_EQ(s.frequencyRangeItem, 0);
    ASSERT_TRUE(applySpectrogramSetting(s, "Mid pitch Hz", "Auto", error));
    EXPECT_EQ(s.midPitchItem, 8);
    ASSERT_TRUE(applySpectrogramSetting(s, "Range between black and white", "abc", error));
    EXPECT_EQ(s.grayRangeText, "abc");
    ASSERT_TRUE(applySpectrogramSetting(s, "Spgm Z axis", "Q=34", error));
    EXPECT_EQ(s.analysis, AnalysisType::ConstantQ);
    ASSERT_TRUE(applySpectrogramSetting(s, "Levels", "LP/HP 1kHz", error));
    EXPECT_EQ(s.levels, LevelsMode::LowHigh1k);
    ASSERT_TRUE(applySpectrogramSetting(s, "Pitch method", "Cepstrum", error));
    EXPECT_EQ(s.pitchMethod, PitchMethod::Cepstrum);
}

TEST(SpectrogramControls, UnknownLabelsAndRadioItemsAreRefused)
{
    SpectrogramSettings s;
    std::string error;
    EXPECT_FALSE(applySpectrogramSetting(s, "Spgm Z axis", "Q34", error));
    EXPECT_NE(error.find("Q34"), std::string::npos);
    EXPECT_EQ(s.analysis, AnalysisType::Fourier);
    EXPECT_FALSE(applySpectrogramSetting(s, "Time scale", "100", error));
    EXPECT_NE(error.find("Time scale"), std::string::npos);
    EXPECT_EQ(s, SpectrogramSettings{});
}

TEST(PageCount, EstimatesQuarterMetrePages)
{
    SpectrogramSettings s;
    EXPECT_EQ(spectrogramPageCount(s, {0.0f, 2.5f}), 1);  // 1.999
    EXPECT_EQ(spectrogramPageCount(s, {0.0f, 2.6f}), 2);
    EXPECT_EQ(spectrogramPageCountText(s, {0.0f, 2.6f}), "2 pages");
    s.timeScaleText = "abc";
    EXPECT_EQ(spectrogramPageCountText(s, {0.0f, 2.6f}), "0 pages");
    s.timeScaleText = std::string(40, '9');
    EXPECT_EQ(spectrogramPageCount(s, {0.0f, 10.0f}), std::numeric_limits<int>::max());
}

TEST(QBandwidth, FromTheLastRunsTopFrequency)
{
    EXPECT_EQ(qBandwidthText(0.0), "0");
    EXPECT_EQ(qBandwidthText(5000.0), "294");
    SpectrogramSettings s;
    chooseAnalysisType(s, AnalysisType::ConstantQ, 0.0);
    EXPECT_EQ(s.bandwidthText, "0");
    EXPECT_EQ(s.bandwidthItem, -1);
    chooseAnalysisType(s, AnalysisType::Cepstrum, 5000.0);  // other types leave it
    EXPECT_EQ(s.bandwidthText, "0");
    chooseAnalysisType(s, AnalysisType::ConstantQ, 4760.0);
    EXPECT_EQ(s.bandwidthText, "280");
    EXPECT_EQ(s.bandwidthItem, 5);
}
