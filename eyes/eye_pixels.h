#pragma once
// Pixel rules of the eye pictures. A pixel is A<<24 | R<<16 | G<<8 | B with
// premultiplied alpha (bytes B, G, R, A in memory); 0 is fully transparent.
// Colours in the settings are COLORREF values 0x00BBGGRR.
#include <cstdint>

uint32_t ColorRefToArgb(uint32_t color);
uint32_t RecolourMaskPixel(uint32_t maskPixel, uint32_t outlineColor);
void RecolourMask(uint32_t* pixels, int32_t count, uint32_t outlineColor);
