// The running tavrel.exe on a desktop played by the stand-in shell: where
// the eyes appear and where they sit in the window tree, how the pupils
// follow the cursor, what happens when the shell takes the wallpaper layer
// away, and how the program starts and refuses to start.
//
// Wine draws a layered child window as an X window of its own, above every
// other window, so the desktop icons can never be seen covering the eyes
// there. That the eyes sit between the wallpaper and the icons is checked
// through the window tree instead.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/messages.h"
#include "tests/support/win_test_support.h"
#include "tools/standin_shell/standin_shell_protocol.h"

using namespace wine_test;

namespace {

const COLORREF kWallpaper = WallpaperColor();

std::string LayoutName(const testing::TestParamInfo<ShellLayout>& info)
{
    return info.param.name;
}

// A cursor position of a gaze table, with what it stands for.
struct Gaze {
    POINT cursor;
    const char* what;
};

// A place for the cursor that is off the eyes and off the icons, for the
// moments when the test does not care where the eyes look.
constexpr POINT kRestingCursor = {1100, 900};

// Runs one test on a desktop of the stand-in shell: a folder with its own
// copy of the program, the shell in the layout of the test's parameter, and
// the program itself.
class EyesOnDesktop : public testing::TestWithParam<ShellLayout> {
protected:
    void SetUp() override
    {
        ASSERT_EQ(FindWindowW(kMainClass, nullptr), nullptr) << "a Tavrel of an earlier test still runs";
        ASSERT_TRUE(folder_.Ready());
        ASSERT_TRUE(shell_.Start({GetParam().option})) << "the stand-in shell did not start";
    }

    // Writes the settings, rests the cursor at `cursor`, starts the program
    // and waits until its eyes are on screen.
    void StartWithEyes(const Settings& settings, POINT cursor)
    {
        settings_ = settings;
        ASSERT_TRUE(folder_.WriteSettings(settings));
        ASSERT_TRUE(MoveCursorTo(cursor));
        ASSERT_TRUE(tavrel_.Start(folder_));
        ASSERT_NE(tavrel_.WaitForEyeWindow(), nullptr)
            << "no eye window appeared; " << tavrel_.Describe() << "\nthe shell is process " << shell_.Process().Id();
    }

    // Expects the eyes on screen, looking at `cursor`.
    void ExpectEyesLookingAt(POINT cursor)
    {
        const std::vector<std::string> mismatches = WaitForScreen(EyeExpectations(settings_, cursor, kWallpaper));
        EXPECT_TRUE(mismatches.empty()) << "cursor (" << cursor.x << ", " << cursor.y << ")\n" << JoinLines(mismatches);
    }

    // Moves the cursor through a gaze table and checks each position.
    void CheckGazeTable(const std::vector<Gaze>& table)
    {
        for (const Gaze& gaze : table) {
            SCOPED_TRACE(gaze.what);
            ASSERT_TRUE(MoveCursorTo(gaze.cursor));
            ExpectEyesLookingAt(gaze.cursor);
        }
    }

