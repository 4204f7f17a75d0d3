#pragma once
#include <cstddef>
#include <cstdint>

// A rectangle in screen pixels, for the rules that do without the
// platform's RECT; right and bottom are exclusive.
struct ScreenRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

struct ScreenPoint {
    int32_t x;
    int32_t y;
};

// One monitor as the program sees it and as its pixels lie. A program that
// declares no DPI awareness is shown each monitor's rectangle in logical
// coordinates of its own, while the display mode counts the real pixels.
struct MonitorSpaces {
    ScreenRect logical;
    ScreenRect physical;
};

// How many monitors the program keeps; a desktop with more is rare enough
// that the ones beyond only count as no screen at all.
constexpr size_t kMaxMonitors = 16;
