#include "settings_ui/drag_hit_test.h"

#include <gtest/gtest.h>

namespace {

struct HitCase {
    const char* name;
    int32_t x;
    int32_t y;
    int32_t expected;
};

void PrintTo(const HitCase& c, std::ostream* os)
{
    *os << c.name << " (" << c.x << ", " << c.y << ")";
}

// A 315 x 200 window at (100, 200): the inner rectangle runs from 108 to
// 407 across and from 208 to 392 down.
constexpr ScreenRect kWindow{ 100, 200, 415, 400 };

const HitCase kHitCases[] = {
    { "centre", 250, 300, kHitCaption },
    { "left_edge", 100, 300, kHitLeft },
    { "seven_in_from_left", 107, 300, kHitLeft },
    { "exactly_eight_in_from_left", 108, 300, kHitCaption },
    { "nine_in_from_right", 406, 300, kHitCaption },
    { "right_minus_eight", 407, 300, kHitRight },
    { "last_column", 414, 300, kHitRight },
    { "top_edge", 250, 200, kHitTop },
    { "seven_in_from_top", 250, 207, kHitTop },
    { "exactly_eight_in_from_top", 250, 208, kHitCaption },
    { "nine_in_from_bottom", 250, 391, kHitCaption },
    { "bottom_minus_eight", 250, 392, kHitBottom },
    { "last_row", 250, 399, kHitBottom },
    { "top_left_corner", 100, 200, kHitTopLeft },
    { "top_left_square_inner_corner", 107, 207, kHitTopLeft },
    { "just_right_of_top_left_square", 108, 207, kHitTop },
    { "just_below_top_left_square", 107, 208, kHitLeft },
    { "top_right_corner", 414, 200, kHitTopRight },
    { "top_right_square_inner_corner", 407, 207, kHitTopRight },
    { "bottom_left_corner", 100, 399, kHitBottomLeft },
    { "bottom_left_square_inner_corner", 107, 392, kHitBottomLeft },
    { "bottom_right_corner", 414, 399, kHitBottomRight },
    { "bottom_right_square_inner_corner", 407, 392, kHitBottomRight },
};

class DragHitTestTest : public testing::TestWithParam<HitCase> {};

TEST_P(DragHitTestTest, EightPixelBordersAndCorners)
{
    const HitCase& c = GetParam();
    EXPECT_EQ(DragHitTest(c.x, c.y, kWindow, false), c.expected);
}

TEST_P(DragHitTestTest, AnOpenPopupMakesEveryPointClient)
{
    const HitCase& c = GetParam();
    EXPECT_EQ(DragHitTest(c.x, c.y, kWindow, true), kHitClient);
}

INSTANTIATE_TEST_SUITE_P(Points, DragHitTestTest, testing::ValuesIn(kHitCases),
                         [](const testing::TestParamInfo<HitCase>& info) { return std::string(info.param.name); });

// The smallest window, 84 x 40, on a monitor left of and above the primary
// one: inner rectangle from -292 to -224 across and -142 to -118 down.
constexpr ScreenRect kSmallNegative{ -300, -150, -216, -110 };

const HitCase kNegativeCases[] = {
    { "top_left_corner", -300, -150, kHitTopLeft },
    { "exactly_eight_in", -292, -142, kHitCaption },
    { "last_inner_point", -225, -119, kHitCaption },
    { "right_minus_eight", -224, -130, kHitRight },
    { "bottom_minus_eight", -250, -118, kHitBottom },
    { "bottom_right_square", -224, -118, kHitBottomRight },
    { "bottom_right_corner", -217, -111, kHitBottomRight },
};

class DragHitTestNegativeTest : public testing::TestWithParam<HitCase> {};

TEST_P(DragHitTestNegativeTest, WorksLeftOfAndAbovePrimaryMonitor)
{
    const HitCase& c = GetParam();
    EXPECT_EQ(DragHitTest(c.x, c.y, kSmallNegative, false), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Points, DragHitTestNegativeTest, testing::ValuesIn(kNegativeCases),
                         [](const testing::TestParamInfo<HitCase>& info) { return std::string(info.param.name); });

struct PackedCase {
    uint32_t packed;
    int32_t low;
    int32_t high;
};

void PrintTo(const PackedCase& c, std::ostream* os)
{
    *os << "0x" << std::hex << c.packed;
}

const PackedCase kPackedCases[] = {
    { 0x00000000u, 0, 0 },
    { 0x01F40064u, 100, 500 },
    { 0xFFF9FFFBu, -5, -7 },
    { 0x80007FFFu, 32767, -32768 },
    { 0x7FFF8000u, -32768, 32767 },
    { 0xFFFF0010u, 16, -1 },
};

class SignedWordTest : public testing::TestWithParam<PackedCase> {};

TEST_P(SignedWordTest, CursorCoordinatesAreSigned16Bit)
{
    EXPECT_EQ(SignedLowWord(GetParam().packed), GetParam().low);
    EXPECT_EQ(SignedHighWord(GetParam().packed), GetParam().high);
}

INSTANTIATE_TEST_SUITE_P(Values, SignedWordTest, testing::ValuesIn(kPackedCases));

} // namespace
