#pragma once
#include <windows.h>

bool FindDesktopHost();
bool CreateEyeWindow();
LRESULT CALLBACK EyeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
