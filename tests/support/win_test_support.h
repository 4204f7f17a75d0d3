#pragma once
// Helpers for the tests that drive the real tavrel.exe and the stand-in
// desktop shell under Wine: a private folder with its own copy of the
// program, starting and stopping the processes, finding their windows,
// moving the mouse and pressing keys as a user would, reading back what the
// screen shows, answering message boxes and looking at the tray icon.
//
// Every wait polls a condition with a generous time limit; nothing here
// measures how long something took.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "app/settings_record.h"
#include "eyes/eye_geometry.h"
#include "tools/standin_shell/standin_shell_protocol.h"

namespace wine_test {

// Long enough for a slow Wine on a busy machine; conditions are polled, so a
// fast run does not wait for it.
constexpr DWORD kDefaultTimeoutMs = 10000;

// Window classes of tavrel.exe, and what the system calls its message boxes
// and popup menus.
constexpr const wchar_t* kMainClass = L"f69fdc84bcc04963ace744e5648d5796";
constexpr const wchar_t* kEyeClass = L"8bf14e335fa0413b98aa2be5baee60b3";
constexpr const wchar_t* kWorkClass = L"455c149f5ba547acaedda8af0e345d3f";
constexpr const wchar_t* kDragClass = L"c4e04cd4c54c43d48dd7b554d9fe7878";
constexpr const wchar_t* kDialogClass = L"#32770";
constexpr const wchar_t* kMenuClass = L"#32768";

// Polls `condition` until it holds or `timeoutMs` has passed, and returns
// its last answer. The calling thread keeps its own message queue served.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = kDefaultTimeoutMs);

// Lets the calling thread handle its messages for a while, for the rare
// moment where a test must give the other side a chance to act before it
// looks (for example to show that something does not happen).
void PumpFor(DWORD milliseconds);

// UTF-8 for GoogleTest's messages.
std::string Narrow(const std::wstring& text);

// The folder of the running test program, where the build puts tavrel.exe,
// standin_shell.exe and settings_probe.exe; without a trailing backslash.
std::wstring BinFolder();

// Settings with distinctive colours, so that each part of the eyes can be
// told from the others and from the wallpaper on screen.
Settings DistinctiveSettings(int32_t x, int32_t y, int32_t width, int32_t height);

// ---------------------------------------------------------------- processes

// A process started by a test. It is killed when this object goes, so a
// failing test leaks neither the process nor its single-instance mutex.
class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    // Starts `exe` with the arguments (already quoted as needed) in the
    // folder `workDir`.
    bool Start(const std::wstring& exe, const std::wstring& arguments, const std::wstring& workDir);
    bool Started() const { return process_ != nullptr; }
    DWORD Id() const { return id_; }
    HANDLE Handle() const { return process_; }
    bool Running() const;
    // True when the process ended within the time; its exit code goes to
    // `exitCode`.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode);
    // Terminates the process if it still runs, waits for it and forgets it.
    void Kill();

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// A folder of its own for one test, under the bin folder's "testtmp",
// holding a copy of tavrel.exe. It is removed with everything in it when
// this object goes.
class TestFolder {
public:
    TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;
    ~TestFolder();

    bool Ready() const { return ready_; }
    const std::wstring& Path() const { return path_; }
    std::wstring TavrelPath() const;
    std::wstring SettingsPath() const;
    // Writes "tavrel.dat" from the record, tag included.
    bool WriteSettings(const Settings& settings) const;

private:
    std::wstring path_;
    bool ready_ = false;
};

// Enumerates every window of process `pid` of class `className` (any class
// when null): top-level windows and, below them, their children at any
// depth. Windows of the process that are children of another process's
// windows are found too.
std::vector<HWND> FindWindowsOfProcess(DWORD pid, const wchar_t* className);
HWND FindWindowOfProcess(DWORD pid, const wchar_t* className);
HWND WaitForWindowOfProcess(DWORD pid, const wchar_t* className, DWORD timeoutMs = kDefaultTimeoutMs);
DWORD ProcessOfWindow(HWND window);
std::wstring ClassOf(HWND window);
std::wstring TextOf(HWND window);

// tavrel.exe, started from a test folder.
class TavrelProcess {
public:
    TavrelProcess() = default;
    TavrelProcess(const TavrelProcess&) = delete;
    TavrelProcess& operator=(const TavrelProcess&) = delete;
    ~TavrelProcess() { Kill(); }

    // Starts the folder's copy of tavrel.exe.
    bool Start(const TestFolder& folder);
    ChildProcess& Process() { return process_; }
    DWORD Id() const { return process_.Id(); }
    bool Running() const { return process_.Running(); }
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode) { return process_.WaitForExit(timeoutMs, exitCode); }
    // Ends a program that still runs. Its tray icon is removed first, as
    // the program itself would at exit, so that no stale icon is left for
    // the next test.
    void Kill();

    // The program's windows, or null.
    HWND MainWindow() const { return FindWindowOfProcess(process_.Id(), kMainClass); }
    HWND EyeWindow() const { return FindWindowOfProcess(process_.Id(), kEyeClass); }
    // Waits until the eye window exists and is visible; null on time-out.
    HWND WaitForEyeWindow(DWORD timeoutMs = kDefaultTimeoutMs) const;
    HWND WaitForMainWindow(DWORD timeoutMs = kDefaultTimeoutMs) const;

    // What the program is doing, for a failure message: running or ended
    // with its code, its windows, and the text of a message box it shows.
    std::string Describe();

private:
    ChildProcess process_;
};

// ------------------------------------------------------- the stand-in shell

// One of the desktop layouts that the stand-in shell can play.
struct ShellLayout {
    const char* name;      // for test names
    const wchar_t* option; // the stand-in's command-line option
    bool newer;            // the shell of Windows 11 24H2 and later
    bool workerW;          // the newer shell paints the wallpaper in a "WorkerW" child
};

