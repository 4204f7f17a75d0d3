// A console program that runs the settings file code of tavrel.exe from
// whatever folder it is copied into, so that the tests can put it beside a
// "tavrel.dat" of their choosing, or under a very long path.
//
//   settings_probe load                      reads the settings
//   settings_probe save X Y W H OUT WHITE PUPIL   reads, then saves these
//
// It writes what it ended with to "probe.out" beside itself, one number a
// line, and exits with 0 when every step succeeded, 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "app/app_state.h"
#include "app/settings_file.h"

namespace {

void WriteResult(const wchar_t* settingsPath)
{
    std::wstring out(settingsPath);
    out.replace(out.rfind(L'\\') + 1, std::wstring::npos, L"probe.out");
    FILE* f = _wfopen(out.c_str(), L"w");
    if (f == nullptr)
        return;
    const Settings& s = g_app.settings;
    std::fprintf(f, "%ld\n%ld\n%ld\n%ld\n%lu\n%lu\n%lu\n", long(s.x), long(s.y), long(s.width), long(s.height),
                 static_cast<unsigned long>(s.outlineColor), static_cast<unsigned long>(s.eyeWhiteColor),
                 static_cast<unsigned long>(s.pupilColor));
    std::fclose(f);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2 || !LoadSettings())
        return 1;
    bool ok = true;
    if (std::wcscmp(argv[1], L"save") == 0 && argc == 9) {
        Settings& s = g_app.settings;
        s.x = std::wcstol(argv[2], nullptr, 10);
        s.y = std::wcstol(argv[3], nullptr, 10);
        s.width = std::wcstol(argv[4], nullptr, 10);
        s.height = std::wcstol(argv[5], nullptr, 10);
        s.outlineColor = std::wcstoul(argv[6], nullptr, 0);
        s.eyeWhiteColor = std::wcstoul(argv[7], nullptr, 0);
        s.pupilColor = std::wcstoul(argv[8], nullptr, 0);
        ok = SaveSettings(nullptr);
    }
    WriteResult(g_app.settingsPath);
    FreeSettingsPath();
    return ok ? 0 : 1;
}
