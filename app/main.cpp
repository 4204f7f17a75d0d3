#include <windows.h>

#include "app/app_state.h"
#include "app/class_names.h"
#include "app/startup.h"
#include "app/window_messages.h"
#include "eyes/cursor_hook.h"
#include "eyes/eye_visibility.h"
#include "eyes/eye_window.h"

namespace {

constexpr DWORD kProgmanRetryDelay = 1000;

// A second start wakes the running instance, which brings its open settings
// windows forward, and creates nothing itself. The call waits until the
// running instance has handled it. The system lets a process take the
// foreground only when the user just turned to it, and it is this start
// that the user turned to, so it hands that right on first.
void SignalRunningInstance()
{
    HWND running = FindWindowW(kMainClassName, nullptr);
    if (running == nullptr)
        return;
    DWORD runningProcess = 0;
    GetWindowThreadProcessId(running, &runningProcess);
    AllowSetForegroundWindow(runningProcess);
    SendMessageW(running, kSecondStart, 0, 0);
}

// The shell may still be starting when the program is, so a missing
// "Progman" is looked up once more a second later.
void FindProgman()
{
    g_app.ProgmanWindow = FindWindowW(kProgmanClassName, nullptr);
    if (g_app.ProgmanWindow != nullptr)
        return;
    Sleep(kProgmanRetryDelay);
    g_app.ProgmanWindow = FindWindowW(kProgmanClassName, nullptr);
}

// The message loop ends when MainWindow is destroyed. An exception that
// escapes a message handler, such as a failed allocation, ends it too, and
// the program then shuts down as after a quit.
void RunMessageLoop()
{
    try {
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0)
            DispatchMessageW(&message);
    } catch (...) {
    }
}

// Runs the program from the first start to its orderly end: the single
// instance guard, the shell's desktop windows, everything the program
// shows, the mouse hook, the watch over whether anyone can see the eyes
// and the message loop, then the release of it all.
// The hook goes first, before anything it could wake is released. No
// failure is retried, and the exit code is always 0.
void RunFirstInstance()
{
    FindProgman();
    if (FindDesktopHost() && InitApplication() && StartCursorTracking()) {
        StartVisibilityWatch();
        RunMessageLoop();
        StopCursorTracking();
    }
    Shutdown();
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    g_app.hInstance = instance;
    HANDLE mutex = CreateMutexW(nullptr, FALSE, kSingleInstanceMutexName);
    if (mutex == nullptr)
        return 0;
    if (GetLastError() == ERROR_ALREADY_EXISTS)
        SignalRunningInstance();
    else
        RunFirstInstance();
    CloseHandle(mutex);
    return 0;
}
