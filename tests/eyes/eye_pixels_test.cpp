#include <gtest/gtest.h>

#include <vector>

#include "eyes/eye_pixels.h"

TEST(ColorRefToArgb, IsOpaqueWithRedAndBlueExchanged)
{
    const uint32_t cases[][2] = {
        { 0x00FFFFFF, 0xFFFFFFFF },
        { 0x000000FF, 0xFFFF0000 },
        { 0x00804020, 0xFF204080 },
        { 0x00000000, 0xFF000000 },
        { 0x00FF0000, 0xFF0000FF },
    };
    for (const auto& c : cases)
        EXPECT_EQ(ColorRefToArgb(c[0]), c[1]) << std::hex << c[0];
}

TEST(RecolourMaskPixel, PremultipliesTheOutlineColourByCoverage)
{
    struct Case {
        uint32_t mask, outline, expected;
    } cases[] = {
        { 0x00000000, 0x00FFFFFF, 0x00000000 },  // outside: transparent
        { 0x00FFFFFF, 0x00000000, 0xFF000000 },  // black outline, full coverage
        { 0x00808080, 0x00000000, 0x80000000 },  // black with alpha a
        { 0x00808080, 0x00FFFFFF, 0x80808080 },  // white: a * 0x01010101
        { 0x00FFFFFF, 0x00FFFFFF, 0xFFFFFFFF },
        { 0x00808080, 0x000000FF, 0x80800000 },  // component 255 with a = 128 gives 128
        { 0x00808080, 0x00000001, 0x80000000 },  // component 1 gives 0: truncation
        { 0x000000C0, 0x00336699, 0xC0734C26 },  // only the blue byte is the coverage
    };
    for (const auto& c : cases)
        EXPECT_EQ(RecolourMaskPixel(c.mask, c.outline), c.expected) << std::hex << c.mask << " " << c.outline;
}

TEST(RecolourMask, RecoloursEveryPixelAndStaysPremultiplied)
{
    std::vector<uint32_t> pixels;
    for (uint32_t a = 0; a < 256; ++a)
        pixels.push_back(a * 0x010101u);
    RecolourMask(pixels.data(), int32_t(pixels.size()), 0x00C08040);
    for (uint32_t a = 0; a < 256; ++a) {
        const uint32_t p = pixels[a];
        EXPECT_EQ(p >> 24, a);
        EXPECT_LE((p >> 16) & 0xFF, a);
        EXPECT_LE((p >> 8) & 0xFF, a);
        EXPECT_LE(p & 0xFF, a);
    }
}
