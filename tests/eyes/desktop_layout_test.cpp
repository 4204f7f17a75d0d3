#include <gtest/gtest.h>

#include "eyes/desktop_layout.h"

TEST(IsLayoutWithinProgman, NeedsTheIconViewAndAWallpaperSign)
{
    // Icon view, WorkerW, Progman's extended style, and the answer. The icon
    // view without a wallpaper sign is an older shell that has not built its
    // layer yet; a wallpaper sign without the icon view is not the layout.
    const uint32_t n = kExStyleNoRedirectionBitmap;
    const uint32_t cases[][4] = { { 1, 1, 0, 1 }, { 1, 0, n, 1 }, { 1, 1, n | 0x80, 1 }, { 1, 0, 0, 0 },
                                  { 1, 0, 0x00080088, 0 }, { 0, 1, 0, 0 }, { 0, 0, n, 0 }, { 0, 0, 0, 0 } };
    for (const auto& c : cases)
        EXPECT_EQ(IsLayoutWithinProgman({ c[0] != 0, c[1] != 0, c[2] }), c[3] != 0) << c[0] << c[1] << " " << std::hex << c[2];
}
