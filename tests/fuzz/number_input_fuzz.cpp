// The numeric dialog's check, fed any four texts, never crashes; what it
// accepts lies within the limits, and shown in decimal passes again with the
// same values; what it refuses names one of the four fields and a message.
#include <algorithm>
#include <string>

#include "settings_ui/number_input.h"
#include "tests/fuzz/fuzz_check.h"

// The input is UTF-16LE text, of which the first 64 units count; its first
// three commas separate X, Y, width and height.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::wstring text[4];
    for (size_t i = 0, f = 0; i < std::min<size_t>(size / 2, 64); ++i) {
        const wchar_t unit = wchar_t(data[2 * i] | data[2 * i + 1] << 8);
        if (unit == L',' && f < 3)
            ++f;
        else
            text[f] += unit;
    }
    const NumberInput got = ValidatePositionSize(text[0], text[1], text[2], text[3]);
    if (!got.ok) {
        Check(got.message != nullptr && (got.failedField == kFieldX || got.failedField == kFieldY ||
                                         got.failedField == kFieldWidth || got.failedField == kFieldHeight));
        return 0;
    }
    // The limits are written out, not taken from the code, so that a changed one shows.
    Check(got.x >= -32768 && got.x <= 32767 && got.y >= -32768 && got.y <= 32767 && got.width >= 84 &&
          got.width <= 32767 && got.height >= 40 && got.height <= 32767);
    const int32_t values[4] = { got.x, got.y, got.width, got.height };
    wchar_t shown[4][kNumberTextSize];
    for (int f = 0; f < 4; ++f)
        FormatNumber(values[f], shown[f]);
    const NumberInput again = ValidatePositionSize(shown[0], shown[1], shown[2], shown[3]);
    Check(again.ok && again.x == got.x && again.y == got.y && again.width == got.width && again.height == got.height);
    return 0;
}
