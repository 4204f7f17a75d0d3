#include "tray/tray_icon.h"

#include <cwchar>

#include "app/app_state.h"
#include "app/messages.h"
#include "app/report_error.h"
#include "app/window_messages.h"
#include "res/resource_ids.h"

namespace {

// The size of the complete wide-character record up to and including
// hBalloonIcon, which every system since Vista accepts: 956 bytes in the
// 32-bit program and 976 in the 64-bit one, whose handles are wider. The
// SDK headers give a smaller record when built for older systems.
constexpr DWORD kTrayIconRecordSize = sizeof(NOTIFYICONDATAW);
static_assert(kTrayIconRecordSize == (sizeof(void*) == 8 ? 976 : 956), "the headers' record is the full one");

constexpr UINT kTrayIconId = 1;

void FillTrayIcon()
{
    NOTIFYICONDATAW& icon = g_app.TrayIcon;
    icon = {};
    icon.cbSize = kTrayIconRecordSize;
    icon.hWnd = g_app.MainWindow;
    icon.uID = kTrayIconId;
    icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon.uCallbackMessage = kTrayCallback;
    icon.hIcon = g_app.hAppIcon;
    wcsncpy(icon.szTip, kAppCaption, sizeof(icon.szTip) / sizeof(icon.szTip[0]) - 1);
}

} // namespace

// Adds the tray icon and loads the popup menu. A failure is reported once
// and returns false; an icon already added stays registered until
// RemoveTrayIconAndMenu.
bool AddTrayIconAndMenu()
{
    FillTrayIcon();
    if (!Shell_NotifyIconW(NIM_ADD, &g_app.TrayIcon)) {
        ShowMessage(nullptr, kMsgTrayIcon);
        g_app.TrayIcon.hWnd = nullptr;
        return false;
    }
    g_app.PopupMenu = LoadMenuW(g_app.hInstance, MAKEINTRESOURCEW(IDM_POPUP));
    if (g_app.PopupMenu == nullptr) {
        ReportError(nullptr, kMsgPopupMenu, GetLastError());
        return false;
    }
    return true;
}

// After the shell's notification area was created anew, the icon that was
// registered before is added again from the same record. Nothing is added
// when no icon was registered.
void RestoreTrayIcon()
{
    if (g_app.TrayIcon.hWnd == nullptr)
        return;
    Shell_NotifyIconW(NIM_ADD, &g_app.TrayIcon);
}

void RemoveTrayIconAndMenu()
{
    if (g_app.TrayIcon.hWnd != nullptr) {
        Shell_NotifyIconW(NIM_DELETE, &g_app.TrayIcon);
        g_app.TrayIcon.hWnd = nullptr;
    }
    if (g_app.PopupMenu != nullptr) {
        DestroyMenu(g_app.PopupMenu);
        g_app.PopupMenu = nullptr;
    }
}
