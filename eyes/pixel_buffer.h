#pragma once
// The size of the eye background buffer. Nothing here calls the platform.
#include <cstdint>

// Sets bytes to 4 * pixelCount and returns true when that count is positive
// and fits in 32 bits; returns false otherwise, and the buffer must then not
// be requested at all.
bool BackgroundBufferBytes(int64_t pixelCount, uint32_t& bytes);
