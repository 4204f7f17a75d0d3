#include "settings_ui/settings_dialog.h"

#include <commdlg.h>

#include "app/app_state.h"
#include "app/change_bits.h"
#include "app/quit_request.h"
#include "app/settings_file.h"
#include "app/window_messages.h"
#include "eyes/eye_renderer.h"
#include "res/resource_ids.h"
#include "settings_ui/number_input.h"
#include "settings_ui/position_size_dialog.h"

namespace {

// The three colours in the order of their swatches and brushes.
enum SwatchIndex { kOutline, kEyeWhite, kPupil, kSwatchCount };

constexpr int kSwatchIds[kSwatchCount] = { IDC_SWATCH_OUTLINE, IDC_SWATCH_EYE_WHITE, IDC_SWATCH_PUPIL };

constexpr int kCustomColorCount = 16;

// The colour dialog's record: 36 bytes in the 32-bit program, 72 in the
// 64-bit one.
static_assert(sizeof(CHOOSECOLORW) == (sizeof(void*) == 8 ? 72 : 36), "the colour dialog's record");

uint32_t& PendingColor(int index)
{
    switch (index) {
    case kOutline:
        return g_app.pendingColors.outline;
    case kEyeWhite:
        return g_app.pendingColors.eyeWhite;
    default:
        return g_app.pendingColors.pupil;
    }
}

void SetFieldNumber(int id, int32_t value)
{
    wchar_t text[kNumberTextSize];
    FormatNumber(value, text);
    SetDlgItemTextW(g_app.SettingsDialog, id, text);
}

// Replaces a swatch's brush with one of the given colour. Should the new
// brush not be made, the swatch falls back to the default background rather
// than keep showing a colour that is no longer pending.
void ReplaceSwatchBrush(int index, COLORREF color)
{
    HBRUSH brush = CreateSolidBrush(color);
    if (g_app.swatchBrushes[index] != nullptr)
        DeleteObject(g_app.swatchBrushes[index]);
    g_app.swatchBrushes[index] = brush;
}

void DeleteSwatchBrushes()
{
    for (HBRUSH& brush : g_app.swatchBrushes) {
        if (brush != nullptr) {
            DeleteObject(brush);
            brush = nullptr;
        }
    }
}

void MoveFocusTo(HWND dialog, int id)
{
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, id)), TRUE);
}

// The dialog shows the pending values, pairs itself with the drag window
// directly below it and shows that window; the focus starts on OK.
INT_PTR OnInitDialog(HWND dialog)
{
    g_app.SettingsDialog = dialog;
    SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(g_app.hAppIcon));
    SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(g_app.hAppIcon));
    ShowPendingPosition();
    ShowPendingSize();
    for (int index = 0; index < kSwatchCount; ++index)
        ReplaceSwatchBrush(index, PendingColor(index));
    SetWindowPos(g_app.DragWindow, dialog, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    ShowWindow(g_app.DragWindow, SW_SHOW);
    MoveFocusTo(dialog, IDOK);
    return FALSE;
}

void OnDestroy()
{
    DeleteSwatchBrushes();
    g_app.SettingsDialog = nullptr;
}

// Only an activation counts; one while minimised, or a deactivation, leaves
// the pair as it is.
void OnActivate(WPARAM wParam)
{
    if (wParam == WA_ACTIVE || wParam == WA_CLICKACTIVE)
        PairDialogAboveDragWindow();
}

// The four owner-drawn statics are the frames around the value fields: a
// one-pixel line, the inside left alone.
void OnDrawItem(HWND dialog, const DRAWITEMSTRUCT* item)
{
    FrameRect(item->hDC, &item->rcItem, GetSysColorBrush(COLOR_BTNTEXT));
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 1);
}

// A swatch paints its background with the brush of its pending colour;
// every other static keeps the default colours.
INT_PTR OnCtlColorStatic(HWND control)
{
    const int id = GetDlgCtrlID(control);
    for (int index = 0; index < kSwatchCount; ++index) {
        if (kSwatchIds[index] == id)
            return reinterpret_cast<INT_PTR>(g_app.swatchBrushes[index]);
    }
    return FALSE;
}

// Opens the colour dialog on one pending colour, with that colour in the
// first custom box and black in the others. A confirmed choice enables
// Apply even when the colour stayed the same; only a different colour
// repaints the swatch.
void ChooseSwatchColor(HWND dialog, int index)
{
    uint32_t& pending = PendingColor(index);
    COLORREF customColors[kCustomColorCount] = { pending };
    CHOOSECOLORW choice{};
    choice.lStructSize = sizeof(CHOOSECOLORW);
    choice.hwndOwner = dialog;
    choice.rgbResult = pending;
    choice.lpCustColors = customColors;
    choice.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR;
    if (!ChooseColorW(&choice))
        return;
    if (choice.rgbResult != pending) {
        pending = choice.rgbResult;
        ReplaceSwatchBrush(index, pending);
        InvalidateRect(GetDlgItem(dialog, kSwatchIds[index]), nullptr, FALSE);
    }
    EnableWindow(GetDlgItem(dialog, IDC_APPLY), TRUE);
}

