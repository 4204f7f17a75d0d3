#pragma once
#include <windows.h>

// Hidden, never shown WS_POPUP windows that ignore WM_CLOSE: the popup
// menu's foreground owner and the settings windows' alternating owners.
ATOM RegisterHelperWindowClass(const wchar_t* name, WNDPROC procedure);
bool RegisterWorkWindowClass();
bool WorkWindowClassRegistered();
void UnregisterWorkWindowClass();
HWND CreateWorkWindow();
LRESULT CALLBACK WorkWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
