#include "eyes/eye_visibility.h"

#include <wtsapi32.h>

#include <algorithm>

#include "app/app_state.h"
#include "app/class_names.h"
#include "app/quit_request.h"
#include "app/window_messages.h"
#include "eyes/cursor_hook.h"
#include "eyes/eye_renderer.h"
#include "eyes/eye_window.h"
#include "eyes/point_scale.h"
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

// While windows cover the eyes, the events after which one of them may no
// longer do so: a move or resize by the user ended, a window was minimized
// or restored, destroyed, shown, hidden or restacked, cloaked or
// uncloaked. Creation, focus and the foreground only ever bring windows
// forward, and location changes come for the cursor on every move of the
// mouse; a cover moved without the user is found by the look once a
// second.
constexpr DWORD kWatchedEvents[kWatchedEventRanges][2] = {
    { EVENT_SYSTEM_MOVESIZEEND, EVENT_SYSTEM_MOVESIZEEND },
    { EVENT_SYSTEM_MINIMIZESTART, EVENT_SYSTEM_MINIMIZEEND },
    { EVENT_OBJECT_DESTROY, EVENT_OBJECT_REORDER },
    { kEventObjectCloaked, kEventObjectUncloaked },
};

// How often at most an event about a cover leads to a look.
constexpr UINT kCoverEventDelay = 100;

bool IsCover(HWND window)
{
    for (size_t i = 0; i < g_app.coverCount; ++i) {
        if (g_app.covers[i].window == window)
            return true;
    }
    return false;
}

// While windows cover the eyes: an event about one of them leads to a look
// at the covers a moment later, and a new order of the top-level windows,
// which the desktop window reports, to a look at every window, since a
// cover may have gone below the eyes; however many come meanwhile, one
// look follows. Nothing here asks another process anything.
void CALLBACK OnWindowEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD)
{
    static const HWND desktop = GetDesktopWindow();
    if (!g_app.eyesHidden)
        return;
    const bool restacked = event == EVENT_OBJECT_REORDER && window == desktop;
    if (!restacked && (object != OBJID_WINDOW || child != CHILDID_SELF || !IsCover(window)))
        return;
    g_app.coverLookWalksAll = g_app.coverLookWalksAll || restacked;
    if (!g_app.coverLookPending)
        g_app.coverLookPending = SetTimer(g_app.MainWindow, kCoverEventTimer, kCoverEventDelay, nullptr) != 0;
}

