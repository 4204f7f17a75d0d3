// The eye renderer in process, on a real layered window: the background's
// pixels, frames that change only the pupils against whole frames, and
// rebuilds that touch only what the change bits name.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <new>
#include <random>
#include <vector>

#include "app/app_state.h"
#include "eyes/eye_renderer.h"
#include "settings_ui/change_bits.h"

namespace {

constexpr uint32_t kOutline = 0x00336699;   // COLORREF: red 0x99, green 0x66, blue 0x33
constexpr uint32_t kEyeWhite = 0x00C0E0F0;
constexpr uint32_t kPupil = 0x00104080;

class EyeRendererTest : public testing::Test {
protected:
    void Start(int32_t width, int32_t height)
    {
        g_app.~AppState();
        new (&g_app) AppState();
        g_app.hInstance = GetModuleHandleW(nullptr);
        g_app.settings = {kSettingsTag, 40, 30, width, height, kOutline, kEyeWhite, kPupil};
        g_app.eyeGeometry = DeriveEyeGeometry(width, height);
        // A top-level layered window stands in for the eye window; the
        // desktop window's client coordinates are screen coordinates.
        g_app.EyeWindow = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, L"STATIC", nullptr,
                                          WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, g_app.hInstance, nullptr);
        g_app.DesktopHost = GetDesktopWindow();
        ASSERT_TRUE(CreateEyeSurfaces());
        ShowWindow(g_app.EyeWindow, SW_SHOWNOACTIVATE);
    }
    void TearDown() override
    {
        DestroyEyeSurfaces();
        DestroyWindow(g_app.EyeWindow);
    }
    static RECT WindowRect()
    {
        RECT rect{};
        GetWindowRect(g_app.EyeWindow, &rect);
        return rect;
    }
    static uint32_t Background(int32_t x, int32_t y) { return g_app.backgroundPixels[y * g_app.settings.width + x]; }
    static std::vector<uint32_t> Frame()
    {
        GdiFlush();
        const uint32_t* bits = static_cast<const uint32_t*>(g_app.eyeBits);
        return std::vector<uint32_t>(bits, bits + g_app.eyeGeometry.pixelCount);
    }
    static bool Apply(Settings next)
    {
        const PendingRect rect{next.x, next.y, next.width, next.height};
        const PendingColors colors{next.outlineColor, next.eyeWhiteColor, next.pupilColor};
        const uint32_t changes = ComputeChangeBits(rect, colors, g_app.settings);
        g_app.settings = next;
        return RebuildEyeSurfaces(changes, nullptr);
    }
};

TEST_F(EyeRendererTest, BackgroundIsTransparentAroundOpaqueEyes)
{
    Start(315, 200);
    // The eye boxes are 150 wide, the right one starting at 165.
    EXPECT_EQ(Background(0, 0), 0u);
    EXPECT_EQ(Background(314, 199), 0u);
    EXPECT_EQ(Background(157, 100), 0u) << "between the eyes";
    EXPECT_EQ(Background(4, 100), 0xFF996633u) << "the outline, opaque";
    EXPECT_EQ(Background(310, 100), 0xFF996633u);
    EXPECT_EQ(Background(75, 100), 0xFFF0E0C0u) << "the white, opaque";
    EXPECT_EQ(Background(240, 100), 0xFFF0E0C0u);
    for (int32_t i = 0; i < 315 * 200; ++i) {
        const uint32_t p = g_app.backgroundPixels[i], a = p >> 24;
        ASSERT_TRUE(((p >> 16) & 0xFF) <= a && ((p >> 8) & 0xFF) <= a && (p & 0xFF) <= a) << "not premultiplied at " << i;
    }
}

// Along a trace of cursor points, slow strokes and jumps, every frame that
// changes only the pupils equals, bit for bit, the whole frame for the same
// point; a point that moves no pupil draws no frame at all.
TEST_F(EyeRendererTest, PupilOnlyFramesEqualWholeFrames)
{
    const int32_t sizes[][2] = {{315, 200}, {84, 40}, {400, 120}, {97, 301}};
    for (const auto& size : sizes) {
        Start(size[0], size[1]);
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
        EXPECT_GT(drawn, 100);
        EXPECT_LT(drawn, 1000);
        TearDown();
    }
}

TEST_F(EyeRendererTest, RebuildTouchesOnlyWhatTheChangeBitsName)
{
    Start(315, 200);
    const void* const bits = g_app.eyeBits;
    g_app.backgroundPixels[0] = 0x01010101;  // a mark where the background is transparent

    Settings next = g_app.settings;
    next.x = 300;
    ASSERT_TRUE(Apply(next));
    EXPECT_EQ(g_app.backgroundPixels[0], 0x01010101u) << "a new position alone rebuilds nothing";
    EXPECT_EQ(WindowRect().left, 300);

    next.pupilColor = 0x0000C000;
    ASSERT_TRUE(Apply(next));
    EXPECT_EQ(g_app.backgroundPixels[0], 0x01010101u) << "a new pupil colour keeps the background";
    const PupilRect& pupil = g_app.shownPupils[0];
    EXPECT_EQ(Frame()[size_t(199 - pupil.top - pupil.ellipseHeight / 2) * 315 + size_t(pupil.left + pupil.ellipseWidth / 2)],
              0xFF00C000u);

    next.eyeWhiteColor = 0x00FFFFFF;
    ASSERT_TRUE(Apply(next));
    EXPECT_EQ(g_app.backgroundPixels[0], 0u) << "new eye colours rebuild the background";
    EXPECT_EQ(g_app.eyeBits, bits) << "... but keep the bitmap";

    next.width = 84;
    next.height = 40;
    ASSERT_TRUE(Apply(next));
    EXPECT_NE(g_app.eyeBits, bits) << "a new size makes a new bitmap";
    EXPECT_EQ(Background(20, 20), 0xFFFFFFFFu);
    EXPECT_EQ(WindowRect().right - WindowRect().left, 84);
    EXPECT_EQ(WindowRect().bottom - WindowRect().top, 40);
}

} // namespace
