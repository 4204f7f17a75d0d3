#pragma once
// The one program-wide record. It is zero at process start and owns every
// window handle, GDI and GDI+ object and buffer for the whole run. Each
// member's comment names the file that creates and releases it; other files
// only read it, or change it through that file's procedures.
#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "app/change_bits.h"
#include "app/eye_types.h"
#include "app/screen_rect.h"
#include "app/settings_record.h"

// GDI+ flat-API objects, declared opaquely so that this header does not pull
// in the GDI+ headers everywhere.
namespace Gdiplus {
class GpGraphics;
class GpSolidFill;
} // namespace Gdiplus

// How many windows over the eyes the cover test keeps; more only leave the
// eyes counted as seen.
constexpr size_t kMaxCovers = 64;

// A window that covered the eyes at the last full look, as it was then:
// what the looks while they are covered compare it with.
struct CoverWindow {
    HWND window;
    DWORD process;
    LONG style;
    LONG exStyle;
    RECT rect;
};

struct CoverList {
    CoverWindow windows[kMaxCovers];
    size_t count;
};

// What a look at the windows over the eyes needs, taken at a full look and
// fixed until the next one, so that a thread of its own can look with it.
struct CoverScene {
    HWND eyeWindow;
    HWND eyeParent;        // the window the eye window hung in then
    HWND holder;           // the top-level window that holds the eyes: none below it covers them
    DWORD ownProcess;
    ScreenRect eyes[kMaxMonitors]; // the pieces of the eyes that monitors show, in logical coordinates
    size_t eyePieces;
    MonitorSpaces monitors[kMaxMonitors];
    size_t monitorCount;
};

// DwmGetWindowAttribute, looked up at run time in dwmapi.dll.
using DwmAttributeQuery = HRESULT(WINAPI*)(HWND, DWORD, void*, DWORD);

struct AppState {
    // app/main.cpp: start-up and shutdown.
    HINSTANCE hInstance;
    HWND ProgmanWindow;        // the shell's "Progman"; looked up again by eye_window.cpp when stale
    HICON hAppIcon;            // icon 101 at the system's default size
    ATOM atomMainClass;
    ATOM atomEyeClass;

    // app/settings_file.cpp
    Settings settings;         // the settings in force; changed only by settings_dialog.cpp's apply
    wchar_t* settingsPath;     // "tavrel.dat" beside the exe; freed by main.cpp's shutdown

    // eyes/eye_renderer.cpp
    EyeGeometry eyeGeometry;   // derived from settings.width and height
    ULONG_PTR gdiplusToken;    // 0 until GDI+ is started
    HDC memoryDC;              // holds the eye bitmap
    BITMAPINFOHEADER eyeBitmapInfo;
    void* eyeBits;             // pixel memory of the eye bitmap
    HBITMAP defaultBitmap;     // what memoryDC held before the first eye bitmap
    uint32_t* backgroundPixels;// the prepared background, pixelCount pixels
    Gdiplus::GpGraphics* eyeGraphics;
    Gdiplus::GpSolidFill* pupilBrush;
    bool surfacesMatchSettings;// false after a failed rebuild: nothing is drawn then
    PupilRect shownPupils[2];  // the pupils of the frame last shown
    POINT shownPosition;       // where that frame put the eye window, in DesktopHost's client coordinates
    bool fullFrameNeeded;      // the next frame is drawn and shown whole (after a rebuild or re-attach)

    // eyes/cursor_hook.cpp: the thread that holds the low-level mouse hook.
    // Only the members marked "hook thread" are touched by both threads.
    HANDLE hookThread;
    DWORD hookThreadId;
    HHOOK hMouseHook;                      // hook thread: installed and removed there
    HWND hookWakeTarget;                   // hook thread: MainWindow, fixed before the thread starts
    std::atomic<uint64_t> latestHookPoint; // hook thread: the newest cursor point, x in the low half
    std::atomic<bool> hookWakePending;     // hook thread: a wake-up is posted and not yet handled
    bool hookCheckDue;                     // hook thread only: a move came since the hook last checked itself
    DWORD lastHookMove;                    // hook thread only: when, in GetTickCount's time
    LONGLONG counterFrequency;             // performance-counter ticks a second, read once at the start
    LONGLONG lastFrameCost;                // performance-counter ticks the last frame drawn took
    LONGLONG lastFrameEnd;                 // when it ended
    bool frameTimerPending;                // the frame timer runs: the thread rests after a frame

