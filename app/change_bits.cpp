#include "app/change_bits.h"

// What differs between the pending values and the settings in force. A new
// size rebuilds everything and ends in a frame at the new place, so a
// position change that comes with it needs no bit of its own.
uint32_t ComputeChangeBits(const PendingRect& rect, const PendingColors& colors, const Settings& settings)
{
    uint32_t bits = 0;
    if (rect.width != settings.width || rect.height != settings.height)
        bits |= SizeChanged;
    else if (rect.x != settings.x || rect.y != settings.y)
        bits |= PositionChanged;
    if (colors.outline != settings.outlineColor || colors.eyeWhite != settings.eyeWhiteColor)
        bits |= EyeColorsChanged;
    if (colors.pupil != settings.pupilColor)
        bits |= PupilColorChanged;
    return bits;
}

void CopyPendingIntoSettings(const PendingRect& rect, const PendingColors& colors, Settings& settings)
{
    settings.x = rect.x;
    settings.y = rect.y;
    settings.width = rect.width;
    settings.height = rect.height;
    settings.outlineColor = colors.outline;
    settings.eyeWhiteColor = colors.eyeWhite;
    settings.pupilColor = colors.pupil;
}

void CopySettingsIntoPending(const Settings& settings, PendingRect& rect, PendingColors& colors)
{
    rect = { settings.x, settings.y, settings.width, settings.height };
    colors = { settings.outlineColor, settings.eyeWhiteColor, settings.pupilColor };
}
