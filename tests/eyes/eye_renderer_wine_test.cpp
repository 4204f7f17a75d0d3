// The eye renderer in process, on a real layered window: frames that change
// only the pupils against whole frames.
#include <gtest/gtest.h>

#include <windows.h>

#include <new>
#include <random>
#include <vector>

#include "app/app_state.h"
#include "eyes/eye_renderer.h"

namespace {

std::vector<uint32_t> Frame()
{
    GdiFlush();
    const uint32_t* bits = static_cast<const uint32_t*>(g_app.eyeBits);
    return std::vector<uint32_t>(bits, bits + g_app.eyeGeometry.pixelCount);
}

// Along a trace of cursor points, slow strokes and jumps, every frame that
// changes only the pupils equals, bit for bit, the whole frame for the same
// point; a point that moves no pupil draws no frame at all. A top-level
// layered window stands in for the eye window; the desktop window's client
// coordinates are screen coordinates.
TEST(EyeRenderer, PupilOnlyFramesEqualWholeFrames)
{
    const int32_t sizes[][2] = {{315, 200}, {84, 40}, {400, 120}, {97, 301}};
    for (const auto& size : sizes) {
        g_app.~AppState();
        new (&g_app) AppState();
        g_app.hInstance = GetModuleHandleW(nullptr);
        g_app.settings = {kSettingsTag, 40, 30, size[0], size[1], 0x00336699, 0x00C0E0F0, 0x00104080};
        g_app.eyeGeometry = DeriveEyeGeometry(size[0], size[1]);
        g_app.EyeWindow = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, L"STATIC", nullptr,
                                          WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, g_app.hInstance, nullptr);
        g_app.DesktopHost = GetDesktopWindow();
        ASSERT_TRUE(CreateEyeSurfaces());
        ShowWindow(g_app.EyeWindow, SW_SHOWNOACTIVATE);
        std::mt19937 random(size[0]);
        POINT cursor{200, 100};
        int drawn = 0;
        for (int step = 0; step < 1000; ++step) {
            if (step % 50 == 0)
                cursor = {LONG(random() % 1400) - 200, LONG(random() % 1000) - 200};
            cursor.x += LONG(random() % 7) - 3;
            cursor.y += LONG(random() % 7) - 3;
            const PupilRect before[2] = {g_app.shownPupils[0], g_app.shownPupils[1]};
            if (!RenderEyes(cursor)) {
                EXPECT_TRUE(SamePupils(before, g_app.shownPupils)) << "a frame that changes the pupils was left out";
                continue;
            }
            ++drawn;
            const std::vector<uint32_t> partial = Frame();
            g_app.fullFrameNeeded = true;
            ASSERT_TRUE(RenderEyes(cursor));
            ASSERT_TRUE(Frame() == partial) << size[0] << " x " << size[1] << ", step " << step;
        }
        EXPECT_TRUE(drawn > 100 && drawn < 1000) << drawn;
        DestroyEyeSurfaces();
        DestroyWindow(g_app.EyeWindow);
    }
}

} // namespace
