#pragma once
#include <cstdint>

#include "app/screen_rect.h"

// The hit-test codes of the window manager that the drag window answers with.
enum DragHitCode : int32_t {
    kHitClient = 1,
    kHitCaption = 2,
    kHitLeft = 10,
    kHitRight = 11,
    kHitTop = 12,
    kHitTopLeft = 13,
    kHitTopRight = 14,
    kHitBottom = 15,
    kHitBottomLeft = 16,
    kHitBottomRight = 17,
};

constexpr int32_t kDragBorder = 8;

int32_t DragHitTest(int32_t x, int32_t y, const ScreenRect& window, bool dialogPopupOpen);
int32_t SignedLowWord(uint32_t value);
int32_t SignedHighWord(uint32_t value);
