// A stand-in for the Windows desktop shell, for systems that have none
// (Wine): the "Progman" wallpaper window, the icon layer with its
// "SHELLDLL_DefView", and the wallpaper layer that message 0x052C asks for.
// standin_shell_protocol.h describes the layouts, the options and the
// control commands; this file only builds and paints the windows.
//
// Wine keeps its own X stacking of top-level windows: it raises an X window
// when its window becomes the topmost one, but a window moved below a
// sibling keeps its old place on screen. So the top-level windows of the
// classic layout are created bottom-up at start-up, the wallpaper layers
// among them hidden and parked below "Progman" in the Win32 z-order, and
// 0x052C shows one of them in place. On Windows creating the layer on
// demand would do as well.
#include <windows.h>
#include <shellapi.h>
#include <objbase.h>

#include <cwchar>
#include <vector>

#include "standin_shell_protocol.h"

namespace {

using namespace standin_shell;

// Not declared by the headers for the Windows 7 target this project builds
// for; the value is the system's.
constexpr LONG kExNoRedirectionBitmap = 0x00200000;

constexpr wchar_t kProgmanClass[] = L"Progman";
constexpr wchar_t kProgmanTitle[] = L"Program Manager";
constexpr wchar_t kWorkerClass[] = L"WorkerW";
constexpr wchar_t kDefViewClass[] = L"SHELLDLL_DefView";

// Transparent colour of the icon layer; no icon or label uses it.
constexpr COLORREF kColorKey = RGB(255, 0, 255);
constexpr COLORREF kGradientTop = RGB(24, 40, 88);
constexpr COLORREF kGradientBottom = RGB(120, 170, 200);
constexpr int kGradientBands = 128;

constexpr UINT_PTR kAnswerTimerId = 1;

// Hidden wallpaper layers made at start-up, one for each time the layer is
// rebuilt. When they are used up, a new layer is created on demand, which
// under Wine appears on top of every window.
constexpr int kSpareLayerCount = 32;

constexpr const wchar_t* kIconLabels[kIconCount] = {L"PC", L"Files", L"Bin", L"Net"};

enum class Layout { Classic, Newer, NewerNoRedirection };

constexpr wchar_t kTrayClass[] = L"Shell_TrayWnd";
constexpr UINT kWmApp = 0x8000;

// The head of the record in which Wine's Shell_NotifyIconW hands an icon to
// the notification area, through WM_COPYDATA with the NIM_ code as dwData.
// The icon's picture follows the head; its width says whether there is one.
struct WineNotifyData {
    LONG window;
    UINT id;
    UINT flags;
    UINT callbackMessage;
    WCHAR tip[128];
    BYTE notShown[944 - 272];  // state, balloon texts and flags, and the icon's GUID
    UINT iconWidth;
};

// One icon of the notification area, as the program that added it gave it.
struct TrayIcon {
    HWND window;
    UINT id;
    UINT flags;
    UINT callbackMessage;
    bool tipIsTavrel;
    bool picture;
};

struct ShellState {
    HINSTANCE instance;
    Layout layout;
    bool gradient;
    bool withLayer;
    bool hold;
    bool loseLayerOnIcon;
    HWND tray;
    std::vector<TrayIcon> icons;
    long answerDelay;          // milliseconds, or kAnswerNever
    long answerLate;           // milliseconds the sender of 0x052C is held
    UINT controlMessage;
    RECT screen;               // the virtual screen
    HWND progman;
    HWND iconLayer;            // classic layout only
    HWND defView;
    HWND layer;                // the wallpaper layer while it is shown
    std::vector<HWND> spareLayers;
    HFONT labelFont;
    bool restacking;           // our own z-order change is under way
    bool answerPending;        // the answer timer runs
    bool ready;
    DWORD destroyedAt;         // GetTickCount() when the layer was last destroyed
    std::vector<DWORD> prompts; // when each prompt came since then
};

ShellState g_shell;

int ScreenWidth() { return g_shell.screen.right - g_shell.screen.left; }
int ScreenHeight() { return g_shell.screen.bottom - g_shell.screen.top; }

// The desktop's windows leave the screen's bottom row of pixels uncovered.
// Wine holds an X pointer grab while a window covers the whole screen, and
// the grab keeps SetCursorPos from moving the X pointer, from which Wine
// soon reads the cursor's place back: the cursor would not stay where a
// program puts it.
int DesktopHeight() { return ScreenHeight() - 1; }

RECT ReadVirtualScreen()
{
    RECT r;
    r.left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    r.top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    r.right = r.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
    r.bottom = r.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
    return r;
}

// Reads the options into g_shell; false on anything it does not know.
bool ParseCommandLine()
{
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!args)
        return false;
    bool ok = true;
    // A number of milliseconds after the option's prefix, up to an hour.
    auto milliseconds = [&ok](const wchar_t* arg, const wchar_t* prefix, long& value) {
        if (wcsncmp(arg, prefix, wcslen(prefix)) != 0)
            return false;
        const wchar_t* digits = arg + wcslen(prefix);
        wchar_t* end = nullptr;
        value = wcstol(digits, &end, 10);
        ok = *digits >= L'0' && *digits <= L'9' && *end == L'\0' && value >= 0 && value <= 3600000;
        return true;
    };
    for (int i = 1; i < count && ok; ++i) {
        const wchar_t* arg = args[i];
        if (wcscmp(arg, kOptionLayoutClassic) == 0) {
            g_shell.layout = Layout::Classic;
        } else if (wcscmp(arg, kOptionLayout24h2) == 0) {
            g_shell.layout = Layout::Newer;
        } else if (wcscmp(arg, kOptionLayout24h2NoRedirection) == 0) {
            g_shell.layout = Layout::NewerNoRedirection;
        } else if (wcscmp(arg, kOptionNoAnswer) == 0) {
            g_shell.answerDelay = kAnswerNever;
        } else if (wcscmp(arg, kOptionWithLayer) == 0) {
            g_shell.withLayer = true;
        } else if (wcscmp(arg, kOptionGradient) == 0) {
            g_shell.gradient = true;
        } else if (wcscmp(arg, kOptionHold) == 0) {
            g_shell.hold = true;
        } else if (wcscmp(arg, kOptionLoseLayerOnIcon) == 0) {
            g_shell.loseLayerOnIcon = true;
        } else if (!milliseconds(arg, kOptionAnswerDelayPrefix, g_shell.answerDelay) &&
                   !milliseconds(arg, kOptionAnswerLatePrefix, g_shell.answerLate)) {
            ok = false;
        }
    }
    LocalFree(args);
    return ok;
}

