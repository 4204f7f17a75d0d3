#include <gtest/gtest.h>

#include <cstdint>

#include "eyes/point_scale.h"

TEST(MapPhysicalToLogical, CarriesPointsBackThroughTheDisplayScale)
{
    // Two corners of a window, each logical then physical, as the system
    // reports them; then a physical point and where it lands.
    const struct { const char* display; PointPair first, second; ScreenPoint physical, logical; } cases[] = {
        { "100 %", { { 100, 100 }, { 100, 100 } }, { { 414, 299 }, { 414, 299 } }, { 1500, 900 }, { 1500, 900 } },
        { "150 %, on the window", { { 100, 100 }, { 150, 150 } }, { { 414, 299 }, { 621, 449 } }, { 150, 150 }, { 100, 100 } },
        { "150 %, far away", { { 100, 100 }, { 150, 150 } }, { { 414, 299 }, { 621, 449 } }, { 1500, 900 }, { 1000, 599 } },
        { "150 %, origin", { { 100, 100 }, { 150, 150 } }, { { 414, 299 }, { 621, 449 } }, { 0, 0 }, { 0, 0 } },
        { "150 %, negative", { { 100, 100 }, { 150, 150 } }, { { 414, 299 }, { 621, 449 } }, { -300, -30 }, { -200, -20 } },
        { "125 %", { { 400, 200 }, { 500, 250 } }, { { 799, 599 }, { 999, 749 } }, { 1000, 1000 }, { 800, 800 } },
        { "200 %, monitor left of and above the primary", { { -1000, -300 }, { -2000, -600 } },
          { { -601, -101 }, { -1202, -202 } }, { -1800, -500 }, { -900, -250 } },
        { "halves round away from zero", { { 0, 0 }, { 0, 0 } }, { { 2, -2 }, { 4, -4 } }, { 3, -3 }, { 2, -2 } },
        // Both corners on one physical column: that axis is taken as it is.
        { "unknown x scale", { { 10, 10 }, { 15, 15 } }, { { 10, 50 }, { 15, 75 } }, { 700, 50 }, { 700, 33 } },
        { "clamped to 32 bits", { { 0, 0 }, { 0, 0 } }, { { 1000, 1000 }, { 1, 1 } }, { INT32_MAX, INT32_MIN }, { INT32_MAX, INT32_MIN } },
    };
    for (const auto& c : cases) {
        const ScreenPoint logical = MapPhysicalToLogical(c.physical, c.first, c.second);
        EXPECT_TRUE(logical.x == c.logical.x && logical.y == c.logical.y)
            << c.display << ": got (" << logical.x << ", " << logical.y << ")";
    }
}
