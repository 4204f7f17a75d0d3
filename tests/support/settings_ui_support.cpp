#include "tests/support/settings_ui_support.h"

#include <winternl.h>

#include <algorithm>
#include <cstdio>

#include "res/resource_ids.h"

namespace settings_ui_test {

using namespace wine_test;

namespace {

// The colour dialog's fields for the three components of the colour.
constexpr int kColorRedField = 706;
constexpr int kColorGreenField = 707;
constexpr int kColorBlueField = 708;

// A dialog of the process that is shown and has the given control.
HWND FindVisibleDialogWith(DWORD pid, int controlId, const wchar_t* controlClass)
{
    for (HWND window : FindWindowsOfProcess(pid, kDialogClass)) {
        if (!IsWindowVisible(window) || GetAncestor(window, GA_PARENT) != GetDesktopWindow())
            continue;
        HWND control = GetDlgItem(window, controlId);
        if (control != nullptr && (controlClass == nullptr || ClassOf(control) == controlClass))
            return window;
    }
    return nullptr;
}

DWORD GuiFlagsOf(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info))
        return 0;
    return info.flags;
}

// Skips a menu or class entry of a dialog template: none, an ordinal or a
// string.
const WORD* SkipNameOrOrdinal(const WORD* at)
{
    if (*at == 0x0000)
        return at + 1;
    if (*at == 0xFFFF)
        return at + 2;
    while (*at != 0)
        ++at;
    return at + 1;
}

// One entry of the GDI handle table (32-bit and 64-bit programs alike).
struct GdiHandleEntry {
    uint64_t object;
    uint32_t owner;
    uint16_t unique;
    uint8_t type;
    uint8_t flags;
    uint64_t userPointer;
};
static_assert(sizeof(GdiHandleEntry) == 24, "the system's layout");
constexpr size_t kGdiHandleCount = 0x10000;
// Where a 32-bit process environment block keeps the table's address.
constexpr size_t kPebGdiSharedHandleTable = 0x94;

long CountGdiTableEntries(HANDLE process)
{
    using QueryProcess = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<QueryProcess>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    if (query == nullptr)
        return -1;
    PROCESS_BASIC_INFORMATION basic{};
    if (query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0)
        return -1;
    uint32_t table = 0;
    const char* peb = static_cast<const char*>(static_cast<void*>(basic.PebBaseAddress));
    if (!ReadProcessMemory(process, peb + kPebGdiSharedHandleTable, &table, sizeof table, nullptr) || table == 0)
        return -1;
    std::vector<GdiHandleEntry> entries(kGdiHandleCount);
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, reinterpret_cast<const void*>(uintptr_t(table)), entries.data(),
                           entries.size() * sizeof(GdiHandleEntry), &read) ||
        read != entries.size() * sizeof(GdiHandleEntry))
        return -1;
    return long(std::count_if(entries.begin(), entries.end(), [](const GdiHandleEntry& e) { return e.type != 0; }));
}

void SendCharacter(wchar_t ch, DWORD extraFlags)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wScan = ch;
    input.ki.dwFlags = KEYEVENTF_UNICODE | extraFlags;
    SendInput(1, &input, sizeof input);
}

} // namespace

Desktop::~Desktop()
{
    tavrel.Kill();
    shell.Stop();
}

bool Desktop::Start(const Settings& settings)
{
    return folder.Ready() && folder.WriteSettings(settings) && shell.Start() && tavrel.Start(folder) &&
           tavrel.WaitForEyeWindow() != nullptr;
}

