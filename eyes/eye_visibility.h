#pragma once
#include <windows.h>

// The timer on MainWindow that looks again, once a second, whether the
// eyes can be seen, and runs only while they cannot.
constexpr UINT_PTR kVisibilityTimer = 5;
constexpr UINT kVisibilityPollDelay = 1000;

void StartVisibilityWatch();
void StopVisibilityWatch();
void RequestVisibilityCheck();
void UpdateEyesVisibility();
void OnCursorMoved();
void OnSessionChange(WPARAM change);
bool OnPowerBroadcast(WPARAM event, LPARAM setting);
