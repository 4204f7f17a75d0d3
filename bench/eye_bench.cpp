// `make bench`: what the eyes cost, in three parts, printed side by side.
//
// Input cost: another process injects mouse moves one after another, with
// no Tavrel running, with a bare hook (a program whose hook thread only
// keeps the point and posts one wake-up, the floor of any program that
// follows the mouse this way) and with the real tavrel.exe on the stand-in
// shell at two sizes; each move is timed until the system reports the
// cursor there. The same with a window of the bench over the whole screen,
// where nobody can see the eyes; and the program's own processor time over
// 10,000 moves in each case.
//
// A busy desktop: another program keeps 60 small windows open away from
// the eyes and opens, shows and closes one more 50 times a second for 10 s,
// with no mouse input, while the eyes are in view and while they are
// covered, once with the window events Wine raises by itself and once
// with those Windows raises; the program's processor time against the
// busy program's own.
//
// Frame cost: the renderer's three steps (background copy, pupil fills,
// layered update) for a whole frame against a frame that changes only the
// pupils, in process on a real layered window, at three sizes.
//
// Frames per move: how many of 10,000 moves along a realistic path (slow
// and fast strokes, pauses, moves far from the eyes) draw a frame at all.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdarg>
#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "eyes/eye_renderer.h"
#include "tests/support/win_support.h"
#include "tools/standin_shell/standin_shell_protocol.h"

namespace {

double Micros(LONGLONG ticks)
{
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    return double(ticks) * 1e6 / double(frequency.QuadPart);
}

LONGLONG Now()
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

// The median of a step's times over the given number of runs, after a few
// runs that are not counted.
double Median(int runs, const std::function<void(int)>& step)
{
    std::vector<double> samples;
    for (int i = -5; i < runs; ++i) {
        const LONGLONG before = Now();
        step(i);
        if (i >= 0)
            samples.push_back(Micros(Now() - before));
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

void Report(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    std::vprintf(format, arguments);
    va_end(arguments);
    std::fflush(stdout);
}

// The kth point of a path over the eyes, and an injected move there,
// waited for until GetCursorPos reports it.
POINT PathPoint(int k)
{
    return {200 + (k * 37) % 900, 150 + (k * 53) % 700};
}

void MoveAlongPath(int k)
{
    const POINT at = PathPoint(k);
    ws::SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK, at);
    while (ws::CursorPos().x != at.x || ws::CursorPos().y != at.y)
        SwitchToThread();
}

// After a burst the X pointer is put where the last move went: Wine reads
// the cursor back from it, and the program's hook checks itself against
// that place half a second after the burst.
void EndBurstAt(int k)
{
    ws::PlaceXPointer(PathPoint(k));
}

// Injected absolute moves along the path, each timed until GetCursorPos
// reports it: the median of five rounds of 400 moves each.
double MoveCost()
{
    std::vector<double> rounds;
    for (int round = 0; round < 5; ++round) {
        rounds.push_back(Median(400, [&](int j) { MoveAlongPath(j + 5 + round * 400); }));
        EndBurstAt(399 + 5 + round * 400);
    }
    std::sort(rounds.begin(), rounds.end());
    return rounds[2];
}

// The program's processor time over 10,000 injected moves along the same
// path, each waited for, counted until the program is at rest again, in
// milliseconds.
double ProgramTime(const std::wstring& exe)
{
    const double before = ws::ProcessorTimeAtRest(exe);
    for (int k = 0; k < 10000; ++k)
        MoveAlongPath(k);
    EndBurstAt(9999);
    return (ws::ProcessorTimeAtRest(exe) - before) / 1e6;
}

// The bare hook: the hook thread keeps the newest point and posts one
// wake-up at a time to the main thread, which only takes it.
std::atomic<bool> g_wakePending;
std::atomic<uint64_t> g_point;
DWORD g_mainThread;

LRESULT CALLBACK BareHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && wParam == WM_MOUSEMOVE) {
        const POINT pt = reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam)->pt;
        g_point.store(uint64_t(uint32_t(pt.x)) | uint64_t(uint32_t(pt.y)) << 32);
        if (!g_wakePending.exchange(true))
            PostThreadMessageW(g_mainThread, WM_APP, 0, 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The bench waits for this event before it moves the mouse.
constexpr wchar_t kBareHookReady[] = L"Tavrel.Bench.BareHookReady";

DWORD WINAPI BareHookThread(void*)
{
    HHOOK hook = SetWindowsHookExW(WH_MOUSE_LL, BareHook, GetModuleHandleW(nullptr), 0);
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, kBareHookReady);
    if (hook != nullptr && ready != nullptr)
        SetEvent(ready);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    UnhookWindowsHookEx(hook);
    return 0;
}

int RunBareHook()
{
    g_mainThread = GetCurrentThreadId();
    CloseHandle(CreateThread(nullptr, 0, BareHookThread, nullptr, 0, nullptr));
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_APP)
            g_wakePending.store(false);
    }
    return 0;
}

