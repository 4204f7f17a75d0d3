#include "settings_ui/drag_window.h"

#include <objidl.h>
#include <gdiplus.h>

#include "app/app_state.h"
#include "app/messages.h"
#include "app/quit_request.h"
#include "app/report_error.h"
#include "app/settings_record.h"
#include "eyes/eye_geometry.h"
#include "res/resource_ids.h"
#include "settings_ui/drag_hit_test.h"
#include "settings_ui/settings_dialog.h"

namespace {

namespace Gdip = Gdiplus::DllExports;

// The whole preview is shown at this uniform opacity; the bitmap's own alpha
// values are not used.
constexpr BYTE kDragOpacity = 128;

void EnableSettingsApply()
{
    EnableWindow(GetDlgItem(g_app.SettingsDialog, IDC_APPLY), TRUE);
}

// The mirror image of the settings dialog's exchange: the drag window, just
// activated, takes the taskbar button by losing its owner, and the dialog
// goes directly below it, hidden from the taskbar by its own owner.
void OnActivate(HWND window, WPARAM wParam)
{
    if (wParam != WA_ACTIVE && wParam != WA_CLICKACTIVE)
        return;
    if (g_app.SettingsDialog == nullptr)
        return;
    if (GetWindowLongPtrW(window, GWLP_HWNDPARENT) != 0) {
        SetWindowLongPtrW(g_app.SettingsDialog, GWLP_HWNDPARENT,
                          reinterpret_cast<LONG_PTR>(g_app.DialogOwnerWindow));
        SetWindowLongPtrW(window, GWLP_HWNDPARENT, 0);
    }
    SetWindowPos(g_app.SettingsDialog, window, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}

void OnGetMinMaxInfo(MINMAXINFO* info)
{
    info->ptMinTrackSize.x = kMinEyesWidth;
    info->ptMinTrackSize.y = kMinEyesHeight;
}

// The window may stand only at the pending rectangle. Every legitimate move
// or resize writes the pending rectangle first, so it passes; any other
// attempt loses its move and size parts while z-order, activation and
// showing still take effect.
void OnWindowPosChanging(WINDOWPOS* change)
{
    const PendingRect& pending = g_app.pendingRect;
    if (!(change->flags & SWP_NOMOVE) && (change->x != pending.x || change->y != pending.y))
        change->flags |= SWP_NOMOVE;
    if (!(change->flags & SWP_NOSIZE) && (change->cx != pending.width || change->cy != pending.height))
        change->flags |= SWP_NOSIZE;
}

// While the settings dialog has a pop-up open (the numeric dialog, the
// colour dialog or a message box), the window answers "client" everywhere
// and so can be neither moved nor resized with the mouse.
LRESULT OnNcHitTest(HWND window, LPARAM lParam)
{
    const bool popupOpen = g_app.SettingsDialog != nullptr && EnabledPopupOf(g_app.SettingsDialog) != nullptr;
    RECT rect{};
    GetWindowRect(window, &rect);
    const ScreenRect screenRect{ rect.left, rect.top, rect.right, rect.bottom };
    const uint32_t packed = uint32_t(lParam);
    return DragHitTest(SignedLowWord(packed), SignedHighWord(packed), screenRect, popupOpen);
}

// A move draws nothing: the layered window keeps its picture, and only the
// pending position and its two fields change before the system moves it.
void OnMoving(const RECT* proposed)
{
    SetPendingPosition(POINT{ proposed->left, proposed->top });
}

// A resize redraws the preview at the proposed rectangle. When the new
// bitmap cannot be made the preview is gone for good: the window is
// destroyed and the dialog ends as if cancelled, so nothing pending is
// applied.
void OnSizing(const RECT* proposed)
{
    const POINT topLeft{ proposed->left, proposed->top };
    if (!SetPendingRect(g_app.SettingsDialog, topLeft, proposed->right - proposed->left,
                        proposed->bottom - proposed->top))
        return;
    HWND window = g_app.DragWindow;
    g_app.DragWindow = nullptr;
    if (window != nullptr)
        DestroyWindow(window);
    if (g_app.SettingsDialog != nullptr)
        EndSettingsDialog(g_app.SettingsDialog, 0);
}

// The grey rectangle with the two dark ellipses where the eyes will be,
// each ellipse as wide as an eye of that width would be.
void PaintPreview(int32_t width, int32_t height)
{
    const int32_t eyeWidth = EyeWidthFor(width);
    Gdiplus::GpGraphics* graphics = nullptr;
    Gdip::GdipCreateFromHDC(g_app.DragDC, &graphics);
    if (graphics == nullptr)
        return;
    Gdip::GdipSetSmoothingMode(graphics, Gdiplus::SmoothingModeAntiAlias);
    Gdip::GdipFillRectangleI(graphics, g_app.DragFillBrush, 0, 0, width, height);
    Gdip::GdipFillEllipseI(graphics, g_app.DragEyeBrush, 0, 0, eyeWidth - 1, height - 1);
    Gdip::GdipFillEllipseI(graphics, g_app.DragEyeBrush, width - eyeWidth, 0, eyeWidth - 1, height - 1);
    Gdip::GdipDeleteGraphics(graphics);
}

LRESULT HandleDragMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ACTIVATE:
        OnActivate(window, wParam);
        break;
    case WM_CLOSE:
        return 0;
    case WM_GETMINMAXINFO:
        OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
        return 0;
    case WM_WINDOWPOSCHANGING:
        OnWindowPosChanging(reinterpret_cast<WINDOWPOS*>(lParam));
        return 0;
    case WM_WINDOWPOSCHANGED:
        return 0;
    case WM_NCHITTEST:
        return OnNcHitTest(window, lParam);
    case WM_MOVING:
        OnMoving(reinterpret_cast<const RECT*>(lParam));
        return TRUE;
    case WM_SIZING:
        OnSizing(reinterpret_cast<const RECT*>(lParam));
        return TRUE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

// The translucent preview of the eyes' rectangle. It cannot be closed, is
// never smaller than the eyes may be, stands only where the pending
// rectangle says, and turns every move and resize by the mouse into a new
// pending rectangle. What a handler throws ends the program as a quit does.
LRESULT CALLBACK DragWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return CatchingQuit([&] { return HandleDragMessage(window, message, wParam, lParam); });
}

// Draws the preview for the pending size into a new bitmap in the drag DC
// and shows it, placed and sized at the pending rectangle. Returns the bitmap
// that the DC held before, for the caller to delete or keep. When the new
// bitmap cannot be made, the message is shown owned by the given window,
// nothing changes and the result is null.
HBITMAP DrawDragBitmap(HWND owner)
{
    const PendingRect& pending = g_app.pendingRect;
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = screen != nullptr ? CreateCompatibleBitmap(screen, pending.width, pending.height) : nullptr;
    if (screen != nullptr)
        ReleaseDC(nullptr, screen);
    if (bitmap == nullptr) {
        ShowMessage(owner, kMsgDragBitmap);
        return nullptr;
    }
    HBITMAP previous = static_cast<HBITMAP>(SelectObject(g_app.DragDC, bitmap));
    if (previous == nullptr) {
        DeleteObject(bitmap);
        ShowMessage(owner, kMsgDragBitmap);
        return nullptr;
    }

    PaintPreview(pending.width, pending.height);

    POINT destination{ pending.x, pending.y };
    SIZE size{ pending.width, pending.height };
    POINT source{ 0, 0 };
    BLENDFUNCTION blend{ AC_SRC_OVER, 0, kDragOpacity, 0 };
    UpdateLayeredWindow(g_app.DragWindow, nullptr, &destination, &size, g_app.DragDC, &source, 0, &blend,
                        ULW_ALPHA);
    return previous;
}

// Takes a new pending position, from the system's move loop or from the
// numeric dialog, and shows it in the settings dialog. The window itself is
// moved by whoever asked.
void SetPendingPosition(POINT point)
{
    g_app.pendingRect.x = point.x;
    g_app.pendingRect.y = point.y;
    ShowPendingPosition();
    EnableSettingsApply();
}

// Takes a whole new pending rectangle, shows it and redraws the preview
// there. Returns true on failure: the message has then been shown owned by
// the given window, and the previous pending rectangle is back in force and
// in the fields, where the preview still stands. A size the preview cannot
// be drawn at must not stay pending, where applying it would fail again
// and end the program.
bool SetPendingRect(HWND owner, POINT point, int32_t width, int32_t height)
{
    const PendingRect previous = g_app.pendingRect;
    g_app.pendingRect = PendingRect{ point.x, point.y, width, height };
    ShowPendingPosition();
    ShowPendingSize();
    HBITMAP replaced = DrawDragBitmap(owner);
    if (replaced == nullptr) {
        g_app.pendingRect = previous;
        ShowPendingPosition();
        ShowPendingSize();
        return true;
    }
    DeleteObject(replaced);
    EnableSettingsApply();
    return false;
}
