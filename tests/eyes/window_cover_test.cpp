#include <gtest/gtest.h>

#include <algorithm>

#include "eyes/window_cover.h"

// Up to twelve rectangles, any of them empty or inverted, against a count
// pixel by pixel; an empty target is covered by nothing at all.
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
        for (int32_t y = target.top; y < target.bottom; ++y)
            for (int32_t x = target.left; x < target.right; ++x)
                every = every && std::any_of(covers.begin(), covers.end(), [&](const ScreenRect& c) {
                    return x >= c.left && x < c.right && y >= c.top && y < c.bottom;
                });
        ASSERT_EQ(RectCovered(target, covers.data(), covers.size()), every) << "trial " << trial;
    }
}

TEST(RectCovered, TooManyPiecesLeaveTheEyesSeenUnlessOneWindowHoldsThemWhole)
{
    // Forty one-pixel windows on a diagonal, each cutting what is left into
    // four, above two that cover the eyes between them, or one that does.
    const ScreenRect eyes{ 100, 50, 400, 250 };
    std::vector<ScreenRect> covers;
    for (int32_t i = 0; i < 40; ++i)
        covers.push_back({ 110 + 7 * i, 60 + 4 * i, 111 + 7 * i, 61 + 4 * i });
    covers.insert(covers.end(), { { 0, 0, 1280, 150 }, { 0, 150, 1280, 1024 } });
    EXPECT_FALSE(RectCovered(eyes, covers.data(), covers.size()));
    covers.back() = { 0, 0, 1280, 1024 };
    EXPECT_TRUE(RectCovered(eyes, covers.data(), covers.size()));
}
