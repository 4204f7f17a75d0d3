#pragma once
#include <windows.h>

#include "app/quit_request.h"

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void BringSettingsToFront();
