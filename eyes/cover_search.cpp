#include "eyes/cover_search.h"

#include <algorithm>

#include "app/class_names.h"
#include "eyes/point_scale.h"
#include "eyes/window_cover.h"

namespace {

// Not in the headers for the Windows 7 target this project builds for; the
// values are the system's.
constexpr DWORD kDwmExtendedFrameBounds = 9;
constexpr DWORD kDwmCloaked = 14;

ScreenRect ToScreenRect(const RECT& r)
{
    return { r.left, r.top, r.right, r.bottom };
}

bool Overlap(const ScreenRect& a, const ScreenRect& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool OverlapsAny(const ScreenRect& r, const ScreenRect* pieces, size_t count)
{
    return std::any_of(pieces, pieces + count, [&](const ScreenRect& piece) { return Overlap(r, piece); });
}

bool IsShellDesktopWindow(HWND window)
{
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    return lstrcmpW(name, kProgmanClassName) == 0 || lstrcmpW(name, kWorkerWClassName) == 0;
}

bool IsCloaked(HWND window)
{
    DWORD cloaked = 0;
    return g_app.dwmGetWindowAttribute != nullptr &&
           g_app.dwmGetWindowAttribute(window, kDwmCloaked, &cloaked, sizeof cloaked) == S_OK && cloaked != 0;
}

bool IsShaped(HWND window)
{
    RECT box;
    return GetWindowRgnBox(window, &box) != ERROR;
}

// Where a window shows on the screen, in the program's own coordinates, as
// pieces a monitor each. The compositor's frame bounds leave out the
// invisible resize borders that the window rectangle includes, but they
// count physical pixels, which on a scaled display are not the program's
// coordinates: the part on each monitor is carried through that monitor's
// scale, and what lies off the screen is left out. Where the compositor
// does not answer, the window rectangle stands in, which only hides the
// eyes a few border pixels too early. Returns how many pieces there are.
size_t ShownPieces(HWND window, const RECT& rect, const CoverScene& scene, ScreenRect* pieces)
{
    RECT bounds{};
    if (g_app.dwmGetWindowAttribute == nullptr ||
        g_app.dwmGetWindowAttribute(window, kDwmExtendedFrameBounds, &bounds, sizeof bounds) != S_OK) {
        pieces[0] = ToScreenRect(rect);
        return 1;
    }
    return PhysicalRectToLogical(ToScreenRect(bounds), scene.monitors, scene.monitorCount, pieces);
}

struct CoverSearch {
    const CoverScene* scene;
    CoverList* list;
    ScreenRect shown[kMaxCovers]; // the pieces of the covers kept
    size_t shownCount;
    bool whole;                   // one window holds the eyes whole
};

// Keeps each window above the eyes' holder that hides what lies below it
// and overlaps the eyes. Every question about another program's window
// goes to that program's side of the system (under Wine, to another
// process), so the cheap ones come first: the style and the rectangle rule
// out most windows, and the compositor is asked only about a window over
// the eyes. A window that holds the eyes whole, as a maximized or
// full-screen one does, alone keeps them hidden, whatever lies above or
// below it: only it is kept and watched, and no window below it is asked
// about. Covers beyond what the list holds end the walk: what was kept
// then decides.
BOOL CALLBACK CollectCover(HWND window, LPARAM context)
{
    CoverSearch& search = *reinterpret_cast<CoverSearch*>(context);
    const CoverScene& scene = *search.scene;
    if (window == scene.holder)
        return FALSE;
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    RECT rect{};
    if ((style & WS_VISIBLE) == 0 || (style & WS_MINIMIZE) != 0 || !GetWindowRect(window, &rect) ||
        !OverlapsAny(ToScreenRect(rect), scene.eyes, scene.eyePieces))
        return TRUE;
    const LONG exStyle = GetWindowLongW(window, GWL_EXSTYLE);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    WindowFacts facts{};
    facts.visible = true;
    facts.layered = (exStyle & WS_EX_LAYERED) != 0;
    facts.clickThrough = (exStyle & WS_EX_TRANSPARENT) != 0;
    facts.ownProcess = process == scene.ownProcess;
    if (!WindowHidesWhatIsBelow(facts))
        return TRUE;
    facts.shellDesktop = IsShellDesktopWindow(window);
    facts.shaped = IsShaped(window);
    facts.cloaked = IsCloaked(window);
    ScreenRect pieces[kMaxMonitors];
    const size_t pieceCount = ShownPieces(window, rect, scene, pieces);
    if (!WindowHidesWhatIsBelow(facts) ||
        std::none_of(pieces, pieces + pieceCount,
                     [&](const ScreenRect& piece) { return OverlapsAny(piece, scene.eyes, scene.eyePieces); }))
        return TRUE;
    const CoverWindow cover{ window, process, style, exStyle, rect };
    CoverList& list = *search.list;
    if (RectsCovered(scene.eyes, scene.eyePieces, pieces, pieceCount)) {
        list.windows[0] = cover;
        list.count = 1;
        search.whole = true;
        return FALSE;
    }
    if (list.count == kMaxCovers || search.shownCount + pieceCount > kMaxCovers)
        return FALSE;
    list.windows[list.count++] = cover;
    std::copy(pieces, pieces + pieceCount, search.shown + search.shownCount);
    search.shownCount += pieceCount;
    return TRUE;
}

// Whether a window that covered the eyes at the last full look may no
// longer do so: it is gone (its style reads 0 then), hidden, minimized,
// moved or resized, or has become layered, click-through, cloaked or
// shaped. Its class and process cannot change, and new windows can only
// cover more.
bool CoverChanged(const CoverWindow& cover)
{
    RECT rect{};
    return GetWindowLongW(cover.window, GWL_STYLE) != cover.style ||
           GetWindowLongW(cover.window, GWL_EXSTYLE) != cover.exStyle || !GetWindowRect(cover.window, &rect) ||
           !EqualRect(&rect, &cover.rect) || IsCloaked(cover.window) || IsShaped(cover.window);
}

} // namespace

// The compositor's answers are looked up at run time: under Wine and on
// systems without it there are none, and the window rectangles stand in.
void LoadCompositor()
{
    g_app.dwmModule = LoadLibraryExW(L"dwmapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (g_app.dwmModule != nullptr)
        g_app.dwmGetWindowAttribute = reinterpret_cast<DwmAttributeQuery>(
            reinterpret_cast<void*>(GetProcAddress(g_app.dwmModule, "DwmGetWindowAttribute")));
}

void FreeCompositor()
{
    g_app.dwmGetWindowAttribute = nullptr;
    if (g_app.dwmModule != nullptr) {
        FreeLibrary(g_app.dwmModule);
        g_app.dwmModule = nullptr;
    }
}

// What a full look at the windows over the eyes starts from. The eyes'
// rectangle is taken from the settings, in the logical coordinates in
// which the program placed the window, rather than asked of the system:
// the eye window hangs in the shell's window tree, and on Windows the
// shell is aware of each monitor's scale while this program is not. That
// assumes the system keeps showing this program its own window, and every
// other one, in those coordinates, as it does for the windows of any
// program that declares no awareness, whoever their parent is; it cannot
// be checked under Wine, which does not scale such programs. False when no
// monitor shows any of the eyes.
bool ReadCoverScene(CoverScene& scene)
{
    const Settings& s = g_app.settings;
    const ScreenRect eyes{ s.x, s.y, int32_t(std::min<int64_t>(int64_t(s.x) + s.width, INT32_MAX)),
                           int32_t(std::min<int64_t>(int64_t(s.y) + s.height, INT32_MAX)) };
    scene.eyeWindow = g_app.EyeWindow;
    scene.eyeParent = GetAncestor(g_app.EyeWindow, GA_PARENT);
    scene.holder = GetAncestor(g_app.EyeWindow, GA_ROOT);
    scene.ownProcess = GetCurrentProcessId();
    scene.monitorCount = g_app.monitorCount;
    std::copy(g_app.monitors, g_app.monitors + g_app.monitorCount, scene.monitors);
    scene.eyePieces = ClipToMonitors(eyes, scene.monitors, scene.monitorCount, scene.eyes);
    return scene.eyePieces > 0;
}

// Whether every pixel of the eyes that a monitor shows lies under windows
// of other programs above the desktop. Walks the top-level windows above
// the eyes, down to the first that holds them whole, and keeps those that
// cover them, for the looks that follow while they stay covered.
bool FindCovers(const CoverScene& scene, CoverList& list)
{
    CoverSearch search{};
    search.scene = &scene;
    search.list = &list;
    list.count = 0;
    EnumWindows(CollectCover, reinterpret_cast<LPARAM>(&search));
    return search.whole || RectsCovered(scene.eyes, scene.eyePieces, search.shown, search.shownCount);
}

// Whether the windows that covered the eyes at the last full look still
// lie as they did. Only the questions whose answers change are asked: each
// is a round trip to another process under Wine. Their order is the
// system's to report.
bool CoversUnchanged(const CoverList& list)
{
    return std::none_of(list.windows, list.windows + list.count, CoverChanged);
}
