// ReportError's box, seen from outside: caption, text and its OK button.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/error_text.h"
#include "app/messages.h"
#include "app/report_error.h"

namespace {

struct Seen {
    std::wstring caption;
    std::wstring text;
    LONG_PTR style = 0;
    bool hasCancel = true;
};

Seen g_seen;

// Runs on a timer inside the box's own modal loop: reads the box and
// presses its OK button.
void CALLBACK ReadAndCloseBox(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND box = nullptr;
    while ((box = FindWindowExW(nullptr, box, L"#32770", nullptr)) != nullptr) {
        DWORD pid = 0;
        GetWindowThreadProcessId(box, &pid);
        if (pid == GetCurrentProcessId() && IsWindowVisible(box))
            break;
    }
    if (box == nullptr)
        return;
    KillTimer(nullptr, timer);
    wchar_t caption[64] = {}, text[1024] = {};
    GetWindowTextW(box, caption, 64);
    GetDlgItemTextW(box, 0xFFFF, text, 1024);
    g_seen.caption = caption;
    g_seen.text = text;
    g_seen.hasCancel = GetDlgItem(box, IDCANCEL) != nullptr && IsWindowVisible(GetDlgItem(box, IDCANCEL));
    SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
}

Seen Report(const wchar_t* text, DWORD code)
{
    g_seen = Seen();
    SetTimer(nullptr, 0, 100, ReadAndCloseBox);
    ReportError(nullptr, text, code);
    return g_seen;
}

TEST(ReportError, CodeZeroShowsTheSentenceAlone)
{
    Seen seen = Report(kMsgEyeWindow, 0);
    EXPECT_EQ(seen.caption, kAppCaption);
    EXPECT_EQ(seen.text, kMsgEyeWindow);
    EXPECT_FALSE(seen.hasCancel);
}

TEST(ReportError, SystemCodeAddsTheSystemTextOnItsOwnLine)
{
    wchar_t* system = nullptr;
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   ERROR_ACCESS_DENIED, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&system), 0,
                   nullptr);
    ASSERT_NE(system, nullptr);
    const std::wstring expected = ComposeErrorText(kMsgSettingsWrite, system);
    LocalFree(system);

    Seen seen = Report(kMsgSettingsWrite, ERROR_ACCESS_DENIED);
    EXPECT_EQ(seen.caption, kAppCaption);
    EXPECT_EQ(seen.text, expected);
    EXPECT_EQ(seen.text.find(std::wstring(kMsgSettingsWrite) + L"\n"), 0u);
}

TEST(ReportError, CodeWithoutSystemTextShowsTheSentenceAlone)
{
    Seen seen = Report(kMsgMainWindow, 0x2FFFFFFF);
    EXPECT_EQ(seen.caption, kAppCaption);
    EXPECT_EQ(seen.text, kMsgMainWindow);
}

} // namespace
