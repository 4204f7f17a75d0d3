#include "settings_ui/drag_hit_test.h"

// The outermost 8 pixels on each side of the drag window resize it, the
// 8 x 8 corners resize diagonally, and everything inside moves it as a
// caption would. A point exactly 8 pixels in is already inside; the last 8
// columns and rows (x >= right - 8) belong to the border. While the settings
// dialog has a pop-up open (the numeric dialog, the colour dialog or a
// message box) the window can be neither moved nor resized.
int32_t DragHitTest(int32_t x, int32_t y, const ScreenRect& window, bool dialogPopupOpen)
{
    if (dialogPopupOpen)
        return kHitClient;
    const int32_t innerLeft = window.left + kDragBorder;
    const int32_t innerTop = window.top + kDragBorder;
    const int32_t innerRight = window.right - kDragBorder;
    const int32_t innerBottom = window.bottom - kDragBorder;

    const int column = x < innerLeft ? 0 : (x >= innerRight ? 2 : 1);
    const int row = y < innerTop ? 0 : (y >= innerBottom ? 2 : 1);
    static const int32_t codes[3][3] = {
        { kHitTopLeft, kHitLeft, kHitBottomLeft },
        { kHitTop, kHitCaption, kHitBottom },
        { kHitTopRight, kHitRight, kHitBottomRight },
    };
    return codes[column][row];
}

// Screen coordinates packed into a message parameter are signed 16-bit
// values: negative on monitors left of or above the primary one.
int32_t SignedLowWord(uint32_t value)
{
    return int16_t(uint16_t(value & 0xFFFFu));
}

int32_t SignedHighWord(uint32_t value)
{
    return int16_t(uint16_t(value >> 16));
}
