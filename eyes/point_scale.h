#pragma once
// Carrying points and rectangles between the screen's physical pixels and
// the program's own logical coordinates, through the monitors they lie on.
// Nothing here calls the platform.
#include <cstddef>
#include <cstdint>

#include "app/screen_rect.h"

ScreenPoint PhysicalPointToLogical(ScreenPoint physical, const MonitorSpaces* monitors, size_t count);
ScreenPoint LogicalPointToPhysical(ScreenPoint logical, const MonitorSpaces* monitors, size_t count);

size_t PhysicalRectToLogical(const ScreenRect& physical, const MonitorSpaces* monitors, size_t count,
                             ScreenRect* pieces);
size_t ClipToMonitors(const ScreenRect& logical, const MonitorSpaces* monitors, size_t count, ScreenRect* pieces);
