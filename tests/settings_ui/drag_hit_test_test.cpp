#include "settings_ui/drag_hit_test.h"

#include <gtest/gtest.h>

namespace {

// A 315 x 200 window at (100, 200), whose inner rectangle runs from 108 to
// 407 across and 208 to 392 down; and the smallest window, 84 x 40, on a
// monitor left of and above the primary one. A point exactly 8 pixels in is
// inside; the last 8 columns and rows are border.
constexpr ScreenRect kWindow{ 100, 200, 415, 400 };
constexpr ScreenRect kSmall{ -300, -150, -216, -110 };

const struct { ScreenRect window; int32_t x, y, expected; } kCases[] = {
    { kWindow, 250, 300, kHitCaption },     { kWindow, 100, 300, kHitLeft },        { kWindow, 107, 300, kHitLeft },
    { kWindow, 108, 300, kHitCaption },     { kWindow, 406, 300, kHitCaption },     { kWindow, 407, 300, kHitRight },
    { kWindow, 414, 300, kHitRight },       { kWindow, 250, 200, kHitTop },         { kWindow, 250, 207, kHitTop },
    { kWindow, 250, 208, kHitCaption },     { kWindow, 250, 391, kHitCaption },     { kWindow, 250, 392, kHitBottom },
    { kWindow, 250, 399, kHitBottom },      { kWindow, 100, 200, kHitTopLeft },     { kWindow, 107, 207, kHitTopLeft },
    { kWindow, 108, 207, kHitTop },         { kWindow, 107, 208, kHitLeft },        { kWindow, 414, 200, kHitTopRight },
    { kWindow, 407, 207, kHitTopRight },    { kWindow, 100, 399, kHitBottomLeft },  { kWindow, 107, 392, kHitBottomLeft },
    { kWindow, 414, 399, kHitBottomRight }, { kWindow, 407, 392, kHitBottomRight }, { kSmall, -300, -150, kHitTopLeft },
    { kSmall, -292, -142, kHitCaption },    { kSmall, -225, -119, kHitCaption },    { kSmall, -224, -130, kHitRight },
    { kSmall, -250, -118, kHitBottom },     { kSmall, -224, -118, kHitBottomRight }, { kSmall, -217, -111, kHitBottomRight },
};

// While the settings dialog has a pop-up open, nothing can be dragged.
TEST(DragHitTest, EightPixelBordersAndCornersUnlessAPopupIsOpen)
{
    for (const auto& c : kCases) {
        EXPECT_EQ(DragHitTest(c.x, c.y, c.window, false), c.expected) << "(" << c.x << ", " << c.y << ")";
        EXPECT_EQ(DragHitTest(c.x, c.y, c.window, true), kHitClient) << "(" << c.x << ", " << c.y << ")";
    }
}

TEST(SignedWords, CursorCoordinatesAreSigned16Bit)
{
    const int64_t cases[][3] = { { 0x00000000, 0, 0 },          { 0x01F40064, 100, 500 },      { 0xFFF9FFFB, -5, -7 },
                                 { 0x80007FFF, 32767, -32768 }, { 0x7FFF8000, -32768, 32767 }, { 0xFFFF0010, 16, -1 } };
    for (const auto& c : cases) {
        EXPECT_EQ(SignedLowWord(uint32_t(c[0])), c[1]) << std::hex << c[0];
        EXPECT_EQ(SignedHighWord(uint32_t(c[0])), c[2]) << std::hex << c[0];
    }
}

} // namespace
