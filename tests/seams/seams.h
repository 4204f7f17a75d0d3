#pragma once
// Included ahead of every source of tavrel_seams.exe, the test build of the
// program: the system calls below go through tests/seams/seams.cpp, which
// can make a chosen call fail, throw or end the process, as the variable
// TAVREL_SEAMS asks. The shipped tavrel.exe is built without any of it.
#include <windows.h>
#include <commdlg.h>

// Each seam: the call's result type, its name, its result on failure, the
// argument whose text a seam may look for (none: nullptr), its parameters
// and their names.
#define TAVREL_SEAM_CALLS(X)                                                                                    \
    X(HANDLE, CreateFileW, INVALID_HANDLE_VALUE, a,                                                           \
      (LPCWSTR a, DWORD b, DWORD c, LPSECURITY_ATTRIBUTES d, DWORD e, DWORD f, HANDLE g), (a, b, c, d, e, f, g)) \
    X(BOOL, WriteFile, FALSE, nullptr, (HANDLE a, LPCVOID b, DWORD c, LPDWORD d, LPOVERLAPPED e), (a, b, c, d, e)) \
    X(BOOL, FlushFileBuffers, FALSE, nullptr, (HANDLE a), (a))                                                   \
    X(BOOL, ReplaceFileW, FALSE, a, (LPCWSTR a, LPCWSTR b, LPCWSTR c, DWORD d, LPVOID e, LPVOID f),              \
      (a, b, c, d, e, f))                                                                                         \
    X(BOOL, DeleteFileW, FALSE, a, (LPCWSTR a), (a))                                                             \
    X(HWND, CreateWindowExW, nullptr, b,                                                                         \
      (DWORD a, LPCWSTR b, LPCWSTR c, DWORD d, int e, int f, int g, int h, HWND i, HMENU j, HINSTANCE k, LPVOID l), \
      (a, b, c, d, e, f, g, h, i, j, k, l))                                                                       \
    X(HBITMAP, CreateDIBSection, nullptr, nullptr, (HDC a, const BITMAPINFO* b, UINT c, void** d, HANDLE e, DWORD f), \
      (a, b, c, d, e, f))                                                                                         \
    X(BOOL, ChooseColorW, FALSE, nullptr, (LPCHOOSECOLORW a), (a))                                               \
    X(BOOL, GetCursorPos, FALSE, nullptr, (LPPOINT a), (a))                                                      \
    X(BOOL, MoveFileExW, FALSE, b, (LPCWSTR a, LPCWSTR b, DWORD c), (a, b, c))                                   \
    X(HMENU, LoadMenuW, nullptr, nullptr, (HINSTANCE a, LPCWSTR b), (a, b))                                      \
    X(INT_PTR, DialogBoxParamW, -1, nullptr, (HINSTANCE a, LPCWSTR b, HWND c, DLGPROC d, LPARAM e),              \
      (a, b, c, d, e))                                                                                            \
    X(HBITMAP, CreateCompatibleBitmap, nullptr, nullptr, (HDC a, int b, int c), (a, b, c))                       \
    X(BOOL, UpdateLayeredWindowIndirect, FALSE, nullptr, (HWND a, const UPDATELAYEREDWINDOWINFO* b), (a, b))     \
    X(HWND, SetParent, nullptr, nullptr, (HWND a, HWND b), (a, b))                                              \
    X(BOOL, ShowWindow, FALSE, nullptr, (HWND a, int b), (a, b))

// Calls about windows, counted while the program draws a frame (see
// seams.cpp): each one's result type, name, the window it asks about,
// whether it converts a point, its parameters and their names.
#define TAVREL_COUNTED_CALLS(X)                                                                                 \
    X(BOOL, GetWindowRect, a, false, (HWND a, LPRECT b), (a, b))                                                \
    X(LONG, GetWindowLongW, a, false, (HWND a, int b), (a, b))                                                  \
    X(HWND, GetWindow, a, false, (HWND a, UINT b), (a, b))                                                      \
    X(HWND, GetAncestor, a, false, (HWND a, UINT b), (a, b))                                                    \
    X(BOOL, IsWindow, a, false, (HWND a), (a))                                                                  \
    X(int, GetClassNameW, a, false, (HWND a, LPWSTR b, int c), (a, b, c))                                       \
    X(int, GetWindowRgnBox, a, false, (HWND a, LPRECT b), (a, b))                                               \
    X(HWND, FindWindowExW, a, false, (HWND a, HWND b, LPCWSTR c, LPCWSTR d), (a, b, c, d))                       \
    X(LRESULT, SendMessageTimeoutW, a, false,                                                                    \
      (HWND a, UINT b, WPARAM c, LPARAM d, UINT e, UINT f, PDWORD_PTR g), (a, b, c, d, e, f, g))                \
    X(BOOL, ScreenToClient, a, true, (HWND a, LPPOINT b), (a, b))                                               \
    X(BOOL, ClientToScreen, a, true, (HWND a, LPPOINT b), (a, b))                                               \
    X(int, MapWindowPoints, a, true, (HWND a, HWND b, LPPOINT c, UINT d), (a, b, c, d))

