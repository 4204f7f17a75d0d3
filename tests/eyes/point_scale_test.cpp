#include <gtest/gtest.h>

#include <cstdint>

#include "eyes/point_scale.h"

namespace {

// The corners (left, top) and (right - 1, bottom - 1) of a window as the
// system reports them in both spaces.
PointPair Corner(int32_t lx, int32_t ly, int32_t px, int32_t py)
{
    return { { lx, ly }, { px, py } };
}

} // namespace

TEST(MapPhysicalToLogical, CarriesPointsBackThroughTheDisplayScale)
{
    struct Case {
        const char* display;
        PointPair first, second;
        ScreenPoint physical, logical;
    } cases[] = {
        { "100 %: nothing changes", Corner(100, 100, 100, 100), Corner(414, 299, 414, 299), { 1500, 900 }, { 1500, 900 } },
        { "150 %: on the eye window", Corner(100, 100, 150, 150), Corner(414, 299, 621, 449), { 150, 150 }, { 100, 100 } },
        { "150 %: far right and down", Corner(100, 100, 150, 150), Corner(414, 299, 621, 449), { 1500, 900 }, { 1000, 599 } },
        { "150 %: the screen's origin", Corner(100, 100, 150, 150), Corner(414, 299, 621, 449), { 0, 0 }, { 0, 0 } },
        { "125 %", Corner(400, 200, 500, 250), Corner(799, 599, 999, 749), { 1000, 1000 }, { 800, 800 } },
        { "200 %: a monitor left of and above the primary", Corner(-1000, -300, -2000, -600),
          Corner(-601, -101, -1202, -202), { -1800, -500 }, { -900, -250 } },
        { "150 %: a negative point through positive corners", Corner(100, 100, 150, 150),
          Corner(414, 299, 621, 449), { -300, -30 }, { -200, -20 } },
        { "halves round away from zero", Corner(0, 0, 0, 0), Corner(2, -2, 4, -4), { 3, -3 }, { 2, -2 } },
    };
    for (const auto& c : cases) {
        const ScreenPoint logical = MapPhysicalToLogical(c.physical, c.first, c.second);
        EXPECT_EQ(logical.x, c.logical.x) << c.display;
        EXPECT_EQ(logical.y, c.logical.y) << c.display;
    }
}

TEST(MapPhysicalToLogical, KeepsACoordinateWhoseScaleIsUnknown)
{
    const ScreenPoint logical = MapPhysicalToLogical({ 700, 50 }, Corner(10, 10, 15, 15), Corner(10, 50, 15, 75));
    EXPECT_EQ(logical.x, 700);
    EXPECT_EQ(logical.y, 33);
}

TEST(MapPhysicalToLogical, StaysWithinThe32BitRange)
{
    const PointPair first = Corner(0, 0, 0, 0);
    const PointPair second = Corner(1000, 1000, 1, 1);
    const ScreenPoint high = MapPhysicalToLogical({ INT32_MAX, INT32_MIN }, first, second);
    EXPECT_EQ(high.x, INT32_MAX);
    EXPECT_EQ(high.y, INT32_MIN);
}