// Another program's busy desktop for ten seconds, as a process of its own,
// raising the window events Windows would or not; its processor time in
// milliseconds, and the program's over the same time.
bool BusyDesktop(const std::wstring& exe, bool events, double& busyMs, double& programMs)
{
    ws::ChildProcess busy;
    const double before = ws::ProcessorTimeAtRest(exe);
    DWORD milliseconds = 0;
    if (!busy.Start(ws::BinFolder() + L"\\eye_bench.exe", events ? L"--busy 60 50 10000 events" : L"--busy 60 50 10000",
                    ws::BinFolder()) ||
        !busy.WaitForExit(40000, &milliseconds))
        return false;
    programMs = (ws::ProcessorTimeAtRest(exe) - before) / 1e6;
    busyMs = milliseconds;
    return true;
}

// A window of this process over the whole screen, as a game's, which hides
// the eyes from everyone. It lives on a thread of its own that handles its
// messages, as a program that answers does, while the bench's own thread
// only injects and waits; the thread ends when the window is closed.
DWORD WINAPI CoverThread(void* shown)
{
    HWND cover = CreateWindowExW(0, L"STATIC", nullptr, WS_POPUP, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                                 GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ShowWindow(cover, SW_SHOW);
    SetForegroundWindow(cover);
    SetEvent(static_cast<HANDLE>(shown));
    MSG message;
    while (IsWindow(cover) && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.hwnd == nullptr && message.message == WM_CLOSE)
            DestroyWindow(cover);
        DispatchMessageW(&message);
    }
    return 0;
}

HANDLE CoverTheScreen(DWORD& threadId)
{
    HANDLE shown = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, CoverThread, shown, 0, &threadId);
    WaitForSingleObject(shown, 10000);
    CloseHandle(shown);
    return thread;
}

void Uncover(HANDLE thread, DWORD threadId)
{
    PostThreadMessageW(threadId, WM_CLOSE, 0, 0);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
}

struct InputFigures {
    double micros;    // per injected move
    double programMs; // the program's time per 10,000 moves; 0 with no Tavrel
    double busyMs[2];        // with Tavrel: the busy desktop's own time over its ten seconds, plain and with events
    double busyProgramMs[2]; // and the program's over the same time
};

