#include "settings_ui/number_input.h"

#include <climits>
#include <cstdio>
#include <cwchar>
#include <regex>

#include "app/messages.h"
#include "app/settings_record.h"

namespace {

// wcstol in base 10, skipping leading white space. An out-of-range number
// saturates to the 32-bit limits, as it does where long is 32 bits wide.
int32_t ParseDecimal(const std::wstring& text)
{
    long value = std::wcstol(text.c_str(), nullptr, 10);
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return int32_t(value);
}

NumberInput Failure(NumberField field, const wchar_t* message)
{
    NumberInput result{};
    result.ok = false;
    result.failedField = field;
    result.message = message;
    return result;
}

} // namespace

// Each text must match its pattern as a whole and lie within its limits;
// only the first failing field, in the order X, Y, width, height, is
// reported. The patterns are built anew for each check, and the size pattern
// only once both positions have passed.
NumberInput ValidatePositionSize(const std::wstring& x, const std::wstring& y,
                                 const std::wstring& width, const std::wstring& height)
{
    NumberInput result{};
    const std::wregex position(L"^\\s*-?[0-9]+\\s*$");
    if (!std::regex_match(x, position) || (result.x = ParseDecimal(x)) < -32768 || result.x > kMaxEyesExtent)
        return Failure(kFieldX, kMsgBadX);
    if (!std::regex_match(y, position) || (result.y = ParseDecimal(y)) < -32768 || result.y > kMaxEyesExtent)
        return Failure(kFieldY, kMsgBadY);

    const std::wregex size(L"^\\s*[0-9]+\\s*$");
    if (!std::regex_match(width, size) || (result.width = ParseDecimal(width)) == 0 || result.width > kMaxEyesExtent)
        return Failure(kFieldWidth, kMsgBadWidth);
    if (result.width < kMinEyesWidth)
        return Failure(kFieldWidth, kMsgWidthTooSmall);
    if (!std::regex_match(height, size) || (result.height = ParseDecimal(height)) == 0 || result.height > kMaxEyesExtent)
        return Failure(kFieldHeight, kMsgBadHeight);
    if (result.height < kMinEyesHeight)
        return Failure(kFieldHeight, kMsgHeightTooSmall);
    result.ok = true;
    return result;
}

// Typed characters the position edits let through: digits, control
// characters (so Backspace and the clipboard shortcuts keep working) and the
// minus sign. Where the minus sign stands, and pasted text, are left to the
// validation above.
bool AcceptSignedDigitChar(uint32_t ch)
{
    return AcceptUnsignedDigitChar(ch) || ch == L'-';
}

bool AcceptUnsignedDigitChar(uint32_t ch)
{
    return (ch >= L'0' && ch <= L'9') || ch <= 31 || (ch >= 127 && ch <= 159);
}

void FormatNumber(int32_t value, wchar_t (&text)[kNumberTextSize])
{
    std::swprintf(text, kNumberTextSize, L"%ld", long(value));
}
