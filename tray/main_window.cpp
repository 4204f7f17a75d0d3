#include "tray/main_window.h"

#include "app/app_state.h"
#include "app/messages.h"
#include "app/report_error.h"
#include "app/window_messages.h"
#include "eyes/cursor_hook.h"
#include "eyes/eye_renderer.h"
#include "eyes/eye_visibility.h"
#include "eyes/eye_window.h"
#include "res/resource_ids.h"
#include "tray/settings_command.h"
#include "tray/tray_icon.h"
#include "tray/work_window.h"

namespace {

// Left-aligned and top-aligned at the cursor, either button chooses, and the
// chosen id comes back as the result instead of as a message.
constexpr UINT kPopupMenuFlags = TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON;

bool SettingsUIOpen()
{
    return g_app.SettingsDialog != nullptr;
}

// The menu needs a foreground owner, and MainWindow, being disabled, cannot
// serve. Returns the chosen item, or 0 when the menu was dismissed or could
// not be shown.
UINT ShowPopupMenu(POINT at)
{
    HWND owner = CreateWorkWindow();
    if (owner == nullptr) {
        ReportError(nullptr, kMsgWorkWindow, GetLastError());
        return 0;
    }
    g_app.MenuOwnerWindow = owner;
    SetForegroundWindow(owner);
    BringSettingsToFront();
    const UINT item =
        UINT(TrackPopupMenuEx(GetSubMenu(g_app.PopupMenu, 0), kPopupMenuFlags, at.x, at.y, owner, nullptr));
    DestroyWindow(owner);
    if (g_app.MenuOwnerWindow == owner)
        g_app.MenuOwnerWindow = nullptr;
    return item;
}

// A button release on the tray icon opens the menu at the cursor. The
// work-window class is registered for the menu's owner unless a handling
// underneath already holds it: the one that opened the settings user
// interface, or a click whose failure report is still on screen. The class
// is then left to that handling, so that it is registered exactly once and
// unregistered by the handling that registered it.
void OnTrayClick(LPARAM mouseMessage)
{
    if (mouseMessage != WM_LBUTTONUP && mouseMessage != WM_RBUTTONUP)
        return;
    const bool registeredHere = !WorkWindowClassRegistered();
    if (registeredHere && !RegisterWorkWindowClass()) {
        ReportError(nullptr, kMsgWorkClass, GetLastError());
        return;
    }
    POINT cursor = {};
    GetCursorPos(&cursor);
    const UINT item = ShowPopupMenu(cursor);
    if (item == IDM_QUIT)
        RequestQuit();
    else if (item == IDM_SETTINGS && !SettingsUIOpen())
        RunSettingsUI();
    if (registeredHere)
        UnregisterWorkWindowClass();
}

// A re-attach timer fired; a new eye window is looked at at once, which
// also makes sure it stays in its host.
void OnReattachTimer(UINT_PTR id)
{
    if (ReattachEyes(id))
        RequestVisibilityCheck();
}

// The desktop's work area changed: the eyes are put back at the settings'
// position in the host's client coordinates, if they still have a host.
void OnWorkAreaChange()
{
    CheckEyeWindowAttached(true);
    RequestVisibilityCheck();
    if (g_app.EyeWindow == nullptr)
        return;
    const POINT position = EyePositionInHost();
    SetWindowPos(g_app.EyeWindow, nullptr, position.x, position.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

// The shell has restarted: its notification area lost the icon, and the
// eyes may have gone with the old desktop, which the look at whether they
// can be seen makes sure of first.
void OnTaskbarCreated()
{
    RestoreTrayIcon();
    UpdateEyesVisibility();
}

void OnMainWindowDestroy()
{
    StopVisibilityWatch();
    g_app.MainWindow = nullptr;
    PostQuitMessage(0);
}

// The messages of the hidden main window: tray clicks, the second start's
// wake-up, the hook's wake-up, the re-attach and frame timers, the
// looks at whether the eyes can be seen, the session's and the display's
// changes, work-area changes and the shell's new taskbar. It never closes
// on request; only its destruction ends the program.
LRESULT HandleMainMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case kTrayCallback:
        OnTrayClick(lParam);
        return 0;
    case kSecondStart:
        BringSettingsToFront();
        return 0;
    case kCursorMoved:
        OnCursorMoved();
        return 0;
    case kHookLost:
        OnHookLost(DWORD(wParam));
        return 0;
    case WM_TIMER:
        if (wParam >= kFirstReattachTimer && wParam <= kLastReattachTimer) {
            OnReattachTimer(wParam);
            return 0;
        }
        if (wParam == kFrameTimer) {
            OnFrameTimer();
            return 0;
        }
        break;
    case kCheckVisibility:
    case kCoversChanged:
        UpdateEyesVisibility();
        return 0;
    case WM_WTSSESSION_CHANGE:
        OnSessionChange(wParam);
        return 0;
    case WM_POWERBROADCAST:
        if (OnPowerBroadcast(wParam, lParam))
            return TRUE;
        break;
    case WM_DISPLAYCHANGE:
        OnDisplayChange();
        break;
    case WM_SETTINGCHANGE:
        if (wParam == SPI_SETWORKAREA)
            OnWorkAreaChange();
        break;
    case WM_CLOSE:
        return 0;
    case WM_DESTROY:
        OnMainWindowDestroy();
        return 0;
    default:
        if (message != 0 && message == g_app.taskbarCreatedMessage) {
            OnTaskbarCreated();
            return 0;
        }
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

// The hidden main window's procedure; what its handlers throw ends the
// program as a quit does.
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return CatchingQuit([&] { return HandleMainMessage(window, message, wParam, lParam); });
}

// Brings the settings windows forward when they are open: the window of the
// pair that was active last, or the numeric dialog when it is open above
// the settings dialog. The inactive one of the pair is always kept directly
// below the active one.
void BringSettingsToFront()
{
    if (!SettingsUIOpen())
        return;
    if (GetWindow(g_app.DragWindow, GW_HWNDPREV) != g_app.SettingsDialog) {
        SetForegroundWindow(g_app.DragWindow);
        return;
    }
    SetForegroundWindow(g_app.PositionSizeDialog != nullptr ? g_app.PositionSizeDialog : g_app.SettingsDialog);
}

// Ends the program: through the innermost open dialog, which ends with 2 and
// lets the Settings command tear everything down first, or at once by
// destroying the main window. Once asked, the end is not lost: the dialogs
// end with 2 whatever else they were doing, and the Settings command
// destroys the main window after them.
void RequestQuit()
{
    g_app.quitRequested = true;
    if (!SettingsUIOpen()) {
        if (g_app.MainWindow != nullptr)
            DestroyWindow(g_app.MainWindow);
        return;
    }
    HWND dialog = g_app.PositionSizeDialog != nullptr ? g_app.PositionSizeDialog : g_app.SettingsDialog;
    PostMessageW(dialog, kCloseRequest, 0, 0);
}
