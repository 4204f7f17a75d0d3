#pragma once
#include <windows.h>

bool LoadSettings();
bool SaveSettings(HWND owner);
void FreeSettingsPath();
