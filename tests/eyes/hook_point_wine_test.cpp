// The hook's physical point carried into the program's logical coordinates,
// on a real window, with the system's two conversions played by stand-ins
// for a display at 150 %: Wine keeps the two spaces equal. And the hook's
// wake-ups, on a real message queue.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/app_state.h"
#include "app/window_messages.h"
#include "eyes/cursor_hook.h"

namespace {

RECT g_window;  // the eye window, logical; the stand-ins refuse points outside it
int g_systemCalls;

BOOL WINAPI PhysicalToLogical(HWND, POINT* p)
{
    ++g_systemCalls;
    const POINT logical = {p->x * 2 / 3, p->y * 2 / 3};
    return PtInRect(&g_window, logical) && (*p = logical, TRUE);
}

BOOL WINAPI LogicalToPhysical(HWND, POINT* p)
{
    return PtInRect(&g_window, *p) && (*p = {p->x * 3 / 2, p->y * 3 / 2}, TRUE);
}

BOOL WINAPI Refuse(HWND, POINT*)
{
    return FALSE;
}

// The system's conversions, the physical point, the logical one expected,
// and whether the system's own conversion was asked first. Outside the eye
// window the point goes through the map fixed by its corners.
TEST(HookPointToLogical, UsesTheSystemThenTheWindowsCornersThenThePointItself)
{
    // An eye window spanning an even number of pixels, so that its corners
    // scale exactly.
    g_app.EyeWindow = CreateWindowExW(0, L"STATIC", nullptr, WS_POPUP, 100, 100, 317, 201, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
    GetWindowRect(g_app.EyeWindow, &g_window);
    using Conversion = BOOL(WINAPI*)(HWND, POINT*);
    const struct { Conversion toLogical, toPhysical; POINT physical, logical; int systemCalls; } cases[] = {
        {PhysicalToLogical, LogicalToPhysical, {300, 300}, {200, 200}, 1},
        {PhysicalToLogical, LogicalToPhysical, {1500, 900}, {1000, 600}, 1},
        {PhysicalToLogical, LogicalToPhysical, {-600, -300}, {-400, -200}, 1},
        {nullptr, LogicalToPhysical, {1500, -900}, {1500, -900}, 0},
        {Refuse, Refuse, {1500, 900}, {1500, 900}, 0},
        {PhysicalToLogical, nullptr, {1500, 900}, {1500, 900}, 1},
    };
    for (const auto& c : cases) {
        g_app.physicalToLogicalPoint = c.toLogical;
        g_app.logicalToPhysicalPoint = c.toPhysical;
        g_systemCalls = 0;
        const POINT logical = HookPointToLogical(c.physical);
        EXPECT_TRUE(logical.x == c.logical.x && logical.y == c.logical.y && g_systemCalls == c.systemCalls)
            << c.physical.x << ", " << c.physical.y << " gives " << logical.x << ", " << logical.y;
    }
    DestroyWindow(g_app.EyeWindow);
    g_app.EyeWindow = nullptr;
}

// A burst of moves before the GUI thread takes its wake-up posts one
// wake-up, and the newest point is the one kept; once the wake-up is taken,
// the next move posts again. Every event is passed on.
TEST(MouseHookProc, KeepsTheNewestPointAndWakesOnceAtATime)
{
    g_app.hookWakeTarget = CreateWindowExW(0, L"STATIC", nullptr, WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                           GetModuleHandleW(nullptr), nullptr);
    auto wakeUps = [] {
        int count = 0;
        MSG message;
        while (PeekMessageW(&message, g_app.hookWakeTarget, kCursorMoved, kCursorMoved, PM_REMOVE))
            ++count;
        return count;
    };
    MSLLHOOKSTRUCT event{};
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 50; ++i) {
            event.pt = {i - 20 * round, 1000 - i};
            MouseHookProc(HC_ACTION, WM_MOUSEMOVE, reinterpret_cast<LPARAM>(&event));
        }
        MouseHookProc(HC_ACTION, WM_LBUTTONDOWN, reinterpret_cast<LPARAM>(&event));
        const uint64_t point = g_app.latestHookPoint.load();
        EXPECT_EQ(wakeUps(), 1);
        EXPECT_TRUE(int32_t(uint32_t(point)) == 49 - 20 * round && int32_t(point >> 32) == 951);
        g_app.hookWakePending.store(false);
    }
    DestroyWindow(g_app.hookWakeTarget);
    g_app.hookWakeTarget = nullptr;
}

} // namespace
