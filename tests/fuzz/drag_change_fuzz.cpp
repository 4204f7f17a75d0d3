// The drag window's hit test and the settings dialog's change bits, checked
// against plain restatements of their rules.
#include <fuzzer/FuzzedDataProvider.h>

#include "settings_ui/change_bits.h"
#include "settings_ui/drag_hit_test.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// A window of any place and size on the desktop and a point near one of its
// edges, so that the borders and corners are hit often.
void CheckHitTest(FuzzedDataProvider& in)
{
    const int32_t left = in.ConsumeIntegral<int16_t>(), top = in.ConsumeIntegral<int16_t>();
    const ScreenRect window = { left, top, left + in.ConsumeIntegral<uint16_t>(), top + in.ConsumeIntegral<uint16_t>() };
    const int32_t x = (in.ConsumeBool() ? window.left : window.right) + in.ConsumeIntegral<int8_t>();
    const int32_t y = (in.ConsumeBool() ? window.top : window.bottom) + in.ConsumeIntegral<int8_t>();
    const bool popup = in.ConsumeBool();
    const int32_t code = DragHitTest(x, y, window, popup);

    // The band a coordinate falls in: 1 within 8 pixels of the low edge, 2
    // within the last 8 before the high edge, 0 inside. The low edge wins
    // when the window is too small for both.
    auto band = [](int32_t v, int32_t low, int32_t high) { return v - low < kDragBorder ? 1 : high - v <= kDragBorder ? 2 : 0; };
    const int column = band(x, window.left, window.right), row = band(y, window.top, window.bottom);
    Check((code == kHitClient) == popup && (code == 1 || code == 2 || (code >= 10 && code <= 17)));
    Check(code == (popup ? 1 : row == 0 ? (column == 0 ? 2 : 9 + column) : (row == 1 ? 12 : 15) + column));

    // Packed message coordinates are sign-extended 16-bit halves.
    const uint32_t packed = in.ConsumeIntegral<uint32_t>();
    Check(SignedLowWord(packed) == int32_t((packed & 0xFFFF) ^ 0x8000) - 0x8000);
    Check(SignedHighWord(packed) == int32_t((packed >> 16) ^ 0x8000) - 0x8000);
}

// Pending values that are the settings, copied, except in the fields that
// the input picks to give new values.
void CheckChangeBits(FuzzedDataProvider& in)
{
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

    const bool sized = r.width != s.width || r.height != s.height;
    const bool moved = r.x != s.x || r.y != s.y;
    const uint32_t bits = ComputeChangeBits(r, c, s);
    Check((bits & (PositionChanged | SizeChanged)) != (PositionChanged | SizeChanged));
    Check(bits == ((sized ? SizeChanged : moved ? PositionChanged : 0u) |
                   (c.outline != s.outlineColor || c.eyeWhite != s.eyeWhiteColor ? EyeColorsChanged : 0u) |
                   (c.pupil != s.pupilColor ? PupilColorChanged : 0u)));
    const uint32_t tag = s.tag;
    CopyPendingIntoSettings(r, c, s);
    Check(ComputeChangeBits(r, c, s) == 0 && s.tag == tag);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    CheckHitTest(in);
    CheckChangeBits(in);
    return 0;
}
