#include "eyes/eye_visibility.h"

#include <wtsapi32.h>

#include "app/app_state.h"
#include "app/class_names.h"
#include "app/quit_request.h"
#include "app/window_messages.h"
#include "eyes/cursor_hook.h"
#include "eyes/eye_renderer.h"
#include "eyes/eye_window.h"
#include "eyes/window_cover.h"

namespace {

// Not in the headers for the Windows 7 target this project builds for; the
// values are the system's.
constexpr DWORD kDwmExtendedFrameBounds = 9;
constexpr DWORD kDwmCloaked = 14;
constexpr DWORD kEventObjectCloaked = 0x8017;
constexpr DWORD kEventObjectUncloaked = 0x8018;

// GUID_CONSOLE_DISPLAY_STATE: the display's power state, a DWORD that is 0
// while it is off, 1 while it is on and 2 while it is dimmed.
constexpr GUID kConsoleDisplayState = { 0x6fe69556, 0x704a, 0x47a0, { 0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47 } };
constexpr DWORD kDisplayOff = 0;

// The window events after which the windows above the eyes may be others:
// the foreground changed, a move or resize by the user ended, a window was
// minimized or restored, created, destroyed, shown, hidden, restacked,
// focused, cloaked or uncloaked. Location changes are left out: the system
// raises one for the cursor on every move of the mouse, and a window moved
// without the user is found by the looks that movement and the timer take.
constexpr DWORD kWatchedEvents[kWatchedEventRanges][2] = {
    { EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND },
    { EVENT_SYSTEM_MOVESIZEEND, EVENT_SYSTEM_MOVESIZEEND },
    { EVENT_SYSTEM_MINIMIZESTART, EVENT_SYSTEM_MINIMIZEEND },
    { EVENT_OBJECT_CREATE, EVENT_OBJECT_FOCUS },
    { kEventObjectCloaked, kEventObjectUncloaked },
};

// How many windows over the eyes the search keeps; more only leave the
// eyes counted as seen.
constexpr size_t kMaxCovers = 64;

// A window event that may change what covers the eyes: one about a
// top-level window itself, a new order of the top-level windows, which the
// desktop window reports, or a focus change, which Wine raises about the
// control that took the focus. A destroyed window can no longer be asked
// about its parent and counts too. The next movement looks again, since a
// window is often created or focused before it is shown.
void CALLBACK OnWindowEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD)
{
    const bool topLevelsRestacked = event == EVENT_OBJECT_REORDER && window == GetDesktopWindow();
    if (event != EVENT_OBJECT_FOCUS && !topLevelsRestacked) {
        if (window == nullptr || object != OBJID_WINDOW || child != CHILDID_SELF)
            return;
        if (event != EVENT_OBJECT_DESTROY && GetAncestor(window, GA_PARENT) != GetDesktopWindow())
            return;
    }
    g_app.recheckOnMove = true;
    RequestVisibilityCheck();
}

bool IsShellDesktopWindow(HWND window)
{
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    return lstrcmpW(name, kProgmanClassName) == 0 || lstrcmpW(name, kWorkerWClassName) == 0;
}

bool IsCloaked(HWND window)
{
    DWORD cloaked = 0;
    return g_app.dwmGetWindowAttribute != nullptr &&
           g_app.dwmGetWindowAttribute(window, kDwmCloaked, &cloaked, sizeof cloaked) == S_OK && cloaked != 0;
}

// Where the window shows on the screen: the compositor's frame bounds leave
// out the invisible resize borders that the window rectangle includes.
RECT ShownBounds(HWND window)
{
    RECT bounds{};
    if (g_app.dwmGetWindowAttribute == nullptr ||
        g_app.dwmGetWindowAttribute(window, kDwmExtendedFrameBounds, &bounds, sizeof bounds) != S_OK)
        GetWindowRect(window, &bounds);
    return bounds;
}

struct CoverSearch {
    HWND holder;  // the top-level window that holds the eyes: none below it covers them
    ScreenRect eyes;
    DWORD ownProcess;
    ScreenRect covers[kMaxCovers];
    size_t count;
};

// Keeps each window above the eyes' holder that hides what lies below it
// and overlaps the eyes. Under Wine every question about another
// process's window goes to another process, so the cheap answers that
// rule a window out come first.
BOOL CALLBACK CollectCover(HWND window, LPARAM context)
{
    CoverSearch& search = *reinterpret_cast<CoverSearch*>(context);
    if (window == search.holder || search.count == kMaxCovers)
        return FALSE;
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    if ((style & WS_VISIBLE) == 0 || (style & WS_MINIMIZE) != 0)
        return TRUE;
    const RECT bounds = ShownBounds(window);
    const ScreenRect cover{ bounds.left, bounds.top, bounds.right, bounds.bottom };
    if (cover.left >= search.eyes.right || cover.right <= search.eyes.left || cover.top >= search.eyes.bottom ||
        cover.bottom <= search.eyes.top)
        return TRUE;
    const LONG exStyle = GetWindowLongW(window, GWL_EXSTYLE);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    WindowFacts facts{};
    facts.visible = true;
    facts.layered = (exStyle & WS_EX_LAYERED) != 0;
    facts.clickThrough = (exStyle & WS_EX_TRANSPARENT) != 0;
    facts.ownProcess = process == search.ownProcess;
    if (!WindowHidesWhatIsBelow(facts))
        return TRUE;
    facts.shellDesktop = IsShellDesktopWindow(window);
    facts.cloaked = IsCloaked(window);
    if (WindowHidesWhatIsBelow(facts))
        search.covers[search.count++] = cover;
    return TRUE;
}

