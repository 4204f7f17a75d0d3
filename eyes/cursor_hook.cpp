#include "eyes/cursor_hook.h"

#include "app/app_state.h"
#include "app/messages.h"
#include "app/quit_request.h"
#include "app/report_error.h"
#include "app/window_messages.h"
#include "eyes/eye_renderer.h"
#include "eyes/eye_window.h"
#include "eyes/point_scale.h"
#include "eyes/screen_monitors.h"

#include <algorithm>
#include <cstdlib>

// The program declares no DPI awareness, so on a scaled display the system
// shows it logical coordinates everywhere except in the low-level hook's
// event record, which stays in physical pixels. The point is carried
// through the scale of the monitor it lies on, from the monitors as last
// read: nothing is asked of the system per move.
POINT HookPointToLogical(POINT physical)
{
    const ScreenPoint logical = PhysicalPointToLogical({ physical.x, physical.y }, g_app.monitors, g_app.monitorCount);
    return { logical.x, logical.y };
}

namespace {

uint64_t PackPoint(POINT point)
{
    return uint64_t(uint32_t(point.x)) | uint64_t(uint32_t(point.y)) << 32;
}

POINT UnpackPoint(uint64_t packed)
{
    return { LONG(int32_t(uint32_t(packed))), LONG(int32_t(uint32_t(packed >> 32))) };
}

// How long after the last move of a burst the hook checks itself: the
// mouse reports a move every few milliseconds while the hand moves it, so
// half a second without one means it rests, and a gaze frozen by a dropped
// hook is mended before anyone wonders at it.
constexpr DWORD kHookCheckDelay = 500;

// How far the cursor may lie from the hook's last point without counting
// as moves the hook missed: a pixel of rounding each way between the
// system's coordinate spaces.
constexpr LONG kHookTolerance = 2;

void WakeGuiThread()
{
    if (!g_app.hookWakePending.exchange(true) && !PostMessageW(g_app.hookWakeTarget, kCursorMoved, 0, 0))
        g_app.hookWakePending.store(false);
}

// The hook's last point as the cursor can have it: the hook reports a move
// before the system keeps the cursor on the screen and inside the
// rectangle a program may confine it to (which the system gives in the
// program's logical coordinates), so the point is clipped to that, in
// physical pixels through the monitors' scales. Only a point the cursor is
// not at needs this.
POINT ReachablePoint(POINT point)
{
    RECT clip{};
    MonitorSpaces monitors[kMaxMonitors];
    const size_t count = ReadMonitorList(monitors);
    if (!GetClipCursor(&clip))
        return point;
    const ScreenPoint low = LogicalPointToPhysical({ clip.left, clip.top }, monitors, count);
    const ScreenPoint high = LogicalPointToPhysical({ clip.right, clip.bottom }, monitors, count);
    return { std::clamp<LONG>(point.x, low.x, std::max<LONG>(low.x, high.x - 1)),
             std::clamp<LONG>(point.y, low.y, std::max<LONG>(low.y, high.y - 1)) };
}

// After a burst of movement the hook checks itself on its own thread: the
// system drops a low-level hook that keeps it waiting past its timeout,
// without a word, and the gaze would then freeze for good. The cursor's
// physical place, which GetPhysicalCursorPos gives at every scale, as the
// hook's own point is, must be where the hook last saw it. Otherwise the
// hook missed moves: the cursor's place becomes the newest point, a new
// hook takes the old one's place on this thread, and the GUI thread is
// woken to draw it. Returns false, after telling the GUI thread, when no
// new hook can be installed.
bool CheckHookAfterBurst()
{
    POINT cursor{};
    if (!GetPhysicalCursorPos(&cursor))
        return true;
    auto atCursor = [&](POINT point) {
        return std::abs(cursor.x - point.x) <= kHookTolerance && std::abs(cursor.y - point.y) <= kHookTolerance;
    };
    const POINT last = UnpackPoint(g_app.latestHookPoint.load());
    if (atCursor(last) || atCursor(ReachablePoint(last)))
        return true;
    g_app.latestHookPoint.store(PackPoint(cursor));
    HHOOK fresh = SetWindowsHookExW(WH_MOUSE_LL, MouseHookProc, g_app.hInstance, 0);
    if (fresh == nullptr) {
        PostMessageW(g_app.hookWakeTarget, kHookLost, GetLastError(), 0);
        return false;
    }
    UnhookWindowsHookEx(g_app.hMouseHook);
    g_app.hMouseHook = fresh;
    WakeGuiThread();
    return true;
}

// The hook thread does little but hold the hook: the system calls the hook
// procedure while this thread takes its messages, and waits for it to
// return before it passes the event on to the rest of the desktop. It runs
// at time-critical priority, above every ordinary thread, dynamic boosts
// included: its work is a few microseconds an event, so it cannot starve
// anyone, while ordinary work that kept it off the processor past the
// system's timeout would get the hook dropped. After a burst it checks the
// hook once; at rest it waits for messages alone.
DWORD WINAPI HookThreadProc(void* ready)
{
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    MSG message;
    PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    g_app.hookCheckDue = false;
    g_app.hMouseHook = SetWindowsHookExW(WH_MOUSE_LL, MouseHookProc, g_app.hInstance, 0);
    const DWORD error = g_app.hMouseHook != nullptr ? ERROR_SUCCESS : GetLastError();
    SetEvent(static_cast<HANDLE>(ready));
    if (g_app.hMouseHook == nullptr)
        return error;
    for (bool running = true; running;) {
        const LONG left = LONG(g_app.lastHookMove + kHookCheckDelay - GetTickCount());
        MsgWaitForMultipleObjectsEx(0, nullptr, !g_app.hookCheckDue ? INFINITE : DWORD(std::max<LONG>(left, 0)),
                                    QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        while (running && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            running = message.message != WM_QUIT;
            DispatchMessageW(&message);
        }
        if (running && g_app.hookCheckDue && LONG(g_app.lastHookMove + kHookCheckDelay - GetTickCount()) <= 0) {
            g_app.hookCheckDue = false;
            running = CheckHookAfterBurst();
        }
    }
    UnhookWindowsHookEx(g_app.hMouseHook);
    g_app.hMouseHook = nullptr;
    return ERROR_SUCCESS;
}

} // namespace

// Installs the low-level mouse hook on a thread of its own and waits until
// it is in place, at start-up and whenever the eyes can be seen again. A
// failure is reported with the hook thread's error code.
bool StartCursorTracking()
{
    if (g_app.hookThread != nullptr)
        return true;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    g_app.counterFrequency = frequency.QuadPart;
    g_app.hookWakeTarget = g_app.MainWindow;
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (ready != nullptr)
        g_app.hookThread = CreateThread(nullptr, 0, HookThreadProc, ready, 0, &g_app.hookThreadId);
    if (g_app.hookThread == nullptr) {
        const DWORD error = GetLastError();
        if (ready != nullptr)
            CloseHandle(ready);
        ReportError(nullptr, kMsgMouseHook, error);
        return false;
    }
    WaitForSingleObject(ready, INFINITE);
    CloseHandle(ready);
    if (g_app.hMouseHook != nullptr)
        return true;
    WaitForSingleObject(g_app.hookThread, INFINITE);
    DWORD error = ERROR_SUCCESS;
    GetExitCodeThread(g_app.hookThread, &error);
    CloseHandle(g_app.hookThread);
    g_app.hookThread = nullptr;
    ReportError(nullptr, kMsgMouseHook, error);
    return false;
}

// Ends the hook thread, which removes the hook on its way out, and waits
// for it, so that no wake-up can arrive once the drawing surfaces go. A
// frame still waiting for its turn is dropped with it.
void StopCursorTracking()
{
    if (g_app.hookThread == nullptr)
        return;
    KillTimer(g_app.MainWindow, kFrameTimer);
    g_app.frameTimerPending = false;
    PostThreadMessageW(g_app.hookThreadId, WM_QUIT, 0, 0);
    WaitForSingleObject(g_app.hookThread, INFINITE);
    CloseHandle(g_app.hookThread);
    g_app.hookThread = nullptr;
    g_app.hookThreadId = 0;
    g_app.hookWakePending.store(false);
}

// On the GUI thread, for the hook's wake-up and the frame timer: the eyes
// look at the newest point. The wake-up is marked handled before the point
// is read, so a move that comes in meanwhile posts a wake-up of its own.
// That the eye window is still the host's child is known at once, and made
// sure of on every wake-up.
//
// After a frame that took d microseconds the thread rests as long before
// it draws the next, and the timer then draws the newest point: a large
// window on a slow system keeps half a processor free for everything else,
// and the mouse on its way loses nothing but frames no one could see.
void DrawLatestCursor()
{
    g_app.hookWakePending.store(false);
    if (g_app.eyesHidden || g_app.frameTimerPending || g_app.EyeWindow == nullptr)
        return;
    CheckEyeWindowAttached(false);
    if (g_app.EyeWindow == nullptr)
        return;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const LONGLONG rested = now.QuadPart - g_app.lastFrameEnd;
    if (rested < g_app.lastFrameCost) {
        const UINT wait = UINT((g_app.lastFrameCost - rested) * 1000 / g_app.counterFrequency) + 1;
        g_app.frameTimerPending = SetTimer(g_app.MainWindow, kFrameTimer, wait, nullptr) != 0;
        if (g_app.frameTimerPending)
            return;
    }
    const bool drawn = RenderEyes(HookPointToLogical(UnpackPoint(g_app.latestHookPoint.load())));
    LARGE_INTEGER end;
    QueryPerformanceCounter(&end);
    if (drawn) {
        g_app.lastFrameCost = end.QuadPart - now.QuadPart;
        g_app.lastFrameEnd = end.QuadPart;
    }
}

void OnFrameTimer()
{
    KillTimer(g_app.MainWindow, kFrameTimer);
    g_app.frameTimerPending = false;
    DrawLatestCursor();
}

// Runs on the hook thread for every mouse event of the desktop, which waits
// for it: it only keeps the newest point of a movement and its time, for
// the hook's check after the burst, and wakes the GUI thread, at most one
// wake-up at a time, and passes every event on unchanged, also when it was
// injected by another program. Nothing here allocates or can throw.
LRESULT CALLBACK MouseHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && wParam == WM_MOUSEMOVE) {
        const MSLLHOOKSTRUCT* event = reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
        g_app.latestHookPoint.store(PackPoint(event->pt));
        g_app.lastHookMove = GetTickCount();
        g_app.hookCheckDue = true;
        WakeGuiThread();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The system dropped the hook and no new one could be installed: the
// program ends as a quit does, after the start-up's message, as when the
// hook cannot come back with the eyes.
void OnHookLost(DWORD error)
{
    StopCursorTracking();
    ReportError(nullptr, kMsgMouseHook, error);
    RequestQuit();
}
