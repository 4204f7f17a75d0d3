// The numeric dialog's check, fed any four texts: it never crashes, it
// accepts exactly what a plain reading of the rules accepts, with the same
// values, the same first failing field and the same kind of message, and
// the decimal form of what it accepted is accepted again as the same values.
#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <string>

#include "app/messages.h"
#include "app/settings_record.h"
#include "settings_ui/number_input.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// A field's text: optional white space, a minus sign where the field takes
// one, ASCII digits, optional white space and nothing else. The value
// saturates far outside every limit.
bool Read(const std::wstring& t, bool takesMinus, int64_t& value)
{
    size_t i = 0;
    auto skipSpace = [&] { while (i < t.size() && std::iswspace(t[i])) ++i; };
    skipSpace();
    const bool minus = takesMinus && i < t.size() && t[i] == L'-';
    const size_t digits = i += minus;
    for (value = 0; i < t.size() && t[i] >= L'0' && t[i] <= L'9'; ++i)
        value = std::min<int64_t>(value * 10 + (t[i] - L'0'), int64_t(1) << 40);
    const size_t end = i;
    skipSpace();
    value = minus ? -value : value;
    return end > digits && i == t.size();
}

const NumberField kFields[4] = { kFieldX, kFieldY, kFieldWidth, kFieldHeight };
const int32_t kLowest[4] = { -32768, -32768, kMinEyesWidth, kMinEyesHeight };

} // namespace

// The input is UTF-16LE text, of which the first 64 units count; its first
// three commas separate X, Y, width and height.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::wstring text[4];
    int f = 0;
    for (size_t i = 0; i < std::min<size_t>(size / 2, 64); ++i) {
        const wchar_t unit = wchar_t(data[2 * i] | data[2 * i + 1] << 8);
        if (unit == L',' && f < 3)
            ++f;
        else
            text[f] += unit;
    }

    const NumberInput got = ValidatePositionSize(text[0], text[1], text[2], text[3]);
    int64_t values[4];
    bool read = true;
    f = 0;
    while (f < 4 && (read = Read(text[f], f < 2, values[f])) && values[f] >= kLowest[f] && values[f] <= kMaxEyesExtent)
        ++f;
    if (f < 4) {
        Check(!got.ok && got.failedField == kFields[f] && got.message);
        const wchar_t* tooSmall = f == 2 ? kMsgWidthTooSmall : kMsgHeightTooSmall;
        Check(f < 2 || (std::wcscmp(got.message, tooSmall) == 0) == (read && values[f] > 0 && values[f] < kLowest[f]));
        return 0;
    }
    const int32_t gotValues[4] = { got.x, got.y, got.width, got.height };
    Check(got.ok && std::equal(gotValues, gotValues + 4, values));

    wchar_t shown[4][kNumberTextSize];
    for (f = 0; f < 4; ++f)
        FormatNumber(gotValues[f], shown[f]);
    const NumberInput again = ValidatePositionSize(shown[0], shown[1], shown[2], shown[3]);
    Check(again.ok && again.x == got.x && again.y == got.y && again.width == got.width && again.height == got.height);
    return 0;
}
