#include "label_marks.h"

#include "label_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

using namespace kelvox;
using namespace kelvox::test;

namespace {

constexpr double kMarkRate = 16000.0;

// Two tiers as a phonetician has them: words (with empty stretches of silence) and
// a point tier of pitch targets.
std::vector<GridTier> wordsAndTones()
{
    GridTier words{
        "words",
        false,
        {{0.0, 0.3, ""}, {0.3, 0.7, "ðə"}, {0.7, 1.2, "bɜːd"}, {1.2, 1.5, "  "}, {1.5, 2.1, "təˈdeɪ"}, {2.1, 2.5, ""}}};
    GridTier tones{"tones", true, {{0.45, 0, "H*"}, {1.9, 0, "L-L%"}, {2.0, 0, ""}}};
    return {words, tones};
}

const std::vector<LabelMark> kWordMarks = {{0.3, "ðə"}, {0.7, "bɜːd"}, {1.5, "təˈdeɪ"}};
const std::vector<LabelMark> kToneMarks = {{0.45, "H*"}, {1.9, "L-L%"}, {2.0, ""}};

LabelFile grid(const std::string& text, const std::string& tier = {})
{
    return readLabelText(text, "take.TextGrid", kMarkRate, tier);
}

}  // namespace

TEST(TextGrid, LongAndShortFormsGiveTheIntervalStartsAndThePoints)
{
    for (const std::string& text : {longTextGrid(wordsAndTones(), 2.5), shortTextGrid(wordsAndTones(), 2.5)}) {
        LabelFile f = grid(text);
        ASSERT_TRUE(f.ok) << f.reason;
        EXPECT_EQ(f.format, LabelFormat::TextGrid);
        EXPECT_EQ(f.tiers, (std::vector<std::string>{"words", "tones"}));
        EXPECT_EQ(f.tierIndex, 0);
        EXPECT_EQ(f.marks, kWordMarks);  // empty and blank intervals skipped

        f = grid(text, "tones");
        ASSERT_TRUE(f.ok) << f.reason;
        EXPECT_EQ(f.tierIndex, 1);
        EXPECT_EQ(f.marks, kToneMarks);  // a point marks its time even without a text
        EXPECT_EQ(grid(text, "2").marks, kToneMarks);
    }
}

TEST(TextGrid, Utf16BothWaysCrLfAndAUtf8ByteOrderMarkReadAlike)
{
    const std::string text = longTextGrid(wordsAndTones(), 2.5);
    for (const std::string& encoded : {utf16(crlf(text), true), utf16(text, false), "\xEF\xBB\xBF" + crlf(text),
                                       utf16(crlf(shortTextGrid(wordsAndTones(), 2.5)), true)}) {
        const LabelFile f = grid(encoded);
        ASSERT_TRUE(f.ok) << f.reason;
        EXPECT_EQ(f.marks, kWordMarks);
    }
}

TEST(TextGrid, QuotesInsideTextsAndLineFeedsInThemAreKeptReadable)
{
    GridTier tier{"t", false, {{0.0, 1.0, "say \"ah\""}, {1.0, 2.0, "two\nlines"}}};
    const LabelFile f = grid(longTextGrid({tier}, 2.0));
    ASSERT_TRUE(f.ok) << f.reason;
    EXPECT_EQ(f.marks, (std::vector<LabelMark>{{0.0, "say \"ah\""}, {1.0, "two lines"}}));
}

TEST(TextGrid, AnUnknownTierListsTheFilesTiers)
{
    const LabelFile f = grid(longTextGrid(wordsAndTones(), 2.5), "phones");
    EXPECT_FALSE(f.ok);
    EXPECT_TRUE(f.unknownTier);
    EXPECT_TRUE(f.marks.empty());
    EXPECT_EQ(f.reason, "no tier \"phones\"; its tiers are 1 \"words\", 2 \"tones\"");
    EXPECT_TRUE(grid(longTextGrid(wordsAndTones(), 2.5), "3").unknownTier);
    EXPECT_TRUE(readLabelText("0 10 a\n", "take.phn", kMarkRate, "1").unknownTier);
}