    TestFolder folder_;
    StandinShell shell_;
    Settings settings_ = {};
    TavrelProcess tavrel_;
};

// The eyes with distinctive colours land at the settings' rectangle: the
// outline, the white and the pupils where they belong, and the wallpaper
// around the eyes, in the window's corners and between the eyes.
TEST_P(EyesOnDesktop, AppearWhereTheSettingsPutThem)
{
    const Settings settings = DistinctiveSettings(400, 420, 315, 200);
    ASSERT_NO_FATAL_FAILURE(StartWithEyes(settings, kRestingCursor));
    RECT rect;
    GetWindowRect(tavrel_.EyeWindow(), &rect);
    EXPECT_EQ(rect.left, settings.x);
    EXPECT_EQ(rect.top, settings.y);
    EXPECT_EQ(rect.right - rect.left, settings.width);
    EXPECT_EQ(rect.bottom - rect.top, settings.height);
    ExpectEyesLookingAt(kRestingCursor);
}

// Checks the classic place: the eye window is a child of the layer directly
// above "Progman", and the window directly above that layer holds the icon
// view.
void ExpectClassicPlace(HWND eye, const StandinShell& shell)
{
    const HWND layer = GetWindow(shell.Progman(), GW_HWNDPREV);
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(GetAncestor(eye, GA_PARENT), layer);
    EXPECT_EQ(layer, shell.Layer()) << "the window above Progman is not the stand-in's wallpaper layer";
    const HWND above = GetWindow(layer, GW_HWNDPREV);
    ASSERT_NE(above, nullptr);
    EXPECT_NE(FindWindowExW(above, nullptr, L"SHELLDLL_DefView", nullptr), nullptr)
        << "the window above the layer holds no icon view";
}

// Checks the newer place: the eye window is a child of "Progman", directly
// below the icon view among Progman's children, and never inside the icon
// view.
void ExpectNewerPlace(HWND eye, const StandinShell& shell, bool withWorkerW)
{
    const HWND defView = shell.DefView();
    ASSERT_NE(defView, nullptr);
    EXPECT_EQ(GetAncestor(defView, GA_PARENT), shell.Progman());
    EXPECT_EQ(GetAncestor(eye, GA_PARENT), shell.Progman());
    EXPECT_NE(GetAncestor(eye, GA_PARENT), defView);
    EXPECT_EQ(GetWindow(eye, GW_HWNDPREV), defView) << "the window above the eyes is not the icon view";
    const HWND below = GetWindow(eye, GW_HWNDNEXT);
    if (withWorkerW) {
        EXPECT_EQ(below, shell.Layer()) << "the wallpaper's WorkerW is not directly below the eyes";
    } else {
        EXPECT_EQ(below, nullptr) << "a window lies below the eyes: " << Narrow(ClassOf(below));
    }
}

// The eye window sits between the wallpaper and the icons, in the window
// tree that the shell's layout gives.
TEST_P(EyesOnDesktop, SitBetweenTheWallpaperAndTheIcons)
{
    ASSERT_NO_FATAL_FAILURE(StartWithEyes(DistinctiveSettings(400, 420, 315, 200), kRestingCursor));
    const HWND eye = tavrel_.EyeWindow();
    EXPECT_TRUE(GetWindowLongW(eye, GWL_STYLE) & WS_CHILD);
    if (!GetParam().newer)
        ExpectClassicPlace(eye, shell_);
    else
        ExpectNewerPlace(eye, shell_, GetParam().workerW);
}

// The gaze table at the default size, at a non-zero y: on each eye's
// centre, inside each eye, far away in every direction, and between the
// eyes.
TEST_P(EyesOnDesktop, PupilsFollowTheCursorAtTheDefaultSize)
{
    const Settings settings = DistinctiveSettings(400, 300, 315, 200);
    ASSERT_NO_FATAL_FAILURE(StartWithEyes(settings, kRestingCursor));
    CheckGazeTable({
        {{475, 400}, "on the left eye's centre"},
        {{640, 400}, "on the right eye's centre"},
        {{490, 410}, "inside the left eye"},
        {{625, 385}, "inside the right eye"},
        {{10, 400}, "far left"},
        {{1270, 400}, "far right"},
        {{557, 5}, "far up"},
        {{557, 1015}, "far down"},
        {{1270, 10}, "far up and right"},
        {{30, 1015}, "far down and left"},
        {{557, 400}, "between the eyes"},
        {{557, 330}, "between the eyes, higher"},
    });
}

// The gaze table at the smallest size, with the window at the screen's top
// edge, where the pupils have the least room.
TEST_P(EyesOnDesktop, PupilsFollowTheCursorAtTheSmallestSize)
{
    const Settings settings = DistinctiveSettings(700, 0, 84, 40);
    ASSERT_NO_FATAL_FAILURE(StartWithEyes(settings, kRestingCursor));
    CheckGazeTable({
        {{720, 20}, "on the left eye's centre"},
        {{764, 20}, "on the right eye's centre"},
        {{723, 23}, "inside the left eye"},
        {{761, 17}, "inside the right eye"},
        {{5, 20}, "far left"},
        {{1275, 20}, "far right"},
        {{742, 0}, "up, at the screen's edge"},
        {{742, 1000}, "far down"},
        {{200, 900}, "far down and left"},
        {{742, 20}, "between the eyes"},
    });
}

// A window at x = -500 lies partly off the screen: the visible right eye is
// drawn in place and follows the cursor; the left eye is off screen.
TEST_P(EyesOnDesktop, PupilsFollowTheCursorInAWindowPartlyOffScreen)
{
    const Settings settings = DistinctiveSettings(-500, 500, 800, 240);
    ASSERT_NO_FATAL_FAILURE(StartWithEyes(settings, kRestingCursor));
    CheckGazeTable({
        {{109, 620}, "on the right eye's centre"},
        {{140, 600}, "inside the right eye"},
        {{0, 620}, "at the screen's left edge"},
        {{1270, 620}, "far right"},
        {{109, 5}, "far up"},
        {{109, 1015}, "far down"},
    });
}

INSTANTIATE_TEST_SUITE_P(Layouts, EyesOnDesktop,
                         testing::Values(kClassicLayout, kNewerLayout, kNewerNoRedirectionLayout), LayoutName);

// The shell taking its wallpaper layer away, and the program's timers
// bringing the eyes back.
class LayerRebuilt : public EyesOnDesktop {
protected:
    // Shows the eyes, then lets the shell destroy the layer (and the eyes
    // with it) and waits until the eye window is gone.
    void LoseTheLayer(long answerDelay)
    {
        ASSERT_NO_FATAL_FAILURE(StartWithEyes(DistinctiveSettings(400, 420, 315, 200), kRestingCursor));
        ExpectEyesLookingAt(kRestingCursor);
        const HWND eye = tavrel_.EyeWindow();
        shell_.SetAnswerDelay(answerDelay);
        promptsBefore_ = shell_.PromptCount();
        ASSERT_GE(shell_.DestroyLayer(), 1);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(eye); })) << "the eye window outlived its layer";
    }

    // Asks for the layer as the shell's own rebuild would bring it back.
    void RebuildTheLayer()
    {
        SendMessageTimeoutW(shell_.Progman(), standin_shell::kSpawnLayerMessage, 13, 1, SMTO_ABORTIFHUNG, 5000,
                            nullptr);
        ASSERT_TRUE(WaitFor([&] { return shell_.Layer() != nullptr; }));
    }

    int promptsBefore_ = 0;
};

