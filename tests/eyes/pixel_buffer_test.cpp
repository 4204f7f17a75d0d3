#include <gtest/gtest.h>

#include "eyes/pixel_buffer.h"

TEST(BackgroundBufferBytes, GivesFourBytesPerPixelWhileTheCountFitsIn32Bits)
{
    // Pixel count and byte count; 0 bytes where the request must fail and
    // leave the byte count untouched. 32767 * 32767 is the largest size a
    // settings file can hold; exactly 4 GiB would wrap around to 0.
    const int64_t cases[][2] = { { 315 * 200, 252000 }, { 1, 4 }, { int64_t(32767) * 32767, 4294705156 },
                                 { 0x3FFFFFFF, 0xFFFFFFFC }, { 0x40000000, 0 }, { 0x40000001, 0 },
                                 { INT32_MAX, 0 }, { 0, 0 }, { -1, 0 }, { INT32_MIN, 0 } };
    for (const auto& c : cases) {
        uint32_t bytes = 0xDEADBEEF;
        EXPECT_EQ(BackgroundBufferBytes(c[0], bytes), c[1] != 0) << c[0];
        EXPECT_EQ(bytes, c[1] != 0 ? uint32_t(c[1]) : 0xDEADBEEFu) << c[0];
    }
}
