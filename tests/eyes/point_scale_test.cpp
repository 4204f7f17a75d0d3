#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "eyes/point_scale.h"

TEST(MapPhysicalToLogical, CarriesPointsBackThroughTheDisplayScale)
{
    // Two corners of a window, each logical then physical, as the system
    // reports them; then a physical point and where it lands.
    const struct { const char* display; PointPair first, second; ScreenPoint physical, logical; } cases[] = {
        { "150 %, far away", { { 100, 100 }, { 150, 150 } }, { { 414, 299 }, { 621, 449 } }, { 1500, 900 }, { 1000, 599 } },
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

// A physical rectangle, such as the compositor's bounds of a window, in
// logical coordinates through the monitors its corners lie on: each
// monitor logical then physical.
TEST(PhysicalRectToLogical, CarriesEachCornerThroughItsMonitorsScale)
{
    const MonitorSpaces at100{ { 0, 0, 1920, 1080 }, { 0, 0, 1920, 1080 } };
    const MonitorSpaces at125{ { 0, 0, 1536, 864 }, { 0, 0, 1920, 1080 } };
    const MonitorSpaces at150{ { 0, 0, 1280, 720 }, { 0, 0, 1920, 1080 } };
    const MonitorSpaces at175{ { 0, 0, 1097, 617 }, { 0, 0, 1920, 1080 } };
    const MonitorSpaces at200{ { 0, 0, 960, 540 }, { 0, 0, 1920, 1080 } };
    const MonitorSpaces leftAt150{ { -1280, 0, 0, 720 }, { -1920, 0, 0, 1080 } };
    const MonitorSpaces aboveAt200{ { 0, -1080, 1920, 0 }, { 0, -2160, 3840, 0 } };
    const MonitorSpaces leftAt200{ { -1920, 0, 0, 1080 }, { -3840, 0, 0, 2160 } };
    const struct { const char* what; std::vector<MonitorSpaces> monitors; ScreenRect physical, logical; bool ok; } cases[] = {
        { "100 %", { at100 }, { 100, 100, 500, 400 }, { 100, 100, 500, 400 }, true },
        { "125 %", { at125 }, { 0, 0, 960, 540 }, { 0, 0, 768, 432 }, true },
        { "150 %, snapped to the left half", { at150 }, { 0, 0, 960, 1032 }, { 0, 0, 640, 688 }, true },
        { "175 %", { at175 }, { 350, 175, 1050, 700 }, { 200, 100, 600, 400 }, true },
        { "200 %, to the bottom right corner", { at200 }, { 1000, 500, 1920, 1080 }, { 500, 250, 960, 540 }, true },
        { "150 %, left of the primary", { at100, leftAt150 }, { -1500, 300, -300, 900 }, { -1000, 200, -200, 600 }, true },
        { "200 %, above the primary", { at100, aboveAt200 }, { 400, -2000, 1200, -400 }, { 200, -1000, 600, -200 }, true },
        { "across a 200 % and a 100 % monitor", { at100, leftAt200 }, { -1000, 100, 500, 600 }, { -500, 50, 500, 600 }, true },
        { "a corner on no monitor", { at100 }, { 1800, 1000, 2100, 1200 }, {}, false },
        { "empty", { at150 }, { 300, 300, 300, 600 }, {}, false },
    };
    for (const auto& c : cases) {
        ScreenRect logical{};
        const bool ok = PhysicalRectToLogical(c.physical, c.monitors.data(), c.monitors.size(), logical);
        EXPECT_EQ(ok, c.ok) << c.what;
        if (ok && c.ok) {
            EXPECT_TRUE(logical.left == c.logical.left && logical.top == c.logical.top &&
                        logical.right == c.logical.right && logical.bottom == c.logical.bottom)
                << c.what << ": got (" << logical.left << ", " << logical.top << ")-(" << logical.right << ", "
                << logical.bottom << ")";
        }
    }
}
