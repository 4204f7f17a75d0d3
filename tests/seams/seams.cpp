// The seams of tavrel_seams.exe. TAVREL_SEAMS holds entries separated by
// commas, each "Call[@text]:N:action[:code]": the Nth call of that system
// function (counting only calls whose path or class name contains the
// text, or whose class atom is that of the class so named, when one is
// given), or each call from the Nth to the Mth with "N-M" or from the Nth on
// with "N+", fails with the error code (8, not enough memory, by default),
// throws std::bad_alloc, ends the process at once with exit code 99, as a
// crash or a killed process would, or, with "lose-layer", goes through
// after the stand-in shell has destroyed its layer ("orphan-layer": after
// it made the windows in the layer top-level first), or with "late:MS",
// goes through and leaves the program's clock that much ahead, as a call
// that took so long would. A failing call does to the files what the
// system's own failure does. "Scale:PERCENT" plays a scaled display.
#define TAVREL_SEAMS_DEFINED_HERE
#include "tests/seams/seams.h"
#include "tests/seams/seam_counts.h"
#include "tools/standin_shell/standin_shell_protocol.h"
#include "app/window_messages.h"
#include "eyes/cursor_hook.h"

#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <new>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Seam {
    std::string call;
    std::wstring text;
    int first;
    int last;
    std::string action;
    DWORD code;
    int seen;
};

std::vector<Seam> ReadSeams()
{
    std::vector<Seam> seams;
    const char* value = std::getenv("TAVREL_SEAMS");
    std::istringstream entries(value != nullptr ? value : "");
    std::string entry;
    while (std::getline(entries, entry, ',')) {
        std::istringstream parts(entry);
        std::string call, when = "1", action = "fail", code = "8";
        std::getline(parts, call, ':');
        std::getline(parts, when, ':');
        std::getline(parts, action, ':');
        std::getline(parts, code, ':');
        const size_t at = call.find('@');
        const std::string text = at == std::string::npos ? "" : call.substr(at + 1);
        const size_t dash = when.find('-');
        const int first = std::atoi(when.c_str());
        const bool onward = !when.empty() && when.back() == '+';
        const int last = onward ? INT_MAX : std::atoi(when.c_str() + (dash == std::string::npos ? 0 : dash + 1));
        seams.push_back({call.substr(0, at), std::wstring(text.begin(), text.end()), first, last, action,
                         DWORD(std::strtoul(code.c_str(), nullptr, 10)), 0});
    }
    return seams;
}

// A failed replace is not always clean: with these two codes the system
// has already moved the replaced file (the subject) out of its place, to
// nowhere or to a name of its own, and the replacement keeps its name.
void ReplaceFileSideEffects(const wchar_t* replaced, DWORD code)
{
    if (code == ERROR_UNABLE_TO_MOVE_REPLACEMENT)
        DeleteFileW(replaced);
    else if (code == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2)
        MoveFileW(replaced, (std::wstring(replaced) + L"~RF1a2b.TMP").c_str());
}

// Whether the subject is what the seam looks for: a path or class name
// holding its text, or the atom of a class of that name.
bool Matches(const Seam& seam, const wchar_t* subject)
{
    WNDCLASSEXW found{};
    found.cbSize = sizeof found;
    if (seam.text.empty() || subject == nullptr || !IS_INTRESOURCE(subject))
        return seam.text.empty() || (subject != nullptr && std::wcsstr(subject, seam.text.c_str()) != nullptr);
    return GetClassInfoExW(GetModuleHandleW(nullptr), seam.text.c_str(), &found) == BOOL(ULONG_PTR(subject));
}

// The call then meets a shell that rebuilt its desktop at this moment,
// with or without taking the windows of other programs in it along.
void LoseStandinLayer(unsigned command)
{
    SendMessageW(FindWindowW(L"Progman", nullptr), RegisterWindowMessageW(standin_shell::kControlMessageName),
                 command, 0);
}

std::vector<Seam>& Seams()
{
    static std::vector<Seam> seams = ReadSeams();
    return seams;
}

// How far the calls that came late have put the program's clock ahead, in
// milliseconds.
std::atomic<LONGLONG> g_lateMs{0};

