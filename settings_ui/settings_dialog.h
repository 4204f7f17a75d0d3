#pragma once
#include <windows.h>

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void ShowPendingPosition();
void ShowPendingSize();
void PairDialogAboveDragWindow();
void EndDialogOnCloseRequest(HWND dialog);
void EndSettingsDialog(HWND dialog, INT_PTR result);
HWND EnabledPopupOf(HWND owner);
