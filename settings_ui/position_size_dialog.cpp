#include "settings_ui/position_size_dialog.h"

#include <string>

#include "app/app_state.h"
#include "app/messages.h"
#include "app/quit_request.h"
#include "app/report_error.h"
#include "app/window_messages.h"
#include "res/resource_ids.h"
#include "settings_ui/drag_window.h"
#include "settings_ui/number_input.h"
#include "settings_ui/settings_dialog.h"

namespace {

struct EditField {
    int id;
    WNDPROC filter;
};

constexpr EditField kEditFields[] = {
    { IDC_VALUE_X, SignedDigitFilter },
    { IDC_VALUE_Y, SignedDigitFilter },
    { IDC_VALUE_WIDTH, UnsignedDigitFilter },
    { IDC_VALUE_HEIGHT, UnsignedDigitFilter },
};

// Room in the settings dialog's value fields: "%ld" of any 32-bit value.
constexpr int kValueFieldSize = kNumberTextSize;

// Characters that pass go on to the edit's own procedure, saved in its user
// data when the filter was installed; the others are swallowed.
LRESULT FilterCharacters(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, bool (*accept)(uint32_t))
{
    if (message == WM_CHAR && !accept(uint32_t(wParam)))
        return 0;
    WNDPROC previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(edit, GWLP_USERDATA));
    return CallWindowProcW(previous, edit, message, wParam, lParam);
}

// Each edit gets its character filter, the length limit and the value that
// the settings dialog shows for the same id.
void PrepareEdit(HWND dialog, const EditField& field)
{
    HWND edit = GetDlgItem(dialog, field.id);
    const LONG_PTR previous = SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(field.filter));
    SetWindowLongPtrW(edit, GWLP_USERDATA, previous);
    SendMessageW(edit, EM_LIMITTEXT, kNumberInputLimit, 0);
    wchar_t text[kValueFieldSize] = L"";
    GetDlgItemTextW(g_app.SettingsDialog, field.id, text, kValueFieldSize);
    SetWindowTextW(edit, text);
}

// The dialog opens over the lower part of the settings dialog: its top-left
// corner at the settings dialog's left edge and the top of the button that
// opened it.
void PlaceBelowOpeningButton(HWND dialog)
{
    RECT settingsRect{};
    RECT buttonRect{};
    GetWindowRect(g_app.SettingsDialog, &settingsRect);
    GetWindowRect(GetDlgItem(g_app.SettingsDialog, IDC_NUMERIC_INPUT), &buttonRect);
    SetWindowPos(dialog, nullptr, settingsRect.left, buttonRect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

// The edits are filled while the dialog is still invisible, so their change
// notifications leave Apply disabled; the focus goes to the first tab stop.
INT_PTR OnInitDialog(HWND dialog)
{
    g_app.PositionSizeDialog = dialog;
    SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(g_app.hAppIcon));
    SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(g_app.hAppIcon));
    PlaceBelowOpeningButton(dialog);
    for (const EditField& field : kEditFields)
        PrepareEdit(dialog, field);
    return TRUE;
}

void EndWith(HWND dialog, INT_PTR result)
{
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 0);
    EndSettingsDialog(dialog, result);
}

std::wstring EditText(HWND dialog, int id)
{
    wchar_t text[kNumberInputLimit + 1] = L"";
    GetDlgItemTextW(dialog, id, text, kNumberInputLimit + 1);
    return text;
}

