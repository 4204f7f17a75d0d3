#pragma once
// What standin_shell.exe and the tests that drive it agree on. This header
// does not include <windows.h>: it only states names, numbers and rectangles.
//
// The stand-in plays the part of the Windows desktop shell where there is
// none (Wine). It builds the windows that a program attaching itself behind
// the desktop icons looks for, in one of two layouts:
//
// Classic layout (Windows 10, the default), top-level windows from the
// bottom of the z-order up:
//   "Progman"   the whole virtual screen but its bottom row of pixels (see
//               standin_shell.cpp), painting the wallpaper;
//   "WorkerW"   the wallpaper layer, present only after message 0x052C with
//               wParam 13 / lParam 1; it paints the same wallpaper, so that a
//               child put into it shows between the wallpaper and the icons;
//   "WorkerW"   the icon layer, holding the icon view "SHELLDLL_DefView"; it
//               covers the same but is transparent (colour
//               key) everywhere outside the icons.
// Before 0x052C the window directly above "Progman" is the icon layer, so the
// window above that one holds no "SHELLDLL_DefView"; afterwards the window
// directly above "Progman" is the wallpaper layer, and the one above it is
// the icon layer.
//
// Layout "24h2" (Windows 11 24H2): "Progman" is the desktop's only top-level
// window. "SHELLDLL_DefView" is a child of "Progman" covering the icon band
// below; 0x052C adds a child of "Progman" of class "WorkerW", covering the
// whole client area and painting the wallpaper. It goes to the bottom of
// Progman's children, so it lies below "SHELLDLL_DefView" and never covers
// what another program put there. Layout "24h2-noredirection" gives
// "Progman" the extended style WS_EX_NOREDIRECTIONBITMAP and creates nothing
// on 0x052C.
//
// 0x052C with wParam 0 / lParam 0 is acknowledged and changes nothing. A
// prompt while the classic layer exists puts the three windows back in
// their order, which Wine can upset when a program with a window in the
// layer ends.
//
// The stand-in also plays the notification area: a hidden "Shell_TrayWnd"
// takes the icons that Shell_NotifyIconW hands it (in Wine's own form of
// the record), and the control commands below look at them and click them
// as the shell does, by the icon's callback message.
// All windows of the stand-in are created by one thread; none of them takes
// the activation, and none of them lets another process change its place in
// the z-order.

