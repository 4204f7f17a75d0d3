#pragma once
#include <windows.h>

#include <cstdint>

LRESULT CALLBACK DragWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HBITMAP DrawDragBitmap(HWND owner);
void SetPendingPosition(POINT point);
bool SetPendingRect(HWND owner, POINT point, int32_t width, int32_t height);