// The layer is back within a second: the first timer re-attaches the eyes,
// and they are drawn at the cursor of that moment, not of the loss.
TEST_P(LayerRebuilt, EyesReturnWhenTheLayerIsBackWithinASecond)
{
    ASSERT_NO_FATAL_FAILURE(LoseTheLayer(0));
    ASSERT_NO_FATAL_FAILURE(RebuildTheLayer());
    const POINT moved = {900, 250};
    ASSERT_TRUE(MoveCursorTo(moved));
    ASSERT_NE(tavrel_.WaitForEyeWindow(), nullptr) << "the eyes did not come back; " << tavrel_.Describe();
    ExpectEyesLookingAt(moved);
    EXPECT_TRUE(tavrel_.Running());
}

// The layer comes back only five seconds after the loss: the first two
// timers find nothing (each prompts the shell in vain), and the third one
// re-attaches the eyes.
TEST_P(LayerRebuilt, TheLastTimerReattachesWhenTheLayerIsLate)
{
    ASSERT_NO_FATAL_FAILURE(LoseTheLayer(5000));
    const POINT moved = {250, 800};
    ASSERT_TRUE(MoveCursorTo(moved));
    ASSERT_NE(tavrel_.WaitForEyeWindow(20000), nullptr) << "the eyes did not come back; " << tavrel_.Describe();
    ExpectEyesLookingAt(moved);
    EXPECT_GE(shell_.PromptCount() - promptsBefore_, 2) << "the first two timers did not both look for the layer";
    EXPECT_TRUE(tavrel_.Running());
}

// The layer never comes back: about ten seconds after the loss the program
// ends by itself, with exit code 0, and takes its tray icon along.
TEST_P(LayerRebuilt, TheProgramEndsWhenTheLayerNeverReturns)
{
    ASSERT_NO_FATAL_FAILURE(LoseTheLayer(standin_shell::kAnswerNever));
    const HWND main = tavrel_.MainWindow();
    DWORD exitCode = 1;
    ASSERT_TRUE(tavrel_.WaitForExit(25000, &exitCode)) << "the program did not end by itself";
    EXPECT_EQ(exitCode, 0u);
    EXPECT_GE(shell_.PromptCount() - promptsBefore_, 3) << "not every timer looked for the layer";
    // Wine drops the icons of a destroyed window by itself, so on Wine this
    // cannot tell whether the program removed the icon.
    EXPECT_FALSE(TrayIconExists(main));
    const std::vector<std::string> mismatches = WaitForScreen(NoEyeExpectations(settings_, kWallpaper));
    EXPECT_TRUE(mismatches.empty()) << JoinLines(mismatches);
}

INSTANTIATE_TEST_SUITE_P(Layouts, LayerRebuilt, testing::Values(kClassicLayout, kNewerLayout), LayoutName);

// Start-up cases on the classic desktop.
class StartUp : public EyesOnDesktop {};

// Watches a process that should end without showing anything: no window of
// it becomes visible and the notification area gains no icon, until it
// ends. Returns its exit code, or -1 when it did not end in time.
long WatchQuietExit(ChildProcess& process, std::vector<std::string>& seen)
{
    const int iconsBefore = VisibleTrayIconCount();
    DWORD exitCode = 0;
    const bool ended = WaitFor(
        [&] {
            for (HWND window : FindWindowsOfProcess(process.Id(), nullptr)) {
                if (IsWindowVisible(window))
                    seen.push_back("a visible window of class " + Narrow(ClassOf(window)));
            }
            if (VisibleTrayIconCount() > iconsBefore)
                seen.push_back("a new tray icon");
            return process.WaitForExit(0, &exitCode);
        },
        20000);
    return ended ? long(exitCode) : -1;
}

