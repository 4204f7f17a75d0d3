#include "app/change_bits.h"

#include <gtest/gtest.h>

// Against settings at (120, -40), 315 x 200, black on white with black
// pupils. A new size takes the place of a position change that comes with it.
const PendingRect kRect{ 120, -40, 315, 200 };
const PendingColors kColors{ 0x000000, 0xFFFFFF, 0x000000 };
const struct { PendingRect rect; PendingColors colors; uint32_t expected; } kChangeCases[] = {
    { kRect, kColors, 0 },                                { { 0, 0, 84, 40 }, kColors, SizeChanged },
    { { 121, -40, 315, 200 }, kColors, PositionChanged }, { { 120, -41, 315, 200 }, kColors, PositionChanged },
    { { 120, -40, 316, 200 }, kColors, SizeChanged },     { { 120, -40, 315, 199 }, kColors, SizeChanged },
    { kRect, { 0xFF, 0xFFFFFF, 0 }, EyeColorsChanged },   { kRect, { 0, 0xFFFFFE, 0 }, EyeColorsChanged },
    { kRect, { 0, 0xFFFFFF, 0xFF0000 }, PupilColorChanged },
    { { 119, -40, 315, 200 }, { 0, 0xFFFFFF, 1 }, PositionChanged | PupilColorChanged },
    { { 0, 0, 84, 40 }, { 0xFF, 0xFF00, 0xFF0000 }, SizeChanged | EyeColorsChanged | PupilColorChanged },
};

// Once the pending values are copied in, nothing differs any more and the
// record's tag is left alone.
TEST(ChangeBits, DescribeWhatDiffersUntilThePendingValuesAreCopiedIn)
{
    for (const auto& c : kChangeCases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - kChangeCases);
        Settings settings{ kSettingsTag, 120, -40, 315, 200, 0x000000, 0xFFFFFF, 0x000000 };
        EXPECT_EQ(ComputeChangeBits(c.rect, c.colors, settings), c.expected);
        CopyPendingIntoSettings(c.rect, c.colors, settings);
        EXPECT_EQ(ComputeChangeBits(c.rect, c.colors, settings), 0u);
        EXPECT_EQ(settings.tag, kSettingsTag);
    }
}
