#pragma once
#include <windows.h>

INT_PTR CALLBACK PositionSizeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK SignedDigitFilter(HWND edit, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK UnsignedDigitFilter(HWND edit, UINT message, WPARAM wParam, LPARAM lParam);
void RunPositionSizeDialog(HWND settingsDialog);
