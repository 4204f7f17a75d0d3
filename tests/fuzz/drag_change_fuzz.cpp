// The drag window's hit test and the settings dialog's change bits, for any
// window, point, settings and pending values.
#include <fuzzer/FuzzedDataProvider.h>

#include "app/change_bits.h"
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

    // Pending values that are the settings, copied, except in the fields that
    // the input picks to give new values.
    Settings s;
    in.ConsumeData(&s, sizeof s);
    PendingRect r;
    PendingColors c;
    CopySettingsIntoPending(s, r, c);
    Check(ComputeChangeBits(r, c, s) == 0);
    const uint8_t pick = in.ConsumeIntegral<uint8_t>();
    auto take = [&](int field, auto kept) { return pick >> field & 1 ? in.ConsumeIntegral<decltype(kept)>() : kept; };
    r = { take(0, r.x), take(1, r.y), take(2, r.width), take(3, r.height) };
    c = { take(4, c.outline), take(5, c.eyeWhite), take(6, c.pupil) };
    // A new size takes the place of a position change that comes with it.
    Check((ComputeChangeBits(r, c, s) & (PositionChanged | SizeChanged)) != (PositionChanged | SizeChanged));
    const uint32_t tag = s.tag;
    CopyPendingIntoSettings(r, c, s);
    Check(ComputeChangeBits(r, c, s) == 0 && s.tag == tag);
    return 0;
}
