#pragma once
// The measures of the two eyes and where each pupil goes for a cursor
// position. Plain 32-bit integer and double arithmetic in a fixed order, so
// the result is the same bit for bit on every platform.
#include <cstdint>

#include "app/eye_types.h"

// The outline ring, derived where the background is drawn and not stored.
struct OutlineRing {
    int32_t rimWidth;
    int32_t rimHeight;
    int32_t innerWidth;
    int32_t innerHeight;
};

// A block of pixels of the eye window, [left, right) x [top, bottom), in
// picture coordinates (top row 0).
struct PixelArea {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

EyeGeometry DeriveEyeGeometry(int32_t width, int32_t height);
OutlineRing DeriveOutlineRing(const EyeGeometry& geometry, int32_t height);
int32_t EyeWidthFor(int32_t width);

// Fills pupils[0] (left eye) and pupils[1] (right eye) for a cursor at
// (cursorX, cursorY) in screen coordinates; the eye window's top-left corner
// is (x, y) and its height is height.
void PlacePupils(const EyeGeometry& geometry, int32_t x, int32_t y, int32_t height,
                 int32_t cursorX, int32_t cursorY, PupilRect (&pupils)[2]);

bool SamePupils(const PupilRect (&a)[2], const PupilRect (&b)[2]);
PixelArea PupilPaintArea(const PupilRect& pupil, int32_t width, int32_t height);
PixelArea UniteAreas(const PixelArea& a, const PixelArea& b);
