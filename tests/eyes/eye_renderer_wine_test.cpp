#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <thread>

#include "app/app_state.h"
#include "app/messages.h"
#include "eyes/eye_geometry.h"
#include "eyes/eye_pixels.h"
#include "eyes/eye_renderer.h"
#include "settings_ui/change_bits.h"

namespace {

constexpr uint32_t kOutline = 0x00336699;
constexpr uint32_t kEyeWhite = 0x00C0E0F0;
constexpr uint32_t kPupil = 0x00104080;
constexpr uint32_t kMarker = 0x12345678;

uint32_t BackgroundAt(int32_t x, int32_t y)
{
    return g_app.backgroundPixels[y * g_app.settings.width + x];
}

// The eye bitmap is bottom-up: picture row y is memory row H - 1 - y.
uint32_t FrameAt(int32_t x, int32_t y)
{
    const uint32_t* bits = static_cast<const uint32_t*>(g_app.eyeBits);
    return bits[(g_app.settings.height - 1 - y) * g_app.settings.width + x];
}

void FillFrame(uint32_t value)
{
    uint32_t* bits = static_cast<uint32_t*>(g_app.eyeBits);
    for (int32_t i = 0; i < g_app.eyeBitmapInfo.biWidth * g_app.eyeBitmapInfo.biHeight; ++i)
        bits[i] = value;
}

bool FrameIsAll(uint32_t value)
{
    const uint32_t* bits = static_cast<const uint32_t*>(g_app.eyeBits);
    for (int32_t i = 0; i < g_app.eyeBitmapInfo.biWidth * g_app.eyeBitmapInfo.biHeight; ++i)
        if (bits[i] != value)
            return false;
    return true;
}

RECT EyeWindowRect()
{
    RECT rect = {};
    GetWindowRect(g_app.EyeWindow, &rect);
    return rect;
}

// Confirms every message box of this process captioned "Tavrel" that
// appears while it lives, and counts them.
class MessageBoxConfirmer {
public:
    MessageBoxConfirmer()
        : thread_([this] {
              while (!stop_) {
                  HWND box = FindWindowW(L"#32770", L"Tavrel");
                  DWORD pid = 0;
                  if (box != nullptr && GetWindowThreadProcessId(box, &pid) != 0 && pid == GetCurrentProcessId()) {
                      ++count_;
                      SendMessageW(box, WM_COMMAND, IDOK, 0);
                      while (IsWindow(box) && !stop_)
                          Sleep(10);
                  }
                  Sleep(20);
              }
          })
    {
    }
    ~MessageBoxConfirmer()
    {
        stop_ = true;
        thread_.join();
    }
    int Count() const { return count_; }

private:
    std::atomic<bool> stop_{ false };
    std::atomic<int> count_{ 0 };
    std::thread thread_;
};

class EyeRendererTest : public testing::Test {
protected:
    void SetUp() override
    {
        g_app = AppState();
        g_app.hInstance = GetModuleHandleW(nullptr);
        Settings& s = g_app.settings;
        s.x = 40;
        s.y = 30;
        s.width = 315;
        s.height = 200;
        s.outlineColor = kOutline;
        s.eyeWhiteColor = kEyeWhite;
        s.pupilColor = kPupil;
        g_app.eyeGeometry = DeriveEyeGeometry(s.width, s.height);
        // A top-level layered window stands in for the eye window; the
        // desktop window's client coordinates are screen coordinates.
        g_app.EyeWindow = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, L"STATIC", nullptr,
                                          WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, g_app.hInstance, nullptr);
        ASSERT_NE(g_app.EyeWindow, nullptr);
        ShowWindow(g_app.EyeWindow, SW_SHOWNOACTIVATE);
        g_app.DesktopHost = GetDesktopWindow();
        ASSERT_TRUE(CreateEyeSurfaces());
        ASSERT_TRUE(g_app.surfacesMatchSettings);
    }

    void TearDown() override
    {
        DestroyEyeSurfaces();
        DestroyWindow(g_app.EyeWindow);
        EXPECT_EQ(g_app.memoryDC, nullptr);
        EXPECT_EQ(g_app.gdiplusToken, 0u);
        g_app = AppState();
    }

    // Applies new values the way the settings dialog does: Settings first,
    // then the rebuild with the change bits.
    bool Apply(const Settings& next)
    {
        PendingRect rect = { next.x, next.y, next.width, next.height };
        PendingColors colors = { next.outlineColor, next.eyeWhiteColor, next.pupilColor };
        const uint32_t changes = ComputeChangeBits(rect, colors, g_app.settings);
        g_app.settings = next;
        return RebuildEyeSurfaces(changes, nullptr);
    }
};

} // namespace

TEST_F(EyeRendererTest, BackgroundIsTransparentAroundOpaqueEyes)
{
    const EyeGeometry& g = g_app.eyeGeometry;
    const int32_t middle = g_app.settings.height / 2;
    struct Case {
        const char* where;
        int32_t x, y;
        uint32_t expected;
    } cases[] = {
        { "top-left corner", 0, 0, 0 },
        { "bottom-right corner", 314, 199, 0 },
        { "between the eyes", g.eyeWidth + (g.rightEyeLeft - g.eyeWidth) / 2, middle, 0 },
        { "left eye's outline", 4, middle, RecolourMaskPixel(0xFF, kOutline) },
        { "right eye's outline", 310, middle, RecolourMaskPixel(0xFF, kOutline) },
        { "left eye's centre", g.eyeWidth / 2, middle, ColorRefToArgb(kEyeWhite) },
        { "right eye's centre", g.rightEyeLeft + g.eyeWidth / 2, middle, ColorRefToArgb(kEyeWhite) },
    };
    for (const auto& c : cases)
        EXPECT_EQ(BackgroundAt(c.x, c.y), c.expected) << c.where << std::hex << " got " << BackgroundAt(c.x, c.y);

    // Wine's GDI+ fills without anti-aliasing, so the edge may or may not
    // hold partly covered pixels; either way every pixel is premultiplied.
    for (int32_t i = 0; i < g.pixelCount; ++i) {
        const uint32_t p = g_app.backgroundPixels[i];
        const uint32_t a = p >> 24;
        ASSERT_LE((p >> 16) & 0xFF, a) << "not premultiplied at " << i;
        ASSERT_LE((p >> 8) & 0xFF, a) << "not premultiplied at " << i;
        ASSERT_LE(p & 0xFF, a) << "not premultiplied at " << i;
    }
}

