#include <windows.h>

#include "app/app_state.h"
#include "app/settings_file.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    g_app.hInstance = instance;
    if (LoadSettings())
        FreeSettingsPath();
    return 0;
}
