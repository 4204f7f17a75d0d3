#include "eyes/eye_visibility.h"

#include <wtsapi32.h>

#include "app/app_state.h"
#include "app/quit_request.h"
#include "app/window_messages.h"
#include "eyes/cover_search.h"
#include "eyes/cover_watch.h"
#include "eyes/cursor_hook.h"
#include "eyes/eye_renderer.h"
#include "eyes/eye_window.h"
#include "eyes/screen_monitors.h"

namespace {

// GUID_CONSOLE_DISPLAY_STATE: the display's power state, a DWORD that is 0
// while it is off, 1 while it is on and 2 while it is dimmed.
constexpr GUID kConsoleDisplayState = { 0x6fe69556, 0x704a, 0x47a0, { 0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47 } };
constexpr DWORD kDisplayOff = 0;

// Nobody can see the eyes: the mouse hook goes, and with it every frame.
void HideEyes()
{
    if (g_app.eyesHidden)
        return;
    StopCursorTracking();
    g_app.eyesHidden = true;
}

// The eyes can be seen again: the hook comes back, and one whole frame
// shows where the cursor is now, so that no old gaze is ever seen. A hook
// that cannot be installed again ends the program as a quit does, after
// the start-up's message.
void ShowEyes()
{
    if (!g_app.eyesHidden)
        return;
    g_app.eyesHidden = false;
    if (!StartCursorTracking()) {
        RequestQuit();
        return;
    }
    POINT cursor{};
    GetCursorPos(&cursor);
    g_app.fullFrameNeeded = true;
    RenderEyes(cursor);
}

void NoteLook()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    g_app.lastVisibilityCheck = now.QuadPart;
}

// Whether other programs' windows hide every pixel of the eyes that a
// monitor shows, or no monitor shows any; the windows that do are kept for
// the watch.
bool EyesUnseenOnScreen()
{
    g_app.covers.count = 0;
    return !ReadCoverScene(g_app.coverScene) || FindCovers(g_app.coverScene, g_app.covers);
}

} // namespace

// Starts listening for what hides the eyes: the session's lock and switch
// and the display's power; window events are listened to only while
// windows cover the eyes. The monitors are read here first, before the
// first move is drawn. None of it is essential, so a registration that
// fails leaves only that signal unheard.
void StartVisibilityWatch()
{
    LoadCompositor();
    ReadMonitors();
    g_app.sessionNotifyRegistered = WTSRegisterSessionNotification(g_app.MainWindow, NOTIFY_FOR_THIS_SESSION) != FALSE;
    g_app.displayNotify =
        RegisterPowerSettingNotification(g_app.MainWindow, &kConsoleDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE);
    RequestVisibilityCheck();
}

// Undoes each registration that was made, while MainWindow still exists.
void StopVisibilityWatch()
{
    StopCoverWatch();
    if (g_app.sessionNotifyRegistered) {
        WTSUnRegisterSessionNotification(g_app.MainWindow);
        g_app.sessionNotifyRegistered = false;
    }
    if (g_app.displayNotify != nullptr) {
        UnregisterPowerSettingNotification(g_app.displayNotify);
        g_app.displayNotify = nullptr;
    }
    FreeCompositor();
}

// Asks for a full look at whether the eyes can be seen, made once the GUI
// thread is free; any number of requests before it count as one.
void RequestVisibilityCheck()
{
    if (g_app.visibilityCheckPending || g_app.MainWindow == nullptr)
        return;
    g_app.visibilityCheckPending = PostMessageW(g_app.MainWindow, kCheckVisibility, 0, 0) != FALSE;
}

// The hook's wake-up: the eyes look at the newest point. While the mouse
// moves, a full look runs at most once a second, for windows that came
// over the eyes and a host that went; while it rests, nothing is asked of
// anyone, so a busy desktop costs nothing, and the next movement finds
// whatever changed meanwhile. Eyes whose window went take the hook with
// them at once.
void OnCursorMoved()
{
    if (!g_app.eyesHidden && g_app.EyeWindow == nullptr) {
        UpdateEyesVisibility();
        return;
    }
    if (!g_app.eyesHidden) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        if (now.QuadPart - g_app.lastVisibilityCheck >= g_app.counterFrequency) {
            g_app.lastVisibilityCheck = now.QuadPart;
            RequestVisibilityCheck();
        }
    }
    DrawLatestCursor();
}

