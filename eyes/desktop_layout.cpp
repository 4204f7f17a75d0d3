#include "eyes/desktop_layout.h"

// The newer shell (Windows 11 24H2 on) keeps the icon view and the wallpaper
// among Progman's own children and builds no top-level wallpaper layer. The
// icon view alone does not show it: an older shell that has not yet been
// asked to build its layer has the icon view under Progman too. The
// wallpaper child, or Progman's composition-only style where the shell made
// no such child, tells the two apart.
bool IsLayoutWithinProgman(const ProgmanContents& progman)
{
    if (!progman.hasDefView)
        return false;
    return progman.hasWorkerW || (progman.extendedStyle & kExStyleNoRedirectionBitmap) != 0;
}