// OK and Apply: the pending values become the settings in force, the eyes
// are rebuilt for exactly what changed and the file is written. A save that
// failed earlier is still owed and is tried again even when nothing else
// changed, so that OK never closes over settings that will be lost at the
// next start. A failed save keeps the dialog open with Apply as it was.
void ApplySettings(HWND dialog, int command)
{
    const uint32_t changes = ComputeChangeBits(g_app.pendingRect, g_app.pendingColors, g_app.settings);
    CopyPendingIntoSettings(g_app.pendingRect, g_app.pendingColors, g_app.settings);
    if (!RebuildEyeSurfaces(changes, dialog)) {
        EndSettingsDialog(dialog, 2);
        return;
    }
    if (changes != 0 || g_app.saveOwed) {
        if (!SaveSettings(dialog)) {
            g_app.saveOwed = true;
            return;
        }
        g_app.saveOwed = false;
    }
    if (command == IDOK) {
        EndSettingsDialog(dialog, 1);
        return;
    }
    HWND apply = GetDlgItem(dialog, IDC_APPLY);
    if (GetFocus() == apply)
        MoveFocusTo(dialog, IDOK);
    EnableWindow(apply, FALSE);
}

void OnCommand(HWND dialog, int id)
{
    switch (id) {
    case IDOK:
    case IDC_APPLY:
        ApplySettings(dialog, id);
        break;
    case IDCANCEL:
        EndSettingsDialog(dialog, 0);
        break;
    case IDC_NUMERIC_INPUT:
        RunPositionSizeDialog(dialog);
        break;
    case IDC_SET_OUTLINE:
        ChooseSwatchColor(dialog, kOutline);
        break;
    case IDC_SET_EYE_WHITE:
        ChooseSwatchColor(dialog, kEyeWhite);
        break;
    case IDC_SET_PUPIL:
        ChooseSwatchColor(dialog, kPupil);
        break;
    }
}

struct PopupSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindEnabledPopup(HWND window, LPARAM context)
{
    PopupSearch& search = *reinterpret_cast<PopupSearch*>(context);
    if (GetWindow(window, GW_OWNER) != search.owner || !IsWindowVisible(window) || !IsWindowEnabled(window))
        return TRUE;
    search.found = window;
    return FALSE;
}

INT_PTR HandleSettingsMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_ACTIVATE:
        OnActivate(wParam);
        return 0;
    case WM_DRAWITEM:
        OnDrawItem(dialog, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_CTLCOLORSTATIC:
        return OnCtlColorStatic(reinterpret_cast<HWND>(lParam));
    case WM_COMMAND:
        OnCommand(dialog, LOWORD(wParam));
        return FALSE;
    case kCloseRequest:
        EndDialogOnCloseRequest(dialog);
        return 0;
    }
    return FALSE;
}

} // namespace

// The enabled pop-up that a dialog has open, such as a message box, the
// colour dialog or the numeric dialog, or null. The pop-ups of the program's
// dialogs are visible windows of the same thread that the dialog owns.
// (GW_ENABLEDPOPUP would tell the same on Windows; Wine does not implement
// it.)
HWND EnabledPopupOf(HWND owner)
{
    PopupSearch search{ owner, nullptr };
    EnumThreadWindows(GetCurrentThreadId(), FindEnabledPopup, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Ends a dialog of the settings user interface with the given result, or
// with 2 once the program has been asked to end: a quit request that came
// in while the dialog was busy must not be lost.
void EndSettingsDialog(HWND dialog, INT_PTR result)
{
    EndDialog(dialog, g_app.quitRequested ? 2 : result);
}

// The program is ending: whatever box or colour dialog is open over a
// settings window closes first, then that window's dialog ends with 2,
// which ends the settings dialog too when it was the numeric dialog.
void EndDialogOnCloseRequest(HWND dialog)
{
    g_app.quitRequested = true;
    if (HWND popup = EnabledPopupOf(dialog))
        SendMessageW(popup, WM_CLOSE, 0, 0);
    EndDialog(dialog, 2);
}

// The settings dialog: the pending position and size shown read-only, the
// three colours with their swatches, OK, Cancel and Apply. What a handler
// throws ends the program as a quit does.
INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return CatchingQuit([&] { return HandleSettingsMessage(dialog, message, wParam, lParam); });
}

// Fields 102 and 104 of the settings dialog show the pending position, 106
// and 108 the pending size, in plain "%ld" decimal.
void ShowPendingPosition()
{
    SetFieldNumber(IDC_VALUE_X, g_app.pendingRect.x);
    SetFieldNumber(IDC_VALUE_Y, g_app.pendingRect.y);
}

void ShowPendingSize()
{
    SetFieldNumber(IDC_VALUE_WIDTH, g_app.pendingRect.width);
    SetFieldNumber(IDC_VALUE_HEIGHT, g_app.pendingRect.height);
}

// The settings dialog, or the numeric dialog on its behalf, has just been
// activated: the dialog takes the pair's taskbar button by losing its owner,
// the drag window is hidden from the taskbar by its own, and it goes
// directly below the dialog.
void PairDialogAboveDragWindow()
{
    if (g_app.SettingsDialog == nullptr || g_app.DragWindow == nullptr)
        return;
    if (GetWindowLongPtrW(g_app.SettingsDialog, GWLP_HWNDPARENT) != 0) {
        SetWindowLongPtrW(g_app.DragWindow, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(g_app.DragOwnerWindow));
        SetWindowLongPtrW(g_app.SettingsDialog, GWLP_HWNDPARENT, 0);
    }
    SetWindowPos(g_app.DragWindow, g_app.SettingsDialog, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}