// While the settings windows are open, the menu comes up with one of them
// brought to the foreground, and typed keys may go there: the item is then
// clicked. Otherwise the menu's owner is the foreground window and the item
// is chosen by its access key. The menu's items are of equal height and
// fill it but for its border; its place is read once it has settled.
bool ChooseTrayItem(TavrelProcess& tavrel, int item)
{
    HWND main = tavrel.WaitForMainWindow();
    if (main == nullptr)
        return false;
    const bool settingsOpen = FindSettingsDialog(tavrel.Id()) != nullptr;
    ClickTrayIcon(main, false);
    HWND menu = nullptr;
    if (!WaitFor([&] { return (menu = FindPopupMenu(tavrel.Id())) != nullptr; }))
        return false;
    if (settingsOpen) {
        RECT rect = WindowRectOf(menu);
        WaitFor([&] {
            const RECT now = WindowRectOf(menu);
            const bool settled = SameRect(now, rect) && now.bottom > now.top;
            rect = now;
            return settled;
        });
        const LONG height = rect.bottom - rect.top;
        MoveAndClickLeft(POINT{ (rect.left + rect.right) / 2,
                                rect.top + height * (2 * item + 1) / (2 * kMenuItemCount) });
    } else {
        PressKey(kMenuItemKeys[item]);
    }
    return WaitFor([&] { return FindPopupMenu(tavrel.Id()) == nullptr; });
}

bool OpenSettings(TavrelProcess& tavrel, SettingsWindows* windows)
{
    if (!ChooseTrayItem(tavrel, kMenuItemSettings))
        return false;
    windows->dialog = WaitForDialog(FindSettingsDialog, tavrel.Id());
    if (windows->dialog == nullptr)
        return false;
    return WaitFor([&] {
        windows->drag = FindWindowOfProcess(tavrel.Id(), kDragClass);
        return windows->drag != nullptr && IsWindowVisible(windows->drag);
    });
}

HWND FindSettingsDialog(DWORD pid)
{
    return FindVisibleDialogWith(pid, IDC_NUMERIC_INPUT, nullptr);
}

HWND FindPositionSizeDialog(DWORD pid)
{
    return FindVisibleDialogWith(pid, IDC_VALUE_X, L"Edit");
}

HWND FindColorDialog(DWORD pid)
{
    return FindVisibleDialogWith(pid, kColorRedField, nullptr);
}

HWND WaitForDialog(HWND (*find)(DWORD), DWORD pid)
{
    HWND dialog = nullptr;
    WaitFor([&] { return (dialog = find(pid)) != nullptr; });
    return dialog;
}

bool WaitUntilGone(HWND window)
{
    return WaitFor([&] { return !IsWindow(window) || !IsWindowVisible(window); });
}

std::wstring ControlText(HWND dialog, int id)
{
    return TextOf(GetDlgItem(dialog, id));
}

