#pragma once
#include <cstdint>

#include "app/settings_record.h"

// The edit buffers of the settings user interface, laid out like the
// matching fields of Settings.
struct PendingRect {
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
};

struct PendingColors {
    uint32_t outline;
    uint32_t eyeWhite;
    uint32_t pupil;
};

enum ChangeBits : uint32_t {
    PositionChanged = 1,
    SizeChanged = 2,
    EyeColorsChanged = 4,
    PupilColorChanged = 8,
};

uint32_t ComputeChangeBits(const PendingRect& rect, const PendingColors& colors, const Settings& settings);
void CopyPendingIntoSettings(const PendingRect& rect, const PendingColors& colors, Settings& settings);
void CopySettingsIntoPending(const Settings& settings, PendingRect& rect, PendingColors& colors);