    // eyes/eye_visibility.cpp: whether anyone can see the eyes. While
    // nobody can, the mouse hook is removed and no frame is drawn.
    bool eyesHidden;
    bool sessionLocked;         // the session is locked
    bool sessionAway;           // another session has the console
    bool displayOff;            // the display is switched off
    bool visibilityCheckPending;// a look is posted and not yet taken
    LONGLONG lastVisibilityCheck;// performance-counter time of the last look
    bool sessionNotifyRegistered;
    HPOWERNOTIFY displayNotify;

    // eyes/screen_monitors.cpp: the monitors, read at the start and at
    // every change of the display.
    MonitorSpaces monitors[kMaxMonitors];
    size_t monitorCount;

    // eyes/cover_search.cpp: the compositor's answers about windows.
    HMODULE dwmModule;          // dwmapi.dll, where the system has it
    DwmAttributeQuery dwmGetWindowAttribute; // its DwmGetWindowAttribute

    // eyes/cover_watch.cpp: the watch over the windows that cover the eyes.
    // A full look on the GUI thread fills the scene and the covers; while
    // the watch thread runs, only it touches them, and the GUI thread ends
    // it before anything it reads changes.
    CoverScene coverScene;
    CoverList covers;
    HANDLE coverWatchThread;
    HANDLE coverWatchStop;      // set to end that thread
    bool coverLookArmed;        // watch thread: an event about a cover asked for a look
    bool coverRestacked;        // watch thread: and the windows were restacked, so that look walks them all
    DWORD coverLookDue;         // watch thread: when that look is due, in GetTickCount's time

    // eyes/eye_window.cpp
    HWND DesktopHost;          // parent of EyeWindow
    HWND EyeWindow;            // non-null exactly while the eye window exists
    POINT hostOrigin;          // DesktopHost's client area's top-left corner on the screen
    bool hostIsProgman;        // the newer shell layout: the eyes live among Progman's children
    bool reattaching;          // a loss is being mended: the timers run until an eye window is found attached
    unsigned reattachTimersArmed; // bit n: re-attach timer n is armed and has not fired

    // tray/main_window.cpp and tray/tray_icon.cpp
    HWND MainWindow;           // created by main.cpp; cleared by its WM_DESTROY
    bool quitRequested;        // set by RequestQuit; the open dialogs then end with 2 whatever else happens
    NOTIFYICONDATAW TrayIcon;  // hWnd is null while no icon is registered
    HMENU PopupMenu;
    UINT taskbarCreatedMessage;// "TaskbarCreated": the shell's tray came back

    // tray/work_window.cpp
    ATOM atomWorkClass;
    HWND MenuOwnerWindow;

    // tray/settings_command.cpp
    bool settingsCommandRunning; // from the first step of the Settings command to its last
    ATOM atomDragClass;
    HWND DialogOwnerWindow;
    HWND DragOwnerWindow;
    HWND DragWindow;           // also destroyed by drag_window.cpp after a failed redraw
    HDC DragDC;
    Gdiplus::GpSolidFill* DragFillBrush;
    Gdiplus::GpSolidFill* DragEyeBrush;
    PendingRect pendingRect;   // the edit buffers; written through drag_window.cpp
    PendingColors pendingColors;

    // settings_ui/settings_dialog.cpp
    HWND SettingsDialog;       // non-null exactly while the settings user interface is open
    bool saveOwed;             // a save failed; OK and Apply retry it
    HBRUSH swatchBrushes[3];   // outline, eye white, pupil: the colour swatches' backgrounds

    // settings_ui/position_size_dialog.cpp
    HWND PositionSizeDialog;
};

extern AppState g_app;
