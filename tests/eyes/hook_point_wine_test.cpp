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

bool Inside(POINT p)
{
    return p.x >= g_window.left && p.x <= g_window.right && p.y >= g_window.top && p.y <= g_window.bottom;
}

BOOL WINAPI PhysicalToLogical(HWND, POINT* p)
{
    ++g_systemCalls;
    const POINT logical = {p->x * 2 / 3, p->y * 2 / 3};
    return Inside(logical) && (*p = logical, TRUE);
}

BOOL WINAPI LogicalToPhysical(HWND, POINT* p)
{
    return Inside(*p) && (*p = {p->x * 3 / 2, p->y * 3 / 2}, TRUE);
}

BOOL WINAPI Refuse(HWND, POINT*)
{
    return FALSE;
}

using Conversion = BOOL(WINAPI*)(HWND, POINT*);

TEST(HookPointToLogical, UsesTheSystemThenTheWindowsCornersThenThePointItself)
{
    // An eye window spanning an even number of pixels, so that its corners
    // scale exactly.
    g_app.EyeWindow = CreateWindowExW(0, L"STATIC", nullptr, WS_POPUP, 100, 100, 317, 201, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
    GetWindowRect(g_app.EyeWindow, &g_window);
    const struct {
        Conversion toLogical, toPhysical;
        POINT physical, logical;
        int systemCalls;
    } cases[] = {
        {PhysicalToLogical, LogicalToPhysical, {300, 300}, {200, 200}, 1},      // inside: the system's answer
        {PhysicalToLogical, LogicalToPhysical, {1500, 900}, {1000, 600}, 1},    // outside: through the corners
        {PhysicalToLogical, LogicalToPhysical, {-600, -300}, {-400, -200}, 1},  // a monitor left of and above
        {nullptr, LogicalToPhysical, {1500, -900}, {1500, -900}, 0},            // no conversion on this system
        {Refuse, Refuse, {1500, 900}, {1500, 900}, 0},
        {PhysicalToLogical, nullptr, {1500, 900}, {1500, 900}, 1},
    };
    for (const auto& c : cases) {
        g_app.physicalToLogicalPoint = c.toLogical;
        g_app.logicalToPhysicalPoint = c.toPhysical;
        g_systemCalls = 0;
        const POINT logical = HookPointToLogical(c.physical);
        EXPECT_EQ(logical.x, c.logical.x) << c.physical.x << ", " << c.physical.y;
        EXPECT_EQ(logical.y, c.logical.y) << c.physical.x << ", " << c.physical.y;
        EXPECT_EQ(g_systemCalls, c.systemCalls) << "the system's own conversion is tried first";
    }
    // This system's conversions, unscaled, change nothing.
    LoadPointConversions();
    for (const POINT point : {POINT{200, 150}, POINT{1000, 700}, POINT{-50, 20}}) {
        EXPECT_EQ(HookPointToLogical(point).x, point.x);
        EXPECT_EQ(HookPointToLogical(point).y, point.y);
    }
    DestroyWindow(g_app.EyeWindow);
    g_app.EyeWindow = nullptr;
}

} // namespace
