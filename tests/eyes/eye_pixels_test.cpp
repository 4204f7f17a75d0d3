#include <gtest/gtest.h>

#include <vector>

#include "eyes/eye_pixels.h"

TEST(RecolourMaskPixel, PremultipliesTheOutlineColourByCoverage)
{
    // Mask pixel, outline colour, recoloured pixel. Outside the shapes is
    // transparent; a black outline keeps only the alpha, a white one gives
    // a * 0x01010101; a component of 255 with a = 128 gives 128 and one of 1
    // gives 0, truncated; only the mask's blue byte is the coverage.
    const uint32_t cases[][3] = { { 0x00000000, 0x00FFFFFF, 0x00000000 }, { 0x00FFFFFF, 0x00000000, 0xFF000000 },
                                  { 0x00808080, 0x00000000, 0x80000000 }, { 0x00808080, 0x00FFFFFF, 0x80808080 },
                                  { 0x00FFFFFF, 0x00FFFFFF, 0xFFFFFFFF }, { 0x00808080, 0x000000FF, 0x80800000 },
                                  { 0x00808080, 0x00000001, 0x80000000 }, { 0x000000C0, 0x00336699, 0xC0734C26 } };
    for (const auto& c : cases)
        EXPECT_EQ(RecolourMaskPixel(c[0], c[1]), c[2]) << std::hex << c[0] << " " << c[1];
}

TEST(RecolourMask, RecoloursEveryPixelOfTheCountAndNoMore)
{
    std::vector<uint32_t> pixels;
    for (uint32_t a = 0; a < 257; ++a)
        pixels.push_back(a * 0x010101u);
    RecolourMask(pixels.data(), 256, 0x00C08040);
    for (uint32_t a = 0; a < 256; ++a)
        EXPECT_EQ(pixels[a], RecolourMaskPixel(a * 0x010101u, 0x00C08040)) << a;
    EXPECT_EQ(pixels[256], 0x01010100u);
}
