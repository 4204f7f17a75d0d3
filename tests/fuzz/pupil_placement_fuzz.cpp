// Pupil placement for any settings the decoder lets through and any cursor:
// the arithmetic never overflows or divides by zero (the sanitizers stop the
// run if it does), and each pupil stays inside its own eye's box.
#include <fuzzer/FuzzedDataProvider.h>

#include "app/settings_record.h"
#include "eyes/eye_geometry.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Position and size as any file holds them; the cursor as a wrapping offset
    // from the window's corner, so that small offsets land on the eyes.
    uint8_t record[kSettingsFileSize] = { 0x2A, 0xAA, 0x01, 0x00 };
    FuzzedDataProvider in(data, size);
    in.ConsumeData(record + 4, 16);
    Settings s;
    Check(DecodeSettings(record, sizeof record, s));
    const int32_t cursorX = int32_t(uint32_t(s.x) + in.ConsumeIntegral<uint32_t>());
    const int32_t cursorY = int32_t(uint32_t(s.y) + in.ConsumeIntegral<uint32_t>());

    const EyeGeometry g = DeriveEyeGeometry(s.width, s.height);
    PupilRect pupils[2];
    PlacePupils(g, s.x, s.y, s.height, cursorX, cursorY, pupils);
    for (int eye = 0; eye < 2; ++eye) {
        const PupilRect& p = pupils[eye];
        const int32_t eyeLeft = eye == 0 ? 0 : g.rightEyeLeft;
        Check(p.ellipseWidth > 0 && p.ellipseHeight > 0 && p.top >= 0 && p.top + p.ellipseHeight < s.height);
        Check(p.left >= eyeLeft && p.left + p.ellipseWidth < eyeLeft + g.eyeWidth && eyeLeft + g.eyeWidth <= s.width);
    }
    return 0;
}
