#include "app/startup.h"

#include <windows.h>

#include "app/app_state.h"
#include "app/class_names.h"
#include "app/messages.h"
#include "app/report_error.h"
#include "app/settings_file.h"
#include "eyes/eye_geometry.h"
#include "eyes/eye_renderer.h"
#include "eyes/eye_window.h"
#include "res/resource_ids.h"
#include "tray/main_window.h"
#include "tray/tray_icon.h"
#include "tray/work_window.h"

namespace {

// The main and the eye window class differ only in procedure and name.
ATOM RegisterAppClass(WNDPROC procedure, const wchar_t* name)
{
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = g_app.hInstance;
    windowClass.hIcon = g_app.hAppIcon;
    windowClass.lpszClassName = name;
    return RegisterClassExW(&windowClass);
}

bool LoadAppIcon()
{
    g_app.hAppIcon = static_cast<HICON>(
        LoadImageW(g_app.hInstance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    if (g_app.hAppIcon == nullptr) {
        ReportError(nullptr, kMsgAppIcon, GetLastError());
        return false;
    }
    return true;
}

bool CreateMainWindow()
{
    g_app.atomMainClass = RegisterAppClass(MainWindowProc, kMainClassName);
    if (g_app.atomMainClass == 0) {
        ReportError(nullptr, kMsgMainClass, GetLastError());
        return false;
    }
    g_app.MainWindow = CreateWindowExW(0, MAKEINTATOM(g_app.atomMainClass), nullptr, WS_POPUP | WS_DISABLED, 0, 0,
                                       0, 0, nullptr, nullptr, g_app.hInstance, nullptr);
    if (g_app.MainWindow == nullptr) {
        ReportError(nullptr, kMsgMainWindow, GetLastError());
        return false;
    }
    return true;
}

bool RegisterEyeClass()
{
    g_app.atomEyeClass = RegisterAppClass(EyeWindowProc, kEyeClassName);
    if (g_app.atomEyeClass == 0) {
        ReportError(nullptr, kMsgEyeClass, GetLastError());
        return false;
    }
    return true;
}

} // namespace

// Builds everything the program shows, stopping at the first failure after
// its message. Whatever was made by then is released by Shutdown, whose
// steps each test their own handle.
bool InitApplication()
{
    if (!LoadAppIcon())
        return false;
    if (!LoadSettings())
        return false;
    g_app.eyeGeometry = DeriveEyeGeometry(g_app.settings.width, g_app.settings.height);
    if (!CreateMainWindow())
        return false;
    // The shell announces a new notification area with this message, after
    // it restarted; the icon is then added again.
    g_app.taskbarCreatedMessage = RegisterWindowMessageW(kTaskbarCreatedMessageName);
    if (!RegisterEyeClass())
        return false;
    if (!CreateEyeSurfaces())
        return false;
    if (!AddTrayIconAndMenu())
        return false;
    return CreateEyeWindow();
}

// Releases everything in a fixed order, each step only when its own handle
// exists. MainWindow goes before the eye window, so that losing the eye
// window here arms no re-attach timers.
void Shutdown()
{
    RemoveTrayIconAndMenu();
    UnregisterWorkWindowClass();
    FreeSettingsPath();
    if (g_app.atomMainClass != 0) {
        if (g_app.MainWindow != nullptr)
            DestroyWindow(g_app.MainWindow);
        UnregisterClassW(MAKEINTATOM(g_app.atomMainClass), g_app.hInstance);
        g_app.atomMainClass = 0;
    }
    if (g_app.atomEyeClass != 0) {
        if (g_app.EyeWindow != nullptr)
            DestroyWindow(g_app.EyeWindow);
        UnregisterClassW(MAKEINTATOM(g_app.atomEyeClass), g_app.hInstance);
        g_app.atomEyeClass = 0;
    }
    DestroyEyeSurfaces();
}
