#include "tray/settings_command.h"

void RunSettingsUI()
{
}