// Whether this call is to fail; it may instead throw or end the process.
// Every entry counts every call it matches, so that two entries for one
// call number its calls alike; the first entry whose numbers take this call
// acts on it.
bool Hit(const char* call, const wchar_t* subject)
{
    Seam* hit = nullptr;
    for (Seam& seam : Seams()) {
        if (seam.call != call || !Matches(seam, subject))
            continue;
        ++seam.seen;
        if (hit == nullptr && seam.seen >= seam.first && seam.seen <= seam.last)
            hit = &seam;
    }
    if (hit == nullptr)
        return false;
    if (hit->action == "throw")
        throw std::bad_alloc();
    if (hit->action == "exit")
        TerminateProcess(GetCurrentProcess(), 99);
    if (hit->action == "lose-layer" || hit->action == "orphan-layer") {
        LoseStandinLayer(hit->action == "lose-layer" ? standin_shell::kCommandDestroyLayer : standin_shell::kCommandOrphanLayer);
        return false;
    }
    if (hit->action == "late") {
        g_lateMs += hit->code;
        return false;
    }
    if (hit->call == "ReplaceFileW")
        ReplaceFileSideEffects(subject, hit->code);
    SetLastError(hit->code);
    return true;
}

} // namespace

// Each seam fails, throws or ends the process where TAVREL_SEAMS asks, and
// otherwise makes the call it stands for.
#define TAVREL_DEFINE_SEAM(type, call, failed, subject, parameters, arguments)                                 \
    type WINAPI Seam##call parameters                                                                            \
    {                                                                                                            \
        return Hit(#call, subject) ? failed : call arguments;                                                    \
    }
TAVREL_SEAM_CALLS(TAVREL_DEFINE_SEAM)

namespace {

// The display's scale in per cent, 100 unless TAVREL_SEAMS plays another.
int ScalePercent()
{
    static const int percent = [] {
        for (const Seam& seam : Seams()) {
            if (seam.call == "Scale")
                return seam.first;
        }
        return 100;
    }();
    return percent;
}

LONG ToPhysical(LONG logical)
{
    return MulDiv(logical, ScalePercent(), 100);
}

RECT Scaled(RECT r)
{
    return { ToPhysical(r.left), ToPhysical(r.top), ToPhysical(r.right), ToPhysical(r.bottom) };
}

SeamCounts& Counts()
{
    static SeamCounts* counts = [] {
        static SeamCounts unshared;
        HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(SeamCounts),
                                            SeamCountsName(GetCurrentProcessId()).c_str());
        void* view = mapping != nullptr ? MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(SeamCounts)) : nullptr;
        return view != nullptr ? static_cast<SeamCounts*>(view) : &unshared;
    }();
    return *counts;
}

// Whether this thread is drawing a frame: handling the hook's wake-up or
// the frame timer.
thread_local bool g_inFrame;

// A question about a window, or a point converted, while a frame is drawn.
// A window that no longer exists counts as another program's: asking about
// it is a round trip all the same.
void Note(HWND window, bool conversion)
{
    DWORD process = 0;
    if (g_inFrame && (GetWindowThreadProcessId(window, &process) == 0 || process != GetCurrentProcessId()))
        InterlockedIncrement(&Counts().foreign);
    if (g_inFrame && conversion)
        InterlockedIncrement(&Counts().conversions);
}

// The system's point conversions count as such wherever the program finds
// them.
template <int which>
BOOL WINAPI CountedConversion(HWND window, POINT* point)
{
    static const auto real = reinterpret_cast<BOOL(WINAPI*)(HWND, POINT*)>(reinterpret_cast<void*>(GetProcAddress(
        GetModuleHandleW(L"user32.dll"), which == 0 ? "PhysicalToLogicalPointForPerMonitorDPI"
                                                    : "LogicalToPhysicalPointForPerMonitorDPI")));
    Note(window, true);
    return real != nullptr && real(window, point);
}

