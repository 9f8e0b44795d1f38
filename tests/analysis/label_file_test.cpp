#include "label_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace kelvox;

namespace {

// A label file with the given bytes in a fresh temporary folder, removed afterwards.
class LabelFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path()
                / ("kelvox-labels-" + std::to_string(::getpid()) + "-"
                   + testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string write(const std::string& bytes)
    {
        const std::string path = (m_dir / "take.mix").string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    // Opens `bytes` as a label file at `rateHz` and asks for the first label at or
    // after `wanted`.
    std::string first(const std::string& bytes, double rateHz, int wanted, int* pos)
    {
        EXPECT_EQ(m_reader.labelopen(write(bytes), rateHz), 1);
        *pos = wanted;
        return m_reader.labelnext(pos);
    }

    std::filesystem::path m_dir;
    LabelReader m_reader;
};

}  // namespace

TEST_F(LabelFileTest, SecondsAreConvertedWithTheSampleRate)
{
    int pos = 0;
    EXPECT_EQ(first("FR 1.250 aa\n", 16000.0, 0, &pos), "aa");
    EXPECT_EQ(pos, 20000);
    EXPECT_EQ(first("FR 0,5 x\n", 10000.0, 0, &pos), "x");
    EXPECT_EQ(pos, 5000);
}

TEST_F(LabelFileTest, PositionWithoutDecimalMarkIsASampleNumber)
{
    int pos = 0;
    EXPECT_EQ(first("FR 20000 aa\n", 16000.0, 0, &pos), "aa");
    EXPECT_EQ(pos, 20000);
}

TEST_F(LabelFileTest, ReadsForwardToTheWantedPosition)
{
    int pos = 0;
    const std::string text = "FR 10000 a\nFR 12000 b\nFR 16000 c\nFR 18000 d\n";
    EXPECT_EQ(first(text, 16000.0, 15000, &pos), "c");
    EXPECT_EQ(pos, 16000);
    EXPECT_EQ(m_reader.labelnext(&pos), "d");  // the next label at or after 16000
    EXPECT_EQ(pos, 18000);
    EXPECT_FALSE(m_reader.atEnd());
    EXPECT_EQ(m_reader.labelnext(&pos), "");
    EXPECT_EQ(pos, 0);
    EXPECT_TRUE(m_reader.atEnd());
}

TEST_F(LabelFileTest, FileWithoutLabelLinesEndsAtOnce)
{
    int pos = 0;
    EXPECT_EQ(first("comment\nfr 100 lower\n FR 200 indented\n", 16000.0, 0, &pos), "");
    EXPECT_EQ(pos, 0);
    EXPECT_TRUE(m_reader.atEnd());
    pos = 5;
    EXPECT_EQ(m_reader.labelnext(&pos), "");
    EXPECT_EQ(pos, 0);
}

TEST_F(LabelFileTest, LabelLineWithoutTextEndsTheSearchThere)
{
    int pos = 0;
    // "123" has no character of code 65 or more, so the label text is empty.
    EXPECT_EQ(first("FR 500 123\nFR 2000 late\n", 16000.0, 1000, &pos), "");
    EXPECT_EQ(pos, 500);
    EXPECT_FALSE(m_reader.atEnd());  // not the end of the file: a label line
}

TEST_F(LabelFileTest, LabelAtPositionZeroIsToldApartFromTheEnd)
{
    int pos = 0;
    EXPECT_EQ(first("FR start\n", 16000.0, 0, &pos), "start");
    EXPECT_EQ(pos, 0);
    EXPECT_FALSE(m_reader.atEnd());
}

TEST_F(LabelFileTest, LongLinesAreOneLineAndOnlyTheirStartIsParsed)
{
    // Characters 255 … of the long line read like a label line of their own if the
    // line were cut into pieces.
    std::string longLine = "FR 100 " + std::string(248, 'x') + "FR 150 spurious" + std::string(730, 'y');
    ASSERT_GT(longLine.size(), 999u);
    int pos = 0;
    EXPECT_EQ(first(longLine + "\nFR 200 bb\n", 16000.0, 0, &pos), std::string(79, 'x'));
    EXPECT_EQ(pos, 100);
    EXPECT_EQ(m_reader.labelnext(&pos), "bb");
    EXPECT_EQ(pos, 200);
}

TEST_F(LabelFileTest, LabelTextStopsAtBlanksAndAt79Characters)
{
    int pos = 0;
    EXPECT_EQ(first("FR 7\t  ab-c\tdef\r\n", 16000.0, 0, &pos), "ab-c");
    EXPECT_EQ(pos, 7);
    EXPECT_EQ(first("FR 7 " + std::string(100, 'L') + "\n", 16000.0, 0, &pos), std::string(79, 'L'));
}

TEST_F(LabelFileTest, CrLfLinesAndAMissingLastLineFeedWork)
{
    int pos = 0;
    EXPECT_EQ(first("FR 100 one\r\nFR 200 two", 16000.0, 0, &pos), "one");
    EXPECT_EQ(m_reader.labelnext(&pos), "two");
    EXPECT_EQ(pos, 200);
    EXPECT_EQ(m_reader.labelnext(&pos), "");
    EXPECT_TRUE(m_reader.atEnd());
}

TEST_F(LabelFileTest, Utf8LabelsSurvive)
{
    int pos = 0;
    EXPECT_EQ(first("FR 300 \xCA\x83\xC9\x99:\n", 16000.0, 0, &pos), "\xCA\x83\xC9\x99:");  // "ʃə:"
    EXPECT_EQ(pos, 300);
}

TEST_F(LabelFileTest, HugePositionsSaturate)
{
    int pos = 0;
    EXPECT_EQ(first("FR 99999999999999999999999 big\n", 16000.0, 0, &pos), "big");
    EXPECT_EQ(pos, INT_MAX);
    EXPECT_EQ(first("FR 99999999999.5 big\n", 16000.0, 0, &pos), "big");
    EXPECT_EQ(pos, INT_MAX);
}

TEST_F(LabelFileTest, OpenAndCloseReportWhatHappened)
{
    EXPECT_EQ(m_reader.labelopen("", 16000.0), 0);
    EXPECT_FALSE(m_reader.isOpen());
    EXPECT_EQ(m_reader.labelopen((m_dir / "missing.mix").string(), 16000.0), 0);
    EXPECT_FALSE(m_reader.isOpen());
    EXPECT_EQ(m_reader.labelopen(write("FR 1 a\n"), 16000.0), 1);
    EXPECT_TRUE(m_reader.isOpen());
    m_reader.labelclose();
    EXPECT_FALSE(m_reader.isOpen());
    int pos = 0;
    EXPECT_EQ(m_reader.labelnext(&pos), "");  // nothing open: as at the end
    EXPECT_EQ(pos, 0);
}

TEST(LabelFileName, ReplacesTheExtensionOfTheLastPathComponent)
{
    EXPECT_EQ(labelFileName("/home/u/.cache/take1"), "/home/u/.cache/take1.mix");
    EXPECT_EQ(labelFileName("/data/v1.2/rec.wav"), "/data/v1.2/rec.mix");
    EXPECT_EQ(labelFileName("/data/v1.2/rec"), "/data/v1.2/rec.mix");
    EXPECT_EQ(labelFileName("rec.take2.smp"), "rec.take2.mix");
    EXPECT_EQ(labelFileName("rec"), "rec.mix");
}

TEST(Trimleft, RemovesLeadingBlanksAndHighBytes)
{
    std::string text = "   12.5";
    trimleft(text);
    EXPECT_EQ(text, "12.5");
    text = "    ";
    trimleft(text);
    EXPECT_EQ(text, "");
    text = "\t\xC3\xA9t\xC3\xA9";  // bytes 128–255 count as codes below 0
    trimleft(text);
    EXPECT_EQ(text, "t\xC3\xA9");
    text = "";
    trimleft(text);
    EXPECT_EQ(text, "");
}
