// Whatever "tavrel.dat" holds, the decoder gives either the defaults or a
// record that is safe to draw with, and a record it took is written back as
// the bytes it came from, apart from what the decoder means to change: the
// tag's high half, the sizes raised or capped into range and the colours'
// high bytes.
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
    if (!taken) {
        Check(s.x == 0 && s.y == 0 && s.width == 315 && s.height == 200 && s.outlineColor == 0 &&
              s.eyeWhiteColor == 0xFFFFFF && s.pupilColor == 0);
        return 0;
    }
    Check(s.width >= kMinEyesWidth && s.width <= kMaxEyesExtent);
    Check(s.height >= kMinEyesHeight && s.height <= kMaxEyesExtent);

    uint8_t out[kSettingsFileSize];
    EncodeSettings(s, out);
    const uint8_t tag[] = { 0x2A, 0xAA, 0x01, 0x00 };
    Check(std::memcmp(out, tag, 4) == 0 && std::memcmp(out + 4, data + 4, 8) == 0);
    const int32_t minimum[2] = { kMinEyesWidth, kMinEyesHeight };
    for (int i = 0; i < 2; ++i) {
        int32_t read, written;
        std::memcpy(&read, data + 12 + 4 * i, 4);
        std::memcpy(&written, out + 12 + 4 * i, 4);
        Check(written == (read < minimum[i] ? minimum[i] : read > kMaxEyesExtent ? kMaxEyesExtent : read));
    }
    for (size_t i = 20; i < kSettingsFileSize; ++i)
        Check(out[i] == (i % 4 == 3 ? 0 : data[i]));
    return 0;
}
