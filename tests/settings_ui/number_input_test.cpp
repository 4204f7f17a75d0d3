#include "settings_ui/number_input.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

// The dialog's messages, as the user reads them.
const wchar_t* const kMsgBadX = L"横位置の入力に誤りがあります。";
const wchar_t* const kMsgBadY = L"縦位置の入力に誤りがあります。";
const wchar_t* const kMsgBadWidth = L"幅の入力に誤りがあります。";
const wchar_t* const kMsgBadHeight = L"高さの入力に誤りがあります。";
const wchar_t* const kMsgWidthTooSmall = L"幅が小さすぎます。";
const wchar_t* const kMsgHeightTooSmall = L"高さが小さすぎます。";

struct ValidationCase {
    const char* name;
    const wchar_t* x;
    const wchar_t* y;
    const wchar_t* width;
    const wchar_t* height;
    bool ok;
    NumberField failedField;     // when !ok
    const wchar_t* message;      // when !ok
    int32_t expected[4];         // x, y, width, height when ok
};

// A valid set of texts into which each case puts its own faulty field.
constexpr const wchar_t* kX = L"120";
constexpr const wchar_t* kY = L"-40";
constexpr const wchar_t* kW = L"315";
constexpr const wchar_t* kH = L"200";

const ValidationCase kValidationCases[] = {
    { "plain", kX, kY, kW, kH, true, kFieldX, nullptr, { 120, -40, 315, 200 } },
    { "spaces_around_negative_x", L" -5 ", kY, kW, kH, true, kFieldX, nullptr, { -5, -40, 315, 200 } },
    { "tabs_around_every_field", L"\t7\t", L"\t-8 ", L"  90\t", L" 41 ", true, kFieldX, nullptr, { 7, -8, 90, 41 } },
    { "minus_zero_is_zero", L"-0", L"-0", kW, kH, true, kFieldX, nullptr, { 0, 0, 315, 200 } },
    { "leading_zeros_in_width", kX, kY, L"00084", kH, true, kFieldX, nullptr, { 120, -40, 84, 200 } },
    { "smallest_size", kX, kY, L"84", L"40", true, kFieldX, nullptr, { 120, -40, 84, 40 } },
    { "position_limits_low", L"-32768", L"-32768", kW, kH, true, kFieldX, nullptr, { -32768, -32768, 315, 200 } },
    { "position_limits_high", L"32767", L"32767", kW, kH, true, kFieldX, nullptr, { 32767, 32767, 315, 200 } },
    { "largest_size", kX, kY, L"32767", L"32767", true, kFieldX, nullptr, { 120, -40, 32767, 32767 } },

    { "plus_sign_in_x", L"+5", kY, kW, kH, false, kFieldX, kMsgBadX, {} },
    { "empty_x", L"", kY, kW, kH, false, kFieldX, kMsgBadX, {} },
    { "only_spaces_in_x", L"   ", kY, kW, kH, false, kFieldX, kMsgBadX, {} },
    { "lone_minus_in_x", L"-", kY, kW, kH, false, kFieldX, kMsgBadX, {} },
    { "minus_between_digits_in_x", L"1-2", kY, kW, kH, false, kFieldX, kMsgBadX, {} },
    { "trailing_minus_in_x", L"12-", kY, kW, kH, false, kFieldX, kMsgBadX, {} },
    { "space_between_digits_in_x", L"1 2", kY, kW, kH, false, kFieldX, kMsgBadX, {} },
    { "letters_in_x", L"12a", kY, kW, kH, false, kFieldX, kMsgBadX, {} },
    { "full_width_digits_in_x", L"\xFF11\xFF12", kY, kW, kH, false, kFieldX, kMsgBadX, {} },
    { "x_above_range", L"32768", kY, kW, kH, false, kFieldX, kMsgBadX, {} },
    { "x_below_range", L"-32769", kY, kW, kH, false, kFieldX, kMsgBadX, {} },
    { "x_beyond_32_bits", L"2147483648", kY, kW, kH, false, kFieldX, kMsgBadX, {} },
    { "x_fifteen_digits", L"999999999999999", kY, kW, kH, false, kFieldX, kMsgBadX, {} },
    { "x_fifteen_digits_negative", L"-99999999999999", kY, kW, kH, false, kFieldX, kMsgBadX, {} },
    { "x_and_y_both_bad_reports_x", L"abc", L"+1", kW, kH, false, kFieldX, kMsgBadX, {} },

    { "empty_y", kX, L"", kW, kH, false, kFieldY, kMsgBadY, {} },
    { "minus_between_digits_in_y", kX, L"1-2", kW, kH, false, kFieldY, kMsgBadY, {} },
    { "y_above_range", kX, L"32768", kW, kH, false, kFieldY, kMsgBadY, {} },
    { "y_below_range", kX, L"-32769", kW, kH, false, kFieldY, kMsgBadY, {} },
    { "y_and_width_bad_reports_y", kX, L"x", L"0", kH, false, kFieldY, kMsgBadY, {} },

    { "pasted_negative_width", kX, kY, L"-84", kH, false, kFieldWidth, kMsgBadWidth, {} },
    { "empty_width", kX, kY, L"", kH, false, kFieldWidth, kMsgBadWidth, {} },
    { "width_zero", kX, kY, L"0", kH, false, kFieldWidth, kMsgBadWidth, {} },
    { "width_zeros", kX, kY, L"000", kH, false, kFieldWidth, kMsgBadWidth, {} },
    { "width_one", kX, kY, L"1", kH, false, kFieldWidth, kMsgWidthTooSmall, {} },
    { "width_83", kX, kY, L"83", kH, false, kFieldWidth, kMsgWidthTooSmall, {} },
    { "width_above_range", kX, kY, L"32768", kH, false, kFieldWidth, kMsgBadWidth, {} },
    { "width_fifteen_digits", kX, kY, L"999999999999999", kH, false, kFieldWidth, kMsgBadWidth, {} },
    { "width_and_height_bad_reports_width", kX, kY, L"83", L"0", false, kFieldWidth, kMsgWidthTooSmall, {} },

    { "pasted_negative_height", kX, kY, kW, L"-40", false, kFieldHeight, kMsgBadHeight, {} },
    { "height_zero", kX, kY, kW, L"0", false, kFieldHeight, kMsgBadHeight, {} },
    { "height_one", kX, kY, kW, L"1", false, kFieldHeight, kMsgHeightTooSmall, {} },
    { "height_39", kX, kY, kW, L"39", false, kFieldHeight, kMsgHeightTooSmall, {} },
    { "height_above_range", kX, kY, kW, L"32768", false, kFieldHeight, kMsgBadHeight, {} },
    { "height_with_plus", kX, kY, kW, L"+40", false, kFieldHeight, kMsgBadHeight, {} },
};

