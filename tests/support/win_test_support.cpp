#include "tests/support/win_test_support.h"

#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "app/messages.h"
#include "tools/standin_shell/standin_shell_protocol.h"

namespace wine_test {

namespace {

// How often a wait looks again.
constexpr DWORD kPollMs = 20;

// Wine shows the notification area, when the X display has no system tray
// of its own, as a small top-level window holding one child per icon. These
// are Wine's names for the two; Windows has neither.
constexpr const wchar_t* kWineTrayClass = L"__winex11_standalone_tray";
constexpr const wchar_t* kWineTrayIconClass = L"__winex11_tray_icon";

std::wstring FolderOf(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

// A name for the current test that can be part of a file name.
std::wstring CurrentTestName()
{
    std::string name = "no_test";
    if (const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info())
        name = std::string(info->test_suite_name()) + "." + info->name();
    std::wstring wide;
    for (char c : name)
        wide += (isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_') ? wchar_t(c) : L'_';
    return wide;
}

// Removes a folder and everything in it. A file of a process that has only
// just ended can stay locked for a moment, so the removal is retried.
bool RemoveTree(const std::wstring& path)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring child = path + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return RemoveDirectoryW(path.c_str()) != 0;
}

struct WindowSearch {
    DWORD pid;
    const wchar_t* className;
    std::vector<HWND>* found;
};

void ConsiderWindow(HWND window, const WindowSearch& search)
{
    if (ProcessOfWindow(window) != search.pid)
        return;
    if (search.className != nullptr && ClassOf(window) != search.className)
        return;
    search.found->push_back(window);
}

BOOL CALLBACK CollectChild(HWND window, LPARAM context)
{
    ConsiderWindow(window, *reinterpret_cast<WindowSearch*>(context));
    return TRUE;
}

// Every top-level window is looked at, and all of its descendants, since
// the eye window lives below a window of the shell's process.
BOOL CALLBACK CollectTopLevel(HWND window, LPARAM context)
{
    ConsiderWindow(window, *reinterpret_cast<WindowSearch*>(context));
    EnumChildWindows(window, CollectChild, context);
    return TRUE;
}

BOOL CALLBACK CollectAllTopLevel(HWND window, LPARAM context)
{
    reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
    return TRUE;
}

std::vector<HWND> TopLevelWindows()
{
    std::vector<HWND> windows;
    EnumWindows(CollectAllTopLevel, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// The normalised coordinate of pixel `pixel` on an axis that starts at
// `origin` and is `extent` pixels long: the middle of the pixel, so that the
// system's scaling back lands on it whichever way it rounds.
LONG NormalisedAxis(LONG pixel, int origin, int extent)
{
    const long long twice = 2LL * (pixel - origin) + 1;
    const long long value = twice * 65536 / (2LL * extent);
    return LONG(std::min<long long>(std::max<long long>(value, 0), 65535));
}

void SendMouse(DWORD flags)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof(input));
}

void SendKey(WORD virtualKey, DWORD flags)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = WORD(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = flags;
    SendInput(1, &input, sizeof(input));
}

bool OnScreen(POINT point)
{
    const RECT screen = ScreenRect();
    return PtInRect(&screen, point) != 0;
}

void Expect(std::vector<PixelExpectation>& list, LONG x, LONG y, COLORREF color, const std::string& what)
{
    const POINT point = {x, y};
    if (OnScreen(point))
        list.push_back({point, color, what});
}

// How close a sample of the white may come to a pupil's box before the
// pupil's anti-aliased edge could colour it.
constexpr int kPupilMargin = 3;

bool NearPupil(LONG x, LONG y, const PupilRect& pupil)
{
    return x >= pupil.left - kPupilMargin && x <= pupil.left + pupil.ellipseWidth + kPupilMargin &&
           y >= pupil.top - kPupilMargin && y <= pupil.top + pupil.ellipseHeight + kPupilMargin;
}

// The samples of one eye whose box starts `boxLeft` pixels into the window.
void ExpectEye(std::vector<PixelExpectation>& list, const Settings& s, const EyeGeometry& g,
               const OutlineRing& ring, int32_t boxLeft, const PupilRect& pupil, const std::string& eye)
{
    const int32_t centreX = boxLeft + (g.eyeWidth >> 1);
    const int32_t centreY = s.height >> 1;
    // The middle of the outline ring at the eye's four extremes.
    Expect(list, s.x + boxLeft + ring.rimWidth / 2, s.y + centreY, s.outlineColor, eye + " outline, left");
    Expect(list, s.x + boxLeft + g.eyeWidth - 1 - ring.rimWidth / 2, s.y + centreY, s.outlineColor,
           eye + " outline, right");
    Expect(list, s.x + centreX, s.y + ring.rimHeight / 2, s.outlineColor, eye + " outline, top");
    Expect(list, s.x + centreX, s.y + s.height - 1 - ring.rimHeight / 2, s.outlineColor, eye + " outline, bottom");

    // The white at spots spread over the inner ellipse, wherever the pupil
    // is not.
    const double innerCentreX = boxLeft + ring.rimWidth + ring.innerWidth / 2.0;
    const double innerCentreY = ring.rimHeight + ring.innerHeight / 2.0;
    const double a = ring.innerWidth / 2.0;
    const double b = ring.innerHeight / 2.0;
    const double spots[][2] = {{0, 0},     {0.6, 0},     {-0.6, 0},    {0, 0.6},     {0, -0.6},
                               {0.45, 0.45}, {-0.45, 0.45}, {0.45, -0.45}, {-0.45, -0.45}};
    for (const auto& spot : spots) {
        const LONG x = LONG(innerCentreX + spot[0] * a);
        const LONG y = LONG(innerCentreY + spot[1] * b);
        if (!NearPupil(x, y, pupil))
            Expect(list, s.x + x, s.y + y, s.eyeWhiteColor, eye + " white");
    }

    // The pupil colour at the centre of the pupil's rectangle.
    Expect(list, s.x + pupil.left + pupil.ellipseWidth / 2, s.y + pupil.top + pupil.ellipseHeight / 2, s.pupilColor,
           eye + " pupil");
}

} // namespace

// ------------------------------------------------------------------ general

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return condition();
        PumpFor(kPollMs);
    }
}