// Fills `area` (client coordinates of `window`) with the wallpaper as it lies
// on the virtual screen, so that every window painting it matches the others.
void PaintWallpaper(HWND window, HDC dc, const RECT& area)
{
    if (!g_shell.gradient) {
        HBRUSH brush = CreateSolidBrush(kWallpaperColor);
        FillRect(dc, &area, brush);
        DeleteObject(brush);
        return;
    }
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    const int height = ScreenHeight() > 0 ? ScreenHeight() : 1;
    for (int band = 0; band < kGradientBands; ++band) {
        const int top = g_shell.screen.top + height * band / kGradientBands - origin.y;
        const int bottom = g_shell.screen.top + height * (band + 1) / kGradientBands - origin.y;
        if (bottom <= area.top || top >= area.bottom)
            continue;
        auto mix = [band](int from, int to) { return from + (to - from) * band / (kGradientBands - 1); };
        const COLORREF color = RGB(mix(GetRValue(kGradientTop), GetRValue(kGradientBottom)),
                                   mix(GetGValue(kGradientTop), GetGValue(kGradientBottom)),
                                   mix(GetBValue(kGradientTop), GetBValue(kGradientBottom)));
        const RECT strip = {area.left, top, area.right, bottom};
        HBRUSH brush = CreateSolidBrush(color);
        FillRect(dc, &strip, brush);
        DeleteObject(brush);
    }
}

