#pragma once
#include <windows.h>

// The timer on MainWindow that looks again, once a second, whether the
// eyes can be seen, and runs only while they cannot.
constexpr UINT_PTR kVisibilityTimer = 5;
constexpr UINT kVisibilityPollDelay = 1000;

// The ranges of window events that may change what covers the eyes, each
// watched by a hook of its own.
constexpr int kWatchedEventRanges = 5;

// DwmGetWindowAttribute, looked up at run time in dwmapi.dll.
using DwmAttributeQuery = HRESULT(WINAPI*)(HWND, DWORD, void*, DWORD);

void StartVisibilityWatch();
void StopVisibilityWatch();
void RequestVisibilityCheck();
void UpdateEyesVisibility();
void OnSessionChange(WPARAM change);
bool OnPowerBroadcast(WPARAM event, LPARAM setting);
