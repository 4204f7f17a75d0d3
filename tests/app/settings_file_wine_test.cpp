// The settings file on real files under Wine: the probe program runs the
// same loading and saving code as tavrel.exe, from a folder of the test's
// own, and every failure box it shows is read and closed by the test.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/error_text.h"
#include "app/messages.h"
#include "app/settings_record.h"

namespace {

std::wstring BinFolder()
{
    wchar_t path[MAX_PATH * 4];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    std::wstring s(path, n);
    return s.substr(0, s.rfind(L'\\') + 1);
}

std::vector<uint8_t> ReadBytes(const std::wstring& path)
{
    std::vector<uint8_t> bytes;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return bytes;
    uint8_t buffer[256];
    DWORD got = 0;
    while (ReadFile(f, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    CloseHandle(f);
    return bytes;
}

void WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes)
{
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(f, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(f);
}

std::vector<uint8_t> Encoded(const Settings& s)
{
    uint8_t bytes[kSettingsFileSize];
    EncodeSettings(s, bytes);
    return std::vector<uint8_t>(bytes, bytes + kSettingsFileSize);
}

std::wstring SystemText(DWORD code)
{
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring s = text ? text : L"";
    if (text)
        LocalFree(text);
    return s;
}

struct BoxSearch {
    DWORD pid;
    HWND box;
};

BOOL CALLBACK FindBox(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<BoxSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    wchar_t cls[16] = {};
    GetClassNameW(window, cls, 16);
    if (pid == search->pid && std::wstring(cls) == L"#32770" && IsWindowVisible(window)) {
        search->box = window;
        return FALSE;
    }
    return TRUE;
}

struct ProbeRun {
    DWORD exitCode = STILL_ACTIVE;
    std::vector<std::wstring> boxes;  // "caption|text" of every box shown
};

// Runs the probe and answers every message box it shows with OK, keeping
// what each box said.
ProbeRun RunProbe(const std::wstring& exe, const std::wstring& args)
{
    ProbeRun run;
    std::wstring command = L"\"" + exe + L"\" " + args;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        ADD_FAILURE() << "cannot start the probe, error " << GetLastError();
        return run;
    }
    for (int waited = 0; waited < 20000; waited += 50) {
        if (WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0)
            break;
        BoxSearch search{ pi.dwProcessId, nullptr };
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
        if (search.box == nullptr)
            continue;
        wchar_t caption[64] = {}, text[1024] = {};
        GetWindowTextW(search.box, caption, 64);
        GetDlgItemTextW(search.box, 0xFFFF, text, 1024);
        run.boxes.push_back(std::wstring(caption) + L"|" + text);
        PostMessageW(search.box, WM_COMMAND, IDOK, 0);
        Sleep(200);
    }
    if (WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the probe did not end";
        TerminateProcess(pi.hProcess, 99);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    GetExitCodeProcess(pi.hProcess, &run.exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return run;
}

std::wstring AsShown(const std::wstring& caption, const std::wstring& text)
{
    return caption + L"|" + text;
}

std::wstring Trimmed(std::wstring s)
{
    while (!s.empty() && (s.back() == L'\n' || s.back() == L'\r'))
        s.pop_back();
    return s;
}

class SettingsFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        std::string name = info->name();
        root_ = BinFolder() + L"testtmp\\settings_" + std::wstring(name.begin(), name.end()) + L"\\";
        RemoveFolder(root_);
        CreateFolders(root_);
        Place(root_);
    }

    void TearDown() override { RemoveFolder(root_); }

    void Place(const std::wstring& folder)
    {
        folder_ = folder;
        probe_ = folder + L"settings_probe.exe";
        ASSERT_TRUE(CopyFileW((BinFolder() + L"settings_probe.exe").c_str(), probe_.c_str(), FALSE))
            << "error " << GetLastError();
    }

    static void CreateFolders(const std::wstring& path)
    {
        for (size_t i = path.find(L'\\', 3); i != std::wstring::npos; i = path.find(L'\\', i + 1))
            CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
    }

    static void RemoveFolder(const std::wstring& folder)
    {
        WIN32_FIND_DATAW found;
        HANDLE h = FindFirstFileW((folder + L"*").c_str(), &found);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                std::wstring name = found.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                std::wstring path = folder + name;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    RemoveFolder(path + L"\\");
                } else {
                    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                    DeleteFileW(path.c_str());
                }
            } while (FindNextFileW(h, &found));
            FindClose(h);
        }
        RemoveDirectoryW(folder.c_str());
    }

    std::wstring Dat() const { return folder_ + L"tavrel.dat"; }

    std::vector<std::wstring> Files() const
    {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found;
        HANDLE h = FindFirstFileW((folder_ + L"*").c_str(), &found);
        if (h == INVALID_HANDLE_VALUE)
            return names;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names.push_back(found.cFileName);
        } while (FindNextFileW(h, &found));
        FindClose(h);
        return names;
    }

    // The seven numbers the probe ended with.
    std::vector<long> Result() const
    {
        std::vector<long> values;
        std::vector<uint8_t> text = ReadBytes(folder_ + L"probe.out");
        std::string s(text.begin(), text.end());
        size_t pos = 0;
        while (pos < s.size()) {
            size_t end = s.find('\n', pos);
            values.push_back(long(std::stoll(s.substr(pos, end - pos))));
            pos = end + 1;
        }
        return values;
    }

    std::wstring root_;
    std::wstring folder_;
    std::wstring probe_;
};

