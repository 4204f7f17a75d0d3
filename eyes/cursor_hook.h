#pragma once
#include <windows.h>

// The timer on MainWindow that draws the newest point once the GUI thread
// has rested after a frame; the re-attach timers have ids 1 to 3.
constexpr UINT_PTR kFrameTimer = 4;

bool StartCursorTracking();
void StopCursorTracking();
void DrawLatestCursor();
void OnFrameTimer();
void OnHookLost(DWORD error);
LRESULT CALLBACK MouseHookProc(int code, WPARAM wParam, LPARAM lParam);

// The hook's point is in physical pixels, everything else in the program's
// logical coordinates.
POINT HookPointToLogical(POINT physical);