void PumpFor(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
    }
}

std::string Narrow(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(size_t(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), &result[0], size, nullptr, nullptr);
    return result;
}

std::wstring BinFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, &path[0], DWORD(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return FolderOf(path);
        }
        path.resize(path.size() * 2);
    }
}

Settings DistinctiveSettings(int32_t x, int32_t y, int32_t width, int32_t height)
{
    Settings settings = {};
    settings.tag = kSettingsTag;
    settings.x = x;
    settings.y = y;
    settings.width = width;
    settings.height = height;
    settings.outlineColor = RGB(200, 30, 40);     // red
    settings.eyeWhiteColor = RGB(250, 240, 100);  // pale yellow
    settings.pupilColor = RGB(20, 150, 60);       // green
    return settings;
}

// ---------------------------------------------------------------- processes

ChildProcess::~ChildProcess()
{
    Kill();
}

bool ChildProcess::Start(const std::wstring& exe, const std::wstring& arguments, const std::wstring& workDir)
{
    Kill();
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!arguments.empty())
        commandLine += L" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        workDir.empty() ? nullptr : workDir.c_str(), &startup, &info))
        return false;
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    id_ = info.dwProcessId;
    return true;
}

bool ChildProcess::Running() const
{
    return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool ChildProcess::WaitForExit(DWORD timeoutMs, DWORD* exitCode)
{
    if (process_ == nullptr || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0)
        return false;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    if (exitCode != nullptr)
        *exitCode = code;
    return true;
}

void ChildProcess::Kill()
{
    if (process_ == nullptr)
        return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, kDefaultTimeoutMs);
    }
    CloseHandle(process_);
    process_ = nullptr;
    id_ = 0;
}

TestFolder::TestFolder()
{
    const std::wstring root = BinFolder() + L"\\testtmp";
    CreateDirectoryW(root.c_str(), nullptr);
    path_ = root + L"\\" + CurrentTestName() + L"_" + std::to_wstring(GetCurrentProcessId());
    RemoveTree(path_);
    ready_ = CreateDirectoryW(path_.c_str(), nullptr) &&
             CopyFileW((BinFolder() + L"\\tavrel.exe").c_str(), TavrelPath().c_str(), FALSE);
}

TestFolder::~TestFolder()
{
    WaitFor([this] { return RemoveTree(path_); }, 5000);
}

std::wstring TestFolder::TavrelPath() const
{
    return path_ + L"\\tavrel.exe";
}

std::wstring TestFolder::SettingsPath() const
{
    return path_ + L"\\tavrel.dat";
}