TEST(TextGrid, EveryCutThroughTheFileIsRefusedWithAReason)
{
    const std::string text = shortTextGrid(wordsAndTones(), 2.5);
    // The last value ends at the final quote; any shorter text lacks something.
    const size_t complete = text.rfind('"') + 1;
    for (size_t n = 0; n < complete; ++n) {
        const LabelFile f = grid(text.substr(0, n));
        ASSERT_FALSE(f.ok) << n;
        EXPECT_FALSE(f.reason.empty());
        EXPECT_EQ(f.reason.find('\n'), std::string::npos);
        EXPECT_TRUE(f.marks.empty());
    }
    EXPECT_TRUE(grid(text.substr(0, complete)).ok);
}

TEST(TextGrid, WrongCountsNegativeAndUnorderedTimesAreRefused)
{
    const auto refused = [](const std::string& text, const std::string& words) {
        const LabelFile f = grid(text);
        EXPECT_FALSE(f.ok);
        EXPECT_NE(f.reason.find(words), std::string::npos) << f.reason;
    };
    const std::string good = longTextGrid(wordsAndTones(), 2.5);
    std::string text = good;
    text.replace(text.find("intervals: size = 6"), 19, "intervals: size = 9");
    refused(text, "line ");
    text = good;
    text.replace(text.find("size = 2"), 8, "size = 99999999999");
    refused(text, "not a count");
    text = good;
    text.replace(text.find("size = 2"), 8, "size = -1");
    refused(text, "not a count");

    GridTier negative{"t", false, {{-0.5, 1.0, "a"}}};
    refused(longTextGrid({negative}, 1.0), "negative");
    GridTier backwards{"t", false, {{0.5, 0.2, "a"}}};
    refused(longTextGrid({backwards}, 1.0), "ends before it starts");
    GridTier unordered{"t", true, {{0.8, 0, "a"}, {0.2, 0, "b"}}};
    refused(longTextGrid({unordered}, 1.0), "comes before");

    refused("File type = \"ooTextFile\"\nObject class = \"Pitch 1\"\n", "not a TextGrid");
    refused("ooBinaryFile\x08TextGrid\x01\x02", "binary");
    refused("\xFE\xFF\xD8\x00\x00\x41", "invalid UTF-16");
    refused("\xFF\xFE\x41", "invalid UTF-16");
}

TEST(LabelFiles, TimitPositionsAreSamplesAndLandOnThemExactly)
{
    const LabelFile f = readLabelText("0 3050 h#\n3050 4559 sh\n4559 5723 iy\n", "SA1.PHN", kMarkRate);
    ASSERT_TRUE(f.ok) << f.reason;
    EXPECT_EQ(f.format, LabelFormat::Timit);
    ASSERT_EQ(f.marks.size(), 3u);
    EXPECT_EQ(f.marks[1].text, "sh");
    for (const auto& [mark, sample] : {std::pair{f.marks[0], 0}, {f.marks[1], 3050}, {f.marks[2], 4559}})
        EXPECT_EQ(markSample(mark.seconds, kMarkRate), sample);
    EXPECT_NEAR(f.marks[1].seconds, 3050 / kMarkRate, 1e-12);

    EXPECT_FALSE(readLabelText("0 3050\n", "a.wrd", kMarkRate).ok);
    EXPECT_FALSE(readLabelText("10 5 x\n", "a.wrd", kMarkRate).ok);
    EXPECT_FALSE(readLabelText("10 20 x\n5 30 y\n", "a.wrd", kMarkRate).ok);
    EXPECT_FALSE(readLabelText("-10 20 x\n", "a.wrd", kMarkRate).ok);
}

TEST(LabelFiles, HtkTimesCount100NanosecondsAndExtraColumnsAreIgnored)
{
    const LabelFile f =
        readLabelText("0 2500000 sil -120.5\r\n2500000 6000000 ðə -80.2 the\r\n///\n0 1 alt\n", "take.lab", kMarkRate);
    ASSERT_TRUE(f.ok) << f.reason;
    EXPECT_EQ(f.format, LabelFormat::Htk);
    EXPECT_EQ(f.marks, (std::vector<LabelMark>{{0.0, "sil"}, {0.25, "ðə"}}));
}