TEST(ValidatePositionSize, AcceptsOrNamesTheFirstFieldAtFault)
{
    for (const ValidationCase& c : kValidationCases) {
        SCOPED_TRACE(c.name);
        const NumberInput result = ValidatePositionSize(c.x, c.y, c.width, c.height);
        ASSERT_EQ(result.ok, c.ok);
        if (c.ok) {
            EXPECT_EQ(result.x, c.expected[0]);
            EXPECT_EQ(result.y, c.expected[1]);
            EXPECT_EQ(result.width, c.expected[2]);
            EXPECT_EQ(result.height, c.expected[3]);
        } else {
            EXPECT_EQ(result.failedField, c.failedField);
            EXPECT_EQ(std::wstring(result.message), std::wstring(c.message));
        }
    }
}

struct CharCase {
    uint32_t ch;
    bool signedAccepts;
    bool unsignedAccepts;
};

const CharCase kCharCases[] = {
    { L'0', true, true },
    { L'5', true, true },
    { L'9', true, true },
    { L'/', false, false },    // just below '0'
    { L':', false, false },    // just above '9'
    { L'-', true, false },
    { L'+', false, false },
    { L' ', false, false },
    { L'a', false, false },
    { L'Z', false, false },
    { L'.', false, false },
    { L'~', false, false },    // 126, just below the C1 block
    { 0, true, true },
    { 3, true, true },         // Ctrl+C
    { 8, true, true },         // Backspace
    { 22, true, true },        // Ctrl+V
    { 24, true, true },        // Ctrl+X
    { 26, true, true },        // Ctrl+Z
    { 31, true, true },
    { 127, true, true },
    { 159, true, true },
    { 160, false, false },     // no-break space, just above the C1 block
    { 0xFF10, false, false },  // full-width zero
    { 0xFF0D, false, false },  // full-width minus
    { 0x2212, false, false },  // minus sign
};

TEST(DigitFilters, PassDigitsControlsAndMinusWhereSigned)
{
    for (const CharCase& c : kCharCases) {
        EXPECT_EQ(AcceptSignedDigitChar(c.ch), c.signedAccepts) << "U+" << std::hex << c.ch;
        EXPECT_EQ(AcceptUnsignedDigitChar(c.ch), c.unsignedAccepts) << "U+" << std::hex << c.ch;
    }
}

TEST(FormatNumber, PlainSignedDecimal)
{
    const std::pair<int32_t, const wchar_t*> cases[] = {{0, L"0"}, {7, L"7"}, {-120, L"-120"}, {-32768, L"-32768"},
                                                        {1234567, L"1234567"}, {INT32_MAX, L"2147483647"},
                                                        {INT32_MIN, L"-2147483648"}};
    for (const auto& c : cases) {
        wchar_t text[kNumberTextSize];
        FormatNumber(c.first, text);
        EXPECT_EQ(std::wstring(text), std::wstring(c.second));
    }
}

} // namespace
