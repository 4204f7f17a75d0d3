#pragma once
#include <windows.h>

// The re-attach timers on MainWindow: ids 1, 2 and 3, due 1 s, 3 s and 10 s
// after the eye window was lost. Each fires at most once.
constexpr UINT_PTR kFirstReattachTimer = 1;
constexpr UINT_PTR kLastReattachTimer = 3;

bool FindDesktopHost();
void RefreshProgmanWindow();
bool EyeWindowAttached(bool askHost);
void CheckEyeWindowAttached(bool askHost);
void ReadHostOrigin();
bool CreateEyeWindow();
bool ReattachEyes(UINT_PTR id);
LRESULT CALLBACK EyeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