namespace standin_shell {

// Command-line options, each a whole argument.
inline constexpr wchar_t kOptionLayoutClassic[] = L"--layout=classic";
inline constexpr wchar_t kOptionLayout24h2[] = L"--layout=24h2";
inline constexpr wchar_t kOptionLayout24h2NoRedirection[] = L"--layout=24h2-noredirection";
// 0x052C is counted but never answered (as the answer delay "never").
inline constexpr wchar_t kOptionNoAnswer[] = L"--no-answer";
// Followed directly by a decimal number of milliseconds: 0x052C is
// acknowledged at once, and the layer appears that long afterwards.
inline constexpr wchar_t kOptionAnswerDelayPrefix[] = L"--answer-delay=";
// Followed directly by a decimal number of milliseconds: 0x052C is answered
// that late, with the layer built before the sender's call returns, as by a
// shell too busy to answer at once.
inline constexpr wchar_t kOptionAnswerLatePrefix[] = L"--answer-late=";
// The wallpaper layer exists from the start, as after an earlier 0x052C.
inline constexpr wchar_t kOptionWithLayer[] = L"--with-layer";
// Paints a vertical gradient instead of the solid wallpaper, for showing the
// program to a person. Tests keep the solid colour.
inline constexpr wchar_t kOptionGradient[] = L"--wallpaper=gradient";
// The layer is destroyed as soon as a program adds a notification icon,
// inside that call, as by a shell that rebuilds its desktop while the
// program is still starting.
inline constexpr wchar_t kOptionLoseLayerOnIcon[] = L"--lose-layer-on-icon";
// Builds nothing until the named event kHoldEventName is set, so that a
// test can make the desktop appear at a moment of its choosing. The shell
// sets kHeldEventName once it waits, so that the test's moment does not
// depend on how long the shell's process took to start.
inline constexpr wchar_t kOptionHold[] = L"--hold";
inline constexpr wchar_t kHoldEventName[] = L"Tavrel.StandinShell.Hold";
inline constexpr wchar_t kHeldEventName[] = L"Tavrel.StandinShell.Held";

// Exit codes of standin_shell.exe.
inline constexpr int kExitNormal = 0;          // WM_CLOSE to "Progman"
inline constexpr int kExitBadCommandLine = 1;
inline constexpr int kExitShellPresent = 2;    // a "Progman" exists already
inline constexpr int kExitCannotStart = 3;     // a window could not be made

// The message that steers the stand-in at run time, registered under this
// name with RegisterWindowMessageW and sent to "Progman" with wParam = one
// of the commands below and lParam = its argument.
inline constexpr wchar_t kControlMessageName[] = L"Tavrel.StandinShell.Control.1";

enum Command : unsigned {
    // Returns 1 once every window of the stand-in exists and it answers
    // messages; tests wait for this before they look at the desktop.
    kCommandQueryReady = 1,
    // lParam is the new answer delay in milliseconds, or kAnswerNever. It
    // applies to the next 0x052C; "never" also cancels an answer still
    // pending. Returns 1.
    kCommandSetAnswerDelay = 2,
    // Destroys the layer, as the shell does when it rebuilds the desktop.
    // Classic: the top-level wallpaper layer goes, and with it every child
    // put into it. 24h2 layouts: every child of "Progman" except
    // "SHELLDLL_DefView" goes, the stand-in's own "WorkerW" and windows of
    // other programs alike (those are first moved into a hidden window of
    // the stand-in, which is then destroyed, since a window can only be
    // destroyed by its own thread). Returns the number of windows removed
    // directly (children of a removed window not counted).
    kCommandDestroyLayer = 3,
    // Returns the wallpaper layer's handle (a top-level window in the
    // classic layout, a child of "Progman" otherwise), or 0 while there is
    // none.
    kCommandQueryLayer = 4,
    // Returns how many 0x052C with wParam 13 / lParam 1 arrived since the
    // layer was last destroyed (or since the start).
    kCommandQueryPromptCount = 5,
    // lParam is a window handle: returns the kIcon* bits of the icon with
    // id 1 that this window registered, or 0 while it has none.
    kCommandQueryIcon = 6,
    // lParam is a mouse message: posted to the newest icon's window as its
    // callback message, as the shell reports a click. Returns 1, or 0 when
    // there is no icon.
    kCommandPostIconMessage = 7,
    // The same, sent rather than posted: returns 1 when the icon's window
    // has handled it within five seconds (it opened nothing modal), 2 when
    // it has not, 0 when there is no icon.
    kCommandSendIconMessage = 8,
    // lParam is n: returns how many milliseconds after the layer was last
    // destroyed the nth 0x052C with wParam 13 / lParam 1 since then came,
    // or kNoPrompt while it has not come.
    kCommandQueryPromptTime = 9,
    // As kCommandDestroyLayer, but the windows of other programs in the
    // layer are first made top-level windows of the desktop, where they
    // outlive the layer without ever being destroyed. Returns the number of
    // windows removed directly and made top-level.
    kCommandOrphanLayer = 10,
    // Returns how many icons the notification area holds, whoever added
    // them and whether or not their windows still exist.
    kCommandQueryIconCount = 11,
};

inline constexpr long kNoPrompt = 0x7FFFFFFF;

// What kCommandQueryIcon reports of an icon.
enum IconBits : unsigned {
    kIconPresent = 1,
    kIconCallbackIsWmApp = 2,  // NIF_MESSAGE with callback message WM_APP (0x8000)
    kIconTipIsTavrel = 4,      // NIF_TIP with the tip "Tavrel"
    kIconHasPicture = 8,       // NIF_ICON with an icon picture
};

// Argument of kCommandSetAnswerDelay that stops answering.
inline constexpr long kAnswerNever = -1;

// The message that asks the shell for the wallpaper layer.
inline constexpr unsigned kSpawnLayerMessage = 0x052C;

// The solid wallpaper, a COLORREF (0x00BBGGRR): RGB(58, 110, 165).
inline constexpr unsigned long kWallpaperColor = 0x00A56E3Aul;

// Rectangles in pixels, relative to the top-left corner of the virtual
// screen; right and bottom are exclusive.
struct Rect {
    int left;
    int top;
    int right;
    int bottom;
};

// The icons stand in a column at the left edge, one per cell. Each shows a
// filled square in its own colour with a short label under it.
inline constexpr int kIconCount = 4;
inline constexpr int kIconCellWidth = 80;
inline constexpr int kIconCellHeight = 76;
inline constexpr int kIconSquareSize = 36;
inline constexpr int kIconSquareTop = 8;   // within its cell
inline constexpr int kIconLabelTop = 50;   // within its cell

// Every icon pixel lies inside this band; outside it the desktop shows the
// wallpaper (or whatever is put between the wallpaper and the icons).
inline constexpr Rect kIconBand = {0, 0, kIconCellWidth, kIconCount * kIconCellHeight};

// The square of icon `index` (0 at the top), filled with IconColor(index).
constexpr Rect IconSquare(int index)
{
    const int left = (kIconCellWidth - kIconSquareSize) / 2;
    const int top = index * kIconCellHeight + kIconSquareTop;
    return {left, top, left + kIconSquareSize, top + kIconSquareSize};
}

// COLORREF of icon `index`; none of them equals the wallpaper.
constexpr unsigned long IconColor(int index)
{
    constexpr unsigned long colors[kIconCount] = {
        0x0030C0F0ul,  // amber
        0x0050A030ul,  // green
        0x002828C8ul,  // red
        0x00B070A0ul,  // violet
    };
    return colors[index];
}

} // namespace standin_shell
