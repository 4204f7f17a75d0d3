// Long runs of the real tavrel.exe on the stand-in shell, for what only
// shows over time or over many starts:
//
//   soak.exe MOVES RESTARTS ROUNDS
//
// MOVES injected mouse moves at 315 x 200 and at 1280 x 1024, RESTARTS
// restarts of the shell (each must end with the eyes in the new desktop and
// the icon in the new notification area) and ROUNDS openings and closings
// of the settings; along each, the program's private bytes and its GDI and
// USER objects are sampled ten times and must not grow by more than 1 %
// over the first sample. Last, settings files of every length from 0 to 64
// bytes of random content, and a valid record with sizes around the
// minimums: the program starts with the defaults or with the record raised
// to the minimums, and never rewrites the file. Prints a table; exits with
// 0 when all held.
#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/win_support.h"
#include "tools/standin_shell/standin_shell_protocol.h"

using namespace ws;
namespace ss = standin_shell;

namespace {

const std::wstring kFolder = BinFolder() + L"\\testtmp\\soak";
int g_failures = 0;

void Row(const char* what, long count, const std::string& figures, bool ok)
{
    std::printf("%-22s %8ld  %-72s %s\n", what, count, figures.c_str(), ok ? "ok" : "FAILED");
    std::fflush(stdout);
    g_failures += ok ? 0 : 1;
}

std::vector<uint8_t> Record(int32_t x, int32_t y, int32_t width, int32_t height)
{
    const uint32_t f[8] = {0x0001AA2A, uint32_t(x), uint32_t(y), uint32_t(width), uint32_t(height), 0, 0xFFFFFF, 0};
    return std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(f), reinterpret_cast<const uint8_t*>(f + 8));
}

// Private bytes, GDI objects and USER objects of a process. Wine reports
// none of them for another process; there the private bytes are the
// resident anonymous memory of its Unix process, found by its command line
// in /proc, the GDI objects the used entries of its GDI handle table, found
// through its process environment block, and the USER objects its windows.
struct Sample {
    double bytes, gdi, user;
};

double UnixPrivateBytes()
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(L"Z:\\proc\\*", &found);
    double bytes = 0;
    for (BOOL more = search != INVALID_HANDLE_VALUE; more && bytes == 0; more = FindNextFileW(search, &found)) {
        const std::wstring process = std::wstring(L"Z:\\proc\\") + found.cFileName;
        const std::vector<uint8_t> line = ReadBytes(process + L"\\cmdline"), status = ReadBytes(process + L"\\status");
        const std::string text(status.begin(), status.end());
        if (Widen(std::string(line.begin(), std::find(line.begin(), line.end(), 0))) == kFolder + L"\\tavrel.exe" &&
            text.find("RssAnon:") != std::string::npos)
            bytes = 1024.0 * std::atof(text.c_str() + text.find("RssAnon:") + 8);
    }
    FindClose(search);
    return bytes;
}