bool TestFolder::WriteSettings(const Settings& settings) const
{
    uint8_t bytes[kSettingsFileSize];
    EncodeSettings(settings, bytes);
    HANDLE file = CreateFileW(SettingsPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes, sizeof(bytes), &written, nullptr) && written == sizeof(bytes);
    CloseHandle(file);
    return ok;
}

std::vector<HWND> FindWindowsOfProcess(DWORD pid, const wchar_t* className)
{
    std::vector<HWND> found;
    if (pid == 0)
        return found;
    WindowSearch search = {pid, className, &found};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
    return found;
}

HWND FindWindowOfProcess(DWORD pid, const wchar_t* className)
{
    const std::vector<HWND> found = FindWindowsOfProcess(pid, className);
    return found.empty() ? nullptr : found.front();
}

HWND WaitForWindowOfProcess(DWORD pid, const wchar_t* className, DWORD timeoutMs)
{
    HWND window = nullptr;
    WaitFor([&] { return (window = FindWindowOfProcess(pid, className)) != nullptr; }, timeoutMs);
    return window;
}

DWORD ProcessOfWindow(HWND window)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

std::wstring TextOf(HWND window)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
        return std::wstring();
    std::wstring text(size_t(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, WPARAM(text.size()), reinterpret_cast<LPARAM>(&text[0]), SMTO_ABORTIFHUNG,
                        5000, &copied);
    text.resize(size_t(copied));
    return text;
}

bool TavrelProcess::Start(const TestFolder& folder)
{
    return process_.Start(folder.TavrelPath(), L"", folder.Path());
}

void TavrelProcess::Kill()
{
    if (process_.Running()) {
        if (HWND main = MainWindow())
            DeleteTrayIcon(main);
    }
    process_.Kill();
}

HWND TavrelProcess::WaitForEyeWindow(DWORD timeoutMs) const
{
    HWND eye = nullptr;
    WaitFor([&] { return (eye = EyeWindow()) != nullptr && IsWindowVisible(eye); }, timeoutMs);
    return eye != nullptr && IsWindowVisible(eye) ? eye : nullptr;
}

HWND TavrelProcess::WaitForMainWindow(DWORD timeoutMs) const
{
    return WaitForWindowOfProcess(process_.Id(), kMainClass, timeoutMs);
}

std::string TavrelProcess::Describe()
{
    DWORD exitCode = 0;
    if (!process_.Started())
        return "tavrel.exe was not started";
    if (process_.WaitForExit(0, &exitCode))
        return "tavrel.exe ended with exit code " + std::to_string(exitCode);
    std::string text = "tavrel.exe runs as process " + std::to_string(process_.Id()) + " (the test is process " +
                       std::to_string(GetCurrentProcessId()) + "); its windows:";
    for (HWND window : FindWindowsOfProcess(process_.Id(), nullptr)) {
        RECT rect = {};
        GetWindowRect(window, &rect);
        text += "\n  " + Narrow(ClassOf(window)) + (IsWindowVisible(window) ? " visible" : " hidden") + " at (" +
                std::to_string(rect.left) + ", " + std::to_string(rect.top) + ")-(" + std::to_string(rect.right) +
                ", " + std::to_string(rect.bottom) + ")";
        HWND parent = GetAncestor(window, GA_PARENT);
        if (parent != nullptr && parent != GetDesktopWindow())
            text += " in " + Narrow(ClassOf(parent)) + (IsWindowVisible(parent) ? " (visible" : " (hidden") +
                    ", process " + std::to_string(ProcessOfWindow(parent)) + ")";
    }
    if (HWND box = FindMessageBox(process_.Id()))
        text += "\n  message box: " + Narrow(MessageBoxText(box));
    return text;
}

// ------------------------------------------------------- the stand-in shell

COLORREF WallpaperColor()
{
    return COLORREF(standin_shell::kWallpaperColor);
}

bool StandinShell::Start(const std::vector<std::wstring>& options)
{
    std::wstring arguments;
    for (const std::wstring& option : options)
        arguments += (arguments.empty() ? L"" : L" ") + option;
    progman_ = nullptr;
    if (!process_.Start(BinFolder() + L"\\standin_shell.exe", arguments, BinFolder()))
        return false;
    const bool ready = WaitFor([this] {
        if (!process_.Running())
            return true;
        progman_ = FindWindowOfProcess(process_.Id(), L"Progman");
        return progman_ != nullptr && Control(standin_shell::kCommandQueryReady) == 1;
    });
    return ready && process_.Running();
}

