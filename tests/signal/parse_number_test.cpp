#include "parse_number.h"

#include "one_two_five.h"

#include <gtest/gtest.h>

#include <cmath>
#include <span>
#include <string>

using namespace kelvox;

TEST(ParseNumber, TypedTextsReadLikeTheTimeFields)
{
    EXPECT_DOUBLE_EQ(parseNumber("1,5"), 1.5);
    EXPECT_DOUBLE_EQ(parseNumber("1.5"), 1.5);
    EXPECT_DOUBLE_EQ(parseNumber("-2.25"), -2.25);
    EXPECT_DOUBLE_EQ(parseNumber("2-"), -2.0);
    EXPECT_DOUBLE_EQ(parseNumber("  3"), 3.0);
    EXPECT_DOUBLE_EQ(parseNumber("12ab"), 12.0);
    EXPECT_DOUBLE_EQ(parseNumber("0 5"), 5.0);
    EXPECT_DOUBLE_EQ(parseNumber("1.2.3"), 1.5);
    EXPECT_DOUBLE_EQ(parseNumber(""), 0.0);
    EXPECT_DOUBLE_EQ(parseNumber(".5x"), 0.5);
    EXPECT_DOUBLE_EQ(parseNumber("abc"), 0.0);
    EXPECT_DOUBLE_EQ(parseNumber("fs/2"), 2.0);  // letters before the first digit are skipped
    EXPECT_DOUBLE_EQ(parseNumber("100 Hz"), 100.0);
}

TEST(ParseNumber, LongDigitRunsStayFinite)
{
    const std::string digits(400, '9');
    EXPECT_TRUE(std::isinf(parseNumber(digits)) || parseNumber(digits) > 1e300);
    EXPECT_NEAR(parseNumber("0." + digits), 1.0, 1e-12);
}

namespace {
std::string header(const std::string& text, const std::string& key)
{
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    return headerValue(bytes, text.size(), key);
}
}  // namespace

TEST(HeaderValue, FindsKeyLinesOnly)
{
    EXPECT_EQ(header("nchans=2\r\nsftot=16000\r\n", "nchans"), "2");
    EXPECT_EQ(header("nchans=2\r\nsftot=16000\r\n", "sftot"), "16000");
    EXPECT_EQ(header("nchans = 2\r\n", "nchans"), "");
    EXPECT_EQ(header("xx nchans=2\r\n", "nchans"), "");
    EXPECT_EQ(header("a=1\n\nmsb=first\n", "msb"), "first");
    EXPECT_EQ(header("a=1\rmsb= f \r", "msb"), " f ");  // no blanks trimmed
    EXPECT_EQ(header("nchans", "nchans"), "");          // key at the bound, no '='
    EXPECT_EQ(header("", "nchans"), "");
}

TEST(HeaderValue, StopsAtTheBound)
{
    const std::string text = "a=1\r\nnchans=12345";
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    EXPECT_EQ(headerValue(bytes, 14, "nchans"), "12");
    EXPECT_EQ(headerValue(bytes, 9, "nchans"), "");
    EXPECT_EQ(headerValue(bytes, 1000, "nchans"), "12345");  // bound beyond the bytes
}

TEST(ParseNumber, PlainNumbersAreThoseThatReadAsTheySay)
{
    for (const char* plain : {"100", " 3 ", "-2.25", "1,5", ".5", "7.", "-0"})
        EXPECT_TRUE(isPlainNumber(plain)) << plain;
    for (const char* odd : {"", "-", "abc", "12ab", "1.2.3", "2-", "-1e9", "0 5", "+3", "fs/2", "100 Hz", "1..2"})
        EXPECT_FALSE(isPlainNumber(odd)) << odd;
}

TEST(ParseNumber, PlainNumberTextReadsBackAsTheValue)
{
    EXPECT_EQ(plainNumberText(parseNumber("-1e9")), "-1");
    EXPECT_EQ(plainNumberText(parseNumber("1.2.3")), "1.5");
    EXPECT_EQ(plainNumberText(parseNumber("12ab")), "12");
    EXPECT_EQ(plainNumberText(-0.0), "0");
    EXPECT_EQ(plainNumberText(std::nan("")), "");
    for (double v : {0.1, -17.25, 123456.789, 3e17, -2.5e-7}) {
        const std::string text = plainNumberText(v);
        EXPECT_TRUE(isPlainNumber(text)) << text;
        EXPECT_NEAR(parseNumber(text), v, std::fabs(v) * 1e-12 + 1e-10) << text;
    }
}

TEST(TickLabel, FormatFollowsTheStepWithoutLeadingBlanks)
{
    EXPECT_EQ(tickLabel(4.0, 2.0), "4.0");        // "%5.1f"
    EXPECT_EQ(tickLabel(1.25, 0.01), "1.25");     // "%6.2f"
    EXPECT_EQ(tickLabel(0.125, 0.005), "0.125");  // "%7.3f"
    EXPECT_EQ(tickLabel(0.0125, 0.0005), "0.0125");
    EXPECT_EQ(tickLabel(-0.4, 0.2), "-0.4");
    std::string text = "\t  x y";
    trimleft(text);
    EXPECT_EQ(text, "x y");
}

TEST(OneTwoFive, IsEachPowerOfTenTimesOneTwoAndFive)
{
    // The exact values m·10^e, as the pitch scale's steps were once computed.
    std::size_t n = 0;
    for (int e = -5; e <= 4; ++e)
        for (double m : {1.0, 2.0, 5.0})
            EXPECT_EQ(kOneTwoFive[n++], m * std::pow(10.0, e)) << n;
    EXPECT_EQ(kOneTwoFive.back(), 1e5);
    const std::span<const double> grid = oneTwoFive(0.001, 50);
    ASSERT_EQ(grid.size(), 15u);
    // The main view's grid takes them as floats: the same floats as the literals.
    const float literals[15] = {0.001f, 0.002f, 0.005f, 0.01f, 0.02f, 0.05f, 0.1f, 0.2f,
                                0.5f,   1.0f,   2.0f,   5.0f,  10.0f, 20.0f, 50.0f};
    for (std::size_t i = 0; i < grid.size(); ++i)
        EXPECT_EQ(static_cast<float>(grid[i]), literals[i]) << i;
}

TEST(OneTwoFive, StepSearches)
{
    const std::span<const double> steps = oneTwoFive(0.001, 5);
    EXPECT_EQ(largestStepBelow(steps, 0.4), 0.2);
    EXPECT_EQ(largestStepBelow(steps, 0.0005), 0.001);  // none below: the first
    EXPECT_EQ(firstStepNotBelow(steps, 0.3), 0.5);
    EXPECT_EQ(firstStepNotBelow(steps, 99.0), 5.0);  // none: the last
    EXPECT_EQ(timeTickStep(4.0), 0.2);
    EXPECT_EQ(timeTickStep(100.0), 5.0);
}
