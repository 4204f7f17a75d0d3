#pragma once
#include <windows.h>

// The program's own window messages, each numbered only here.

// At MainWindow: the tray icon's callback, whose lParam is the mouse
// message itself since no NIM_SETVERSION is sent.
constexpr UINT kTrayCallback = WM_APP;

// Posted to an open dialog of the settings: close, and end with 2. It shares
// its number with the tray callback, which only MainWindow receives.
constexpr UINT kCloseRequest = WM_APP;

// Sent to the running instance's MainWindow by a second start.
constexpr UINT kSecondStart = WM_APP + 1;

// Posted by the hook thread to MainWindow when the cursor has moved and no
// such wake-up is pending yet. Modal loops deliver it too.
constexpr UINT kCursorMoved = WM_APP + 2;

// Posted to MainWindow to look at whether anyone can see the eyes; at most
// one is waiting at any time.
constexpr UINT kCheckVisibility = WM_APP + 3;

// Posted to MainWindow by the thread that watches the windows over the
// hidden eyes when one of them changed: a full look follows.
constexpr UINT kCoversChanged = WM_APP + 4;

// Posted to MainWindow by the hook thread when the system dropped its hook
// and it could not be installed again; wParam is the system's error code.
constexpr UINT kHookLost = WM_APP + 5;
