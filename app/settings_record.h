#pragma once
// The settings record and the rules for reading it back from disk. Nothing
// here calls the platform, so the native tests exercise exactly the rules
// that tavrel.exe applies to "tavrel.dat".
#include <cstddef>
#include <cstdint>
#include <string>

// The eyes' position, size and colours. The file "tavrel.dat" holds exactly
// these 32 bytes, little-endian, in this order. Colours are COLORREF values
// 0x00BBGGRR.
struct Settings {
    uint32_t tag;
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
    uint32_t outlineColor;
    uint32_t eyeWhiteColor;
    uint32_t pupilColor;
};
static_assert(sizeof(Settings) == 32, "the record is the file format");

constexpr size_t kSettingsFileSize = 32;
constexpr uint32_t kSettingsTag = 0x0001AA2A;
constexpr uint32_t kSettingsTagCheckMask = 0xFFFF;
constexpr int32_t kMinEyesWidth = 84;
constexpr int32_t kMinEyesHeight = 40;
constexpr int32_t kMaxEyesExtent = 32767;

void ApplyDefaultSettings(Settings& settings);
bool DecodeSettings(const uint8_t* bytes, size_t count, Settings& settings);
void EncodeSettings(const Settings& settings, uint8_t (&bytes)[kSettingsFileSize]);

// The module-path loop: how to recognise a truncated path and how far to
// grow the buffer for the next attempt.
constexpr uint32_t kModulePathFirstSize = 256;
constexpr uint32_t kModulePathGrowth = 64;
constexpr uint32_t kErrorInsufficientBuffer = 122;
bool ModulePathTruncated(uint32_t returnedLength, uint32_t bufferSize, uint32_t lastError);

// The settings file, and the file a save writes first, which then takes
// its place. The second name is no longer than the first, so that a path
// the one fits in always fits the other.
constexpr const wchar_t* kSettingsFileName = L"tavrel.dat";
constexpr const wchar_t* kSettingsTempFileName = L"tavrel.tmp";

std::wstring FileBeside(const std::wstring& modulePath, const wchar_t* name);
