#include "engineering_notation.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kelvox;

TEST(EngineeringNotation, ExamplesOfTheReferenceLabels)
{
    EXPECT_EQ(engineeringNotation(0.5), "500m");
    EXPECT_EQ(engineeringNotation(-0.5), "-500m");
    EXPECT_EQ(engineeringNotation(1234), "1.23k");
    EXPECT_EQ(engineeringNotation(0), "0");
    EXPECT_EQ(engineeringNotation(-0.0), "0");
    EXPECT_EQ(engineeringNotation(0.0005), "500u");
    EXPECT_EQ(engineeringNotation(1.5e9), "1500M");
    EXPECT_EQ(engineeringNotation(2e-9), "0u");
}

// Each row starts at its threshold: at the threshold the row's own format, just
// below it the next smaller row's.
TEST(EngineeringNotation, EachRowStartsAtItsThreshold)
{
    struct Row {
        double threshold;
        const char* at;
        const char* below;
    };
    const Row rows[] = {
        {9.99e7, "100M", "99.9M"},   {9990000, "10.0M", "9.99M"}, {999000, "1.00M", "999k"},
        {99900, "100k", "99.9k"},    {9990, "10.0k", "9.99k"},    {999, "1.00k", "999"},
        {99.9, "100", "99.9"},       {9.99, "10.0", "9.99"},      {0.999, "1.00", "999m"},
        {0.0999, "100m", "99.9m"},   {0.00999, "10.0m", "9.99m"}, {0.000999, "1.00m", "999u"},
    };
    for (const Row& r : rows) {
        const double below = std::nextafter(r.threshold, 0.0);
        EXPECT_EQ(engineeringNotation(r.threshold), r.at) << r.threshold;
        EXPECT_EQ(engineeringNotation(below), r.below) << r.threshold;
        EXPECT_EQ(engineeringNotation(-r.threshold), std::string("-") + r.at) << r.threshold;
    }
}
