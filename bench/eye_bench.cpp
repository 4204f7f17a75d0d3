// Measures what one mouse movement costs: a whole RenderEyes frame (the
// background copy, two pupil fills and the layered update onto a real
// layered window) at three sizes, each against a bare memcpy of the same
// 4 * W * H bytes measured in the same run, which no frame can beat.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/app_state.h"
#include "eyes/eye_geometry.h"
#include "eyes/eye_renderer.h"

namespace {

struct BenchSize {
    int32_t width;
    int32_t height;
};

constexpr BenchSize kSizes[] = { { 315, 200 }, { 1280, 720 }, { 1920, 1080 } };

// Each measurement repeats until it has both enough samples and enough
// time, so that small sizes get many samples and large ones stay quick.
constexpr int kMinSamples = 50;
constexpr int kMaxSamples = 5000;
constexpr double kMinSeconds = 1.5;
constexpr int kWarmUp = 10;

constexpr wchar_t kBenchClassName[] = L"TavrelEyeBench";

struct Timing {
    double medianMicros;
    double bestMicros;
    int samples;
};

double TicksToMicros(LONGLONG ticks)
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

// Lets the window system take what the updates queued, outside the timed
// part.
void PumpMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
}

template <typename Step>
Timing Measure(Step step)
{
    for (int i = 0; i < kWarmUp; ++i)
        step(i);
    std::vector<double> samples;
    samples.reserve(kMaxSamples);
    const LONGLONG start = Now();
    for (int i = 0; int(samples.size()) < kMaxSamples; ++i) {
        const LONGLONG before = Now();
        step(i);
        const LONGLONG after = Now();
        samples.push_back(TicksToMicros(after - before));
        if ((i & 15) == 15)
            PumpMessages();
        if (int(samples.size()) >= kMinSamples && TicksToMicros(after - start) >= kMinSeconds * 1e6)
            break;
    }
    std::sort(samples.begin(), samples.end());
    return { samples[samples.size() / 2], samples.front(), int(samples.size()) };
}

// A cursor path around and across the eyes, so that the pupils move in
// every frame as they do when the mouse moves.
POINT CursorFor(int i, const BenchSize& size)
{
    static const POINT offsets[] = { { -200, -150 }, { 0, 0 }, { 400, 300 }, { -100, 500 }, { 900, -40 } };
    const POINT& o = offsets[i % 5];
    return { o.x + (i % 7) * size.width / 7, o.y + (i % 3) * size.height / 3 };
}

HWND CreateLayeredTarget()
{
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kBenchClassName;
    if (RegisterClassExW(&windowClass) == 0)
        return nullptr;
    HWND window = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kBenchClassName, nullptr,
                                  WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (window != nullptr)
        ShowWindow(window, SW_SHOWNOACTIVATE);
    return window;
}

// Prepares the program's surfaces for one size, exactly as start-up does.
bool PrepareSurfaces(const BenchSize& size)
{
    Settings& s = g_app.settings;
    s.x = 0;
    s.y = 0;
    s.width = size.width;
    s.height = size.height;
    s.outlineColor = 0x00202020;
    s.eyeWhiteColor = 0x00F0F0F0;
    s.pupilColor = 0x00402010;
    g_app.eyeGeometry = DeriveEyeGeometry(size.width, size.height);
    return CreateEyeSurfaces();
}

bool BenchOneSize(const BenchSize& size)
{
    if (!PrepareSurfaces(size)) {
        DestroyEyeSurfaces();
        return false;
    }
    const Timing frame = Measure([&size](int i) { RenderEyes(CursorFor(i, size)); });
    DestroyEyeSurfaces();

    const size_t bytes = size_t(size.width) * size_t(size.height) * 4;
    std::vector<unsigned char> source(bytes, 0x5A);
    std::vector<unsigned char> target(bytes, 0);
    const Timing copy = Measure([&source, &target, bytes](int i) {
        source[size_t(i) % bytes] = static_cast<unsigned char>(i);
        std::memcpy(target.data(), source.data(), bytes);
    });

    std::printf("%5d x %-5d %9.1f %9.1f %9.1f %9.1f %8.1f %8.1f %7d %7d\n", size.width, size.height,
                frame.medianMicros, frame.bestMicros, copy.medianMicros, copy.bestMicros,
                frame.medianMicros / copy.medianMicros, frame.bestMicros / copy.bestMicros, frame.samples,
                copy.samples);
    std::fflush(stdout);
    // Reading the copy keeps the compiler from dropping the copies.
    volatile unsigned char sink = target[bytes / 2];
    (void)sink;
    return true;
}

} // namespace

int wmain()
{
    g_app.hInstance = GetModuleHandleW(nullptr);
    g_app.EyeWindow = CreateLayeredTarget();
    if (g_app.EyeWindow == nullptr) {
        std::fprintf(stderr, "eye_bench: cannot create the layered window\n");
        return 1;
    }
    // The target is a top-level window, so the desktop window is its host:
    // its client coordinates are screen coordinates.
    g_app.DesktopHost = GetDesktopWindow();

    std::printf("One RenderEyes frame (copy, two pupil fills, layered update) against a bare memcpy\n");
    std::printf("of the same 4*W*H bytes; times in microseconds, ratio = frame / memcpy.\n\n");
    std::printf("%-13s %9s %9s %9s %9s %8s %8s %7s %7s\n", "size", "frame med", "best", "copy med", "best",
                "ratio", "best", "frames", "copies");
    int status = 0;
    for (const BenchSize& size : kSizes) {
        if (!BenchOneSize(size)) {
            std::fprintf(stderr, "eye_bench: %d x %d could not be measured\n", size.width, size.height);
            status = 1;
        }
    }
    DestroyWindow(g_app.EyeWindow);
    return status;
}
