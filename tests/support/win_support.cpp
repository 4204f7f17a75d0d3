#include "tests/support/win_support.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tools/standin_shell/standin_shell_protocol.h"

namespace ws {

namespace {

struct WindowSearch {
    DWORD pid;
    const wchar_t* className;
    std::vector<HWND>* found;
};

BOOL CALLBACK Collect(HWND window, LPARAM context)
{
    const WindowSearch& search = *reinterpret_cast<WindowSearch*>(context);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == search.pid && (search.className == nullptr || ClassOf(window) == search.className))
        search.found->push_back(window);
    return TRUE;
}

// Top-level windows and, below each, its children at any depth: the eye
// window lives in a window of the shell's process.
BOOL CALLBACK CollectTopLevel(HWND window, LPARAM context)
{
    Collect(window, context);
    EnumChildWindows(window, Collect, context);
    return TRUE;
}

// Each entry of the folder but "." and "..", and whether it is a folder.
void ForEachEntry(const std::wstring& folder, const std::function<void(const std::wstring&, bool)>& each)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            each(name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    }
    FindClose(search);
}

// The normalised coordinate of the middle of a pixel, so that the system's
// scaling back lands on it whichever way it rounds.
LONG Normalised(LONG pixel, int origin, int extent)
{
    return LONG(std::clamp((2LL * (pixel - origin) + 1) * 65536 / (2LL * extent), 0LL, 65535LL));
}

void SendKeyboard(WORD virtualKey, wchar_t unicode, DWORD flags)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = unicode != 0 ? unicode : WORD(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = flags;
    SendInput(1, &input, sizeof input);
}

} // namespace

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs)
{
    for (const DWORD start = GetTickCount(); !condition(); PumpFor(20)) {
        if (GetTickCount() - start >= timeoutMs)
            return condition();
    }
    return true;
}

void PumpFor(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    for (DWORD elapsed = 0; elapsed < milliseconds; elapsed = GetTickCount() - start) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
    }
}

std::string Narrow(const std::wstring& text)
{
    std::string result(text.size() * 3, '\0');
    result.resize(size_t(WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), &result[0],
                                             int(result.size()), nullptr, nullptr)));
    return result;
}

std::wstring Widen(const std::string& text)
{
    std::wstring result(text.size(), L'\0');
    result.resize(size_t(MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), &result[0], int(result.size()))));
    return result;
}

std::wstring BinFolder()
{
    wchar_t path[MAX_PATH];
    const std::wstring exe(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
    return exe.substr(0, exe.find_last_of(L'\\'));
}

std::wstring SystemErrorText(DWORD code)
{
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    const std::wstring result = text != nullptr ? text : L"";
    LocalFree(text);
    return result;
}

bool ChildProcess::Start(const std::wstring& exe, const std::wstring& arguments, const std::wstring& workDir)
{
    Kill();
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, workDir.c_str(), &startup,
                        &info))
        return false;
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    id_ = info.dwProcessId;
    return true;
}

bool ChildProcess::WaitForExit(DWORD timeoutMs, DWORD* exitCode)
{
    return process_ != nullptr && WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0 &&
           GetExitCodeProcess(process_, exitCode);
}

void ChildProcess::Kill()
{
    if (process_ == nullptr)
        return;
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, kTimeoutMs);
    CloseHandle(process_);
    process_ = nullptr;
}

std::vector<HWND> WindowsOf(DWORD pid, const wchar_t* className)
{
    std::vector<HWND> found;
    WindowSearch search{pid, className, &found};
    if (pid != 0)
        EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
    return found;
}

HWND WindowOf(DWORD pid, const wchar_t* className)
{
    const std::vector<HWND> found = WindowsOf(pid, className);
    return found.empty() ? nullptr : found.front();
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[256] = {};
    return std::wstring(name, size_t(GetClassNameW(window, name, 256)));
}

std::wstring TextOf(HWND window)
{
    wchar_t text[512] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &copied);
    return std::wstring(text, size_t(copied));
}

RECT RectOf(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

// Wine 8 moves only its own record of the cursor, not the X pointer, for
// input injected while another process holds a low-level mouse hook (as
// tavrel.exe does), and reads the place back from the X pointer when the
// cursor is asked for a tenth of a second after its last change. SetCursorPos
// moves the X pointer, but only when Wine's record changes, so the cursor is
// set a pixel aside and back, before the injected move. On Windows this
// changes nothing.
void PlaceXPointer(POINT point)
{
    SetCursorPos(point.x + (point.x > 0 ? -1 : 1), point.y);
    SetCursorPos(point.x, point.y);
}

bool SendCursorTo(POINT point)
{
    PlaceXPointer(point);
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK, point);
    return WaitFor([&] { return CursorPos().x == point.x && CursorPos().y == point.y; });
}

