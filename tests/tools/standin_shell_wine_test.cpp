// Drives standin_shell.exe from a second process, as tavrel.exe meets it:
// the window order that the desktop-host search relies on, the steering of
// the answer to 0x052C, the rebuild of the layer, and what the screen shows.
#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "tools/standin_shell/standin_shell_protocol.h"

namespace {

using namespace standin_shell;

constexpr DWORD kPatience = 10000;
constexpr wchar_t kTestChildClass[] = L"StandinShellTestChild";
constexpr COLORREF kChildColor = RGB(200, 30, 40);

// One started stand-in. Whatever a test leaves running is ended here, so a
// failing test leaves no shell behind for the next one.
struct Shell {
    PROCESS_INFORMATION process = {};
    HWND progman = nullptr;
    UINT control = 0;

    Shell() = default;
    Shell(const Shell&) = delete;
    Shell& operator=(const Shell&) = delete;
    ~Shell()
    {
        if (!process.hProcess)
            return;
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process.hProcess, 99);
            WaitForSingleObject(process.hProcess, kPatience);
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
};

std::wstring ShellPath()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    folder.erase(folder.find_last_of(L"\\/") + 1);
    return folder + L"standin_shell.exe";
}

// Handles what the test's own windows need while it waits.
void PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeout = kPatience)
{
    const ULONGLONG end = GetTickCount64() + timeout;
    for (;;) {
        PumpMessages();
        if (condition())
            return true;
        if (GetTickCount64() >= end)
            return false;
        Sleep(20);
    }
}

// Keeps the test's windows served for a while, for checks that something
// does not happen.
void PumpFor(DWORD duration)
{
    WaitUntil([] { return false; }, duration);
}

bool Launch(Shell& shell, const std::wstring& options)
{
    std::wstring commandLine = L"\"" + ShellPath() + L"\" " + options;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    return CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &shell.process) != 0;
}

HWND FindProgmanOf(DWORD processId)
{
    for (HWND w = FindWindowExW(nullptr, nullptr, L"Progman", nullptr); w;
         w = FindWindowExW(nullptr, w, L"Progman", nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == processId)
            return w;
    }
    return nullptr;
}

// Not SMTO_BLOCK: destroying the layer destroys this thread's windows in it,
// which needs this thread to take the stand-in's messages meanwhile.
LRESULT Control(const Shell& shell, Command command, LPARAM argument = 0)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(shell.progman, shell.control, command, argument, SMTO_NORMAL, kPatience,
                             &result))
        ADD_FAILURE() << "the stand-in did not answer command " << command;
    return static_cast<LRESULT>(result);
}

::testing::AssertionResult StartShell(Shell& shell, const std::wstring& options = L"")
{
    if (FindWindowW(L"Progman", nullptr))
        return ::testing::AssertionFailure() << "a \"Progman\" runs already";
    if (!Launch(shell, options))
        return ::testing::AssertionFailure() << "CreateProcessW failed: " << GetLastError();
    shell.control = RegisterWindowMessageW(kControlMessageName);
    const bool found = WaitUntil([&shell] {
        shell.progman = FindProgmanOf(shell.process.dwProcessId);
        return shell.progman != nullptr ||
               WaitForSingleObject(shell.process.hProcess, 0) == WAIT_OBJECT_0;
    });
    if (!found || !shell.progman)
        return ::testing::AssertionFailure() << "no \"Progman\" of the stand-in appeared";
    const bool ready = WaitUntil([&shell] {
        DWORD_PTR result = 0;
        return SendMessageTimeoutW(shell.progman, shell.control, kCommandQueryReady, 0,
                                   SMTO_BLOCK, 1000, &result) &&
               result == 1;
    });
    if (!ready)
        return ::testing::AssertionFailure() << "the stand-in never reported ready";
    return ::testing::AssertionSuccess();
}

