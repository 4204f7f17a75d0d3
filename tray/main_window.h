#pragma once
#include <windows.h>

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void BringSettingsToFront();
void RequestQuit();

// An exception cannot travel from a window or dialog procedure back through
// the system's dispatch: the unwinder finds no way through the system's
// frames and would end the process. So every procedure of the program runs
// its handlers through this, which turns what they throw, such as a failed
// allocation, into the same orderly end as a quit, and answers 0.
template <typename Handler>
LRESULT CatchingQuit(Handler handler)
{
    try {
        return handler();
    } catch (...) {
        RequestQuit();
        return 0;
    }
}