TEST_F(EyeRendererTest, FrameShowsThePupilsWherePlacePupilsPutsThem)
{
    const Settings& s = g_app.settings;
    const POINT cursors[] = { { 0, 0 }, { 40 + 74, 30 + 100 }, { 2000, 900 }, { 200, 1000 }, { -500, 130 } };
    for (const POINT& cursor : cursors) {
        RenderEyes(cursor);
        GdiFlush();
        PupilRect pupils[2];
        PlacePupils(g_app.eyeGeometry, s.x, s.y, s.height, cursor.x, cursor.y, pupils);
        for (const PupilRect& p : pupils)
            EXPECT_EQ(FrameAt(p.left + p.ellipseWidth / 2, p.top + p.ellipseHeight / 2), ColorRefToArgb(kPupil))
                << "cursor " << cursor.x << "," << cursor.y;
        EXPECT_EQ(FrameAt(0, 0), 0u);
    }
    const RECT rect = EyeWindowRect();
    EXPECT_EQ(rect.left, s.x);
    EXPECT_EQ(rect.top, s.y);
    EXPECT_EQ(rect.right - rect.left, s.width);
    EXPECT_EQ(rect.bottom - rect.top, s.height);
}

TEST_F(EyeRendererTest, RebuildChangesOnlyWhatTheChangeBitsName)
{
    void* const bits = g_app.eyeBits;
    uint32_t* const background = g_app.backgroundPixels;

    FillFrame(kMarker);
    ASSERT_TRUE(RebuildEyeSurfaces(0, nullptr));
    EXPECT_TRUE(FrameIsAll(kMarker)) << "no change draws no frame";

    Settings next = g_app.settings;
    next.x = 300;
    next.y = 250;
    ASSERT_TRUE(Apply(next));
    EXPECT_EQ(g_app.eyeBits, bits);
    EXPECT_EQ(g_app.backgroundPixels, background);
    EXPECT_EQ(EyeWindowRect().left, 300) << "a new position alone only moves the eyes";
    EXPECT_EQ(EyeWindowRect().top, 250);

    next.pupilColor = 0x0000C000;
    ASSERT_TRUE(Apply(next));
    EXPECT_EQ(g_app.backgroundPixels, background);
    PupilRect pupils[2];
    POINT cursor = {};
    GetCursorPos(&cursor);
    PlacePupils(g_app.eyeGeometry, next.x, next.y, next.height, cursor.x, cursor.y, pupils);
    EXPECT_EQ(FrameAt(pupils[0].left + pupils[0].ellipseWidth / 2, pupils[0].top + pupils[0].ellipseHeight / 2),
              ColorRefToArgb(0x0000C000));

    next.eyeWhiteColor = 0x00FFFFFF;
    ASSERT_TRUE(Apply(next));
    EXPECT_EQ(g_app.eyeBits, bits) << "new colours keep the bitmap";
    EXPECT_EQ(BackgroundAt(g_app.eyeGeometry.eyeWidth / 2, next.height / 2), 0xFFFFFFFFu);

    next.width = 84;
    next.height = 40;
    ASSERT_TRUE(Apply(next));
    EXPECT_TRUE(g_app.surfacesMatchSettings);
    EXPECT_EQ(g_app.eyeBitmapInfo.biWidth, 84);
    EXPECT_EQ(g_app.eyeBitmapInfo.biHeight, 40);
    EXPECT_EQ(g_app.eyeGeometry.pixelCount, 84 * 40);
    const RECT rect = EyeWindowRect();
    EXPECT_EQ(rect.right - rect.left, 84) << "the next update resizes the eye window";
    EXPECT_EQ(rect.bottom - rect.top, 40);
    EXPECT_EQ(BackgroundAt(0, 0), 0u);
    EXPECT_EQ(BackgroundAt(g_app.eyeGeometry.rightEyeLeft + g_app.eyeGeometry.eyeWidth / 2, next.height / 2),
              0xFFFFFFFFu);
}

TEST_F(EyeRendererTest, AFailedRebuildIsReportedOnceAndDrawsNothingAfterwards)
{
    FillFrame(kMarker);
    const RECT before = EyeWindowRect();
    Settings next = g_app.settings;
    next.width = 32767;
    next.height = 32767;
    {
        MessageBoxConfirmer confirmer;
        EXPECT_FALSE(Apply(next)) << "a 4 GiB bitmap cannot be made in a 32-bit process";
        EXPECT_EQ(confirmer.Count(), 1);
    }
    EXPECT_FALSE(g_app.surfacesMatchSettings);
    EXPECT_EQ(g_app.eyeGraphics, nullptr);

    RenderEyes({ 10, 10 });
    RenderEyes({ 5000, 5000 });
    EXPECT_TRUE(FrameIsAll(kMarker)) << "the old bitmap is not drawn into";
    const RECT after = EyeWindowRect();
    EXPECT_EQ(after.right - after.left, before.right - before.left) << "the window keeps its last frame";
}
