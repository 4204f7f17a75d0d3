// The hook's physical point carried into the program's logical coordinates,
// on a real window, with the system's two conversions played by stand-ins
// for a display at 150 %: Wine keeps the two spaces equal.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/app_state.h"
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

} // namespace
