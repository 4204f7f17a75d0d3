// The tray icon of the running tavrel.exe and its popup menu.
//
// Wine 8 on an X display without a system tray shows the notification area
// as a small window of its own ("Wine System Tray") with a child window per
// icon; a click there reaches the program as the shell's callback message,
// as on Windows. The tests click the icon there. Where no such window can
// be found (a desktop with a real X system tray), they send the callback
// that the shell would send for the button release instead.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/win_test_support.h"
#include "tools/standin_shell/standin_shell_protocol.h"

using namespace wine_test;

namespace {

const COLORREF kWallpaper = WallpaperColor();

// Where the cursor rests while the program starts.
constexpr POINT kRestingCursor = {1100, 900};

// Runs one test with the program running on the classic desktop.
class TrayIcon : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(FindWindowW(kMainClass, nullptr), nullptr) << "a Tavrel of an earlier test still runs";
        ASSERT_TRUE(folder_.Ready());
        ASSERT_TRUE(shell_.Start({standin_shell::kOptionLayoutClassic}));
        settings_ = DistinctiveSettings(400, 420, 315, 200);
        ASSERT_TRUE(folder_.WriteSettings(settings_));
        ASSERT_TRUE(MoveCursorTo(kRestingCursor));
        ASSERT_TRUE(tavrel_.Start(folder_));
        ASSERT_NE(tavrel_.WaitForEyeWindow(), nullptr) << "no eye window appeared; " << tavrel_.Describe();
        main_ = tavrel_.MainWindow();
        ASSERT_NE(main_, nullptr);
        ASSERT_TRUE(WaitFor([&] { return TrayIconExists(main_); })) << "no tray icon";
    }

    // Releases a button on the icon and waits for the popup menu; returns
    // it and where the cursor was.
    HWND OpenMenu(bool rightButton, POINT* cursor)
    {
        ClickTrayIcon(main_, rightButton);
        *cursor = CursorPos();
        HWND menu = nullptr;
        WaitFor([&] { return (menu = FindPopupMenu(tavrel_.Id())) != nullptr; });
        return menu;
    }

    TestFolder folder_;
    StandinShell shell_;
    Settings settings_ = {};
    TavrelProcess tavrel_;
    HWND main_ = nullptr;
};

// The button whose release a test makes on the icon.
class TrayButton : public TrayIcon, public testing::WithParamInterface<bool> {};

std::string ButtonName(const testing::TestParamInfo<bool>& info)
{
    return info.param ? "RightButton" : "LeftButton";
}

// A release of either button opens the menu with its top-left corner at
// the cursor; Escape dismisses it and leaves neither the menu nor its
// hidden owner window behind, and the program runs on.
TEST_P(TrayButton, ReleaseOpensTheMenuAtTheCursor)
{
    POINT cursor;
    const HWND menu = OpenMenu(GetParam(), &cursor);
    ASSERT_NE(menu, nullptr) << "no popup menu appeared";
    RECT rect;
    GetWindowRect(menu, &rect);
    // Under Wine the test moves the cursor with a one-pixel nudge (see
    // MoveCursorTo), so the program may have read it a pixel away.
    EXPECT_NEAR(rect.left, cursor.x, 1);
    EXPECT_NEAR(rect.top, cursor.y, 1);
    EXPECT_NE(FindWindowOfProcess(tavrel_.Id(), kWorkClass), nullptr) << "the menu has no owner window";

    PressKey(VK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] { return FindPopupMenu(tavrel_.Id()) == nullptr; })) << "the menu stayed open";
    EXPECT_TRUE(WaitFor([&] { return FindWindowOfProcess(tavrel_.Id(), kWorkClass) == nullptr; }))
        << "the menu's owner window was left behind";
    EXPECT_TRUE(tavrel_.Running());
    EXPECT_TRUE(TrayIconExists(main_));
    const std::vector<std::string> mismatches = WaitForScreen(EyeExpectations(settings_, CursorPos(), kWallpaper));
    EXPECT_TRUE(mismatches.empty()) << JoinLines(mismatches);
}

INSTANTIATE_TEST_SUITE_P(Buttons, TrayButton, testing::Bool(), ButtonName);

// Button presses, double clicks and movements over the icon open nothing:
// the program answers each notification at once, without entering a
// menu's modal loop.
TEST_F(TrayIcon, OtherNotificationsOpenNothing)
{
    const UINT notifications[] = {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK,
                                  WM_MBUTTONUP};
    for (UINT notification : notifications) {
        SCOPED_TRACE(notification);
        EXPECT_TRUE(SendMessageTimeoutW(main_, WM_APP, 1, notification, SMTO_ABORTIFHUNG, 5000, nullptr))
            << "the notification did not return";
        EXPECT_EQ(FindPopupMenu(tavrel_.Id()), nullptr);
        EXPECT_EQ(FindWindowOfProcess(tavrel_.Id(), kWorkClass), nullptr);
    }
    EXPECT_TRUE(tavrel_.Running());
}

// Quit, chosen with its access key, ends the program with exit code 0; the
// tray icon and the eyes disappear and nothing brings them back.
TEST_F(TrayIcon, QuitEndsTheProgram)
{
    POINT cursor;
    ASSERT_NE(OpenMenu(false, &cursor), nullptr) << "no popup menu appeared";
    PressKey('Q');

    DWORD exitCode = 1;
    ASSERT_TRUE(tavrel_.WaitForExit(kDefaultTimeoutMs, &exitCode)) << "the program did not end";
    EXPECT_EQ(exitCode, 0u);
    // Wine drops the icons of a destroyed window by itself, so on Wine this
    // cannot tell whether the program removed its icon.
    EXPECT_FALSE(TrayIconExists(main_));
    const std::vector<std::string> mismatches = WaitForScreen(NoEyeExpectations(settings_, kWallpaper));
    EXPECT_TRUE(mismatches.empty()) << JoinLines(mismatches);
}

} // namespace
