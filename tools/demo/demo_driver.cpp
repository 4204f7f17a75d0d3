// Shows the program to a person who has no display to watch it on: starts
// the stand-in shell and tavrel.exe on the current (virtual) screen, moves
// the mouse along a path around and between the eyes, opens the settings,
// and saves a screenshot of each moment as a BMP file in the folder given
// on the command line. scripts/run.sh turns them into PNG files and a
// contact sheet.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "res/resource_ids.h"
#include "tests/support/win_test_support.h"

using namespace wine_test;

namespace {

// Where the demo puts the eyes, and the part of the screen each frame shows.
constexpr int32_t kEyesX = 480;
constexpr int32_t kEyesY = 330;
constexpr RECT kFrame = { 300, 200, 980, 660 };

// Saves a region of the screen as a 32-bit BMP file, with a small red
// cross where the cursor is, since screen captures leave the cursor out.
bool SaveScreen(const RECT& region, const std::wstring& path, POINT cursor)
{
    const int width = region.right - region.left, height = region.bottom - region.top;
    BITMAPINFOHEADER info = { sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0 };
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, region.left, region.top, SRCCOPY | CAPTUREBLT);
    GdiFlush();
    // The screen's pixels come without alpha; image tools would take the
    // zero fourth byte as fully transparent.
    auto* pixels = static_cast<uint32_t*>(bits);
    for (int i = 0; i < width * height; ++i)
        pixels[i] |= 0xFF000000u;
    for (int d = -7; d <= 7; ++d) {
        const int points[2][2] = { { cursor.x + d, cursor.y }, { cursor.x, cursor.y + d } };
        for (const auto& p : points) {
            const int x = p[0] - region.left, y = p[1] - region.top;
            if (x >= 0 && x < width && y >= 0 && y < height)
                pixels[y * width + x] = 0xFFFF2020;
        }
    }
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + DWORD(width * height * 4);
    bool ok = false;
    if (FILE* f = _wfopen(path.c_str(), L"wb")) {
        ok = std::fwrite(&file, sizeof file, 1, f) == 1 && std::fwrite(&info, sizeof info, 1, f) == 1 &&
             std::fwrite(bits, 4, size_t(width) * height, f) == size_t(width) * height;
        std::fclose(f);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

// A path around both eyes, then across between them.
std::vector<POINT> CursorPath()
{
    const double cx = kEyesX + 157, cy = kEyesY + 100;
    std::vector<POINT> path;
    for (int i = 0; i < 10; ++i) {
        const double a = i * 2 * 3.14159265358979 / 10;
        path.push_back({ LONG(cx + 300 * std::cos(a)), LONG(cy + 200 * std::sin(a)) });
    }
    path.push_back({ LONG(cx), LONG(cy - 20) });
    path.push_back({ LONG(cx), LONG(cy + 60) });
    return path;
}

HWND FindSettingsDialog(DWORD pid)
{
    for (HWND window : FindWindowsOfProcess(pid, kDialogClass))
        if (IsWindowVisible(window) && GetDlgItem(window, IDC_NUMERIC_INPUT) != nullptr)
            return window;
    return nullptr;
}

// Chooses an item of the tray icon's menu by its mnemonic key.
bool ChooseMenuItem(TavrelProcess& tavrel, WORD key)
{
    ClickTrayIcon(tavrel.MainWindow(), true);
    if (!WaitFor([&] { return FindPopupMenu(tavrel.Id()) != nullptr; }))
        return false;
    PressKey(key);
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: demo_driver OUTPUT-FOLDER\n");
        return 2;
    }
    const std::wstring out = std::wstring(argv[1]) + L"\\";

    StandinShell shell;
    if (!shell.Start({ standin_shell::kOptionGradient })) {
        std::fprintf(stderr, "the stand-in shell did not start\n");
        return 1;
    }
    TestFolder folder;
    Settings settings{};
    ApplyDefaultSettings(settings);
    settings.x = kEyesX;
    settings.y = kEyesY;
    TavrelProcess tavrel;
    if (!folder.Ready() || !folder.WriteSettings(settings) || !tavrel.Start(folder) || !tavrel.WaitForEyeWindow()) {
        std::fprintf(stderr, "tavrel.exe did not show its eyes\n");
        shell.Stop();
        return 1;
    }

    int frame = 0;
    for (POINT p : CursorPath()) {
        MoveCursorTo(p);
        PumpFor(300);
        wchar_t name[32];
        std::swprintf(name, 32, L"frame_%02d.bmp", ++frame);
        SaveScreen(kFrame, out + name, p);
    }

    if (ChooseMenuItem(tavrel, 'S')) {
        HWND dialog = nullptr;
        if (WaitFor([&] { return (dialog = FindSettingsDialog(tavrel.Id())) != nullptr; })) {
            PumpFor(800);
            RECT screen = ScreenRect();
            screen.right = screen.left + 1024;
            screen.bottom = screen.top + 768;
            SaveScreen(screen, out + L"settings.bmp", CursorPos());
            PressDialogButton(dialog, IDCANCEL);
            WaitFor([&] { return FindSettingsDialog(tavrel.Id()) == nullptr; });
        }
    }
    ChooseMenuItem(tavrel, 'Q');
    DWORD code = 1;
    tavrel.WaitForExit(kDefaultTimeoutMs, &code);
    shell.Stop();
    std::printf("%d frames, exit code of tavrel.exe %lu\n", frame, static_cast<unsigned long>(code));
    return 0;
}