// A window that has just appeared under the pointer reports, a moment
// later, where the pointer was when it appeared. When that report lands
// between the two placements, the second one changes nothing and leaves the
// X pointer a pixel aside, where Wine reads the cursor back. So the cursor
// has arrived only when a look later than that read-back finds it in place,
// and it is placed again whenever a look finds it elsewhere. On Windows the
// first look finds it in place, and a fifth of a second passes.
bool MoveCursorTo(POINT point)
{
    PlaceXPointer(point);
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK, point);
    DWORD placed = GetTickCount();
    return WaitFor([&] {
        const POINT at = CursorPos();
        if (at.x != point.x || at.y != point.y) {
            PlaceXPointer(point);
            placed = GetTickCount();
            return false;
        }
        return GetTickCount() - placed >= 200;
    });
}

POINT CursorPos()
{
    POINT point{};
    GetCursorPos(&point);
    return point;
}

void SendMouse(DWORD flags, POINT at)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    input.mi.dx = Normalised(at.x, GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_CXVIRTUALSCREEN));
    input.mi.dy = Normalised(at.y, GetSystemMetrics(SM_YVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
    SendInput(1, &input, sizeof input);
}

void PressKey(WORD virtualKey)
{
    SendKeyboard(virtualKey, 0, 0);
    SendKeyboard(virtualKey, 0, KEYEVENTF_KEYUP);
}

void TypeText(const std::wstring& text)
{
    for (wchar_t ch : text) {
        SendKeyboard(0, ch, KEYEVENTF_UNICODE);
        SendKeyboard(0, ch, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP);
    }
}

ScreenCapture::ScreenCapture(const RECT& region) : region_(region)
{
    const int width = region.right - region.left, height = region.bottom - region.top;
    pixels_.assign(size_t(width) * size_t(height), 0);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, region.left, region.top, SRCCOPY | CAPTUREBLT);
    GdiFlush();
    std::copy_n(static_cast<const uint32_t*>(bits), pixels_.size(), pixels_.begin());
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

COLORREF ScreenCapture::At(int x, int y) const
{
    const uint32_t pixel = pixels_[size_t(y - region_.top) * size_t(region_.right - region_.left) + size_t(x - region_.left)];
    return RGB(pixel >> 16, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

bool ColorsClose(COLORREF a, COLORREF b, int tolerance)
{
    return std::abs(int(GetRValue(a)) - int(GetRValue(b))) <= tolerance &&
           std::abs(int(GetGValue(a)) - int(GetGValue(b))) <= tolerance &&
           std::abs(int(GetBValue(a)) - int(GetBValue(b))) <= tolerance;
}

std::vector<uint8_t> ReadBytes(const std::wstring& path)
{
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out.flush());
}

// A file of a process that has only just ended can stay locked for a
// moment, so callers retry the removal until it succeeds.
bool RemoveTree(const std::wstring& path)
{
    ForEachEntry(path, [&](const std::wstring& name, bool folder) {
        const std::wstring child = path + L"\\" + name;
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        folder ? RemoveTree(child) : DeleteFileW(child.c_str());
    });
    return RemoveDirectoryW(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND ||
           GetLastError() == ERROR_PATH_NOT_FOUND;
}

std::wstring UnixProcessFolder(const std::wstring& exe)
{
    std::wstring found;
    ForEachEntry(L"Z:\\proc", [&](const std::wstring& name, bool) {
        const std::vector<uint8_t> line = ReadBytes(L"Z:\\proc\\" + name + L"\\cmdline");
        if (Widen(std::string(line.begin(), std::find(line.begin(), line.end(), 0))) == exe)
            found = L"Z:\\proc\\" + name;
    });
    return found;
}

// Wine answers GetProcessTimes for any process with the caller's own times,
// so the Unix process's threads are asked instead, to the nanosecond.
std::map<std::wstring, ThreadFigures> ThreadsOf(const std::wstring& exe)
{
    std::map<std::wstring, ThreadFigures> threads;
    const std::wstring tasks = UnixProcessFolder(exe) + L"\\task";
    ForEachEntry(tasks, [&](const std::wstring& task, bool) {
        const std::vector<uint8_t> schedstat = ReadBytes(tasks + L"\\" + task + L"\\schedstat");
        const std::vector<uint8_t> status = ReadBytes(tasks + L"\\" + task + L"\\status");
        const std::string text(status.begin(), status.end());
        ThreadFigures& figures = threads[task];
        figures.ns = std::atof(std::string(schedstat.begin(), schedstat.end()).c_str());
        for (const char* name : {"voluntary_ctxt_switches:", "nonvoluntary_ctxt_switches:"}) {
            const size_t at = text.find(name);
            if (at != std::string::npos)
                figures.switches += std::atof(text.c_str() + at + std::strlen(name));
        }
    });
    return threads;
}

double ProcessorTimeAtRest(const std::wstring& exe)
{
    auto total = [&] {
        double ns = 0;
        for (const auto& thread : ThreadsOf(exe))
            ns += thread.second.ns;
        return ns;
    };
    double last = -1, now = total();
    for (DWORD start = GetTickCount(); now != last && GetTickCount() - start < kTimeoutMs;) {
        PumpFor(200);
        last = now;
        now = total();
    }
    return now;
}

// Wine tells a thread which hooks other processes hold only with a message
// it takes, and raises an event only where it knows of a hook for it; so a
// thread that raises events takes a message of its own first, as every
// thread on Windows knows at once.
void NoticeNewHooks()
{
    PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
    MSG message;
    PeekMessageW(&message, nullptr, WM_NULL, WM_NULL, PM_REMOVE);
}

// With the events, it raises for each window it opens and closes what
// Windows raises for it, and for a caret and the cursor at the same rate:
// Wine raises few of its own window events to another process's hook, so
// without them a busy desktop would cost a program that listens nothing
// it would cost on Windows.
int RunBusyDesktop(int windows, int perSecond, DWORD milliseconds, bool events)
{
    const HWND desktop = GetDesktopWindow();
    auto raise = [&](DWORD event, HWND window, LONG object) {
        if (events)
            NotifyWinEvent(event, window, object, CHILDID_SELF);
    };
    auto small = [&](int i) {
        HWND window = CreateWindowExW(0, L"STATIC", nullptr, WS_POPUP, GetSystemMetrics(SM_CXSCREEN) - 20 * (i % 15 + 1),
                                      20 * (i / 15), 16, 16, nullptr, nullptr, nullptr, nullptr);
        ShowWindow(window, SW_SHOWNOACTIVATE);
        raise(EVENT_OBJECT_SHOW, window, OBJID_WINDOW);
        raise(EVENT_OBJECT_REORDER, desktop, OBJID_WINDOW);
        return window;
    };
    std::vector<HWND> open;
    for (int i = 0; i < windows; ++i)
        open.push_back(small(i));
    for (DWORD start = GetTickCount(), n = 0; GetTickCount() - start < milliseconds; ++n) {
        PumpFor(std::max(0L, LONG(start + n * 1000 / DWORD(perSecond) - GetTickCount())));
        if (events)
            NoticeNewHooks();
        HWND window = small(windows);
        for (const DWORD event : {EVENT_OBJECT_SHOW, EVENT_OBJECT_HIDE}) {
            raise(event, window, OBJID_CARET);
            raise(event, nullptr, OBJID_CURSOR);
        }
        raise(EVENT_OBJECT_HIDE, window, OBJID_WINDOW);
        raise(EVENT_OBJECT_DESTROY, window, OBJID_WINDOW);
        raise(EVENT_OBJECT_REORDER, desktop, OBJID_WINDOW);
        DestroyWindow(window);
    }
    for (HWND window : open)
        DestroyWindow(window);
    FILETIME times[4];
    GetProcessTimes(GetCurrentProcess(), &times[0], &times[1], &times[2], &times[3]);
    auto ms = [](FILETIME t) { return int((uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 10000); };
    return ms(times[2]) + ms(times[3]);
}

LRESULT ShellControl(unsigned command, LPARAM argument)
{
    static const UINT message = RegisterWindowMessageW(standin_shell::kControlMessageName);
    DWORD_PTR result = 0;
    HWND progman = FindWindowW(L"Progman", nullptr);
    if (progman == nullptr ||
        !SendMessageTimeoutW(progman, message, command, argument, SMTO_ABORTIFHUNG, 15000, &result))
        return 0;
    return LRESULT(result);
}

} // namespace ws
