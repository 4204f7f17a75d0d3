#include "app/settings_file.h"

#include <string>

#include "app/app_state.h"
#include "app/messages.h"
#include "app/report_error.h"

namespace {

// The full path of the running executable, in a buffer that starts at 256
// characters and grows by 64 until the whole path fits. Reports and returns
// null when the system cannot give it.
wchar_t* GetExecutablePath()
{
    DWORD size = kModulePathFirstSize;
    for (;;) {
        wchar_t* buffer = new wchar_t[size];
        SetLastError(ERROR_SUCCESS);
        const DWORD length = GetModuleFileNameW(nullptr, buffer, size);
        const DWORD error = GetLastError();
        if (length == 0) {
            delete[] buffer;
            ReportError(nullptr, kMsgModuleFileName, error);
            return nullptr;
        }
        if (!ModulePathTruncated(length, size, error))
            return buffer;
        delete[] buffer;
        size += kModulePathGrowth;
    }
}

bool BuildSettingsPath()
{
    wchar_t* modulePath = GetExecutablePath();
    if (modulePath == nullptr)
        return false;
    const std::wstring path = FileBeside(modulePath, kSettingsFileName);
    delete[] modulePath;
    g_app.settingsPath = new wchar_t[path.size() + 1];
    path.copy(g_app.settingsPath, path.size());
    g_app.settingsPath[path.size()] = L'\0';
    return true;
}

std::wstring TemporaryPath()
{
    return FileBeside(g_app.settingsPath, kSettingsTempFileName);
}

// Writes the 32 bytes into a file and through to the disk. Returns the
// system error code, or 0 when the file is complete; created tells whether
// the file could be opened at all.
DWORD WriteRecordFile(const wchar_t* path, const uint8_t (&bytes)[kSettingsFileSize], bool& created)
{
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    created = file != INVALID_HANDLE_VALUE;
    if (!created)
        return GetLastError();
    DWORD written = 0;
    DWORD error = ERROR_SUCCESS;
    if (!WriteFile(file, bytes, kSettingsFileSize, &written, nullptr))
        error = GetLastError();
    else if (written != kSettingsFileSize)
        error = ERROR_WRITE_FAULT;
    else if (!FlushFileBuffers(file))
        error = GetLastError();
    CloseHandle(file);
    return error;
}

// Reads the first 32 bytes of a record file. Returns the system error code,
// or 0; count tells how many bytes came, and size how long the file is.
DWORD ReadRecordFile(const wchar_t* path, uint8_t (&bytes)[kSettingsFileSize], DWORD& count, DWORD& size)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    DWORD error = ERROR_SUCCESS;
    if (!ReadFile(file, bytes, kSettingsFileSize, &count, nullptr))
        error = GetLastError();
    size = GetFileSize(file, nullptr);
    CloseHandle(file);
    return error;
}

// The new file may only take the place of the old one where the old one
// could have been overwritten in place: a read-only "tavrel.dat", or one that
// another process holds open, refuses the save as it always did. Renaming
// over a file would otherwise succeed on some file systems in both cases.
DWORD CheckSettingsFileWritable()
{
    HANDLE file = CreateFileW(g_app.settingsPath, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
    }
    CloseHandle(file);
    return ERROR_SUCCESS;
}