// The input cost on the stand-in shell's desktop, with tavrel.exe showing
// eyes of the given size, or with the bare hook when the width is 1, or
// with neither when it is 0; with the eyes in view or with a window of
// another program over the whole screen. With tavrel.exe, also what a busy
// desktop costs it.
bool InputCost(int width, int height, bool covered, InputFigures& figures)
{
    const std::wstring folder = ws::BinFolder() + L"\\testtmp\\bench";
    ws::RemoveTree(folder);
    CreateDirectoryW(folder.c_str(), nullptr);
    ws::ChildProcess shell, tavrel;
    if (!shell.Start(ws::BinFolder() + L"\\standin_shell.exe", L"", ws::BinFolder()) || !ws::WaitFor([] {
            return ws::ShellControl(standin_shell::kCommandQueryReady) == 1;
        }))
        return false;
    const std::wstring exe = folder + L"\\tavrel.exe";
    if (width == 1) {
        HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, kBareHookReady);
        const bool started = tavrel.Start(ws::BinFolder() + L"\\eye_bench.exe", L"--bare-hook", ws::BinFolder()) &&
                             WaitForSingleObject(ready, 10000) == WAIT_OBJECT_0;
        CloseHandle(ready);
        if (!started)
            return false;
    }
    if (width > 1) {
        uint32_t fields[8] = {0x0001AA2A, 100, 60, uint32_t(width), uint32_t(height), 0, 0xFFFFFF, 0};
        std::vector<uint8_t> bytes(reinterpret_cast<uint8_t*>(fields), reinterpret_cast<uint8_t*>(fields + 8));
        if (!CopyFileW((ws::BinFolder() + L"\\tavrel.exe").c_str(), exe.c_str(), FALSE) ||
            !ws::WriteBytes(folder + L"\\tavrel.dat", bytes) || !tavrel.Start(exe, L"", folder) ||
            !ws::WaitFor([&] { return ws::WindowOf(tavrel.Id(), L"8bf14e335fa0413b98aa2be5baee60b3") != nullptr; }))
            return false;
    }
    DWORD coverThreadId = 0;
    HANDLE cover = covered ? CoverTheScreen(coverThreadId) : nullptr;
    ws::PumpFor(500);
    figures.micros = MoveCost();
    figures.programMs = width > 1 ? ProgramTime(exe) : 0;
    const bool busy = width <= 1 || (BusyDesktop(exe, false, figures.busyMs[0], figures.busyProgramMs[0]) &&
                                     BusyDesktop(exe, true, figures.busyMs[1], figures.busyProgramMs[1]));
    if (cover != nullptr)
        Uncover(cover, coverThreadId);
    return busy;
}

// The renderer's surfaces for one size, on the bench's layered window.
bool Prepare(int width, int height)
{
    g_app.settings = {kSettingsTag, 0, 0, width, height, 0x00202020, 0x00F0F0F0, 0x00402010};
    g_app.eyeGeometry = DeriveEyeGeometry(width, height);
    return CreateEyeSurfaces() && RenderEyes({0, 0});
}

void FrameCost(int width, int height)
{
    if (!Prepare(width, height)) {
        Report("%5d x %-5d could not be measured\n", width, height);
        DestroyEyeSurfaces();
        return;
    }
    double times[2][3];
    for (int full = 1; full >= 0; --full) {
        // Two cursor points a few pixels apart move the pupils a little in
        // each frame, as a slow stroke does.
        FramePlan plans[2];
        for (int p = 0; p < 2; ++p) {
            g_app.fullFrameNeeded = true;
            RenderEyes({width / 2 + 30 * p, height + 100});
            g_app.fullFrameNeeded = full == 1;
            PlanFrame({width / 2 + 30 * (1 - p), height + 100}, plans[p]);
        }
        const int runs = width > 1000 ? 100 : 1000;
        times[full][0] = Median(runs, [&](int i) { RestoreBackground(plans[i & 1]); });
        times[full][1] = Median(runs, [&](int i) { FillPupils(plans[i & 1]); GdiFlush(); });
        times[full][2] = Median(runs, [&](int i) { ShowFrame(plans[i & 1]); });
    }
    DestroyEyeSurfaces();
    Report("%5d x %-5d %10.1f %10.1f %10.1f %10.1f %10.1f %10.1f\n", width, height, times[1][0], times[1][1],
           times[1][2], times[0][0], times[0][1], times[0][2]);
}

// A realistic path: strokes of 20 to 200 moves, slow (1 to 3 pixels a
// move) or fast (10 to 40), each followed by a pause that repeats the last
// point, and every fifth stroke far from the eyes.
std::vector<POINT> RealisticPath(int moves)
{
    std::vector<POINT> path;
    uint32_t seed = 12345;
    auto next = [&](int range) { seed = seed * 1664525 + 1013904223; return int(seed >> 8) % range; };
    POINT at = {400, 300};
    for (int stroke = 0; int(path.size()) < moves; ++stroke) {
        const bool away = stroke % 5 == 4, fast = next(2) == 1;
        const double angle = next(360) * 3.14159265358979 / 180;
        const int speed = fast ? 10 + next(31) : 1 + next(3), length = 20 + next(181);
        if (away)
            at = {1500 + next(400), 900 + next(200)};
        for (int i = 0; i < length; ++i) {
            at.x = std::clamp(LONG(at.x + speed * std::cos(angle)), -200L, 2000L);
            at.y = std::clamp(LONG(at.y + speed * std::sin(angle)), -200L, 1300L);
            path.push_back(at);
        }
        path.insert(path.end(), size_t(next(30)), at);
    }
    path.resize(size_t(moves));
    return path;
}

