#include "app/settings_record.h"

namespace {

uint32_t ReadU32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void WriteU32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

int32_t Clamp(int32_t v, int32_t low, int32_t high)
{
    return v < low ? low : (v > high ? high : v);
}

} // namespace

// Sets the seven fields after the tag to the values used when no valid file
// is read. The tag keeps whatever it held: it only gets its value on write.
void ApplyDefaultSettings(Settings& settings)
{
    settings.x = 0;
    settings.y = 0;
    settings.width = 315;
    settings.height = 200;
    settings.outlineColor = 0x00000000;
    settings.eyeWhiteColor = 0x00FFFFFF;
    settings.pupilColor = 0x00000000;
}

// Turns what was read from "tavrel.dat" into the record. A file shorter
// than 32 bytes or with the wrong tag gives the defaults, silently; only the
// low half of the tag is checked, and bytes past the 32nd are never looked
// at. A valid record is made safe to draw with: the size is raised to the
// minimums the settings dialogs enforce, and also capped at the numeric
// dialog's 32767 so that width * height always fits in 32 bits. The colours
// lose their high byte, which the renderer expects to be zero.
// Returns whether the file's record was taken.
bool DecodeSettings(const uint8_t* bytes, size_t count, Settings& settings)
{
    if (count != kSettingsFileSize || (ReadU32(bytes) & kSettingsTagCheckMask) != (kSettingsTag & kSettingsTagCheckMask)) {
        ApplyDefaultSettings(settings);
        return false;
    }
    settings.tag = ReadU32(bytes);
    settings.x = int32_t(ReadU32(bytes + 4));
    settings.y = int32_t(ReadU32(bytes + 8));
    settings.width = Clamp(int32_t(ReadU32(bytes + 12)), kMinEyesWidth, kMaxEyesExtent);
    settings.height = Clamp(int32_t(ReadU32(bytes + 16)), kMinEyesHeight, kMaxEyesExtent);
    settings.outlineColor = ReadU32(bytes + 20) & 0x00FFFFFF;
    settings.eyeWhiteColor = ReadU32(bytes + 24) & 0x00FFFFFF;
    settings.pupilColor = ReadU32(bytes + 28) & 0x00FFFFFF;
    return true;
}

// The bytes written to "tavrel.dat": the record with its tag set.
void EncodeSettings(const Settings& settings, uint8_t (&bytes)[kSettingsFileSize])
{
    WriteU32(bytes, kSettingsTag);
    WriteU32(bytes + 4, uint32_t(settings.x));
    WriteU32(bytes + 8, uint32_t(settings.y));
    WriteU32(bytes + 12, uint32_t(settings.width));
    WriteU32(bytes + 16, uint32_t(settings.height));
    WriteU32(bytes + 20, settings.outlineColor);
    WriteU32(bytes + 24, settings.eyeWhiteColor);
    WriteU32(bytes + 28, settings.pupilColor);
}

// GetModuleFileNameW signals a path that did not fit by returning the full
// buffer size; Windows XP and later also set ERROR_INSUFFICIENT_BUFFER.
// Either sign means the buffer must grow. The caller clears the last error
// before each call so that an old code cannot keep the loop going.
bool ModulePathTruncated(uint32_t returnedLength, uint32_t bufferSize, uint32_t lastError)
{
    return returnedLength >= bufferSize || lastError == kErrorInsufficientBuffer;
}

// A file in the folder of the given executable path: everything up to and
// including the last backslash, then the file's name.
std::wstring FileBeside(const std::wstring& modulePath, const wchar_t* name)
{
    size_t slash = modulePath.rfind(L'\\');
    size_t keep = slash == std::wstring::npos ? 0 : slash + 1;
    return modulePath.substr(0, keep) + name;
}
