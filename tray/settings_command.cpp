#include "tray/settings_command.h"

#include <objidl.h>
#include <gdiplus.h>

#include "app/app_state.h"
#include "app/change_bits.h"
#include "app/class_names.h"
#include "app/messages.h"
#include "app/report_error.h"
#include "eyes/eye_visibility.h"
#include "res/resource_ids.h"
#include "settings_ui/drag_window.h"
#include "settings_ui/settings_dialog.h"
#include "tray/work_window.h"

namespace {

namespace Gdip = Gdiplus::DllExports;

constexpr Gdiplus::ARGB kDragFillColor = 0xFF808080;  // opaque mid-grey
constexpr Gdiplus::ARGB kDragEyeColor = 0xFF000000;   // opaque black

// The drag window's class, with the same fields as the work windows' class
// apart from its procedure.
bool RegisterDragWindowClass()
{
    g_app.atomDragClass = RegisterHelperWindowClass(kDragClassName, DragWindowProc);
    if (g_app.atomDragClass == 0) {
        ReportError(nullptr, kMsgDragClass, GetLastError());
        return false;
    }
    return true;
}

HWND CreateOwnerWindow()
{
    HWND window = CreateWorkWindow();
    if (window == nullptr)
        ReportError(nullptr, kMsgWorkWindow, GetLastError());
    return window;
}

// The two hidden owners that the settings dialog and the drag window pass
// between them, so that only the one activated last has a taskbar button.
bool CreateOwnerWindows()
{
    g_app.DialogOwnerWindow = CreateOwnerWindow();
    if (g_app.DialogOwnerWindow == nullptr)
        return false;
    g_app.DragOwnerWindow = CreateOwnerWindow();
    return g_app.DragOwnerWindow != nullptr;
}

// The layered preview, hidden and empty until the first drawing places it.
// It bears the settings dialog's title, so that the one taskbar button of
// the pair reads the same whichever of the two holds it.
bool CreateDragWindow()
{
    g_app.DragWindow = CreateWindowExW(WS_EX_LAYERED, kDragClassName, kSettingsTitle, WS_POPUP, 0, 0, 0, 0,
                                       g_app.DragOwnerWindow, nullptr, g_app.hInstance, nullptr);
    if (g_app.DragWindow == nullptr) {
        ReportError(nullptr, kMsgDragWindow, GetLastError());
        return false;
    }
    return true;
}

bool CreateDragDC()
{
    HDC screen = GetDC(nullptr);
    g_app.DragDC = CreateCompatibleDC(screen);
    if (screen != nullptr)
        ReleaseDC(nullptr, screen);
    if (g_app.DragDC == nullptr) {
        ShowMessage(nullptr, kMsgCreateCompatibleDC);
        return false;
    }
    return true;
}

// Without both brushes the preview cannot be drawn, so their failure is
// reported as the preview's bitmap failing and nothing opens.
bool CreateDragBrushes()
{
    Gdip::GdipCreateSolidFill(kDragFillColor, &g_app.DragFillBrush);
    Gdip::GdipCreateSolidFill(kDragEyeColor, &g_app.DragEyeBrush);
    if (g_app.DragFillBrush == nullptr || g_app.DragEyeBrush == nullptr) {
        ShowMessage(nullptr, kMsgDragBitmap);
        return false;
    }
    return true;
}

void RunSettingsDialog()
{
    const INT_PTR result = DialogBoxParamW(g_app.hInstance, MAKEINTRESOURCEW(IDD_SETTINGS), nullptr,
                                           SettingsDialogProc, 0);
    if (result == -1)
        ReportError(nullptr, kMsgSettingsDialog, GetLastError());
    else if ((result == 2 || g_app.quitRequested) && g_app.MainWindow != nullptr)
        DestroyWindow(g_app.MainWindow);
}

// Releases whatever the command created, in the reverse order of creation.
// Each step tests its own handle, so the same code undoes a run that stopped
// at any step. The held bitmap is the one the drag DC had before the first
// preview; putting it back frees the last preview for deletion.
void TearDownSettingsUI(HBITMAP heldBitmap)
{
    if (heldBitmap != nullptr) {
        HGDIOBJ lastPreview = SelectObject(g_app.DragDC, heldBitmap);
        if (lastPreview != nullptr)
            DeleteObject(lastPreview);
    }
    if (g_app.DragDC != nullptr) {
        DeleteDC(g_app.DragDC);
        g_app.DragDC = nullptr;
    }
    if (g_app.DragEyeBrush != nullptr) {
        Gdip::GdipDeleteBrush(g_app.DragEyeBrush);
        g_app.DragEyeBrush = nullptr;
    }
    if (g_app.DragFillBrush != nullptr) {
        Gdip::GdipDeleteBrush(g_app.DragFillBrush);
        g_app.DragFillBrush = nullptr;
    }
    if (g_app.DragWindow != nullptr) {
        DestroyWindow(g_app.DragWindow);
        g_app.DragWindow = nullptr;
    }
    if (g_app.DragOwnerWindow != nullptr) {
        DestroyWindow(g_app.DragOwnerWindow);
        g_app.DragOwnerWindow = nullptr;
    }
    if (g_app.DialogOwnerWindow != nullptr) {
        DestroyWindow(g_app.DialogOwnerWindow);
        g_app.DialogOwnerWindow = nullptr;
    }
    if (g_app.atomDragClass != 0) {
        UnregisterClassW(MAKEINTATOM(g_app.atomDragClass), g_app.hInstance);
        g_app.atomDragClass = 0;
    }
}

} // namespace

// The Settings command of the tray menu: creates what the settings dialog
// and the drag window share, starts from the settings in force, runs the
// dialog to its end and releases everything again. A failed step has
// reported itself, and the command then undoes the steps before it. The
// command runs once at a time: the box of a failed step delivers tray
// clicks, and a second run inside it would take over the class and the
// windows of the first and release them under it. The eyes stay live
// while it runs, even where nobody could otherwise see them, since the user
// now looks at them; should their hook not come back, the program ends
// before anything is made.
void RunSettingsUI()
{
    if (g_app.settingsCommandRunning)
        return;
    g_app.settingsCommandRunning = true;
    UpdateEyesVisibility();
    if (g_app.MainWindow == nullptr) {
        g_app.settingsCommandRunning = false;
        return;
    }
    HBITMAP heldBitmap = nullptr;
    if (RegisterDragWindowClass() && CreateOwnerWindows() && CreateDragWindow() && CreateDragDC()) {
        CopySettingsIntoPending(g_app.settings, g_app.pendingRect, g_app.pendingColors);
        if (CreateDragBrushes()) {
            heldBitmap = DrawDragBitmap(nullptr);
            if (heldBitmap != nullptr)
                RunSettingsDialog();
        }
    }
    TearDownSettingsUI(heldBitmap);
    g_app.settingsCommandRunning = false;
    RequestVisibilityCheck();
}
