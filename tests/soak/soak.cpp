// Long runs of the real tavrel.exe on the stand-in shell, for what only
// shows over time or over many starts:
//
//   soak.exe MOVES RESTARTS ROUNDS
//
// - MOVES injected mouse moves at 315 x 200 and at 1280 x 1024; the
//   program's private bytes and its GDI and USER objects are sampled ten
//   times along the way, and must not grow by more than 1 % after the first
//   sample;
// - RESTARTS restarts of the shell, each of which must end with the eyes
//   re-attached to the new desktop and the icon back in the new
//   notification area;
// - ROUNDS openings and closings of the settings, which must leave no
//   objects behind;
// - bad settings files of every length from 0 to 64 bytes, random content:
//   the program starts with the defaults or with the record, raised to the
//   minimums, and never rewrites the file.
//
// It prints a table of the figures and exits with 0 when all held.
#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/win_support.h"
#include "tools/standin_shell/standin_shell_protocol.h"

using namespace ws;

namespace {

constexpr wchar_t kEyeClass[] = L"8bf14e335fa0413b98aa2be5baee60b3";
const std::wstring kFolder = BinFolder() + L"\\testtmp\\soak";
int g_failures = 0;

void Row(const char* what, long count, const std::string& figures, bool ok)
{
    std::printf("%-26s %9ld  %-62s %s\n", what, count, figures.c_str(), ok ? "ok" : "FAILED");
    std::fflush(stdout);
    g_failures += ok ? 0 : 1;
}

std::vector<uint8_t> Record(int32_t x, int32_t y, int32_t width, int32_t height)
{
    const uint32_t fields[8] = {0x0001AA2A, uint32_t(x), uint32_t(y), uint32_t(width), uint32_t(height), 0, 0xFFFFFF, 0};
    return std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(fields), reinterpret_cast<const uint8_t*>(fields + 8));
}

// Private bytes, GDI objects and USER objects of a process. Wine reports
// none of them for another process, so there the private bytes are the
// resident anonymous memory of its Unix process, found by its command line
// in /proc; the GDI objects the used entries of its GDI handle table, found
// through its process environment block; and the USER objects its windows.
struct Sample {
    double privateBytes = 0, gdi = 0, user = 0;
};

double UnixPrivateBytes(const std::wstring& exe)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(L"Z:\\proc\\*", &found);
    double bytes = 0;
    for (BOOL more = search != INVALID_HANDLE_VALUE; more && bytes == 0; more = FindNextFileW(search, &found)) {
        const std::wstring process = std::wstring(L"Z:\\proc\\") + found.cFileName;
        const std::vector<uint8_t> line = ReadBytes(process + L"\\cmdline");
        if (Widen(std::string(line.begin(), std::find(line.begin(), line.end(), 0))) != exe)
            continue;
        const std::vector<uint8_t> status = ReadBytes(process + L"\\status");
        const std::string text(status.begin(), status.end());
        const size_t at = text.find("RssAnon:");
        bytes = at == std::string::npos ? 0 : 1024.0 * std::atof(text.c_str() + at + 8);
    }
    FindClose(search);
    return bytes;
}

