// The settings file code of tavrel.exe in a console program: it loads the
// settings from beside itself, moves them 11 pixels right and saves them,
// and exits with 0 when both steps succeeded.
#include "app/app_state.h"
#include "app/settings_file.h"

int wmain()
{
    if (!LoadSettings())
        return 1;
    g_app.settings.x += 11;
    const bool saved = SaveSettings(nullptr);
    FreeSettingsPath();
    return saved ? 0 : 1;
}