void MoveFocusTo(HWND dialog, HWND control)
{
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

// Hands accepted values to the drag window, compared with what is pending
// rather than with the settings in force. A position alone is stored before
// the window is moved, since the drag window refuses any other place. A new
// size redraws the preview; when that fails, the previous pending rectangle
// stays and the dialog ends with 0. Returns whether the values were taken.
bool HandOver(HWND dialog, const NumberInput& input)
{
    const PendingRect& pending = g_app.pendingRect;
    const POINT topLeft{ input.x, input.y };
    if (input.width == pending.width && input.height == pending.height) {
        if (input.x != pending.x || input.y != pending.y) {
            SetPendingPosition(topLeft);
            SetWindowPos(g_app.DragWindow, nullptr, input.x, input.y, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        return true;
    }
    if (SetPendingRect(dialog, topLeft, input.width, input.height)) {
        EndWith(dialog, 0);
        return false;
    }
    return true;
}

// OK and Apply check the four texts; only the first field at fault is
// reported, after the focus has moved to it. Apply that passes disables
// itself and, if it had the focus, hands the focus to OK so that the
// keyboard keeps working. Returns TRUE when the dialog was ended.
INT_PTR OnAccept(HWND dialog, int command)
{
    const NumberInput input = ValidatePositionSize(EditText(dialog, IDC_VALUE_X), EditText(dialog, IDC_VALUE_Y),
                                                   EditText(dialog, IDC_VALUE_WIDTH),
                                                   EditText(dialog, IDC_VALUE_HEIGHT));
    if (!input.ok) {
        MoveFocusTo(dialog, GetDlgItem(dialog, input.failedField));
        ShowMessage(dialog, input.message);
        return FALSE;
    }
    if (!HandOver(dialog, input))
        return TRUE;
    if (command == IDOK) {
        EndWith(dialog, 1);
        return TRUE;
    }
    HWND apply = GetDlgItem(dialog, IDC_APPLY);
    if (GetFocus() == apply)
        MoveFocusTo(dialog, GetDlgItem(dialog, IDOK));
    EnableWindow(apply, FALSE);
    return FALSE;
}

INT_PTR OnCommand(HWND dialog, WPARAM wParam)
{
    const int id = LOWORD(wParam);
    switch (id) {
    case IDOK:
    case IDC_APPLY:
        return OnAccept(dialog, id);
    case IDCANCEL:
        EndWith(dialog, 0);
        return TRUE;
    case IDC_VALUE_X:
    case IDC_VALUE_Y:
    case IDC_VALUE_WIDTH:
    case IDC_VALUE_HEIGHT:
        if (HIWORD(wParam) == EN_CHANGE && IsWindowVisible(dialog))
            EnableWindow(GetDlgItem(dialog, IDC_APPLY), TRUE);
        return FALSE;
    }
    return FALSE;
}

INT_PTR HandlePositionSizeMessage(HWND dialog, UINT message, WPARAM wParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_DESTROY:
        g_app.PositionSizeDialog = nullptr;
        return 0;
    case WM_ACTIVATE:
        if (wParam == WA_ACTIVE || wParam == WA_CLICKACTIVE)
            PairDialogAboveDragWindow();
        return 0;
    case WM_COMMAND:
        return OnCommand(dialog, wParam);
    case kCloseRequest:
        EndDialogOnCloseRequest(dialog);
        return 0;
    }
    return FALSE;
}

} // namespace

// The numeric position/size dialog over the settings dialog: four filtered
// edits, checked on OK and Apply and handed to the drag window. What a
// handler throws ends the program as a quit does.
INT_PTR CALLBACK PositionSizeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    return CatchingQuit([&] { return HandlePositionSizeMessage(dialog, message, wParam); });
}

// Typed characters for X and Y: digits, the minus sign anywhere, and control
// characters. Where the minus sign stands, and pasted text, are left to the
// validation.
LRESULT CALLBACK SignedDigitFilter(HWND edit, UINT message, WPARAM wParam, LPARAM lParam)
{
    return FilterCharacters(edit, message, wParam, lParam, AcceptSignedDigitChar);
}

// Typed characters for width and height: digits and control characters.
LRESULT CALLBACK UnsignedDigitFilter(HWND edit, UINT message, WPARAM wParam, LPARAM lParam)
{
    return FilterCharacters(edit, message, wParam, lParam, AcceptUnsignedDigitChar);
}

// Command 109 of the settings dialog. Values accepted by the numeric dialog
// are already pending when it returns; its ending with 2 ends the settings
// dialog with 2 as well.
void RunPositionSizeDialog(HWND settingsDialog)
{
    const INT_PTR result = DialogBoxParamW(g_app.hInstance, MAKEINTRESOURCEW(IDD_POSITION_SIZE), settingsDialog,
                                           PositionSizeDialogProc, 0);
    if (result == -1)
        ReportError(settingsDialog, kMsgPositionSizeDialog, GetLastError());
    else if (result == 2)
        EndSettingsDialog(settingsDialog, 2);
}
