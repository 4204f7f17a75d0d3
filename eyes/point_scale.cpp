#include "eyes/point_scale.h"

namespace {

// Division rounded to the nearest integer, halves away from zero, as the
// system rounds when it scales coordinates.
int64_t DivideRounded(int64_t numerator, int64_t denominator)
{
    if (denominator < 0) {
        numerator = -numerator;
        denominator = -denominator;
    }
    const int64_t half = denominator / 2;
    return numerator >= 0 ? (numerator + half) / denominator : -((-numerator + half) / denominator);
}

int32_t ClampToInt32(int64_t value)
{
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return int32_t(value);
}

// One axis of the linear map through two known points. Where the two
// points share their physical coordinate, the scale cannot be known, and
// the coordinate is taken as it is.
int32_t MapAxis(int32_t physical, int32_t logicalA, int32_t physicalA, int32_t logicalB, int32_t physicalB)
{
    const int64_t physicalSpan = int64_t(physicalB) - physicalA;
    if (physicalSpan == 0)
        return physical;
    const int64_t logicalSpan = int64_t(logicalB) - logicalA;
    return ClampToInt32(logicalA + DivideRounded((int64_t(physical) - physicalA) * logicalSpan, physicalSpan));
}

} // namespace

// A display scaled for a program that does not declare DPI awareness maps
// its logical coordinates linearly onto physical pixels; the two known
// points fix that map, and the point is carried back through it. Negative
// coordinates, on monitors left of or above the primary one, map alike.
ScreenPoint MapPhysicalToLogical(ScreenPoint physical, const PointPair& first, const PointPair& second)
{
    ScreenPoint logical;
    logical.x = MapAxis(physical.x, first.logical.x, first.physical.x, second.logical.x, second.physical.x);
    logical.y = MapAxis(physical.y, first.logical.y, first.physical.y, second.logical.y, second.physical.y);
    return logical;
}

namespace {

bool Holds(const ScreenRect& r, int32_t x, int32_t y)
{
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// Carries one corner through the map of the monitor whose pixel it is:
// the top-left corner is the pixel itself, the bottom-right one lies just
// past the pixel at (x - 1, y - 1). False when no monitor holds it.
bool MapCorner(ScreenPoint corner, bool pastPixel, const MonitorSpaces* monitors, size_t count, ScreenPoint& logical)
{
    const int32_t x = pastPixel ? corner.x - 1 : corner.x, y = pastPixel ? corner.y - 1 : corner.y;
    for (size_t i = 0; i < count; ++i) {
        const MonitorSpaces& m = monitors[i];
        if (!Holds(m.physical, x, y))
            continue;
        const PointPair topLeft{ { m.logical.left, m.logical.top }, { m.physical.left, m.physical.top } };
        const PointPair bottomRight{ { m.logical.right, m.logical.bottom }, { m.physical.right, m.physical.bottom } };
        logical = MapPhysicalToLogical(corner, topLeft, bottomRight);
        return true;
    }
    return false;
}

} // namespace

// A rectangle in physical pixels, such as the compositor reports for a
// window, in the program's logical coordinates. Each monitor has a scale of
// its own, so each corner goes through the monitor it lies on. False when a
// corner lies on no monitor, or the rectangle is empty.
bool PhysicalRectToLogical(const ScreenRect& physical, const MonitorSpaces* monitors, size_t count,
                           ScreenRect& logical)
{
    if (physical.left >= physical.right || physical.top >= physical.bottom)
        return false;
    ScreenPoint topLeft, bottomRight;
    if (!MapCorner({ physical.left, physical.top }, false, monitors, count, topLeft) ||
        !MapCorner({ physical.right, physical.bottom }, true, monitors, count, bottomRight))
        return false;
    logical = { topLeft.x, topLeft.y, bottomRight.x, bottomRight.y };
    return true;
}
