// Whatever "tavrel.dat" holds, the decoder gives either the defaults or a
// record that is safe to draw with, and a record it took is written back as
// the bytes it came from but for what the decoder means to change.
#include <algorithm>
#include <cstring>

#include "app/settings_record.h"
#include "tests/fuzz/fuzz_check.h"

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the file's words are read in place");

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Settings s;
    std::memset(&s, 0x5A, sizeof s);
    const bool taken = DecodeSettings(data, size, s);
    Check(taken == (size == kSettingsFileSize && data[0] == 0x2A && data[1] == 0xAA));

    // The defaults, with the tag left alone; or the file's record with the
    // sizes raised or capped into 84 or 40 to 32767 and the colours' high
    // bytes cleared.
    Settings expected = { 0x5A5A5A5A, 0, 0, 315, 200, 0, 0xFFFFFF, 0 };
    if (taken) {
        std::memcpy(&expected, data, sizeof expected);
        expected.width = std::clamp(expected.width, 84, 32767);
        expected.height = std::clamp(expected.height, 40, 32767);
        expected.outlineColor &= 0xFFFFFF, expected.eyeWhiteColor &= 0xFFFFFF, expected.pupilColor &= 0xFFFFFF;
    }
    Check(std::memcmp(&s, &expected, sizeof s) == 0);
    // Written back, it differs from that only in the tag's high half.
    uint8_t out[kSettingsFileSize];
    EncodeSettings(s, out);
    expected.tag = 0x0001AA2A;
    Check(!taken || std::memcmp(out, &expected, sizeof out) == 0);
    return 0;
}
