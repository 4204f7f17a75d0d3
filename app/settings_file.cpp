#include "app/settings_file.h"

#include <string>

#include "app/app_state.h"
#include "app/messages.h"
#include "app/report_error.h"
#include "app/settings_store.h"

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

// The two files' paths and the file open for writing, for the calls below.
struct StoreFiles {
    std::wstring paths[2];
    HANDLE writing;
};

const wchar_t* PathOf(void* context, StoreFile file)
{
    return static_cast<StoreFiles*>(context)->paths[int(file)].c_str();
}

uint32_t ReadFileStart(void* context, StoreFile file, uint8_t (&bytes)[kSettingsFileSize], uint32_t& count,
                       uint64_t& length)
{
    HANDLE handle = CreateFileW(PathOf(context, file), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return GetLastError();
    DWORD error = ERROR_SUCCESS;
    DWORD got = 0;
    if (!ReadFile(handle, bytes, kSettingsFileSize, &got, nullptr))
        error = GetLastError();
    count = got;
    LARGE_INTEGER size{};
    length = GetFileSizeEx(handle, &size) ? uint64_t(size.QuadPart) : 0;
    CloseHandle(handle);
    return error;
}

uint32_t ProbeWrite(void* context, StoreFile file)
{
    HANDLE handle = CreateFileW(PathOf(context, file), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return GetLastError();
    CloseHandle(handle);
    return ERROR_SUCCESS;
}

uint32_t OpenForWriting(void* context, StoreFile file, WriteMode mode)
{
    HANDLE handle = CreateFileW(PathOf(context, file), GENERIC_WRITE, 0, nullptr,
                                mode == WriteMode::Emptied ? CREATE_ALWAYS : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return GetLastError();
    static_cast<StoreFiles*>(context)->writing = handle;
    return ERROR_SUCCESS;
}

HANDLE Writing(void* context)
{
    return static_cast<StoreFiles*>(context)->writing;
}

uint32_t WriteBytes(void* context, const uint8_t (&bytes)[kSettingsFileSize])
{
    DWORD written = 0;
    if (!WriteFile(Writing(context), bytes, kSettingsFileSize, &written, nullptr))
        return GetLastError();
    return written == kSettingsFileSize ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

uint32_t Flush(void* context)
{
    return FlushFileBuffers(Writing(context)) ? ERROR_SUCCESS : GetLastError();
}

// The file pointer stands right after the 32 bytes just written.
uint32_t SetEnd(void* context)
{
    return SetEndOfFile(Writing(context)) ? ERROR_SUCCESS : GetLastError();
}

void Close(void* context)
{
    if (Writing(context) == INVALID_HANDLE_VALUE)
        return;
    CloseHandle(Writing(context));
    static_cast<StoreFiles*>(context)->writing = INVALID_HANDLE_VALUE;
}

uint32_t Replace(void* context)
{
    return ReplaceFileW(PathOf(context, StoreFile::Record), PathOf(context, StoreFile::Temporary), nullptr,
                        REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
               ? ERROR_SUCCESS
               : GetLastError();
}

uint32_t Move(void* context)
{
    return MoveFileExW(PathOf(context, StoreFile::Temporary), PathOf(context, StoreFile::Record),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? ERROR_SUCCESS
               : GetLastError();
}

uint32_t Remove(void* context, StoreFile file)
{
    return DeleteFileW(PathOf(context, file)) ? ERROR_SUCCESS : GetLastError();
}

// The real calls, on the files beside the executable.
FileCalls RealCalls(StoreFiles& files)
{
    files.paths[int(StoreFile::Record)] = g_app.settingsPath;
    files.paths[int(StoreFile::Temporary)] = FileBeside(g_app.settingsPath, kSettingsTempFileName);
    files.writing = INVALID_HANDLE_VALUE;
    return { &files, ReadFileStart, ProbeWrite, OpenForWriting, WriteBytes, Flush, SetEnd, Close, Replace, Move,
             Remove };
}

} // namespace

// Builds the path of "tavrel.dat" beside the executable and reads the
// settings from it (see app/settings_store.cpp for what a start takes).
// A failure to read it, but for a missing file, is reported, and start-up
// then stops.
bool LoadSettings()
{
    if (!BuildSettingsPath())
        return false;
    StoreFiles files;
    const DWORD error = LoadSettingsFile(RealCalls(files), g_app.settings);
    if (error != ERROR_SUCCESS) {
        ReportError(nullptr, kMsgSettingsRead, error);
        return false;
    }
    return true;
}

// Writes the 32 bytes of the settings (see app/settings_store.cpp for how a
// save keeps a complete record on the disk at every step). The settings
// stay in force in memory whatever happens; a failure is reported, owned by
// the given window, and says so when the new record was left in the
// temporary file for the next start.
bool SaveSettings(HWND owner)
{
    g_app.settings.tag = kSettingsTag;
    uint8_t bytes[kSettingsFileSize];
    EncodeSettings(g_app.settings, bytes);
    StoreFiles files;
    bool tempKept = false;
    const DWORD error = SaveSettingsFile(RealCalls(files), bytes, tempKept);
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