// A second start while the program runs exits with 0 at once: it shows no
// window and adds no tray icon, and the first instance runs on unchanged.
TEST_P(StartUp, ASecondStartEndsQuietly)
{
    ASSERT_NO_FATAL_FAILURE(StartWithEyes(DistinctiveSettings(400, 420, 315, 200), kRestingCursor));
    const HWND main = tavrel_.MainWindow();
    const HWND eye = tavrel_.EyeWindow();
    ASSERT_TRUE(WaitFor([&] { return TrayIconExists(main); }));

    ChildProcess second;
    ASSERT_TRUE(second.Start(folder_.TavrelPath(), L"", folder_.Path()));
    std::vector<std::string> seen;
    EXPECT_EQ(WatchQuietExit(second, seen), 0);
    EXPECT_TRUE(seen.empty()) << JoinLines(seen);

    EXPECT_TRUE(tavrel_.Running());
    EXPECT_EQ(tavrel_.MainWindow(), main);
    EXPECT_EQ(tavrel_.EyeWindow(), eye);
    EXPECT_TRUE(TrayIconExists(main));
    ExpectEyesLookingAt(kRestingCursor);
}

// The shell never builds the wallpaper layer: the program ends with 0,
// having shown nothing and added no tray icon.
class NoHost : public EyesOnDesktop {};

TEST_P(NoHost, TheProgramEndsQuietly)
{
    shell_.Stop();
    ASSERT_TRUE(shell_.Start({GetParam().option, standin_shell::kOptionNoAnswer}));
    ASSERT_TRUE(folder_.WriteSettings(DistinctiveSettings(400, 420, 315, 200)));
    ASSERT_TRUE(tavrel_.Start(folder_));
    std::vector<std::string> seen;
    EXPECT_EQ(WatchQuietExit(tavrel_.Process(), seen), 0);
    EXPECT_TRUE(seen.empty()) << JoinLines(seen);
    EXPECT_GE(shell_.PromptCount(), 1) << "the program did not ask the shell for the layer";
}

INSTANTIATE_TEST_SUITE_P(Layouts, NoHost, testing::Values(kClassicLayout, kNewerLayout), LayoutName);

// With no shell at all the program looks for "Progman" twice and then ends
// quietly with 0.
TEST_P(StartUp, WithoutAShellTheProgramEndsQuietly)
{
    shell_.Stop();
    ASSERT_TRUE(tavrel_.Start(folder_));
    std::vector<std::string> seen;
    EXPECT_EQ(WatchQuietExit(tavrel_.Process(), seen), 0);
    EXPECT_TRUE(seen.empty()) << JoinLines(seen);
}

// A settings file held open without sharing cannot be read: the reading
// message appears with the system's text, and after OK the program ends
// with 0 and leaves no tray icon.
TEST_P(StartUp, AnUnreadableSettingsFileIsReported)
{
    ASSERT_TRUE(folder_.WriteSettings(DistinctiveSettings(400, 420, 315, 200)));
    HANDLE held = CreateFileW(folder_.SettingsPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const int iconsBefore = VisibleTrayIconCount();
    ASSERT_TRUE(tavrel_.Start(folder_));

    const HWND box = WaitForMessageBox(tavrel_.Id());
    ASSERT_NE(box, nullptr) << "no message box appeared";
    EXPECT_EQ(Narrow(MessageBoxText(box)),
              Narrow(std::wstring(kMsgSettingsRead) + L"\n" + SystemErrorText(ERROR_SHARING_VIOLATION)));
    EXPECT_EQ(tavrel_.EyeWindow(), nullptr);
    PressOk(box);

    DWORD exitCode = 1;
    EXPECT_TRUE(tavrel_.WaitForExit(kDefaultTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(VisibleTrayIconCount(), iconsBefore);
    CloseHandle(held);
}

// A close request to the eye window or to the main window is ignored: both
// windows stay, the program runs on and the eyes still follow the cursor.
TEST_P(StartUp, CloseRequestsAreIgnored)
{
    ASSERT_NO_FATAL_FAILURE(StartWithEyes(DistinctiveSettings(400, 420, 315, 200), kRestingCursor));
    const HWND main = tavrel_.MainWindow();
    const HWND eye = tavrel_.EyeWindow();
    for (HWND window : {eye, main}) {
        SCOPED_TRACE(Narrow(ClassOf(window)));
        // The request is handled by the time the call returns, and so would
        // be a destruction that it caused.
        EXPECT_TRUE(SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr));
        EXPECT_TRUE(IsWindow(window));
    }
    const POINT moved = {480, 520};
    ASSERT_TRUE(MoveCursorTo(moved));
    ExpectEyesLookingAt(moved);
    EXPECT_TRUE(tavrel_.Running());
    EXPECT_EQ(tavrel_.EyeWindow(), eye);
    EXPECT_EQ(tavrel_.MainWindow(), main);
}

INSTANTIATE_TEST_SUITE_P(Classic, StartUp, testing::Values(kClassicLayout), LayoutName);

} // namespace
