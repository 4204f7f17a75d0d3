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
#include "tests/support/settings_ui_support.h"
#include "tests/support/win_test_support.h"

using wine_test::BinFolder;
using wine_test::FindMessageBox;
using wine_test::MessageBoxText;
using wine_test::PressOk;
using wine_test::SystemErrorText;
using settings_ui_test::FileBytes;

namespace {

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

struct ProbeRun {
    DWORD exitCode = STILL_ACTIVE;
    std::vector<std::wstring> boxes;  // the text of every "Tavrel" box shown
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
        HWND box = FindMessageBox(pi.dwProcessId);
        if (box == nullptr)
            continue;
        run.boxes.push_back(MessageBoxText(box));
        PressOk(box);
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

class SettingsFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        std::string name = info->name();
        root_ = BinFolder() + L"\\testtmp\\settings_" + std::wstring(name.begin(), name.end()) + L"\\";
        RemoveFolder(root_);
        CreateFolders(root_);
        Place(root_);
    }

    void TearDown() override { RemoveFolder(root_); }

    void Place(const std::wstring& folder)
    {
        folder_ = folder;
        probe_ = folder + L"settings_probe.exe";
        ASSERT_TRUE(CopyFileW((BinFolder() + L"\\settings_probe.exe").c_str(), probe_.c_str(), FALSE))
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
        std::vector<uint8_t> text = FileBytes(folder_ + L"probe.out");
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
    EXPECT_EQ(run.boxes[0], ComposeErrorText(kMsgSettingsRead, SystemErrorText(ERROR_SHARING_VIOLATION).c_str()));
    EXPECT_FALSE(SystemErrorText(ERROR_SHARING_VIOLATION).empty());
}

TEST_F(SettingsFileTest, SaveWritesExactlyTheRecordBytes)
{
    ProbeRun run = RunProbe(probe_, L"save -7 9 500 260 0x0000FF 0x00EEDDCC 0x00010203");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.boxes.empty());
    const Settings expected = { kSettingsTag, -7, 9, 500, 260, 0x0000FF, 0xEEDDCC, 0x010203 };
    const std::vector<uint8_t> bytes = FileBytes(Dat());
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
    EXPECT_EQ(FileBytes(Dat()).size(), 32u);
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
        EXPECT_EQ(run.boxes[0], ComposeErrorText(kMsgSettingsWrite, SystemErrorText(c.code).c_str()));
        EXPECT_EQ(FileBytes(Dat()), Encoded(kStored));
        EXPECT_EQ(Files(), (std::vector<std::wstring>{ L"probe.out", L"settings_probe.exe", L"tavrel.dat" }));
    }
}

} // namespace