void FramesPerMove(int width, int height)
{
    if (!Prepare(width, height))
        return;
    int drawn = 0;
    for (const POINT& point : RealisticPath(10000))
        drawn += RenderEyes(point) ? 1 : 0;
    DestroyEyeSurfaces();
    Report("%5d x %-5d %8d %8d %10.3f\n", width, height, 10000, drawn, drawn / 10000.0);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if ((argc == 5 || argc == 6) && std::wstring(argv[1]) == L"--busy")
        return ws::RunBusyDesktop(std::stoi(argv[2]), std::stoi(argv[3]), DWORD(std::stoul(argv[4])), argc == 6);
    if (argc == 2 && std::wstring(argv[1]) == L"--bare-hook")
        return RunBareHook();
    Report("Input cost: microseconds per injected mouse move, median of five rounds of 400, against no Tavrel\n");
    Report("and against a bare hook under the same cover; the program's processor time over 10,000 such moves;\n");
    Report("a busy desktop's processor time over 10 s, and the program's over the same time, first with the window\n");
    Report("events Wine raises by itself, then with those Windows raises (450 a second)\n");
    Report("%-34s %10s %8s %8s %12s %10s %10s %10s %10s\n", "what runs", "us/move", "x none", "x bare", "program ms",
           "busy ms", "program ms", "busy ms", "program ms");
    const struct {
        int width, height;
        bool covered;
    } runs[] = {{0, 0, false}, {1, 0, false}, {315, 200, false}, {1280, 1024, false},
                {0, 0, true},  {1, 0, true},  {315, 200, true},  {1280, 1024, true}};
    double none[2] = {0, 0}, bare[2] = {0, 0};
    for (const auto& run : runs) {
        InputFigures figures{};
        if (!InputCost(run.width, run.height, run.covered, figures)) {
            Report("the run at %d x %d did not start\n", run.width, run.height);
            return 1;
        }
        const int c = run.covered ? 1 : 0;
        none[c] = run.width == 0 ? figures.micros : none[c];
        bare[c] = run.width == 1 ? figures.micros : bare[c];
        char what[48];
        const char* cover = run.covered ? ", screen covered" : "";
        if (run.width <= 1)
            std::snprintf(what, sizeof what, "%s%s", run.width == 0 ? "no Tavrel" : "bare hook", cover);
        else
            std::snprintf(what, sizeof what, "Tavrel at %d x %d%s", run.width, run.height, cover);
        Report("%-34s %10.1f %8.2f %8.2f %12.1f %10.0f %10.1f %10.0f %10.1f\n", what, figures.micros,
               figures.micros / none[c], run.width == 0 ? 0.0 : figures.micros / bare[c], figures.programMs,
               figures.busyMs[0], figures.busyProgramMs[0], figures.busyMs[1], figures.busyProgramMs[1]);
    }

    g_app.hInstance = GetModuleHandleW(nullptr);
    g_app.EyeWindow = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, L"STATIC", nullptr,
                                      WS_POPUP | WS_VISIBLE, 0, 0, 1, 1, nullptr, nullptr, g_app.hInstance, nullptr);
    g_app.DesktopHost = GetDesktopWindow();
    Report("\nFrame cost: microseconds per step, median\n");
    Report("%-13s %10s %10s %10s %10s %10s %10s\n", "", "whole:", "", "", "pupils:", "", "");
    Report("%-13s %10s %10s %10s %10s %10s %10s\n", "size", "copy", "fills", "show", "copy", "fills", "show");
    for (const auto& size : {std::pair<int, int>{315, 200}, {1280, 720}, {1920, 1080}})
        FrameCost(size.first, size.second);

    Report("\nFrames drawn per move, along a realistic path\n");
    Report("%-13s %8s %8s %10s\n", "size", "moves", "frames", "per move");
    FramesPerMove(315, 200);
    FramesPerMove(1280, 1024);
    DestroyWindow(g_app.EyeWindow);
    return 0;
}