const Settings kStored = { kSettingsTag, -500, 40, 400, 120, 0x00102030, 0x00F0E0D0, 0x00336699 };

TEST_F(SettingsFileTest, MissingFileGivesTheDefaultsAndCreatesNothing)
{
    ProbeRun run = RunProbe(probe_, L"load");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ(Result(), (std::vector<long>{ 0, 0, 315, 200, 0x000000, 0xFFFFFF, 0x000000 }));
    EXPECT_EQ(GetFileAttributesW(Dat().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SettingsFileTest, StoredFileIsReadAsItIs)
{
    WriteBytes(Dat(), Encoded(kStored));
    ProbeRun run = RunProbe(probe_, L"load");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(Result(), (std::vector<long>{ -500, 40, 400, 120, 0x102030, 0xF0E0D0, 0x336699 }));
}

TEST_F(SettingsFileTest, FileHeldOpenWithoutSharingGivesTheReadingMessage)
{
    WriteBytes(Dat(), Encoded(kStored));
    HANDLE held = CreateFileW(Dat().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ProbeRun run = RunProbe(probe_, L"load");
    CloseHandle(held);

    EXPECT_EQ(run.exitCode, 1u);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0], AsShown(kAppCaption, ComposeErrorText(kMsgSettingsRead, SystemText(ERROR_SHARING_VIOLATION).c_str())));
    EXPECT_FALSE(Trimmed(SystemText(ERROR_SHARING_VIOLATION)).empty());
}

TEST_F(SettingsFileTest, SaveWritesExactlyTheRecordBytes)
{
    ProbeRun run = RunProbe(probe_, L"save -7 9 500 260 0x0000FF 0x00EEDDCC 0x00010203");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.boxes.empty());
    const Settings expected = { kSettingsTag, -7, 9, 500, 260, 0x0000FF, 0xEEDDCC, 0x010203 };
    const std::vector<uint8_t> bytes = ReadBytes(Dat());
    ASSERT_EQ(bytes.size(), 32u);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4), (std::vector<uint8_t>{ 0x2A, 0xAA, 0x01, 0x00 }));
    EXPECT_EQ(bytes, Encoded(expected));
    // Nothing else is left beside it: the temporary file took its place.
    EXPECT_EQ(Files(), (std::vector<std::wstring>{ L"probe.out", L"settings_probe.exe", L"tavrel.dat" }));
}

TEST_F(SettingsFileTest, SaveReplacesALongerOldFileWhole)
{
    std::vector<uint8_t> old = Encoded(kStored);
    old.resize(100, 0xEE);
    WriteBytes(Dat(), old);
    ProbeRun run = RunProbe(probe_, L"save 1 2 300 150 0 0xFFFFFF 0");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(ReadBytes(Dat()).size(), 32u);
}

// A read-only file and a file another process holds open both refuse the
// save after the new bytes were already written to the temporary file: the
// old file stays whole and the temporary file is gone.
TEST_F(SettingsFileTest, RefusedSaveKeepsTheOldFileWhole)
{
    struct Case {
        const char* name;
        DWORD code;
        bool readOnly;
    } cases[] = {
        { "read-only", ERROR_ACCESS_DENIED, true },
        { "held open by another process", ERROR_SHARING_VIOLATION, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetFileAttributesW(Dat().c_str(), FILE_ATTRIBUTE_NORMAL);
        WriteBytes(Dat(), Encoded(kStored));
        HANDLE held = INVALID_HANDLE_VALUE;
        if (c.readOnly)
            SetFileAttributesW(Dat().c_str(), FILE_ATTRIBUTE_READONLY);
        else
            held = CreateFileW(Dat().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);

        ProbeRun run = RunProbe(probe_, L"save 1 2 300 150 0 0xFFFFFF 0");
        if (held != INVALID_HANDLE_VALUE)
            CloseHandle(held);

        EXPECT_EQ(run.exitCode, 1u);
        ASSERT_EQ(run.boxes.size(), 1u);
        EXPECT_EQ(run.boxes[0], AsShown(kAppCaption, ComposeErrorText(kMsgSettingsWrite, SystemText(c.code).c_str())));
        EXPECT_EQ(ReadBytes(Dat()), Encoded(kStored));
        EXPECT_EQ(Files(), (std::vector<std::wstring>{ L"probe.out", L"settings_probe.exe", L"tavrel.dat" }));
    }
}

} // namespace
