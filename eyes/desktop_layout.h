#pragma once
// How the shell has laid out its desktop windows, decided from what
// "Progman" holds. Nothing here calls the platform.
#include <cstdint>

// WS_EX_NOREDIRECTIONBITMAP, which older SDK headers do not define.
constexpr uint32_t kExStyleNoRedirectionBitmap = 0x00200000;

// What the search found under "Progman" after the classic layout's test
// had failed twice.
struct ProgmanContents {
    bool hasDefView;         // a child of class "SHELLDLL_DefView"
    bool hasWorkerW;         // a child of class "WorkerW"
    uint32_t extendedStyle;  // Progman's own extended style
};

bool IsLayoutWithinProgman(const ProgmanContents& progman);
