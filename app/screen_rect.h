#pragma once
#include <cstdint>

// A rectangle in screen pixels, for the rules that do without the
// platform's RECT; right and bottom are exclusive.
struct ScreenRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};
