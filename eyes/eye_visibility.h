#pragma once
#include <windows.h>

void StartVisibilityWatch();
void StopVisibilityWatch();
void RequestVisibilityCheck();
void UpdateEyesVisibility();
void OnCursorMoved();
void OnDisplayChange();
void OnSessionChange(WPARAM change);
bool OnPowerBroadcast(WPARAM event, LPARAM setting);
