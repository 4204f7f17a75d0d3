#pragma once
#include <windows.h>

#include <cstdint>

bool CreateEyeSurfaces();
void BuildEyeBackground();
void RenderEyes(POINT cursor);
bool RebuildEyeSurfaces(uint32_t changes, HWND owner);
void DestroyEyeSurfaces();
