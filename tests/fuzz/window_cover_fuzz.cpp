// Whether windows cover the eyes, for any small rectangles, against a
// pixel-by-pixel count; and for any rectangles at all, without a fault.
#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

#include "eyes/window_cover.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const bool small = in.ConsumeBool();
    auto coordinate = [&] { return small ? int32_t(in.ConsumeIntegral<uint8_t>() % 40) - 4 : in.ConsumeIntegral<int32_t>(); };
    const CoverRect target{ coordinate(), coordinate(), coordinate(), coordinate() };
    std::vector<CoverRect> covers;
    while (in.remaining_bytes() > 0 && covers.size() < (small ? 12u : 40u))
        covers.push_back({ coordinate(), coordinate(), coordinate(), coordinate() });
    const bool covered = RectCovered(target, covers.data(), covers.size());
    if (!small)
        return 0;
    // Twelve covers cut the target into at most 37 pieces, fewer than the
    // test follows, so its answer must be exact.
    bool every = true;
    for (int32_t y = target.top; y < target.bottom; ++y) {
        for (int32_t x = target.left; x < target.right; ++x) {
            bool under = false;
            for (const CoverRect& c : covers)
                under = under || (x >= c.left && x < c.right && y >= c.top && y < c.bottom);
            every = every && under;
        }
    }
    Check(covered == every);
    return 0;
}
