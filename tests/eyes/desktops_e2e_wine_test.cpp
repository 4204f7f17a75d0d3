// The running tavrel.exe when the desktop shell itself goes away and comes
// back: a fresh shell with a fresh "Progman", and a notification area that
// lost its icons and announces itself with "TaskbarCreated".
//
// Two kinds of desktop cannot be played here. Wine 8 does not scale a
// program that declares no DPI awareness: with LogPixels at 144 it reports
// 144 dots per inch but gives the program the physical screen, window
// rectangles and cursor, exactly as the low-level hook sees them. And Xvfb's
// Xinerama lays all its screens at the same origin, so Wine finds no
// monitor left of or above the primary one. Negative coordinates are
// covered by the eyes partly off the screen's left edge instead.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/win_test_support.h"

using namespace wine_test;

namespace {

const COLORREF kWallpaper = WallpaperColor();

constexpr POINT kRestingCursor = {1100, 900};

std::string LayoutName(const testing::TestParamInfo<ShellLayout>& info)
{
    return info.param.name;
}

// Runs one test with the program's eyes on the stand-in's desktop, in the
// layout of the test's parameter.
class ShellRestart : public testing::TestWithParam<ShellLayout> {
protected:
    void SetUp() override
    {
        ASSERT_EQ(FindWindowW(kMainClass, nullptr), nullptr) << "a Tavrel of an earlier test still runs";
        ASSERT_TRUE(folder_.Ready());
        ASSERT_TRUE(shell_.Start({GetParam().option}));
        settings_ = DistinctiveSettings(400, 420, 315, 200);
        ASSERT_TRUE(folder_.WriteSettings(settings_));
        ASSERT_TRUE(MoveCursorTo(kRestingCursor));
        ASSERT_TRUE(tavrel_.Start(folder_));
        eye_ = tavrel_.WaitForEyeWindow();
        ASSERT_NE(eye_, nullptr) << "no eye window appeared; " << tavrel_.Describe();
    }

    // Waits until the eye window is gone, starts a fresh shell, moves the
    // cursor and expects the eyes back on the new desktop, looking at the
    // cursor.
    void ExpectEyesOnAFreshShell()
    {
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(eye_); })) << "the eye window outlived the shell";
        ASSERT_TRUE(shell_.Start({GetParam().option})) << "the fresh shell did not start";
        const POINT moved = {880, 260};
        ASSERT_TRUE(MoveCursorTo(moved));
        ASSERT_NE(tavrel_.WaitForEyeWindow(20000), nullptr) << "the eyes did not come back; " << tavrel_.Describe();
        const std::vector<std::string> mismatches = WaitForScreen(EyeExpectations(settings_, moved, kWallpaper));
        EXPECT_TRUE(mismatches.empty()) << JoinLines(mismatches);
        HWND parent = GetAncestor(tavrel_.EyeWindow(), GA_PARENT);
        EXPECT_EQ(ProcessOfWindow(parent), shell_.Process().Id()) << "the eyes are not on the fresh shell";
        EXPECT_TRUE(tavrel_.Running());
    }

    TestFolder folder_;
    StandinShell shell_;
    Settings settings_ = {};
    TavrelProcess tavrel_;
    HWND eye_ = nullptr;
};

// The shell takes its desktop down and ends, and a new one starts: its
// "Progman" is a new window, and the re-attach timers find it.
//
// The old shell destroys its layer, answers no more prompts and ends, as a
// shell that ends in order does. When Wine ends a process, it removes that process's windows
// and their children without sending WM_DESTROY to the children that
// belong to other processes, so an eye window taken along that way would
// vanish without the program hearing of it, and no re-attach timer would
// start.
TEST_P(ShellRestart, EyesReturnOnAFreshShell)
{
    shell_.SetAnswerDelay(standin_shell::kAnswerNever);
    ASSERT_GE(shell_.DestroyLayer(), 1);
    shell_.Stop();
    ExpectEyesOnAFreshShell();
}

INSTANTIATE_TEST_SUITE_P(Layouts, ShellRestart, testing::Values(kClassicLayout, kNewerLayout), LayoutName);

// Runs one test with the program running on the classic desktop.
class TaskbarRestart : public ShellRestart {};

// The notification area loses the icon, as when the shell restarts, and
// then announces itself with "TaskbarCreated": the icon is back, and its
// menu works to the end.
TEST_P(TaskbarRestart, TheIconReturnsAndItsMenuWorks)
{
    const HWND main = tavrel_.MainWindow();
    ASSERT_TRUE(WaitFor([&] { return TrayIconExists(main); }));
    ASSERT_TRUE(DeleteTrayIcon(main)) << "the icon could not be taken away";
    ASSERT_FALSE(TrayIconExists(main));

    const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    ASSERT_TRUE(SendMessageTimeoutW(main, taskbarCreated, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr));
    ASSERT_TRUE(WaitFor([&] { return TrayIconExists(main); })) << "the icon did not come back";

    ClickTrayIcon(main, false);
    ASSERT_TRUE(WaitFor([&] { return FindPopupMenu(tavrel_.Id()) != nullptr; })) << "no menu";
    PressKey('Q');
    DWORD exitCode = 1;
    ASSERT_TRUE(tavrel_.WaitForExit(kDefaultTimeoutMs, &exitCode)) << "Quit did not end the program";
    EXPECT_EQ(exitCode, 0u);
}

// "TaskbarCreated" while the icon is still there adds no second icon.
TEST_P(TaskbarRestart, AnAnnouncementWithTheIconPresentAddsNoSecond)
{
    const HWND main = tavrel_.MainWindow();
    ASSERT_TRUE(WaitFor([&] { return TrayIconExists(main); }));
    const int icons = VisibleTrayIconCount();
    const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    ASSERT_TRUE(SendMessageTimeoutW(main, taskbarCreated, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr));
    EXPECT_TRUE(TrayIconExists(main));
    EXPECT_EQ(VisibleTrayIconCount(), icons);
    EXPECT_TRUE(tavrel_.Running());
}

INSTANTIATE_TEST_SUITE_P(Classic, TaskbarRestart, testing::Values(kClassicLayout), LayoutName);

} // namespace
