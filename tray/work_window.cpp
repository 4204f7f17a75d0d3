#include "tray/work_window.h"

#include "app/app_state.h"
#include "app/class_names.h"

// Registers the class of the hidden work windows into atomWorkClass. The
// caller reports a failure, with the code GetLastError() gives right after.
// A class for the program's helper windows: no extra bytes, no cursor, no
// background, the application icon as large and small icon. The work
// windows and the drag window differ only in name and procedure.
ATOM RegisterHelperWindowClass(const wchar_t* name, WNDPROC procedure)
{
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = g_app.hInstance;
    windowClass.hIcon = g_app.hAppIcon;
    windowClass.hIconSm = g_app.hAppIcon;
    windowClass.lpszClassName = name;
    return RegisterClassExW(&windowClass);
}

// Registers the class into atomWorkClass, which keeps whatever was there on
// failure: the class of a handling underneath must not be lost.
bool RegisterWorkWindowClass()
{
    const ATOM atom = RegisterHelperWindowClass(kWorkClassName, WorkWindowProc);
    if (atom == 0)
        return false;
    g_app.atomWorkClass = atom;
    return true;
}

bool WorkWindowClassRegistered()
{
    return g_app.atomWorkClass != 0;
}

void UnregisterWorkWindowClass()
{
    if (g_app.atomWorkClass == 0)
        return;
    UnregisterClassW(MAKEINTATOM(g_app.atomWorkClass), g_app.hInstance);
    g_app.atomWorkClass = 0;
}

// A never shown, ownerless popup of the work class, or null; the caller
// reports a failure, with the code GetLastError() gives right after.
HWND CreateWorkWindow()
{
    return CreateWindowExW(0, MAKEINTATOM(g_app.atomWorkClass), nullptr, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           g_app.hInstance, nullptr);
}

// A work window ignores requests to close it; it goes only when its user
// destroys it.
LRESULT CALLBACK WorkWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE)
        return 0;
    return DefWindowProcW(window, message, wParam, lParam);
}