Sample MeasureOnce(const ChildProcess& process)
{
    Sample sample;
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(process.Handle(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
    sample.privateBytes = memory.PrivateUsage != 0 ? double(memory.PrivateUsage) : UnixPrivateBytes(kFolder + L"\\tavrel.exe");
    sample.gdi = GetGuiResources(process.Handle(), GR_GDIOBJECTS);
    sample.user = GetGuiResources(process.Handle(), GR_USEROBJECTS);
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
        if (ReadProcessMemory(process.Handle(), reinterpret_cast<char*>(basic.PebBaseAddress) + (sizeof(void*) == 8 ? 0xF8 : 0x94),
                              &table, sizeof table, nullptr) &&
            ReadProcessMemory(process.Handle(), table, entries.data(), entries.size() * sizeof(Entry), nullptr))
            sample.gdi = double(std::count_if(entries.begin(), entries.end(), [](const Entry& e) { return e.type != 0; }));
        sample.user = double(WindowsOf(process.Id()).size());
    }
    return sample;
}

// A frame in flight holds a few objects of the system's for a moment: the
// least of five looks, a tenth of a second apart, counts what stays. The
// memory is that of the last look; the first look at a process brings its
// GDI handle table into its memory (1.5 MB), so a first sample is made and
// thrown away before a run starts.
Sample Measure(const ChildProcess& process)
{
    Sample least = MeasureOnce(process);
    for (int i = 0; i < 4; ++i) {
        PumpFor(100);
        const Sample now = MeasureOnce(process);
        least = {now.privateBytes, std::min(least.gdi, now.gdi), std::min(least.user, now.user)};
    }
    return least;
}

// The largest growth of each figure over the first sample, in per cent.
std::string Growth(const std::vector<Sample>& samples, bool& ok)
{


    double worst[3] = {0, 0, 0};
    for (const Sample& s : samples) {
        const double now[3] = {s.privateBytes, s.gdi, s.user}, first[3] = {samples[0].privateBytes, samples[0].gdi,
                                                                            samples[0].user};
        for (int i = 0; i < 3; ++i)
            worst[i] = std::max(worst[i], first[i] > 0 ? 100 * (now[i] - first[i]) / first[i] : 0);
    }
    ok = samples.size() > 1 && samples[0].gdi > 0 && worst[0] <= 1 && worst[1] <= 1 && worst[2] <= 1;
    char text[160];
    std::snprintf(text, sizeof text, "private %.1f MB %+.2f%%, GDI %.0f %+.2f%%, USER %.0f %+.2f%%",
                  samples[0].privateBytes / 1e6, worst[0], samples[0].gdi, worst[1], samples[0].user, worst[2]);
    return text;
}

class Desktop {
public:
    bool StartShell()
    {
        return shell.Start(BinFolder() + L"\\standin_shell.exe", L"", BinFolder()) &&
               WaitFor([] { return ShellControl(Progman(), standin_shell::kCommandQueryReady) == 1; });
    }
    bool StartTavrel(const std::vector<uint8_t>& settings)
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
        HWND eye = WindowOf(tavrel.Id(), kEyeClass);
        return eye != nullptr && IsWindowVisible(eye) ? eye : nullptr;
    }
    bool IconBack() const
    {
        return ShellControl(Progman(), standin_shell::kCommandQueryIcon,
                            reinterpret_cast<LPARAM>(WindowOf(tavrel.Id(), L"f69fdc84bcc04963ace744e5648d5796"))) == 15;
    }
    static HWND Progman() { return FindWindowW(L"Progman", nullptr); }
    ~Desktop()
    {
        tavrel.Kill();
        shell.Kill();
    }
    ChildProcess shell, tavrel;
};

// Moves in bursts of a hundred along a path around and over the eyes; each
// burst ends when the cursor has arrived, so that the program keeps up.
void Moves(long count, int width, int height)
{
    Desktop desktop;
    if (!desktop.StartShell() || !desktop.StartTavrel(Record(100, 60, width, height)) ||
        !WaitFor([&] { return desktop.Eyes() != nullptr; })) {
        Row("moves", count, "tavrel.exe did not show its eyes", false);
        return;
    }
    std::vector<Sample> samples;
    Measure(desktop.tavrel);
    for (long done = 0; done < count;) {
        POINT at{};
        for (int i = 0; i < 100; ++i, ++done) {
            at = {LONG(50 + (done * 37) % 1180), LONG(40 + (done * 53) % 940)};
            SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK, at);
        }
        WaitFor([&] { return CursorPos().x == at.x && CursorPos().y == at.y; }, 2000);
        if (done % std::max(100L, count / 10) == 0)
            samples.push_back(Measure(desktop.tavrel));
    }
    bool ok = desktop.tavrel.Running();
    const std::string growth = Growth(samples, ok);
    char what[32];
    std::snprintf(what, sizeof what, "moves at %d x %d", width, height);
    Row(what, count, growth, ok && desktop.tavrel.Running());
}

// Each restart kills the shell and starts it anew, as after a crash.
void Restarts(long count)
{
    Desktop desktop;
    if (!desktop.StartShell() || !desktop.StartTavrel(Record(300, 200, 315, 200)) ||
        !WaitFor([&] { return desktop.Eyes() != nullptr && desktop.IconBack(); }))
        return Row("shell restarts", count, "tavrel.exe did not start", false);
    long back = 0;
    std::vector<Sample> samples;
    Measure(desktop.tavrel);
    for (long i = 0; i < count; ++i) {
        desktop.shell.Kill();
        if (desktop.StartShell() && WaitFor([&] {
                return desktop.Eyes() != nullptr && GetAncestor(desktop.Eyes(), GA_PARENT) ==
                                                        HWND(ShellControl(Desktop::Progman(), standin_shell::kCommandQueryLayer)) &&
                       desktop.IconBack();
            }))
            ++back;
        if ((i + 1) % std::max(1L, count / 10) == 0)
            samples.push_back(Measure(desktop.tavrel));
    }
    bool ok = true;
    const std::string growth = Growth(samples, ok);
    Row("shell restarts", count, std::to_string(back) + " re-attached with the icon back; " + growth, ok && back == count);
}

