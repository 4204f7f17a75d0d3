#include <gtest/gtest.h>

#include <cstdint>

#include "eyes/pixel_buffer.h"

TEST(BackgroundBufferBytes, GivesFourBytesPerPixelWhileTheCountFitsIn32Bits)
{
    struct Case {
        int64_t pixelCount;
        bool fits;
        uint32_t bytes;
    } cases[] = {
        { 315 * 200, true, 252000 },
        { 84 * 40, true, 13440 },
        { 1, true, 4 },
        { int64_t(32767) * 32767, true, 4294705156u },  // the largest size a settings file can hold
        { 0x3FFFFFFF, true, 0xFFFFFFFCu },
        { 0x40000000, false, 0 },  // exactly 4 GiB would wrap around to 0
        { 0x40000001, false, 0 },  // would wrap around to 4 bytes
        { int64_t(INT32_MAX), false, 0 },
        { 0, false, 0 },
        { -1, false, 0 },
        { int64_t(INT32_MIN), false, 0 },
    };
    for (const auto& c : cases) {
        uint32_t bytes = 0xDEADBEEF;
        EXPECT_EQ(BackgroundBufferBytes(c.pixelCount, bytes), c.fits) << c.pixelCount;
        if (c.fits)
            EXPECT_EQ(bytes, c.bytes) << c.pixelCount;
        else
            EXPECT_EQ(bytes, 0xDEADBEEFu) << "left untouched for " << c.pixelCount;
    }
}
