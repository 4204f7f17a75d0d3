#include "eyes/cover_watch.h"

#include <windows.h>

#include <algorithm>

#include "app/app_state.h"
#include "app/window_messages.h"
#include "eyes/cover_search.h"

namespace {

// Not in the headers for the Windows 7 target this project builds for; the
// values are the system's.
constexpr DWORD kEventObjectCloaked = 0x8017;
constexpr DWORD kEventObjectUncloaked = 0x8018;

// The rare events of the whole desktop after which a window may no longer
// cover the eyes, whoever raises them: a move or resize by the user ended,
// a window was minimized or restored, cloaked or uncloaked (the shell does
// that for other programs' windows when the virtual desktop changes).
constexpr DWORD kSystemEvents[][2] = {
    { EVENT_SYSTEM_MOVESIZEEND, EVENT_SYSTEM_MOVESIZEEND },
    { EVENT_SYSTEM_MINIMIZESTART, EVENT_SYSTEM_MINIMIZEEND },
    { kEventObjectCloaked, kEventObjectUncloaked },
};
constexpr size_t kSystemHooks = sizeof kSystemEvents / sizeof kSystemEvents[0];

// The programs whose windows cover the eyes are listened to for the
// frequent events, and only they: a window of theirs destroyed, shown,
// hidden or restacked. Covers of more programs than this are left to the
// look once a second.
constexpr size_t kWatchedProcesses = 4;

// A look follows an event about a cover this long after it, however many
// more come meanwhile; without events, a look comes once a second, for the
// changes nobody raises an event for (a program moving another's window,
// a window region, and Wine, which raises few of them to another process).
// The order of the windows is looked at only after a restack: under Wine,
// every window asked about is a round trip to the server.
constexpr DWORD kEventLookDelay = 100;
constexpr DWORD kLookInterval = 1000;

struct WatchHooks {
    HWINEVENTHOOK system[kSystemHooks];
    HWINEVENTHOOK processes[kWatchedProcesses];
};

// Runs on the watch thread for each event it listens to. Events about
// anything but a whole window (carets and cursors above all), and about
// windows that do not cover the eyes, are dropped at once; a restack of the
// desktop's windows is kept, for it may have sent a cover below the eyes.
// What is kept asks for one look a moment later, however many more come.
void CALLBACK OnWindowEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD)
{
    static const HWND desktop = GetDesktopWindow();
    const CoverList& list = g_app.covers;
    const bool restacked = event == EVENT_OBJECT_REORDER && window == desktop;
    if (!restacked && (object != OBJID_WINDOW || child != CHILDID_SELF ||
                       std::none_of(list.windows, list.windows + list.count,
                                    [&](const CoverWindow& c) { return c.window == window; })))
        return;
    g_app.coverRestacked = g_app.coverRestacked || restacked;
    if (!g_app.coverLookArmed) {
        g_app.coverLookArmed = true;
        g_app.coverLookDue = GetTickCount() + kEventLookDelay;
    }
}

HWINEVENTHOOK Listen(DWORD first, DWORD last, DWORD process)
{
    return SetWinEventHook(first, last, nullptr, OnWindowEvent, process, 0, WINEVENT_OUTOFCONTEXT);
}

void Unlisten(HWINEVENTHOOK& hook)
{
    if (hook != nullptr)
        UnhookWinEvent(hook);
    hook = nullptr;
}

// Listens to the frequent events of the programs that own the covers now.
// Naming the process leaves out this program's own events by itself.
void ListenToCoverProcesses(WatchHooks& hooks)
{
    for (HWINEVENTHOOK& hook : hooks.processes)
        Unlisten(hook);
    size_t count = 0;
    DWORD processes[kWatchedProcesses];
    const CoverList& list = g_app.covers;
    for (size_t i = 0; i < list.count && count < kWatchedProcesses; ++i) {
        const DWORD process = list.windows[i].process;
        if (std::find(processes, processes + count, process) != processes + count)
            continue;
        processes[count] = process;
        hooks.processes[count++] = Listen(EVENT_OBJECT_DESTROY, EVENT_OBJECT_REORDER, process);
    }
}