// The settings opened from the tray menu and cancelled, again and again,
// after twenty rounds in which the system's caches fill (Wine keeps some
// two hundred GDI objects more over the first dozen).
void SettingsRounds(long count)
{
    constexpr long kWarmUpRounds = 20;
    Desktop desktop;
    if (!desktop.StartShell() || !desktop.StartTavrel({}) || !WaitFor([&] { return desktop.IconBack(); }))
        return Row("settings opened", count, "tavrel.exe did not start", false);
    std::vector<Sample> samples;
    Measure(desktop.tavrel);
    long closed = 0;
    for (long i = -kWarmUpRounds; i < count; ++i) {
        ShellControl(Desktop::Progman(), standin_shell::kCommandPostIconMessage, WM_LBUTTONUP);
        HWND dialog = nullptr;
        if (WaitFor([&] { return WindowOf(desktop.tavrel.Id(), L"#32768") != nullptr; }))
            PressKey('S');
        if (WaitFor([&] {
                for (HWND w : WindowsOf(desktop.tavrel.Id(), L"#32770"))
                    dialog = IsWindowVisible(w) && GetDlgItem(w, 109) ? w : dialog;
                return dialog != nullptr;
            })) {
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            closed += WaitFor([&] { return !IsWindow(dialog); }) && i >= 0 ? 1 : 0;
        }
        if (i >= 0 && (i + 1) % std::max(1L, count / 5) == 0)
            samples.push_back(Measure(desktop.tavrel));
    }
    bool ok = true;
    const std::string growth = Growth(samples, ok);
    Row("settings opened", count, std::to_string(closed) + " closed; " + growth, ok && closed == count);
}

// Settings files of every length from 0 to 64 bytes of random content; at
// 32 bytes also with a valid tag and sizes around the minimums.
void BadFiles()
{
    Desktop desktop;
    if (!desktop.StartShell())
        return Row("bad settings files", 0, "the stand-in did not start", false);
    std::srand(1);
    long cases = 0, good = 0;
    for (int length = 0; length <= 65; ++length) {
        std::vector<uint8_t> bytes;
        for (int i = 0; i < std::min(length, 64); ++i)
            bytes.push_back(uint8_t(std::rand()));
        RECT expected = {0, 0, 315, 200};
        if (length == 65) {
            const int32_t x = std::rand() % 2000 - 1000, y = std::rand() % 1000, w = std::rand() % 300 - 50,
                          h = std::rand() % 300 - 50;
            bytes = Record(x, y, w, h);
            expected = {x, y, x + std::max(w, 84), y + std::max(h, 40)};
        }
        ++cases;
        if (!desktop.StartTavrel(bytes))
            continue;
        RECT seen{};
        const bool shown = WaitFor([&] { HWND eye = desktop.Eyes(); return eye != nullptr && (seen = RectOf(eye), true); });
        desktop.tavrel.Kill();
        const bool same = ReadBytes(kFolder + L"\\tavrel.dat") == bytes;
        if (shown && EqualRect(&seen, &expected) && same)
            ++good;
        else
            std::printf("  %d bytes: eyes %s at (%ld, %ld)-(%ld, %ld), file %s\n", int(bytes.size()),
                        shown ? "shown" : "missing", seen.left, seen.top, seen.right, seen.bottom,
                        same ? "unchanged" : "CHANGED");
    }
    Row("bad settings files", cases, std::to_string(good) + " started as they should and kept the file", good == cases);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const long moves = argc > 1 ? std::wcstol(argv[1], nullptr, 10) : 1000000;
    const long restarts = argc > 2 ? std::wcstol(argv[2], nullptr, 10) : 200;
    const long rounds = argc > 3 ? std::wcstol(argv[3], nullptr, 10) : 50;
    std::printf("%-26s %9s  %-62s %s\n", "run", "count", "figures", "result");
    Moves(moves, 315, 200);
    Moves(moves, 1280, 1024);
    if (restarts > 0)
        Restarts(restarts);
    if (rounds > 0)
        SettingsRounds(rounds);
    BadFiles();
    WaitFor([] { return RemoveTree(kFolder); });
    return g_failures == 0 ? 0 : 1;
}
