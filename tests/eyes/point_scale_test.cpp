#include <gtest/gtest.h>

#include <cstdlib>

#include "eyes/point_scale.h"

const MonitorSpaces at100{ { 0, 0, 1920, 1080 }, { 0, 0, 1920, 1080 } };
const MonitorSpaces at150{ { 0, 0, 1280, 720 }, { 0, 0, 1920, 1080 } };
const MonitorSpaces at175{ { 0, 0, 1097, 617 }, { 0, 0, 1920, 1080 } };
const MonitorSpaces at200{ { 0, 0, 960, 540 }, { 0, 0, 1920, 1080 } };
const MonitorSpaces leftAt150{ { -1280, 0, 0, 720 }, { -1920, 0, 0, 1080 } };
const MonitorSpaces aboveAt200{ { 0, -1080, 1920, 0 }, { 0, -2160, 3840, 0 } };
const MonitorSpaces leftAt200{ { -1920, 0, 0, 1080 }, { -3840, 0, 0, 2160 } };
// Beside a 1920 x 1080 monitor, a smaller one whose foot leaves a gap.
const MonitorSpaces shortRight{ { 1920, 0, 3200, 720 }, { 1920, 0, 3200, 720 } };

static std::vector<int32_t> Corners(const std::vector<ScreenRect>& rects)
{
    std::vector<int32_t> corners;
    for (const ScreenRect& r : rects)
        corners.insert(corners.end(), { r.left, r.top, r.right, r.bottom });
    return corners;
}

// A physical rectangle, such as the compositor's bounds of a window, as the
// logical pieces of it that monitors show, each through its own monitor's
// scale; and a logical one, such as the eyes, as the pieces monitors show.
TEST(PhysicalRectToLogical, CarriesThePieceOnEachMonitorThroughItsScale)
{
    const struct { const char* what; std::vector<MonitorSpaces> monitors; ScreenRect rect; std::vector<ScreenRect> pieces; } cases[] = {
        { "100 %", { at100 }, { 100, 100, 500, 400 }, { { 100, 100, 500, 400 } } },
        { "150 %, snapped to the left half", { at150 }, { 0, 0, 960, 1032 }, { { 0, 0, 640, 688 } } },
        { "175 %", { at175 }, { 350, 175, 1050, 700 }, { { 200, 100, 600, 400 } } },
        { "200 %, to the bottom right corner", { at200 }, { 1000, 500, 1920, 1080 }, { { 500, 250, 960, 540 } } },
        { "150 %, left of the primary", { at100, leftAt150 }, { -1500, 300, -300, 900 }, { { -1000, 200, -200, 600 } } },
        { "200 %, above the primary", { at100, aboveAt200 }, { 400, -2000, 1200, -400 }, { { 200, -1000, 600, -200 } } },
        { "across a 100 % and a 200 % monitor", { at100, leftAt200 }, { -1000, 100, 500, 600 },
          { { 0, 100, 500, 600 }, { -500, 50, 0, 300 } } },
        { "half off the bottom at 150 %", { at150 }, { 300, 600, 1200, 1500 }, { { 200, 400, 800, 720 } } },
        { "off the screen", { at100 }, { 1920, 0, 2100, 1200 }, {} },
        { "empty", { at150 }, { 300, 300, 300, 600 }, {} },
    };
    for (const auto& c : cases) {
        ScreenRect pieces[kMaxMonitors];
        const size_t count = PhysicalRectToLogical(c.rect, c.monitors.data(), c.monitors.size(), pieces);
        EXPECT_EQ(Corners({ pieces, pieces + count }), Corners(c.pieces)) << c.what;
    }
}

TEST(ClipToMonitors, KeepsThePiecesThatMonitorsShow)
{
    const struct { const char* what; ScreenRect rect; std::vector<ScreenRect> pieces; } cases[] = {
        { "on one", { 100, 100, 415, 300 }, { { 100, 100, 415, 300 } } },
        { "across both", { 1800, 600, 2000, 800 }, { { 1800, 600, 1920, 800 }, { 1920, 600, 2000, 720 } } },
        { "in the gap below the smaller one", { 2000, 800, 2300, 1000 }, {} },
        { "left of everything", { -400, 0, -100, 200 }, {} },
    };
    for (const auto& c : cases) {
        const MonitorSpaces monitors[] = { at100, shortRight };
        ScreenRect pieces[kMaxMonitors];
        const size_t count = ClipToMonitors(c.rect, monitors, 2, pieces);
        EXPECT_EQ(Corners({ pieces, pieces + count }), Corners(c.pieces)) << c.what;
    }
}

// A point the hook reports goes through the monitor that shows it, or the
// nearest one past the screen's edge; and the other way.
TEST(PhysicalPointToLogical, GoesThroughTheMonitorThatShowsThePoint)
{
    // Beside them, a monitor too small to have a scale, which is taken as
    // it is.
    const MonitorSpaces monitors[] = { at100, leftAt200, { { 5000, 0, 5000, 0 }, { 5000, 0, 5000, 0 } } };
    const struct { ScreenPoint physical, logical; size_t count = 3; } cases[] = {
        { { 713, 300 }, { 713, 300 } },     { { -1001, 301 }, { -500, 151 } }, // halves away from zero
        { { -3900, -20 }, { -1950, -10 } }, { { 2000, 500 }, { 2000, 500 } },   // past the edge: the nearest
        { { 5003, -7 }, { 5003, -7 } },     { { -1001, 301 }, { -1001, 301 }, 0 }, // without monitors: as it is
    };
    for (const auto& c : cases) {
        const ScreenPoint logical = PhysicalPointToLogical(c.physical, monitors, c.count);
        const ScreenPoint back = LogicalPointToPhysical(c.logical, monitors, c.count);
        EXPECT_TRUE(logical.x == c.logical.x && logical.y == c.logical.y && std::abs(back.x - c.physical.x) <= 1 &&
                    std::abs(back.y - c.physical.y) <= 1)
            << c.physical.x << ", " << c.physical.y << " gives " << logical.x << ", " << logical.y << " with "
            << c.count << " monitors";
    }
}
