#pragma once
#include <windows.h>

// Ends the program: through the innermost open settings dialog, or at once
// by destroying the main window. Every window procedure may need it, so it
// is declared down here; the main window, whose end it is, defines it.
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