void WatchWindowEvents()
{
    for (int i = 0; i < kWatchedEventRanges; ++i) {
        if (g_app.windowEventHooks[i] == nullptr)
            g_app.windowEventHooks[i] = SetWinEventHook(kWatchedEvents[i][0], kWatchedEvents[i][1], nullptr,
                                                        OnWindowEvent, 0, 0,
                                                        WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
    }
}

void UnwatchWindowEvents()
{
    for (HWINEVENTHOOK& hook : g_app.windowEventHooks) {
        if (hook != nullptr) {
            UnhookWinEvent(hook);
            hook = nullptr;
        }
    }
    if (g_app.coverLookPending)
        KillTimer(g_app.MainWindow, kCoverEventTimer);
    g_app.coverLookPending = false;
    g_app.coverLookWalksAll = false;
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

bool IsShaped(HWND window)
{
    RECT box;
    return GetWindowRgnBox(window, &box) != ERROR;
}

ScreenRect ToScreenRect(const RECT& r)
{
    return { r.left, r.top, r.right, r.bottom };
}

bool Overlap(const ScreenRect& a, const ScreenRect& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Every monitor where the program sees it and where its pixels lie: an
// unaware program is shown each monitor's rectangle in its own logical
// coordinates, while the display mode counts the monitor's real pixels.
struct MonitorList {
    MonitorSpaces monitors[16];
    size_t count;
    bool read;
};

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, RECT*, LPARAM context)
{
    MonitorList& list = *reinterpret_cast<MonitorList*>(context);
    MONITORINFOEXW info{};
    info.cbSize = sizeof info;
    DEVMODEW mode{};
    mode.dmSize = sizeof mode;
    const DWORD needed = DM_POSITION | DM_PELSWIDTH | DM_PELSHEIGHT;
    if (!GetMonitorInfoW(monitor, &info) || !EnumDisplaySettingsW(info.szDevice, ENUM_CURRENT_SETTINGS, &mode) ||
        (mode.dmFields & needed) != needed)
        return TRUE;
    const int32_t left = mode.dmPosition.x, top = mode.dmPosition.y;
    list.monitors[list.count++] = { ToScreenRect(info.rcMonitor),
                                    { left, top, left + int32_t(mode.dmPelsWidth), top + int32_t(mode.dmPelsHeight) } };
    return list.count < sizeof list.monitors / sizeof list.monitors[0];
}

// Where a window shows on the screen, in the program's own coordinates.
// The compositor's frame bounds leave out the invisible resize borders that
// the window rectangle includes, but they count physical pixels, which on a
// scaled display are not the program's coordinates: each corner is carried
// through the scale of the monitor it lies on. Where that cannot be done,
// the window rectangle stands in, which only hides the eyes a few border
// pixels too early.
ScreenRect ShownBounds(HWND window, const ScreenRect& windowRect, MonitorList& monitors)
{
    RECT bounds{};
    if (g_app.dwmGetWindowAttribute == nullptr ||
        g_app.dwmGetWindowAttribute(window, kDwmExtendedFrameBounds, &bounds, sizeof bounds) != S_OK)
        return windowRect;
    if (!monitors.read) {
        EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
        monitors.read = true;
    }
    ScreenRect shown;
    return PhysicalRectToLogical(ToScreenRect(bounds), monitors.monitors, monitors.count, shown) ? shown : windowRect;
}

struct CoverSearch {
    HWND holder;  // the top-level window that holds the eyes: none below it covers them
    ScreenRect eyes;
    DWORD ownProcess;
    ScreenRect shown[kMaxCovers];
    MonitorList monitors;
};

// Keeps each window above the eyes' holder that hides what lies below it
// and overlaps the eyes. Every question about another program's window
// goes to that program's side of the system (under Wine, to another
// process), so the cheap ones come first: the style and the rectangle rule
// out most windows, and the compositor is asked only about a window over
// the eyes.
BOOL CALLBACK CollectCover(HWND window, LPARAM context)
{
    CoverSearch& search = *reinterpret_cast<CoverSearch*>(context);
    if (window == search.holder || g_app.coverCount == kMaxCovers)
        return FALSE;
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    RECT rect{};
    if ((style & WS_VISIBLE) == 0 || (style & WS_MINIMIZE) != 0 || !GetWindowRect(window, &rect) ||
        !Overlap(ToScreenRect(rect), search.eyes))
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
    facts.shaped = IsShaped(window);
    facts.cloaked = IsCloaked(window);
    const ScreenRect shown = ShownBounds(window, ToScreenRect(rect), search.monitors);
    if (!WindowHidesWhatIsBelow(facts) || !Overlap(shown, search.eyes))
        return TRUE;
    // A window that holds the eyes whole, as a maximized or full-screen one
    // does, alone keeps them hidden, whatever lies above or below it: only
    // it is kept and watched, and no window below it is asked about.
    const CoverWindow cover{ window, style, exStyle, rect };
    if (RectCovered(search.eyes, &shown, 1)) {
        search.shown[0] = shown;
        g_app.covers[0] = cover;
        g_app.coverCount = 1;
        return FALSE;
    }
    search.shown[g_app.coverCount] = shown;
    g_app.covers[g_app.coverCount++] = cover;
    return TRUE;
}

// The eyes' rectangle on the screen, as far as it lies on the screen.
//
// The eye window hangs in the shell's window tree, and on Windows the shell
// is aware of each monitor's scale while this program is not. The rectangle
// is taken from the settings, in the logical coordinates in which the
// program placed the window, rather than asked of the system: that assumes
// the system keeps showing this program its own window, and every other
// one, in those coordinates, as it does for the windows of any program that
// declares no awareness, whoever their parent is. It cannot be checked
// under Wine, which does not scale such programs.
ScreenRect EyesOnScreen()
{
    const Settings& s = g_app.settings;
    const RECT& screen = g_app.virtualScreen;
    return { std::max(s.x, int32_t(screen.left)), std::max(s.y, int32_t(screen.top)),
             std::min(s.x + s.width, int32_t(screen.right)), std::min(s.y + s.height, int32_t(screen.bottom)) };
}

// Whether no pixel of the eyes can be seen: none lies on the screen, or
// every one lies under windows of other programs above the desktop. Walks
// the top-level windows above the eyes, down to the first that holds them
// whole, and keeps those that cover them, for the looks that follow while
// they stay covered.
bool EyesCovered()
{
    g_app.coverCount = 0;
    const ScreenRect eyes = EyesOnScreen();
    if (eyes.left >= eyes.right || eyes.top >= eyes.bottom)
        return true;
    CoverSearch search{};
    search.holder = GetAncestor(g_app.EyeWindow, GA_ROOT);
    search.eyes = eyes;
    search.ownProcess = GetCurrentProcessId();
    EnumWindows(CollectCover, reinterpret_cast<LPARAM>(&search));
    return RectCovered(search.eyes, search.shown, g_app.coverCount);
}

// Whether a window that covered the eyes at the last full look may no
// longer do so: it is gone (its style reads 0 then), hidden, minimized,
// moved or resized, or has become layered, click-through or cloaked. Its
// class and process cannot change, and new windows can only cover more.
// The eyes, the screen and the settings change only with a full look of
// their own, and so does the order of the windows, which the system
// reports. Only the questions whose answers change are asked: each is a
// round trip to another process under Wine, asked once a second.
bool CoverChanged(const CoverWindow& cover)
{
    RECT rect{};
    return GetWindowLongW(cover.window, GWL_STYLE) != cover.style ||
           GetWindowLongW(cover.window, GWL_EXSTYLE) != cover.exStyle || !GetWindowRect(cover.window, &rect) ||
           !EqualRect(&rect, &cover.rect) || IsCloaked(cover.window);
}

bool CoversUnchanged()
{
    for (size_t i = 0; i < g_app.coverCount; ++i) {
        if (CoverChanged(g_app.covers[i]))
            return false;
    }
    return true;
}

// While windows cover the eyes, a thread of its own asks once a second
// about them. Under Wine every wake-up of the GUI thread costs the better
// part of a millisecond for the sake of its windows, which this thread has
// none of: it wakes for the questions alone, and wakes the GUI thread for
// a full look only when a cover changed, or the eye window no longer hangs
// where it did. It reads the covers, which the GUI thread leaves alone
// until it has ended this thread.
DWORD WINAPI CoverWatchProc(void* eyeWindow)
{
    HWND eyes = static_cast<HWND>(eyeWindow);
    const HWND parent = GetAncestor(eyes, GA_PARENT);
    while (WaitForSingleObject(g_app.coverWatchStop, kVisibilityPollDelay) == WAIT_TIMEOUT) {
        if (!CoversUnchanged() || GetAncestor(eyes, GA_PARENT) != parent) {
            PostMessageW(g_app.MainWindow, kCoversChanged, 0, 0);
            break;
        }
    }
    return 0;
}

// Starts the watch over the covers; where no thread can be made, a timer
// on the GUI thread takes its place.
void StartCoverWatch()
{
    if (g_app.coverWatchThread != nullptr)
        return;
    g_app.coverWatchStop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (g_app.coverWatchStop != nullptr)
        g_app.coverWatchThread = CreateThread(nullptr, 0, CoverWatchProc, g_app.EyeWindow, 0, nullptr);
    if (g_app.coverWatchThread != nullptr)
        return;
    if (g_app.coverWatchStop != nullptr)
        CloseHandle(g_app.coverWatchStop);
    g_app.coverWatchStop = nullptr;
    SetTimer(g_app.MainWindow, kVisibilityTimer, kVisibilityPollDelay, nullptr);
}

// Ends the watch and waits for its thread, before anything it reads
// changes.
void StopCoverWatch()
{
    KillTimer(g_app.MainWindow, kVisibilityTimer);
    if (g_app.coverWatchThread == nullptr)
        return;
    SetEvent(g_app.coverWatchStop);
    WaitForSingleObject(g_app.coverWatchThread, INFINITE);
    CloseHandle(g_app.coverWatchThread);
    CloseHandle(g_app.coverWatchStop);
    g_app.coverWatchThread = nullptr;
    g_app.coverWatchStop = nullptr;
}

// Nobody can see the eyes: the mouse hook goes, and with it every frame.
// While windows cover them, a look once a second, and one after an event
// about a cover, finds out when that ends, for Wine does not raise every
// window event. Eyes off the screen come back only with a display change
// or new settings, and while the session is locked or away or the display
// is off, their notifications end it: nothing runs meanwhile, and a host
// lost meanwhile is found by the look that follows.
void HideEyes(bool covered)
{
    if (!g_app.eyesHidden) {
        StopCursorTracking();
        g_app.eyesHidden = true;
    }
    if (covered && g_app.coverCount > 0) {
        StartCoverWatch();
        WatchWindowEvents();
    } else {
        StopCoverWatch();
        UnwatchWindowEvents();
    }
}

// The eyes can be seen again: the hook comes back, and one whole frame
// shows where the cursor is now, so that no old gaze is ever seen. A hook
// that cannot be installed again ends the program as a quit does, after
// the start-up's message.
void ShowEyesAgain()
{
    StopCoverWatch();
    UnwatchWindowEvents();
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

void ReadVirtualScreen()
{
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    g_app.virtualScreen = { left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                            top + GetSystemMetrics(SM_CYVIRTUALSCREEN) };
}

} // namespace

// Starts listening for what hides the eyes: the session's lock and switch
// and the display's power; window events are listened to only while
// windows cover the eyes. None of it is essential, so a registration that
// fails leaves only that signal unheard.
void StartVisibilityWatch()
{
    g_app.dwmModule = LoadLibraryExW(L"dwmapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (g_app.dwmModule != nullptr)
        g_app.dwmGetWindowAttribute = reinterpret_cast<DwmAttributeQuery>(
            reinterpret_cast<void*>(GetProcAddress(g_app.dwmModule, "DwmGetWindowAttribute")));
    g_app.sessionNotifyRegistered = WTSRegisterSessionNotification(g_app.MainWindow, NOTIFY_FOR_THIS_SESSION) != FALSE;
    g_app.displayNotify =
        RegisterPowerSettingNotification(g_app.MainWindow, &kConsoleDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE);
    ReadVirtualScreen();
    RequestVisibilityCheck();
}

// Undoes each registration that was made, while MainWindow still exists.
void StopVisibilityWatch()
{
    StopCoverWatch();
    UnwatchWindowEvents();
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
// whatever changed meanwhile.
void OnCursorMoved()
{
    if (!g_app.eyesHidden && g_app.EyeWindow != nullptr) {
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
// is covered or off the screen. The settings user interface keeps them
// live whatever else holds, for the user looks at them and their preview.
// The host is made sure of first.
void UpdateEyesVisibility()
{
    g_app.visibilityCheckPending = false;
    StopCoverWatch();
    NoteLook();
    CheckEyeWindowAttached(true);
    const bool away = g_app.sessionLocked || g_app.sessionAway || g_app.displayOff;
    const bool covered = !g_app.settingsCommandRunning && !away && g_app.EyeWindow != nullptr && EyesCovered();
    if (!g_app.settingsCommandRunning && (away || covered))
        HideEyes(covered);
    else if (g_app.eyesHidden)
        ShowEyesAgain();
}

// While windows cover the eyes, once a second and after an event about a
// cover: only when a cover changed, or the windows were restacked, are all
// windows looked at again. That the eye window still hangs in its host is
// known without asking anyone; whether the host itself still exists is
// asked at the full looks, and a shell that restarts announces itself.
void LookAtCovers()
{
    const bool walkAll = g_app.coverLookWalksAll;
    if (g_app.coverLookPending)
        KillTimer(g_app.MainWindow, kCoverEventTimer);
    g_app.coverLookPending = false;
    g_app.coverLookWalksAll = false;
    NoteLook();
    CheckEyeWindowAttached(false);
    if (walkAll || !CoversUnchanged())
        UpdateEyesVisibility();
}

// The display changed: eyes that were off the screen may be on it now, and
// the screen's bounds are read again.
void OnDisplayChange()
{
    ReadVirtualScreen();
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
