#pragma once
#include <windows.h>

void ReportError(HWND owner, const wchar_t* text, DWORD code);
void ShowMessage(HWND owner, const wchar_t* text);
