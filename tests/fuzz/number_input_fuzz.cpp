// The numeric dialog's check, fed any four texts, never crashes and accepts
// what a plain reading of the rules accepts, with the same values, or names
// the same first bad field; what it accepted, shown in decimal, passes again.
#include <algorithm>
#include <cwctype>
#include <string>

#include "settings_ui/number_input.h"
#include "tests/fuzz/fuzz_check.h"

// A field's text: optional white space, a minus sign where the field takes
// one, ASCII digits, optional white space and nothing else. The value
// saturates far outside every limit.
static bool Read(const std::wstring& t, bool takesMinus, int64_t& value)
{
    size_t i = 0, end = t.size(), digits;
    for (; i < end && std::iswspace(t[i]); ++i) {}
    for (; end > i && std::iswspace(t[end - 1]); --end) {}
    const bool minus = takesMinus && i < end && t[i] == L'-';
    for (value = 0, digits = i += minus; i < end && t[i] >= L'0' && t[i] <= L'9'; ++i)
        value = std::min<int64_t>(value * 10 + (t[i] - L'0'), int64_t(1) << 40);
    value = minus ? -value : value;
    return i == end && end > digits;
}

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
    const NumberField fields[4] = { kFieldX, kFieldY, kFieldWidth, kFieldHeight };
    // The limits are written out, not taken from the code, so that a changed one shows.
    const int32_t lowest[4] = { -32768, -32768, 84, 40 };
    int64_t values[4];
    for (int f = 0; f < 4; ++f) {
        if (!Read(text[f], f < 2, values[f]) || values[f] < lowest[f] || values[f] > 32767) {
            Check(!got.ok && got.failedField == fields[f] && got.message);
            return 0;
        }
    }
    const int32_t gotValues[4] = { got.x, got.y, got.width, got.height };
    Check(got.ok && std::equal(gotValues, gotValues + 4, values));

    wchar_t shown[4][kNumberTextSize];
    for (int f = 0; f < 4; ++f)
        FormatNumber(gotValues[f], shown[f]);
    const NumberInput again = ValidatePositionSize(shown[0], shown[1], shown[2], shown[3]);
    Check(again.ok && again.x == got.x && again.y == got.y && again.width == got.width && again.height == got.height);
    return 0;
}
