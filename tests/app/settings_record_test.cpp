#include <gtest/gtest.h>

#include <cstring>

#include "app/settings_record.h"

const std::vector<uint32_t> kDefaults = { 0, 0, 315, 200, 0x000000, 0xFFFFFF, 0x000000 };
const uint32_t kTag = 0x0001AA2A, kMin = 0x80000000;

// The file's first words, zeros up to its length in bytes, and the seven
// fields of the record taken from it; none where it is not taken and the
// defaults apply.
const struct { std::vector<uint32_t> words; size_t size; std::vector<uint32_t> fields; } kDecodeCases[] = {
    { { kTag, 10, 20, 400, 120, 0x112233, 0x445566, 0x778899 }, 32, { 10, 20, 400, 120, 0x112233, 0x445566, 0x778899 } },
    // Only the tag's low half counts, and fewer than 32 bytes read are no
    // record, however good their start. (The file is read 32 bytes at most,
    // so a longer file arrives here as its first 32.)
    { { 0x0007AA2A, 1, 2, 300, 150, 1, 2, 3 }, 32, { 1, 2, 300, 150, 1, 2, 3 } },
    { { 0x00012AAA, 1, 2, 300, 150 }, 32, {} },  { {}, 0, {} },  { { kTag, 10, 20, 400, 120 }, 31, {} },
    // Sizes are raised to the minimums and capped at 32767, as signed values.
    { { kTag, 0, 0, 83, 39 }, 32, { 0, 0, 84, 40, 0, 0, 0 } },       { { kTag, 0, 0, 84, 40 }, 32, { 0, 0, 84, 40, 0, 0, 0 } },
    { { kTag, 0, 0, kMin, uint32_t(-5) }, 32, { 0, 0, 84, 40, 0, 0, 0 } },
    { { kTag, 0, 0, 32768, 0x7FFFFFFF }, 32, { 0, 0, 32767, 32767, 0, 0, 0 } },
    { { kTag, 0, 0, 32767, 32767 }, 32, { 0, 0, 32767, 32767, 0, 0, 0 } },
    // The position is kept whatever it is; colours lose their high byte.
    { { kTag, uint32_t(-500), kMin, 315, 200 }, 32, { uint32_t(-500), kMin, 315, 200, 0, 0, 0 } },
    { { kTag, 0, 0, 315, 200, 0xFF0000FF, 0x12FFFFFF, 0x80808080 }, 32, { 0, 0, 315, 200, 0xFF, 0xFFFFFF, 0x808080 } },
};

TEST(DecodeSettings, AppliesTheFileRules)
{
    for (const auto& c : kDecodeCases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - kDecodeCases);
        std::vector<uint8_t> bytes(c.size);  // the words little-endian, then zeros
        for (size_t i = 0; i < bytes.size() && i / 4 < c.words.size(); ++i)
            bytes[i] = uint8_t(c.words[i / 4] >> (8 * (i % 4)));
        Settings s;
        std::memset(&s, 0x5A, sizeof s);  // whatever a short read left behind
        const bool taken = !c.fields.empty();
        EXPECT_EQ(DecodeSettings(bytes.data(), bytes.size(), s), taken);
        const std::vector<uint32_t> fields = { uint32_t(s.x), uint32_t(s.y), uint32_t(s.width), uint32_t(s.height),
                                               s.outlineColor, s.eyeWhiteColor, s.pupilColor };
        EXPECT_EQ(fields, taken ? c.fields : kDefaults);
        // The defaults leave the tag alone: it only gets its value on write.
        EXPECT_EQ(s.tag, taken ? c.words[0] : 0x5A5A5A5Au);
    }
}

TEST(FileBeside, TakesTheExecutablesFolder)
{
    EXPECT_EQ(FileBeside(L"D:\\apps\\eyes\\prog.exe", kSettingsFileName), L"D:\\apps\\eyes\\tavrel.dat");
    EXPECT_EQ(FileBeside(L"C:\\tavrel.exe", kSettingsFileName), L"C:\\tavrel.dat");
    EXPECT_EQ(FileBeside(L"\\\\server\\share\\a.b\\t.exe", kSettingsFileName), L"\\\\server\\share\\a.b\\tavrel.dat");
    EXPECT_EQ(FileBeside(L"prog.exe", kSettingsFileName), L"tavrel.dat");
    // No longer than the settings file's name, so a save near the longest path still fits.
    EXPECT_EQ(FileBeside(L"C:\\a\\t.exe", kSettingsTempFileName), L"C:\\a\\tavrel.tmp");
}

TEST(ModulePathTruncated, RecognisesBothSignsAndNothingElse)
{
    // Returned length, buffer size, last error: a full buffer has no room for
    // the terminator, and error 122 says so outright; any other code does not.
    const uint32_t cases[][4] = { { 40, 256, 0, false }, { 255, 256, 0, false }, { 256, 256, 0, true },
                                  { 256, 256, 122, true }, { 100, 256, 122, true }, { 100, 256, 5, false } };
    for (const auto& c : cases)
        EXPECT_EQ(ModulePathTruncated(c[0], c[1], c[2]), c[3] != 0) << c[0] << " of " << c[1] << ", error " << c[2];
}