// A display scaled for this program, which declares no DPI awareness, as
// Windows shows it and Wine does not: with "Scale:PERCENT" in TAVREL_SEAMS,
// the mouse hook's points, the compositor's window bounds and the display
// mode count physical pixels, and everything else stays in the logical
// coordinates Wine gives. The compositor as Windows 10 has it, and the
// monitors of "Monitors:N:WxH[+X+Y]/...". A mouse hook that the system
// drops, without a word, at its Nth move with "HookTimeout:N". A window
// list walked counts as a full look. And the program's clock, which "late:MS" on a call puts that
// much ahead.
HHOOK WINAPI SeamSetWindowsHookExW(int type, HOOKPROC procedure, HINSTANCE module, DWORD thread);
BOOL WINAPI SeamUnhookWindowsHookEx(HHOOK hook);
FARPROC WINAPI SeamGetProcAddress(HMODULE module, LPCSTR name);
BOOL WINAPI SeamEnumDisplaySettingsW(LPCWSTR device, DWORD mode, DEVMODEW* devMode);
BOOL WINAPI SeamEnumDisplayMonitors(HDC dc, LPCRECT clip, MONITORENUMPROC procedure, LPARAM context);
BOOL WINAPI SeamGetMonitorInfoW(HMONITOR monitor, LPMONITORINFO info);
BOOL WINAPI SeamEnumWindows(WNDENUMPROC procedure, LPARAM context);
BOOL WINAPI SeamQueryPerformanceCounter(LARGE_INTEGER* counter);
BOOL WINAPI SeamGetPhysicalCursorPos(LPPOINT point);
LRESULT WINAPI SeamDispatchMessageW(const MSG* message);

#define TAVREL_DECLARE_COUNTED(type, call, window, conversion, parameters, arguments) type WINAPI Seam##call parameters;
TAVREL_COUNTED_CALLS(TAVREL_DECLARE_COUNTED)

#define TAVREL_DECLARE_SEAM(type, call, failed, subject, parameters, arguments) type WINAPI Seam##call parameters;
TAVREL_SEAM_CALLS(TAVREL_DECLARE_SEAM)

#ifndef TAVREL_SEAMS_DEFINED_HERE
#define CreateFileW SeamCreateFileW
#define WriteFile SeamWriteFile
#define FlushFileBuffers SeamFlushFileBuffers
#define ReplaceFileW SeamReplaceFileW
#define DeleteFileW SeamDeleteFileW
#define CreateWindowExW SeamCreateWindowExW
#define CreateDIBSection SeamCreateDIBSection
#define ChooseColorW SeamChooseColorW
#define GetCursorPos SeamGetCursorPos
#define MoveFileExW SeamMoveFileExW
#define LoadMenuW SeamLoadMenuW
#define SetWindowsHookExW SeamSetWindowsHookExW
#define UnhookWindowsHookEx SeamUnhookWindowsHookEx
#define DialogBoxParamW SeamDialogBoxParamW
#define CreateCompatibleBitmap SeamCreateCompatibleBitmap
#define UpdateLayeredWindowIndirect SeamUpdateLayeredWindowIndirect
#define SetParent SeamSetParent
#define ShowWindow SeamShowWindow
#define GetPhysicalCursorPos SeamGetPhysicalCursorPos
#define GetProcAddress SeamGetProcAddress
#define EnumDisplaySettingsW SeamEnumDisplaySettingsW
#define QueryPerformanceCounter SeamQueryPerformanceCounter
#define EnumDisplayMonitors SeamEnumDisplayMonitors
#define GetMonitorInfoW SeamGetMonitorInfoW
#define EnumWindows SeamEnumWindows
#define DispatchMessageW SeamDispatchMessageW
#define GetWindowRect SeamGetWindowRect
#define GetWindowLongW SeamGetWindowLongW
#define GetWindow SeamGetWindow
#define GetAncestor SeamGetAncestor
#define IsWindow SeamIsWindow
#define GetClassNameW SeamGetClassNameW
#define GetWindowRgnBox SeamGetWindowRgnBox
#define FindWindowExW SeamFindWindowExW
#define SendMessageTimeoutW SeamSendMessageTimeoutW
#define ScreenToClient SeamScreenToClient
#define ClientToScreen SeamClientToScreen
#define MapWindowPoints SeamMapWindowPoints
#endif
