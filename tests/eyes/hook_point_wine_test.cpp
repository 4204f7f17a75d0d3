#include <gtest/gtest.h>

#include <windows.h>

#include "app/app_state.h"
#include "eyes/cursor_hook.h"

namespace {

// A display at 150 %: physical = logical * 3 / 2. The eye window spans an
// even number of pixels each way, so its corners scale exactly. Like the
// system's conversions, the stand-ins refuse points outside the window.
RECT g_logicalRect;
int g_physicalCalls;

BOOL WINAPI FakePhysicalToLogical(HWND, POINT* point)
{
    ++g_physicalCalls;
    const POINT logical = { point->x * 2 / 3, point->y * 2 / 3 };
    if (logical.x < g_logicalRect.left || logical.x > g_logicalRect.right || logical.y < g_logicalRect.top ||
        logical.y > g_logicalRect.bottom)
        return FALSE;
    *point = logical;
    return TRUE;
}

BOOL WINAPI FakeLogicalToPhysical(HWND, POINT* point)
{
    if (point->x < g_logicalRect.left || point->x > g_logicalRect.right || point->y < g_logicalRect.top ||
        point->y > g_logicalRect.bottom)
        return FALSE;
    *point = { point->x * 3 / 2, point->y * 3 / 2 };
    return TRUE;
}

BOOL WINAPI FailingConversion(HWND, POINT*)
{
    return FALSE;
}

class HookPointTest : public testing::Test {
protected:
    void SetUp() override
    {
        g_app.EyeWindow = CreateWindowExW(0, L"STATIC", nullptr, WS_POPUP, 100, 100, 317, 201, nullptr, nullptr,
                                          GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(g_app.EyeWindow, nullptr);
        GetWindowRect(g_app.EyeWindow, &g_logicalRect);
        g_physicalCalls = 0;
        g_app.physicalToLogicalPoint = FakePhysicalToLogical;
        g_app.logicalToPhysicalPoint = FakeLogicalToPhysical;
    }

    void TearDown() override
    {
        DestroyWindow(g_app.EyeWindow);
        g_app.EyeWindow = nullptr;
        g_app.physicalToLogicalPoint = nullptr;
        g_app.logicalToPhysicalPoint = nullptr;
    }
};

} // namespace

TEST_F(HookPointTest, ScalesPointsInsideAndOutsideTheEyeWindow)
{
    struct Case {
        POINT physical;
        POINT logical;
    } cases[] = {
        { { 300, 300 }, { 200, 200 } },      // inside: the system's own answer
        { { 1500, 900 }, { 1000, 600 } },    // far right and down
        { { 0, 0 }, { 0, 0 } },              // the screen's origin
        { { -600, -300 }, { -400, -200 } },  // a monitor left of and above the primary one
    };
    for (const auto& c : cases) {
        const POINT logical = HookPointToLogical(c.physical);
        EXPECT_EQ(logical.x, c.logical.x) << c.physical.x << "," << c.physical.y;
        EXPECT_EQ(logical.y, c.logical.y) << c.physical.x << "," << c.physical.y;
    }
    EXPECT_EQ(g_physicalCalls, 4) << "the system's conversion is tried first every time";
}

TEST_F(HookPointTest, TakesThePointAsItIsWithoutTheSystemsConversion)
{
    g_app.physicalToLogicalPoint = nullptr;
    const POINT logical = HookPointToLogical({ 1500, -900 });
    EXPECT_EQ(logical.x, 1500);
    EXPECT_EQ(logical.y, -900);
}

TEST_F(HookPointTest, TakesThePointAsItIsWhenNoConversionSucceeds)
{
    g_app.physicalToLogicalPoint = FailingConversion;
    g_app.logicalToPhysicalPoint = FailingConversion;
    const POINT failing = HookPointToLogical({ 1500, 900 });
    EXPECT_EQ(failing.x, 1500);
    EXPECT_EQ(failing.y, 900);

    g_app.physicalToLogicalPoint = FakePhysicalToLogical;
    g_app.logicalToPhysicalPoint = nullptr;
    const POINT missing = HookPointToLogical({ 1500, 900 });
    EXPECT_EQ(missing.x, 1500);
    EXPECT_EQ(missing.y, 900);
}

TEST(HookPointOnThisSystem, LeavesPointsAloneAtTheUnscaledDpi)
{
    // Wine keeps logical and physical coordinates equal, whatever its DPI
    // setting, so the system's own conversions must change nothing here.
    g_app.EyeWindow = CreateWindowExW(0, L"STATIC", nullptr, WS_POPUP, 100, 100, 315, 200, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(g_app.EyeWindow, nullptr);
    LoadPointConversions();
    for (const POINT point : { POINT{ 200, 150 }, POINT{ 1000, 700 }, POINT{ -50, 20 } }) {
        const POINT logical = HookPointToLogical(point);
        EXPECT_EQ(logical.x, point.x);
        EXPECT_EQ(logical.y, point.y);
    }
    DestroyWindow(g_app.EyeWindow);
    g_app.EyeWindow = nullptr;
    g_app.physicalToLogicalPoint = nullptr;
    g_app.logicalToPhysicalPoint = nullptr;
}
