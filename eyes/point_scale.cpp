#include "eyes/point_scale.h"

#include <algorithm>

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
    return int32_t(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// One axis of the linear map through two known points. Where the two
// points share their source coordinate, as on an empty monitor, the scale
// cannot be known, and the coordinate is taken as it is.
int32_t MapAxis(int32_t from, int32_t fromA, int32_t toA, int32_t fromB, int32_t toB)
{
    const int64_t fromSpan = int64_t(fromB) - fromA;
    if (fromSpan == 0)
        return from;
    return ClampToInt32(toA + DivideRounded((int64_t(from) - fromA) * (int64_t(toB) - toA), fromSpan));
}

// A point through the map of one monitor, whose two rectangles are the
// same pixels in both spaces: a display scaled for a program that does not
// declare DPI awareness maps its logical coordinates linearly onto physical
// pixels. Negative coordinates, on monitors left of or above the primary
// one, map alike.
ScreenPoint MapThrough(ScreenPoint point, const ScreenRect& from, const ScreenRect& to)
{
    return { MapAxis(point.x, from.left, to.left, from.right, to.right),
             MapAxis(point.y, from.top, to.top, from.bottom, to.bottom) };
}

int64_t DistanceSquared(ScreenPoint point, const ScreenRect& r)
{
    const int64_t dx = std::max<int64_t>({ int64_t(r.left) - point.x, 0, int64_t(point.x) - (int64_t(r.right) - 1) });
    const int64_t dy = std::max<int64_t>({ int64_t(r.top) - point.y, 0, int64_t(point.y) - (int64_t(r.bottom) - 1) });
    return dx * dx + dy * dy;
}

// The monitor whose rectangle in the given space holds the point, or lies
// nearest to it, as the cursor is kept on the nearest one; the first such
// one where two are as near. Null where there is none.
const MonitorSpaces* NearestMonitor(ScreenPoint point, const MonitorSpaces* monitors, size_t count, bool physical)
{
    const MonitorSpaces* nearest = nullptr;
    int64_t best = INT64_MAX;
    for (size_t i = 0; i < count; ++i) {
        const int64_t distance = DistanceSquared(point, physical ? monitors[i].physical : monitors[i].logical);
        if (distance < best) {
            best = distance;
            nearest = &monitors[i];
        }
    }
    return nearest;
}

ScreenRect Intersection(const ScreenRect& a, const ScreenRect& b)
{
    return { std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
             std::min(a.bottom, b.bottom) };
}

bool Empty(const ScreenRect& r)
{
    return r.left >= r.right || r.top >= r.bottom;
}

} // namespace

// A point in physical pixels, such as the mouse hook reports, in the
// program's logical coordinates: each monitor has a scale of its own, so
// the point goes through the monitor that shows it, or the nearest one for
// a point just past the screen's edge. Without monitors it stays as it is.
ScreenPoint PhysicalPointToLogical(ScreenPoint physical, const MonitorSpaces* monitors, size_t count)
{
    const MonitorSpaces* m = NearestMonitor(physical, monitors, count, true);
    return m != nullptr ? MapThrough(physical, m->physical, m->logical) : physical;
}

// The other way, for a logical point such as a corner of the rectangle the
// cursor is confined to.
ScreenPoint LogicalPointToPhysical(ScreenPoint logical, const MonitorSpaces* monitors, size_t count)
{
    const MonitorSpaces* m = NearestMonitor(logical, monitors, count, false);
    return m != nullptr ? MapThrough(logical, m->logical, m->physical) : logical;
}

// A rectangle in physical pixels, such as the compositor reports for a
// window, as the pieces of it that monitors show, each in the program's
// logical coordinates through its own monitor's scale. What lies off every
// monitor, such as the part of a window dragged past the screen's edge,
// shows nowhere and gives no piece. Returns how many pieces there are, at
// most one a monitor.
size_t PhysicalRectToLogical(const ScreenRect& physical, const MonitorSpaces* monitors, size_t count,
                             ScreenRect* pieces)
{
    size_t found = 0;
    for (size_t i = 0; i < count; ++i) {
        const ScreenRect part = Intersection(physical, monitors[i].physical);
        if (Empty(part))
            continue;
        const ScreenPoint topLeft = MapThrough({ part.left, part.top }, monitors[i].physical, monitors[i].logical);
        const ScreenPoint end = MapThrough({ part.right, part.bottom }, monitors[i].physical, monitors[i].logical);
        const ScreenRect piece{ topLeft.x, topLeft.y, end.x, end.y };
        if (!Empty(piece))
            pieces[found++] = piece;
    }
    return found;
}

// The pieces of a logical rectangle that monitors show: none for one that
// lies off the screen, or in a gap of the virtual screen that no monitor
// shows, where monitors of unequal sizes leave one.
size_t ClipToMonitors(const ScreenRect& logical, const MonitorSpaces* monitors, size_t count, ScreenRect* pieces)
{
    size_t found = 0;
    for (size_t i = 0; i < count; ++i) {
        const ScreenRect piece = Intersection(logical, monitors[i].logical);
        if (!Empty(piece))
            pieces[found++] = piece;
    }
    return found;
}
