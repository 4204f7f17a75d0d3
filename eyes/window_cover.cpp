#include "eyes/window_cover.h"

#include <algorithm>

namespace {

bool Empty(const ScreenRect& r)
{
    return r.left >= r.right || r.top >= r.bottom;
}

// Adds the non-empty parts of piece that lie outside cover to pieces: a
// band above and one below the cover across the piece's width, and one left
// and one right of it between them. False when there is no room for them.
bool AddRemainder(const ScreenRect& piece, const ScreenRect& cover, ScreenRect* pieces, size_t& count)
{
    const ScreenRect overlap{ std::max(piece.left, cover.left), std::max(piece.top, cover.top),
                              std::min(piece.right, cover.right), std::min(piece.bottom, cover.bottom) };
    const ScreenRect parts[4] = {
        { piece.left, piece.top, piece.right, overlap.top },
        { piece.left, overlap.bottom, piece.right, piece.bottom },
        { piece.left, overlap.top, overlap.left, overlap.bottom },
        { overlap.right, overlap.top, piece.right, overlap.bottom },
    };
    if (Empty(overlap))
        return count < kMaxUncoveredPieces ? (pieces[count++] = piece, true) : false;
    for (const ScreenRect& part : parts) {
        if (Empty(part))
            continue;
        if (count == kMaxUncoveredPieces)
            return false;
        pieces[count++] = part;
    }
    return true;
}

} // namespace

// Whether the rectangles together cover every pixel of the target. Each
// cover is cut out of what is still uncovered, which stays a set of
// disjoint rectangles. One cover that holds the whole target settles it at
// once, however many small ones lie above it. An empty target is covered.
bool RectCovered(const ScreenRect& target, const ScreenRect* covers, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const ScreenRect& c = covers[i];
        if (c.left <= target.left && c.top <= target.top && c.right >= target.right && c.bottom >= target.bottom)
            return true;
    }
    ScreenRect buffers[2][kMaxUncoveredPieces];
    ScreenRect* pieces = buffers[0];
    size_t pieceCount = Empty(target) ? 0 : 1;
    pieces[0] = target;
    for (size_t i = 0; i < count && pieceCount > 0; ++i) {
        ScreenRect* next = pieces == buffers[0] ? buffers[1] : buffers[0];
        size_t nextCount = 0;
        for (size_t p = 0; p < pieceCount; ++p) {
            if (!AddRemainder(pieces[p], covers[i], next, nextCount))
                return false;
        }
        pieces = next;
        pieceCount = nextCount;
    }
    return pieceCount == 0;
}

// Whether the rectangles together cover every pixel of every target, such
// as the pieces of the eyes that each monitor shows.
bool RectsCovered(const ScreenRect* targets, size_t targetCount, const ScreenRect* covers, size_t count)
{
    return std::all_of(targets, targets + targetCount,
                       [&](const ScreenRect& target) { return RectCovered(target, covers, count); });
}

// Only an opaque window that is on the screen hides what lies below it.
// The shell's desktop windows lie below or around the eyes by design, and
// the program's own windows, the translucent preview above all, lie over
// them on purpose; a layered window may let them show through anywhere,
// a click-through one is usually an overlay that does, and a shaped one
// (a round clock, a skinned player) leaves out parts of its rectangle. On
// classic themes ordinary windows carry regions too, and then nothing
// counts as covering: the eyes only keep drawing unseen.
bool WindowHidesWhatIsBelow(const WindowFacts& f)
{
    return f.visible && !f.minimized && !f.cloaked && !f.layered && !f.clickThrough && !f.shaped &&
           !f.shellDesktop && !f.ownProcess;
}