// The compositor as Windows 10 has it, in physical pixels: a sizable
// window's frame bounds leave out its invisible resize borders, 7 pixels at
// the left, the right and the bottom, so that its window rectangle is the
// larger; a window that the runner marked "Tavrel.Cloaked" is cloaked, as
// on another virtual desktop. Wine has neither.
HRESULT WINAPI SeamDwmGetWindowAttribute(HWND window, DWORD attribute, void* value, DWORD size)
{
    Note(window, false);
    RECT r{};
    if (attribute == 14 && size == sizeof(DWORD)) {
        *static_cast<DWORD*>(value) = GetPropW(window, L"Tavrel.Cloaked") != nullptr ? 2 : 0;
        return S_OK;
    }
    if (attribute != 9 || size != sizeof(RECT) || !GetWindowRect(window, &r))
        return E_NOTIMPL;
    if ((GetWindowLongW(window, GWL_STYLE) & WS_THICKFRAME) != 0)
        r = { r.left + 7, r.top, r.right - 7, r.bottom - 7 };
    *static_cast<RECT*>(value) = Scaled(r);
    return S_OK;
}

HOOKPROC g_mouseHook;
HHOOK g_hook;

// The mouse hook's events as Windows gives them: in physical pixels, and
// the hook dropped at the move "HookTimeout:N" names, as the system drops a
// hook that kept it waiting, telling no one.
LRESULT CALLBACK SeamMouseHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code != HC_ACTION)
        return g_mouseHook(code, wParam, lParam);
    if (wParam == WM_MOUSEMOVE && Hit("HookTimeout", nullptr) && UnhookWindowsHookEx(g_hook))
        InterlockedDecrement(&Counts().hooksInPlace);
    MSLLHOOKSTRUCT event = *reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
    event.pt = { ToPhysical(event.pt.x), ToPhysical(event.pt.y) };
    return g_mouseHook(code, wParam, reinterpret_cast<LPARAM>(&event));
}

// The monitors that "Monitors:N:WxH[+X+Y]/..." plays from the Nth reading
// of the list by the thread that read it first, the GUI thread (or the
// readings N-M, N+), in logical coordinates; each one's handle and device
// name are made up.
constexpr ULONG_PTR kPlayedMonitor = 0x7E570000;
constexpr wchar_t kPlayedDevice[] = L"\\\\.\\TAVRELSEAM";

std::vector<RECT> PlayedMonitors(bool newReading)
{
    static int readings = 0;
    static const DWORD reader = GetCurrentThreadId();
    readings += newReading && GetCurrentThreadId() == reader ? 1 : 0;
    std::vector<RECT> played;
    for (const Seam& seam : Seams()) {
        if (seam.call != "Monitors" || readings < seam.first || readings > seam.last)
            continue;
        std::istringstream list(seam.action);
        for (std::string monitor; std::getline(list, monitor, '/');) {
            long w = 0, h = 0, x = 0, y = 0;
            std::sscanf(monitor.c_str(), "%ldx%ld%ld%ld", &w, &h, &x, &y);
            played.push_back({ x, y, x + w, y + h });
        }
    }
    return played;
}

int PlayedIndex(ULONG_PTR handle)
{
    const size_t i = handle - kPlayedMonitor;
    return i < PlayedMonitors(false).size() ? int(i) : -1;
}

} // namespace

#define TAVREL_DEFINE_COUNTED(type, call, window, conversion, parameters, arguments)                            \
    type WINAPI Seam##call parameters                                                                            \
    {                                                                                                            \
        Note(window, conversion);                                                                                \
        return call arguments;                                                                                   \
    }
TAVREL_COUNTED_CALLS(TAVREL_DEFINE_COUNTED)

LRESULT WINAPI SeamDispatchMessageW(const MSG* message)
{
    const bool outer = g_inFrame;
    g_inFrame = message->message == kCursorMoved || (message->message == WM_TIMER && message->wParam == kFrameTimer);
    const LRESULT result = DispatchMessageW(message);
    g_inFrame = outer;
    return result;
}

BOOL WINAPI SeamEnumWindows(WNDENUMPROC procedure, LPARAM context)
{
    InterlockedIncrement(&Counts().walks);
    return EnumWindows(procedure, context);
}

HHOOK WINAPI SeamSetWindowsHookExW(int type, HOOKPROC procedure, HINSTANCE module, DWORD thread)
{
    if (Hit("SetWindowsHookExW", nullptr))
        return nullptr;
    if (type != WH_MOUSE_LL)
        return SetWindowsHookExW(type, procedure, module, thread);
    g_mouseHook = procedure;
    HHOOK hook = SetWindowsHookExW(type, SeamMouseHook, module, thread);
    if (hook != nullptr) {
        g_hook = hook;
        InterlockedIncrement(&Counts().hookInstalls);
        InterlockedIncrement(&Counts().hooksInPlace);
    }
    return hook;
}

