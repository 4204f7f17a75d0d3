#include "eyes/eye_pixels.h"

// GDI+ brushes take 0xAARRGGBB: opaque alpha, with red and blue exchanged
// against COLORREF's 0x00BBGGRR.
uint32_t ColorRefToArgb(uint32_t color)
{
    return ((color | 0xFFFFFF00u) << 16) | (color & 0x0000FF00u) | (color >> 16);
}

// The eye shapes are first drawn white on black; a mask pixel's blue byte is
// then the shapes' coverage a. The pixel becomes the outline colour
// premultiplied by that coverage, with alpha a; each product is divided by
// 255 in unsigned arithmetic and truncated.
uint32_t RecolourMaskPixel(uint32_t maskPixel, uint32_t outlineColor)
{
    const uint32_t a = maskPixel & 0xFFu;
    const uint32_t r = outlineColor & 0xFFu;
    const uint32_t g = (outlineColor >> 8) & 0xFFu;
    const uint32_t b = (outlineColor >> 16) & 0xFFu;
    return a << 24 | (r * a / 255) << 16 | (g * a / 255) << 8 | (b * a / 255);
}

void RecolourMask(uint32_t* pixels, int32_t count, uint32_t outlineColor)
{
    for (int32_t i = count - 1; i >= 0; --i)
        pixels[i] = RecolourMaskPixel(pixels[i], outlineColor);
}
