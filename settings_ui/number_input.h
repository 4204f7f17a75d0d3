#pragma once
// Checking the four texts of the numeric position/size dialog, and the
// decimal form in which the settings dialog shows numbers.
#include <cstdint>
#include <string>

// The fields in the order in which they are checked. Their values are the
// control ids shared by both dialogs.
enum NumberField : int32_t {
    kFieldX = 102,
    kFieldY = 104,
    kFieldWidth = 106,
    kFieldHeight = 108,
};

constexpr int32_t kNumberInputLimit = 15;  // characters an edit accepts

struct NumberInput {
    bool ok;
    NumberField failedField;  // the first field that failed, when !ok
    const wchar_t* message;   // its message, when !ok
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
};

NumberInput ValidatePositionSize(const std::wstring& x, const std::wstring& y,
                                 const std::wstring& width, const std::wstring& height);

bool AcceptSignedDigitChar(uint32_t ch);
bool AcceptUnsignedDigitChar(uint32_t ch);

constexpr int kNumberTextSize = 12;  // "-2147483648" and its terminator
void FormatNumber(int32_t value, wchar_t (&text)[kNumberTextSize]);
