#include "eyes/pixel_buffer.h"

// The 32-bit program cannot address more than 4 GiB, and a byte count that
// wrapped around would allocate a buffer smaller than the copy of every
// frame reads. Such a size therefore fails here, before any allocation.
bool BackgroundBufferBytes(int64_t pixelCount, uint32_t& bytes)
{
    if (pixelCount <= 0 || pixelCount > int64_t(UINT32_MAX / 4))
        return false;
    bytes = uint32_t(pixelCount * 4);
    return true;
}
