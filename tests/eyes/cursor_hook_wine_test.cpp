// The hook's wake-ups, on a real message queue. Its point on a scaled
// display is followed end to end by the scenarios, on the seams that play
// one.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/app_state.h"
#include "app/window_messages.h"
#include "eyes/cursor_hook.h"

namespace {

// A burst of moves before the GUI thread takes its wake-up posts one
// wake-up, and the newest point is the one kept, whatever other mouse
// messages come; once the wake-up is taken, the next move posts again.
TEST(MouseHookProc, KeepsTheNewestPointAndWakesOnceAtATime)
{
    g_app.hookWakeTarget = CreateWindowExW(0, L"STATIC", nullptr, WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    MSLLHOOKSTRUCT event{};
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 50; ++i) {
            event.pt = {i - 20 * round, 1000 - i};
            MouseHookProc(HC_ACTION, WM_MOUSEMOVE, reinterpret_cast<LPARAM>(&event));
        }
        MouseHookProc(HC_ACTION, WM_LBUTTONDOWN, reinterpret_cast<LPARAM>(&event));
        int wakeUps = 0;
        for (MSG m; PeekMessageW(&m, g_app.hookWakeTarget, kCursorMoved, kCursorMoved, PM_REMOVE);)
            ++wakeUps;
        const uint64_t point = g_app.latestHookPoint.load();
        EXPECT_TRUE(wakeUps == 1 && int32_t(uint32_t(point)) == 49 - 20 * round && int32_t(point >> 32) == 951);
        g_app.hookWakePending.store(false);
    }
    DestroyWindow(g_app.hookWakeTarget);
}

} // namespace
