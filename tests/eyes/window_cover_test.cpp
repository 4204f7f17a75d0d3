#include <gtest/gtest.h>

#include <vector>

#include "eyes/window_cover.h"

namespace {

// The eyes at (100, 50) to (400, 250), the windows above them, and whether
// they hide every pixel.
const CoverRect kEyes{ 100, 50, 400, 250 };
const struct {
    std::vector<CoverRect> covers;
    bool covered;
} kCoverCases[] = {
    { {}, false },
    { { { 100, 50, 400, 250 } }, true },
    { { { 0, 0, 1280, 1024 } }, true },
    { { { 101, 50, 400, 250 } }, false },                        // the left column shows
    { { { 100, 50, 400, 249 } }, false },                        // the bottom row shows
    { { { 100, 50, 250, 250 }, { 250, 50, 400, 250 } }, true },  // two halves side by side
    { { { 100, 50, 250, 250 }, { 251, 50, 400, 250 } }, false }, // a column between them
    { { { 0, 0, 260, 150 }, { 240, 0, 500, 150 }, { 0, 140, 500, 300 } }, true },
    { { { 0, 0, 260, 150 }, { 240, 0, 500, 150 }, { 0, 151, 500, 300 } }, false },
    { { { 100, 50, 200, 150 }, { 200, 50, 400, 150 }, { 100, 150, 300, 250 }, { 300, 150, 400, 250 } }, true },
    { { { 500, 50, 900, 250 }, { 100, 300, 400, 500 } }, false }, // beside and below
    { { { 200, 100, 300, 200 } }, false },                        // a hole in the middle
    { { { 200, 100, 300, 200 }, { 300, 0, 200, 300 } }, false },  // an empty rectangle covers nothing
};

TEST(RectCovered, TellsWhetherEveryPixelIsHidden)
{
    for (const auto& c : kCoverCases)
        EXPECT_EQ(RectCovered(kEyes, c.covers.data(), c.covers.size()), c.covered) << "case " << &c - kCoverCases;
    // Nothing of an empty rectangle shows.
    EXPECT_TRUE(RectCovered({ 100, 50, 100, 250 }, nullptr, 0));
}

TEST(RectCovered, TooManyPiecesLeaveTheEyesSeenUnlessOneWindowHoldsThemWhole)
{
    // Forty one-pixel windows on a diagonal, each cutting what is left into
    // four, above two that cover the eyes between them.
    std::vector<CoverRect> covers;
    for (int32_t i = 0; i < 40; ++i)
        covers.push_back({ 110 + 7 * i, 60 + 4 * i, 111 + 7 * i, 61 + 4 * i });
    covers.push_back({ 0, 0, 1280, 150 });
    covers.push_back({ 0, 150, 1280, 1024 });
    EXPECT_FALSE(RectCovered(kEyes, covers.data(), covers.size()));
    covers.back() = { 0, 0, 1280, 1024 };
    EXPECT_TRUE(RectCovered(kEyes, covers.data(), covers.size()));
}

TEST(WindowHidesWhatIsBelow, OnlyAnOpaqueWindowOfAnotherProgramOnTheScreen)
{
    const WindowFacts opaque{ true, false, false, false, false, false, false };
    EXPECT_TRUE(WindowHidesWhatIsBelow(opaque));
    bool WindowFacts::*const spoilers[] = { &WindowFacts::minimized,    &WindowFacts::cloaked,
                                            &WindowFacts::layered,      &WindowFacts::clickThrough,
                                            &WindowFacts::shellDesktop, &WindowFacts::ownProcess };
    for (bool WindowFacts::*spoiler : spoilers) {
        WindowFacts facts = opaque;
        facts.*spoiler = true;
        EXPECT_FALSE(WindowHidesWhatIsBelow(facts)) << "fact " << &spoiler - spoilers;
    }
    WindowFacts hidden = opaque;
    hidden.visible = false;
    EXPECT_FALSE(WindowHidesWhatIsBelow(hidden));
}

} // namespace
