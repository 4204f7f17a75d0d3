#pragma once
#include <windows.h>

INT_PTR CALLBACK PositionSizeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