TEST(LabelFiles, AudacityLabelsInSecondsWithPointLabels)
{
    const LabelFile f =
        readLabelText("0.250000\t0.659000\tshe\n\\\t100.0\t2000.0\n0,900000\t0,900000\t\n1.5\t2.0\tsea shore\n",
                      "labels.txt", kMarkRate);
    ASSERT_TRUE(f.ok) << f.reason;
    EXPECT_EQ(f.format, LabelFormat::Audacity);
    EXPECT_EQ(f.marks, (std::vector<LabelMark>{{0.25, "she"}, {0.9, ""}, {1.5, "sea shore"}}));
}

TEST(LabelFiles, MixFilesGiveTheLabelsTheReaderReturnsAtTheirSamples)
{
    const LabelFile f = readLabelText("head\nFR 1.250 aa\nFR 20001 bb\nFR 0,5 x\nFR 30000\n", "take.mix", kMarkRate);
    ASSERT_TRUE(f.ok) << f.reason;
    // "x" lies before "bb" and is never returned; the text-less line is, at its time.
    ASSERT_EQ(f.marks.size(), 3u);
    EXPECT_EQ(f.marks[0].text, "aa");
    EXPECT_EQ(markSample(f.marks[0].seconds, kMarkRate), 20000);
    EXPECT_EQ(f.marks[1].text, "bb");
    EXPECT_EQ(markSample(f.marks[1].seconds, kMarkRate), 20001);
    EXPECT_EQ(f.marks[2].text, "");
    EXPECT_EQ(markSample(f.marks[2].seconds, kMarkRate), 30000);
}

TEST(LabelFiles, ContentDecidesBeforeTheExtension)
{
    const std::string text = longTextGrid(wordsAndTones(), 2.5);
    EXPECT_EQ(readLabelText(text, "export.txt", kMarkRate).format, LabelFormat::TextGrid);
    EXPECT_EQ(readLabelText(text, "take.mix", kMarkRate).marks, kWordMarks);
    const LabelFile other = readLabelText("0 1 a\n", "take.csv", kMarkRate);
    EXPECT_FALSE(other.ok);
    EXPECT_NE(other.reason.find(".TextGrid"), std::string::npos);
    EXPECT_FALSE(readLabelText(std::string("\x00\x01\x02\xff\x00", 5), "junk.TextGrid", kMarkRate).ok);
}

TEST(LabelFiles, LongTextsAreCutAt79CharactersNeverInsideOne)
{
    std::string ipa;
    for (int i = 0; i < 50; ++i)
        ipa += "ʃə";  // two bytes each
    GridTier tier{"t", false, {{0.0, 1.0, ipa}}};
    const LabelFile f = grid(longTextGrid({tier}, 1.0));
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.marks[0].text, ipa.substr(0, 79 * 2));
}

TEST(LabelFiles, SecondsOfASampleTurnBackIntoThatSample)
{
    for (double rate : {8000.0, 11025.0, 16000.0, 22050.0, 44100.0, 48000.0, 96000.0, 49.0, 3.0})
        for (int64_t sample : {int64_t{0}, int64_t{1}, int64_t{7}, int64_t{3050}, int64_t{99991}, int64_t{1} << 40})
            EXPECT_EQ(markSample(secondsOfSample(sample, rate), rate), sample) << rate << " " << sample;
}

TEST(LabelFiles, MissingAndOversizedFilesAreRefusedUnread)
{
    const TempFolder dir;
    LabelFile f = readLabelFile((dir.path() / "none.TextGrid").string(), kMarkRate);
    EXPECT_FALSE(f.ok);
    EXPECT_FALSE(f.opened);

    const std::string big = dir.write("big.txt", "0\t1\ta\n");
    std::filesystem::resize_file(big, kMaxLabelFileBytes + 1);  // sparse: nothing is written
    f = readLabelFile(big, kMarkRate);
    EXPECT_FALSE(f.ok);
    EXPECT_NE(f.reason.find("too large"), std::string::npos) << f.reason;

    f = readLabelFile(dir.write("take.TextGrid", longTextGrid(wordsAndTones(), 2.5)), kMarkRate, "words");
    EXPECT_TRUE(f.ok);
    EXPECT_TRUE(f.opened);
    EXPECT_EQ(f.marks, kWordMarks);
}
