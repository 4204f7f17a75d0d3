#include "eyes/cursor_hook.h"

#include "app/app_state.h"
#include "eyes/eye_renderer.h"
#include "eyes/point_scale.h"

namespace {

using PointConversion = BOOL(WINAPI*)(HWND, POINT*);

ScreenPoint ToScreenPoint(POINT point)
{
    return { point.x, point.y };
}

// Two corners of the eye window in logical coordinates and where the system
// puts them in physical pixels. False when any of that is unknown.
bool EyeWindowCorners(PointPair& topLeft, PointPair& bottomRight)
{
    RECT rect;
    if (g_app.logicalToPhysicalPoint == nullptr || !GetWindowRect(g_app.EyeWindow, &rect) ||
        rect.right - rect.left < 2 || rect.bottom - rect.top < 2)
        return false;
    POINT first = { rect.left, rect.top };
    POINT second = { rect.right - 1, rect.bottom - 1 };
    topLeft.logical = ToScreenPoint(first);
    bottomRight.logical = ToScreenPoint(second);
    if (!g_app.logicalToPhysicalPoint(g_app.EyeWindow, &first) ||
        !g_app.logicalToPhysicalPoint(g_app.EyeWindow, &second))
        return false;
    topLeft.physical = ToScreenPoint(first);
    bottomRight.physical = ToScreenPoint(second);
    return true;
}

} // namespace

// Looks the conversions up at run time: systems before Windows 8.1 have
// neither, and there the hook's point already is the program's.
void LoadPointConversions()
{
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (user32 == nullptr)
        return;
    g_app.physicalToLogicalPoint = reinterpret_cast<PointConversion>(
        reinterpret_cast<void*>(GetProcAddress(user32, "PhysicalToLogicalPointForPerMonitorDPI")));
    g_app.logicalToPhysicalPoint = reinterpret_cast<PointConversion>(
        reinterpret_cast<void*>(GetProcAddress(user32, "LogicalToPhysicalPointForPerMonitorDPI")));
}

// The program declares no DPI awareness, so on a scaled display the system
// shows it logical coordinates everywhere except in the low-level hook's
// event record, which stays in physical pixels. The conversion is done in
// the eye window's terms, since the eyes look from there: the system
// converts a point inside the eye window itself, and a point elsewhere is
// carried through the same map, fixed by two of the window's corners. When
// neither can be done the point is taken as it is.
POINT HookPointToLogical(POINT physical)
{
    if (g_app.physicalToLogicalPoint == nullptr)
        return physical;
    POINT point = physical;
    if (g_app.physicalToLogicalPoint(g_app.EyeWindow, &point))
        return point;
    PointPair topLeft;
    PointPair bottomRight;
    if (!EyeWindowCorners(topLeft, bottomRight))
        return physical;
    const ScreenPoint logical = MapPhysicalToLogical(ToScreenPoint(physical), topLeft, bottomRight);
    return { logical.x, logical.y };
}

// Every mouse movement redraws the eyes at once while the eye window
// exists; the event itself always goes on to the next hook unchanged, also
// when it is injected by another program.
LRESULT CALLBACK MouseHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && wParam == WM_MOUSEMOVE && g_app.EyeWindow != nullptr) {
        const MSLLHOOKSTRUCT* event = reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
        RenderEyes(HookPointToLogical(event->pt));
    }
    return CallNextHookEx(g_app.hMouseHook, code, wParam, lParam);
}
