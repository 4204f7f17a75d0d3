#include "settings_ui/drag_hit_test.h"

#include <gtest/gtest.h>

// A 315 x 200 window at (100, 200) and the smallest, 84 x 40, on a monitor
// left of and above the primary one; across and down, the first and last
// pixel of the near border, the inside and the far border. A point exactly 8
// pixels in is inside; the last 8 columns and rows are border.
const struct { ScreenRect window; int32_t xs[6], ys[6]; } kWindows[] = {
    { { 100, 200, 415, 400 }, { 100, 107, 108, 406, 407, 414 }, { 200, 207, 208, 391, 392, 399 } },
    { { -300, -150, -216, -110 }, { -300, -293, -292, -225, -224, -217 }, { -150, -143, -142, -119, -118, -111 } },
};
// By the band down, then the band across.
const int32_t kCodes[3][3] = { { kHitTopLeft, kHitTop, kHitTopRight }, { kHitLeft, kHitCaption, kHitRight },
                               { kHitBottomLeft, kHitBottom, kHitBottomRight } };

// While the settings dialog has a pop-up open, nothing can be dragged.
TEST(DragHitTest, EightPixelBordersAndCornersUnlessAPopupIsOpen)
{
    for (const auto& w : kWindows)
        for (int i = 0; i < 36; ++i) {
            const int32_t x = w.xs[i % 6], y = w.ys[i / 6];
            EXPECT_EQ(DragHitTest(x, y, w.window, false), kCodes[i / 12][i % 6 / 2]) << "(" << x << ", " << y << ")";
            EXPECT_EQ(DragHitTest(x, y, w.window, true), kHitClient) << "(" << x << ", " << y << ")";
        }
}

TEST(SignedWords, CursorCoordinatesAreSigned16Bit)
{
    const int64_t cases[][3] = { { 0x00000000, 0, 0 },          { 0x01F40064, 100, 500 },      { 0xFFF9FFFB, -5, -7 },
                                 { 0x80007FFF, 32767, -32768 }, { 0x7FFF8000, -32768, 32767 }, { 0xFFFF0010, 16, -1 } };
    for (const auto& c : cases)
        EXPECT_EQ(std::vector<int64_t>({ SignedLowWord(uint32_t(c[0])), SignedHighWord(uint32_t(c[0])) }),
                  std::vector<int64_t>(c + 1, c + 3)) << std::hex << c[0];
}
