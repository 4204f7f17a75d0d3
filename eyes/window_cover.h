#pragma once
// Whether other windows hide the eyes altogether. Nothing here calls the
// platform.
#include <cstddef>
#include <cstdint>

#include "app/screen_rect.h"

// How many separate uncovered pieces of the eyes the test follows. Windows
// that cut the rectangle into more pieces than this leave it counted as
// seen, which only costs the frames that a hidden pair of eyes would have
// saved.
constexpr size_t kMaxUncoveredPieces = 64;

bool RectCovered(const ScreenRect& target, const ScreenRect* covers, size_t count);
bool RectsCovered(const ScreenRect* targets, size_t targetCount, const ScreenRect* covers, size_t count);

// What decides whether a top-level window above the eyes hides what lies
// below it.
struct WindowFacts {
    bool visible;
    bool minimized;
    bool cloaked;        // the compositor keeps it off the screen: another virtual desktop, a suspended app
    bool layered;        // may be translucent anywhere
    bool clickThrough;   // WS_EX_TRANSPARENT
    bool shaped;         // a region of its own may let what lies below show anywhere
    bool shellDesktop;   // one of the shell's own desktop windows
    bool ownProcess;     // the program's own, such as the translucent preview
};

bool WindowHidesWhatIsBelow(const WindowFacts& facts);