// Decides whether anyone can see the eyes and hides or shows them when that
// changed. They are unseen while the session is locked or another session
// has the console, while the display is off, and while every pixel of them
// that a monitor shows is covered, or no monitor shows any. Eyes without a
// window are not there at all, and nothing runs for them until a new one
// is attached. The settings user interface otherwise keeps them live, for
// the user looks at them and their preview. Covered eyes are watched by a
// thread of their own; where none can be made they stay live, as in view.
// Off the screen, locked, switched away or dark, nothing runs: only a
// display change, new settings or the system's notice ends it, and a host
// lost meanwhile is found by the look that follows. The host is made sure
// of first.
void UpdateEyesVisibility()
{
    g_app.visibilityCheckPending = false;
    StopCoverWatch();
    NoteLook();
    CheckEyeWindowAttached(true);
    const bool live = g_app.settingsCommandRunning;
    const bool away = g_app.sessionLocked || g_app.sessionAway || g_app.displayOff;
    const bool unseen = g_app.EyeWindow == nullptr ||
                        (!live && (away || (EyesUnseenOnScreen() && (g_app.covers.count == 0 || StartCoverWatch()))));
    if (unseen)
        HideEyes();
    else
        ShowEyes();
}

// The display changed: the monitors and the host's place are read again,
// and eyes that were off the screen may be on it now.
void OnDisplayChange()
{
    ReadMonitors();
    ReadHostOrigin();
    RequestVisibilityCheck();
}

// The session was locked or unlocked, lost the console to another
// session or got it back.
void OnSessionChange(WPARAM change)
{
    switch (change) {
    case WTS_SESSION_LOCK:
    case WTS_SESSION_UNLOCK:
        g_app.sessionLocked = change == WTS_SESSION_LOCK;
        break;
    case WTS_CONSOLE_DISCONNECT:
    case WTS_REMOTE_DISCONNECT:
    case WTS_CONSOLE_CONNECT:
    case WTS_REMOTE_CONNECT:
        g_app.sessionAway = change == WTS_CONSOLE_DISCONNECT || change == WTS_REMOTE_DISCONNECT;
        break;
    default:
        return;
    }
    UpdateEyesVisibility();
}

namespace {

// The system woke from sleep. The hook may have been dropped while the
// system was waking, as the mouse hook of a thread whose stack was paged
// out, and the display's notices need not have come around the sleep (a
// lid closed with an external display on, a sleep started by a program):
// eyes that can be seen get a fresh hook thread, the monitors are read
// again, a full look finds what changed meanwhile (the host, the covers),
// and the eyes look at where the cursor is now, if it moved.
void OnResume()
{
    ReadMonitors();
    if (!g_app.eyesHidden && g_app.EyeWindow != nullptr) {
        StopCursorTracking();
        if (!StartCursorTracking()) {
            RequestQuit();
            return;
        }
    }
    UpdateEyesVisibility();
    POINT cursor{};
    if (!g_app.eyesHidden && GetCursorPos(&cursor))
        RenderEyes(cursor);
}

} // namespace

// The display was switched off, on or dimmed (a dimmed display still shows
// the eyes), or the system woke from sleep. Returns whether the broadcast
// was one of these.
bool OnPowerBroadcast(WPARAM event, LPARAM setting)
{
    if (event == PBT_APMRESUMEAUTOMATIC || event == PBT_APMRESUMESUSPEND) {
        OnResume();
        return true;
    }
    const POWERBROADCAST_SETTING* change = reinterpret_cast<const POWERBROADCAST_SETTING*>(setting);
    if (event != PBT_POWERSETTINGCHANGE || change == nullptr || change->PowerSetting != kConsoleDisplayState ||
        change->DataLength < sizeof(DWORD))
        return false;
    DWORD state = 0;
    CopyMemory(&state, change->Data, sizeof state);
    g_app.displayOff = state == kDisplayOff;
    UpdateEyesVisibility();
    return true;
}