// Draws the icons of the band, whose top-left corner is at `origin` in the
// client coordinates of the window painted. The labels are drawn without
// anti-aliasing so that no blended pixel lands near the colour key.
void PaintIcons(HDC dc, POINT origin)
{
    for (int i = 0; i < kIconCount; ++i) {
        const Rect square = IconSquare(i);
        const RECT fill = {origin.x + square.left, origin.y + square.top, origin.x + square.right,
                           origin.y + square.bottom};
        HBRUSH brush = CreateSolidBrush(IconColor(i));
        FillRect(dc, &fill, brush);
        DeleteObject(brush);

        const int cellTop = origin.y + i * kIconCellHeight;
        RECT label = {origin.x, cellTop + kIconLabelTop, origin.x + kIconCellWidth,
                      cellTop + kIconCellHeight};
        HGDIOBJ oldFont = SelectObject(dc, g_shell.labelFont);
        SetBkMode(dc, TRANSPARENT);
        OffsetRect(&label, 1, 1);
        SetTextColor(dc, RGB(0, 0, 0));
        DrawTextW(dc, kIconLabels[i], -1, &label, DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
        OffsetRect(&label, -1, -1);
        SetTextColor(dc, RGB(255, 255, 255));
        DrawTextW(dc, kIconLabels[i], -1, &label, DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc, oldFont);
    }
}

// Keeps the desktop's windows where the stand-in put them: no other program
// (nor a click) moves them in the z-order.
void OnWindowPosChanging(WINDOWPOS* pos)
{
    if (!g_shell.restacking)
        pos->flags |= SWP_NOZORDER;
}

// SetWindowPos for the stand-in's own z-order changes.
void PlaceWindow(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags)
{
    g_shell.restacking = true;
    SetWindowPos(window, insertAfter, x, y, cx, cy, flags | SWP_NOACTIVATE);
    g_shell.restacking = false;
}

// The desktop's top-level windows are disabled: Wine, unlike Windows,
// activates a WS_EX_NOACTIVATE window when the active window goes, and so
// lifts it above the others; it never activates a disabled one.
HWND CreateTopLevel(const wchar_t* className, const wchar_t* title, DWORD exStyle, DWORD style)
{
    g_shell.restacking = true;
    HWND window = CreateWindowExW(exStyle | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, className, title,
                                  style | WS_POPUP | WS_CLIPCHILDREN | WS_DISABLED, g_shell.screen.left,
                                  g_shell.screen.top, ScreenWidth(), DesktopHeight(), nullptr,
                                  nullptr, g_shell.instance, nullptr);
    g_shell.restacking = false;
    return window;
}

HWND CreateChild(const wchar_t* className, HWND parent, const RECT& place, DWORD style)
{
    g_shell.restacking = true;
    HWND window = CreateWindowExW(0, className, nullptr,
                                  style | WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, place.left,
                                  place.top, place.right - place.left, place.bottom - place.top,
                                  parent, nullptr, g_shell.instance, nullptr);
    g_shell.restacking = false;
    return window;
}

RECT IconBandRect()
{
    return {kIconBand.left, kIconBand.top, kIconBand.right, kIconBand.bottom};
}

RECT ScreenClientRect()
{
    return {0, 0, ScreenWidth(), DesktopHeight()};
}

// Lays the classic desktop's stack anew below the icon layer: the wallpaper
// layer, then "Progman". Under Wine, attaching another program's window to
// the layer, or that program's end, can move the layer (and so the stack
// around it) without asking, even above the icon layer. The icon layer
// stays where it is: lifting it to the top would put the desktop above the
// other programs' windows, which the shell never does.
void LayClassicStack(HWND layer)
{
    PlaceWindow(layer, g_shell.iconLayer, g_shell.screen.left, g_shell.screen.top, ScreenWidth(), DesktopHeight(), 0);
    PlaceWindow(g_shell.progman, layer, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

// Shows the wallpaper layer: in the classic layout a top-level window
// directly below the icon layer, in the newer one a child at the bottom of
// Progman's children.
void BuildLayer()
{
    if (g_shell.layer || g_shell.layout == Layout::NewerNoRedirection)
        return;
    if (g_shell.layout == Layout::Newer) {
        HWND layer = CreateChild(kWorkerClass, g_shell.progman, ScreenClientRect(), 0);
        if (!layer)
            return;
        PlaceWindow(layer, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        PlaceWindow(layer, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
        g_shell.layer = layer;
        return;
    }
    HWND layer = nullptr;
    if (!g_shell.spareLayers.empty()) {
        layer = g_shell.spareLayers.back();
        g_shell.spareLayers.pop_back();
    } else {
        layer = CreateTopLevel(kWorkerClass, nullptr, 0, 0);
    }
    if (!layer)
        return;
    // The layer takes its place in the z-order while it is still hidden, so
    // that it is never shown anywhere else, and is reported only once it is
    // in place and shown.
    LayClassicStack(layer);
    PlaceWindow(layer, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
    g_shell.layer = layer;
}

// The layer is about to go: the prompts for a new one are timed from now.
void StartLossClock()
{
    g_shell.destroyedAt = GetTickCount();
    g_shell.prompts.clear();
}

// The shell's rebuild of the desktop. A window of another thread cannot be
// destroyed directly, so foreign children of Progman are first moved into a
// hidden window of ours and go with it, as a child goes with its parent.
LRESULT DestroyLayer()
{
    LRESULT destroyed = 0;
    if (g_shell.layout == Layout::Classic) {
        if (g_shell.layer) {
            DestroyWindow(g_shell.layer);
            g_shell.layer = nullptr;
            destroyed = 1;
        }
        return destroyed;
    }
    std::vector<HWND> foreign;
    for (HWND child = GetWindow(g_shell.progman, GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (child != g_shell.defView && child != g_shell.layer)
            foreign.push_back(child);
    }
    if (g_shell.layer) {
        DestroyWindow(g_shell.layer);
        g_shell.layer = nullptr;
        ++destroyed;
    }
    if (foreign.empty())
        return destroyed;
    HWND bin = CreateChild(kWorkerClass, g_shell.progman, RECT{0, 0, 0, 0}, 0);
    if (!bin)
        return destroyed;
    for (HWND child : foreign) {
        if (SetParent(child, bin))
            ++destroyed;
    }
    DestroyWindow(bin);
    return destroyed;
}

// A shell that hands the windows of other programs in its layer to the
// desktop before it destroys the layer: they become top-level windows and
// are never destroyed. SetParent on another thread's window waits until
// that thread has carried it out.
LRESULT OrphanLayer()
{
    HWND holder = g_shell.layout == Layout::Classic ? g_shell.layer : g_shell.progman;
    std::vector<HWND> foreign;
    for (HWND child = holder ? GetWindow(holder, GW_CHILD) : nullptr; child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetWindowThreadProcessId(child, nullptr) != GetCurrentThreadId())
            foreign.push_back(child);
    }
    LRESULT orphaned = 0;
    for (HWND child : foreign) {
        if (SetParent(child, nullptr))
            ++orphaned;
    }
    return orphaned + DestroyLayer();
}

// A request for the wallpaper layer: answered at once, after the answer
// delay, or never. A layer that exists already is put back in its place.
void RequestLayer()
{
    if (g_shell.layer && g_shell.layout == Layout::Classic)
        LayClassicStack(g_shell.layer);
    if (g_shell.layer || g_shell.answerPending || g_shell.answerDelay == kAnswerNever ||
        g_shell.layout == Layout::NewerNoRedirection)
        return;
    if (g_shell.answerDelay == 0) {
        Sleep(DWORD(g_shell.answerLate));
        BuildLayer();
        return;
    }
    if (SetTimer(g_shell.progman, kAnswerTimerId, static_cast<UINT>(g_shell.answerDelay), nullptr))
        g_shell.answerPending = true;
}

LRESULT OnSpawnLayer(WPARAM wParam, LPARAM lParam)
{
    if (wParam == 13 && lParam == 1) {
        g_shell.prompts.push_back(GetTickCount() - g_shell.destroyedAt);
        RequestLayer();
    }
    return 0;
}

void OnAnswerTimer(UINT_PTR id)
{
    if (id != kAnswerTimerId)
        return;
    KillTimer(g_shell.progman, kAnswerTimerId);
    g_shell.answerPending = false;
    BuildLayer();
}

TrayIcon* FindIcon(HWND window, UINT id)
{
    for (TrayIcon& icon : g_shell.icons) {
        if (icon.window == window && icon.id == id)
            return &icon;
    }
    return nullptr;
}

// NIM_ADD, NIM_MODIFY and NIM_DELETE from Shell_NotifyIconW, which fail
// (the handler returns 0) for an icon that is there or missing as the
// system's own notification area would have it.
LRESULT OnNotifyIcon(const COPYDATASTRUCT* copy)
{
    if (copy->cbData < sizeof(WineNotifyData))
        return FALSE;
    const WineNotifyData* data = static_cast<const WineNotifyData*>(copy->lpData);
    HWND window = reinterpret_cast<HWND>(static_cast<LONG_PTR>(data->window));
    TrayIcon* icon = FindIcon(window, data->id);
    if (copy->dwData == NIM_DELETE) {
        if (icon == nullptr)
            return FALSE;
        g_shell.icons.erase(g_shell.icons.begin() + (icon - g_shell.icons.data()));
        return TRUE;
    }
    if ((copy->dwData == NIM_ADD) == (icon != nullptr) || copy->dwData > NIM_MODIFY)
        return FALSE;
    if (icon == nullptr) {
        g_shell.icons.push_back(TrayIcon{window, data->id, 0, 0, false, false});
        icon = &g_shell.icons.back();
        if (g_shell.loseLayerOnIcon) {
            g_shell.loseLayerOnIcon = false;
            StartLossClock();
            DestroyLayer();
        }
    }
    icon->flags |= data->flags;
    if (data->flags & NIF_MESSAGE)
        icon->callbackMessage = data->callbackMessage;
    if (data->flags & NIF_TIP)
        icon->tipIsTavrel = wcscmp(data->tip, L"Tavrel") == 0;
    if (data->flags & NIF_ICON)
        icon->picture = data->iconWidth > 0;
    return TRUE;
}

LRESULT IconBits(HWND window)
{
    const TrayIcon* icon = FindIcon(window, 1);
    if (icon == nullptr)
        return 0;
    unsigned bits = kIconPresent;
    if ((icon->flags & NIF_MESSAGE) && icon->callbackMessage == kWmApp)
        bits |= kIconCallbackIsWmApp;
    if ((icon->flags & NIF_TIP) && icon->tipIsTavrel)
        bits |= kIconTipIsTavrel;
    if ((icon->flags & NIF_ICON) && icon->picture)
        bits |= kIconHasPicture;
    return LRESULT(bits);
}

// A click on the newest icon, reported to its window as the shell does for
// an icon without NIM_SETVERSION: the callback message with the icon's id
// and the mouse message.
LRESULT ClickIcon(LPARAM mouseMessage, bool send)
{
    if (g_shell.icons.empty())
        return 0;
    const TrayIcon& icon = g_shell.icons.back();
    if (!send)
        return PostMessageW(icon.window, icon.callbackMessage, icon.id, mouseMessage) ? 1 : 0;
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(icon.window, icon.callbackMessage, icon.id, mouseMessage, SMTO_NORMAL, 5000, &result)
               ? 1
               : 2;
}

LRESULT OnControl(WPARAM command, LPARAM argument)
{
    switch (command) {
    case kCommandQueryReady:
        return g_shell.ready ? 1 : 0;
    case kCommandSetAnswerDelay:
        if (argument < kAnswerNever)
            return 0;
        g_shell.answerDelay = static_cast<long>(argument);
        if (argument == kAnswerNever && g_shell.answerPending) {
            KillTimer(g_shell.progman, kAnswerTimerId);
            g_shell.answerPending = false;
        }
        return 1;
    case kCommandDestroyLayer:
        StartLossClock();
        return DestroyLayer();
    case kCommandOrphanLayer:
        StartLossClock();
        return OrphanLayer();
    case kCommandQueryLayer:
        return reinterpret_cast<LRESULT>(g_shell.layer);
    case kCommandQueryPromptCount:
        return LRESULT(g_shell.prompts.size());
    case kCommandQueryPromptTime:
        return argument >= 1 && size_t(argument) <= g_shell.prompts.size() ? LRESULT(g_shell.prompts[argument - 1])
                                                                           : kNoPrompt;
    case kCommandQueryIcon:
        return IconBits(reinterpret_cast<HWND>(argument));
    case kCommandPostIconMessage:
        return ClickIcon(argument, false);
    case kCommandSendIconMessage:
        return ClickIcon(argument, true);
    case kCommandQueryIconCount:
        return LRESULT(g_shell.icons.size());
    default:
        return 0;
    }
}

// Follows a change of the screen: every desktop window covers the new
// virtual screen.
void OnDisplayChange()
{
    g_shell.screen = ReadVirtualScreen();
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    const int x = g_shell.screen.left, y = g_shell.screen.top;
    SetWindowPos(g_shell.progman, nullptr, x, y, ScreenWidth(), DesktopHeight(), flags);
    if (g_shell.layout == Layout::Classic) {
        SetWindowPos(g_shell.iconLayer, nullptr, x, y, ScreenWidth(), DesktopHeight(), flags);
        SetWindowPos(g_shell.defView, nullptr, 0, 0, ScreenWidth(), DesktopHeight(), flags);
        for (HWND spare : g_shell.spareLayers)
            SetWindowPos(spare, nullptr, x, y, ScreenWidth(), DesktopHeight(), flags);
        if (g_shell.layer)
            SetWindowPos(g_shell.layer, nullptr, x, y, ScreenWidth(), DesktopHeight(), flags);
    } else if (g_shell.layer) {
        SetWindowPos(g_shell.layer, nullptr, 0, 0, ScreenWidth(), DesktopHeight(), flags);
    }
}

// Progman, each wallpaper layer and the 24h2 "WorkerW" paint the wallpaper;
// the icon layer paints its colour key.
void OnPaintDesktop(HWND window)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (window == g_shell.iconLayer) {
        HBRUSH brush = CreateSolidBrush(kColorKey);
        FillRect(dc, &ps.rcPaint, brush);
        DeleteObject(brush);
    } else {
        PaintWallpaper(window, dc, ps.rcPaint);
    }
    EndPaint(window, &ps);
}

// The icon view: the colour key around the icons in the classic layout,
// where it fills the transparent icon layer; the wallpaper around them in
// the newer layout, where it covers the icon band alone.
void OnPaintDefView(HWND window)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (g_shell.layout == Layout::Classic) {
        HBRUSH brush = CreateSolidBrush(kColorKey);
        FillRect(dc, &ps.rcPaint, brush);
        DeleteObject(brush);
    } else {
        PaintWallpaper(window, dc, ps.rcPaint);
    }
    PaintIcons(dc, POINT{0, 0});
    EndPaint(window, &ps);
}

// Ends the stand-in. Its windows go with the process, all at once, as the
// desktop of a shell that quits.
void OnClose()
{
    PostQuitMessage(kExitNormal);
}

LRESULT CALLBACK ProgmanProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == g_shell.controlMessage && message != 0)
        return OnControl(wParam, lParam);
    switch (message) {
    case kSpawnLayerMessage:
        return OnSpawnLayer(wParam, lParam);
    case WM_TIMER:
        OnAnswerTimer(wParam);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        OnPaintDesktop(window);
        return 0;
    case WM_WINDOWPOSCHANGING:
        OnWindowPosChanging(reinterpret_cast<WINDOWPOS*>(lParam));
        return 0;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_DISPLAYCHANGE:
        OnDisplayChange();
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK WorkerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        OnPaintDesktop(window);
        return 0;
    case WM_WINDOWPOSCHANGING:
        OnWindowPosChanging(reinterpret_cast<WINDOWPOS*>(lParam));
        return 0;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_CLOSE:
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK DefViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        OnPaintDefView(window);
        return 0;
    case WM_WINDOWPOSCHANGING:
        OnWindowPosChanging(reinterpret_cast<WINDOWPOS*>(lParam));
        return 0;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK TrayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COPYDATA)
        return OnNotifyIcon(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterClasses()
{
    struct ClassEntry {
        const wchar_t* name;
        WNDPROC proc;
    };
    const ClassEntry classes[] = {
        {kProgmanClass, ProgmanProc},
        {kWorkerClass, WorkerProc},
        {kDefViewClass, DefViewProc},
        {kTrayClass, TrayProc},
    };
    for (const ClassEntry& entry : classes) {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = entry.proc;
        wc.hInstance = g_shell.instance;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = entry.name;
        if (!RegisterClassExW(&wc))
            return false;
    }
    return true;
}

// Bottom-up: Progman, the hidden spare layers parked below it, then the icon
// layer with the icon view, shown last so that it is the topmost of them.
bool CreateClassicDesktop()
{
    g_shell.progman = CreateTopLevel(kProgmanClass, kProgmanTitle, 0, WS_VISIBLE);
    if (!g_shell.progman)
        return false;
    for (int i = 0; i < kSpareLayerCount; ++i) {
        HWND spare = CreateTopLevel(kWorkerClass, nullptr, 0, 0);
        if (!spare)
            return false;
        PlaceWindow(spare, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        g_shell.spareLayers.push_back(spare);
    }
    g_shell.iconLayer = CreateTopLevel(kWorkerClass, nullptr, WS_EX_LAYERED, 0);
    if (!g_shell.iconLayer)
        return false;
    SetLayeredWindowAttributes(g_shell.iconLayer, kColorKey, 0, LWA_COLORKEY);
    g_shell.defView = CreateChild(kDefViewClass, g_shell.iconLayer, ScreenClientRect(), WS_VISIBLE);
    if (!g_shell.defView)
        return false;
    PlaceWindow(g_shell.iconLayer, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    return true;
}

// Progman alone at the top level, the icon view among its children.
// WS_EX_NOREDIRECTIONBITMAP leaves a window without a surface for GDI on
// Windows, where the real shell composes that desktop otherwise; the
// stand-in paints its wallpaper all the same.
bool CreateNewerDesktop()
{
    const DWORD exStyle = g_shell.layout == Layout::NewerNoRedirection ? kExNoRedirectionBitmap : 0;
    g_shell.progman = CreateTopLevel(kProgmanClass, kProgmanTitle, exStyle, WS_VISIBLE);
    if (!g_shell.progman)
        return false;
    g_shell.defView = CreateChild(kDefViewClass, g_shell.progman, IconBandRect(), WS_VISIBLE);
    return g_shell.defView != nullptr;
}

int RunMessageLoop()
{
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    g_shell.instance = instance;
    g_shell.layout = Layout::Classic;
    if (!ParseCommandLine())
        return kExitBadCommandLine;
    if (FindWindowW(kProgmanClass, nullptr))
        return kExitShellPresent;
    // Wine gives a thread that enters COM (as some system components do on
    // their own, later) a hidden top-level window. Entering COM before any
    // desktop window exists keeps that window below "Progman", where it
    // cannot come between the desktop's layers.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    g_shell.controlMessage = RegisterWindowMessageW(kControlMessageName);
    g_shell.destroyedAt = GetTickCount();
    g_shell.screen = ReadVirtualScreen();
    g_shell.labelFont = CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                    NONANTIALIASED_QUALITY, DEFAULT_PITCH, L"Tahoma");
    if (!RegisterClasses())
        return kExitCannotStart;
    if (g_shell.hold) {
        HANDLE held = OpenEventW(EVENT_MODIFY_STATE, FALSE, kHeldEventName);
        if (held != nullptr) {
            SetEvent(held);
            CloseHandle(held);
        }
        HANDLE go = OpenEventW(SYNCHRONIZE, FALSE, kHoldEventName);
        const bool released = go != nullptr && WaitForSingleObject(go, 60000) == WAIT_OBJECT_0;
        if (go != nullptr)
            CloseHandle(go);
        if (!released)
            return kExitCannotStart;
    }
    const bool created = g_shell.layout == Layout::Classic ? CreateClassicDesktop()
                                                           : CreateNewerDesktop();
    // The notification area comes last, so that it is the first
    // "Shell_TrayWnd" a program finds, above Wine's own.
    g_shell.tray = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kTrayClass, nullptr, WS_POPUP, 0, 0, 0, 0,
                                   nullptr, nullptr, instance, nullptr);
    if (!created || g_shell.tray == nullptr || FindWindowW(kTrayClass, nullptr) != g_shell.tray)
        return kExitCannotStart;
    if (g_shell.withLayer)
        BuildLayer();
    g_shell.ready = true;
    // A shell that (re)starts tells every program that its taskbar is new,
    // so that they put their notification icons back.
    SendNotifyMessageW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    return RunMessageLoop();
}
