#include "eyes/screen_monitors.h"

#include <windows.h>

#include "app/app_state.h"

namespace {

struct MonitorList {
    MonitorSpaces* monitors;
    size_t count;
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
    const RECT& r = info.rcMonitor;
    list.monitors[list.count++] = { { r.left, r.top, r.right, r.bottom },
                                    { left, top, left + int32_t(mode.dmPelsWidth), top + int32_t(mode.dmPelsHeight) } };
    return list.count < kMaxMonitors;
}

} // namespace

// Every monitor where the program sees it and where its pixels lie: a
// program that declares no awareness is shown each monitor's rectangle in
// logical coordinates of its own, while the display mode counts the
// monitor's real pixels. Returns how many there are.
size_t ReadMonitorList(MonitorSpaces* monitors)
{
    MonitorList list{ monitors, 0 };
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&list));
    return list.count;
}

// The monitors the GUI thread goes by, read at the start and whenever the
// display changes, never per frame: the frames carry the mouse hook's
// physical points through them, and the looks the compositor's bounds.
void ReadMonitors()
{
    g_app.monitorCount = ReadMonitorList(g_app.monitors);
}