inline constexpr ShellLayout kClassicLayout = {"Classic", standin_shell::kOptionLayoutClassic, false, false};
inline constexpr ShellLayout kNewerLayout = {"Newer", standin_shell::kOptionLayout24h2, true, true};
inline constexpr ShellLayout kNewerNoRedirectionLayout = {"NewerNoRedirection",
                                                          standin_shell::kOptionLayout24h2NoRedirection, true, false};

// Test names and messages show a layout by its name.
inline void PrintTo(const ShellLayout& layout, std::ostream* out)
{
    *out << layout.name;
}

// The stand-in's solid wallpaper.
COLORREF WallpaperColor();

// standin_shell.exe from the bin folder, which plays the desktop shell.
class StandinShell {
public:
    // Starts it with the given options and waits until its "Progman"
    // exists and it reports itself ready.
    bool Start(const std::vector<std::wstring>& options = {});
    // Asks it to close, as a user ending the shell would, and kills it if
    // it does not end in time.
    void Stop();
    // Ends it abruptly, as a crashing shell ends.
    void Kill() { process_.Kill(); }
    ChildProcess& Process() { return process_; }

    HWND Progman() const { return progman_; }
    // Sends one of the stand-in's steering commands; 0 when it does not
    // answer.
    LRESULT Control(unsigned command, LPARAM argument = 0) const;
    HWND Layer() const;
    int PromptCount() const;
    int DestroyLayer() const;
    void SetAnswerDelay(long milliseconds) const;
    // The icon view, wherever the layout puts it.
    HWND DefView() const;

private:
    ChildProcess process_;
    HWND progman_ = nullptr;
};

// ------------------------------------------------------------ mouse and keys

// Moves the cursor with an injected absolute movement, as a mouse does, and
// waits until GetCursorPos reports the point.
bool MoveCursorTo(POINT point);
POINT CursorPos();
// Presses and releases a mouse button where the cursor is.
void ClickLeft();
void ClickRight();
void MoveAndClickLeft(POINT point);
void PressLeft();
void ReleaseLeft();
// Presses and releases a key.
void PressKey(WORD virtualKey);

// ----------------------------------------------------------------- the screen

// One pixel of what the user sees, from the screen's device context.
COLORREF ScreenPixel(int x, int y);

// A copy of a region of the screen in a 32-bit DIB.
class ScreenCapture {
public:
    explicit ScreenCapture(const RECT& region);
    // The colour at a point in screen coordinates, which must lie in the
    // captured region.
    COLORREF At(int x, int y) const;
    const RECT& Region() const { return region_; }

private:
    RECT region_;
    std::vector<uint32_t> pixels_;
};

RECT ScreenRect();
bool ColorsClose(COLORREF a, COLORREF b, int tolerance = 3);
std::string ColorText(COLORREF color);

// A point where the screen should show a given colour, and what it stands
// for, for the failure message.
struct PixelExpectation {
    POINT point;
    COLORREF color;
    std::string what;
};

// Compares the screen with the expectations and describes each mismatch;
// an empty result means the screen shows what was expected.
std::vector<std::string> ScreenMismatches(const std::vector<PixelExpectation>& expectations);
// Waits until the screen shows all expectations, and returns the mismatches
// of the last look.
std::vector<std::string> WaitForScreen(const std::vector<PixelExpectation>& expectations,
                                       DWORD timeoutMs = kDefaultTimeoutMs);
std::string JoinLines(const std::vector<std::string>& lines);

// What the eyes of `settings` must show for a cursor at `cursor`: the
// outline ring, the white where no pupil is, the pupil colour at the centre
// of each pupil rectangle that PlacePupils gives, and `wallpaper` around and
// between the eyes. Points off the screen are left out.
std::vector<PixelExpectation> EyeExpectations(const Settings& settings, POINT cursor, COLORREF wallpaper);
// Only `wallpaper` where the eyes of `settings` would be: they are gone.
std::vector<PixelExpectation> NoEyeExpectations(const Settings& settings, COLORREF wallpaper);

// ------------------------------------------------------------- message boxes

// The visible message box of process `pid` with the caption "Tavrel".
HWND FindMessageBox(DWORD pid);
HWND WaitForMessageBox(DWORD pid, DWORD timeoutMs = kDefaultTimeoutMs);
// The box's text (its static control 0xFFFF).
std::wstring MessageBoxText(HWND box);
// Presses the box's OK button.
void PressOk(HWND box);
// The system's text for an error code, as a failure report appends it.
std::wstring SystemErrorText(DWORD code);

// Presses a dialog's button by its id, as a click on it does.
void PressDialogButton(HWND dialog, int id);

// ----------------------------------------------------------------- the tray

// Whether the notification area holds an icon for (owner, id). It asks the
// shell to modify the icon without changing anything, which fails exactly
// when there is no such icon.
bool TrayIconExists(HWND owner, UINT id = 1);
// Removes the icon as a restarting shell loses it.
bool DeleteTrayIcon(HWND owner, UINT id = 1);

// How many icons the notification area shows, when it is Wine's own
// window; -1 when there is no such window to count in.
int VisibleTrayIconCount();

// Where to click on the program's tray icon, when the notification area is
// a window that a test can click in; false otherwise.
bool TrayIconPoint(POINT* point);
// A button release on the tray icon of `mainWindow`: a real click on the
// icon when it can be reached, otherwise the callback message that the
// shell would send for the release.
void ClickTrayIcon(HWND mainWindow, bool rightButton);

// The visible popup menu of process `pid`, or null.
HWND FindPopupMenu(DWORD pid);

} // namespace wine_test
