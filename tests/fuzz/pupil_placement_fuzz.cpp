// Pupil placement for any settings the decoder lets through and any cursor
// position: the arithmetic never overflows or divides by zero (the
// sanitizers stop the run if it does), the two eyes' boxes lie side by side
// in the window, and each pupil, and so its centre, stays inside its own
// eye's box and within its travel of the eye's centre.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>

#include "app/settings_record.h"
#include "eyes/eye_geometry.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Position and size as the file holds them, any 32-bit values; the
    // cursor as a wrapping offset from the window's corner, so that every
    // position is reachable and small offsets land on the eyes.
    uint8_t record[kSettingsFileSize] = { 0x2A, 0xAA, 0x01, 0x00 };
    FuzzedDataProvider in(data, size);
    in.ConsumeData(record + 4, 16);
    Settings s;
    Check(DecodeSettings(record, sizeof record, s));
    const int32_t cursorX = int32_t(uint32_t(s.x) + in.ConsumeIntegral<uint32_t>());
    const int32_t cursorY = int32_t(uint32_t(s.y) + in.ConsumeIntegral<uint32_t>());

    const EyeGeometry g = DeriveEyeGeometry(s.width, s.height);
    Check(g.eyeWidth <= g.rightEyeLeft && g.rightEyeLeft + g.eyeWidth == s.width);
    Check(g.pixelCount == int64_t(s.width) * s.height);
    PupilRect pupils[2];
    PlacePupils(g, s.x, s.y, s.height, cursorX, cursorY, pupils);
    for (int eye = 0; eye < 2; ++eye) {
        const PupilRect& p = pupils[eye];
        const int32_t eyeLeft = eye == 0 ? 0 : g.rightEyeLeft;
        Check(p.ellipseWidth > 0 && p.ellipseHeight > 0);
        Check(p.left >= eyeLeft && p.left + p.ellipseWidth < eyeLeft + g.eyeWidth);
        Check(p.top >= 0 && p.top + p.ellipseHeight < s.height);
        // With the height scaled away, the offset from the eye's centre is at
        // most pupilTravel, give or take a pixel of rounding on each axis.
        const double dx = p.left + (g.pupilWidth >> 1) - (g.eyeWidth >> 1) - eyeLeft;
        const double dy = (p.top + (g.pupilHeight >> 1) - (s.height >> 1)) / g.eyeAspect;
        Check(std::hypot(dx, dy) <= g.pupilTravel + 1 + 1 / g.eyeAspect);
    }
    return 0;
}
