#include <gtest/gtest.h>

#include <vector>

#include "eyes/window_cover.h"

namespace {

// The eyes at (100, 50) to (400, 250), the windows above them, and whether
// they hide every pixel: two halves, two with a column between them, three
// that overlap, and a window with a hole beside an empty one.
const ScreenRect kEyes{ 100, 50, 400, 250 };
const struct {
    std::vector<ScreenRect> covers;
    bool covered;
} kCoverCases[] = {
    { {}, false },
    { { { 100, 50, 250, 250 }, { 250, 50, 400, 250 } }, true },
    { { { 100, 50, 250, 250 }, { 251, 50, 400, 250 } }, false },
    { { { 0, 0, 260, 150 }, { 240, 0, 500, 150 }, { 0, 140, 500, 300 } }, true },
    { { { 200, 100, 300, 200 }, { 300, 0, 200, 300 } }, false },
};

TEST(RectCovered, TellsWhetherEveryPixelIsHidden)
{
    for (const auto& c : kCoverCases)
        EXPECT_EQ(RectCovered(kEyes, c.covers.data(), c.covers.size()), c.covered) << "case " << &c - kCoverCases;
    EXPECT_TRUE(RectCovered({ 100, 50, 100, 250 }, nullptr, 0)) << "nothing of an empty rectangle shows";
}

// Up to twelve rectangles, at most 37 pieces, against a count pixel by pixel.
TEST(RectCovered, AgreesWithEveryPixelCounted)
{
    uint32_t seed = 7;
    auto next = [&] { seed = seed * 1664525 + 1013904223; return int32_t(seed >> 24) % 24 - 2; };
    for (int trial = 0; trial < 20000; ++trial) {
        const ScreenRect target{ next(), next(), next(), next() };
        std::vector<ScreenRect> covers(size_t(trial % 13));
        for (ScreenRect& c : covers)
            c = { next(), next(), next(), next() };
        bool every = true;
        for (int32_t y = target.top; y < target.bottom; ++y) {
            for (int32_t x = target.left; x < target.right; ++x) {
                bool under = false;
                for (const ScreenRect& c : covers)
                    under = under || (x >= c.left && x < c.right && y >= c.top && y < c.bottom);
                every = every && under;
            }
        }
        ASSERT_EQ(RectCovered(target, covers.data(), covers.size()), every) << "trial " << trial;
    }
}

TEST(RectCovered, TooManyPiecesLeaveTheEyesSeenUnlessOneWindowHoldsThemWhole)
{
    // Forty one-pixel windows on a diagonal, each cutting what is left into
    // four, above two that cover the eyes between them, or one that does.
    std::vector<ScreenRect> covers;
    for (int32_t i = 0; i < 40; ++i)
        covers.push_back({ 110 + 7 * i, 60 + 4 * i, 111 + 7 * i, 61 + 4 * i });
    covers.insert(covers.end(), { { 0, 0, 1280, 150 }, { 0, 150, 1280, 1024 } });
    EXPECT_FALSE(RectCovered(kEyes, covers.data(), covers.size()));
    covers.back() = { 0, 0, 1280, 1024 };
    EXPECT_TRUE(RectCovered(kEyes, covers.data(), covers.size()));
}

TEST(WindowHidesWhatIsBelow, OnlyAnOpaqueWindowOfAnotherProgramOnTheScreen)
{
    // Visible, minimized, cloaked, layered, click-through, the shell's
    // desktop, the program's own: only the first alone hides anything.
    for (uint32_t bits = 0; bits < 128; ++bits) {
        auto bit = [&](int i) { return (bits >> i & 1) != 0; };
        const WindowFacts facts{ bit(0), bit(1), bit(2), bit(3), bit(4), bit(5), bit(6) };
        EXPECT_EQ(WindowHidesWhatIsBelow(facts), bits == 1) << bits;
    }
}

} // namespace