// Whether no pixel of the eyes can be seen: none lies on the screen, or
// every one lies under windows of other programs above the desktop.
bool EyesCovered()
{
    RECT eyes{};
    if (!GetWindowRect(g_app.EyeWindow, &eyes))
        return false;
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const RECT screen{ left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                       top + GetSystemMetrics(SM_CYVIRTUALSCREEN) };
    RECT shown{};
    if (!IntersectRect(&shown, &eyes, &screen))
        return true;
    CoverSearch search{};
    search.holder = GetAncestor(g_app.EyeWindow, GA_ROOT);
    search.eyes = { shown.left, shown.top, shown.right, shown.bottom };
    search.ownProcess = GetCurrentProcessId();
    EnumWindows(CollectCover, reinterpret_cast<LPARAM>(&search));
    return RectCovered(search.eyes, search.covers, search.count);
}

// Nobody can see the eyes: the mouse hook goes, and with it every frame,
// and a look once a second finds out when that ends, for Wine does not
// raise every window event.
void HideEyes()
{
    StopCursorTracking();
    g_app.eyesHidden = true;
    SetTimer(g_app.MainWindow, kVisibilityTimer, kVisibilityPollDelay, nullptr);
}

// The eyes can be seen again: the hook comes back, and one whole frame
// shows where the cursor is now, so that no old gaze is ever seen. A hook
// that cannot be installed again ends the program as a quit does, after
// the start-up's message.
void ShowEyesAgain()
{
    KillTimer(g_app.MainWindow, kVisibilityTimer);
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

} // namespace

// Starts listening for what hides the eyes: window events of every other
// program, the session's lock and switch, and the display's power. None of
// it is essential, so a registration that fails leaves only that signal
// unheard.
void StartVisibilityWatch()
{
    g_app.dwmModule = LoadLibraryExW(L"dwmapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (g_app.dwmModule != nullptr)
        g_app.dwmGetWindowAttribute = reinterpret_cast<DwmAttributeQuery>(
            reinterpret_cast<void*>(GetProcAddress(g_app.dwmModule, "DwmGetWindowAttribute")));
    for (int i = 0; i < kWatchedEventRanges; ++i)
        g_app.windowEventHooks[i] = SetWinEventHook(kWatchedEvents[i][0], kWatchedEvents[i][1], nullptr, OnWindowEvent,
                                                    0, 0, WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
    g_app.sessionNotifyRegistered = WTSRegisterSessionNotification(g_app.MainWindow, NOTIFY_FOR_THIS_SESSION) != FALSE;
    g_app.displayNotify =
        RegisterPowerSettingNotification(g_app.MainWindow, &kConsoleDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE);
    RequestVisibilityCheck();
}

// Undoes each registration that was made, while MainWindow still exists.
void StopVisibilityWatch()
{
    for (HWINEVENTHOOK& hook : g_app.windowEventHooks) {
        if (hook != nullptr) {
            UnhookWinEvent(hook);
            hook = nullptr;
        }
    }
    if (g_app.sessionNotifyRegistered) {
        WTSUnRegisterSessionNotification(g_app.MainWindow);
        g_app.sessionNotifyRegistered = false;
    }
    if (g_app.displayNotify != nullptr) {
        UnregisterPowerSettingNotification(g_app.displayNotify);
        g_app.displayNotify = nullptr;
    }
    g_app.dwmGetWindowAttribute = nullptr;
    if (g_app.dwmModule != nullptr) {
        FreeLibrary(g_app.dwmModule);
        g_app.dwmModule = nullptr;
    }
}

// Asks for a look at whether the eyes can be seen, made once the GUI
// thread is free; any number of requests before it count as one.
void RequestVisibilityCheck()
{
    if (g_app.visibilityCheckPending || g_app.MainWindow == nullptr)
        return;
    g_app.visibilityCheckPending = PostMessageW(g_app.MainWindow, kCheckVisibility, 0, 0) != FALSE;
}

// The hook's wake-up: the eyes look at the newest point. While they are
// in view, a wake-up also asks for a look at whether they can still be seen
// and the host still exists, after a window event and at most once a
// second of movement otherwise; both questions go to other processes under
// Wine.
void OnCursorMoved()
{
    if (!g_app.eyesHidden && !g_app.frameTimerPending && g_app.EyeWindow != nullptr) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        if (g_app.recheckOnMove || now.QuadPart - g_app.lastVisibilityCheck >= g_app.counterFrequency) {
            g_app.recheckOnMove = false;
            g_app.lastVisibilityCheck = now.QuadPart;
            RequestVisibilityCheck();
        }
    }
    DrawLatestCursor();
}

// Decides whether anyone can see the eyes and hides or shows them when that
// changed. They are unseen while the session is locked or another session
// has the console, while the display is off, and while every pixel of them
// is covered. The settings user interface keeps them live whatever else
// holds, for the user looks at them and their preview. The host is made
// sure of first.
void UpdateEyesVisibility()
{
    g_app.visibilityCheckPending = false;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    g_app.lastVisibilityCheck = now.QuadPart;
    CheckEyeWindowAttached(true);
    const bool away = g_app.sessionLocked || g_app.sessionAway || g_app.displayOff;
    const bool unseen = !g_app.settingsCommandRunning && (away || (g_app.EyeWindow != nullptr && EyesCovered()));
    if (unseen == g_app.eyesHidden)
        return;
    if (unseen)
        HideEyes();
    else
        ShowEyesAgain();
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

// The display was switched off, on or dimmed; a dimmed display still shows
// the eyes. Returns whether the broadcast was this one.
bool OnPowerBroadcast(WPARAM event, LPARAM setting)
{
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
