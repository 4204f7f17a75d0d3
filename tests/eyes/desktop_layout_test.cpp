#include <gtest/gtest.h>

#include "eyes/desktop_layout.h"

TEST(IsLayoutWithinProgman, NeedsTheIconViewAndAWallpaperSign)
{
    struct Case {
        const char* shell;
        ProgmanContents progman;
        bool expected;
    } cases[] = {
        { "newer shell after 0x052C", { true, true, 0 }, true },
        { "newer shell that made no WorkerW", { true, false, kExStyleNoRedirectionBitmap }, true },
        { "newer shell, both signs", { true, true, kExStyleNoRedirectionBitmap | 0x80 }, true },
        { "older shell before 0x052C", { true, false, 0 }, false },
        { "older shell, unrelated extended styles", { true, false, 0x00080088 }, false },
        { "no icon view, WorkerW only", { false, true, 0 }, false },
        { "no icon view, composition style only", { false, false, kExStyleNoRedirectionBitmap }, false },
        { "empty Progman", { false, false, 0 }, false },
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsLayoutWithinProgman(c.progman), c.expected) << c.shell;
}
