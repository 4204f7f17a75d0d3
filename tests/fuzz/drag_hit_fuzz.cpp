// The drag window's hit test for any window and point.
#include <fuzzer/FuzzedDataProvider.h>

#include "settings_ui/drag_hit_test.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A window of any place and size on the desktop and a point near one of
    // its edges, so that the borders and corners are hit often. The answer is
    // one of the ten codes, and client exactly while a pop-up is open.
    FuzzedDataProvider in(data, size);
    const int32_t left = in.ConsumeIntegral<int16_t>(), top = in.ConsumeIntegral<int16_t>();
    const ScreenRect window = { left, top, left + in.ConsumeIntegral<uint16_t>(), top + in.ConsumeIntegral<uint16_t>() };
    const int32_t x = (in.ConsumeBool() ? window.left : window.right) + in.ConsumeIntegral<int8_t>();
    const int32_t y = (in.ConsumeBool() ? window.top : window.bottom) + in.ConsumeIntegral<int8_t>();
    const int32_t code = DragHitTest(x, y, window, false);
    Check(DragHitTest(x, y, window, true) == kHitClient && (code == kHitCaption || (code >= 10 && code <= 17)));
    return 0;
}
