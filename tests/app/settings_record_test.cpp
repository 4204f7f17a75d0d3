#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/settings_record.h"

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<uint32_t> words)
{
    std::vector<uint8_t> out;
    for (uint32_t w : words)
        for (int i = 0; i < 4; ++i)
            out.push_back(uint8_t(w >> (8 * i)));
    return out;
}

struct Fields {
    int32_t x, y, width, height;
    uint32_t outline, white, pupil;
};

void ExpectFields(const Settings& s, const Fields& f)
{
    EXPECT_EQ(s.x, f.x);
    EXPECT_EQ(s.y, f.y);
    EXPECT_EQ(s.width, f.width);
    EXPECT_EQ(s.height, f.height);
    EXPECT_EQ(s.outlineColor, f.outline);
    EXPECT_EQ(s.eyeWhiteColor, f.white);
    EXPECT_EQ(s.pupilColor, f.pupil);
}

const Fields kDefaults = { 0, 0, 315, 200, 0x000000, 0xFFFFFF, 0x000000 };

struct DecodeCase {
    const char* name;
    std::vector<uint8_t> bytes;
    bool taken;
    Fields expected;
};

std::vector<uint8_t> Truncated(std::vector<uint8_t> v, size_t n)
{
    v.resize(n);
    return v;
}

const std::vector<uint8_t> kValid = Bytes({ 0x0001AA2A, 10, 20, 400, 120, 0x00112233, 0x00445566, 0x00778899 });

const DecodeCase kDecodeCases[] = {
        DecodeCase{ "valid", kValid, true, { 10, 20, 400, 120, 0x112233, 0x445566, 0x778899 } },
        DecodeCase{ "high_tag_half_ignored", Bytes({ 0x0007AA2A, 1, 2, 300, 150, 1, 2, 3 }), true, { 1, 2, 300, 150, 1, 2, 3 } },
        DecodeCase{ "swapped_tag", Bytes({ 0x00012AAA, 1, 2, 300, 150, 1, 2, 3 }), false, kDefaults },
        DecodeCase{ "zero_tag", Bytes({ 0, 1, 2, 300, 150, 1, 2, 3 }), false, kDefaults },
        DecodeCase{ "empty_file", {}, false, kDefaults },
        DecodeCase{ "31_bytes", Truncated(kValid, 31), false, kDefaults },
        DecodeCase{ "raised_to_minimums", Bytes({ 0x0001AA2A, 0, 0, 10, uint32_t(-5), 0, 0, 0 }), true, { 0, 0, 84, 40, 0, 0, 0 } },
        DecodeCase{ "minimums_kept", Bytes({ 0x0001AA2A, 0, 0, 84, 40, 0, 0, 0 }), true, { 0, 0, 84, 40, 0, 0, 0 } },
        DecodeCase{ "most_negative_size", Bytes({ 0x0001AA2A, 0, 0, 0x80000000, 0x80000000, 0, 0, 0 }), true, { 0, 0, 84, 40, 0, 0, 0 } },
        DecodeCase{ "capped_at_32767", Bytes({ 0x0001AA2A, 0, 0, 32768, 0x7FFFFFFF, 0, 0, 0 }), true, { 0, 0, 32767, 32767, 0, 0, 0 } },
        DecodeCase{ "largest_kept", Bytes({ 0x0001AA2A, 0, 0, 32767, 32767, 0, 0, 0 }), true, { 0, 0, 32767, 32767, 0, 0, 0 } },
        DecodeCase{ "negative_position_kept", Bytes({ 0x0001AA2A, uint32_t(-500), uint32_t(-2147483647 - 1), 315, 200, 0, 0, 0 }), true, { -500, -2147483647 - 1, 315, 200, 0, 0, 0 } },
        DecodeCase{ "colour_high_byte_cleared", Bytes({ 0x0001AA2A, 0, 0, 315, 200, 0xFF0000FF, 0x12FFFFFF, 0x80808080 }), true, { 0, 0, 315, 200, 0x0000FF, 0xFFFFFF, 0x808080 } }
};

TEST(DecodeSettings, AppliesTheFileRules)
{
    for (const DecodeCase& c : kDecodeCases) {
        SCOPED_TRACE(c.name);
        Settings s;
        std::memset(&s, 0x5A, sizeof s);  // whatever a short read left behind
        EXPECT_EQ(DecodeSettings(c.bytes.data(), c.bytes.size(), s), c.taken);
        ExpectFields(s, c.expected);
    }
}

TEST(ApplyDefaultSettings, LeavesTheTagAlone)
{
    Settings s{};
    s.tag = 0xDEADBEEF;
    ApplyDefaultSettings(s);
    EXPECT_EQ(s.tag, 0xDEADBEEFu);
    ExpectFields(s, kDefaults);
}

TEST(EncodeSettings, WritesTheTagAndTheFieldsLittleEndianInOrder)
{
    Settings s{ 0, -500, 7, 315, 200, 0x00A1B2C3, 0x00FFFFFF, 0x00010203 };
    uint8_t bytes[kSettingsFileSize];
    EncodeSettings(s, bytes);
    const std::vector<uint8_t> expected =
        Bytes({ 0x0001AA2A, uint32_t(-500), 7, 315, 200, 0x00A1B2C3, 0x00FFFFFF, 0x00010203 });
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 32), expected);
    EXPECT_EQ(bytes[0], 0x2A);
    EXPECT_EQ(bytes[1], 0xAA);
    EXPECT_EQ(bytes[2], 0x01);
    EXPECT_EQ(bytes[3], 0x00);

    Settings back{};
    ASSERT_TRUE(DecodeSettings(bytes, sizeof bytes, back));
    ExpectFields(back, { -500, 7, 315, 200, 0xA1B2C3, 0xFFFFFF, 0x010203 });
}

struct PathCase {
    const wchar_t* module;
    const wchar_t* settings;
};

TEST(FileBeside, TakesTheExecutablesFolder)
{
    const PathCase cases[] = {
        { L"D:\\apps\\eyes\\prog.exe", L"D:\\apps\\eyes\\tavrel.dat" },
        { L"C:\\tavrel.exe", L"C:\\tavrel.dat" },
        { L"\\\\server\\share\\a.b\\t.exe", L"\\\\server\\share\\a.b\\tavrel.dat" },
        { L"prog.exe", L"tavrel.dat" },
    };
    // A save near the longest path must not fail for its temporary file.
    EXPECT_EQ(FileBeside(L"C:\\a\\t.exe", kSettingsTempFileName), L"C:\\a\\tavrel.tmp");
    for (const PathCase& c : cases)
        EXPECT_EQ(FileBeside(c.module, kSettingsFileName), c.settings);
}

TEST(ModulePathTruncated, RecognisesBothSignsAndNothingElse)
{
    struct Case {
        uint32_t returned, size, error;
        bool truncated;
    } cases[] = {
        { 40, 256, 0, false },
        { 255, 256, 0, false },
        { 256, 256, 0, true },     // the path filled the buffer: no room for the terminator
        { 256, 256, 122, true },
        { 100, 256, 122, true },   // the system says so
        { 100, 256, 5, false },    // any other code is not a truncation
    };
    for (const Case& c : cases)
        EXPECT_EQ(ModulePathTruncated(c.returned, c.size, c.error), c.truncated)
            << c.returned << " of " << c.size << ", error " << c.error;
}

} // namespace