// One look at the covers, on the watch thread. The eye window leaving its
// host, and covers that went, wake the GUI thread for a full look. Covers
// that changed, or were restacked, are walked again here, and while the
// eyes stay covered, the watch goes on with the new ones. Returns whether
// the GUI thread was told: a message that could not be posted is tried
// again at the next look.
bool LookAgain(WatchHooks& hooks)
{
    const CoverScene& scene = g_app.coverScene;
    const bool restacked = g_app.coverRestacked;
    g_app.coverRestacked = false;
    const bool attached = GetAncestor(scene.eyeWindow, GA_PARENT) == scene.eyeParent;
    if (attached && !restacked && CoversUnchanged(g_app.covers))
        return false;
    if (attached && FindCovers(scene, g_app.covers)) {
        ListenToCoverProcesses(hooks);
        return false;
    }
    return PostMessageW(g_app.MainWindow, kCoversChanged, 0, 0) != FALSE;
}

// Milliseconds until the next look: the one an event asked for, or the
// regular one, whichever comes first; 0 once it is due.
DWORD UntilNextLook(DWORD regular)
{
    const DWORD due = g_app.coverLookArmed && LONG(g_app.coverLookDue - regular) < 0 ? g_app.coverLookDue : regular;
    const LONG left = LONG(due - GetTickCount());
    return left > 0 ? DWORD(left) : 0;
}

// The watch runs its hooks on a thread of its own, which owns no windows:
// the GUI thread, which owns them, is not woken by any event, and under
// Wine every wake-up of a thread with windows costs the better part of a
// millisecond. The thread waits for the events, the time of the next look
// or its end, and handles the events while it takes its messages.
DWORD WINAPI CoverWatchProc(void*)
{
    MSG message;
    PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    WatchHooks hooks{};
    for (size_t i = 0; i < kSystemHooks; ++i)
        hooks.system[i] = Listen(kSystemEvents[i][0], kSystemEvents[i][1], 0);
    ListenToCoverProcesses(hooks);
    g_app.coverLookArmed = false;
    g_app.coverRestacked = false;
    DWORD regular = GetTickCount() + kLookInterval;
    for (;;) {
        if (MsgWaitForMultipleObjectsEx(1, &g_app.coverWatchStop, UntilNextLook(regular), QS_ALLINPUT,
                                        MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0)
            break;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        if (UntilNextLook(regular) > 0)
            continue;
        g_app.coverLookArmed = false;
        regular = GetTickCount() + kLookInterval;
        if (LookAgain(hooks))
            break;
    }
    for (HWINEVENTHOOK& hook : hooks.system)
        Unlisten(hook);
    for (HWINEVENTHOOK& hook : hooks.processes)
        Unlisten(hook);
    return 0;
}

} // namespace

// Starts the watch over the covers of the last full look. False when no
// thread could be made: the eyes then stay live, as in view.
bool StartCoverWatch()
{
    if (g_app.coverWatchThread != nullptr)
        return true;
    g_app.coverWatchStop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (g_app.coverWatchStop != nullptr)
        g_app.coverWatchThread = CreateThread(nullptr, 0, CoverWatchProc, nullptr, 0, nullptr);
    if (g_app.coverWatchThread != nullptr)
        return true;
    if (g_app.coverWatchStop != nullptr)
        CloseHandle(g_app.coverWatchStop);
    g_app.coverWatchStop = nullptr;
    return false;
}

// Ends the watch and waits for its thread, before anything it reads
// changes.
void StopCoverWatch()
{
    if (g_app.coverWatchThread == nullptr)
        return;
    SetEvent(g_app.coverWatchStop);
    WaitForSingleObject(g_app.coverWatchThread, INFINITE);
    CloseHandle(g_app.coverWatchThread);
    CloseHandle(g_app.coverWatchStop);
    g_app.coverWatchThread = nullptr;
    g_app.coverWatchStop = nullptr;
}
