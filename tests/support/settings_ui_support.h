#pragma once
// Helpers for the end-to-end tests of the settings user interface: a
// running tavrel.exe on the stand-in desktop, the tray menu, the settings
// windows and their controls, the colour dialog, dragging with the mouse,
// typing, the settings file's bytes and the program's GUI object counts.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/settings_record.h"
#include "tests/support/win_test_support.h"

namespace settings_ui_test {

// tavrel.exe with its own folder and settings, on a stand-in desktop. The
// members go in reverse order: the program first, then the shell, then the
// folder.
class Desktop {
public:
    Desktop() = default;
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;
    ~Desktop();

    // Writes the settings file, starts the shell and the program and waits
    // until the eyes are shown.
    bool Start(const Settings& settings);

    wine_test::TestFolder folder;
    wine_test::StandinShell shell;
    wine_test::TavrelProcess tavrel;
};

// The items of the tray icon's popup menu, from the top.
constexpr int kMenuItemQuit = 0;
constexpr int kMenuItemSettings = 1;
constexpr int kMenuItemCount = 2;
// Their access keys.
constexpr WORD kMenuItemKeys[kMenuItemCount] = { 'Q', 'S' };

// Opens the tray icon's popup menu, chooses the item and waits until the
// menu has gone.
bool ChooseTrayItem(wine_test::TavrelProcess& tavrel, int item);

struct SettingsWindows {
    HWND dialog = nullptr;
    HWND drag = nullptr;
};

// Chooses Settings in the tray menu and waits until the settings dialog and
// the drag window are shown.
bool OpenSettings(wine_test::TavrelProcess& tavrel, SettingsWindows* windows);

// The visible dialogs of the process, told apart by their controls.
HWND FindSettingsDialog(DWORD pid);
HWND FindPositionSizeDialog(DWORD pid);
HWND FindColorDialog(DWORD pid);
HWND WaitForDialog(HWND (*find)(DWORD), DWORD pid);
// Waits until the window no longer exists or is no longer visible.
bool WaitUntilGone(HWND window);

std::wstring ControlText(HWND dialog, int id);
bool ControlEnabled(HWND dialog, int id);
RECT WindowRectOf(HWND window);
RECT ControlRect(HWND dialog, int id);
POINT Centre(const RECT& rect);
bool SameRect(const RECT& a, const RECT& b);
std::string RectText(const RECT& rect);
RECT RectOf(int32_t x, int32_t y, int32_t width, int32_t height);

// The window with the keyboard focus in the thread that owns `window`.
HWND FocusIn(HWND window);
// The owner of a top-level window.
HWND OwnerOf(HWND window);

// Clicks the middle of a dialog's control with the mouse, as a user does.
void ClickControl(HWND dialog, int id);
// Sets a control's text directly, as pasting a whole text would; character
// filters do not see it.
void SetControlText(HWND dialog, int id, const std::wstring& text);
// Types the characters one by one as keyboard input to the focused window.
void TypeText(const std::wstring& text);

// Presses the left button on `window` at `from`, moves the mouse to `to` in
// a few steps and releases it there. With `expectLoop`, the press must
// start the system's move or size loop.
bool DragMouse(HWND window, POINT from, POINT to, bool expectLoop = true);

// Sets the colour dialog to `color` through its red, green and blue fields
// and confirms it with its OK button.
bool ConfirmColor(HWND colorDialog, COLORREF color);
// Confirms the colour dialog without changing anything.
void ConfirmColorUnchanged(HWND colorDialog);

// The bytes of a file; empty when it cannot be read.
std::vector<uint8_t> FileBytes(const std::wstring& path);
std::vector<uint8_t> SettingsBytes(const Settings& settings);

// What the program's title for the settings dialog is: the caption of
// dialog template `id` in the executable's resources.
std::wstring DialogTemplateCaption(const std::wstring& exePath, int id);

bool RunningOnWine();

// `top` drawn with constant opacity alpha/255 over `below`, per channel, as
// the system composes a layered window.
COLORREF Blend(COLORREF top, COLORREF below, int alpha);

// The program's USER and GDI objects. Where the system reports them
// (GetGuiResources) those numbers are used. Wine reports 0 for both; there
// the USER count is the number of the process's windows, and the GDI count
// the number of entries in use in the process's GDI handle table, read from
// its memory through the table pointer in its process environment block.
struct GuiObjectCounts {
    long user = -1;
    long gdi = -1;
    bool fromSystem = false;
};
GuiObjectCounts CountGuiObjects(wine_test::ChildProcess& process);

} // namespace settings_ui_test
