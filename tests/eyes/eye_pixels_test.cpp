#include <gtest/gtest.h>

#include "eyes/eye_pixels.h"

TEST(RecolourMask, PremultipliesTheOutlineColourByCoverageInEveryPixelOfTheCount)
{
    // Mask pixel, outline colour, recoloured pixel. Outside the shapes is
    // transparent; a black outline keeps only the alpha, a white one gives
    // a * 0x01010101; a component of 255 with a = 128 gives 128 and one of 1
    // gives 0, truncated; only the mask's blue byte is the coverage.
    const uint32_t cases[][3] = { { 0x00000000, 0x00FFFFFF, 0x00000000 }, { 0x00808080, 0x00000000, 0x80000000 },
                                  { 0x00FFFFFF, 0x00FFFFFF, 0xFFFFFFFF }, { 0x00808080, 0x000000FF, 0x80800000 },
                                  { 0x00808080, 0x00000001, 0x80000000 }, { 0x000000C0, 0x00336699, 0xC0734C26 } };
    for (const auto& c : cases) {
        // The mask pixel, one of the opposite coverage, and one past the count
        // that must stay as it was.
        uint32_t pixels[3] = { c[0], ~c[0] & 0xFF, 0x5A };
        RecolourMask(pixels, 2, c[1]);
        EXPECT_EQ(RecolourMaskPixel(c[0], c[1]), c[2]) << std::hex << c[0] << " " << c[1];
        const std::vector<uint32_t> expected = { c[2], RecolourMaskPixel(~c[0] & 0xFF, c[1]), 0x5A };
        EXPECT_EQ(std::vector<uint32_t>(pixels, pixels + 3), expected) << std::hex << c[0] << " " << c[1];
    }
}
