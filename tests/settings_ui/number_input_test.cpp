#include "settings_ui/number_input.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

// What the dialog reports: the field it puts the caret in, and the message
// as the user reads it.
struct Fault { NumberField field; const wchar_t* message; };
const Fault kBadX = { kFieldX, L"横位置の入力に誤りがあります。" };
const Fault kBadY = { kFieldY, L"縦位置の入力に誤りがあります。" };
const Fault kBadWidth = { kFieldWidth, L"幅の入力に誤りがあります。" };
const Fault kBadHeight = { kFieldHeight, L"高さの入力に誤りがあります。" };
const Fault kSmallWidth = { kFieldWidth, L"幅が小さすぎます。" };
const Fault kSmallHeight = { kFieldHeight, L"高さが小さすぎます。" };

// The texts of X, Y, width and height, written as one with commas between.
NumberInput Validate(const std::wstring& texts)
{
    std::wistringstream in(texts);
    std::wstring t[4];
    for (std::wstring& text : t)
        std::getline(in, text, L',');
    return ValidatePositionSize(t[0], t[1], t[2], t[3]);
}

TEST(ValidatePositionSize, AcceptsNumbersWithinTheLimits)
{
    // White space around a number, a minus zero and leading zeros are fine.
    const struct { const wchar_t* texts; std::vector<int32_t> values; } cases[] = {
        { L"120,-40,315,200", { 120, -40, 315, 200 } },  { L" -5 ,-0,00084,40", { -5, 0, 84, 40 } },
        { L"\t7\t,\t-8 ,  90\t, 41 ", { 7, -8, 90, 41 } }, { L"-32768,-32768,32767,32767", { -32768, -32768, 32767, 32767 } },
        { L"32767,32767,84,40", { 32767, 32767, 84, 40 } },
    };
    for (const auto& c : cases) {
        const NumberInput r = Validate(c.texts);
        EXPECT_TRUE(r.ok) << c.texts;
        EXPECT_EQ(std::vector<int32_t>({ r.x, r.y, r.width, r.height }), c.values) << c.texts;
    }
}

// Only the first field at fault, in the order X, Y, width, height, is
// reported. A size of 0 is an input error rather than too small.
const std::pair<const wchar_t*, Fault> kRejected[] = {
    { L"+5,0,315,200", kBadX },       { L",0,315,200", kBadX },          { L"   ,0,315,200", kBadX },     { L"-,0,315,200", kBadX },
    { L"1-2,0,315,200", kBadX },      { L"\xFF11\xFF12,0,315,200", kBadX }, { L"32768,0,315,200", kBadX }, { L"-32769,0,315,200", kBadX },
    { L"2147483648,0,315,200", kBadX }, { L"999999999999999,0,315,200", kBadX }, { L"-99999999999999,0,315,200", kBadX },
    { L"abc,+1,315,200", kBadX },     { L"0,,315,200", kBadY },          { L"0,1-2,315,200", kBadY },     { L"0,32768,315,200", kBadY },
    { L"0,-32769,315,200", kBadY },   { L"0,x,0,200", kBadY },           { L"0,0,-84,200", kBadWidth },   { L"0,0,,200", kBadWidth },
    { L"0,0,0,200", kBadWidth },      { L"0,0,000,200", kBadWidth },     { L"0,0,83,200", kSmallWidth },  { L"0,0,32768,200", kBadWidth },
    { L"0,0,999999999999999,200", kBadWidth },                           { L"0,0,83,0", kSmallWidth },    { L"0,0,315,-40", kBadHeight },
    { L"0,0,315,0", kBadHeight },     { L"0,0,315,39", kSmallHeight },   { L"0,0,315,32768", kBadHeight }, { L"0,0,315,+40", kBadHeight },
};

TEST(ValidatePositionSize, NamesTheFirstFieldAtFault)
{
    for (const auto& c : kRejected) {
        const NumberInput r = Validate(c.first);
        ASSERT_FALSE(r.ok) << c.first;
        EXPECT_EQ(r.failedField, c.second.field) << c.first;
        EXPECT_EQ(std::wstring(r.message), c.second.message) << c.first;
    }
}

TEST(DigitFilters, PassDigitsControlsAndMinusWhereSigned)
{
    // Digits and control characters (C0, DEL and C1, so that Backspace and
    // the clipboard shortcuts keep working) pass both; the neighbours of
    // those ranges and the look-alikes of digits and minus pass neither.
    const uint32_t both[] = { '0', '5', '9', 0, 3, 8, 22, 24, 26, 31, 127, 159 };
    const uint32_t neither[] = { '/', ':', '+', ' ', 'a', 'Z', '.', '~', 160, 0xFF10, 0xFF0D, 0x2212 };
    for (uint32_t ch : both)
        EXPECT_TRUE(AcceptSignedDigitChar(ch) && AcceptUnsignedDigitChar(ch)) << "U+" << std::hex << ch;
    for (uint32_t ch : neither)
        EXPECT_FALSE(AcceptSignedDigitChar(ch) || AcceptUnsignedDigitChar(ch)) << "U+" << std::hex << ch;
    EXPECT_TRUE(AcceptSignedDigitChar(L'-'));
    EXPECT_FALSE(AcceptUnsignedDigitChar(L'-'));
}

} // namespace
