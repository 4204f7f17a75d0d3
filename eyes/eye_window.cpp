#include "eyes/eye_window.h"

#include "app/app_state.h"
#include "app/class_names.h"
#include "app/messages.h"
#include "app/quit_request.h"
#include "app/report_error.h"
#include "eyes/desktop_layout.h"
#include "eyes/eye_renderer.h"

namespace {

// Asks "Progman" to build the wallpaper layer behind the icons.
constexpr UINT kBuildWallpaperLayer = 0x052C;
constexpr UINT kShellPromptTimeout = 1000;

// The popup's two top style bits are cleared before it becomes a child.
constexpr LONG kPopupAndChildBits = 0x3FFFFFFF;

// The classic layout: the top-level window directly above "Progman" is the
// wallpaper layer, on the condition that the window directly above it holds
// the icon view. The candidate is kept in DesktopHost even when the test
// fails. A window of this program is never the shell's layer, though one
// can come to lie between the shell's windows for a while (Wine lifts the
// shell's remaining windows over the others when the layer goes).
bool FindLayerAboveProgman()
{
    g_app.DesktopHost = GetWindow(g_app.ProgmanWindow, GW_HWNDPREV);
    if (g_app.DesktopHost == nullptr)
        return false;
    DWORD owner = 0;
    GetWindowThreadProcessId(g_app.DesktopHost, &owner);
    if (owner == GetCurrentProcessId())
        return false;
    HWND iconLayer = GetWindow(g_app.DesktopHost, GW_HWNDPREV);
    return iconLayer != nullptr && FindWindowExW(iconLayer, nullptr, kDefViewClassName, nullptr) != nullptr;
}

// Asks the shell for its wallpaper layer. Neither outcome is examined: only
// the window order afterwards counts.
void PromptShellForLayer()
{
    SendMessageTimeoutW(g_app.ProgmanWindow, kBuildWallpaperLayer, 13, 1, SMTO_BLOCK, kShellPromptTimeout, nullptr);
    SendMessageTimeoutW(g_app.ProgmanWindow, kBuildWallpaperLayer, 0, 0, SMTO_BLOCK, kShellPromptTimeout, nullptr);
}

bool ProgmanHoldsTheDesktop()
{
    ProgmanContents contents = {};
    contents.hasDefView = FindWindowExW(g_app.ProgmanWindow, nullptr, kDefViewClassName, nullptr) != nullptr;
    contents.hasWorkerW = FindWindowExW(g_app.ProgmanWindow, nullptr, kWorkerWClassName, nullptr) != nullptr;
    contents.extendedStyle = uint32_t(GetWindowLongW(g_app.ProgmanWindow, GWL_EXSTYLE));
    return IsLayoutWithinProgman(contents);
}

// Among Progman's own children, the eyes go directly below the icon view,
// and so above the wallpaper child that the shell keeps below it.
void PlaceBelowIconView()
{
    HWND iconView = FindWindowExW(g_app.DesktopHost, nullptr, kDefViewClassName, nullptr);
    if (iconView != nullptr)
        SetWindowPos(g_app.EyeWindow, iconView, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// Delays of the re-attach timers, by id from kFirstReattachTimer on.
constexpr UINT kReattachDelays[] = { 1000, 3000, 10000 };
static_assert(sizeof(kReattachDelays) / sizeof(kReattachDelays[0]) == kLastReattachTimer - kFirstReattachTimer + 1,
              "one delay per timer");

// A lost eye window starts the re-attach timers, unless a re-attach is
// already under way: a host that refuses the new eye window, or pushes it
// out at once, must not start the schedule afresh every second, so such a
// loss belongs to the schedule that made the window, and when that
// schedule has no timer left the program ends as after the last one.
void OnEyeWindowDestroy()
{
    g_app.EyeWindow = nullptr;
    if (g_app.MainWindow == nullptr)
        return;
    if (g_app.reattaching) {
        if (g_app.reattachTimersArmed == 0)
            RequestQuit();
        return;
    }
    g_app.reattaching = true;
    UINT_PTR id = kFirstReattachTimer;
    for (UINT delay : kReattachDelays) {
        if (SetTimer(g_app.MainWindow, id, delay, nullptr) != 0)
            g_app.reattachTimersArmed |= 1u << id;
        ++id;
    }
}

// The eye window goes, or is found gone, which counts as its destruction.
void LoseEyeWindow()
{
    if (IsWindow(g_app.EyeWindow))
        DestroyWindow(g_app.EyeWindow);
    else
        OnEyeWindowDestroy();
}

// A new eye window found attached at a look after its creation ends the
// re-attach: the timers that have not fired are no longer needed.
void EndReattach()
{
    if (!g_app.reattaching)
        return;
    g_app.reattaching = false;
    for (UINT_PTR id = kFirstReattachTimer; id <= kLastReattachTimer; ++id) {
        if ((g_app.reattachTimersArmed & (1u << id)) != 0)
            KillTimer(g_app.MainWindow, id);
    }
    g_app.reattachTimersArmed = 0;
}

} // namespace

// Finds the window that will parent the eyes, between the wallpaper and the
// icons. On the classic layout that is the layer directly above "Progman";
// the shell is prompted once to build it when it is missing. Only when that
// still fails is the newer layout considered, in which Progman itself holds
// the icon view and the wallpaper, and then Progman is the host.
bool FindDesktopHost()
{
    g_app.hostIsProgman = false;
    if (FindLayerAboveProgman())
        return true;
    PromptShellForLayer();
    if (FindLayerAboveProgman())
        return true;
    if (g_app.ProgmanWindow == nullptr || !ProgmanHoldsTheDesktop())
        return false;
    g_app.DesktopHost = g_app.ProgmanWindow;
    g_app.hostIsProgman = true;
    return true;
}

// The shell's "Progman" goes away when the shell restarts, and its handle
// may then name another window. A handle that no longer names a window is
// replaced by the current "Progman", or by none.
void RefreshProgmanWindow()
{
    if (g_app.ProgmanWindow != nullptr && IsWindow(g_app.ProgmanWindow))
        return;
    g_app.ProgmanWindow = FindWindowW(kProgmanClassName, nullptr);
}

// Whether the eye window still hangs in its host. A shell can take the host
// away and leave the eye window behind, reparented to the desktop or
// orphaned, without the eye window ever being destroyed: Wine does so when
// the host goes between the eye window's creation and its SetParent, and a
// shell replacement may reparent the windows of its desktop on its own.
// Asking whether the host window still exists means a round trip to another
// process under Wine, so the caller decides when that is worth it; whose
// child the eye window is, the system answers at once.
bool EyeWindowAttached(bool askHost)
{
    if (!IsWindow(g_app.EyeWindow) || GetAncestor(g_app.EyeWindow, GA_PARENT) != g_app.DesktopHost)
        return false;
    return !askHost || IsWindow(g_app.DesktopHost);
}

// A host that is gone counts as the eye window's destruction, whatever
// became of the eye window: the eye window goes if it is still there, and
// the re-attach timers start, from its WM_DESTROY or directly. A shell that
// ends abruptly can also take the eye window along without the window ever
// being told, which Wine does when the shell's process is killed. An eye
// window found in its host, which still exists, ends a re-attach.
void CheckEyeWindowAttached(bool askHost)
{
    if (g_app.EyeWindow == nullptr)
        return;
    if (!EyeWindowAttached(askHost)) {
        LoseEyeWindow();
    } else if (askHost) {
        ReadHostOrigin();
        EndReattach();
    }
}

// Where the host's client area begins on the screen, which the frames put
// the eye window relative to. The host is another program's window, so it
// is read when it can have changed (at a re-attach, a change of the display
// or the work area, and the full looks), never per frame.
void ReadHostOrigin()
{
    POINT origin{ 0, 0 };
    ClientToScreen(g_app.DesktopHost, &origin);
    g_app.hostOrigin = origin;
}

// Creates the eye window as a disabled layered popup, turns it into a child
// of DesktopHost, shows it without activating it and draws the first frame
// at the current cursor, so that no empty frame is ever shown. A host that
// vanished or refused the window meanwhile is a loss like any other, and
// nothing is reported. Whether anyone can see the new eyes, which also
// makes sure of the host, is the caller's to ask.
bool CreateEyeWindow()
{
    const Settings& s = g_app.settings;
    g_app.EyeWindow = CreateWindowExW(WS_EX_LAYERED, MAKEINTATOM(g_app.atomEyeClass), nullptr,
                                      WS_POPUP | WS_DISABLED, 0, 0, s.width, s.height, g_app.DesktopHost, nullptr,
                                      g_app.hInstance, nullptr);
    if (g_app.EyeWindow == nullptr) {
        const DWORD error = GetLastError();
        if (!IsWindow(g_app.DesktopHost)) {
            OnEyeWindowDestroy();
            return true;
        }
        ReportError(nullptr, kMsgEyeWindow, error);
        return false;
    }
    const LONG style = GetWindowLongW(g_app.EyeWindow, GWL_STYLE);
    SetWindowLongW(g_app.EyeWindow, GWL_STYLE, (style & kPopupAndChildBits) | WS_CHILD);
    SetParent(g_app.EyeWindow, g_app.DesktopHost);
    if (!EyeWindowAttached(true)) {
        LoseEyeWindow();
        return true;
    }
    if (g_app.hostIsProgman)
        PlaceBelowIconView();
    ReadHostOrigin();
    ShowWindow(g_app.EyeWindow, SW_SHOWNOACTIVATE);
    POINT cursor = {};
    GetCursorPos(&cursor);
    g_app.fullFrameNeeded = true;
    RenderEyes(cursor);
    return true;
}

// One re-attach timer, which fires once. The eyes are made again as soon
// as the host is back, and the timers that have not fired stay armed until
// the look that follows finds the new eye window attached; the last timer
// quits when the host has not come back. A shell that restarted has a new
// "Progman", which is looked up again first. Returns whether a new eye
// window stands, for that look.
bool ReattachEyes(UINT_PTR id)
{
    KillTimer(g_app.MainWindow, id);
    g_app.reattachTimersArmed &= ~(1u << id);
    if (g_app.EyeWindow != nullptr)
        return false;
    RefreshProgmanWindow();
    if (!FindDesktopHost()) {
        if (g_app.reattachTimersArmed == 0)
            RequestQuit();
        return false;
    }
    if (!CreateEyeWindow()) {
        RequestQuit();
        return false;
    }
    return g_app.EyeWindow != nullptr;
}

// The eye window cannot be closed by request. When it is destroyed while
// the main window lives, the shell has taken its host away, and the
// re-attach timers start. What a handler throws ends the program as a quit
// does.
LRESULT CALLBACK EyeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return CatchingQuit([&]() -> LRESULT {
        switch (message) {
        case WM_DESTROY:
            OnEyeWindowDestroy();
            return 0;
        case WM_CLOSE:
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
        }
    });
}
