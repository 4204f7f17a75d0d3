// The seams of tavrel_seams.exe. TAVREL_SEAMS holds entries separated by
// commas, each "Call[@text]:N:action[:code]": the Nth call of that system
// function (counting only calls whose path or class name contains the
// text, or whose class atom is that of the class so named, when one is
// given), or each call from the Nth to the Mth with "N-M" or from the Nth on
// with "N+", fails with the error code (8, not enough memory, by default),
// throws std::bad_alloc, ends the process at once with exit code 99, as a
// crash or a killed process would, or, with "lose-layer", goes through
// after the stand-in shell has destroyed its layer, or with "late:MS",
// goes through and leaves the program's clock that much ahead, as a call
// that took so long would. A failing call does to the files what the
// system's own failure does. "Scale:PERCENT" plays a scaled display.
#define TAVREL_SEAMS_DEFINED_HERE
#include "tests/seams/seams.h"
#include "tools/standin_shell/standin_shell_protocol.h"

#include <atomic>
#include <climits>
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

// The call then meets a shell that rebuilt its desktop at this moment.
void LoseStandinLayer()
{
    SendMessageW(FindWindowW(L"Progman", nullptr), RegisterWindowMessageW(standin_shell::kControlMessageName),
                 standin_shell::kCommandDestroyLayer, 0);
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
    if (hit->action == "lose-layer") {
        LoseStandinLayer();
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

// The system converts only points on the given window, as Wine does.
template <bool toLogical>
BOOL WINAPI ScaledConversion(HWND window, POINT* point)
{
    RECT r{};
    GetWindowRect(window, &r);
    r = toLogical ? Scaled(r) : r;
    if (point->x < r.left || point->y < r.top || point->x > r.right || point->y > r.bottom)
        return FALSE;
    *point = toLogical ? POINT{ MulDiv(point->x, 100, ScalePercent()), MulDiv(point->y, 100, ScalePercent()) }
                       : POINT{ ToPhysical(point->x), ToPhysical(point->y) };
    return TRUE;
}

// The compositor's frame bounds of a window without invisible borders; it
// knows nothing else, as Wine's does not.
HRESULT WINAPI ScaledDwmAttribute(HWND window, DWORD attribute, void* value, DWORD size)
{
    RECT r{};
    if (attribute != 9 || size != sizeof(RECT) || !GetWindowRect(window, &r))
        return E_NOTIMPL;
    *static_cast<RECT*>(value) = Scaled(r);
    return S_OK;
}

HOOKPROC g_mouseHook;

LRESULT CALLBACK ScaledMouseHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code != HC_ACTION)
        return g_mouseHook(code, wParam, lParam);
    MSLLHOOKSTRUCT event = *reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
    event.pt = { ToPhysical(event.pt.x), ToPhysical(event.pt.y) };
    return g_mouseHook(code, wParam, reinterpret_cast<LPARAM>(&event));
}

} // namespace

HHOOK WINAPI SeamSetWindowsHookExW(int type, HOOKPROC procedure, HINSTANCE module, DWORD thread)
{
    if (Hit("SetWindowsHookExW", nullptr))
        return nullptr;
    if (type == WH_MOUSE_LL && ScalePercent() != 100) {
        g_mouseHook = procedure;
        procedure = ScaledMouseHook;
    }
    return SetWindowsHookExW(type, procedure, module, thread);
}

FARPROC WINAPI SeamGetProcAddress(HMODULE module, LPCSTR name)
{
    const FARPROC found = GetProcAddress(module, name);
    if (ScalePercent() == 100 || IS_INTRESOURCE(name))
        return found;
    if (std::strcmp(name, "PhysicalToLogicalPointForPerMonitorDPI") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(ScaledConversion<true>));
    if (std::strcmp(name, "LogicalToPhysicalPointForPerMonitorDPI") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(ScaledConversion<false>));
    if (std::strcmp(name, "DwmGetWindowAttribute") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(ScaledDwmAttribute));
    return found;
}

BOOL WINAPI SeamEnumDisplaySettingsW(LPCWSTR device, DWORD mode, DEVMODEW* devMode)
{
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