// WM_CLOSE to "Progman", as a person's shutdown would; the exit code, or
// STILL_ACTIVE if the stand-in does not end.
DWORD CloseShell(Shell& shell)
{
    PostMessageW(shell.progman, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(shell.process.hProcess, kPatience) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(shell.process.hProcess, &code);
    return code;
}

// The two messages tavrel.exe sends when it finds no layer.
void PromptForLayer(const Shell& shell)
{
    SendMessageTimeoutW(shell.progman, kSpawnLayerMessage, 13, 1, SMTO_BLOCK, 1000, nullptr);
    SendMessageTimeoutW(shell.progman, kSpawnLayerMessage, 0, 0, SMTO_BLOCK, 1000, nullptr);
}

bool HoldsIconView(HWND window)
{
    return window && FindWindowExW(window, nullptr, L"SHELLDLL_DefView", nullptr) != nullptr;
}

// The test tavrel.exe makes of the classic layout: the window directly above
// "Progman" is the host if the window directly above that holds the icons.
bool HostSearchSucceeds(HWND progman)
{
    HWND candidate = GetWindow(progman, GW_HWNDPREV);
    return candidate && HoldsIconView(GetWindow(candidate, GW_HWNDPREV));
}

// Waits for the window order that tavrel.exe's search looks for. Under Wine
// another process may, for a few milliseconds after the stand-in has
// answered, still see the layer where it was parked before.
bool WaitForHost(const Shell& shell)
{
    return WaitUntil([&shell] { return HostSearchSucceeds(shell.progman); });
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

HWND Layer(const Shell& shell)
{
    return reinterpret_cast<HWND>(Control(shell, kCommandQueryLayer));
}

// Top-level windows of the stand-in's process that are visible.
std::vector<HWND> VisibleTopLevelsOf(const Shell& shell)
{
    std::vector<HWND> found;
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == shell.process.dwProcessId && IsWindowVisible(w))
            found.push_back(w);
    }
    return found;
}

