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

// Writes the 32 bytes into a file, opened with the given disposition, and
// through to the disk. Returns the system error code, or 0 when the file is
// complete; created tells whether the file could be opened at all.
DWORD WriteRecordFile(const wchar_t* path, DWORD disposition, const uint8_t (&bytes)[kSettingsFileSize], bool& created)
{
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
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

// With "tavrel.dat" missing, a complete temporary file (32 bytes with a
// valid tag) is the record of a save whose replace took the old file away
// and could not put the new one in its place: the last settings on disk.
// Returns whether there is one, with its settings, after trying to make it
// "tavrel.dat"; inPlace tells whether that worked. Anything less is left
// alone, and gives settings nothing but, at most, the defaults.
bool TakeLeftoverSave(const std::wstring& tempPath, Settings& settings, bool& inPlace)
{
    inPlace = false;
    uint8_t bytes[kSettingsFileSize] = {};
    DWORD count = 0, size = 0;
    if (ReadRecordFile(tempPath.c_str(), bytes, count, size) != ERROR_SUCCESS || size != kSettingsFileSize ||
        !DecodeSettings(bytes, count, settings))
        return false;
    inPlace = MoveFileExW(tempPath.c_str(), g_app.settingsPath, MOVEFILE_WRITE_THROUGH) != FALSE;
    return true;
}

// A start without "tavrel.dat" takes the settings of a leftover save, or
// else the defaults.
void LoadLeftoverSave()
{
    ApplyDefaultSettings(g_app.settings);
    bool inPlace = false;
    TakeLeftoverSave(TemporaryPath(), g_app.settings, inPlace);
}

// Whether the temporary file holds a leftover save that a start would take
// and that still cannot be made "tavrel.dat": then it is the only complete
// record on disk, and a save must leave it as it is. Any failure to open
// "tavrel.dat", not only "not found", lets the temporary file be looked at:
// a name that is still there after all only makes the save that follows
// fail before it has written anything.
bool LeftoverSaveStuck(const std::wstring& tempPath)
{
    uint8_t bytes[kSettingsFileSize] = {};
    DWORD count = 0, size = 0;
    if (ReadRecordFile(g_app.settingsPath, bytes, count, size) == ERROR_SUCCESS)
        return false;
    Settings leftover{};
    bool inPlace = false;
    return TakeLeftoverSave(tempPath, leftover, inPlace) && !inPlace;
}

// Writes the new record as "tavrel.dat" itself while a stuck leftover save
// in the temporary file is the only complete record on disk. The name is
// free, so a failed write loses nothing there; the file this write created
// and could not finish is removed again, or the next start would take it
// over the leftover save. The temporary file goes only once "tavrel.dat" is
// complete. Returns the system error code, or 0.
DWORD WriteBesideLeftoverSave(const std::wstring& tempPath, const uint8_t (&bytes)[kSettingsFileSize])
{
    bool created = false;
    const DWORD error = WriteRecordFile(g_app.settingsPath, CREATE_NEW, bytes, created);
    if (error == ERROR_SUCCESS)
        DeleteFileW(tempPath.c_str());
    else if (created)
        DeleteFileW(g_app.settingsPath);
    return error;
}

// Writes the new record to the temporary file and puts that in the place of
// "tavrel.dat"; where the folder takes no new file, writes "tavrel.dat" in
// place. The temporary file is removed on every failure but the one that
// tempKept tells of. Returns the system error code, or 0.
DWORD WriteThroughTemporaryFile(const std::wstring& tempPath, const uint8_t (&bytes)[kSettingsFileSize],
                                bool& tempKept)
{
    bool created = false;
    DWORD error = WriteRecordFile(tempPath.c_str(), CREATE_ALWAYS, bytes, created);
    if (!created)
        return WriteRecordFile(g_app.settingsPath, CREATE_ALWAYS, bytes, created);
    if (error == ERROR_SUCCESS)
        error = ReplaceSettingsFile(tempPath, tempKept);
    if (error != ERROR_SUCCESS && !tempKept)
        DeleteFileW(tempPath.c_str());
    return error;
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
// next start, and the report says so. Such a record is given up only for a
// newer complete one: the next save first makes it "tavrel.dat", as a start
// would, and where that still fails, writes "tavrel.dat" beside it. A failed
// write there keeps the older settings on disk but not the new ones, so it
// is reported as a plain write error. The settings stay in force in memory
// whatever happens; a failure is reported, owned by the given window.
bool SaveSettings(HWND owner)
{
    g_app.settings.tag = kSettingsTag;
    uint8_t bytes[kSettingsFileSize];
    EncodeSettings(g_app.settings, bytes);

    const std::wstring tempPath = TemporaryPath();
    bool tempKept = false;
    const DWORD error = LeftoverSaveStuck(tempPath) ? WriteBesideLeftoverSave(tempPath, bytes)
                                                    : WriteThroughTemporaryFile(tempPath, bytes, tempKept);
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