BOOL WINAPI SeamUnhookWindowsHookEx(HHOOK hook)
{
    const BOOL removed = UnhookWindowsHookEx(hook);
    if (removed)
        InterlockedDecrement(&Counts().hooksInPlace);
    return removed;
}

FARPROC WINAPI SeamGetProcAddress(HMODULE module, LPCSTR name)
{
    const FARPROC found = GetProcAddress(module, name);
    if (IS_INTRESOURCE(name))
        return found;
    const void* replaced = std::strcmp(name, "DwmGetWindowAttribute") == 0 ? reinterpret_cast<void*>(SeamDwmGetWindowAttribute)
                           : std::strcmp(name, "PhysicalToLogicalPointForPerMonitorDPI") == 0 ? reinterpret_cast<void*>(CountedConversion<0>)
                           : std::strcmp(name, "LogicalToPhysicalPointForPerMonitorDPI") == 0 ? reinterpret_cast<void*>(CountedConversion<1>)
                                                                                              : nullptr;
    return replaced != nullptr ? reinterpret_cast<FARPROC>(const_cast<void*>(replaced)) : found;
}

BOOL WINAPI SeamEnumDisplayMonitors(HDC dc, LPCRECT clip, MONITORENUMPROC procedure, LPARAM context)
{
    const std::vector<RECT> played = PlayedMonitors(true);
    if (played.empty())
        return EnumDisplayMonitors(dc, clip, procedure, context);
    for (size_t i = 0; i < played.size(); ++i) {
        RECT r = played[i];
        if (!procedure(HMONITOR(kPlayedMonitor + i), dc, &r, context))
            break;
    }
    return TRUE;
}

BOOL WINAPI SeamGetMonitorInfoW(HMONITOR monitor, LPMONITORINFO info)
{
    const int i = PlayedIndex(ULONG_PTR(monitor));
    if (i < 0)
        return GetMonitorInfoW(monitor, info);
    info->rcMonitor = info->rcWork = PlayedMonitors(false)[size_t(i)];
    info->dwFlags = i == 0 ? MONITORINFOF_PRIMARY : 0;
    if (info->cbSize >= sizeof(MONITORINFOEXW))
        std::swprintf(reinterpret_cast<MONITORINFOEXW*>(info)->szDevice, CCHDEVICENAME, L"%ls%d", kPlayedDevice, i);
    return TRUE;
}

// The display mode counts physical pixels, of the real monitors and of the
// played ones.
BOOL WINAPI SeamEnumDisplaySettingsW(LPCWSTR device, DWORD mode, DEVMODEW* devMode)
{
    const size_t prefix = std::wcslen(kPlayedDevice);
    if (device != nullptr && std::wcsncmp(device, kPlayedDevice, prefix) == 0) {
        const RECT r = Scaled(PlayedMonitors(false).at(size_t(std::wcstol(device + prefix, nullptr, 10))));
        devMode->dmFields = DM_POSITION | DM_PELSWIDTH | DM_PELSHEIGHT;
        devMode->dmPosition = { r.left, r.top };
        devMode->dmPelsWidth = DWORD(r.right - r.left);
        devMode->dmPelsHeight = DWORD(r.bottom - r.top);
        return TRUE;
    }
    if (!EnumDisplaySettingsW(device, mode, devMode))
        return FALSE;
    devMode->dmPosition = { ToPhysical(devMode->dmPosition.x), ToPhysical(devMode->dmPosition.y) };
    devMode->dmPelsWidth = DWORD(ToPhysical(LONG(devMode->dmPelsWidth)));
    devMode->dmPelsHeight = DWORD(ToPhysical(LONG(devMode->dmPelsHeight)));
    return TRUE;
}

BOOL WINAPI SeamQueryPerformanceCounter(LARGE_INTEGER* counter)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    const BOOL done = QueryPerformanceCounter(counter);
    counter->QuadPart += g_lateMs.load() * frequency.QuadPart / 1000;
    return done;
}

BOOL WINAPI SeamGetPhysicalCursorPos(LPPOINT point)
{
    if (!GetPhysicalCursorPos(point))
        return FALSE;
    *point = { ToPhysical(point->x), ToPhysical(point->y) };
    return TRUE;
}