bool ControlEnabled(HWND dialog, int id)
{
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

RECT WindowRectOf(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

RECT ControlRect(HWND dialog, int id)
{
    return WindowRectOf(GetDlgItem(dialog, id));
}

POINT Centre(const RECT& rect)
{
    return POINT{ (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2 };
}

bool SameRect(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

std::string RectText(const RECT& rect)
{
    char text[96];
    std::snprintf(text, sizeof text, "(%ld, %ld) %ld x %ld", long(rect.left), long(rect.top),
                  long(rect.right - rect.left), long(rect.bottom - rect.top));
    return text;
}

RECT RectOf(int32_t x, int32_t y, int32_t width, int32_t height)
{
    return RECT{ x, y, x + width, y + height };
}

HWND FocusIn(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

HWND OwnerOf(HWND window)
{
    return GetWindow(window, GW_OWNER);
}

void ClickControl(HWND dialog, int id)
{
    MoveAndClickLeft(Centre(ControlRect(dialog, id)));
}

void SetControlText(HWND dialog, int id, const std::wstring& text)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                        SMTO_ABORTIFHUNG, kDefaultTimeoutMs, &result);
}

void TypeText(const std::wstring& text)
{
    for (wchar_t ch : text) {
        SendCharacter(ch, 0);
        SendCharacter(ch, KEYEVENTF_KEYUP);
    }
}

// The system's move and size loop runs for the window from the button
// press on; the steps are given to it only then, and the release ends it.
// Without `expectLoop` the press is only expected to be a click, and the
// steps follow it at once.
bool DragMouse(HWND window, POINT from, POINT to, bool expectLoop)
{
    if (!MoveCursorTo(from))
        return false;
    PressLeft();
    const bool looping = !expectLoop || WaitFor([&] { return (GuiFlagsOf(window) & GUI_INMOVESIZE) != 0; });
    constexpr int kSteps = 5;
    bool moved = true;
    for (int step = 1; step <= kSteps; ++step) {
        const POINT point{ from.x + (to.x - from.x) * step / kSteps, from.y + (to.y - from.y) * step / kSteps };
        moved = MoveCursorTo(point) && moved;
    }
    ReleaseLeft();
    const bool ended = WaitFor([&] { return (GuiFlagsOf(window) & GUI_INMOVESIZE) == 0; });
    return looping && moved && ended;
}

bool ConfirmColor(HWND colorDialog, COLORREF color)
{
    SetControlText(colorDialog, kColorRedField, std::to_wstring(GetRValue(color)));
    SetControlText(colorDialog, kColorGreenField, std::to_wstring(GetGValue(color)));
    SetControlText(colorDialog, kColorBlueField, std::to_wstring(GetBValue(color)));
    const bool shown = ControlText(colorDialog, kColorRedField) == std::to_wstring(GetRValue(color)) &&
                       ControlText(colorDialog, kColorGreenField) == std::to_wstring(GetGValue(color)) &&
                       ControlText(colorDialog, kColorBlueField) == std::to_wstring(GetBValue(color));
    // The colour dialog's OK is given as its command: under Wine a redraw of
    // the eyes can lift the shell's window over the dialogs, where a click
    // on the button would land on the shell instead.
    PressDialogButton(colorDialog, IDOK);
    return shown && WaitUntilGone(colorDialog);
}

void ConfirmColorUnchanged(HWND colorDialog)
{
    PressDialogButton(colorDialog, IDOK);
    WaitUntilGone(colorDialog);
}

std::vector<uint8_t> FileBytes(const std::wstring& path)
{
    std::vector<uint8_t> bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    uint8_t buffer[256];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.insert(bytes.end(), buffer, buffer + read);
    CloseHandle(file);
    return bytes;
}

std::vector<uint8_t> SettingsBytes(const Settings& settings)
{
    uint8_t bytes[kSettingsFileSize];
    EncodeSettings(settings, bytes);
    return std::vector<uint8_t>(bytes, bytes + kSettingsFileSize);
}

std::wstring DialogTemplateCaption(const std::wstring& exePath, int id)
{
    HMODULE module = LoadLibraryExW(exePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr)
        return std::wstring();
    std::wstring caption;
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));
    HGLOBAL loaded = resource != nullptr ? LoadResource(module, resource) : nullptr;
    const WORD* words = loaded != nullptr ? static_cast<const WORD*>(LockResource(loaded)) : nullptr;
    // An extended template: version 1, signature 0xFFFF, then help id,
    // extended style, style, item count and the rectangle (13 words in all),
    // then the menu, the class and the caption.
    if (words != nullptr && words[0] == 1 && words[1] == 0xFFFF) {
        const WORD* at = SkipNameOrOrdinal(SkipNameOrOrdinal(words + 13));
        caption = reinterpret_cast<const wchar_t*>(at);
    }
    FreeLibrary(module);
    return caption;
}

bool RunningOnWine()
{
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

COLORREF Blend(COLORREF top, COLORREF below, int alpha)
{
    const auto channel = [alpha](int t, int b) { return (t * alpha + b * (255 - alpha) + 127) / 255; };
    return RGB(channel(GetRValue(top), GetRValue(below)), channel(GetGValue(top), GetGValue(below)),
               channel(GetBValue(top), GetBValue(below)));
}

GuiObjectCounts CountGuiObjects(ChildProcess& process)
{
    GuiObjectCounts counts;
    const DWORD user = GetGuiResources(process.Handle(), GR_USEROBJECTS);
    const DWORD gdi = GetGuiResources(process.Handle(), GR_GDIOBJECTS);
    if (user != 0 || gdi != 0) {
        counts.user = long(user);
        counts.gdi = long(gdi);
        counts.fromSystem = true;
        return counts;
    }
    counts.user = long(FindWindowsOfProcess(process.Id(), nullptr).size());
    counts.gdi = CountGdiTableEntries(process.Handle());
    return counts;
}

} // namespace settings_ui_test