// Children of `parent` from the top of their z-order down.
std::vector<HWND> ChildrenOf(HWND parent)
{
    std::vector<HWND> children;
    for (HWND w = GetWindow(parent, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        children.push_back(w);
    return children;
}

RECT VirtualScreen()
{
    RECT r;
    r.left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    r.top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    r.right = r.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
    r.bottom = r.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
    return r;
}

// The colour on screen at (x, y), relative to the virtual screen's corner.
COLORREF ScreenPixel(int x, int y)
{
    const RECT screen = VirtualScreen();
    HDC dc = GetDC(nullptr);
    const COLORREF color = GetPixel(dc, screen.left + x, screen.top + y);
    ReleaseDC(nullptr, dc);
    return color;
}

POINT IconCentre(int index)
{
    const Rect r = IconSquare(index);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// Points well away from the icon band, where the desktop shows wallpaper.
std::vector<POINT> WallpaperPoints()
{
    const RECT screen = VirtualScreen();
    const int w = screen.right - screen.left, h = screen.bottom - screen.top;
    return {{kIconBand.right + 10, 10}, {w / 2, h / 2}, {w - 5, h - 5}, {10, kIconBand.bottom + 20}};
}

::testing::AssertionResult ScreenShows(const std::vector<POINT>& points, COLORREF expected)
{
    if (WaitUntil([&] {
            for (POINT p : points)
                if (ScreenPixel(p.x, p.y) != expected)
                    return false;
            return true;
        }))
        return ::testing::AssertionSuccess();
    std::ostringstream text;
    text << std::hex;
    for (POINT p : points)
        text << "(" << std::dec << p.x << "," << p.y << ") shows 0x" << std::hex << ScreenPixel(p.x, p.y) << "; ";
    text << "expected 0x" << expected;
    return ::testing::AssertionFailure() << text.str();
}

::testing::AssertionResult ScreenShowsIcons()
{
    for (int i = 0; i < kIconCount; ++i) {
        auto result = ScreenShows({IconCentre(i)}, IconColor(i));
        if (!result)
            return result << " at icon " << i;
    }
    return ::testing::AssertionSuccess();
}

void RegisterTestChildClass()
{
    WNDCLASSW wc = {};
    if (GetClassInfoW(GetModuleHandleW(nullptr), kTestChildClass, &wc))
        return;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kTestChildClass;
    RegisterClassW(&wc);
}

// Gives a layered window opaque pixels of kChildColor at `place` (client
// coordinates of its parent).
void FillLayeredWindow(HWND window, const RECT& place)
{
    const int width = place.right - place.left, height = place.bottom - place.top;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC memory = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    const DWORD pixel = 0xFF000000u | (GetRValue(kChildColor) << 16) | (GetGValue(kChildColor) << 8) |
                        GetBValue(kChildColor);
    for (int i = 0; i < width * height; ++i)
        static_cast<DWORD*>(bits)[i] = pixel;
    POINT source = {0, 0};
    POINT target = {place.left, place.top};
    SIZE size = {width, height};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    UpdateLayeredWindow(window, nullptr, &target, &size, memory, &source, 0, &blend, ULW_ALPHA);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
}

// A window of this process put into a window of the stand-in the way
// tavrel.exe puts its eyes there: a layered popup owned by the host, made
// its child, placed below `below` among the host's children when given,
// and drawn with UpdateLayeredWindow.
HWND AttachChild(HWND host, const RECT& place, HWND below = nullptr)
{
    RegisterTestChildClass();
    HWND child = CreateWindowExW(WS_EX_LAYERED, kTestChildClass, nullptr, WS_POPUP | WS_DISABLED, 0, 0,
                                 place.right - place.left, place.bottom - place.top, host, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    if (!child)
        return nullptr;
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    SetWindowLongW(child, GWL_STYLE, (style & 0x3FFFFFFF) | WS_CHILD);
    SetParent(child, host);
    if (below)
        SetWindowPos(child, below, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ShowWindow(child, SW_SHOWNOACTIVATE);
    FillLayeredWindow(child, place);
    return child;
}

TEST(StandinShellClassic, IconLayerLiesDirectlyAboveProgmanBeforeThePrompt)
{
    Shell shell;
    ASSERT_TRUE(StartShell(shell));
    HWND above = GetWindow(shell.progman, GW_HWNDPREV);
    EXPECT_EQ(ClassOf(above), L"WorkerW");
    EXPECT_TRUE(HoldsIconView(above));
    EXPECT_FALSE(HostSearchSucceeds(shell.progman));
    EXPECT_EQ(Layer(shell), nullptr);
    EXPECT_EQ(VisibleTopLevelsOf(shell).size(), 2u);
    EXPECT_EQ(CloseShell(shell), static_cast<DWORD>(kExitNormal));
}

TEST(StandinShellClassic, PromptPutsTheLayerBetweenProgmanAndIcons)
{
    Shell shell;
    ASSERT_TRUE(StartShell(shell));
    PromptForLayer(shell);
    HWND layer = Layer(shell);
    ASSERT_NE(layer, nullptr);
    EXPECT_TRUE(WaitForHost(shell));
    EXPECT_EQ(GetWindow(shell.progman, GW_HWNDPREV), layer);
    EXPECT_EQ(ClassOf(layer), L"WorkerW");
    EXPECT_EQ(GetAncestor(layer, GA_PARENT), GetDesktopWindow());
    EXPECT_TRUE(IsWindowVisible(layer));
    HWND iconLayer = GetWindow(layer, GW_HWNDPREV);
    EXPECT_EQ(ClassOf(iconLayer), L"WorkerW");
    EXPECT_TRUE(HoldsIconView(iconLayer));

    RECT placed = {};
    GetWindowRect(layer, &placed);
    const RECT screen = VirtualScreen();
    EXPECT_TRUE(EqualRect(&placed, &screen));

    PromptForLayer(shell);
    EXPECT_EQ(Layer(shell), layer);
    EXPECT_EQ(Control(shell, kCommandQueryPromptCount), 2);
    EXPECT_EQ(CloseShell(shell), static_cast<DWORD>(kExitNormal));
}

TEST(StandinShellClassic, LayerOptionBuildsTheLayerWithoutAPrompt)
{
    Shell shell;
    ASSERT_TRUE(StartShell(shell, kOptionWithLayer));
    EXPECT_TRUE(WaitForHost(shell));
    EXPECT_EQ(GetWindow(shell.progman, GW_HWNDPREV), Layer(shell));
    EXPECT_EQ(Control(shell, kCommandQueryPromptCount), 0);
    EXPECT_EQ(CloseShell(shell), static_cast<DWORD>(kExitNormal));
}

TEST(StandinShellClassic, ZOrderOfOtherProgramsDoesNotMoveTheDesktop)
{
    Shell shell;
    ASSERT_TRUE(StartShell(shell));
    PromptForLayer(shell);
    HWND layer = Layer(shell);
    ASSERT_NE(layer, nullptr);
    ASSERT_TRUE(WaitForHost(shell));
    SetWindowPos(shell.progman, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(layer, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_TRUE(WaitForHost(shell));
    EXPECT_EQ(GetWindow(shell.progman, GW_HWNDPREV), layer);
    EXPECT_EQ(CloseShell(shell), static_cast<DWORD>(kExitNormal));
}

// How the answer to 0x052C is steered: by option, by command, or both.
struct AnswerCase {
    const char* name;
    const wchar_t* options;
    bool setsDelay;
    long delay;
    bool layerAtOnce;        // built when the prompt returns
    bool layerEventually;    // present within the test's patience
};

const AnswerCase kAnswerCases[] = {
    {"default answers at once", L"", false, 0, true, true},
    {"no-answer option", kOptionNoAnswer, false, 0, false, false},
    {"delay option", L"--answer-delay=3000", false, 0, false, true},
    {"delay command", L"", true, 3000, false, true},
    {"never command", L"", true, kAnswerNever, false, false},
    {"command lifts no-answer", kOptionNoAnswer, true, 0, true, true},
    {"command replaces delay option", L"--answer-delay=600000", true, 0, true, true},
};

TEST(StandinShellClassic, AnswerFollowsItsSteering)
{
    for (const AnswerCase& c : kAnswerCases) {
        SCOPED_TRACE(c.name);
        Shell shell;
        ASSERT_TRUE(StartShell(shell, c.options));
        if (c.setsDelay) {
            EXPECT_EQ(Control(shell, kCommandSetAnswerDelay, c.delay), 1);
        }
        PromptForLayer(shell);
        EXPECT_EQ(Control(shell, kCommandQueryPromptCount), 1);
        EXPECT_EQ(Layer(shell) != nullptr, c.layerAtOnce);
        if (c.layerEventually) {
            EXPECT_TRUE(WaitForHost(shell));
        } else {
            PumpFor(2000);
            EXPECT_FALSE(HostSearchSucceeds(shell.progman));
            EXPECT_EQ(Layer(shell), nullptr);
        }
        EXPECT_EQ(CloseShell(shell), static_cast<DWORD>(kExitNormal));
    }
}

TEST(StandinShellClassic, NeverCancelsAPendingAnswer)
{
    Shell shell;
    ASSERT_TRUE(StartShell(shell, L"--answer-delay=800"));
    PromptForLayer(shell);
    EXPECT_EQ(Control(shell, kCommandSetAnswerDelay, kAnswerNever), 1);
    PumpFor(2000);
    EXPECT_EQ(Layer(shell), nullptr);
    EXPECT_EQ(Control(shell, kCommandSetAnswerDelay, 0), 1);
    PromptForLayer(shell);
    EXPECT_NE(Layer(shell), nullptr);
    EXPECT_TRUE(WaitForHost(shell));
    EXPECT_EQ(CloseShell(shell), static_cast<DWORD>(kExitNormal));
}

TEST(StandinShellClassic, DestroyTakesTheLayerAndItsChildrenAndAPromptRebuildsIt)
{
    Shell shell;
    ASSERT_TRUE(StartShell(shell));
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        PromptForLayer(shell);
        HWND layer = Layer(shell);
        ASSERT_NE(layer, nullptr);
        ASSERT_TRUE(WaitForHost(shell));
        HWND child = AttachChild(layer, {0, 0, 50, 50});
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(Control(shell, kCommandDestroyLayer), 1);
        EXPECT_TRUE(WaitUntil([child] { return !IsWindow(child); }));
        EXPECT_FALSE(IsWindow(layer));
        EXPECT_EQ(Layer(shell), nullptr);
        EXPECT_FALSE(HostSearchSucceeds(shell.progman));
    }
    EXPECT_EQ(Control(shell, kCommandDestroyLayer), 0);
    EXPECT_EQ(CloseShell(shell), static_cast<DWORD>(kExitNormal));
}

// Under Wine a layered child of another program's window gets an X window of
// its own above every window of the stand-in, so whether the icons stay in
// front of such a child cannot be seen on this screen; the children that the
// screen tests attach stay clear of the icon band.
const RECT kChildClearOfIcons = {kIconBand.right + 20, 20, kIconBand.right + 320, 320};
const POINT kInsideChild = {kIconBand.right + 50, 40};

TEST(StandinShellClassic, ScreenShowsWallpaperAndIconsInFrontOfEveryLayer)
{
    Shell shell;
    ASSERT_TRUE(StartShell(shell));
    EXPECT_TRUE(ScreenShows(WallpaperPoints(), kWallpaperColor));
    EXPECT_TRUE(ScreenShowsIcons());
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        PromptForLayer(shell);
        HWND layer = Layer(shell);
        ASSERT_NE(layer, nullptr);
        EXPECT_TRUE(ScreenShows(WallpaperPoints(), kWallpaperColor));
        EXPECT_TRUE(ScreenShowsIcons());
        HWND child = AttachChild(layer, kChildClearOfIcons);
        ASSERT_NE(child, nullptr);
        EXPECT_TRUE(ScreenShows({kInsideChild}, kChildColor));
        EXPECT_TRUE(ScreenShowsIcons());
        Control(shell, kCommandDestroyLayer);
        EXPECT_TRUE(ScreenShows({kInsideChild}, kWallpaperColor));
        EXPECT_TRUE(ScreenShowsIcons());
    }
    EXPECT_EQ(CloseShell(shell), static_cast<DWORD>(kExitNormal));
}

TEST(StandinShell24h2, IconsAndWallpaperLiveInsideProgman)
{
    Shell shell;
    ASSERT_TRUE(StartShell(shell, kOptionLayout24h2));
    EXPECT_TRUE(HoldsIconView(shell.progman));
    EXPECT_EQ(FindWindowExW(shell.progman, nullptr, L"WorkerW", nullptr), nullptr);
    EXPECT_EQ(VisibleTopLevelsOf(shell), std::vector<HWND>{shell.progman});
    EXPECT_FALSE(HostSearchSucceeds(shell.progman));
    EXPECT_EQ(GetWindowLongW(shell.progman, GWL_EXSTYLE) & 0x00200000, 0);

    PromptForLayer(shell);
    HWND layer = Layer(shell);
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(GetParent(layer), shell.progman);
    EXPECT_EQ(ClassOf(layer), L"WorkerW");
    EXPECT_TRUE(IsWindowVisible(layer));
    const std::vector<HWND> children = ChildrenOf(shell.progman);
    ASSERT_EQ(children.size(), 2u);
    EXPECT_EQ(ClassOf(children[0]), L"SHELLDLL_DefView");
    EXPECT_EQ(children[1], layer);
    EXPECT_EQ(VisibleTopLevelsOf(shell), std::vector<HWND>{shell.progman});
    EXPECT_FALSE(HostSearchSucceeds(shell.progman));
    EXPECT_EQ(CloseShell(shell), static_cast<DWORD>(kExitNormal));
}

TEST(StandinShell24h2, RebuildRemovesEverythingButTheIconView)
{
    Shell shell;
    ASSERT_TRUE(StartShell(shell, kOptionLayout24h2));
    HWND iconView = FindWindowExW(shell.progman, nullptr, L"SHELLDLL_DefView", nullptr);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        PromptForLayer(shell);
        HWND layer = Layer(shell);
        ASSERT_NE(layer, nullptr);
        HWND child = AttachChild(shell.progman, {200, 200, 250, 250}, iconView);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(ChildrenOf(shell.progman), (std::vector<HWND>{iconView, child, layer}));

        EXPECT_EQ(Control(shell, kCommandDestroyLayer), 2);
        EXPECT_TRUE(WaitUntil([child] { return !IsWindow(child); }));
        EXPECT_FALSE(IsWindow(layer));
        EXPECT_EQ(ChildrenOf(shell.progman), std::vector<HWND>{iconView});
        EXPECT_EQ(Layer(shell), nullptr);
    }
    EXPECT_EQ(CloseShell(shell), static_cast<DWORD>(kExitNormal));
}

TEST(StandinShell24h2, ScreenShowsWallpaperAndIcons)
{
    Shell shell;
    ASSERT_TRUE(StartShell(shell, kOptionLayout24h2));
    EXPECT_TRUE(ScreenShows(WallpaperPoints(), kWallpaperColor));
    EXPECT_TRUE(ScreenShowsIcons());
    PromptForLayer(shell);
    ASSERT_NE(Layer(shell), nullptr);
    EXPECT_TRUE(ScreenShows(WallpaperPoints(), kWallpaperColor));
    EXPECT_TRUE(ScreenShowsIcons());

    HWND iconView = FindWindowExW(shell.progman, nullptr, L"SHELLDLL_DefView", nullptr);
    HWND child = AttachChild(shell.progman, kChildClearOfIcons, iconView);
    ASSERT_NE(child, nullptr);
    EXPECT_TRUE(ScreenShows({kInsideChild}, kChildColor));
    EXPECT_TRUE(ScreenShowsIcons());
    EXPECT_EQ(Control(shell, kCommandDestroyLayer), 2);
    EXPECT_TRUE(ScreenShows({kInsideChild}, kWallpaperColor));
    EXPECT_EQ(CloseShell(shell), static_cast<DWORD>(kExitNormal));
}

TEST(StandinShell24h2, NoRedirectionLayoutBuildsNoWallpaperChild)
{
    Shell shell;
    ASSERT_TRUE(StartShell(shell, kOptionLayout24h2NoRedirection));
    EXPECT_NE(GetWindowLongW(shell.progman, GWL_EXSTYLE) & 0x00200000, 0);
    EXPECT_TRUE(HoldsIconView(shell.progman));
    PromptForLayer(shell);
    EXPECT_EQ(Control(shell, kCommandQueryPromptCount), 1);
    EXPECT_EQ(Layer(shell), nullptr);
    EXPECT_EQ(FindWindowExW(shell.progman, nullptr, L"WorkerW", nullptr), nullptr);
    EXPECT_EQ(ChildrenOf(shell.progman).size(), 1u);
    EXPECT_EQ(VisibleTopLevelsOf(shell), std::vector<HWND>{shell.progman});
    EXPECT_EQ(CloseShell(shell), static_cast<DWORD>(kExitNormal));
}

struct RefusalCase {
    const wchar_t* options;
    int exitCode;
};

const RefusalCase kRefusals[] = {
    {L"--layout=win95", kExitBadCommandLine},
    {L"--answer-delay=", kExitBadCommandLine},
    {L"--answer-delay=abc", kExitBadCommandLine},
    {L"--answer-delay=-5", kExitBadCommandLine},
    {L"--answer-delay=12x", kExitBadCommandLine},
    {L"", kExitShellPresent},
};

TEST(StandinShell, SecondShellAndUnknownOptionsAreRefused)
{
    Shell first;
    ASSERT_TRUE(StartShell(first));
    for (const RefusalCase& c : kRefusals) {
        SCOPED_TRACE(testing::Message() << "options: " << std::string(c.options, c.options + wcslen(c.options)));
        Shell second;
        ASSERT_TRUE(Launch(second, c.options));
        ASSERT_EQ(WaitForSingleObject(second.process.hProcess, kPatience), WAIT_OBJECT_0);
        DWORD code = 0;
        GetExitCodeProcess(second.process.hProcess, &code);
        EXPECT_EQ(code, static_cast<DWORD>(c.exitCode));
    }
    EXPECT_EQ(FindProgmanOf(first.process.dwProcessId), first.progman);
    EXPECT_EQ(CloseShell(first), static_cast<DWORD>(kExitNormal));
}

} // namespace