void StandinShell::Stop()
{
    if (progman_ != nullptr && process_.Running())
        PostMessageW(progman_, WM_CLOSE, 0, 0);
    process_.WaitForExit(kDefaultTimeoutMs, nullptr);
    process_.Kill();
    progman_ = nullptr;
}

LRESULT StandinShell::Control(unsigned command, LPARAM argument) const
{
    static const UINT message = RegisterWindowMessageW(standin_shell::kControlMessageName);
    DWORD_PTR result = 0;
    if (progman_ == nullptr ||
        !SendMessageTimeoutW(progman_, message, command, argument, SMTO_ABORTIFHUNG, 5000, &result))
        return 0;
    return LRESULT(result);
}

HWND StandinShell::Layer() const
{
    return reinterpret_cast<HWND>(Control(standin_shell::kCommandQueryLayer));
}

int StandinShell::PromptCount() const
{
    return int(Control(standin_shell::kCommandQueryPromptCount));
}

int StandinShell::DestroyLayer() const
{
    return int(Control(standin_shell::kCommandDestroyLayer));
}

void StandinShell::SetAnswerDelay(long milliseconds) const
{
    Control(standin_shell::kCommandSetAnswerDelay, LPARAM(milliseconds));
}

HWND StandinShell::DefView() const
{
    if (HWND view = FindWindowExW(progman_, nullptr, L"SHELLDLL_DefView", nullptr))
        return view;
    for (HWND top : TopLevelWindows()) {
        if (ProcessOfWindow(top) != process_.Id())
            continue;
        if (HWND view = FindWindowExW(top, nullptr, L"SHELLDLL_DefView", nullptr))
            return view;
    }
    return nullptr;
}

// ------------------------------------------------------------ mouse and keys

bool MoveCursorTo(POINT point)
{
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = NormalisedAxis(point.x, left, width);
    input.mi.dy = NormalisedAxis(point.y, top, height);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
    SendInput(1, &input, sizeof(input));
    const bool arrived = WaitFor([&] {
        const POINT now = CursorPos();
        return now.x == point.x && now.y == point.y;
    });
    // Wine 8 moves only its own record of the cursor, not the X pointer,
    // when another process holds a low-level mouse hook (as tavrel.exe
    // does); a tenth of a second later GetCursorPos reads the X pointer
    // again and reports the old place. Wine moves the X pointer along when
    // SetCursorPos changes the position, so the cursor is set one pixel
    // aside and back; SetCursorPos passes no low-level hook, so the program
    // sees nothing of it. On Windows the cursor simply stays in place.
    if (arrived) {
        const RECT screen = ScreenRect();
        SetCursorPos(point.x + 1 < screen.right ? point.x + 1 : point.x - 1, point.y);
        SetCursorPos(point.x, point.y);
    }
    return arrived;
}

POINT CursorPos()
{
    POINT point = {};
    GetCursorPos(&point);
    return point;
}

void ClickLeft()
{
    PressLeft();
    ReleaseLeft();
}

void ClickRight()
{
    SendMouse(MOUSEEVENTF_RIGHTDOWN);
    SendMouse(MOUSEEVENTF_RIGHTUP);
}

void MoveAndClickLeft(POINT point)
{
    MoveCursorTo(point);
    ClickLeft();
}

void PressLeft()
{
    SendMouse(MOUSEEVENTF_LEFTDOWN);
}

void ReleaseLeft()
{
    SendMouse(MOUSEEVENTF_LEFTUP);
}

void PressKey(WORD virtualKey)
{
    SendKey(virtualKey, 0);
    SendKey(virtualKey, KEYEVENTF_KEYUP);
}

// ----------------------------------------------------------------- the screen

COLORREF ScreenPixel(int x, int y)
{
    HDC screen = GetDC(nullptr);
    const COLORREF color = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return color;
}

ScreenCapture::ScreenCapture(const RECT& region) : region_(region)
{
    const int width = region.right - region.left;
    const int height = region.bottom - region.top;
    pixels_.assign(size_t(width) * size_t(height), 0);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (memory != nullptr && bitmap != nullptr) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, region.left, region.top, SRCCOPY | CAPTUREBLT);
        GdiFlush();
        std::copy_n(static_cast<const uint32_t*>(bits), pixels_.size(), pixels_.begin());
        SelectObject(memory, previous);
    }
    if (bitmap != nullptr)
        DeleteObject(bitmap);
    if (memory != nullptr)
        DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

