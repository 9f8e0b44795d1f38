#include "plot_device.h"

#include <gtest/gtest.h>

using namespace kelvox;

namespace {

ReadoutRegion region(int left, int bottom, int right, int top, float xl, float yb, float xr, float yt, bool logY)
{
    PlotDevice d;
    d.addregion(left, bottom, right, top, xl, yb, xr, yt, logY);
    return d.regions().front();
}

}  // namespace

TEST(Readout, InterpolatesBetweenTheEdges)
{
    // x 0 … 2 s over columns 100 … 300; y 0 … 8000 Hz from row 400 up to row 200.
    const std::vector<ReadoutRegion> regions{region(100, 400, 300, 200, 0, 0, 2, 8000, false)};
    // x step 2 → "%4.2f"; y step 8000 → "%4.0f".
    EXPECT_EQ(readoutText(regions, 200, 300).value_or("?"), "1.00   4000");
    EXPECT_EQ(readoutText(regions, 100, 400).value_or("?"), "0.00      0");
    EXPECT_EQ(readoutText(regions, 300, 200).value_or("?"), "2.00   8000");
    EXPECT_EQ(readoutText(regions, 150, 350).value_or("?"), "0.50   2000");
}

TEST(Readout, EmptyOutsideEveryRegion)
{
    const std::vector<ReadoutRegion> regions{region(100, 400, 300, 200, 0, 0, 2, 8000, false)};
    EXPECT_FALSE(readoutText(regions, 99, 300).has_value());
    EXPECT_FALSE(readoutText(regions, 301, 300).has_value());
    EXPECT_FALSE(readoutText(regions, 200, 401).has_value());
    EXPECT_FALSE(readoutText({}, 200, 300).has_value());
}

TEST(Readout, FirstAddedRegionWinsWhereTheyOverlap)
{
    const std::vector<ReadoutRegion> regions{
        region(0, 100, 100, 0, 0, 0, 10, 10, false),
        region(50, 150, 150, 50, 0, 0, 1000, 1000, false),
    };
    EXPECT_EQ(readoutText(regions, 75, 75).value_or("?"), "  7.5     2.5");
    EXPECT_EQ(readoutText(regions, 125, 125).value_or("?"), " 750    250");
}

TEST(Readout, LogarithmicRegionShowsTenToTheValue)
{
    // y holds log10 of the pitch: 2 at the bottom row 100, 4 at the top row 0.
    const std::vector<ReadoutRegion> regions{region(0, 100, 100, 0, 0, 2, 10, 4, true)};
    // Step 10^|trunc(4)| = 10^4 → "%5.0f".
    EXPECT_EQ(readoutText(regions, 50, 0).value_or("?"), "  5.0   10000");
    EXPECT_EQ(readoutText(regions, 50, 50).value_or("?"), "  5.0    1000");
    EXPECT_EQ(readoutText(regions, 50, 100).value_or("?"), "  5.0     100");
}

TEST(Readout, RegionsWithoutExtentAreSkipped)
{
    const std::vector<ReadoutRegion> regions{
        region(0, 100, 0, 0, 0, 0, 10, 10, false),     // zero width
        region(0, 50, 100, 50, 0, 0, 10, 10, false),   // zero height
        region(0, 100, 100, 0, 0, 0, 100, 100, false),
    };
    EXPECT_EQ(readoutText(regions, 0, 50).value_or("?"), "  0    50");
}
