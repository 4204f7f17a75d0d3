#include "settings_ui/change_bits.h"

#include <gtest/gtest.h>

namespace {

Settings BaseSettings()
{
    return Settings{ kSettingsTag, 120, -40, 315, 200, 0x00000000, 0x00FFFFFF, 0x00000000 };
}

struct ChangeCase {
    const char* name;
    PendingRect rect;
    PendingColors colors;
    uint32_t expected;
};

const ChangeCase kChangeCases[] = {
    { "nothing", { 120, -40, 315, 200 }, { 0x000000, 0xFFFFFF, 0x000000 }, 0 },
    { "x_only", { 121, -40, 315, 200 }, { 0x000000, 0xFFFFFF, 0x000000 }, PositionChanged },
    { "y_only", { 120, -41, 315, 200 }, { 0x000000, 0xFFFFFF, 0x000000 }, PositionChanged },
    { "width_only", { 120, -40, 316, 200 }, { 0x000000, 0xFFFFFF, 0x000000 }, SizeChanged },
    { "height_only", { 120, -40, 315, 199 }, { 0x000000, 0xFFFFFF, 0x000000 }, SizeChanged },
    { "size_and_position_is_size_only", { 0, 0, 84, 40 }, { 0x000000, 0xFFFFFF, 0x000000 }, SizeChanged },
    { "outline_only", { 120, -40, 315, 200 }, { 0x0000FF, 0xFFFFFF, 0x000000 }, EyeColorsChanged },
    { "eye_white_only", { 120, -40, 315, 200 }, { 0x000000, 0xFFFFFE, 0x000000 }, EyeColorsChanged },
    { "outline_and_eye_white", { 120, -40, 315, 200 }, { 0x010101, 0x00FF00, 0x000000 }, EyeColorsChanged },
    { "pupil_only", { 120, -40, 315, 200 }, { 0x000000, 0xFFFFFF, 0xFF0000 }, PupilColorChanged },
    { "position_and_pupil", { 119, -40, 315, 200 }, { 0x000000, 0xFFFFFF, 0x000001 }, PositionChanged | PupilColorChanged },
    { "everything", { 0, 0, 84, 40 }, { 0x0000FF, 0x00FF00, 0xFF0000 },
      SizeChanged | EyeColorsChanged | PupilColorChanged },
};

// After the pending values have been copied in, nothing differs any more,
// whatever differed before, and the record's tag is left alone.
TEST(ChangeBits, DescribeWhatDiffersUntilThePendingValuesAreCopiedIn)
{
    for (const ChangeCase& c : kChangeCases) {
        SCOPED_TRACE(c.name);
        Settings settings = BaseSettings();
        EXPECT_EQ(ComputeChangeBits(c.rect, c.colors, settings), c.expected);
        CopyPendingIntoSettings(c.rect, c.colors, settings);
        EXPECT_EQ(ComputeChangeBits(c.rect, c.colors, settings), 0u);
        EXPECT_EQ(settings.tag, kSettingsTag);
    }
}

TEST(CopySettingsIntoPending, EveryFieldLandsInItsOwnPlace)
{
    const Settings settings{ kSettingsTag, -7, 9, 401, 77, 0x00112233, 0x00445566, 0x00778899 };
    PendingRect rect{};
    PendingColors colors{};
    CopySettingsIntoPending(settings, rect, colors);
    EXPECT_EQ(rect.x, -7);
    EXPECT_EQ(rect.y, 9);
    EXPECT_EQ(rect.width, 401);
    EXPECT_EQ(rect.height, 77);
    EXPECT_EQ(colors.outline, 0x00112233u);
    EXPECT_EQ(colors.eyeWhite, 0x00445566u);
    EXPECT_EQ(colors.pupil, 0x00778899u);
}

} // namespace