COLORREF ScreenCapture::At(int x, int y) const
{
    const int width = region_.right - region_.left;
    const uint32_t pixel = pixels_[size_t(y - region_.top) * size_t(width) + size_t(x - region_.left)];
    // The DIB holds B, G, R in its low three bytes; a COLORREF the reverse.
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

RECT ScreenRect()
{
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return {left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN), top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

bool ColorsClose(COLORREF a, COLORREF b, int tolerance)
{
    if (a == CLR_INVALID || b == CLR_INVALID)
        return false;
    return std::abs(int(GetRValue(a)) - int(GetRValue(b))) <= tolerance &&
           std::abs(int(GetGValue(a)) - int(GetGValue(b))) <= tolerance &&
           std::abs(int(GetBValue(a)) - int(GetBValue(b))) <= tolerance;
}

std::string ColorText(COLORREF color)
{
    if (color == CLR_INVALID)
        return "(no pixel)";
    char text[16];
    std::snprintf(text, sizeof(text), "#%02X%02X%02X", GetRValue(color), GetGValue(color), GetBValue(color));
    return text;
}

std::vector<std::string> ScreenMismatches(const std::vector<PixelExpectation>& expectations)
{
    std::vector<std::string> mismatches;
    if (expectations.empty())
        return mismatches;
    // One capture of the box around all points, so that every point is seen
    // in the same frame.
    RECT box = {expectations[0].point.x, expectations[0].point.y, expectations[0].point.x + 1,
                expectations[0].point.y + 1};
    for (const PixelExpectation& e : expectations) {
        box.left = std::min(box.left, e.point.x);
        box.top = std::min(box.top, e.point.y);
        box.right = std::max(box.right, e.point.x + 1);
        box.bottom = std::max(box.bottom, e.point.y + 1);
    }
    const ScreenCapture capture(box);
    for (const PixelExpectation& e : expectations) {
        const COLORREF seen = capture.At(e.point.x, e.point.y);
        if (!ColorsClose(seen, e.color)) {
            mismatches.push_back(e.what + " at (" + std::to_string(e.point.x) + ", " + std::to_string(e.point.y) +
                                 "): expected " + ColorText(e.color) + ", screen shows " + ColorText(seen));
        }
    }
    return mismatches;
}

std::vector<std::string> WaitForScreen(const std::vector<PixelExpectation>& expectations, DWORD timeoutMs)
{
    std::vector<std::string> mismatches;
    WaitFor([&] { return (mismatches = ScreenMismatches(expectations)).empty(); }, timeoutMs);
    return mismatches;
}

std::string JoinLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

std::vector<PixelExpectation> EyeExpectations(const Settings& s, POINT cursor, COLORREF wallpaper)
{
    const EyeGeometry g = DeriveEyeGeometry(s.width, s.height);
    const OutlineRing ring = DeriveOutlineRing(g, s.height);
    PupilRect pupils[2];
    PlacePupils(g, s.x, s.y, s.height, cursor.x, cursor.y, pupils);

    std::vector<PixelExpectation> list;
    ExpectEye(list, s, g, ring, 0, pupils[0], "left eye");
    ExpectEye(list, s, g, ring, g.rightEyeLeft, pupils[1], "right eye");

    // The window's corners lie outside both ellipses, and the gap between
    // the eyes is transparent too: the wallpaper shows there.
    Expect(list, s.x + 2, s.y + 2, wallpaper, "wallpaper, top-left corner");
    Expect(list, s.x + s.width - 3, s.y + 2, wallpaper, "wallpaper, top-right corner");
    Expect(list, s.x + 2, s.y + s.height - 3, wallpaper, "wallpaper, bottom-left corner");
    Expect(list, s.x + s.width - 3, s.y + s.height - 3, wallpaper, "wallpaper, bottom-right corner");
    const int32_t gapCentre = g.eyeWidth + (g.rightEyeLeft - g.eyeWidth) / 2;
    Expect(list, s.x + gapCentre, s.y + (s.height >> 1), wallpaper, "wallpaper between the eyes");
    Expect(list, s.x + gapCentre, s.y + s.height / 8, wallpaper, "wallpaper between the eyes, high");
    // Just outside the window.
    Expect(list, s.x - 4, s.y + (s.height >> 1), wallpaper, "wallpaper left of the window");
    Expect(list, s.x + s.width + 3, s.y + (s.height >> 1), wallpaper, "wallpaper right of the window");
    Expect(list, s.x + s.width / 2, s.y - 4, wallpaper, "wallpaper above the window");
    Expect(list, s.x + s.width / 2, s.y + s.height + 3, wallpaper, "wallpaper below the window");
    return list;
}

std::vector<PixelExpectation> NoEyeExpectations(const Settings& settings, COLORREF wallpaper)
{
    const POINT centre = {settings.x + settings.width / 2, settings.y + settings.height / 2};
    std::vector<PixelExpectation> list = EyeExpectations(settings, centre, wallpaper);
    for (PixelExpectation& e : list) {
        e.color = wallpaper;
        e.what += " (no eyes)";
    }
    return list;
}

// ------------------------------------------------------------- message boxes

HWND FindMessageBox(DWORD pid)
{
    for (HWND window : FindWindowsOfProcess(pid, kDialogClass)) {
        if (GetAncestor(window, GA_PARENT) == GetDesktopWindow() && IsWindowVisible(window) &&
            TextOf(window) == kAppCaption)
            return window;
    }
    return nullptr;
}

HWND WaitForMessageBox(DWORD pid, DWORD timeoutMs)
{
    HWND box = nullptr;
    WaitFor([&] { return (box = FindMessageBox(pid)) != nullptr; }, timeoutMs);
    return box;
}

std::wstring MessageBoxText(HWND box)
{
    HWND text = GetDlgItem(box, 0xFFFF);
    return text != nullptr ? TextOf(text) : std::wstring();
}

void PressOk(HWND box)
{
    PressDialogButton(box, IDOK);
}

void PressDialogButton(HWND dialog, int id)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::wstring SystemErrorText(DWORD code)
{
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring result = text != nullptr ? text : L"";
    if (text != nullptr)
        LocalFree(text);
    return result;
}

// ----------------------------------------------------------------- the tray

bool TrayIconExists(HWND owner, UINT id)
{
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof(data);
    data.hWnd = owner;
    data.uID = id;
    data.uFlags = 0;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

bool DeleteTrayIcon(HWND owner, UINT id)
{
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof(data);
    data.hWnd = owner;
    data.uID = id;
    return Shell_NotifyIconW(NIM_DELETE, &data) != FALSE;
}

namespace {

// The icons in Wine's own notification window, which has one child window
// per icon.
std::vector<HWND> WineTrayIcons()
{
    std::vector<HWND> icons;
    HWND tray = FindWindowW(kWineTrayClass, nullptr);
    if (tray == nullptr || !IsWindowVisible(tray))
        return icons;
    for (HWND child = FindWindowExW(tray, nullptr, kWineTrayIconClass, nullptr); child != nullptr;
         child = FindWindowExW(tray, child, kWineTrayIconClass, nullptr)) {
        if (IsWindowVisible(child))
            icons.push_back(child);
    }
    return icons;
}

} // namespace

int VisibleTrayIconCount()
{
    if (FindWindowW(kWineTrayClass, nullptr) == nullptr)
        return -1;
    return int(WineTrayIcons().size());
}

bool TrayIconPoint(POINT* point)
{
    // There is no way to tell from outside whose icon a child of Wine's
    // notification window shows; the tests add no icons of their own, so a
    // single icon is the program's.
    const std::vector<HWND> icons = WineTrayIcons();
    if (icons.size() != 1)
        return false;
    RECT rect;
    GetWindowRect(icons[0], &rect);
    point->x = (rect.left + rect.right) / 2;
    point->y = (rect.top + rect.bottom) / 2;
    return true;
}

void ClickTrayIcon(HWND mainWindow, bool rightButton)
{
    POINT point;
    if (TrayIconPoint(&point) && MoveCursorTo(point)) {
        if (rightButton)
            ClickRight();
        else
            ClickLeft();
        return;
    }
    // No notification area to click in (a desktop whose own tray took the
    // icon): the shell's callback for the release, as it would send it.
    PostMessageW(mainWindow, WM_APP, 1, rightButton ? WM_RBUTTONUP : WM_LBUTTONUP);
}

HWND FindPopupMenu(DWORD pid)
{
    for (HWND window : FindWindowsOfProcess(pid, kMenuClass)) {
        if (IsWindowVisible(window))
            return window;
    }
    return nullptr;
}

} // namespace wine_test
