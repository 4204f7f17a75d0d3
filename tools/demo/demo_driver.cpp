// Shows the program to a person who has no display to watch it on: starts
// the stand-in shell and tavrel.exe on the current (virtual) screen, moves
// the mouse along a path around and between the eyes, opens the settings,
// and saves a screenshot of each moment as a BMP file in the folder given
// on the command line. scripts/run.sh turns them into PNG files and a
// contact sheet.
#include <windows.h>

#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <vector>

#include "app/settings_record.h"
#include "res/resource_ids.h"
#include "tests/support/win_support.h"
#include "tools/standin_shell/standin_shell_protocol.h"

using namespace ws;

namespace {

// Where the demo puts the eyes, and the part of the screen each frame shows.
constexpr int32_t kEyesX = 480;
constexpr int32_t kEyesY = 330;
constexpr RECT kFrame = { 300, 200, 980, 660 };

// A BMP file of the screen's region, with a small red cross where the
// cursor is, since screen captures leave the cursor out.
bool SaveScreen(const RECT& region, const std::wstring& path, POINT cursor)
{
    const ScreenCapture capture(region);
    const int width = region.right - region.left, height = region.bottom - region.top;
    std::vector<uint32_t> pixels;
    for (int y = region.top; y < region.bottom; ++y) {
        for (int x = region.left; x < region.right; ++x) {
            const COLORREF c = (std::abs(x - cursor.x) <= 7 && y == cursor.y) || (std::abs(y - cursor.y) <= 7 && x == cursor.x)
                                   ? RGB(0xFF, 0x20, 0x20)
                                   : capture.At(x, y);
            // Image tools take a zero fourth byte as transparent.
            pixels.push_back(0xFF000000u | GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c));
        }
    }
    const BITMAPINFOHEADER info{ sizeof info, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0 };
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + DWORD(pixels.size() * 4);
    std::vector<uint8_t> bytes(reinterpret_cast<const uint8_t*>(&file), reinterpret_cast<const uint8_t*>(&file + 1));
    bytes.insert(bytes.end(), reinterpret_cast<const uint8_t*>(&info), reinterpret_cast<const uint8_t*>(&info + 1));
    bytes.insert(bytes.end(), reinterpret_cast<const uint8_t*>(pixels.data()),
                 reinterpret_cast<const uint8_t*>(pixels.data() + pixels.size()));
    return WriteBytes(path, bytes);
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
    for (HWND window : WindowsOf(pid, L"#32770"))
        if (IsWindowVisible(window) && GetDlgItem(window, IDC_NUMERIC_INPUT) != nullptr)
            return window;
    return nullptr;
}

// Clicks the tray icon through the stand-in's notification area and
// chooses an item of the menu by its mnemonic key.
bool ChooseMenuItem(DWORD pid, WORD key)
{
    ShellControl(standin_shell::kCommandPostIconMessage, WM_RBUTTONUP);
    if (!WaitFor([&] { return WindowOf(pid, L"#32768") != nullptr; }))
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
    const std::wstring out = std::wstring(argv[1]) + L"\\", program = out + L"program";
    CreateDirectoryW(program.c_str(), nullptr);
    CopyFileW((BinFolder() + L"\\tavrel.exe").c_str(), (program + L"\\tavrel.exe").c_str(), FALSE);
    Settings settings{};
    ApplyDefaultSettings(settings);
    settings.x = kEyesX;
    settings.y = kEyesY;
    uint8_t bytes[kSettingsFileSize];
    EncodeSettings(settings, bytes);
    WriteBytes(program + L"\\tavrel.dat", std::vector<uint8_t>(bytes, bytes + kSettingsFileSize));

    ChildProcess shell, tavrel;
    if (!shell.Start(BinFolder() + L"\\standin_shell.exe", standin_shell::kOptionGradient, BinFolder()) ||
        !WaitFor([&] { return ShellControl(standin_shell::kCommandQueryReady) == 1; })) {
        std::fprintf(stderr, "the stand-in shell did not start\n");
        return 1;
    }
    if (!tavrel.Start(program + L"\\tavrel.exe", L"", program) ||
        !WaitFor([&] { return WindowOf(tavrel.Id(), L"8bf14e335fa0413b98aa2be5baee60b3") != nullptr; })) {
        std::fprintf(stderr, "tavrel.exe did not show its eyes\n");
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

    if (ChooseMenuItem(tavrel.Id(), 'S')) {
        HWND dialog = nullptr;
        if (WaitFor([&] { return (dialog = FindSettingsDialog(tavrel.Id())) != nullptr; })) {
            PumpFor(800);
            SaveScreen({ 0, 0, 1024, 768 }, out + L"settings.bmp", CursorPos());
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            WaitFor([&] { return FindSettingsDialog(tavrel.Id()) == nullptr; });
        }
    }
    ChooseMenuItem(tavrel.Id(), 'Q');
    DWORD code = 1;
    tavrel.WaitForExit(kTimeoutMs, &code);
    PostMessageW(FindWindowW(L"Progman", nullptr), WM_CLOSE, 0, 0);
    shell.WaitForExit(kTimeoutMs, nullptr);
    std::printf("%d frames, exit code of tavrel.exe %lu\n", frame, static_cast<unsigned long>(code));
    return code == 0 ? 0 : 1;
}
