#pragma once
// Carrying a point from the screen's physical pixels into the program's own
// logical coordinates, from two points whose places are known in both, and
// a rectangle through the monitors it lies on. Nothing here calls the
// platform.
#include <cstddef>
#include <cstdint>

#include "app/screen_rect.h"

struct ScreenPoint {
    int32_t x;
    int32_t y;
};

// The same two points in both coordinate spaces, such as two corners of one
// of the program's windows.
struct PointPair {
    ScreenPoint logical;
    ScreenPoint physical;
};

ScreenPoint MapPhysicalToLogical(ScreenPoint physical, const PointPair& first, const PointPair& second);

// One monitor as the program sees it and as its pixels lie.
struct MonitorSpaces {
    ScreenRect logical;
    ScreenRect physical;
};

bool PhysicalRectToLogical(const ScreenRect& physical, const MonitorSpaces* monitors, size_t count,
                           ScreenRect& logical);