// Puts the complete temporary file in the place of "tavrel.dat". An
// existing file is replaced so that it keeps its own attributes and access
// rights; a missing one is simply the renamed temporary file.
//
// Some failures of the replace have already taken the old file away: with
// ERROR_UNABLE_TO_MOVE_REPLACEMENT it is gone, with
// ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 it lives on under a name of the
// system's choosing, and the new record still has its temporary name in
// both cases. Those two codes are taken at their word, whatever a look at
// the name would say: a name still waiting to be deleted, for one, answers
// "access denied", not "not found". After any other code, a "tavrel.dat"
// that is no longer there is taken as such too. The new record is then
// moved into its place, and when even that fails, the temporary file is
// kept, the only copy of the settings there is, and tempKept says so.
DWORD ReplaceSettingsFile(const std::wstring& tempPath, bool& tempKept)
{
    tempKept = false;
    DWORD error = CheckSettingsFileWritable();
    if (error != ERROR_SUCCESS)
        return error;
    if (ReplaceFileW(g_app.settingsPath, tempPath.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                     nullptr))
        return ERROR_SUCCESS;
    error = GetLastError();
    const bool targetGone = error == ERROR_FILE_NOT_FOUND || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT ||
                            error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 ||
                            (GetFileAttributesW(g_app.settingsPath) == INVALID_FILE_ATTRIBUTES &&
                             GetLastError() == ERROR_FILE_NOT_FOUND);
    if (!targetGone)
        return error;
    if (MoveFileExW(tempPath.c_str(), g_app.settingsPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return ERROR_SUCCESS;
    error = GetLastError();
    tempKept = true;
    return error;
}

// With "tavrel.dat" missing, a complete temporary file is the record of a
// save whose replace took the old file away and could not put the new one
// in its place. Its settings are taken, and it becomes "tavrel.dat";
// anything less gives the defaults and is left alone.
void LoadLeftoverSave()
{
    ApplyDefaultSettings(g_app.settings);
    const std::wstring tempPath = TemporaryPath();
    uint8_t bytes[kSettingsFileSize] = {};
    DWORD count = 0, size = 0;
    if (ReadRecordFile(tempPath.c_str(), bytes, count, size) == ERROR_SUCCESS && size == kSettingsFileSize &&
        DecodeSettings(bytes, count, g_app.settings))
        MoveFileExW(tempPath.c_str(), g_app.settingsPath, MOVEFILE_WRITE_THROUGH);
}

} // namespace

// Builds the path of "tavrel.dat" beside the executable and reads the
// settings from it. A missing file gives the defaults and creates nothing,
// unless a save left the only copy of its record in the temporary file; a
// short file or a wrong tag gives the defaults silently. Any other failure
// to open or read is reported, and start-up then stops.
bool LoadSettings()
{
    if (!BuildSettingsPath())
        return false;
    uint8_t bytes[kSettingsFileSize] = {};
    DWORD count = 0, size = 0;
    const DWORD error = ReadRecordFile(g_app.settingsPath, bytes, count, size);
    if (error == ERROR_FILE_NOT_FOUND) {
        LoadLeftoverSave();
        return true;
    }
    if (error != ERROR_SUCCESS) {
        ReportError(nullptr, kMsgSettingsRead, error);
        return false;
    }
    // Beside a "tavrel.dat" that exists, a temporary file is what a save cut
    // short by a crash or a power failure left behind; "tavrel.dat" itself
    // is whole.
    DeleteFileW(TemporaryPath().c_str());
    DecodeSettings(bytes, count, g_app.settings);
    return true;
}

// Writes the 32 bytes of the settings. They go to a temporary file in the
// same folder first, which then replaces "tavrel.dat" in one step, so that a
// failed or interrupted save leaves the old file whole instead of truncated.
// Where the folder takes no new file, the record is written in place, as
// the only way left. The temporary file is removed on every failure but
// one: when it has become the only copy of the settings, it stays for the
// next start, and the report says so. The settings stay in force in memory
// whatever happens; a failure is reported, owned by the given window.
bool SaveSettings(HWND owner)
{
    g_app.settings.tag = kSettingsTag;
    uint8_t bytes[kSettingsFileSize];
    EncodeSettings(g_app.settings, bytes);

    const std::wstring tempPath = TemporaryPath();
    bool created = false;
    bool tempKept = false;
    DWORD error = WriteRecordFile(tempPath.c_str(), bytes, created);
    if (!created) {
        error = WriteRecordFile(g_app.settingsPath, bytes, created);
    } else {
        if (error == ERROR_SUCCESS)
            error = ReplaceSettingsFile(tempPath, tempKept);
        if (error != ERROR_SUCCESS && !tempKept)
            DeleteFileW(tempPath.c_str());
    }
    if (error != ERROR_SUCCESS) {
        ReportError(owner, tempKept ? kMsgSettingsKeptInTemp : kMsgSettingsWrite, error);
        return false;
    }
    return true;
}

void FreeSettingsPath()
{
    if (g_app.settingsPath == nullptr)
        return;
    delete[] g_app.settingsPath;
    g_app.settingsPath = nullptr;
}