Sample MeasureOnce(const ChildProcess& process)
{
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(process.Handle(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
    Sample sample{memory.PrivateUsage != 0 ? double(memory.PrivateUsage) : UnixPrivateBytes(),
                  double(GetGuiResources(process.Handle(), GR_GDIOBJECTS)),
                  double(GetGuiResources(process.Handle(), GR_USEROBJECTS))};
    if (sample.gdi == 0) {
        struct Entry {
            uint64_t object;
            uint32_t owner;
            uint16_t unique;
            uint8_t type, flags;
            uint64_t user;
        };
        PROCESS_BASIC_INFORMATION basic{};
        NtQueryInformationProcess(process.Handle(), ProcessBasicInformation, &basic, sizeof basic, nullptr);
        void* table = nullptr;
        std::vector<Entry> entries(0x10000);
        const char* peb = reinterpret_cast<const char*>(basic.PebBaseAddress);
        if (ReadProcessMemory(process.Handle(), peb + (sizeof(void*) == 8 ? 0xF8 : 0x94), &table, sizeof table, nullptr) &&
            ReadProcessMemory(process.Handle(), table, entries.data(), entries.size() * sizeof(Entry), nullptr))
            sample.gdi = double(std::count_if(entries.begin(), entries.end(), [](const Entry& e) { return e.type; }));
        sample.user = double(WindowsOf(process.Id()).size());
    }
    return sample;
}

// A frame in flight holds a few of the system's objects for a moment: the
// least of five looks, a tenth of a second apart, counts what stays. The
// memory is that of the last look. The first look at a process brings its
// GDI handle table into its memory (1.5 MB); a first sample is therefore
// made, and dropped, before a run.
Sample Measure(const ChildProcess& process)
{
    Sample least = MeasureOnce(process);
    for (int i = 0; i < 4; ++i) {
        PumpFor(100);
        const Sample now = MeasureOnce(process);
        least = {now.bytes, std::min(least.gdi, now.gdi), std::min(least.user, now.user)};
    }
    return least;
}

// The largest growth of each figure over the first sample, in per cent.
std::string Growth(const std::vector<Sample>& samples, bool& ok)
{
    double worst[3] = {0, 0, 0};
    const Sample& first = samples.front();
    for (const Sample& s : samples) {
        worst[0] = std::max(worst[0], 100 * (s.bytes - first.bytes) / first.bytes);
        worst[1] = std::max(worst[1], 100 * (s.gdi - first.gdi) / first.gdi);
        worst[2] = std::max(worst[2], 100 * (s.user - first.user) / first.user);
    }
    ok = ok && samples.size() > 1 && worst[0] <= 1 && worst[1] <= 1 && worst[2] <= 1;
    char text[128];
    std::snprintf(text, sizeof text, "private %.1f MB %+.2f%%, GDI %.0f %+.2f%%, USER %.0f %+.2f%%", first.bytes / 1e6,
                  worst[0], first.gdi, worst[1], first.user, worst[2]);
    return text;
}

// The stand-in shell and tavrel.exe, in a folder of its own.
struct Desktop {
    ChildProcess shell, tavrel;
    ~Desktop() { tavrel.Kill(); }
    bool StartShell()
    {
        return shell.Start(BinFolder() + L"\\standin_shell.exe", L"", BinFolder()) &&
               WaitFor([] { return ShellControl(ss::kCommandQueryReady) == 1; });
    }
    bool Start(const std::vector<uint8_t>& settings)
    {
        tavrel.Kill();
        WaitFor([] { return RemoveTree(kFolder); });
        CreateDirectoryW(kFolder.c_str(), nullptr);
        return CopyFileW((BinFolder() + L"\\tavrel.exe").c_str(), (kFolder + L"\\tavrel.exe").c_str(), FALSE) &&
               (settings.empty() || WriteBytes(kFolder + L"\\tavrel.dat", settings)) &&
               tavrel.Start(kFolder + L"\\tavrel.exe", L"", kFolder);
    }
    HWND Eyes() const
    {
        HWND eye = WindowOf(tavrel.Id(), L"8bf14e335fa0413b98aa2be5baee60b3");
        return eye != nullptr && IsWindowVisible(eye) ? eye : nullptr;
    }
    bool Attached() const
    {
        return Eyes() != nullptr && GetAncestor(Eyes(), GA_PARENT) == HWND(ShellControl(ss::kCommandQueryLayer)) &&
               ShellControl(ss::kCommandQueryIcon,
                            LPARAM(WindowOf(tavrel.Id(), L"f69fdc84bcc04963ace744e5648d5796"))) == 15;
    }
};

// Runs the step on a desktop with the eyes of the given size, first
// warmUp times uncounted, then count times, sampling ten times, and reports
// whether every step held and nothing grew. A step stands for perStep of
// what the row counts.
void Run(const char* what, long count, long perStep, long warmUp, int width, int height,
         const std::function<bool(Desktop&, long)>& step)
{
    Desktop desktop;
    if (count == 0)
        return;
    if (!desktop.StartShell() || !desktop.Start(Record(100, 60, width, height)) ||
        !WaitFor([&] { return desktop.Attached(); }))
        return Row(what, count * perStep, "tavrel.exe did not show its eyes", false);
    for (long i = 0; i < warmUp; ++i)
        step(desktop, i);
    std::vector<Sample> samples;
    Measure(desktop.tavrel);
    long held = 0;
    for (long i = 0; i < count; ++i) {
        held += step(desktop, i) ? 1 : 0;
        if ((i + 1) % std::max(1L, count / 10) == 0)
            samples.push_back(Measure(desktop.tavrel));
    }
    bool ok = held == count && desktop.tavrel.Running();
    Row(what, count * perStep, std::to_string(held * perStep) + " held; " + Growth(samples, ok), ok);
}

// A hundred moves along a path around and over the eyes, ending when the
// cursor has arrived, so that the program keeps up.
bool Moves(long i)
{
    POINT at{};
    for (long done = i * 100; done < i * 100 + 100; ++done) {
        at = {LONG(50 + (done * 37) % 1180), LONG(40 + (done * 53) % 940)};
        SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK, at);
    }
    return WaitFor([&] { return CursorPos().x == at.x && CursorPos().y == at.y; });
}

// The shell killed and started anew, as after a crash.
bool Restart(Desktop& desktop)
{
    desktop.shell.Kill();
    return desktop.StartShell() && WaitFor([&] { return desktop.Attached(); });
}

// The settings opened from the tray menu and cancelled.
bool OpenSettings(Desktop& desktop)
{
    ShellControl(ss::kCommandPostIconMessage, WM_LBUTTONUP);
    if (!WaitFor([&] { return WindowOf(desktop.tavrel.Id(), L"#32768") != nullptr; }))
        return false;
    PressKey('S');
    HWND dialog = nullptr;
    if (!WaitFor([&] {
            for (HWND w : WindowsOf(desktop.tavrel.Id(), L"#32770"))
                dialog = IsWindowVisible(w) && GetDlgItem(w, 109) ? w : dialog;
            return dialog != nullptr;
        }))
        return false;
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    return WaitFor([&] { return !IsWindow(dialog); });
}

void BadFiles()
{
    Desktop desktop;
    desktop.StartShell();
    std::srand(1);
    long good = 0;
    for (int length = 0; length <= 65; ++length) {
        std::vector<uint8_t> bytes;
        for (int i = 0; i < std::min(length, 64); ++i)
            bytes.push_back(uint8_t(std::rand()));
        RECT expected = {0, 0, 315, 200}, seen{};
        if (length == 65) {
            const int32_t x = std::rand() % 2000 - 1000, y = std::rand() % 900, w = std::rand() % 300 - 50,
                          h = std::rand() % 300 - 50;
            bytes = Record(x, y, w, h);
            expected = {x, y, x + std::max(w, 84), y + std::max(h, 40)};
        }
        const bool shown = desktop.Start(bytes) && WaitFor([&] { return desktop.Eyes() != nullptr; });
        seen = RectOf(desktop.Eyes());
        desktop.tavrel.Kill();
        if (shown && EqualRect(&seen, &expected) && ReadBytes(kFolder + L"\\tavrel.dat") == bytes)
            ++good;
        else
            std::printf("  %d bytes: the eyes at (%ld, %ld)-(%ld, %ld), or the file changed\n", int(bytes.size()),
                        seen.left, seen.top, seen.right, seen.bottom);
    }
    Row("bad settings files", 66, std::to_string(good) + " started as they should and kept the file", good == 66);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const long moves = argc > 1 ? std::wcstol(argv[1], nullptr, 10) : 1000000;
    const long restarts = argc > 2 ? std::wcstol(argv[2], nullptr, 10) : 200;
    const long rounds = argc > 3 ? std::wcstol(argv[3], nullptr, 10) : 50;
    std::printf("%-22s %8s  %-72s %s\n", "run", "count", "figures", "result");
    Run("moves at 315 x 200", moves / 100, 100, 0, 315, 200, [](Desktop&, long i) { return Moves(i); });
    Run("moves at 1280 x 1024", moves / 100, 100, 0, 1280, 1024, [](Desktop&, long i) { return Moves(i); });
    Run("shell restarts", restarts, 1, 0, 315, 200, [](Desktop& d, long) { return Restart(d); });
    // Wine keeps some two hundred GDI objects more over the first dozen
    // openings of a dialog, so twenty go first, uncounted.
    Run("settings opened", rounds, 1, 20, 315, 200, [](Desktop& d, long) { return OpenSettings(d); });
    BadFiles();
    WaitFor([] { return RemoveTree(kFolder); });
    return g_failures == 0 ? 0 : 1;
}
