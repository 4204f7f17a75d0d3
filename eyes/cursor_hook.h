#pragma once
#include <windows.h>

LRESULT CALLBACK MouseHookProc(int code, WPARAM wParam, LPARAM lParam);

// The hook's point is in physical pixels, everything else in the program's
// logical coordinates; these two carry the one into the other.
void LoadPointConversions();
POINT HookPointToLogical(POINT physical);
